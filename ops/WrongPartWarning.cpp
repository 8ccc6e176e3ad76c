#include "ops/WrongPartWarning.h"

#include "platform/Utf8Path.h"

#include "image/FlashImageSet.h"
#include "image/McuSelection.h"

#include <cstdio>
#include <filesystem>

namespace ops {

std::vector<std::string> WrongPartWarnings(const image::FlashImageSet& images,
                                           const image::McuSelection& selection,
                                           const std::array<bool, 4>& ticked,
                                           const std::string& filePath)
{
    const std::string file = platform::Utf8FromPath(platform::PathFromUtf8(filePath).filename());
    std::vector<std::string> warnings;
    char text[256];
    if (images.outsideWords() > 0) {
        const auto ranges = images.outsideRanges();
        std::uint64_t first = ranges.empty() ? 0 : ranges.front().first;
        for (const image::AddressRange& range : ranges)
            first = std::min(first, range.first);
        std::snprintf(text, sizeof text,
                      "Warning: %llu words of %s lie outside every region of %s (first at "
                      "0x%llX); check MCU Select",
                      static_cast<unsigned long long>(images.outsideWords()), file.c_str(),
                      selection.record().name, static_cast<unsigned long long>(first));
        warnings.emplace_back(text);
    }
    for (int r = 0; r < image::kRegionCount; ++r) {
        const std::uint32_t words = images.wordCount(r);
        if (ticked[static_cast<std::size_t>(r)] || words == 0) continue;
        std::snprintf(text, sizeof text,
                      "Warning: %u words of %s lie in %s, which is not ticked; they are not "
                      "programmed",
                      words, file.c_str(), image::RegionName(r));
        warnings.emplace_back(text);
    }
    return warnings;
}

} // namespace ops
