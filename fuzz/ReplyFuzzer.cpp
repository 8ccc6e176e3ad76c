// The reply side of every POD command: the first input byte picks a command, the rest is
// what the device answers to its frame. Checked against the reply rules as the protocol
// states them: a command succeeds exactly when the reply starts with ':' and, for the
// replies that carry data (version, target state, memory), when all of its bytes came;
// data is handed out only then, read from the digits after ":" + the two status digits;
// a rejected reply leaves nothing queued, an accepted one leaves only the bytes beyond
// its length.
#include <array>
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

// A memory value: the leading hex digits (either case) of its field.
std::uint32_t LeadingHex(const std::string& digits)
{
    std::uint32_t value = 0;
    for (char c : digits) {
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else
            break;
        value = value * 16 + static_cast<std::uint32_t>(d);
    }
    return value;
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
    bool carriesData = false;
    bool ok = false;
    // What a command hands out: sentinels stay when it fails.
    int major = -1000, minor = -1000;
    std::uint32_t value = 0xDEADBEEF;
    int state = -1000;

    switch (command) {
    case 0:
        ok = pod::CmdGetVersion(session, major, minor);
        length = pod::kVersionReplyLength;
        carriesData = true;
        break;
    case 1:
        ok = pod::CmdResetTarget(session);
        break;
    case 2:
        ok = pod::CmdPodWriteInfo(session, 1, 27, 0, 0, 1, 591, counts);
        break;
    case 3:
        ok = pod::CmdPodWriteLoader(session, 1, w);
        break;
    case 4:
        ok = pod::CmdPodWriteBlock(session, 1, 100, w);
        break;
    case 5:
        ok = pod::CmdConnectTarget(session, 27, pod::kConnect56800E, 0, 1);
        break;
    case 6:
        state = pod::CmdEnableOnce(session);
        length = pod::kEnableOnceReplyLength;
        carriesData = true;
        break;
    case 7:
        ok = pod::CmdUnlockFlash(session);
        break;
    case 8:
        ok = pod::CmdTargetLoadLoader(session, w);
        break;
    case 9:
        ok = pod::CmdEraseFlash(session, 0x0F);
        break;
    case 10:
        ok = pod::CmdProgramPage(session, 2, 2, 4, w);
        break;
    case 11:
        ok = pod::CmdBufferChunk(session, 0, w);
        break;
    case 12:
        ok = pod::CmdProgramBuffered(session, 2, 2, 0, 3, 0x1233);
        break;
    case 13:
        ok = pod::CmdReleaseTarget(session, 1);
        break;
    case 14:
        ok = pod::CmdSetMonitorBaud(session, 3);
        break;
    case 15:
        ok = pod::CmdWriteMemory(session, 8, 0x80, 0x42C80000);
        break;
    default: {
        // Memory reads of every view type 0..8.
        const int viewType = command - 16;
        ok = pod::CmdReadMemory(session, viewType, 0x80, value);
        const int width = pod::AccessWidthForView(viewType);
        length = width == 3 ? 14 : width == 2 ? 10 : 8;
        carriesData = true;
        break;
    }
    }

    const bool expected =
        !reply.empty() && reply[0] == ':' && (!carriesData || reply.size() >= length);
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
        if (expected && value != LeadingHex(reply.substr(3, length - 6)))
            Fail(command, "wrong memory value");
    }
    const std::size_t left = expected && reply.size() > length ? reply.size() - length : 0;
    if (driver.PendingRx() != left) Fail(command, "wrong bytes left queued after the reply");
    return 0;
}
