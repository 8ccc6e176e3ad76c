#pragma once

#include <QString>

#include <array>

class QSettings;

// The monitoring window's persisted layout and choices, section "Monitoring". Read once
// when the window is set up and written once when the program ends.
struct MonitorSettings {
    int vSplitterPosition = 200; // window client pixels
    int hSplitterPosition = 200;
    std::array<int, 3> leftColumnWidths{100, 70, 90};
    std::array<int, 6> tRightColumnWidths{100, 100, 100, 100, 100, 160};
    bool showTypeColumn = false; // the symbol watch list's C "Type" column
    std::array<int, 3> bRightColumnWidths{100, 100, 100};
    int selectBps = 2;      // "38400"
    int selectInterval = 0; // "100 ms"
    QString mapFilePath;

    // Reads the section with its defaults. A list index outside its list, or a value that
    // is not a number, takes the default, so that no stored value can index a table.
    static MonitorSettings Load(QSettings& settings);
    void Save(QSettings& settings) const;
};
