// The S-record loader against a reader written here from the format's rules alone: both
// must put the same words in the same places, count the same words outside every region
// and skip the same records. The first byte chooses the part.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>

#include "image/FlashImageSet.h"
#include "image/McuCatalog.h"
#include "image/McuSelection.h"
#include "image/SRecordReader.h"

namespace {

int HexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Two hex digits at `at`, or -1.
int Byte(std::string_view t, std::size_t at)
{
    const int hi = HexValue(t[at]);
    const int lo = HexValue(t[at + 1]);
    return hi < 0 || lo < 0 ? -1 : hi * 16 + lo;
}

struct Expected {
    std::map<std::uint32_t, std::uint16_t> words[image::kRegionCount];
    std::uint32_t stores[image::kRegionCount] = {};
    std::uint64_t outside = 0;
    image::SRecordSkips skips{};
};

void Place(int type, std::uint64_t a, std::uint16_t v, Expected& e)
{
    const image::McuRecord& m = image::RecordFor(type);
    bool stored = false;
    auto store = [&](int r, std::uint64_t offset) {
        e.words[r][static_cast<std::uint32_t>(offset)] = v;
        ++e.stores[r];
        stored = true;
    };
    auto inside = [&](int r, std::uint64_t raise) {
        return m.present[r] != 0 && a >= m.first[r] + raise && a <= m.last[r] + raise;
    };
    if (inside(image::kP1flash, 0)) store(image::kP1flash, a - m.first[image::kP1flash]);
    if (inside(image::kP2flash, 0)) store(image::kP2flash, a - m.first[image::kP2flash]);
    if (a <= 3 && type <= 4) {
        store(image::kBflash, a); // the 56800 parts' reset and COP vectors
    } else if (a > 3 && inside(image::kBflash, 0)) {
        store(image::kBflash, a - m.first[image::kBflash]);
    }
    const std::uint64_t raise = image::DataSpaceOffset(type);
    if (inside(image::kDflash, raise)) store(image::kDflash, a - raise - m.first[image::kDflash]);
    if (!stored) ++e.outside;
}

void Record(int type, std::string_view t, Expected& e)
{
    if (t.substr(0, 2) != "S3") return;
    if (t.size() < 4) {
        ++e.skips.shortRecords;
        return;
    }
    const int count = Byte(t, 2);
    if (count < 0) {
        ++e.skips.badDigits;
        return;
    }
    const int words = count < 5 ? 0 : (count - 5) / 2;
    if (words == 0) {
        ++e.skips.smallCounts;
        return;
    }
    if (t.size() < 4 + 2 * static_cast<std::size_t>(count)) {
        ++e.skips.shortRecords;
        return;
    }
    std::uint64_t address = 0;
    std::uint16_t data[128];
    for (int i = 0; i < 4 + 2 * words; ++i) {
        const int b = Byte(t, 4 + 2 * static_cast<std::size_t>(i));
        if (b < 0) {
            ++e.skips.badDigits;
            return;
        }
        if (i < 4) {
            address = address * 256 + static_cast<unsigned>(b);
        } else if ((i - 4) % 2 == 0) {
            data[(i - 4) / 2] = static_cast<std::uint16_t>(b);
        } else {
            data[(i - 4) / 2] = static_cast<std::uint16_t>(data[(i - 4) / 2] | (b << 8));
        }
    }
    for (int k = 0; k < words; ++k)
        Place(type, address + static_cast<unsigned>(k), data[k], e);
}

Expected Read(int type, std::string_view text)
{
    Expected e;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t start = text.find_first_not_of(" \t\n\v\f\r", at);
        if (start == std::string_view::npos) break;
        std::size_t end = text.find_first_of(" \t\n\v\f\r", start);
        if (end == std::string_view::npos) end = text.size();
        if (end - start > 1023) {
            ++e.skips.longTokens;
        } else {
            Record(type, text.substr(start, end - start), e);
        }
        at = end;
    }
    return e;
}

[[noreturn]] void Mismatch(const char* what)
{
    std::fprintf(stderr, "S-record loader and the independent reader differ: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) return 0;
    const int type = data[0] % image::kMcuCount;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

    // The loader reads a path; a memory file keeps the disk out of the loop.
    static const int fd = memfd_create("srecord", 0);
    static const std::string path = "/proc/self/fd/" + std::to_string(fd);
    if (ftruncate(fd, 0) != 0 ||
        pwrite(fd, text.data(), text.size(), 0) != static_cast<ssize_t>(text.size()))
        return 0;

    image::McuSelection selection;
    selection.SelectMcu(type);
    static image::FlashImageSet images;
    if (!image::ReadSRecords(path, selection, images)) Mismatch("the file was not read");

    const Expected e = Read(type, text);
    std::uint64_t outside = 0;
    for (int r = 0; r < image::kRegionCount; ++r) {
        if (images.wordCount(r) != e.stores[r]) Mismatch("word counts");
        const std::uint32_t length = e.words[r].empty() ? 0 : e.words[r].rbegin()->first + 1;
        if (images.programmedLength(r) != length) Mismatch("programmed lengths");
        const auto image = images.image(r);
        auto next = e.words[r].begin();
        for (std::uint32_t i = 0; i < length; ++i) {
            std::uint16_t want = 0xFFFF;
            if (next != e.words[r].end() && next->first == i) want = (next++)->second;
            if (image[i] != want) Mismatch("a word of a region");
        }
    }
    outside = images.outsideWords();
    if (outside != e.outside) Mismatch("words outside every region");
    const image::SRecordSkips& s = images.skips();
    if (s.longTokens != e.skips.longTokens || s.smallCounts != e.skips.smallCounts ||
        s.shortRecords != e.skips.shortRecords || s.badDigits != e.skips.badDigits)
        Mismatch("skipped records");
    return 0;
}
