#include "pod/PodCommands.h"

#include "pod/PodFrame.h"
#include "pod/PodIo.h"
#include "pod/PodPayload.h"
#include "pod/PodSession.h"

#include <string>

namespace pod {

namespace {

enum class Outcome {
    Refused,  // nothing sent
    Rejected, // sent; the reply did not start with ':' (queues purged)
    Accepted,
};

// One framed exchange. Replies that carry data must arrive whole: a reply cut short
// after its ':' would otherwise hand zeroed digits to the caller as a valid value.
Outcome Exchange(PodSession& session, const PodPayload& payload, std::uint32_t replyLength,
                 std::uint32_t timeoutMs, std::string& reply, bool needWholeReply = false)
{
    if (!payload.valid()) return Outcome::Refused;
    std::string frame;
    if (!BuildPodFrame(payload.text(), frame)) return Outcome::Refused;

    auto lock = session.Lock();
    if (!session.IsOpen()) return Outcome::Refused;
    reply.assign(replyLength, '\0');
    // The primitives' results are not judged: a failed write or a short read shows up
    // as a missing or wrong first reply byte.
    PodWrite(session, frame.data(), static_cast<std::uint32_t>(frame.size()), timeoutMs);
    const PodIoResult read = PodRead(session, reply.data(), replyLength, timeoutMs);
    if (reply[0] == kFrameStart && (!needWholeReply || read == PodIoResult::Done))
        return Outcome::Accepted;
    session.driver().Purge(session.handle(), kFtPurgeRx | kFtPurgeTx);
    return Outcome::Rejected;
}

bool Acknowledged(PodSession& session, const PodPayload& payload)
{
    std::string reply;
    return Exchange(session, payload, kAckReplyLength, kPodTimeoutMs, reply) == Outcome::Accepted;
}

// Base-16 conversion of the leading hex digits.
std::uint32_t HexValue(std::string_view digits)
{
    std::uint32_t value = 0;
    for (char c : digits) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else
            break;
        value = value * 16 + static_cast<std::uint32_t>(digit);
    }
    return value;
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

bool CmdGetVersion(PodSession& session, int& major, int& minor)
{
    std::string reply;
    if (Exchange(session, PodPayload(opcode::kGetVersion), kVersionReplyLength, kPodTimeoutMs,
                 reply, true) != Outcome::Accepted)
        return false;
    major = HexDigitValue(reply[3]);
    minor = HexDigitValue(reply[4]);
    return true;
}

bool CmdResetTarget(PodSession& session)
{
    return Acknowledged(session, PodPayload(opcode::kResetTarget));
}

bool CmdPodWriteInfo(PodSession& session, std::uint32_t programMode, std::uint32_t mcuType,
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

bool CmdPodWriteLoader(PodSession& session, std::uint32_t programMode,
                       std::span<const std::uint16_t> words)
{
    PodPayload payload(opcode::kPodWriteLoader);
    payload.Field(programMode, 2).Field(static_cast<std::uint32_t>(words.size()), 4).Words(words);
    return Acknowledged(session, payload);
}

bool CmdPodWriteBlock(PodSession& session, std::uint32_t programMode, std::uint32_t blockNumber,
                      std::span<const std::uint16_t> words)
{
    PodPayload payload(opcode::kPodWriteBlock);
    payload.Field(programMode, 2)
        .Field(blockNumber, 4)
        .Field(static_cast<std::uint32_t>(2 * words.size()), 4)
        .Words(words);
    return Acknowledged(session, payload);
}

bool CmdConnectTarget(PodSession& session, std::uint32_t mcuType, std::uint32_t connectMode,
                      std::uint32_t resetPolarity, std::uint32_t resetDelayMs)
{
    PodPayload payload(opcode::kConnectTarget);
    payload.Field(mcuType, 2).Field(connectMode, 2).Field(resetPolarity, 2).Field(resetDelayMs, 4);
    return Acknowledged(session, payload);
}

TargetState CmdEnableOnce(PodSession& session)
{
    std::string reply;
    if (Exchange(session, PodPayload(opcode::kEnableOnce), kEnableOnceReplyLength, kPodTimeoutMs,
                 reply, true) != Outcome::Accepted)
        return kTargetFailed;
    return ParseHexByte(reply.data() + kReplyDataOffset);
}

bool CmdUnlockFlash(PodSession& session)
{
    return Acknowledged(session, PodPayload(opcode::kUnlockFlash));
}

bool CmdTargetLoadLoader(PodSession& session, std::span<const std::uint16_t> words)
{
    PodPayload payload(opcode::kTargetLoadLoader);
    payload.Field(static_cast<std::uint32_t>(words.size()), 4).Words(words);
    return Acknowledged(session, payload);
}

bool CmdEraseFlash(PodSession& session, std::uint32_t regionMask)
{
    PodPayload payload(opcode::kEraseFlash);
    payload.Field(regionMask, 2);
    return Acknowledged(session, payload);
}

bool CmdProgramPage(PodSession& session, std::uint32_t programMode, std::uint32_t region,
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

bool CmdBufferChunk(PodSession& session, std::uint32_t chunkIndex,
                    std::span<const std::uint16_t> words)
{
    PodPayload payload(opcode::kBufferChunk);
    payload.Field(chunkIndex, 2).Field(static_cast<std::uint32_t>(words.size()), 4).Words(words);
    return Acknowledged(session, payload);
}

bool CmdProgramBuffered(PodSession& session, std::uint32_t programMode, std::uint32_t region,
                        std::uint32_t startAddress, std::uint32_t count, std::uint32_t checksum)
{
    PodPayload payload(opcode::kProgramBuffered);
    payload.Field(programMode, 2)
        .Field(region, 2)
        .Field(startAddress, 6)
        .Field(count, 4)
        .Field(checksum, 4);
    return Acknowledged(session, payload);
}

bool CmdReleaseTarget(PodSession& session, std::uint32_t resetFlag)
{
    PodPayload payload(opcode::kReleaseTarget);
    payload.Field(resetFlag, 2);
    return Acknowledged(session, payload);
}

bool CmdSetMonitorBaud(PodSession& session, std::uint32_t index)
{
    PodPayload payload(opcode::kSetMonitorBaud);
    payload.Field(index, 2);
    return Acknowledged(session, payload);
}

bool CmdReadMemory(PodSession& session, int viewType, std::uint32_t address, std::uint32_t& value)
{
    const int width = AccessWidthForView(viewType);
    if (width < 0) return false;
    PodPayload payload(opcode::kReadMemory);
    payload.Field(static_cast<std::uint32_t>(width), 2).Field(address & 0xFFFFFFu, 6);
    std::string reply;
    if (Exchange(session, payload, ReadMemoryReplyLength(width), kPodReadMemoryTimeoutMs, reply,
                 true) != Outcome::Accepted)
        return false;
    value = HexValue(std::string_view(reply).substr(kReplyDataOffset,
                                                    static_cast<std::size_t>(kValueDigits[width])));
    return true;
}

bool CmdWriteMemory(PodSession& session, int viewType, std::uint32_t address, std::uint32_t value)
{
    const int width = AccessWidthForView(viewType);
    if (width < 0) return false;
    const int digits = kValueDigits[width];
    const std::uint32_t sent = digits == 8 ? value : value & ((1u << (4 * digits)) - 1u);
    PodPayload payload(opcode::kWriteMemory);
    payload.Field(static_cast<std::uint32_t>(width), 2)
        .Field(address & 0xFFFFFFu, 6)
        .Field(sent, digits);
    return Acknowledged(session, payload);
}

} // namespace pod
