#include "image/SRecordReader.h"

#include "platform/FileCalls.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <system_error>

namespace image {

namespace {

constexpr std::size_t kMaxToken = 1023;
constexpr std::size_t kBlockSize = 64 * 1024;
constexpr int kMaxRecordWords = (255 - 5) / 2;

constexpr std::array<std::int8_t, 256> MakeHexTable()
{
    std::array<std::int8_t, 256> t{};
    for (auto& v : t) {
        v = -1;
    }
    for (int c = '0'; c <= '9'; ++c) {
        t[c] = static_cast<std::int8_t>(c - '0');
    }
    for (int c = 'A'; c <= 'F'; ++c) {
        t[c] = static_cast<std::int8_t>(c - 'A' + 10);
        t[c + ('a' - 'A')] = static_cast<std::int8_t>(c - 'A' + 10);
    }
    return t;
}
constexpr std::array<std::int8_t, 256> kHex = MakeHexTable();

constexpr std::array<bool, 256> MakeSpaceTable()
{
    std::array<bool, 256> t{};
    t[' '] = t['\t'] = t['\n'] = t['\v'] = t['\f'] = t['\r'] = true;
    return t;
}
constexpr std::array<bool, 256> kSpace = MakeSpaceTable();

// Two hex digits to a byte; -1 when either is not a hex digit.
inline int HexByte(const unsigned char* p)
{
    const int hi = kHex[p[0]];
    const int lo = kHex[p[1]];
    return (hi | lo) < 0 ? -1 : (hi << 4) | lo;
}

// Where a word address lands, worked out once per load from the selection.
struct Placement {
    struct Window {
        bool present = false;
        std::uint64_t lo = 0;
        std::uint64_t hi = 0;
    };
    Window region[kRegionCount];
    bool lowWordsToBoot = false;

    explicit Placement(const McuSelection& sel)
    {
        for (int r = 0; r < kRegionCount; ++r) {
            region[r].present = sel.present(r) != 0;
            const std::uint64_t raise = r == kDflash ? sel.dataSpaceOffset() : 0;
            region[r].lo = sel.first(r) + raise;
            region[r].hi = sel.last(r) + raise;
        }
        lowWordsToBoot = sel.type() >= 0 && sel.type() <= 4;
    }

    bool In(int r, std::uint64_t a) const
    {
        return region[r].present && a >= region[r].lo && a <= region[r].hi;
    }

    void Place(std::uint64_t a, std::uint16_t v, FlashImageSet& images) const
    {
        bool stored = false;
        if (In(kP1flash, a)) {
            images.Store(kP1flash, static_cast<std::uint32_t>(a - region[kP1flash].lo), v);
            stored = true;
        }
        if (In(kP2flash, a)) {
            images.Store(kP2flash, static_cast<std::uint32_t>(a - region[kP2flash].lo), v);
            stored = true;
        }
        if (a > 3) {
            if (In(kBflash, a)) {
                images.Store(kBflash, static_cast<std::uint32_t>(a - region[kBflash].lo), v);
                stored = true;
            }
        } else if (lowWordsToBoot) {
            images.Store(kBflash, static_cast<std::uint32_t>(a), v);
            stored = true;
        }
        if (In(kDflash, a)) {
            images.Store(kDflash, static_cast<std::uint32_t>(a - region[kDflash].lo), v);
            stored = true;
        }
        if (!stored) {
            images.NoteOutside(a);
        }
    }
};

void ProcessToken(const unsigned char* t, std::size_t len, const Placement& placement,
                  FlashImageSet& images)
{
    if (len < 2 || t[0] != 'S' || t[1] != '3') {
        return;
    }
    SRecordSkips& skips = images.skips();
    if (len < 4) {
        ++skips.shortRecords;
        return;
    }
    const int count = HexByte(t + 2);
    if (count < 0) {
        ++skips.badDigits;
        return;
    }
    const int words = count >= 5 ? (count - 5) / 2 : 0;
    if (words == 0) {
        ++skips.smallCounts;
        return;
    }
    if (len < 4 + 2 * static_cast<std::size_t>(count)) {
        ++skips.shortRecords;
        return;
    }
    std::uint64_t address = 0;
    for (int i = 0; i < 4; ++i) {
        const int b = HexByte(t + 4 + 2 * i);
        if (b < 0) {
            ++skips.badDigits;
            return;
        }
        address = (address << 8) | static_cast<unsigned>(b);
    }
    std::uint16_t data[kMaxRecordWords];
    const unsigned char* p = t + 12;
    for (int k = 0; k < words; ++k, p += 4) {
        const int low = HexByte(p);
        const int high = HexByte(p + 2);
        if ((low | high) < 0) {
            ++skips.badDigits;
            return;
        }
        data[k] = static_cast<std::uint16_t>(low | (high << 8));
    }
    for (int k = 0; k < words; ++k) {
        placement.Place(address + static_cast<unsigned>(k), data[k], images);
    }
}

} // namespace

bool ReadSRecords(const std::string& path, const McuSelection& selection, FlashImageSet& images,
                  std::string* reason)
{
    images.Clear();
    std::FILE* f = nullptr;
    if (const platform::SystemError error = platform::OpenStream(path, "rb", f)) {
        if (reason) *reason = error.text;
        return false;
    }
    const Placement placement(selection);
    std::array<unsigned char, kBlockSize> block;
    unsigned char token[kMaxToken + 1];
    std::size_t len = 0;
    bool overlong = false;
    for (;;) {
        const std::size_t got = std::fread(block.data(), 1, block.size(), f);
        for (std::size_t i = 0; i < got; ++i) {
            const unsigned char c = block[i];
            if (kSpace[c]) {
                if (len > 0 && !overlong) {
                    ProcessToken(token, len, placement, images);
                }
                len = 0;
                overlong = false;
            } else if (overlong) {
                continue;
            } else if (len == kMaxToken) {
                overlong = true;
                ++images.skips().longTokens;
            } else {
                token[len++] = c;
            }
        }
        if (got < block.size()) {
            break;
        }
    }
    const bool failed = std::ferror(f) != 0;
    const int error = errno;
    std::fclose(f);
    if (failed) {
        if (reason) *reason = std::generic_category().message(error);
        images.Clear();
        return false;
    }
    if (len > 0 && !overlong) {
        ProcessToken(token, len, placement, images);
    }
    return true;
}

} // namespace image
