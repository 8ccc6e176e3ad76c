// The reply side of every POD command: the first input byte picks a command, the rest is
// what the device answers to its frame. Checked against the reply rules: a command
// succeeds exactly when all of its reply's bytes came, the first is ':', the last CR and
// every other one a hex digit of either case; data is handed out only then, read from
// the digits after ":" + the two status digits; a rejected reply leaves nothing queued,
// an accepted one leaves only the bytes beyond its length.
#include <array>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>

#include "pod/PodClock.h"
#include "pod/PodCommands.h"
#include "pod/PodSession.h"
#include "tests/support/ScriptedUsbDriver.h"

namespace {

constexpr int kCommands = 25;

// The POD's digit rule: '0'..'9', 'a'..'f', and anything else its code minus 0x37.
int DigitValue(char c)
{
    const int code = static_cast<unsigned char>(c);
    if (code >= '0' && code <= '9') return code - '0';
    if (code >= 'a' && code <= 'f') return code - 'a' + 10;
    return code - 0x37;
}

// A memory value: its field's digits, all of them hex digits in an accepted reply.
std::uint32_t HexField(const std::string& digits)
{
    return static_cast<std::uint32_t>(std::stoul(digits, nullptr, 16));
}

bool WholeShape(const std::string& reply, std::size_t length)
{
    if (reply.size() < length || reply[0] != ':' || reply[length - 1] != '\r') return false;
    for (std::size_t i = 1; i + 1 < length; ++i)
        if (std::isxdigit(static_cast<unsigned char>(reply[i])) == 0) return false;
    return true;
}

[[noreturn]] void Fail(int command, const char* what)
{
    std::fprintf(stderr, "command %d: %s\n", command, what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) return 0;
    const int command = data[0] % kCommands;
    const std::string reply(reinterpret_cast<const char*>(data + 1), size - 1);

    pod::VirtualPodClock clock;
    pod::test::ScriptedUsbDriver driver(clock);
    pod::PodSession session(driver, clock);
    session.ProbePod();
    if (!session.OpenPodSession()) Fail(command, "the scripted POD did not open");
    driver.QueueReply(reply);

    const std::array<std::uint16_t, 3> words{0x1234, 0xFFFF, 0x0000};
    const std::span<const std::uint16_t> w(words);
    const std::uint32_t counts[4] = {1, 2, 3, 4};
    std::size_t length = pod::kAckReplyLength;
    bool ok = false;
    // What a command hands out: sentinels stay when it fails.
    int major = -1000, minor = -1000;
    std::uint32_t value = 0xDEADBEEF;
    int state = -1000;

    switch (command) {
    case 0:
        ok = pod::CmdGetVersion(session, major, minor).ok();
        length = pod::kVersionReplyLength;
        break;
    case 1:
        ok = pod::CmdResetTarget(session).ok();
        break;
    case 2:
        ok = pod::CmdPodWriteInfo(session, 1, 27, 0, 0, 1, 591, counts).ok();
        break;
    case 3:
        ok = pod::CmdPodWriteLoader(session, 1, w).ok();
        break;
    case 4:
        ok = pod::CmdPodWriteBlock(session, 1, 100, w).ok();
        break;
    case 5:
        ok = pod::CmdConnectTarget(session, 27, pod::kConnect56800E, 0, 1).ok();
        break;
    case 6:
        state = pod::CmdEnableOnce(session).value;
        length = pod::kEnableOnceReplyLength;
        break;
    case 7:
        ok = pod::CmdUnlockFlash(session).ok();
        break;
    case 8:
        ok = pod::CmdTargetLoadLoader(session, w).ok();
        break;
    case 9:
        ok = pod::CmdEraseFlash(session, 0x0F).ok();
        break;
    case 10:
        ok = pod::CmdProgramPage(session, 2, 2, 4, w).ok();
        break;
    case 11:
        ok = pod::CmdBufferChunk(session, 0, w).ok();
        break;
    case 12:
        ok = pod::CmdProgramBuffered(session, 2, 2, 0, 3, 0x1233).ok();
        break;
    case 13:
        ok = pod::CmdReleaseTarget(session, 1).ok();
        break;
    case 14:
        ok = pod::CmdSetMonitorBaud(session, 3).ok();
        break;
    case 15:
        ok = pod::CmdWriteMemory(session, 8, 0x80, 0x42C80000).ok();
        break;
    default: {
        // Memory reads of every view type 0..8.
        const int viewType = command - 16;
        ok = pod::CmdReadMemory(session, viewType, 0x80, value).ok();
        const int width = pod::AccessWidthForView(viewType);
        length = width == 3 ? 14 : width == 2 ? 10 : 8;
        break;
    }
    }

    const bool expected = WholeShape(reply, length);
    if (command == 6) {
        // The target state is the value of the two digits after the status; a rejected
        // reply reads as "failed" (0).
        const int want = expected ? DigitValue(reply[3]) * 16 + DigitValue(reply[4]) : 0;
        if (state != want) Fail(command, "wrong target state");
    } else if (ok != expected) {
        Fail(command, ok ? "accepted a reply it must reject" : "rejected a good reply");
    }
    if (command == 0) {
        const bool untouched = major == -1000 && minor == -1000;
        if (!expected && !untouched) Fail(command, "version handed out on failure");
        if (expected && (major != DigitValue(reply[3]) || minor != DigitValue(reply[4])))
            Fail(command, "wrong version digits");
    }
    if (command >= 16) {
        if (!expected && value != 0xDEADBEEF) Fail(command, "memory value handed out on failure");
        if (expected && value != HexField(reply.substr(3, length - 6)))
            Fail(command, "wrong memory value");
    }
    const std::size_t left = expected && reply.size() > length ? reply.size() - length : 0;
    if (driver.PendingRx() != left) Fail(command, "wrong bytes left queued after the reply");
    return 0;
}
