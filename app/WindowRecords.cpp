#include "app/WindowRecords.h"

#include "platform/Identity.h"
#include "records/OpenStore.h"
#include "station/Station.h"

#include <QSettings>

namespace app {

std::string OpenWindowRecords(station::Station& station, QSettings& settings)
{
    settings.beginGroup(QStringLiteral("Records"));
    const std::string where = settings.value(QStringLiteral("Store")).toString().trimmed().toStdString();
    std::string stationName = settings.value(QStringLiteral("Station")).toString().trimmed().toStdString();
    std::string operatorName = settings.value(QStringLiteral("Operator")).toString().trimmed().toStdString();
    std::string spool = settings.value(QStringLiteral("Spool")).toString().trimmed().toStdString();
    settings.endGroup();
    if (where.empty()) return {};

    records::StoreOpening opening = records::OpenRecordStore(where, spool);
    if (!opening.store) return "No production records are kept: " + opening.error;
    station::RecordContext context;
    context.station = stationName.empty() ? platform::HostName() : stationName;
    context.operatorName = operatorName.empty() ? platform::LoginName() : operatorName;
    context.emulated = station.emulated();
    station.records().SetStore(std::move(opening.store), std::move(context));
    return opening.note;
}

} // namespace app
