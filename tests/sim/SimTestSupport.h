#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "pod/PodClock.h"
#include "sim/SimUsbDriver.h"

namespace simtest {

// Builds a command frame the way the protocol contract reads, independently of the
// emulator's own codec: ':' + payload + 8-bit character sum + CR.
std::string Frame(const std::string& payload);
// Payload helpers: "%0NX" of a value, and n data words.
std::string Hex(std::uint32_t value, int digits);
std::string Words(const std::vector<std::uint16_t>& words);
std::uint16_t Sum(const std::vector<std::uint16_t>& words);

// A POD on a bus of its own, opened in command (or boot) configuration, on a virtual
// clock.
class Bench {
public:
    explicit Bench(sim::SimOptions options = {});

    bool OpenCommand();
    bool OpenBoot();
    void Close();

    // Sends a frame for `payload` and reads what arrives within `waitMs` virtual ms.
    std::string Command(const std::string& payload, std::uint32_t waitMs = 50);
    // Sends raw bytes; returns what arrives within `waitMs`.
    std::string Raw(const std::string& bytes, std::uint32_t waitMs = 50);
    bool Ok(const std::string& payload) { return Command(payload).starts_with(":"); }

    // Target sequences in the host's order, for a part's loader.
    bool ConnectAndLoad(int type, int connectMode);
    std::vector<std::uint16_t> Loader(int type) const;

    pod::VirtualPodClock clock;
    std::unique_ptr<sim::SimUsbDriver> driver;
    pod::FtHandle handle = nullptr;
    sim::EmulatedPod& Pod() { return driver->Pod(); }
};

}  // namespace simtest
