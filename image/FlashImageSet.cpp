#include "image/FlashImageSet.h"

#include <algorithm>
#include <limits>

namespace image {

FlashImageSet::FlashImageSet()
    : m_words(new std::uint16_t[static_cast<std::size_t>(kRegionCount) * kImageWords])
{
    Clear();
}

void FlashImageSet::Clear()
{
    std::fill_n(m_words.get(), static_cast<std::size_t>(kRegionCount) * kImageWords,
                std::uint16_t{0xFFFF});
    m_wordCount = {};
    m_programmedLength = {};
    m_outsideWords = 0;
    m_outsideRangeCount = 0;
    m_outsideRangesTruncated = false;
    m_skips = {};
}

std::span<const std::uint16_t> FlashImageSet::image(int region) const
{
    if (region < 0 || region >= kRegionCount) {
        return {};
    }
    return {m_words.get() + static_cast<std::size_t>(region) * kImageWords, kImageWords};
}

std::uint32_t FlashImageSet::wordCount(int region) const
{
    return region >= 0 && region < kRegionCount ? m_wordCount[region] : 0;
}

std::uint32_t FlashImageSet::programmedLength(int region) const
{
    return region >= 0 && region < kRegionCount ? m_programmedLength[region] : 0;
}

std::span<const AddressRange> FlashImageSet::outsideRanges() const
{
    return {m_outsideRanges.data(), m_outsideRangeCount};
}

void FlashImageSet::Store(int region, std::uint32_t offset, std::uint16_t value)
{
    if (region < 0 || region >= kRegionCount || offset >= kImageWords) {
        return;
    }
    m_words[static_cast<std::size_t>(region) * kImageWords + offset] = value;
    if (m_wordCount[region] != std::numeric_limits<std::uint32_t>::max()) {
        ++m_wordCount[region];
    }
    m_programmedLength[region] = std::max(m_programmedLength[region], offset + 1);
}

void FlashImageSet::NoteOutside(std::uint64_t address)
{
    ++m_outsideWords;
    if (m_outsideRangeCount > 0) {
        AddressRange& lastRange = m_outsideRanges[m_outsideRangeCount - 1];
        if (address == lastRange.last + 1) {
            lastRange.last = address;
            return;
        }
        if (address >= lastRange.first && address <= lastRange.last) {
            return; // repeated address inside the range just noted
        }
    }
    if (m_outsideRangeCount < kMaxOutsideRanges) {
        m_outsideRanges[m_outsideRangeCount++] = {address, address};
    } else {
        m_outsideRangesTruncated = true;
    }
}

void ClearImages(FlashImageSet& images)
{
    images.Clear();
}

} // namespace image
