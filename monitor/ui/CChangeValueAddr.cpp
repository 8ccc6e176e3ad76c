#include "CChangeValueAddr.h"

#include "ui_CChangeValueAddr.h"

CChangeValueAddr::CChangeValueAddr(const Fields& fields, bool monitoring, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::CChangeValueAddr>())
{
    m_ui->setupUi(this);
    m_ui->addressEdit->setText(fields.address);
    m_ui->valueEdit->setText(fields.value);
    m_ui->viewTypeEdit->setText(fields.viewTypeName);
    m_ui->noteLabel->setVisible(!monitoring);
    m_ui->valueEdit->setFocus();
    m_ui->valueEdit->selectAll();
}

CChangeValueAddr::~CChangeValueAddr() = default;

void CChangeValueAddr::accept()
{
    m_result = m_ui->valueEdit->text();
    QDialog::accept();
}
