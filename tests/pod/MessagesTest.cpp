#include "pod/Messages.h"
#include "pod/StatusSink.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

TEST(Messages, TableTextsByIdIncludingTheirOriginalWording)
{
    EXPECT_EQ(pod::MessageText(101), "&About Quobin...");
    EXPECT_EQ(pod::MessageText(103), "Failed to Unlocked to the FLASH");
    EXPECT_EQ(pod::MessageText(104), "Failed activated EONCE");
    EXPECT_EQ(pod::MessageText(117), "Device is not connected to the PC.");
    EXPECT_EQ(pod::MessageText(118), "Failed to open USB port");
    EXPECT_EQ(pod::MessageText(119), "Success to download and verify FLASH to the MCU");
    EXPECT_EQ(pod::MessageText(126), "Failed to firmware update to the POD");
    EXPECT_EQ(pod::MessageText(127), "Initializing...");
}

TEST(Messages, IdsWithoutTextGiveAnEmptyText)
{
    EXPECT_EQ(pod::MessageText(100), "");
    EXPECT_EQ(pod::MessageText(128), "");
    EXPECT_EQ(pod::MessageText(-1), "");
}

struct Recorder : pod::StatusSink {
    std::vector<std::pair<std::string, bool>> lines;
    void ShowStatus(const std::string& text, bool error) override
    {
        lines.emplace_back(text, error);
    }
    void SetProgressRange(int) override {}
    void SetProgressStep(int) override {}
    void StepProgress() override {}
    void SetProgressPos(int) override {}
    void SetControlsEnabled(bool) override {}
};

TEST(StatusSink, ReportStatusShowsTheTableTextInTheErrorColourAndSetStatusTextInBlack)
{
    Recorder r;
    r.ReportStatus(117, true);
    r.ReportStatus(127, false);
    r.SetStatusText("PROGRAM1 FLASH Download && Verify");
    ASSERT_EQ(r.lines.size(), 3u);
    EXPECT_EQ(r.lines[0], std::make_pair(std::string("Device is not connected to the PC."), true));
    EXPECT_EQ(r.lines[1], std::make_pair(std::string("Initializing..."), false));
    EXPECT_EQ(r.lines[2], std::make_pair(std::string("PROGRAM1 FLASH Download && Verify"), false));
}

} // namespace
