#pragma once

#include "image/McuCatalog.h"

#include <QString>
#include <QStringList>

#include <memory>

class QSettings;

namespace app {

// The programmer window's persisted choices, section "Main". Read once at start, after
// the lists are filled, and written once when the window goes away.
struct MainSettings {
    static constexpr int kPolarityCount = 2; // "Active Low", "Active High"
    static constexpr int kDelayCount = 5;    // "1 ms" .. "500 ms"

    int mcuType = image::kDefaultMcuType;
    bool afterReset = false;
    int resetPolarity = 0;
    int resetDelay = 0;
    QString filePath;
    // S files chosen lately, newest first, at most kRecentCount.
    QStringList recentFiles;
    static constexpr int kRecentCount = 8;
    // The POD chosen among several, by its serial number; empty when none was.
    QString podSerial;

    // Reads the section with its defaults. An index outside its list (or a value that is
    // not a number) takes the default, so that no stored value can index a table.
    static MainSettings Load(QSettings& settings, int mcuCount);
    void Save(QSettings& settings) const;
};

// The per-user settings store of the program ("Ulmvero"/"Quobin"; on Windows the
// registry key HKCU\Software\Ulmvero\Quobin).
std::unique_ptr<QSettings> OpenQuobinSettings();

} // namespace app
