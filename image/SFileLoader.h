#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "image/FlashImageSet.h"
#include "image/McuSelection.h"
#include "image/RunChoices.h"
#include "image/RunSettings.h"

namespace image {

constexpr int kResetPolarityCount = 2; // "Active Low", "Active High"

// What a load has to show (status line, region labels), and the settings the operations
// use next.
struct SFileLoadOutcome {
    bool ok = false;
    std::string statusText;
    bool error = false; // red status line when set, black otherwise
    // For a file that cannot be found or read: "PATH: the system's reason", for logs and the
    // command line (the status line keeps its own message).
    std::string detail;
    // The region check boxes are relabelled only when the file was read.
    bool labelsChanged = false;
    std::array<std::string, kRegionCount> labels;
    // Settings are taken once the path and the region boxes passed their checks.
    bool settingsTaken = false;
    RunSettings settings;
};

// Loads the S file the choices name into images, with their part selected.
// Failures before the file is read leave selection and images as they were; a file that
// cannot be read leaves blank images.
//
// Index values outside their lists never index a table: an unknown MCU index loads for
// MC56F8367, an unknown polarity index counts as 0 "Active Low", an unknown delay index
// as 100 ms.
SFileLoadOutcome LoadSFile(const RunChoices& choices, McuSelection& selection,
                           FlashImageSet& images);

// Label of a region check box: "DFLASH (12 Word, 0.1%)", or "DFLASH (0 Word, 0%)" when
// nothing was stored; the percentage of the region's size in single precision.
std::string RegionLabel(int region, std::uint32_t wordCount, const McuSelection& selection);

} // namespace image
