#include "pod/PodCommands.h"

#include "pod/PodFrame.h"
#include "pod/PodIo.h"
#include "pod/PodPayload.h"
#include "pod/PodSession.h"

#include <algorithm>
#include <string>
#include <string_view>

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

// The quiet a failed command's late reply is awaited for before the next command: its
// own time-out, at most this long.
constexpr std::uint32_t kMaxSettleMs = 500;
// A POD that never goes quiet is not waited for longer than this.
constexpr std::uint32_t kMaxSettleTotalMs = 1500;

// Waits until nothing has arrived for `quietMs`, throwing away what does, then purges
// both queues: what a failed command's reply still had on its way is gone before the
// next command goes out.
void SettleLine(PodSession& session, std::uint32_t quietMs)
{
    UsbDriver& driver = session.driver();
    PodClock& clock = session.clock();
    const FtHandle handle = session.handle();
    const std::uint32_t start = clock.NowMs();
    std::uint32_t quietSince = start;
    std::uint32_t dropped = 0;
    for (;;) {
        std::uint32_t rxQueue = 0;
        if (driver.GetQueueStatus(handle, &rxQueue) != kFtOk) break;
        const std::uint32_t now = clock.NowMs();
        if (rxQueue > 0) {
            dropped += rxQueue;
            driver.Purge(handle, kFtPurgeRx);
            quietSince = now;
        } else if (now - quietSince >= quietMs) {
            break;
        }
        if (now - start >= kMaxSettleTotalMs) break;
        clock.SleepMs(1);
    }
    driver.Purge(handle, kFtPurgeRx | kFtPurgeTx);
    session.TraceNote("settled " + std::to_string(clock.NowMs() - start) +
                      " ms after a failed exchange, " + std::to_string(dropped) +
                      " late bytes dropped");
}

// The length of a whole well-formed frame at the start of `reply` that names another
// opcode than `opcode`, when the POD is known to echo; 0 for anything else.
std::size_t ForeignFrameLength(const PodSession& session, std::string_view reply,
                               std::string_view opcode)
{
    if (session.replyEcho() != PodSession::ReplyEcho::Echoes) return 0;
    const std::size_t end = reply.find(kFrameEnd);
    if (end == std::string_view::npos || reply.front() != kFrameStart || end < 3) return 0;
    if (!JudgeReply(reply.substr(0, end + 1)).ok()) return 0;
    return reply.substr(1, 2) == opcode ? 0 : end + 1;
}

// Reads this command's reply within the time-out. A frame of another command that
// arrives first (late, after its own time-out) is dropped and the read goes on for the
// rest of the time-out.
PodOutcome ReadReply(PodSession& session, std::string_view opcode, std::uint32_t replyLength,
                     std::uint32_t timeoutMs, std::string& reply)
{
    PodClock& clock = session.clock();
    const std::uint32_t start = clock.NowMs();
    std::size_t have = 0;
    for (;;) {
        const std::uint32_t spent = clock.NowMs() - start;
        const std::uint32_t left = spent < timeoutMs ? timeoutMs - spent : 0;
        std::uint32_t stored = 0;
        const PodIoResult read =
            PodRead(session, reply.data() + have, static_cast<std::uint32_t>(replyLength - have),
                    left, &stored);
        PodOutcome outcome = ReadOutcome(read, static_cast<std::uint32_t>(have) + stored, reply,
                                         timeoutMs);
        const std::size_t foreign =
            read == PodIoResult::DriverError ? 0 : ForeignFrameLength(session, reply.substr(0, have + stored), opcode);
        if (foreign == 0) return outcome;
        session.TraceNote("foreign reply " + reply.substr(0, foreign - 1) + "\\r dropped");
        reply.erase(0, foreign);
        have = have + stored - foreign;
        reply.resize(replyLength, '\0');
    }
}

// One framed exchange. On any failure both driver queues are purged now, and the next
// command waits for the line to settle first, so that bytes of this reply still on their
// way cannot pass for the next one.
PodOutcome Exchange(PodSession& session, const PodPayload& payload, std::uint32_t replyLength,
                    std::uint32_t timeoutMs, std::string& reply)
{
    if (!payload.valid()) return PodOutcome::Failed(PodStatus::NotSent);
    std::string frame;
    if (!BuildPodFrame(payload.text(), frame)) return PodOutcome::Failed(PodStatus::NotSent);

    auto lock = session.Lock();
    if (!session.IsOpen()) return PodOutcome::Failed(PodStatus::NotSent);
    UsbDriver& driver = session.driver();
    if (const std::uint32_t quietMs = session.TakeSettleRequest()) SettleLine(session, quietMs);
    reply.assign(replyLength, '\0');
    const std::string_view opcode = std::string_view(payload.text()).substr(0, 2);
    PodOutcome outcome;
    if (PodWrite(session, frame.data(), static_cast<std::uint32_t>(frame.size()), timeoutMs) ==
        PodIoResult::DriverError) {
        outcome = PodOutcome::Failed(PodStatus::LinkLost);
    } else {
        outcome = ReadReply(session, opcode, replyLength, timeoutMs, reply);
    }
    if (!outcome.ok()) {
        driver.Purge(session.handle(), kFtPurgeRx | kFtPurgeTx);
        session.SettleBeforeNextCommand(std::min(timeoutMs, kMaxSettleMs));
    } else if (reply.front() == kFrameStart) {
        session.LearnReplyEcho(reply.substr(1, 2) == opcode);
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
