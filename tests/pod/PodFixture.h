#pragma once

#include "pod/PodClock.h"
#include "pod/PodSession.h"
#include "tests/support/ScriptedUsbDriver.h"

#include <gtest/gtest.h>

namespace pod::test {

// A session over the scripted driver on a virtual clock; OpenCommandSession() leaves it
// open in the command configuration with the call record cleared.
class PodFixture : public ::testing::Test {
protected:
    void OpenCommandSession()
    {
        session.ProbePod();
        ASSERT_TRUE(session.OpenPodSession());
        driver.ClearCalls();
    }

    VirtualPodClock clock{1000};
    ScriptedUsbDriver driver{clock};
    PodSession session{driver, clock};
};

} // namespace pod::test
