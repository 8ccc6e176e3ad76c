#include "ops/OperationRunner.h"

#include "platform/Utf8Path.h"

#include "image/FlashImageSet.h"
#include "image/ImagePatch.h"
#include "image/McuCatalog.h"
#include "image/SFileLoader.h"
#include "ops/Checksums.h"
#include "ops/ElapsedText.h"
#include "ops/FirmwareUpdate.h"
#include "ops/MonitorControl.h"
#include "ops/PodImageWrite.h"
#include "ops/ProgrammerView.h"
#include "ops/RunRecord.h"
#include "ops/TargetDownload.h"
#include "ops/WrongPartWarning.h"
#include "report/Messages.h"
#include "pod/PodCommands.h"
#include "pod/PodSession.h"
#include "pod/UsbDriver.h"
#include "report/OutcomeText.h"
#include "report/SessionReport.h"

#include <cstdio>
#include <filesystem>
#include <vector>

namespace ops {

namespace {

// Keeps the last status line (text and message id) and failure reason as the command's
// result; everything goes straight through to the front end as well.
class RecordingView final : public ProgrammerView {
public:
    RecordingView(ProgrammerView& inner, CommandResult& result) : m_inner(inner), m_result(result) {}
    void ShowStatus(const std::string& text, bool error) override
    {
        Record(0, text);
        m_inner.ShowStatus(text, error);
    }
    void ShowStatusMessage(int id, const std::string& text, bool error) override
    {
        Record(id, text);
        m_inner.ShowStatusMessage(id, text, error);
    }
    void SetProgressRange(int upper) override { m_inner.SetProgressRange(upper); }
    void SetProgressStep(int step) override { m_inner.SetProgressStep(step); }
    void StepProgress() override { m_inner.StepProgress(); }
    void SetProgressPos(int position) override { m_inner.SetProgressPos(position); }
    void SetControlsEnabled(bool enabled) override { m_inner.SetControlsEnabled(enabled); }
    void SetRegionLabels(const std::array<std::string, 4>& labels) override
    {
        m_inner.SetRegionLabels(labels);
    }
    void ShowTransferProgress(const TransferProgress& progress) override
    {
        m_inner.ShowTransferProgress(progress);
    }
    void ShowWarning(const std::string& text) override { m_inner.ShowWarning(text); }
    void ShowNote(const std::string& text) override { m_inner.ShowNote(text); }
    void ShowFailureReason(const std::string& reason) override
    {
        m_result.reason = reason;
        m_inner.ShowFailureReason(reason);
    }
    void RunFinished(const RunRecord& record) override { m_inner.RunFinished(record); }

private:
    void Record(int id, const std::string& text)
    {
        m_result.messageId = id;
        m_result.status = text;
        m_result.reason.clear();
    }

