#include "report/Messages.h"
#include "tests/support/RecordingView.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

// Every status-line message by the number the operations report and the text the user
// reads, wording and all.
const std::vector<std::pair<int, std::string>> kShownTexts = {
    {101, "&About Quobin..."},
    {102, "Failed to JTAG initialize"},
    {103, "Failed to Unlocked to the FLASH"},
    {104, "Failed activated EONCE"},
    {105, "Failed to download firmware to the MCU"},
    {106, "Failed to erase FLASH"},
    {107, "Failed to download DFLASH to the MCU"},
    {108, "Failed to download BFLASH to the MCU"},
    {109, "Failed to download P1FLASH to the MCU"},
    {110, "Failed to download P2FLASH to the MCU"},
    {111, "Failed to write information to the POD"},
    {112, "Failed to write firmware to the POD"},
    {113, "Failed to write DFLASH to the POD"},
    {114, "Failed to write BFLASH to the POD"},
    {115, "Failed to write P1FLASH to the POD"},
    {116, "Failed to write P2FLASH to the POD"},
    {117, "Device is not connected to the PC."},
    {118, "Failed to open USB port"},
    {119, "Success to download and verify FLASH to the MCU"},
    {120, "Success to download FLASH to the MCU"},
    {121, "Success to verify FLASH to the MCU"},
    {122, "Success to download and verify FLASH to the POD"},
    {123, "Success to download FLASH to the POD"},
    {124, "Success to verify FLASH to the POD"},
    {125, "Success to firmware update to the POD"},
    {126, "Failed to firmware update to the POD"},
    {127, "Initializing..."},
};

TEST(Messages, EachNumberShowsItsTextInTheColourItIsReportedWith)
{
    for (const auto& [id, text] : kShownTexts) {
        support::RecordingView view;
        view.ReportStatus(id, true);
        view.ReportStatus(id, false);
        EXPECT_EQ(view.Events(),
                  (std::vector<std::string>{"status red " + text, "status black " + text}))
            << id;
    }
}

TEST(Messages, NumbersOutsideTheTableShowAnEmptyLineAndFreeTextIsBlack)
{
    for (int id : {-1, 0, 100, 128}) {
        EXPECT_EQ(report::MessageText(id), "") << id;
    }
    support::RecordingView view;
    view.SetStatusText("PROGRAM1 FLASH Download & Verify");
    EXPECT_EQ(view.Events(),
              (std::vector<std::string>{"status black PROGRAM1 FLASH Download & Verify"}));
}

} // namespace
