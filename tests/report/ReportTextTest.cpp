#include "report/CsvText.h"
#include "report/OutcomeText.h"

#include <gtest/gtest.h>

namespace {

using pod::PodOutcome;
using pod::PodStatus;

// Each outcome in the words the user reads; a wrong branch would tell a user with a POD
// that answered an error that it did not answer at all.
TEST(OutcomeText, EachOutcomeSaysWhatHappened)
{
    struct Case {
        PodOutcome outcome;
        const char* text;
    } cases[] = {
        {PodOutcome::Ok(), ""},
        {PodOutcome::Error(0x07), "the POD answered error 07 (no target on the cable)"},
        {PodOutcome::Error(0x4F), "the POD answered error 4F (unknown reason)"},
        {PodOutcome::Failed(PodStatus::NoAnswer, 100), "the POD did not answer within 100 ms"},
        {PodOutcome::Failed(PodStatus::BadReply, 1500),
         "the POD's reply was cut short or malformed"},
        {PodOutcome::Failed(PodStatus::LinkLost), "the connection to the POD was lost"},
        {PodOutcome::Failed(PodStatus::NotSent),
         "nothing was sent to the POD (not open, or a value that does not fit)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(report::DescribeOutcome(c.outcome), c.text);
}

TEST(CsvText, QuotesOnlyWhatASpreadsheetWouldSplit)
{
    EXPECT_EQ(report::CsvField("sineWave:FLOAT"), "sineWave:FLOAT");
    EXPECT_EQ(report::CsvField("a,b"), "\"a,b\"");
    EXPECT_EQ(report::CsvField("say \"hi\""), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(report::CsvField("two\nlines"), "\"two\nlines\"");
    EXPECT_EQ(report::CsvField("cr\r"), "\"cr\r\"");
    EXPECT_EQ(report::CsvField(""), "");
}

} // namespace
