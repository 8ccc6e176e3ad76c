// The console's progress bar in each of its manners: none, redrawn in place over itself,
// and plain lines for a terminal that takes no escape sequences, which must never see a
// carriage return or an escape and gets a line per tenth of the way, not per step.
#include "cli/ConsoleView.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

using cli::ConsoleView;

std::string Bar(int position)
{
    return ConsoleView::ProgressBar(position, 100, 40);
}

struct Case {
    ConsoleView::Bar bar;
    std::string err;
};

TEST(ConsoleView, TheBarIsDrawnAsTheTerminalAllows)
{
    const std::string clear = "\r" + std::string(48, ' ') + "\r";
    const Case cases[] = {
        {ConsoleView::Bar::kNone, ""},
        {ConsoleView::Bar::kRedrawn, "\r" + Bar(0) + "\r" + Bar(5) + clear + "\r" + Bar(5) + "\r" +
                                         Bar(15) + "\r" + Bar(17) + "\r" + Bar(100)},
        {ConsoleView::Bar::kPlainLines, Bar(0) + "\n" + Bar(15) + "\n" + Bar(100) + "\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.bar));
        std::ostringstream out;
        std::ostringstream err;
        ConsoleView view(out, err, false, c.bar);
        view.SetProgressRange(100);
        view.SetProgressPos(5);
        view.ShowStatus("Erasing", false);
        view.SetProgressPos(15);
        view.SetProgressStep(2);
        view.StepProgress();
        view.SetProgressPos(100);
        EXPECT_EQ(out.str(), "Erasing\n");
        EXPECT_EQ(err.str(), c.err);
    }
}

} // namespace
