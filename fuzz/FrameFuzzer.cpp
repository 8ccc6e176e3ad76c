// The emulator's frame parser against the frame rules as the protocol states them: a
// frame is accepted exactly when it is ':' + an even number of upper-case hex digits
// (at least the opcode) + the two digits of their 8-bit character sum + CR, at most
// 4096 bytes, and then the payload is the digits between.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "sim/FrameCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view frame(reinterpret_cast<const char*>(data), size);
    std::string payload;
    const sim::FrameError error = sim::ParseCommandFrame(frame, payload);

    bool valid = size >= 6 && size <= 4096 && frame.front() == ':' && frame.back() == '\r' &&
                 (size - 4) % 2 == 0;
    unsigned sum = 0;
    for (std::size_t i = 1; valid && i + 1 < size; ++i) {
        const char c = frame[i];
        valid = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
        if (i + 3 < size) sum += static_cast<unsigned char>(c);
    }
    if (valid) {
        const std::string digits(frame.substr(size - 3, 2));
        valid = std::strtoul(digits.c_str(), nullptr, 16) == (sum & 0xFF);
    }
    if ((error == sim::FrameError::kNone) != valid) {
        std::fprintf(stderr, "frame parser says %d, the rules say %s\n", static_cast<int>(error),
                     valid ? "valid" : "invalid");
        std::abort();
    }
    if (valid && payload != frame.substr(1, size - 4)) {
        std::fprintf(stderr, "payload differs from the frame's digits\n");
        std::abort();
    }
    return 0;
}
