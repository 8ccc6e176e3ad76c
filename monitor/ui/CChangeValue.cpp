#include "monitor/ui/CChangeValue.h"

#include "monitor/ui/ValuePreview.h"
#include "monitor/ValueText.h"
#include "ui_CChangeValue.h"

CChangeValue::CChangeValue(const Fields& fields, bool monitoring, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::CChangeValue>()), m_fields(fields),
      m_viewType(monitor::ViewTypeFromName(fields.viewTypeName.toStdString()))
{
    m_ui->setupUi(this);
    m_ui->symbolNameEdit->setText(fields.symbolName);
    m_ui->valueEdit->setText(fields.value);
    m_ui->viewTypeEdit->setText(fields.viewTypeName);
    m_ui->dataSizeEdit->setText(fields.dataSize);
    m_ui->noteLabel->setVisible(!monitoring);
    connect(m_ui->valueEdit, &QLineEdit::textChanged, this, &CChangeValue::ShowPreview);
    ShowPreview();
    m_ui->valueEdit->setFocus();
    m_ui->valueEdit->selectAll();
}

CChangeValue::~CChangeValue() = default;

monitor::TextSpan CChangeValue::TextRoom() const
{
    if (m_fields.text.room > 0) return m_fields.text;
    return monitor::TextSpanOf(
        static_cast<std::int32_t>(monitor::ParseUnsignedAuto(m_fields.dataSize.toStdString())), {});
}

void CChangeValue::ShowPreview()
{
    QString text;
    if (m_viewType == monitor::ASCII) {
        const std::string kept =
            monitor::FitText(m_ui->valueEdit->text().toStdString(), TextRoom());
        text = QStringLiteral("Writes %1 characters and the terminating zero")
                   .arg(QString::fromStdString(kept).size());
    } else {
        text = ValuePreview::Of(m_ui->valueEdit->text(), m_viewType).text;
    }
    m_ui->previewLabel->setText(text);
    // Read with the value edit, so a screen reader user hears it without leaving the edit.
    m_ui->valueEdit->setAccessibleDescription(text);
}

void CChangeValue::accept()
{
    const QString typed = m_ui->valueEdit->text();
    if (m_viewType == monitor::ASCII) {
        // The item's room bounds the text, the terminating zero included.
        m_result = QString::fromStdString(monitor::FitText(typed.toStdString(), TextRoom()));
    } else {
        const ValuePreview preview = ValuePreview::Of(typed, m_viewType);
        if (!preview.bits) {
            // Refused: the dialog stays with the reason shown, and nothing is written.
            ShowPreview();
            AlertRefusal(m_ui->previewLabel, m_ui->valueEdit);
            return;
        }
        m_bits = preview.bits;
        m_result = typed;
    }
    QDialog::accept();
}
