#include "CChangeValue.h"

#include "monitor/ValueText.h"
#include "ui_CChangeValue.h"

CChangeValue::CChangeValue(const Fields& fields, bool monitoring, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::CChangeValue>()), m_fields(fields)
{
    m_ui->setupUi(this);
    m_ui->symbolNameEdit->setText(fields.symbolName);
    m_ui->valueEdit->setText(fields.value);
    m_ui->viewTypeEdit->setText(fields.viewTypeName);
    m_ui->dataSizeEdit->setText(fields.dataSize);
    m_ui->noteLabel->setVisible(!monitoring);
    m_ui->valueEdit->setFocus();
    m_ui->valueEdit->selectAll();
}

CChangeValue::~CChangeValue() = default;

void CChangeValue::accept()
{
    const QString typed = m_ui->valueEdit->text();
    if (m_fields.viewTypeName == QLatin1String("ASCII")) {
        // The data size bounds the text, the terminating zero included.
        const std::string kept = monitor::ApplyAsciiLength(
            typed.toStdString(),
            static_cast<std::int32_t>(monitor::ParseUnsignedAuto(m_fields.dataSize.toStdString())));
        m_result = QString::fromStdString(kept);
    } else {
        m_result = typed;
    }
    QDialog::accept();
}
