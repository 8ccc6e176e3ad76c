#include "pod/FtdiUsbDriver.h"
#include "pod/FtdiReceiveBuffer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <string>

namespace pod {
namespace {

TEST(FtdiUsbDriver, CharacterFormatsMapToLibftdiValues)
{
    FtdiUsbDriver::LineProperties line{};
    ASSERT_TRUE(FtdiUsbDriver::MapLineProperties(kFtBits8, kFtStopBits1, kFtParityNone, line));
    EXPECT_EQ(line.bits, 8);
    EXPECT_EQ(line.stopBits, 0);
    EXPECT_EQ(line.parity, 0);
    ASSERT_TRUE(FtdiUsbDriver::MapLineProperties(kFtBits8, kFtStopBits1, kFtParityEven, line));
    EXPECT_EQ(line.parity, 2); // libftdi's EVEN
    ASSERT_TRUE(FtdiUsbDriver::MapLineProperties(7, 2, 1, line));
    EXPECT_EQ(line.stopBits, 2); // libftdi's STOP_BIT_2
    EXPECT_FALSE(FtdiUsbDriver::MapLineProperties(6, 0, 0, line));
    EXPECT_FALSE(FtdiUsbDriver::MapLineProperties(8, 1, 0, line));
    EXPECT_FALSE(FtdiUsbDriver::MapLineProperties(8, 0, 5, line));
}

TEST(FtdiUsbDriver, FlowControlMapsToSioValues)
{
    int sio = -1;
    ASSERT_TRUE(FtdiUsbDriver::MapFlowControl(kFtFlowNone, sio));
    EXPECT_EQ(sio, 0);
    ASSERT_TRUE(FtdiUsbDriver::MapFlowControl(0x0100, sio));
    EXPECT_EQ(sio, 0x100);
    EXPECT_FALSE(FtdiUsbDriver::MapFlowControl(0x0800, sio));
}

// libftdi's own reasons, as its calls leave them, and what the user reads for each.
TEST(FtdiUsbDriver, FailuresNameTheCallLibftdisReasonAndWhatToDo)
{
    const std::string kernel = "The kernel's ftdi_sio driver holds the device: unload it (sudo "
                               "rmmod ftdi_sio) or unbind the POD from it, then try again.";
    const std::string udev =
        "No permission to open the USB device: add a udev rule such as SUBSYSTEM==\"usb\", "
        "ATTRS{idVendor}==\"0403\", MODE=\"0660\", GROUP=\"plugdev\" in /etc/udev/rules.d/, "
        "reload the rules and plug the POD in again.";
    const std::string unplugged =
        "The POD may have been unplugged: check the cable, plug it in again and retry.";
    const std::string noUsb = "libusb cannot reach the USB subsystem on this system: check that "
                              "/dev/bus/usb exists (a container must be given the host's USB "
                              "devices).";
    const struct {
        const char* call;
        int result;
        const char* reason;
        std::string hint;
    } cases[] = {
        {"ftdi_usb_open_dev", -5,
         "unable to claim usb device. Make sure the default FTDI driver is not in use", kernel},
        {"ftdi_usb_open_dev", -10,
         "unable to set usb configuration. Make sure the default FTDI driver is not in use",
         kernel},
        {"ftdi_usb_open_dev", -4, "libusb_open() failed", udev},
        {"ftdi_usb_find_all", -5, "libusb_get_device_list() failed", noUsb},
        {"ftdi_write_data", -1, "usb bulk write failed", unplugged},
        {"ftdi_read_data", -1, "usb bulk read failed", unplugged},
        {"ftdi_usb_reset", -2, "USB device unavailable", unplugged},
        {"ftdi_set_baudrate", -2, "Setting new baudrate failed", unplugged},
        {"ftdi_set_baudrate", -1, "Silly baudrate <= 0.", ""},
    };
    for (const auto& c : cases) {
        std::string expected = std::string("libftdi: ") + c.call + " failed (" +
                               std::to_string(c.result) + "): " + c.reason;
        if (!c.hint.empty()) expected += ". " + c.hint;
        EXPECT_EQ(FtdiUsbDriver::DescribeFailure(c.call, c.result, c.reason), expected);
    }
    // One whole, as it reaches the command line.
    EXPECT_EQ(FtdiUsbDriver::DescribeFailure("ftdi_write_data", -1, "usb bulk write failed"),
              "libftdi: ftdi_write_data failed (-1): usb bulk write failed. The POD may have been "
              "unplugged: check the cable, plug it in again and retry.");
}

TEST(FtdiUsbDriver, InvalidHandlesAreRefusedAndUnloadedCallsFail)
{
    FtdiUsbDriver driver;
    std::uint32_t n = 9;
    EXPECT_EQ(driver.ListDeviceCount(&n), kFtOtherError);
    EXPECT_EQ(n, 0u);
    int bogus = 0;
    char byte = 0;
    EXPECT_EQ(driver.Read(&bogus, &byte, 1, &n), kFtInvalidHandle);
    EXPECT_EQ(driver.Write(&bogus, "x", 1, &n), kFtInvalidHandle);
    EXPECT_EQ(driver.Close(&bogus), kFtInvalidHandle);
    EXPECT_FALSE(driver.LastError().empty());
    EXPECT_FALSE(driver.IsLoaded());
}

TEST(FtdiUsbDriver, ALoadedLibraryEnumeratesAndUnloads)
{
    FtdiUsbDriver driver;
    if (!driver.Load()) GTEST_SKIP() << "no USB subsystem on this machine: " << driver.LastError();
    EXPECT_TRUE(driver.IsLoaded());
    std::uint32_t count = 99;
    EXPECT_EQ(driver.ListDeviceCount(&count), kFtOk) << driver.LastError();
    EXPECT_NE(count, 99u);
    driver.Unload();
    EXPECT_FALSE(driver.IsLoaded());
}

// A device that delivers scripted USB transfers, one per poll.
struct ScriptedUsb {
    std::deque<std::string> transfers;
    int polls = 0;
    int error = 0;
    FtdiReceiveBuffer::Pull Pull()
    {
        return [this](std::uint8_t* buffer, int size) {
            ++polls;
            if (error) return error;
            if (transfers.empty()) return 0;
            std::string t = transfers.front();
            transfers.pop_front();
            const int n = std::min(size, static_cast<int>(t.size()));
            std::memcpy(buffer, t.data(), static_cast<std::size_t>(n));
            return n;
        };
    }
};

TEST(FtdiReceiveBuffer, ReadReturnsAtOnceWithNothingWaitingAfterOnePoll)
{
    ScriptedUsb usb;
    FtdiReceiveBuffer rx;
    char byte = 0;
    EXPECT_EQ(rx.Read(usb.Pull(), &byte, 1), 0);
    EXPECT_EQ(usb.polls, 1);
}

TEST(FtdiReceiveBuffer, OneTransferIsServedByteByByteWithoutFurtherPolls)
{
    ScriptedUsb usb;
    usb.transfers = {":0161\r"};
    FtdiReceiveBuffer rx;
    std::string got;
    for (int i = 0; i < 6; ++i) {
        char byte = 0;
        ASSERT_EQ(rx.Read(usb.Pull(), &byte, 1), 1);
        got += byte;
    }
    EXPECT_EQ(got, ":0161\r");
    EXPECT_EQ(usb.polls, 1);
    EXPECT_EQ(rx.size(), 0u);
}

TEST(FtdiReceiveBuffer, QueueStatusPollsAndCountsEverythingWaiting)
{
    ScriptedUsb usb;
    usb.transfers = {"ab", "cde"};
    FtdiReceiveBuffer rx;
    EXPECT_EQ(rx.Poll(usb.Pull()), 2);
    EXPECT_EQ(rx.Poll(usb.Pull()), 3);
    EXPECT_EQ(rx.size(), 5u);
    char bytes[8] = {};
    EXPECT_EQ(rx.Read(usb.Pull(), bytes, 8), 5);
    EXPECT_STREQ(bytes, "abcde");
    EXPECT_EQ(usb.polls, 2);
    rx.Poll(usb.Pull());
    rx.Clear();
    EXPECT_EQ(rx.size(), 0u);
}

TEST(FtdiReceiveBuffer, UsbErrorsPassThrough)
{
    ScriptedUsb usb;
    usb.error = -666;
    FtdiReceiveBuffer rx;
    char byte = 0;
    EXPECT_EQ(rx.Read(usb.Pull(), &byte, 1), -666);
    EXPECT_EQ(rx.Poll(usb.Pull()), -666);
    EXPECT_EQ(rx.size(), 0u);
}

} // namespace
} // namespace pod
