#include "monitor/ui/CAddAddress.h"

#include "monitor/ui/ValuePreview.h"
#include "monitor/ValueText.h"
#include "monitor/WatchList.h"
#include "ui_CAddAddress.h"

#include <algorithm>

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
    connect(m_ui->startAddressEdit, &QLineEdit::textChanged, this, &CAddAddress::ShowPreview);
    connect(m_ui->lengthEdit, &QLineEdit::textChanged, this, &CAddAddress::ShowPreview);
    connect(m_ui->dataTypeCombo, &QComboBox::currentIndexChanged, this, &CAddAddress::ShowPreview);
    ShowPreview();
    m_ui->startAddressEdit->setFocus();
    m_ui->startAddressEdit->selectAll();
}

CAddAddress::~CAddAddress() = default;

void CAddAddress::ReadFields()
{
    m_startAddress = monitor::ParseUnsignedAuto(m_ui->startAddressEdit->text().toStdString());
    m_length = monitor::ParseUnsignedAuto(m_ui->lengthEdit->text().toStdString());
    m_viewType = static_cast<monitor::ViewType>(
        std::max(m_ui->dataTypeCombo->currentIndex(), 0) + kFirstType);
}

void CAddAddress::ShowPreview()
{
    // The lenient reading adds what it read, so the user sees it before OK.
    ReadFields();
    const QString text =
        AddAddressPreview(m_startAddress, m_length, m_viewType, monitor::WatchList::kMaxRunRows);
    ShowPreviewText(m_ui->previewLabel, text);
    m_ui->startAddressEdit->setAccessibleDescription(text);
    m_ui->lengthEdit->setAccessibleDescription(text);
}

void CAddAddress::accept()
{
    ReadFields();
    QDialog::accept();
}
