#include "monitor/ui/MonitorSettings.h"

#include "monitor/MonitorWorker.h"

#include <QSettings>

#include <iterator>

namespace {

int ReadInt(QSettings& settings, const QString& key, int fallback, int low, int high)
{
    bool ok = false;
    const int value = settings.value(key, fallback).toInt(&ok);
    return ok && value >= low && value <= high ? value : fallback;
}

template <std::size_t N>
void ReadWidths(QSettings& settings, const char* prefix, std::array<int, N>& widths)
{
    for (std::size_t i = 0; i < N; ++i)
        widths[i] = ReadInt(settings, QStringLiteral("%1 %2 Column Width").arg(prefix).arg(i),
                            widths[i], 0, 100000);
}

template <std::size_t N>
void WriteWidths(QSettings& settings, const char* prefix, const std::array<int, N>& widths)
{
    for (std::size_t i = 0; i < N; ++i)
        settings.setValue(QStringLiteral("%1 %2 Column Width").arg(prefix).arg(i), widths[i]);
}

} // namespace

MonitorSettings MonitorSettings::Load(QSettings& settings)
{
    MonitorSettings loaded;
    settings.beginGroup(QStringLiteral("Monitoring"));
    loaded.vSplitterPosition = ReadInt(settings, QStringLiteral("VSplitter Position"),
                                       loaded.vSplitterPosition, 0, 100000);
    loaded.hSplitterPosition = ReadInt(settings, QStringLiteral("HSplitter Position"),
                                       loaded.hSplitterPosition, 0, 100000);
    ReadWidths(settings, "Left", loaded.leftColumnWidths);
    ReadWidths(settings, "TRight", loaded.tRightColumnWidths);
    ReadWidths(settings, "BRight", loaded.bRightColumnWidths);
    loaded.selectBps = ReadInt(settings, QStringLiteral("Select BPS"), loaded.selectBps, 0,
                               static_cast<int>(std::size(monitor::kMonitorBaudTexts)) - 1);
    loaded.selectInterval =
        ReadInt(settings, QStringLiteral("Select Interval"), loaded.selectInterval, 0,
                monitor::kIntervalChoiceCount - 1);
    loaded.mapFilePath = settings.value(QStringLiteral("Map File Path"), QString()).toString();
    loaded.showTypeColumn = settings.value(QStringLiteral("Show Type Column"), false).toBool();
    settings.endGroup();
    return loaded;
}

void MonitorSettings::Save(QSettings& settings) const
{
    settings.beginGroup(QStringLiteral("Monitoring"));
    settings.setValue(QStringLiteral("VSplitter Position"), vSplitterPosition);
    settings.setValue(QStringLiteral("HSplitter Position"), hSplitterPosition);
    WriteWidths(settings, "Left", leftColumnWidths);
    WriteWidths(settings, "TRight", tRightColumnWidths);
    WriteWidths(settings, "BRight", bRightColumnWidths);
    settings.setValue(QStringLiteral("Select BPS"), selectBps);
    settings.setValue(QStringLiteral("Select Interval"), selectInterval);
    settings.setValue(QStringLiteral("Map File Path"), mapFilePath);
    settings.setValue(QStringLiteral("Show Type Column"), showTypeColumn);
    settings.endGroup();
    settings.sync();
}
