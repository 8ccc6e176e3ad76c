#include "app/WindowRecords.h"

#include "station/Station.h"

#include <QSettings>

namespace app {

std::string OpenWindowRecords(station::Station& station, QSettings& settings)
{
    settings.beginGroup(QStringLiteral("Records"));
    const std::string where = settings.value(QStringLiteral("Store")).toString().trimmed().toStdString();
    const std::string stationName = settings.value(QStringLiteral("Station")).toString().trimmed().toStdString();
    const std::string operatorName = settings.value(QStringLiteral("Operator")).toString().trimmed().toStdString();
    const std::string spool = settings.value(QStringLiteral("Spool")).toString().trimmed().toStdString();
    settings.endGroup();
    if (where.empty()) return {};

    std::string note;
    if (const std::string error = station.OpenRecords(where, spool, stationName, operatorName, note);
        !error.empty())
        return "No production records are kept: " + error;
    return note;
}

} // namespace app
