#pragma once

#include "ops/ProgrammerView.h"

#include <array>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace support {

// Every call the core makes on its front end, in order, as one line of text each:
// "status red <text>", "status black <text>", "range N", "stepsize N", "step", "pos N",
// "controls on", "controls off", "labels A | B | C | D". Serves wherever a StatusSink or
// a ProgrammerView is wanted; calls may come from any thread. Given a view to pass the
// calls on to, it records them on their way there. The extras (overall progress,
// warnings, notes, finished runs) are kept apart, out of the event lines.
class RecordingView final : public ops::ProgrammerView {
public:
    RecordingView() = default;
    explicit RecordingView(ops::ProgrammerView& next) : m_next(&next) {}

    void ShowStatus(const std::string& text, bool error) override;
    void SetProgressRange(int upper) override;
    void SetProgressStep(int step) override;
    void StepProgress() override;
    void SetProgressPos(int position) override;
    void SetControlsEnabled(bool enabled) override;
    void SetRegionLabels(const std::array<std::string, 4>& labels) override;
    void ShowTransferProgress(const ops::TransferProgress& progress) override;
    void ShowWarning(const std::string& text) override;
    void ShowNote(const std::string& text) override;
    void RunFinished(const ops::RunRecord& record) override;

    std::vector<std::string> Events() const;
    std::vector<ops::TransferProgress> Progress() const;
    std::vector<std::string> Warnings() const;
    std::vector<std::string> Notes() const;
    std::vector<ops::RunRecord> Runs() const;
    // The status texts with their error colour, in order.
    std::vector<std::pair<std::string, bool>> Statuses() const;
    std::vector<std::string> Texts() const;
    std::string LastStatus() const;
    bool LastError() const;
    std::vector<int> Ranges() const;
    int Count(const std::string& event) const;
    void Clear();

private:
    void Add(std::string event);

    ops::ProgrammerView* m_next = nullptr;
    // On the heap: ThreadSanitizer forgets a mutex only when its memory is freed, and a
    // recorder on a test's stack would pass its lock order on to the next test's objects
    // at the same address.
    std::unique_ptr<std::mutex> m_mutexOwner = std::make_unique<std::mutex>();
    std::mutex& m_mutex = *m_mutexOwner;
    std::vector<std::string> m_events;
    std::vector<std::pair<std::string, bool>> m_statuses;
    std::vector<ops::TransferProgress> m_progress;
    std::vector<std::string> m_warnings;
    std::vector<std::string> m_notes;
    std::vector<ops::RunRecord> m_runs;
};

} // namespace support
