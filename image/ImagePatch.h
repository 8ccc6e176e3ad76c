#pragma once

#include "image/FlashImageSet.h"
#include "image/RunChoices.h"

#include <string>

namespace image {

// Addresses are those of the part's S files: program flash as the chip numbers it, data
// flash raised by the part's data-space offset (DataSpaceOffset), so a patch names the
// word the linker put there.

// The ticked region of the part that holds `count` words from `address` whole; -1 when
// none does.
int PatchRegion(int mcuType, const std::array<bool, kRegionCount>& ticked, std::uint64_t address,
                std::uint64_t count);

// Why a patch cannot be applied to a run on the part: "0x001000..0x001001 lies in no
// ticked region (P1FLASH 0x000000..0x03FFFF)"; empty when it can.
std::string PatchRefusal(int mcuType, const std::array<bool, kRegionCount>& ticked,
                         const WordPatch& patch);

// Writes the patch's words into the loaded images; the caller checked it with
// PatchRefusal. The region's transfer grows to cover the patch.
void ApplyPatch(int mcuType, const std::array<bool, kRegionCount>& ticked, const WordPatch& patch,
                FlashImageSet& images);

} // namespace image
