#include "monitor/ui/ListCells.h"

namespace listcells {

const QIcon& IconForSize(std::int32_t sizeWords)
{
    static const QIcon word(QStringLiteral(":/monitor/monitor-row-word.png"));
    static const QIcon block(QStringLiteral(":/monitor/monitor-row-block.png"));
    return sizeWords > 2 ? block : word;
}

QString AddressText(std::uint32_t address)
{
    return QStringLiteral("0x") +
           QStringLiteral("%1").arg(address, 6, 16, QLatin1Char('0')).toUpper();
}

} // namespace listcells