    ProgrammerView& m_inner;
    CommandResult& m_result;
};

// The serial number of the first device described as the POD, for the run log; empty
// when the back end does not tell serial numbers.
std::string PodSerial(pod::UsbDriver& driver)
{
    std::uint32_t count = 0;
    if (driver.ListDeviceCount(&count) != pod::kFtOk) return {};
    for (std::uint32_t i = 0; i < count; ++i) {
        char description[64] = {};
        if (driver.ListDeviceDescription(i, description) != pod::kFtOk) continue;
        if (std::string(description) != pod::kPodDescription) continue;
        char serial[64] = {};
        if (driver.ListDeviceSerial(i, serial) != pod::kFtOk) return {};
        return serial;
    }
    return {};
}

// The firmware update needs the POD in its boot loader, which only a hand on the POD can
// arrange; the failure message alone does not say so.
constexpr const char* kBootLoaderHint =
    "If the POD is not in its boot loader: unplug it, plug it in again while holding its "
    "BOOT button, and press Firmware Update V1.2 again (manual, section \"Putting the POD "
    "into its boot loader\")";

constexpr const char* kInterruptedBeforeTransfer = "Interrupted before the first word was sent";
// The connect of a reset fails before any status line is written.
constexpr const char* kNoConnectAnswer = "The target did not answer the connect";

template <typename Result>
Result Refused()
{
    Result result;
    result.status = kPodBusyText;
    return result;
}

} // namespace

OperationRunner::OperationRunner(pod::PodSession& session, image::McuSelection& selection,
                                 image::FlashImageSet& images, ProgrammerView& view,
                                 MonitorControl& monitor)
    : m_session(session), m_selection(selection), m_images(images), m_view(view), m_monitor(monitor)
{
}

OperationRunner::~OperationRunner()
{
    Wait();
}

bool OperationRunner::IsBusy() const
{
    return m_busy.load();
}

void OperationRunner::Wait()
{
    if (m_worker.joinable()) m_worker.join();
}

RunResult OperationRunner::LastResult() const
{
    std::lock_guard lock(m_mutex);
    return m_lastResult;
}

image::RunSettings OperationRunner::Settings() const
{
    std::lock_guard lock(m_mutex);
    return m_settings;
}

bool OperationRunner::TryStartWorker(std::function<void()> work)
{
    bool idle = false;
    if (!m_busy.compare_exchange_strong(idle, true)) return false;
    // The previous worker has cleared the busy flag as its last act; joining it here
    // costs nothing and keeps exactly one thread object alive.
    Wait();
    // The work ends with Finish(), which clears the busy flag before the controls are
    // handed back, so a click on a control that has just come back is never refused.
    m_worker = std::jthread(std::move(work));
    return true;
}

bool OperationRunner::Start(OperationMode mode, const image::RunChoices& choices)
{
    m_stop.store(false);
    return TryStartWorker([this, mode, choices] { RunOperation(mode, choices); });
}

void OperationRunner::RequestStop()
{
    m_stop.store(true);
}

bool OperationRunner::StopRequested() const
{
    return m_stop.load() || (m_cancel != nullptr && m_cancel->load());
}

bool OperationRunner::StartQueryVersion()
{
    return TryStartWorker([this] {
        m_view.SetControlsEnabled(false);
        {
            auto podLock = m_session.Lock();
            DoQueryVersion();
        }
        m_busy.store(false);
        m_view.SetControlsEnabled(true);
    });
}

bool OperationRunner::StartResetTarget(int resetPolarityIndex, int resetDelayIndex)
{
    return TryStartWorker([this, resetPolarityIndex, resetDelayIndex] {
        m_view.SetControlsEnabled(false);
        {
            auto podLock = m_session.Lock();
            DoResetTarget(resetPolarityIndex, resetDelayIndex, -1);
        }
        m_busy.store(false);
        m_view.SetControlsEnabled(true);
    });
}

bool OperationRunner::StartFirmwareUpdate()
{
    return TryStartWorker([this] { RunFirmwareUpdate(); });
}

LoadResult OperationRunner::LoadSFile(const image::RunChoices& choices)
{
    // The worker owns the images while it runs.
    if (IsBusy()) return {};
    return LoadSFile(choices, m_view);
}

LoadResult OperationRunner::LoadSFile(const image::RunChoices& choices, ProgrammerView& view)
{
    const image::SFileLoadOutcome outcome = image::LoadSFile(choices, m_selection, m_images);
    if (outcome.settingsTaken) {
        std::lock_guard lock(m_mutex);
        m_settings = outcome.settings;
    }
    if (outcome.labelsChanged) view.SetRegionLabels(outcome.labels);
    view.ShowStatus(outcome.statusText, outcome.error);
    LoadResult result;
    result.ok = outcome.ok;
    result.status = outcome.statusText;
    if (outcome.ok)
        result.warnings =
            WrongPartWarnings(m_images, m_selection, choices.regionChecked, choices.sFilePath);
    for (const std::string& warning : result.warnings)
        view.ShowWarning(warning);
    {
        std::lock_guard lock(m_mutex);
        m_lastWarnings = result.warnings;
    }
    return result;
}

RunRecord OperationRunner::BeginRecord(const image::RunChoices& choices)
{
    RunRecord record;
    record.startedAt = LocalTimestamp();
    record.startedUtc = UtcTimestamp();
    record.part = image::IsValidMcuType(choices.mcuIndex)
                      ? image::RecordFor(choices.mcuIndex).name
                      : image::RecordFor(image::kDefaultMcuType).name;
    record.file = choices.sFilePath;
    record.regions = choices.regionChecked;
    if (m_traceNote) {
        std::error_code sizeError;
        const auto bytes = std::filesystem::file_size(platform::PathFromUtf8(choices.sFilePath), sizeError);
        m_traceNote("part: " + record.part);
        m_traceNote("S file: " + choices.sFilePath +
                    (sizeError ? std::string(" (size unknown)")
                               : " (" + std::to_string(bytes) + " bytes)"));
    }
    return record;
}

void OperationRunner::TransferWithPodHeld(OperationMode mode, const image::RunChoices& choices,
                                          ProgrammerView& view, RunResult& result)
{
    RunRecord& record = result.record;
    result.ok = report::EnsurePodSession(m_session, view);
    if (result.ok) {
        record.podSerial = m_session.serial();
        if (record.podSerial.empty()) record.podSerial = PodSerial(m_session.driver());
        result.ok = LoadSFile(choices, view).ok;
    }
    if (result.ok && StopRequested()) {
        // Asked to stop before the first word went out: the chip is as it was.
        result.ok = false;
        result.interrupted = true;
        view.ShowStatus(kInterruptedBeforeTransfer, true);
        return;
    }
    if (!result.ok) return;
    for (const image::WordPatch& patch : choices.patches) {
        const std::string refusal = image::PatchRefusal(m_selection.type(), choices.regionChecked, patch);
        if (!refusal.empty()) {
            result.ok = false;
            view.ShowStatus("Cannot patch the image: " + refusal, true);
            return;
        }
        image::ApplyPatch(m_selection.type(), choices.regionChecked, patch, m_images);
    }
    FileDigests digests = DigestFile(choices.sFilePath);
    record.fileCrc = digests.crc32;
    record.fileSha256 = std::move(digests.sha256);
    for (int r = 0; r < image::kRegionCount; ++r) {
        const auto i = static_cast<std::size_t>(r);
        if (!choices.regionChecked[i] || m_selection.present(r) == 0) continue;
        record.imageWords[i] = m_images.programmedLength(r);
        record.imageCrc[i] = Crc32Words(m_images.image(r).first(record.imageWords[i]));
    }
    const image::RunSettings settings = Settings();
    TransferJob job{m_session, view, m_selection, m_images, settings, ProgramModeFor(mode), {}};
    job.stop = &m_stop;
    job.cancel = m_cancel;
    result.ok = IsTargetOperation(mode) ? TargetDownload(job) : PodImageWrite(job);
    result.wordsSent = job.wordsSent;
    result.failure = job.failure;
    result.interrupted = !result.ok && StopRequested();
}

void OperationRunner::RunOperation(OperationMode mode, const image::RunChoices& choices)
{
    CommandResult status;
    RecordingView view(m_view, status);
    const std::uint32_t startMs = m_session.clock().NowMs();
    view.SetControlsEnabled(false);
    // Monitoring shares the POD; its worker must have ended before the run's first
    // exchange, not merely been asked to stop.
    m_monitor.StopMonitoring();
    m_monitor.EnableMonitorControls(false);

    RunResult result;
    result.record = BeginRecord(choices);
    result.record.mode = mode;
    RunRecord& record = result.record;
    {
        auto podLock = m_session.Lock();
        TransferWithPodHeld(mode, choices, view, result);
        result.elapsedMs = m_session.clock().NowMs() - startMs;
        if (result.ok) {
            result.message = WithElapsed(std::string(report::MessageText(SuccessMessageFor(mode))),
                                         result.elapsedMs);
            view.SetStatusText(result.message);
        } else {
            m_session.ClosePodSession();
            result.message = status.status;
            result.messageId = status.messageId;
            record.reason = report::DescribeOutcome(result.failure);
            if (!record.reason.empty()) view.ShowFailureReason(record.reason);
        }
    }
    // The warnings of the load once more, after the result: whoever looks at the end of
    // the run must not miss that part of the file was not programmed.
    std::vector<std::string> warnings;
    {
        std::lock_guard lock(m_mutex);
        warnings = m_lastWarnings;
    }
    for (const std::string& warning : warnings)
        view.ShowWarning(warning);
    record.ok = result.ok;
    record.interrupted = result.interrupted;
    record.message = result.message;
    record.elapsedMs = result.elapsedMs;
    record.wordsSent = result.wordsSent;
    record.endedUtc = UtcTimestamp();
    if (m_traceNote)
        m_traceNote(std::string("result: ") +
                    (result.ok ? "ok, " : result.interrupted ? "interrupted, " : "failed, ") +
                    result.message + (record.reason.empty() ? "" : " (" + record.reason + ")"));
    if (m_recordSink) m_recordSink(record);
    view.RunFinished(record);
    Finish(std::move(result));
    m_monitor.EnableMonitorControls(true);
    view.SetControlsEnabled(true);
    view.SetProgressPos(0);
}

void OperationRunner::RunFirmwareUpdate()
{
    CommandResult status;
    RecordingView view(m_view, status);
    const std::uint32_t startMs = m_session.clock().NowMs();
    view.SetControlsEnabled(false);
    bool ok = false;
    {
        auto podLock = m_session.Lock();
        ok = FirmwareUpdate(m_session, view, image::PodFirmwareImage());
    }
    if (!ok) view.ShowNote(kBootLoaderHint);
    RunResult result;
    result.ok = ok;
    result.message = status.status;
    result.elapsedMs = m_session.clock().NowMs() - startMs;
    result.messageId = ok ? 0 : status.messageId;
    result.record.ok = ok;
    result.record.message = status.status;
    result.record.reason = status.reason;
    Finish(std::move(result));
    view.SetControlsEnabled(true);
}

void OperationRunner::Finish(RunResult result)
{
    {
        std::lock_guard lock(m_mutex);
        m_lastResult = std::move(result);
    }
    m_busy.store(false);
}

bool OperationRunner::EnsurePodForCommand(ProgrammerView& view)
{
    if (report::EnsurePodSession(m_session, view)) return true;
    m_session.ClosePodSession();
    return false;
}

CommandResult OperationRunner::OpenPod()
{
    if (IsBusy()) return Refused<CommandResult>();
    auto podLock = m_session.Lock();
    CommandResult result;
    RecordingView view(m_view, result);
    result.ok = EnsurePodForCommand(view);
    return result;
}

VersionResult OperationRunner::QueryVersion()
{
    if (IsBusy()) return Refused<VersionResult>();
    auto podLock = m_session.Lock();
    return DoQueryVersion();
}

VersionResult OperationRunner::DoQueryVersion()
{
    VersionResult result;
    RecordingView view(m_view, result);
    if (!EnsurePodForCommand(view)) return result;
    if (const pod::PodOutcome outcome = pod::CmdGetVersion(m_session, result.major, result.minor);
        !outcome) {
        view.ShowStatus("Failed Get POD Version", true);
        view.ShowFailureReason(report::DescribeOutcome(outcome));
        result.outcome = outcome;
        return result;
    }
    char text[48];
    std::snprintf(text, sizeof text, "POD Version V%d.%d", result.major, result.minor);
    view.SetStatusText(text);
    result.ok = true;
    return result;
}

CommandResult OperationRunner::ResetTarget(int resetPolarityIndex, int resetDelayIndex, int mcuType)
{
    if (IsBusy()) return Refused<CommandResult>();
    auto podLock = m_session.Lock();
    return DoResetTarget(resetPolarityIndex, resetDelayIndex, mcuType);
}

CommandResult OperationRunner::DoResetTarget(int resetPolarityIndex, int resetDelayIndex, int mcuType)
{
    CommandResult result;
    RecordingView view(m_view, result);
    if (!EnsurePodForCommand(view)) return result;
    image::RunSettings settings;
    {
        std::lock_guard lock(m_mutex);
        if (resetPolarityIndex >= 0 && resetPolarityIndex <= 1)
            m_settings.resetPolarity = resetPolarityIndex;
        if (resetDelayIndex >= 0 &&
            resetDelayIndex < static_cast<int>(image::ResetDelayTable.size()))
            m_settings.resetDelayMs =
                image::ResetDelayTable[static_cast<std::size_t>(resetDelayIndex)];
        settings = m_settings;
        if (image::IsValidMcuType(mcuType)) settings.mcuType = mcuType;
    }
    // The part is the one of the last S-file load, not the list's current choice.
    if (const pod::PodOutcome outcome = pod::CmdConnectTarget(
            m_session, static_cast<std::uint32_t>(settings.mcuType), pod::kConnect56800E,
            static_cast<std::uint32_t>(settings.resetPolarity), settings.resetDelayMs);
        !outcome) {
        // The window leaves its status line as it was; a result still names the step.
        view.ShowFailureReason(report::DescribeOutcome(outcome));
        result.status = kNoConnectAnswer;
        result.outcome = outcome;
        return result;
    }
    if (const pod::PodOutcome outcome = pod::CmdResetTarget(m_session); !outcome) {
        view.ShowStatus("Failed to reset", true);
        view.ShowFailureReason(report::DescribeOutcome(outcome));
        result.outcome = outcome;
        return result;
    }
    view.SetStatusText("Success to reset");
    result.ok = true;
    return result;
}

} // namespace ops
