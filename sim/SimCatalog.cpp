#include "sim/SimCatalog.h"

#include <array>

#include "image/ResourceStore.h"

namespace sim {

namespace {

// The emulator keeps its own copy of the parts' memory maps and flash-routine lengths,
// written down from the data sheets apart from the host's catalogue: a wrong row on either
// side then shows up as a refused command in the tests instead of being shared by both.
struct RegionRow {
    std::uint32_t first;
    std::uint32_t last;
    std::uint32_t pageWords; // 0: the part has no such region
};

struct PartRow {
    const char* name;
    std::uint32_t ram1First, ram1Last;           // program-space RAM
    std::uint32_t ram2First, ram2Last;           // data-space RAM
    std::array<RegionRow, kRegionCount> regions; // DFLASH, BFLASH, P1FLASH, P2FLASH
    std::uint32_t loaderWords;
    const char* loaderFile; // parts with the same flash routine share the carried file
};

constexpr RegionRow kAbsent{0, 0, 0};

// clang-format off
constexpr std::array<PartRow, 28> kParts = {{
    // 56800 family: P1FLASH starts after the four reset and COP vector words, except on the 827.
    {"DSP56F801", 0x7C00, 0x7FFF, 0x0000, 0x03FF, {{{0x1000, 0x17FF, 256}, {0x8000, 0x87FF, 256}, {0x0004, 0x1FFF, 256}, kAbsent}}, 317, "DSP56F801.bin"},
    {"DSP56F802", 0x7C00, 0x7FFF, 0x0000, 0x03FF, {{{0x1000, 0x17FF, 256}, {0x8000, 0x87FF, 256}, {0x0004, 0x1FFF, 256}, kAbsent}}, 317, "DSP56F801.bin"},
    {"DSP56F803", 0x7E00, 0x7FFF, 0x0000, 0x07FF, {{{0x1000, 0x1FFF, 256}, {0x8000, 0x87FF, 256}, {0x0004, 0x7DFF, 256}, kAbsent}}, 317, "DSP56F803.bin"},
    {"DSP56F805", 0x7E00, 0x7FFF, 0x0000, 0x07FF, {{{0x1000, 0x1FFF, 256}, {0x8000, 0x87FF, 256}, {0x0004, 0x7DFF, 256}, kAbsent}}, 317, "DSP56F803.bin"},
    {"DSP56F807", 0xF000, 0xF7FF, 0x0000, 0x0FFF, {{{0x2000, 0x3FFF, 256}, {0xF800, 0xFFFF, 256}, {0x0004, 0x7FFF, 256}, {0x8000, 0xEFFF, 256}}}, 399, "DSP56F807.bin"},
    {"DSP56F826", 0x7E00, 0x7FFF, 0x0000, 0x0FFF, {{{0x1800, 0x1FFF, 256}, {0x8000, 0x87FF, 256}, {0x0004, 0x7DFF, 256}, kAbsent}}, 317, "DSP56F826.bin"},
    {"DSP56F827", 0x7C00, 0x7FFF, 0x0000, 0x0FFF, {{{0x2000, 0x2FFF, 256}, kAbsent, {0x0000, 0x7BFF, 256}, {0x8000, 0xFFFF, 256}}}, 317, "DSP56F827.bin"},
    // 56800E, MC56F80xx: program flash only.
    {"MC56F8002", 0x8200, 0x83FF, 0x0000, 0x01FF, {{kAbsent, kAbsent, {0x0800, 0x1FFF, 256}, kAbsent}}, 258, "MC56F8002.bin"},
    {"MC56F8006", 0x8200, 0x83FF, 0x0000, 0x01FF, {{kAbsent, kAbsent, {0x0000, 0x1FFF, 256}, kAbsent}}, 258, "MC56F8002.bin"},
    {"MC56F8011", 0x8200, 0x83FF, 0x0000, 0x01FF, {{kAbsent, kAbsent, {0x0800, 0x1FFF, 256}, kAbsent}}, 296, "MC56F8011.bin"},
    {"MC56F8013", 0x8400, 0x87FF, 0x0000, 0x03FF, {{kAbsent, kAbsent, {0x0000, 0x1FFF, 256}, kAbsent}}, 296, "MC56F8013.bin"},
    {"MC56F8014", 0x8400, 0x87FF, 0x0000, 0x03FF, {{kAbsent, kAbsent, {0x0000, 0x1FFF, 256}, kAbsent}}, 296, "MC56F8013.bin"},
    {"MC56F8023", 0x8400, 0x87FF, 0x0000, 0x03FF, {{kAbsent, kAbsent, {0x4000, 0x7FFF, 256}, kAbsent}}, 281, "MC56F8023.bin"},
    {"MC56F8025", 0x8400, 0x87FF, 0x0000, 0x03FF, {{kAbsent, kAbsent, {0x4000, 0x7FFF, 256}, kAbsent}}, 281, "MC56F8023.bin"},
    {"MC56F8036", 0x8800, 0x8FFF, 0x0000, 0x07FF, {{kAbsent, kAbsent, {0x0000, 0x7FFF, 256}, kAbsent}}, 281, "MC56F8036.bin"},
    {"MC56F8037", 0x8800, 0x8FFF, 0x0000, 0x07FF, {{kAbsent, kAbsent, {0x0000, 0x7FFF, 256}, kAbsent}}, 279, "MC56F8037.bin"},
    // 56800E, MC56F83xx: program flash in 512- or 1024-word pages, boot flash above 0x20000.
    {"MC56F8322", 0x2F800, 0x2FFFF, 0x0000, 0x0FFF, {{{0x1000, 0x1FFF, 256}, {0x20000, 0x20FFF, 256}, {0x0000, 0x3FFF, 512}, kAbsent}}, 597, "MC56F8322.bin"},
    {"MC56F8323", 0x2F800, 0x2FFFF, 0x0000, 0x0FFF, {{{0x1000, 0x1FFF, 256}, {0x20000, 0x20FFF, 256}, {0x0000, 0x3FFF, 512}, kAbsent}}, 597, "MC56F8322.bin"},
    {"MC56F8335", 0x2F800, 0x2FFFF, 0x0000, 0x0FFF, {{{0x1000, 0x1FFF, 256}, {0x20000, 0x20FFF, 256}, {0x0000, 0x7FFF, 512}, kAbsent}}, 581, "MC56F8335.bin"},
    {"MC56F8345", 0x2F800, 0x2FFFF, 0x0000, 0x0FFF, {{{0x1000, 0x1FFF, 256}, {0x20000, 0x20FFF, 256}, {0x0000, 0xFFFF, 512}, kAbsent}}, 581, "MC56F8335.bin"},
    {"MC56F8346", 0x2F800, 0x2FFFF, 0x0000, 0x0FFF, {{{0x1000, 0x1FFF, 256}, {0x20000, 0x20FFF, 256}, {0x0000, 0xFFFF, 512}, kAbsent}}, 581, "MC56F8335.bin"},
    {"MC56F8347", 0x2F800, 0x2FFFF, 0x0000, 0x0FFF, {{{0x1000, 0x1FFF, 256}, {0x20000, 0x20FFF, 256}, {0x0000, 0xFFFF, 512}, kAbsent}}, 581, "MC56F8335.bin"},
    {"MC56F8355", 0x2F800, 0x2FFFF, 0x0000, 0x1FFF, {{{0x2000, 0x2FFF, 256}, {0x20000, 0x20FFF, 256}, {0x0000, 0xFFFF, 512}, {0x10000, 0x1FFFF, 512}}}, 589, "MC56F8355.bin"},
    {"MC56F8356", 0x2F800, 0x2FFFF, 0x0000, 0x1FFF, {{{0x2000, 0x2FFF, 256}, {0x20000, 0x20FFF, 256}, {0x0000, 0xFFFF, 512}, {0x10000, 0x1FFFF, 512}}}, 589, "MC56F8355.bin"},
    {"MC56F8357", 0x2F800, 0x2FFFF, 0x0000, 0x1FFF, {{{0x2000, 0x2FFF, 256}, {0x20000, 0x20FFF, 256}, {0x0000, 0xFFFF, 512}, {0x10000, 0x1FFFF, 512}}}, 589, "MC56F8355.bin"},
    {"MC56F8365", 0x4F800, 0x4FFFF, 0x0000, 0x3FFF, {{{0x4000, 0x7FFF, 256}, {0x40000, 0x43FFF, 512}, {0x0000, 0x1FFFF, 1024}, {0x20000, 0x3FFFF, 1024}}}, 593, "MC56F8365.bin"},
    {"MC56F8366", 0x4F800, 0x4FFFF, 0x0000, 0x3FFF, {{{0x4000, 0x7FFF, 256}, {0x40000, 0x43FFF, 512}, {0x0000, 0x1FFFF, 1024}, {0x20000, 0x3FFFF, 1024}}}, 593, "MC56F8365.bin"},
    {"MC56F8367", 0x4F800, 0x4FFFF, 0x0000, 0x3FFF, {{{0x4000, 0x7FFF, 256}, {0x40000, 0x43FFF, 512}, {0x0000, 0x1FFFF, 1024}, {0x20000, 0x3FFFF, 1024}}}, 591, "MC56F8367.bin"},
}};
// clang-format on

} // namespace

int PartCount()
{
    return static_cast<int>(kParts.size());
}

std::optional<SimPart> PartFor(int type)
{
    if (type < 0 || type >= PartCount()) {
        return std::nullopt;
    }
    const PartRow& row = kParts[static_cast<std::size_t>(type)];
    SimPart part;
    part.type = type;
    part.name = row.name;
    part.ramWindow1First = row.ram1First;
    part.ramWindow1Last = row.ram1Last;
    part.ramWindow2First = row.ram2First;
    part.ramWindow2Last = row.ram2Last;
    for (std::size_t r = 0; r < kRegionCount; ++r) {
        const RegionRow& from = row.regions[r];
        SimRegion& region = part.regions[r];
        region.present = from.pageWords != 0;
        region.first = from.first;
        region.last = from.last;
        region.pageWords = from.pageWords;
    }
    // The chip runs only the carried routine of exactly its own length; a file of another
    // length leaves no routine the chip would accept, so every download is refused.
    const auto loader = image::LoaderFileWords(row.loaderFile);
    if (loader.size() == row.loaderWords) {
        part.loader.assign(loader.begin(), loader.end());
    }
    return part;
}

std::uint32_t LoaderWordsFor(int type)
{
    return type >= 0 && type < PartCount() ? kParts[static_cast<std::size_t>(type)].loaderWords : 0;
}

std::span<const std::uint8_t> CarriedFirmware()
{
    return image::FirmwareFileBytes();
}

} // namespace sim
