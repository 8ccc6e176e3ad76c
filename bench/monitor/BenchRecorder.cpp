// The target recorder's upload on the emulated POD's real-time wire, timed on the virtual
// clock that paces its bytes: 4 channels x 512 samples of the demo's 10 kHz loop, against
// the limit of back-to-back 32-bit reads on the same wire. The sample times are the
// loop's own (index x period), which the loop counter channel confirms sample by sample.

#include "monitor/RecordCapture.h"
#include "pod/PodClock.h"
#include "pod/PodCommands.h"
#include "pod/PodSession.h"
#include "sim/DemoProgram.h"
#include "sim/DemoVariables.h"
#include "sim/SimUsbDriver.h"

#include <cstdio>
#include <memory>

namespace {

monitor::WatchItem Item(const char* label, std::uint32_t address, monitor::ViewType viewType)
{
    monitor::WatchItem item;
    item.label = label;
    item.address = address;
    item.viewType = viewType;
    return item;
}

} // namespace

int main()
{
    constexpr std::uint16_t kSamples = 512;
    pod::VirtualPodClock clock;
    sim::SimOptions options;
    options.wire = sim::WireMode::kReal;
    auto driver = sim::CreateSimDriver(options, clock);
    pod::PodSession session(*driver, clock);
    if (!session.ReopenPodSession()) {
        std::fprintf(stderr, "the emulated POD did not open\n");
        return 1;
    }

    // The limit: 32-bit reads back to back, two words each.
    constexpr int kReads = 500;
    const std::uint64_t readStart = clock.NowUs();
    for (int i = 0; i < kReads; ++i) {
        std::uint32_t value = 0;
        if (!pod::CmdReadMemory(session, monitor::HEX32, sim::demo::kRecorder + 45 + 2 * (i % 100), value)) {
            std::fprintf(stderr, "a read failed\n");
            return 1;
        }
    }
    const double limitWordsPerS = 2.0 * kReads / (static_cast<double>(clock.NowUs() - readStart) / 1e6);

    monitor::RecordRequest request;
    request.items = {Item("loopCount", sim::demo::kLoopCount, monitor::UINT32),
                     Item("triangle", sim::demo::kTriangle, monitor::INT16),
                     Item("current", sim::demo::kCurrent, monitor::INT16),
                     Item("sineWave", sim::demo::kSineWave, monitor::FLOAT)};
    request.samples = kSamples;
    request.loopHz = sim::DemoProgram::kLoopHz;
    std::uint64_t uploadStart = 0;
    monitor::Recording recording;
    const monitor::RecordResult result = monitor::RecordCapture(
        session, clock, monitor::TypedSymbols{}, sim::demo::kRecorder, request,
        [&](const monitor::RecordProgress& progress) {
            if (progress.phase == monitor::RecordProgress::Phase::Uploading && uploadStart == 0)
                uploadStart = clock.NowUs();
            return true;
        },
        recording);
    if (!result.ok() || recording.size() != kSamples) {
        std::fprintf(stderr, "the capture failed: %s\n", result.result.refusal.c_str());
        return 1;
    }
    const double uploadS = static_cast<double>(clock.NowUs() - uploadStart) / 1e6;
    const double words = 6.0 * kSamples;
    std::size_t outOfStep = 0;
    for (std::size_t i = 1; i < recording.size(); ++i)
        outOfStep += *recording.channels[0].values[i] - *recording.channels[0].values[i - 1] != 1.0;
    std::printf("recorder: 4 channels x %u samples at %u Hz, uploaded in %.3f s on the real-time wire, "
                "%.0f words/s, %.2f x the 32-bit read limit (%.0f words/s)\n",
                kSamples, sim::DemoProgram::kLoopHz, uploadS, words / uploadS, words / uploadS / limitWordsPerS,
                limitWordsPerS);
    std::printf("recorder: sample times' error 0 ns by construction (index x %llu ns); samples out of the "
                "loop's step: %zu of %zu\n",
                static_cast<unsigned long long>(recording.periodNs), outOfStep, recording.size() - 1);
    return outOfStep == 0 ? 0 : 1;
}
