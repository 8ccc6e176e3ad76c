#include "app/MainSettings.h"

#include <QSettings>

namespace {

const char* const kSection = "Main";
const char* const kKeyMcuType = "MCU Type";
const char* const kKeyAfterReset = "After Reset";
const char* const kKeyResetPolarity = "Reset Polarity";
const char* const kKeyResetDelay = "Reset Delay";
const char* const kKeyFilePath = "File Path";
const char* const kKeyRecentFiles = "Recent Files";
const char* const kKeyPodSerial = "POD Serial";

int ReadIndex(const QSettings& settings, const char* key, int count, int fallback)
{
    bool ok = false;
    const int value = settings.value(key, fallback).toInt(&ok);
    return ok && value >= 0 && value < count ? value : fallback;
}

} // namespace

namespace app {

MainSettings MainSettings::Load(QSettings& settings, int mcuCount)
{
    MainSettings loaded;
    settings.beginGroup(kSection);
    const int mcuFallback = image::kDefaultMcuType < mcuCount ? image::kDefaultMcuType : 0;
    loaded.mcuType = ReadIndex(settings, kKeyMcuType, mcuCount, mcuFallback);
    bool ok = false;
    const int after = settings.value(kKeyAfterReset, 0).toInt(&ok);
    loaded.afterReset = ok && after != 0;
    loaded.resetPolarity = ReadIndex(settings, kKeyResetPolarity, kPolarityCount, 0);
    loaded.resetDelay = ReadIndex(settings, kKeyResetDelay, kDelayCount, 0);
    loaded.filePath = settings.value(kKeyFilePath, QString()).toString();
    loaded.recentFiles = settings.value(kKeyRecentFiles, QStringList()).toStringList();
    loaded.recentFiles.removeAll(QString());
    while (loaded.recentFiles.size() > kRecentCount)
        loaded.recentFiles.removeLast();
    loaded.podSerial = settings.value(kKeyPodSerial, QString()).toString();
    settings.endGroup();
    return loaded;
}

void MainSettings::Save(QSettings& settings) const
{
    settings.beginGroup(kSection);
    settings.setValue(kKeyMcuType, mcuType);
    settings.setValue(kKeyAfterReset, afterReset ? 1 : 0);
    settings.setValue(kKeyResetPolarity, resetPolarity);
    settings.setValue(kKeyResetDelay, resetDelay);
    settings.setValue(kKeyFilePath, filePath);
    settings.setValue(kKeyRecentFiles, recentFiles.mid(0, kRecentCount));
    settings.setValue(kKeyPodSerial, podSerial);
    settings.endGroup();
    settings.sync();
}

std::unique_ptr<QSettings> OpenQuobinSettings()
{
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QStringLiteral("Ulmvero"), QStringLiteral("Quobin"));
}

} // namespace app
