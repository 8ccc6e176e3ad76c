#pragma once

#include <atomic>

namespace station {

// The stop request of a station's runs: every POD's run obeys it between two exchanges.
// Request() is a store into a lock-free atomic and nothing else, so a signal handler or
// a console control thread may call it.
class CancelToken {
public:
    static_assert(std::atomic<bool>::is_always_lock_free);

    void Request() noexcept { m_requested.store(true); }
    void Clear() noexcept { m_requested.store(false); }
    bool Requested() const noexcept { return m_requested.load(); }
    const std::atomic<bool>* flag() const noexcept { return &m_requested; }

private:
    std::atomic<bool> m_requested{false};
};

} // namespace station
