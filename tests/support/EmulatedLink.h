#pragma once

#include "pod/PodClock.h"
#include "pod/PodSession.h"
#include "pod/TracingUsbDriver.h"
#include "sim/SimOptions.h"
#include "sim/SimUsbDriver.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace support {

// An emulated POD on a virtual clock behind a tracer, for the tests of the workers that
// drive it: the session to hand them, and the frames they sent.
class EmulatedLink {
    // Declared first: the tracer writes its last lines while the link is torn down.
    std::mutex m_traceMutex;
    std::vector<std::string> m_trace;

public:
    explicit EmulatedLink(const sim::SimOptions& options = {}, std::uint32_t startMs = 0)
        : clock(startMs), sim(sim::CreateSimDriver(options, clock)),
          tracer(*sim, clock,
                 [this](const std::string& line) {
                     std::lock_guard lock(m_traceMutex);
                     m_trace.push_back(line);
                 }),
          session(tracer, clock)
    {
    }

    // Payloads of the frames sent, without ':', checksum and CR.
    std::vector<std::string> Sent()
    {
        std::lock_guard lock(m_traceMutex);
        std::vector<std::string> payloads;
        for (const std::string& line : m_trace) {
            const auto at = line.find("> :");
            if (at == std::string::npos) continue;
            std::string frame = line.substr(at + 3);
            frame.resize(frame.find("\\r"));
            payloads.push_back(frame.substr(0, frame.size() - 2));
        }
        return payloads;
    }

    pod::VirtualPodClock clock;
    std::unique_ptr<sim::SimUsbDriver> sim;
    pod::TracingUsbDriver tracer;
    pod::PodSession session;
};

// What a worker thread records, and a bounded wait for it (bounded in case of a fault).
class WorkerEvents {
public:
    // Records under the lock, then wakes the waiting test.
    void Record(const std::function<void()>& change)
    {
        {
            std::lock_guard lock(m_mutex);
            change();
        }
        m_changed.notify_all();
    }
    bool WaitUntil(const std::function<bool()>& done)
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::seconds(20), done);
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
};

} // namespace support
