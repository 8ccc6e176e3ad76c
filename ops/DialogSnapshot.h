#pragma once

#include <array>
#include <string>

namespace ops {

// The programmer window's values, captured on the UI thread when an operation
// starts, so that a worker never reads a widget.
struct DialogSnapshot {
    int mcuIndex = 27;                   // "MCU Select" list index
    bool resetAfter = false;             // "Target reset after downloading program"
    int resetPolarityIndex = 0;          // "Reset Polarity": 0 Active Low, 1 Active High
    int resetDelayIndex = 0;             // "Reset Delay": index into the delay table
    std::string sFilePath;               // S File Path field text, untrimmed
    std::array<bool, 4> regionChecked{}; // DFLASH, BFLASH, P1FLASH, P2FLASH boxes
};

} // namespace ops
