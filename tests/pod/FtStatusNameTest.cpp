#include "pod/FtStatusName.h"

#include <gtest/gtest.h>

#include <string>

namespace pod {
namespace {

// The values and names of FTDI's D2XX programmer's guide, every one of them.
TEST(FtStatusName, NamesEveryD2xxStatus)
{
    const struct {
        FtStatus status;
        const char* name;
    } cases[] = {
        {0, "FT_OK"},
        {1, "FT_INVALID_HANDLE"},
        {2, "FT_DEVICE_NOT_FOUND"},
        {3, "FT_DEVICE_NOT_OPENED"},
        {4, "FT_IO_ERROR"},
        {5, "FT_INSUFFICIENT_RESOURCES"},
        {6, "FT_INVALID_PARAMETER"},
        {7, "FT_INVALID_BAUD_RATE"},
        {8, "FT_DEVICE_NOT_OPENED_FOR_ERASE"},
        {9, "FT_DEVICE_NOT_OPENED_FOR_WRITE"},
        {10, "FT_FAILED_TO_WRITE_DEVICE"},
        {11, "FT_EEPROM_READ_FAILED"},
        {12, "FT_EEPROM_WRITE_FAILED"},
        {13, "FT_EEPROM_ERASE_FAILED"},
        {14, "FT_EEPROM_NOT_PRESENT"},
        {15, "FT_EEPROM_NOT_PROGRAMMED"},
        {16, "FT_INVALID_ARGS"},
        {17, "FT_NOT_SUPPORTED"},
        {18, "FT_OTHER_ERROR"},
        {19, "FT_DEVICE_LIST_NOT_READY"},
        {20, "unknown status"},
        {0xFFFFFFFFu, "unknown status"},
    };
    for (const auto& c : cases)
        EXPECT_STREQ(FtStatusName(c.status), c.name) << "status " << c.status;
    // The constants the back ends return carry the names their meaning has.
    EXPECT_STREQ(FtStatusName(kFtDeviceNotFound), "FT_DEVICE_NOT_FOUND");
    EXPECT_STREQ(FtStatusName(kFtOtherError), "FT_OTHER_ERROR");
}

} // namespace
} // namespace pod
