#include "monitor/ui/ValuePreview.h"

#include "monitor/ui/ListCells.h"
#include "monitor/ValueText.h"

#include <QAccessible>
#include <QLabel>
#include <QLineEdit>

#include <algorithm>

namespace {

// As many hex digits as the written word or words carry.
int HexDigits(monitor::ViewType viewType)
{
    if (viewType == monitor::BYTE_LOW || viewType == monitor::BYTE_HIGH) return 2;
    return monitor::IsTwoWordViewType(viewType) ? 8 : 4;
}

} // namespace

ValuePreview ValuePreview::Of(const QString& typed, monitor::ViewType viewType)
{
    const monitor::ValueTextReading reading =
        monitor::ReadValueText(typed.toStdString(), viewType);
    ValuePreview preview;
    if (!reading.bits) {
        preview.text = QStringLiteral("Not written: ") + QString::fromStdString(reading.error);
        return preview;
    }
    preview.bits = reading.bits;
    const QString hex =
        QStringLiteral("%1").arg(*reading.bits, HexDigits(viewType), 16, QLatin1Char('0'));
    preview.text = QStringLiteral("%1 as %2: 0x%3")
                       .arg(typed.trimmed(), QString::fromLatin1(monitor::ViewTypeName(viewType)),
                            hex.toUpper());
    return preview;
}

QString AddAddressPreview(std::uint32_t start, std::uint32_t length, monitor::ViewType viewType,
                          std::uint32_t maxRows)
{
    const std::uint32_t rows = std::min(length, maxRows);
    if (rows == 0) return QStringLiteral("Adds no row");
    if (rows == 1) return QStringLiteral("Adds ") + listcells::AddressText(start);
    const std::uint32_t step = monitor::IsTwoWordViewType(viewType) ? 2 : 1;
    return QStringLiteral("Adds %1 rows, %2 to %3")
        .arg(rows)
        .arg(listcells::AddressText(start), listcells::AddressText(start + (rows - 1) * step));
}

void ShowPreviewText(QLabel* preview, const QString& text)
{
    preview->setText(text);
    preview->setMinimumHeight(preview->heightForWidth(preview->width()));
}

void AlertRefusal(QLabel* preview, QLineEdit* edit)
{
    QAccessibleEvent alert(preview, QAccessible::Alert);
    QAccessible::updateAccessibility(&alert);
    edit->setFocus();
}
