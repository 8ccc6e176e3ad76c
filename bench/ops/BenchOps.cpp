// A full-chip Target Write && Verify of MC56F8367 through the emulated POD.
// On the instant wire: how long Quobin's own work takes (host and emulator together)
// against the time the same bytes need on the real link at 921,600 baud. On hardware the
// link, not Quobin, must set the pace.
// On the real-time wire: the elapsed time against the wire's own time, and the processor
// time the process spends meanwhile; a host that spins while bytes drain burns a core.

#include "bench/FullChipSFile.h"
#include "image/FlashImageSet.h"
#include "image/McuSelection.h"
#include "ops/MonitorControl.h"
#include "ops/OperationRunner.h"
#include "ops/ProgrammerView.h"
#include "pod/PodClock.h"
#include "pod/PodSession.h"
#include "sim/SimUsbDriver.h"

#include <chrono>
#include <memory>
#include <vector>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>

#include <unistd.h>

namespace {

// Passes every call on and counts the bytes that cross the wire.
class CountingUsbDriver final : public pod::UsbDriver {
public:
    explicit CountingUsbDriver(pod::UsbDriver& inner) : m_inner(inner) {}
    std::uint64_t sent = 0;
    std::uint64_t received = 0;
    std::uint64_t writes = 0;

    bool Load() override { return m_inner.Load(); }
    void Unload() override { m_inner.Unload(); }
    bool IsLoaded() const override { return m_inner.IsLoaded(); }
    pod::FtStatus ListDeviceCount(std::uint32_t* c) override { return m_inner.ListDeviceCount(c); }
    pod::FtStatus ListDeviceDescription(std::uint32_t i, char* b) override
    {
        return m_inner.ListDeviceDescription(i, b);
    }
    pod::FtStatus OpenByDescription(const char* d, pod::FtHandle* h) override
    {
        return m_inner.OpenByDescription(d, h);
    }
    pod::FtStatus ResetDevice(pod::FtHandle h) override { return m_inner.ResetDevice(h); }
    pod::FtStatus SetLatencyTimer(pod::FtHandle h, std::uint8_t ms) override
    {
        return m_inner.SetLatencyTimer(h, ms);
    }
    pod::FtStatus SetBaudRate(pod::FtHandle h, std::uint32_t baud) override
    {
        return m_inner.SetBaudRate(h, baud);
    }
    pod::FtStatus SetDataCharacteristics(pod::FtHandle h, std::uint8_t w, std::uint8_t s,
                                         std::uint8_t p) override
    {
        return m_inner.SetDataCharacteristics(h, w, s, p);
    }
    pod::FtStatus SetFlowControl(pod::FtHandle h, std::uint16_t f, std::uint8_t on,
                                 std::uint8_t off) override
    {
        return m_inner.SetFlowControl(h, f, on, off);
    }
    pod::FtStatus SetTimeouts(pod::FtHandle h, std::uint32_t r, std::uint32_t w) override
    {
        return m_inner.SetTimeouts(h, r, w);
    }
    pod::FtStatus Purge(pod::FtHandle h, std::uint32_t mask) override
    {
        return m_inner.Purge(h, mask);
    }
    pod::FtStatus Write(pod::FtHandle h, const void* b, std::uint32_t n, std::uint32_t* w) override
    {
        sent += n;
        ++writes;
        return m_inner.Write(h, b, n, w);
    }
    pod::FtStatus GetStatus(pod::FtHandle h, std::uint32_t* rx, std::uint32_t* tx,
                            std::uint32_t* ev) override
    {
        return m_inner.GetStatus(h, rx, tx, ev);
    }
    pod::FtStatus Read(pod::FtHandle h, void* b, std::uint32_t n, std::uint32_t* got) override
    {
        const pod::FtStatus status = m_inner.Read(h, b, n, got);
        received += *got;
        return status;
    }
    pod::FtStatus GetQueueStatus(pod::FtHandle h, std::uint32_t* rx) override
    {
        return m_inner.GetQueueStatus(h, rx);
    }
    pod::FtStatus Close(pod::FtHandle h) override { return m_inner.Close(h); }
    std::string LastError() const override { return m_inner.LastError(); }

private:
    pod::UsbDriver& m_inner;
};

class QuietView final : public ops::ProgrammerView {
public:
    void ShowStatus(const std::string&, bool) override {}
    void SetProgressRange(int) override {}
    void SetProgressStep(int) override {}
    void StepProgress() override {}
    void SetProgressPos(int) override {}
    void SetControlsEnabled(bool) override {}
    void SetRegionLabels(const std::array<std::string, 4>&) override {}
};

double CpuSeconds()
{
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

// Every region of an MC56F8367 from the full-chip S file.
image::RunChoices FullChipChoices(const std::string& path)
{
    image::RunChoices choices;
    choices.mcuIndex = 27;
    choices.sFilePath = path;
    choices.regionChecked = {true, true, true, true};
    return choices;
}

struct FullChipRun {
    ops::RunResult result;
    double wallSeconds = 0;
    double cpuSeconds = 0;
    std::uint64_t sent = 0;
    std::uint64_t received = 0;
    std::uint64_t exchanges = 0;
};

FullChipRun RunFullChip(const std::string& path, pod::PodClock& clock, sim::WireMode wire)
{
    sim::SimOptions options;
    options.wire = wire;
    auto simDriver = sim::CreateSimDriver(options, clock);
    CountingUsbDriver driver(*simDriver);
    pod::PodSession session(driver, clock);
    image::McuSelection selection;
    image::FlashImageSet images;
    QuietView view;
    ops::MonitorControl monitor;
    ops::OperationRunner runner(session, selection, images, view, monitor);

    const image::RunChoices choices = FullChipChoices(path);

    FullChipRun run;
    const double cpuStart = CpuSeconds();
    const auto wallStart = std::chrono::steady_clock::now();
    runner.Start(ops::OperationMode::TargetWriteVerify, choices);
    runner.Wait();
    run.wallSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    run.cpuSeconds = CpuSeconds() - cpuStart;
    run.result = runner.LastResult();
    run.sent = driver.sent;
    run.received = driver.received;
    run.exchanges = driver.writes;
    return run;
}

// Four PODs side by side on the real-time wire, as a production station runs them: one
// bus, and per POD its own driver instance, session and runner.
struct GangRun {
    bool ok = true;
    double wallSeconds = 0;
    double cpuSeconds = 0;
};

GangRun RunGang(const std::string& path, int pods)
{
    pod::SteadyPodClock clock;
    sim::SimOptions options;
    options.wire = sim::WireMode::kReal;
    options.pods = pods;
    auto bus = sim::CreateSimDriver(options, clock);
    struct Unit {
        std::unique_ptr<sim::SimUsbDriver> driver;
        std::unique_ptr<pod::PodSession> session;
        image::McuSelection selection;
        image::FlashImageSet images;
        QuietView view;
        ops::MonitorControl monitor;
        std::unique_ptr<ops::OperationRunner> runner;
    };
    std::vector<std::unique_ptr<Unit>> units;
    for (int i = 0; i < pods; ++i) {
        auto unit = std::make_unique<Unit>();
        unit->driver = bus->Connect();
        unit->session = std::make_unique<pod::PodSession>(*unit->driver, clock);
        unit->session->SetSerial(sim::SimUsbDriver::SerialFor(static_cast<std::size_t>(i)));
        unit->runner = std::make_unique<ops::OperationRunner>(
            *unit->session, unit->selection, unit->images, unit->view, unit->monitor);
        units.push_back(std::move(unit));
    }
    const image::RunChoices choices = FullChipChoices(path);

    GangRun run;
    const double cpuStart = CpuSeconds();
    const auto wallStart = std::chrono::steady_clock::now();
    for (auto& unit : units)
        unit->runner->Start(ops::OperationMode::TargetWriteVerify, choices);
    for (auto& unit : units) {
        unit->runner->Wait();
        run.ok = run.ok && unit->runner->LastResult().ok;
    }
    run.wallSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    run.cpuSeconds = CpuSeconds() - cpuStart;
    for (auto& unit : units) {
        unit->runner.reset();
        unit->session.reset();
    }
    return run;
}

} // namespace

int main()
{
    const auto dir =
        std::filesystem::temp_directory_path() / ("quobin-bench-ops-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "fullchip.s").string();
    std::ofstream(path) << bench::FullChipSFile();

    pod::VirtualPodClock virtualClock;
    const FullChipRun instant = RunFullChip(path, virtualClock, sim::WireMode::kInstant);
    const ops::RunResult& result = instant.result;
    const double wall = instant.wallSeconds;
    const double cpu = instant.cpuSeconds;

    std::uint64_t words = 0;
    for (auto w : result.wordsSent)
        words += w;
    // 10 bits a byte (start, 8 data, stop); the host waits for every reply, so both
    // directions add up.
    const double wireSeconds =
        static_cast<double>(instant.sent + instant.received) * 10.0 / 921600.0;
    std::printf("Target Write && Verify, MC56F8367, all regions: %s\n",
                result.ok ? "ok" : result.message.c_str());
    std::printf("  words programmed        %llu\n", static_cast<unsigned long long>(words));
    std::printf("  bytes sent / received   %llu / %llu\n",
                static_cast<unsigned long long>(instant.sent),
                static_cast<unsigned long long>(instant.received));
    std::printf("  wire time at 921600 Bd  %.2f s\n", wireSeconds);
    std::printf("  Quobin's time (wall)    %.1f ms  (%.2f%% of the wire time)\n", wall * 1000,
                100.0 * wall / wireSeconds);
    std::printf("  Quobin's time (CPU)     %.1f ms\n", cpu * 1000);
    std::printf("  target: under 1%% of the wire time: %s\n",
                wall < wireSeconds / 100 ? "met" : "NOT met");

    // The same run in real time. Each exchange also waits for the USB chip's 2 ms latency
    // timer before the reply reaches the host.
    pod::SteadyPodClock steadyClock;
    const FullChipRun real = RunFullChip(path, steadyClock, sim::WireMode::kReal);
    constexpr int kGangPods = 4;
    const GangRun gang = RunGang(path, kGangPods);
    std::filesystem::remove_all(dir);
    const double realWire = static_cast<double>(real.sent + real.received) * 10.0 / 921600.0 +
                            0.002 * static_cast<double>(real.exchanges);
    const double cpuPercent = 100.0 * real.cpuSeconds / real.wallSeconds;
    const double ratio = real.wallSeconds / realWire;
    std::printf("real-wire full chip: %.2f s elapsed, %.3f x wire time, CPU %.1f%% of elapsed\n",
                real.wallSeconds, ratio, cpuPercent);
    std::printf("  result: %s; goal: CPU under 5%%, elapsed within 5%% of the wire time: %s\n",
                real.result.ok ? "ok" : real.result.message.c_str(),
                cpuPercent < 5.0 && ratio < 1.05 ? "met" : "NOT met");
    const double gangRatio = gang.wallSeconds / real.wallSeconds;
    const double gangCpu = 100.0 * gang.cpuSeconds / gang.wallSeconds;
    std::printf("gang: %d PODs full chip in %.2f s, %.2f x one POD\n", kGangPods,
                gang.wallSeconds, gangRatio);
    std::printf("  result: %s; CPU %.1f%% of one core; goal: at most 1.1 x one POD, CPU under "
                "10%%: %s\n",
                gang.ok ? "ok" : "FAILED", gangCpu,
                gang.ok && gangRatio <= 1.1 && gangCpu < 10.0 ? "met" : "NOT met");
    return result.ok && real.result.ok && gang.ok ? 0 : 1;
}
