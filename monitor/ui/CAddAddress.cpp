#include "CAddAddress.h"

#include "monitor/ValueText.h"
#include "ui_CAddAddress.h"

namespace {
// Raw addresses get the word and double-word types only: a byte of a word is reached
// through its word, and an address has no size to read a text with.
constexpr int kFirstType = monitor::HEX16;
constexpr int kLastType = monitor::FLOAT;
} // namespace

CAddAddress::CAddAddress(QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::CAddAddress>())
{
    m_ui->setupUi(this);
    m_ui->startAddressEdit->setText(QStringLiteral("0x0"));
    m_ui->lengthEdit->setText(QStringLiteral("1"));
    for (int type = kFirstType; type <= kLastType; ++type)
        m_ui->dataTypeCombo->addItem(
            QString::fromLatin1(monitor::ViewTypeName(static_cast<monitor::ViewType>(type))));
    m_ui->dataTypeCombo->setCurrentIndex(0);
    m_ui->startAddressEdit->setFocus();
    m_ui->startAddressEdit->selectAll();
}

CAddAddress::~CAddAddress() = default;

void CAddAddress::accept()
{
    m_startAddress = monitor::ParseUnsignedAuto(m_ui->startAddressEdit->text().toStdString());
    m_length = monitor::ParseUnsignedAuto(m_ui->lengthEdit->text().toStdString());
    m_viewType = static_cast<monitor::ViewType>(m_ui->dataTypeCombo->currentIndex() + kFirstType);
    QDialog::accept();
}
