#pragma once

#include "platform/Interrupt.h"
#include "station/CancelToken.h"

namespace cli {

// A second Ctrl+C within this time of the first ends quobin-cli at once.
inline constexpr unsigned kSecondInterruptMs = 2000;

// While it lives, Ctrl+C (SIGINT, SIGTERM, a console's control event) sets the token: a
// station's runs stop between two POD exchanges and end as interrupted (reported,
// printed and logged like any other), a watch ends after its cycle with its CSV whole. A
// second Ctrl+C within two seconds ends quobin-cli at once with 130. One at a time.
class RunInterrupt {
public:
    explicit RunInterrupt(station::CancelToken& token);
    ~RunInterrupt();
    RunInterrupt(const RunInterrupt&) = delete;
    RunInterrupt& operator=(const RunInterrupt&) = delete;

private:
    platform::InterruptScope m_scope;
};

} // namespace cli
