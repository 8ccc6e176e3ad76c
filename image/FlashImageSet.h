#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>

#include "image/McuCatalog.h"

namespace image {

// A run of consecutive word addresses, both ends included.
struct AddressRange {
    std::uint64_t first;
    std::uint64_t last;
};

// What the reader passed over without storing anything.
struct SRecordSkips {
    std::uint64_t longTokens = 0;   // tokens over 1023 characters
    std::uint64_t smallCounts = 0;  // S3 records whose byte count is below 5 or holds no whole word
    std::uint64_t shortRecords = 0; // S3 records with fewer characters than their byte count claims
    std::uint64_t badDigits = 0;    // S3 records with a non-hex digit in count, address or data
};

// The four region images that the programming operations send to the target or store in
// the POD, one per RegionIndex, 0x20000 words each (blank 0xFFFF), allocated once.
//
// wordCount counts stores, as the region labels show it: an address given twice counts
// twice. programmedLength is what a transfer must cover: highest stored offset + 1, 0 when
// nothing was stored, never more than the region. Files from the target tools leave gaps
// (data flash with words at its start and a configuration record at its end) and may
// repeat addresses, so wordCount is neither the extent nor bounded by the region.
class FlashImageSet {
public:
    static constexpr std::uint32_t kImageWords = 0x20000;
    static constexpr std::size_t kMaxOutsideRanges = 64;

    FlashImageSet();
    FlashImageSet(const FlashImageSet&) = delete;
    FlashImageSet& operator=(const FlashImageSet&) = delete;

    // Every word 0xFFFF, every count, length and statistic 0.
    void Clear();

    // kImageWords words of a region; empty for a region outside 0..3.
    std::span<const std::uint16_t> image(int region) const;
    std::uint32_t wordCount(int region) const;
    std::uint32_t programmedLength(int region) const;

    // Words of the last load that fell into no present region, and their address ranges
    // (contiguous addresses merged; at most kMaxOutsideRanges kept, all words counted).
    std::uint64_t outsideWords() const { return m_outsideWords; }
    std::span<const AddressRange> outsideRanges() const;
    bool outsideRangesTruncated() const { return m_outsideRangesTruncated; }

    const SRecordSkips& skips() const { return m_skips; }
    SRecordSkips& skips() { return m_skips; }

    // Stores a word at an offset of a region; ignored unless region is 0..3 and offset is
    // below kImageWords.
    void Store(int region, std::uint32_t offset, std::uint16_t value);
    // Notes a word that no present region took.
    void NoteOutside(std::uint64_t address);

private:
    std::unique_ptr<std::uint16_t[]> m_words; // kRegionCount * kImageWords
    std::array<std::uint32_t, kRegionCount> m_wordCount{};
    std::array<std::uint32_t, kRegionCount> m_programmedLength{};
    std::uint64_t m_outsideWords = 0;
    std::array<AddressRange, kMaxOutsideRanges> m_outsideRanges{};
    std::size_t m_outsideRangeCount = 0;
    bool m_outsideRangesTruncated = false;
    SRecordSkips m_skips;
};

// Every word of the four images 0xFFFF and every wordCount 0.
void ClearImages(FlashImageSet& images);

} // namespace image
