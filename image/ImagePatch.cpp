#include "image/ImagePatch.h"

#include <cstdio>

namespace image {

namespace {

// A region's first word as the part's S files address it: data flash lies in the data
// space, which they raise above the program space.
std::uint64_t FirstInSFile(int mcuType, int region)
{
    return RecordFor(mcuType).first[region] + (region == kDflash ? DataSpaceOffset(mcuType) : 0);
}

std::uint64_t LastInSFile(int mcuType, int region)
{
    return RecordFor(mcuType).last[region] + (region == kDflash ? DataSpaceOffset(mcuType) : 0);
}

} // namespace

int PatchRegion(int mcuType, const std::array<bool, kRegionCount>& ticked, std::uint64_t address,
                std::uint64_t count)
{
    if (!IsValidMcuType(mcuType) || count == 0) return -1;
    const McuRecord& part = RecordFor(mcuType);
    for (int r = 0; r < kRegionCount; ++r) {
        if (!ticked[static_cast<std::size_t>(r)] || part.present[r] == 0) continue;
        if (address >= FirstInSFile(mcuType, r) && address + count - 1 <= LastInSFile(mcuType, r))
            return r;
    }
    return -1;
}

std::string PatchRefusal(int mcuType, const std::array<bool, kRegionCount>& ticked,
                         const WordPatch& patch)
{
    if (PatchRegion(mcuType, ticked, patch.address, patch.words.size()) >= 0) return {};
    char text[96];
    std::snprintf(text, sizeof text, "0x%06X..0x%06llX lies in no ticked region (", patch.address,
                  static_cast<unsigned long long>(patch.address) + patch.words.size() - 1);
    std::string refusal = text;
    std::string regions;
    if (IsValidMcuType(mcuType)) {
        const McuRecord& part = RecordFor(mcuType);
        for (int r = 0; r < kRegionCount; ++r) {
            if (!ticked[static_cast<std::size_t>(r)] || part.present[r] == 0) continue;
            std::snprintf(text, sizeof text, "%s%s 0x%06llX..0x%06llX", regions.empty() ? "" : ", ",
                          RegionName(r), static_cast<unsigned long long>(FirstInSFile(mcuType, r)),
                          static_cast<unsigned long long>(LastInSFile(mcuType, r)));
            regions += text;
        }
    }
    return refusal + (regions.empty() ? "none is ticked" : regions) + ")";
}

void ApplyPatch(int mcuType, const std::array<bool, kRegionCount>& ticked, const WordPatch& patch,
                FlashImageSet& images)
{
    const int region = PatchRegion(mcuType, ticked, patch.address, patch.words.size());
    if (region < 0) return;
    const auto offset = static_cast<std::uint32_t>(patch.address - FirstInSFile(mcuType, region));
    for (std::size_t i = 0; i < patch.words.size(); ++i)
        images.Store(region, offset + static_cast<std::uint32_t>(i), patch.words[i]);
}

} // namespace image
