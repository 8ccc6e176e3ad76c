#include "report/Messages.h"

#include <array>

namespace report {

namespace {
constexpr int kFirstId = 101;
// The texts are the product's own, typos included: users and scripts match on them.
constexpr std::array<std::string_view, 27> kTexts = {
    "&About Quobin...",
    "Failed to JTAG initialize",
    "Failed to Unlocked to the FLASH",
    "Failed activated EONCE",
    "Failed to download firmware to the MCU",
    "Failed to erase FLASH",
    "Failed to download DFLASH to the MCU",
    "Failed to download BFLASH to the MCU",
    "Failed to download P1FLASH to the MCU",
    "Failed to download P2FLASH to the MCU",
    "Failed to write information to the POD",
    "Failed to write firmware to the POD",
    "Failed to write DFLASH to the POD",
    "Failed to write BFLASH to the POD",
    "Failed to write P1FLASH to the POD",
    "Failed to write P2FLASH to the POD",
    "Device is not connected to the PC.",
    "Failed to open USB port",
    "Success to download and verify FLASH to the MCU",
    "Success to download FLASH to the MCU",
    "Success to verify FLASH to the MCU",
    "Success to download and verify FLASH to the POD",
    "Success to download FLASH to the POD",
    "Success to verify FLASH to the POD",
    "Success to firmware update to the POD",
    "Failed to firmware update to the POD",
    "Initializing...",
};
} // namespace

std::string_view MessageText(int id)
{
    if (id < kFirstId || id >= kFirstId + static_cast<int>(kTexts.size())) return {};
    return kTexts[static_cast<std::size_t>(id - kFirstId)];
}

} // namespace report
