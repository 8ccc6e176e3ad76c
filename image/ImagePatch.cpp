#include "image/ImagePatch.h"

#include <cstdio>

namespace image {

int PatchRegion(int mcuType, const std::array<bool, kRegionCount>& ticked, std::uint64_t address,
                std::uint64_t count)
{
    if (!IsValidMcuType(mcuType) || count == 0) return -1;
    const McuRecord& part = RecordFor(mcuType);
    for (int r = 0; r < kRegionCount; ++r) {
        if (!ticked[static_cast<std::size_t>(r)] || part.present[r] == 0) continue;
        if (address >= part.first[r] && address + count - 1 <= part.last[r]) return r;
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
            std::snprintf(text, sizeof text, "%s%s 0x%06X..0x%06X", regions.empty() ? "" : ", ",
                          RegionName(r), part.first[r], part.last[r]);
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
    const std::uint32_t offset = patch.address - RecordFor(mcuType).first[region];
    for (std::size_t i = 0; i < patch.words.size(); ++i)
        images.Store(region, offset + static_cast<std::uint32_t>(i), patch.words[i]);
}

} // namespace image
