#include "pod/PodCommands.h"

#include "pod/PodFrame.h"
#include "pod/PodIo.h"
#include "pod/PodPayload.h"
#include "pod/PodSession.h"

#include <string>

namespace pod {

namespace {

// A reply is taken only when it has the whole shape of the one this command waits for:
// ':' (or '?', the POD's error form) first, hex digits at every other place, CR last.
// The digits' values, the checksum among them, are not judged. Anything else is a late
// reply of an earlier command, a reply cut short or noise, and must not yield a value.
PodOutcome JudgeReply(std::string_view reply)
{
    if (reply.size() < kAckReplyLength || reply.back() != kFrameEnd)
        return PodOutcome::Failed(PodStatus::BadReply);
    const char first = reply.front();
    if (first != kFrameStart && first != kErrorFrameStart)
        return PodOutcome::Failed(PodStatus::BadReply);
    for (char c : reply.substr(1, reply.size() - 2))
        if (StrictHexDigitValue(c) < 0) return PodOutcome::Failed(PodStatus::BadReply);
    if (first == kErrorFrameStart)
        return PodOutcome::Error(static_cast<std::uint8_t>(ParseHexByte(reply.data() + 1)));
    return PodOutcome::Ok();
}

PodOutcome ReadOutcome(PodIoResult read, std::uint32_t stored, std::string_view reply,
                       std::uint32_t timeoutMs)
{
    if (read == PodIoResult::DriverError) return PodOutcome::Failed(PodStatus::LinkLost);
    if (read == PodIoResult::Timeout)
        return PodOutcome::Failed(stored == 0 ? PodStatus::NoAnswer : PodStatus::BadReply,
                                  timeoutMs);
    PodOutcome outcome = JudgeReply(reply);
    outcome.timeoutMs = timeoutMs;
    return outcome;
}

// One framed exchange. On any failure both driver queues are purged now and again right
// before the next command, so that bytes of this reply still on their way cannot pass
// for the next one.
PodOutcome Exchange(PodSession& session, const PodPayload& payload, std::uint32_t replyLength,
                    std::uint32_t timeoutMs, std::string& reply)
{
    if (!payload.valid()) return PodOutcome::Failed(PodStatus::NotSent);
    std::string frame;
    if (!BuildPodFrame(payload.text(), frame)) return PodOutcome::Failed(PodStatus::NotSent);

    auto lock = session.Lock();
    if (!session.IsOpen()) return PodOutcome::Failed(PodStatus::NotSent);
    UsbDriver& driver = session.driver();
    if (session.TakePurgeRequest()) driver.Purge(session.handle(), kFtPurgeRx | kFtPurgeTx);
    reply.assign(replyLength, '\0');
    PodOutcome outcome;
    if (PodWrite(session, frame.data(), static_cast<std::uint32_t>(frame.size()), timeoutMs) ==
        PodIoResult::DriverError) {
        outcome = PodOutcome::Failed(PodStatus::LinkLost);
    } else {
        std::uint32_t stored = 0;
        const PodIoResult read = PodRead(session, reply.data(), replyLength, timeoutMs, &stored);
        outcome = ReadOutcome(read, stored, reply, timeoutMs);
    }
    if (!outcome.ok()) {
        driver.Purge(session.handle(), kFtPurgeRx | kFtPurgeTx);
        session.PurgeBeforeNextCommand();
    }
    return outcome;
}

PodOutcome Acknowledged(PodSession& session, const PodPayload& payload)
{
    std::string reply;
    return Exchange(session, payload, kAckReplyLength, kPodTimeoutMs, reply);
}

constexpr int kValueDigits[4] = {2, 2, 4, 8};
constexpr std::size_t kReplyDataOffset = 3;

} // namespace

std::uint32_t RegionMask(bool dflash, bool bflash, bool p1flash, bool p2flash)
{
    return (dflash ? 8u : 0u) + (bflash ? 4u : 0u) + (p1flash ? 2u : 0u) + (p2flash ? 1u : 0u);
}

std::uint16_t WordChecksum(std::span<const std::uint16_t> words)
{
    std::uint16_t sum = 0;
    for (std::uint16_t word : words)
        sum = static_cast<std::uint16_t>(sum + word);
    return sum;
}

int AccessWidthForView(int viewType)
{
    switch (viewType) {
    case 0:
        return 0; // BYTE_LOW
    case 1:
        return 1; // BYTE_HIGH
    case 2:       // HEX16
    case 4:       // INT16
    case 6:
        return 2; // UINT16
    case 3:       // HEX32
    case 5:       // INT32
    case 7:       // UINT32
    case 8:
        return 3; // FLOAT
    default:
        return -1;
    }
}

std::uint32_t ReadMemoryReplyLength(int accessWidth)
{
    if (accessWidth < 0 || accessWidth > 3) return 0;
    return static_cast<std::uint32_t>(kReplyDataOffset + kValueDigits[accessWidth] + 3);
}

PodOutcome CmdGetVersion(PodSession& session, int& major, int& minor)
{
    std::string reply;
    const PodOutcome outcome = Exchange(session, PodPayload(opcode::kGetVersion),
                                        kVersionReplyLength, kPodTimeoutMs, reply);
    if (!outcome) return outcome;
    major = HexDigitValue(reply[3]);
    minor = HexDigitValue(reply[4]);
    return outcome;
}

PodOutcome CmdResetTarget(PodSession& session)
{
    return Acknowledged(session, PodPayload(opcode::kResetTarget));
}

PodOutcome CmdPodWriteInfo(PodSession& session, std::uint32_t programMode, std::uint32_t mcuType,
                           std::uint32_t resetAfter, std::uint32_t resetPolarity,
                           std::uint32_t resetDelayMs, std::uint32_t loaderLength,
                           const std::uint32_t counts[4])
{
    PodPayload payload(opcode::kPodWriteInfo);
    payload.Field(programMode, 2)
        .Field(mcuType, 2)
        .Field(kPodInfoConstant, 2)
        .Field(resetAfter, 2)
        .Field(resetPolarity, 2)
        .Field(resetDelayMs, 4)
        .Field(loaderLength, 4)
        .Field(counts[0], 4)
        .Field(counts[1], 4)
        .Field(counts[2], 6)
        .Field(counts[3], 6);
    return Acknowledged(session, payload);
}

PodOutcome CmdPodWriteLoader(PodSession& session, std::uint32_t programMode,
                             std::span<const std::uint16_t> words)
{
    PodPayload payload(opcode::kPodWriteLoader);
    payload.Field(programMode, 2).Field(static_cast<std::uint32_t>(words.size()), 4).Words(words);
    return Acknowledged(session, payload);
}

PodOutcome CmdPodWriteBlock(PodSession& session, std::uint32_t programMode,
                            std::uint32_t blockNumber, std::span<const std::uint16_t> words)
{
    PodPayload payload(opcode::kPodWriteBlock);
    payload.Field(programMode, 2)
        .Field(blockNumber, 4)
        .Field(static_cast<std::uint32_t>(2 * words.size()), 4)
        .Words(words);
    return Acknowledged(session, payload);
}

PodOutcome CmdConnectTarget(PodSession& session, std::uint32_t mcuType, std::uint32_t connectMode,
                            std::uint32_t resetPolarity, std::uint32_t resetDelayMs)
{
    PodPayload payload(opcode::kConnectTarget);
    payload.Field(mcuType, 2).Field(connectMode, 2).Field(resetPolarity, 2).Field(resetDelayMs, 4);
    return Acknowledged(session, payload);
}

PodResult<TargetState> CmdEnableOnce(PodSession& session)
{
    std::string reply;
    PodResult<TargetState> result{Exchange(session, PodPayload(opcode::kEnableOnce),
                                           kEnableOnceReplyLength, kPodTimeoutMs, reply),
                                  kTargetFailed};
    if (result) result.value = ParseHexByte(reply.data() + kReplyDataOffset);
    return result;
}

PodOutcome CmdUnlockFlash(PodSession& session)
{
    return Acknowledged(session, PodPayload(opcode::kUnlockFlash));
}

PodOutcome CmdTargetLoadLoader(PodSession& session, std::span<const std::uint16_t> words)
{
    PodPayload payload(opcode::kTargetLoadLoader);
    payload.Field(static_cast<std::uint32_t>(words.size()), 4).Words(words);
    return Acknowledged(session, payload);
}

PodOutcome CmdEraseFlash(PodSession& session, std::uint32_t regionMask)
{
    PodPayload payload(opcode::kEraseFlash);
    payload.Field(regionMask, 2);
    return Acknowledged(session, payload);
}

PodOutcome CmdProgramPage(PodSession& session, std::uint32_t programMode, std::uint32_t region,
                          std::uint32_t startAddress, std::span<const std::uint16_t> words)
{
    PodPayload payload(opcode::kProgramPage);
    payload.Field(programMode, 2)
        .Field(region, 2)
        .Field(startAddress, 6)
        .Field(static_cast<std::uint32_t>(words.size()), 4)
        .Field(WordChecksum(words), 4)
        .Words(words);
    return Acknowledged(session, payload);
}

PodOutcome CmdBufferChunk(PodSession& session, std::uint32_t chunkIndex,
                          std::span<const std::uint16_t> words)
{
    PodPayload payload(opcode::kBufferChunk);
    payload.Field(chunkIndex, 2).Field(static_cast<std::uint32_t>(words.size()), 4).Words(words);
    return Acknowledged(session, payload);
}

PodOutcome CmdProgramBuffered(PodSession& session, std::uint32_t programMode, std::uint32_t region,
                              std::uint32_t startAddress, std::uint32_t count,
                              std::uint32_t checksum)
{
    PodPayload payload(opcode::kProgramBuffered);
    payload.Field(programMode, 2)
        .Field(region, 2)
        .Field(startAddress, 6)
        .Field(count, 4)
        .Field(checksum, 4);
    return Acknowledged(session, payload);
}

PodOutcome CmdReleaseTarget(PodSession& session, std::uint32_t resetFlag)
{
    PodPayload payload(opcode::kReleaseTarget);
    payload.Field(resetFlag, 2);
    return Acknowledged(session, payload);
}

PodOutcome CmdSetMonitorBaud(PodSession& session, std::uint32_t index)
{
    PodPayload payload(opcode::kSetMonitorBaud);
    payload.Field(index, 2);
    return Acknowledged(session, payload);
}

PodOutcome CmdReadMemory(PodSession& session, int viewType, std::uint32_t address,
                         std::uint32_t& value)
{
    const int width = AccessWidthForView(viewType);
    if (width < 0) return PodOutcome::Failed(PodStatus::NotSent);
    PodPayload payload(opcode::kReadMemory);
    payload.Field(static_cast<std::uint32_t>(width), 2).Field(address & 0xFFFFFFu, 6);
    std::string reply;
    const PodOutcome outcome =
        Exchange(session, payload, ReadMemoryReplyLength(width), kPodReadMemoryTimeoutMs, reply);
    if (!outcome) return outcome;
    // The reply's shape was checked, so every one of these is a hex digit.
    std::uint32_t read = 0;
    for (int i = 0; i < kValueDigits[width]; ++i)
        read = read * 16 + static_cast<std::uint32_t>(HexDigitValue(reply[kReplyDataOffset + i]));
    value = read;
    return outcome;
}

PodOutcome CmdWriteMemory(PodSession& session, int viewType, std::uint32_t address,
                          std::uint32_t value)
{
    const int width = AccessWidthForView(viewType);
    if (width < 0) return PodOutcome::Failed(PodStatus::NotSent);
    const int digits = kValueDigits[width];
    const std::uint32_t sent = digits == 8 ? value : value & ((1u << (4 * digits)) - 1u);
    PodPayload payload(opcode::kWriteMemory);
    payload.Field(static_cast<std::uint32_t>(width), 2)
        .Field(address & 0xFFFFFFu, 6)
        .Field(sent, digits);
    return Acknowledged(session, payload);
}

} // namespace pod
