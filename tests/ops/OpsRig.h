#pragma once

#include "image/FlashImageSet.h"
#include "image/McuCatalog.h"
#include "image/McuSelection.h"
#include "ops/MonitorControl.h"
#include "ops/OperationRunner.h"
#include "ops/ProgrammerView.h"
#include "pod/PodClock.h"
#include "pod/PodSession.h"
#include "pod/TracingUsbDriver.h"
#include "sim/EmulatedPod.h"
#include "sim/SimOptions.h"
#include "sim/SimUsbDriver.h"
#include "tests/image/SRecordText.h"
#include "tests/support/RecordingView.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace opstest {

// The runner on an emulated POD with a virtual clock, with every byte on the wire traced.
class OpsRig {
    // Declared first: the tracer writes its last lines while the rig is torn down.
    std::mutex m_traceMutex;
    std::vector<std::string> m_trace;

public:
    explicit OpsRig(sim::SimOptions options = {}, ops::MonitorControl* monitor = nullptr)
        : sim(sim::CreateSimDriver(options, clock)),
          tracer(*sim, clock, [this](const std::string& line) { AddTrace(line); }),
          session(tracer, clock),
          runner(session, selection, images, view, monitor ? *monitor : m_noMonitor)
    {
    }

    // An S file in a private folder; the dialog snapshot names it with every region of
    // the part checked.
    image::RunChoices Dialog(int mcu, const std::string& sFileText)
    {
        m_files.push_back(std::make_unique<testing_srec::TempFile>(sFileText));
        image::RunChoices d;
        d.mcuIndex = mcu;
        d.sFilePath = m_files.back()->path();
        for (int r = 0; r < 4; ++r)
            d.regionChecked[static_cast<std::size_t>(r)] = image::RecordFor(mcu).present[r] != 0;
        return d;
    }

    ops::RunResult Run(ops::OperationMode mode, const image::RunChoices& dialog)
    {
        {
            std::lock_guard lock(m_traceMutex);
            m_trace.clear();
        }
        view.Clear();
        EXPECT_TRUE(runner.Start(mode, dialog));
        runner.Wait();
        return runner.LastResult();
    }

    // Payloads of the frames sent since the last Run, without ':', checksum and CR.
    std::vector<std::string> SentPayloads()
    {
        std::lock_guard lock(m_traceMutex);
        std::vector<std::string> payloads;
        for (const auto& line : m_trace) {
            const auto at = line.find("> :");
            if (at == std::string::npos) continue;
            std::string frame = line.substr(at + 3);
            const auto cr = frame.find("\\r");
            if (cr != std::string::npos) frame.resize(cr);
            payloads.push_back(frame.substr(0, frame.size() - 2));
        }
        return payloads;
    }

    // The opcodes ("20", "21", ...) of SentPayloads(), joined by spaces.
    std::string SentOpcodes()
    {
        std::string out;
        for (const auto& p : SentPayloads())
            out += (out.empty() ? "" : " ") + p.substr(0, 2);
        return out;
    }

    std::vector<std::string> Trace()
    {
        std::lock_guard lock(m_traceMutex);
        return m_trace;
    }

    sim::EmulatedPod& pod() { return sim->Pod(); }

    pod::VirtualPodClock clock;
    std::unique_ptr<sim::SimUsbDriver> sim;
    pod::TracingUsbDriver tracer;
    pod::PodSession session;
    image::McuSelection selection;
    image::FlashImageSet images;
    support::RecordingView view;

private:
    void AddTrace(const std::string& line)
    {
        std::lock_guard lock(m_traceMutex);
        m_trace.push_back(line);
    }

    std::vector<std::unique_ptr<testing_srec::TempFile>> m_files;
    ops::MonitorControl m_noMonitor;

public:
    ops::OperationRunner runner;
};

// Consecutive words from `address`, `count` of them, in records of 32 words.
inline std::string Words(std::uint32_t address, std::uint32_t count, std::uint16_t first = 0x1000)
{
    std::string text;
    for (std::uint32_t done = 0; done < count;) {
        const std::uint32_t n = std::min<std::uint32_t>(32, count - done);
        std::vector<std::uint16_t> words;
        for (std::uint32_t i = 0; i < n; ++i)
            words.push_back(static_cast<std::uint16_t>(first + done + i));
        text += testing_srec::S3(address + done, words) + "\n";
        done += n;
    }
    return text;
}

// Every region of the part holds its image, blank words included.
inline void ExpectChipHoldsImages(OpsRig& rig, int mcu)
{
    for (int r = 0; r < 4; ++r) {
        if (!image::RecordFor(mcu).present[r]) continue;
        const auto flash = rig.pod().FlashOf(r, mcu);
        const auto image = rig.images.image(r);
        ASSERT_EQ(flash.size(), image::RecordFor(mcu).last[r] - image::RecordFor(mcu).first[r] + 1);
        ASSERT_GE(image.size(), flash.size());
        const auto [f, i] = std::mismatch(flash.begin(), flash.end(), image.begin());
        EXPECT_EQ(f, flash.end()) << image::RegionName(r) << " word " << (f - flash.begin())
                                  << " holds " << (f == flash.end() ? 0 : *f) << " instead of "
                                  << (f == flash.end() ? 0 : *i);
    }
}

} // namespace opstest
