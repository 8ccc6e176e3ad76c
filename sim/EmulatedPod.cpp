#include "sim/EmulatedPod.h"

#include <algorithm>

#include "sim/FrameCodec.h"
#include "sim/HexText.h"
#include "sim/SimCatalog.h"
#include "sim/SimStateStore.h"

namespace sim {

namespace {

// First byte of a reply garbled by a fault.
constexpr std::uint8_t kGarbageByte = 0xA5;

// The program's own image says "QUOBIN POD FIRMWARE V1.2"; an image without the tag (a
// vendor build dropped in as a resource) is taken as the version the update button
// names, 1.2.
void ImageVersion(std::span<const std::uint8_t> image, int& major, int& minor)
{
    major = 1;
    minor = 2;
    FirmwareVersionOf(image, major, minor);
}

// An update cut short of the carried image's end leaves a vector table that looks
// bootable; the POD would crash in the missing part, so it is no firmware.
std::vector<std::uint8_t> StartableImage(const BootLoader& bootLoader)
{
    std::vector<std::uint8_t> image = bootLoader.BootableImage();
    const auto carried = CarriedFirmware();
    if (image.size() < carried.size() && std::equal(image.begin(), image.end(), carried.begin())) {
        image.clear();
    }
    return image;
}

} // namespace

EmulatedPod::EmulatedPod(SimOptions options, std::uint64_t nowUs)
    : m_options(std::move(options)), m_commands(m_options), m_faults(m_options.faults)
{
    LoadState(nowUs);
    // The chip on the cable is powered with the POD, and its program starts running.
    if (!m_options.noTarget) {
        m_commands.TargetFor(m_commands.EffectiveType(), nowUs);
    }
    m_bootLoader = std::make_unique<BootLoader>(m_image);
    m_mode = (m_options.boot || m_bootOnly) ? Mode::kBoot : Mode::kCommand;
}

EmulatedPod::~EmulatedPod()
{
    std::lock_guard lock(m_mutex);
    SaveLocked();
}

void EmulatedPod::LoadState(std::uint64_t nowUs)
{
    if (m_options.stateDir.empty()) {
        return;
    }
    // Held until the last save, so that another program on the same folder neither
    // reads a state this one is about to replace nor mixes its files with these.
    m_store = std::make_unique<SimStateStore>(m_options.stateDir);
    if (!m_store->Lock(SimStateStore::kLockWait, m_loadError)) {
        return;
    }
    SimState state;
    if (m_store->Load(state, m_loadError) != SimStateStore::LoadResult::kLoaded) {
        return;
    }
    m_savedState = state;
    m_commands.SetVersion(state.versionMajor, state.versionMinor);
    m_image = state.firmware;
    m_bootOnly = state.bootOnly;
    if (state.hasJob) {
        m_commands.Job().Restore(state.jobHeader, state.jobLoader, state.jobBlocks);
    }
    // A saved chip is the one on the cable unless the options attach another type.
    if (state.hasTarget && (m_options.mcu < 0 || m_options.mcu == state.mcuType)) {
        if (TargetBoard* target = m_commands.TargetFor(state.mcuType, nowUs)) {
            target->chip.SetSecured(state.secured || m_options.secured);
            for (int r = 0; r < kRegionCount; ++r) {
                auto& flash = target->chip.MutableFlash(r);
                const auto& saved = state.flash[static_cast<std::size_t>(r)];
                if (saved.size() == flash.size()) {
                    flash = saved;
                }
            }
            // The program goes on from the values it had, including those written
            // through the POD, as a board that stayed powered would.
            const bool ram1 = target->ram.RestoreWindow(1, state.ram[0]);
            const bool ram2 = target->ram.RestoreWindow(2, state.ram[1]);
            if (ram1 || ram2) {
                target->program.Resume(target->ram, nowUs);
            }
            m_commands.SetCurrentType(state.mcuType);
        }
    }
}

std::string EmulatedPod::Save() const
{
    std::lock_guard lock(m_mutex);
    return SaveLocked();
}

std::string EmulatedPod::SaveLocked() const
{
    if (m_options.stateDir.empty() || !m_loadError.empty()) {
        return {};
    }
    SimState state;
    state.versionMajor = m_commands.VersionMajor();
    state.versionMinor = m_commands.VersionMinor();
    state.firmware = m_image;
    state.bootOnly = m_bootOnly;
    if (m_bootLoader->Erased()) {
        // The next power-up starts whatever the update left in the flash.
        state.firmware = StartableImage(*m_bootLoader);
        state.bootOnly = state.firmware.empty();
        if (!state.bootOnly) {
            ImageVersion(state.firmware, state.versionMajor, state.versionMinor);
        }
    }
    if (const TargetBoard* target = m_commands.ExistingTarget(m_commands.EffectiveType())) {
        state.hasTarget = true;
        state.mcuType = target->chip.Type();
        state.secured = target->chip.Secured();
        for (int r = 0; r < kRegionCount; ++r) {
            const auto flash = target->chip.Flash(r);
            state.flash[static_cast<std::size_t>(r)].assign(flash.begin(), flash.end());
        }
        state.ram[0] = target->ram.Window(1);
        state.ram[1] = target->ram.Window(2);
    }
    if (const PodJobStore& job = m_commands.Job(); job.HasHeader()) {
        state.hasJob = true;
        state.jobHeader = job.Header();
        state.jobLoader = job.Loader();
        state.jobBlocks = job.Blocks();
    }
    std::string error;
    if (m_store->Save(state, m_savedState ? &*m_savedState : nullptr, error)) {
        m_savedState = std::move(state);
    } else {
        // Whatever was written before the failure differs from both states, so the next
        // save writes every file again.
        m_savedState.reset();
    }
    m_saveError = error;
    return error;
}

EmulatedPod::Mode EmulatedPod::CurrentMode() const
{
    std::lock_guard lock(m_mutex);
    return m_mode;
}

void EmulatedPod::HearNoise()
{
    std::lock_guard lock(m_mutex);
    m_frames.Reset();
    m_bootLoader->Abort();
}

void EmulatedPod::CommandLineOpened()
{
    std::lock_guard lock(m_mutex);
    if (m_mode != Mode::kBoot || !m_bootLoader->Erased()) {
        return;
    }
    std::vector<std::uint8_t> image = StartableImage(*m_bootLoader);
    if (image.empty()) {
        return;
    }
    int major = 1;
    int minor = 2;
    ImageVersion(image, major, minor);
    m_commands.SetVersion(major, minor);
    m_image = std::move(image);
    m_bootOnly = false;
    m_bootLoader = std::make_unique<BootLoader>(m_image);
    m_frames.Reset();
    m_mode = Mode::kCommand;
}

std::vector<EmulatedPod::Reply> EmulatedPod::Hear(std::span<const std::uint8_t> bytes,
                                                  std::uint64_t nowUs)
{
    std::lock_guard lock(m_mutex);
    return m_mode == Mode::kCommand ? HearCommand(bytes, nowUs) : HearBoot(bytes);
}

std::vector<EmulatedPod::Reply> EmulatedPod::HearCommand(std::span<const std::uint8_t> bytes,
                                                         std::uint64_t nowUs)
{
    std::vector<Reply> replies;
    for (std::uint8_t byte : bytes) {
        std::optional<std::string> frame = m_frames.Push(byte);
        if (!frame) {
            continue;
        }
        std::string payload;
        const FrameError frameError = ParseCommandFrame(*frame, payload);
        // The opcode counts for faults whenever its two digits can be read.
        std::uint32_t opcode = 0;
        std::size_t pos = 1;
        const bool hasOpcode = ReadHexField(*frame, pos, 2, opcode);
        std::optional<SimFault> fault;
        if (hasOpcode) {
            fault = m_faults.Next(static_cast<int>(opcode));
        }
        Reply reply;
        if (fault && fault->kind == FaultKind::kUnplug) {
            reply.unplug = true;
            replies.push_back(reply);
            return replies;
        }
        // Even a refused frame is answered with the length the host waits for.
        std::size_t length = PodFirmware::ReplyLengthFor(std::string_view(*frame).substr(1));
        if (frameError != FrameError::kNone) {
            const PodError error =
                frameError == FrameError::kChecksum ? PodError::kChecksum : PodError::kFrame;
            m_commands.SetLastError(error);
            reply.bytes = FormatErrorFrame(static_cast<unsigned>(error), length);
        } else if (fault && fault->kind == FaultKind::kError) {
            // The firmware refuses the command without carrying it out.
            reply.bytes = FormatErrorFrame(static_cast<unsigned>(PodError::kInjected),
                                           PodFirmware::ReplyLengthFor(payload));
        } else {
            reply.bytes = m_commands.Execute(payload, nowUs);
        }
        if (fault) {
            switch (fault->kind) {
            case FaultKind::kSilent:
                reply.bytes.clear();
                break;
            case FaultKind::kGarbage:
                reply.bytes[0] = static_cast<char>(kGarbageByte);
                break;
            case FaultKind::kCut:
                reply.bytes.resize(std::min<std::size_t>(reply.bytes.size(), fault->parameter));
                break;
            case FaultKind::kSlow:
                reply.delayMs = fault->parameter;
                break;
            case FaultKind::kError:
            case FaultKind::kUnplug:
                break;
            }
        }
        replies.push_back(std::move(reply));
    }
    return replies;
}

std::vector<EmulatedPod::Reply> EmulatedPod::HearBoot(std::span<const std::uint8_t> bytes)
{
    std::vector<Reply> replies;
    for (std::uint8_t byte : bytes) {
        BootLoader::Answer answer = m_bootLoader->Feed(byte);
        Reply reply;
        reply.bytes = answer.bytes;
        if (answer.step != 0) {
            if (std::optional<SimFault> fault = m_faults.Next(answer.step)) {
                switch (fault->kind) {
                case FaultKind::kSilent:
                    reply.bytes.clear();
                    m_bootLoader->Abort();
                    break;
                case FaultKind::kGarbage:
                    reply.bytes.assign(1, static_cast<char>(kGarbageByte));
                    m_bootLoader->Abort();
                    break;
                case FaultKind::kError:
                    reply.bytes.assign(1, static_cast<char>(BootLoader::kNack));
                    m_bootLoader->Abort();
                    break;
                case FaultKind::kCut:
                    if (fault->parameter == 0) {
                        reply.bytes.clear();
                        m_bootLoader->Abort();
                    }
                    break;
                case FaultKind::kSlow:
                    reply.delayMs = fault->parameter;
                    break;
                case FaultKind::kUnplug:
                    m_bootLoader->Abort();
                    reply.bytes.clear();
                    reply.unplug = true;
                    replies.push_back(reply);
                    return replies;
                }
            }
        }
        if (!reply.bytes.empty() || reply.unplug) {
            replies.push_back(std::move(reply));
        }
    }
    return replies;
}

int EmulatedPod::VersionMajor() const
{
    std::lock_guard lock(m_mutex);
    return m_commands.VersionMajor();
}

int EmulatedPod::VersionMinor() const
{
    std::lock_guard lock(m_mutex);
    return m_commands.VersionMinor();
}

std::vector<std::uint8_t> EmulatedPod::Firmware() const
{
    std::lock_guard lock(m_mutex);
    return m_image;
}

std::vector<SimFault> EmulatedPod::UnfiredFaults() const
{
    std::lock_guard lock(m_mutex);
    return m_faults.Unfired();
}

std::uint32_t EmulatedPod::CommandCount(int what) const
{
    std::lock_guard lock(m_mutex);
    return m_faults.Count(what);
}

PodError EmulatedPod::LastError() const
{
    std::lock_guard lock(m_mutex);
    return m_commands.LastError();
}

std::vector<std::uint16_t> EmulatedPod::FlashOf(int region, int type) const
{
    std::lock_guard lock(m_mutex);
    const TargetBoard* target =
        m_commands.ExistingTarget(type < 0 ? m_commands.EffectiveType() : type);
    if (target == nullptr || region < 0 || region >= kRegionCount) {
        return {};
    }
    const auto flash = target->chip.Flash(region);
    return std::vector<std::uint16_t>(flash.begin(), flash.end());
}

bool EmulatedPod::ChipSecured(int type) const
{
    std::lock_guard lock(m_mutex);
    const TargetBoard* target =
        m_commands.ExistingTarget(type < 0 ? m_commands.EffectiveType() : type);
    return target != nullptr ? target->chip.Secured() : m_options.secured;
}

int EmulatedPod::CurrentMcuType() const
{
    std::lock_guard lock(m_mutex);
    return m_commands.EffectiveType();
}

PodJobStore EmulatedPod::Job() const
{
    std::lock_guard lock(m_mutex);
    return m_commands.Job();
}

std::uint16_t EmulatedPod::ReadRam(std::uint32_t address, std::uint64_t nowUs)
{
    std::lock_guard lock(m_mutex);
    TargetBoard* target = m_commands.TargetFor(m_commands.EffectiveType(), nowUs);
    if (target == nullptr) {
        return 0;
    }
    target->program.Advance(target->ram, nowUs);
    return target->ram.Read(address);
}

void EmulatedPod::WriteRam(std::uint32_t address, std::uint16_t value, std::uint64_t nowUs)
{
    std::lock_guard lock(m_mutex);
    if (TargetBoard* target = m_commands.TargetFor(m_commands.EffectiveType(), nowUs)) {
        target->program.Advance(target->ram, nowUs);
        target->ram.Write(address, value);
    }
}

std::string EmulatedPod::LoadError() const
{
    std::lock_guard lock(m_mutex);
    return m_loadError;
}

std::string EmulatedPod::SaveError() const
{
    std::lock_guard lock(m_mutex);
    return m_saveError;
}

} // namespace sim
