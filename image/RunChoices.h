#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "image/McuCatalog.h"

namespace image {

// What the user chose for a programming run, as positions in the lists the user picks
// from: the programmer window captures it on the UI thread when a load or an operation
// starts (so a worker never reads a widget); the command line and scripts fill it the
// same way. Values outside their lists are allowed here: the S-file load decides what
// they mean.
// Words written over the loaded image before a run, so that they are programmed and
// verified with the rest (a unit's serial number): at a word address as the S file gives
// it, inside a ticked region.
struct WordPatch {
    std::uint32_t address = 0;
    std::vector<std::uint16_t> words;
};

struct RunChoices {
    int mcuIndex = kDefaultMcuType;                 // "MCU Select" list index
    bool resetAfter = false;                        // "Target reset after downloading program"
    int resetPolarityIndex = 0;                     // 0 "Active Low", 1 "Active High"
    int resetDelayIndex = 0;                        // "Reset Delay" list index: "1 ms"
    std::string sFilePath;                          // the S File Path text, untrimmed
    std::array<bool, kRegionCount> regionChecked{}; // region boxes in RegionIndex order
    std::vector<WordPatch> patches;                 // none from the window
};

} // namespace image
