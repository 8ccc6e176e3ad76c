#include "monitor/ui/CChangeValueAddr.h"

#include "monitor/ui/ValuePreview.h"
#include "ui_CChangeValueAddr.h"

CChangeValueAddr::CChangeValueAddr(const Fields& fields, bool monitoring, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::CChangeValueAddr>()),
      m_viewType(monitor::ViewTypeFromName(fields.viewTypeName.toStdString()))
{
    m_ui->setupUi(this);
    m_ui->addressEdit->setText(fields.address);
    m_ui->valueEdit->setText(fields.value);
    m_ui->viewTypeEdit->setText(fields.viewTypeName);
    m_ui->noteLabel->setVisible(!monitoring);
    connect(m_ui->valueEdit, &QLineEdit::textChanged, this, &CChangeValueAddr::ShowPreview);
    ShowPreview();
    m_ui->valueEdit->setFocus();
    m_ui->valueEdit->selectAll();
}

CChangeValueAddr::~CChangeValueAddr() = default;

void CChangeValueAddr::ShowPreview()
{
    const QString text = ValuePreview::Of(m_ui->valueEdit->text(), m_viewType).text;
    ShowPreviewText(m_ui->previewLabel, text);
    m_ui->valueEdit->setAccessibleDescription(text);
}

void CChangeValueAddr::accept()
{
    const ValuePreview preview = ValuePreview::Of(m_ui->valueEdit->text(), m_viewType);
    if (!preview.bits) {
        ShowPreview();
        AlertRefusal(m_ui->previewLabel, m_ui->valueEdit);
        return;
    }
    m_bits = preview.bits;
    m_result = m_ui->valueEdit->text();
    QDialog::accept();
}
