#include "image/McuCatalog.h"

#include "image/ResourceStore.h"

#include <cctype>
#include <charconv>
#include <string>

namespace image {

namespace {

// A flash region as the data sheets give it; pageWords 0 marks an absent region.
struct RegionSpec {
    std::uint32_t first;
    std::uint32_t last;
    std::uint32_t pageWords;
};

constexpr RegionSpec kNone{0, 0, 0};

constexpr std::uint32_t Log2(std::uint32_t value)
{
    std::uint32_t shift = 0;
    while (value > 1) {
        value >>= 1;
        ++shift;
    }
    return shift;
}

constexpr McuRecord MakeRecord(const char* name, std::uint32_t ram1First, std::uint32_t ram1Last,
                               std::uint32_t ram2First, std::uint32_t ram2Last, RegionSpec dflash,
                               RegionSpec bflash, RegionSpec p1flash, RegionSpec p2flash)
{
    McuRecord r{};
    r.name = name;
    r.ramWindow1First = ram1First;
    r.ramWindow1Last = ram1Last;
    r.ramWindow2First = ram2First;
    r.ramWindow2Last = ram2Last;
    const RegionSpec regions[kRegionCount] = {dflash, bflash, p1flash, p2flash};
    for (int i = 0; i < kRegionCount; ++i) {
        const RegionSpec& s = regions[i];
        if (s.pageWords == 0) {
            continue; // absent: every field stays 0
        }
        r.present[i] = 1;
        r.first[i] = s.first;
        r.last[i] = s.last;
        r.pageWords[i] = s.pageWords;
        r.pageShift[i] = Log2(s.pageWords);
    }
    return r;
}

// One row per part: its memory map, its flash routine (file and length) and the
// data-space offset of its S-record files.
struct CatalogRow {
    McuRecord record;
    const char* loaderFile;
    std::uint32_t loaderLength;
    std::uint32_t dataSpaceOffset;
};

constexpr std::uint32_t kDsp56800Data = 0x200000;
constexpr std::uint32_t kMc56800EData = 0x2000000;

// clang-format off
constexpr CatalogRow kCatalog[kMcuCount] = {
    {MakeRecord("DSP56F801", 0x7C00, 0x7FFF, 0x0000, 0x03FF, {0x1000, 0x17FF, 256}, {0x8000, 0x87FF, 256}, {0x0004, 0x1FFF, 256}, kNone), "DSP56F801.bin", 317, kDsp56800Data},
    {MakeRecord("DSP56F802", 0x7C00, 0x7FFF, 0x0000, 0x03FF, {0x1000, 0x17FF, 256}, {0x8000, 0x87FF, 256}, {0x0004, 0x1FFF, 256}, kNone), "DSP56F801.bin", 317, kDsp56800Data},
    {MakeRecord("DSP56F803", 0x7E00, 0x7FFF, 0x0000, 0x07FF, {0x1000, 0x1FFF, 256}, {0x8000, 0x87FF, 256}, {0x0004, 0x7DFF, 256}, kNone), "DSP56F803.bin", 317, kDsp56800Data},
    {MakeRecord("DSP56F805", 0x7E00, 0x7FFF, 0x0000, 0x07FF, {0x1000, 0x1FFF, 256}, {0x8000, 0x87FF, 256}, {0x0004, 0x7DFF, 256}, kNone), "DSP56F803.bin", 317, kDsp56800Data},
    {MakeRecord("DSP56F807", 0xF000, 0xF7FF, 0x0000, 0x0FFF, {0x2000, 0x3FFF, 256}, {0xF800, 0xFFFF, 256}, {0x0004, 0x7FFF, 256}, {0x8000, 0xEFFF, 256}), "DSP56F807.bin", 399, kDsp56800Data},
    {MakeRecord("DSP56F826", 0x7E00, 0x7FFF, 0x0000, 0x0FFF, {0x1800, 0x1FFF, 256}, {0x8000, 0x87FF, 256}, {0x0004, 0x7DFF, 256}, kNone), "DSP56F826.bin", 317, kDsp56800Data},
    {MakeRecord("DSP56F827", 0x7C00, 0x7FFF, 0x0000, 0x0FFF, {0x2000, 0x2FFF, 256}, kNone, {0x0000, 0x7BFF, 256}, {0x8000, 0xFFFF, 256}), "DSP56F827.bin", 317, kDsp56800Data},
    {MakeRecord("MC56F8002", 0x8200, 0x83FF, 0x0000, 0x01FF, kNone, kNone, {0x0800, 0x1FFF, 256}, kNone), "MC56F8002.bin", 258, 0},
    {MakeRecord("MC56F8006", 0x8200, 0x83FF, 0x0000, 0x01FF, kNone, kNone, {0x0000, 0x1FFF, 256}, kNone), "MC56F8002.bin", 258, 0},
    {MakeRecord("MC56F8011", 0x8200, 0x83FF, 0x0000, 0x01FF, kNone, kNone, {0x0800, 0x1FFF, 256}, kNone), "MC56F8011.bin", 296, 0},
    {MakeRecord("MC56F8013", 0x8400, 0x87FF, 0x0000, 0x03FF, kNone, kNone, {0x0000, 0x1FFF, 256}, kNone), "MC56F8013.bin", 296, 0},
    {MakeRecord("MC56F8014", 0x8400, 0x87FF, 0x0000, 0x03FF, kNone, kNone, {0x0000, 0x1FFF, 256}, kNone), "MC56F8013.bin", 296, 0},
    {MakeRecord("MC56F8023", 0x8400, 0x87FF, 0x0000, 0x03FF, kNone, kNone, {0x4000, 0x7FFF, 256}, kNone), "MC56F8023.bin", 281, 0},
    {MakeRecord("MC56F8025", 0x8400, 0x87FF, 0x0000, 0x03FF, kNone, kNone, {0x4000, 0x7FFF, 256}, kNone), "MC56F8023.bin", 281, 0},
    {MakeRecord("MC56F8036", 0x8800, 0x8FFF, 0x0000, 0x07FF, kNone, kNone, {0x0000, 0x7FFF, 256}, kNone), "MC56F8036.bin", 281, 0},
    {MakeRecord("MC56F8037", 0x8800, 0x8FFF, 0x0000, 0x07FF, kNone, kNone, {0x0000, 0x7FFF, 256}, kNone), "MC56F8037.bin", 279, 0},
    {MakeRecord("MC56F8322", 0x2F800, 0x2FFFF, 0x0000, 0x0FFF, {0x1000, 0x1FFF, 256}, {0x20000, 0x20FFF, 256}, {0x0000, 0x3FFF, 512}, kNone), "MC56F8322.bin", 597, kMc56800EData},
    {MakeRecord("MC56F8323", 0x2F800, 0x2FFFF, 0x0000, 0x0FFF, {0x1000, 0x1FFF, 256}, {0x20000, 0x20FFF, 256}, {0x0000, 0x3FFF, 512}, kNone), "MC56F8322.bin", 597, kMc56800EData},
    {MakeRecord("MC56F8335", 0x2F800, 0x2FFFF, 0x0000, 0x0FFF, {0x1000, 0x1FFF, 256}, {0x20000, 0x20FFF, 256}, {0x0000, 0x7FFF, 512}, kNone), "MC56F8335.bin", 581, kMc56800EData},
    {MakeRecord("MC56F8345", 0x2F800, 0x2FFFF, 0x0000, 0x0FFF, {0x1000, 0x1FFF, 256}, {0x20000, 0x20FFF, 256}, {0x0000, 0xFFFF, 512}, kNone), "MC56F8335.bin", 581, kMc56800EData},
    {MakeRecord("MC56F8346", 0x2F800, 0x2FFFF, 0x0000, 0x0FFF, {0x1000, 0x1FFF, 256}, {0x20000, 0x20FFF, 256}, {0x0000, 0xFFFF, 512}, kNone), "MC56F8335.bin", 581, kMc56800EData},
    {MakeRecord("MC56F8347", 0x2F800, 0x2FFFF, 0x0000, 0x0FFF, {0x1000, 0x1FFF, 256}, {0x20000, 0x20FFF, 256}, {0x0000, 0xFFFF, 512}, kNone), "MC56F8335.bin", 581, kMc56800EData},
    {MakeRecord("MC56F8355", 0x2F800, 0x2FFFF, 0x0000, 0x1FFF, {0x2000, 0x2FFF, 256}, {0x20000, 0x20FFF, 256}, {0x0000, 0xFFFF, 512}, {0x10000, 0x1FFFF, 512}), "MC56F8355.bin", 589, kMc56800EData},
    {MakeRecord("MC56F8356", 0x2F800, 0x2FFFF, 0x0000, 0x1FFF, {0x2000, 0x2FFF, 256}, {0x20000, 0x20FFF, 256}, {0x0000, 0xFFFF, 512}, {0x10000, 0x1FFFF, 512}), "MC56F8355.bin", 589, kMc56800EData},
    {MakeRecord("MC56F8357", 0x2F800, 0x2FFFF, 0x0000, 0x1FFF, {0x2000, 0x2FFF, 256}, {0x20000, 0x20FFF, 256}, {0x0000, 0xFFFF, 512}, {0x10000, 0x1FFFF, 512}), "MC56F8355.bin", 589, kMc56800EData},
    {MakeRecord("MC56F8365", 0x4F800, 0x4FFFF, 0x0000, 0x3FFF, {0x4000, 0x7FFF, 256}, {0x40000, 0x43FFF, 512}, {0x0000, 0x1FFFF, 1024}, {0x20000, 0x3FFFF, 1024}), "MC56F8365.bin", 593, kMc56800EData},
    {MakeRecord("MC56F8366", 0x4F800, 0x4FFFF, 0x0000, 0x3FFF, {0x4000, 0x7FFF, 256}, {0x40000, 0x43FFF, 512}, {0x0000, 0x1FFFF, 1024}, {0x20000, 0x3FFFF, 1024}), "MC56F8365.bin", 593, kMc56800EData},
    {MakeRecord("MC56F8367", 0x4F800, 0x4FFFF, 0x0000, 0x3FFF, {0x4000, 0x7FFF, 256}, {0x40000, 0x43FFF, 512}, {0x0000, 0x1FFFF, 1024}, {0x20000, 0x3FFFF, 1024}), "MC56F8367.bin", 591, kMc56800EData},
};
// clang-format on

// Every region fits one region image of 0x20000 words.
constexpr bool RegionsFitImages()
{
    for (const CatalogRow& row : kCatalog) {
        for (int r = 0; r < kRegionCount; ++r) {
            if (row.record.present[r] && row.record.last[r] - row.record.first[r] + 1 > 0x20000) {
                return false;
            }
        }
    }
    return true;
}
static_assert(RegionsFitImages(), "a flash region exceeds the 0x20000-word image");

constexpr McuRecord kNoRecord = MakeRecord("", 0, 0, 0, 0, kNone, kNone, kNone, kNone);

constexpr const char* kRegionNames[kRegionCount] = {"DFLASH", "BFLASH", "P1FLASH", "P2FLASH"};

} // namespace

const std::array<std::uint16_t, 5> ResetDelayTable = {1, 10, 50, 100, 500};

bool IsValidMcuType(int type)
{
    return type >= 0 && type < kMcuCount;
}

const McuRecord& RecordFor(int type)
{
    return IsValidMcuType(type) ? kCatalog[type].record : kNoRecord;
}

std::uint32_t LoaderLength(int type)
{
    return IsValidMcuType(type) ? kCatalog[type].loaderLength : 0;
}

std::uint32_t DataSpaceOffset(int type)
{
    return IsValidMcuType(type) ? kCatalog[type].dataSpaceOffset : 0;
}

const char* LoaderFileName(int type)
{
    return IsValidMcuType(type) ? kCatalog[type].loaderFile : "";
}

std::span<const std::uint16_t> LoaderFor(int type)
{
    if (!IsValidMcuType(type)) {
        return {};
    }
    const std::span<const std::uint16_t> words = LoaderFileWords(kCatalog[type].loaderFile);
    // The POD must receive exactly LoaderLength words; a file of another size never reaches it.
    if (words.size() != kCatalog[type].loaderLength) {
        return {};
    }
    return words;
}

int McuIndexByName(std::string_view name)
{
    for (int i = 0; i < kMcuCount; ++i) {
        if (name == kCatalog[i].record.name) {
            return i;
        }
    }
    return -1;
}

std::optional<int> ParseMcu(std::string_view text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    if (text.empty()) return std::nullopt;
    int index = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), index);
    if (end == text.data() + text.size() && text.front() != '-') {
        if (error == std::errc() && IsValidMcuType(index)) return index;
        return std::nullopt;
    }
    std::string upper(text);
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const int byName = McuIndexByName(upper);
    return byName >= 0 ? std::optional<int>(byName) : std::nullopt;
}

const char* RegionName(int region)
{
    return region >= 0 && region < kRegionCount ? kRegionNames[region] : "";
}

int RegionIndexByName(std::string_view name)
{
    for (int r = 0; r < kRegionCount; ++r) {
        if (name == kRegionNames[r]) {
            return r;
        }
    }
    return -1;
}

std::span<const std::uint8_t> PodFirmwareImage()
{
    return FirmwareFileBytes();
}

} // namespace image
