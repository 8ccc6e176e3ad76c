#pragma once

#include <string>

#include "image/FlashImageSet.h"
#include "image/McuSelection.h"

namespace image {

// Reads a Motorola S-record file into the four region images of the selected part, in one
// pass with a fixed amount of memory.
//
// Only S3 records are used: "S3", byte count, 32-bit word address, data, checksum. Each
// data word is four hex digits, low byte first ("3412" is 0x1234); the byte count covers
// address, data and checksum, so a record holds (count - 5) / 2 words and an odd trailing
// byte is dropped. The checksum is not verified. Each word is placed by four tests in
// order, and may be stored by more than one:
//   1. P1FLASH  first..last
//   2. P2FLASH  first..last
//   3. BFLASH   first..last for addresses above 3; program words 0..3 of the 56800 parts
//               DSP56F801..DSP56F807 (types 0..4) go to BFLASH words 0..3, where those
//               chips keep their reset and COP vectors
//   4. DFLASH   first..last raised by the part's DataSpaceOffset
// Words no test takes are counted with their address ranges.
//
// Tokens over 1023 characters, records with a byte count below 5 or no whole word, records
// shorter than their byte count and records with a non-hex digit are skipped whole; nothing
// is read or written past a token or an image.
//
// Returns false when the file cannot be opened or a read fails part-way, with the system's
// reason in *reason when given; the images are cleared first in every case.
bool ReadSRecords(const std::string& path, const McuSelection& selection, FlashImageSet& images,
                  std::string* reason = nullptr);

} // namespace image
