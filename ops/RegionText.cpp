#include "ops/RegionText.h"

namespace ops {

std::string RegionActivityText(int region, std::uint8_t programMode)
{
    static const char* const names[] = {"DATA FLASH", "BOOT FLASH", "PROGRAM1 FLASH",
                                        "PROGRAM2 FLASH"};
    static const char* const kinds[] = {"Verify", "Download", "Download & Verify"};
    const char* kind = programMode < 3 ? kinds[programMode] : "";
    return std::string(names[region & 3]) + " " + kind;
}

} // namespace ops
