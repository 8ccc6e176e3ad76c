#pragma once

#include <array>
#include <string>
#include <vector>

namespace image {
class McuSelection;
class FlashImageSet;
} // namespace image

namespace ops {

// What a loaded S file holds that the run will not program, the usual sign of a file
// built for another part or of a region left unticked: one warning for words outside
// every region of the part, one for each unticked region that holds words. Empty when
// the file fits the choice.
//   "Warning: 104 words of demo.s lie outside every region of DSP56F805 (first at
//    0x2004000); check MCU Select"
//   "Warning: 40 words of demo.s lie in DFLASH, which is not ticked; they are not programmed"
std::vector<std::string> WrongPartWarnings(const image::FlashImageSet& images,
                                           const image::McuSelection& selection,
                                           const std::array<bool, 4>& ticked,
                                           const std::string& filePath);

} // namespace ops
