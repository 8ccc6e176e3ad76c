#include "sim/TargetChip.h"

#include <algorithm>
#include <utility>

namespace sim {

namespace {
constexpr std::uint32_t kMaxBlockWords = 256;
// One CmdProgramBuffered covers at most one flash page, and no page exceeds 1024 words.
constexpr std::uint32_t kMaxStagedWords = 1024;
}  // namespace

std::uint16_t WordSum(std::span<const std::uint16_t> words)
{
    std::uint32_t sum = 0;
    for (std::uint16_t w : words) {
        sum += w;
    }
    return static_cast<std::uint16_t>(sum);
}

TargetChip::TargetChip(SimPart part, bool secured) : m_part(std::move(part)), m_secured(secured)
{
    for (int r = 0; r < kRegionCount; ++r) {
        m_flash[r].assign(m_part.regions[static_cast<std::size_t>(r)].Words(), 0xFFFF);
    }
}

std::span<const std::uint16_t> TargetChip::Flash(int region) const
{
    return m_flash[static_cast<std::size_t>(region)];
}

// The 56800 parts (types 0..6) are programmed page by page over ConnectMode 1; the
// 56800E parts (7..27) through the POD's buffer over ConnectMode 4.
bool TargetChip::SequenceA() const
{
    return m_connectMode == 1 && m_part.type <= 6;
}

bool TargetChip::SequenceB() const
{
    return m_connectMode == 4 && m_part.type >= 7;
}

PodError TargetChip::Connect(int connectMode)
{
    m_connected = true;
    m_connectMode = connectMode;
    m_eonce = false;
    m_loader = false;
    ClearStaging();
    return PodError::kNone;
}

PodError TargetChip::EnableOnce(std::uint8_t& state)
{
    if (!m_connected) {
        return PodError::kOrder;
    }
    m_eonce = true;
    state = m_secured ? 2 : 1;
    return PodError::kNone;
}

PodError TargetChip::Unlock()
{
    if (!m_connected || !m_eonce) {
        return PodError::kOrder;
    }
    // Unsecuring goes through a mass erase; EONCE has to be brought up again after it.
    EraseAll();
    m_secured = false;
    m_eonce = false;
    m_loader = false;
    return PodError::kNone;
}

PodError TargetChip::LoadLoader(std::span<const std::uint16_t> words)
{
    if (!m_connected || !m_eonce) {
        return PodError::kOrder;
    }
    if (m_secured) {
        return PodError::kSecured;
    }
    if (words.size() != m_part.loader.size() ||
        !std::equal(words.begin(), words.end(), m_part.loader.begin())) {
        m_loader = false;
        return PodError::kLoader;
    }
    m_loader = true;
    return PodError::kNone;
}

PodError TargetChip::Erase(std::uint32_t mask)
{
    if (!m_connected || !m_loader) {
        return PodError::kOrder;
    }
    if (mask == 0 || mask > 0xF) {
        return PodError::kField;
    }
    // Bit 3 is DFLASH (region 0) down to bit 0 for P2FLASH (region 3).
    for (int r = 0; r < kRegionCount; ++r) {
        if ((mask & (8u >> r)) != 0 && !m_part.regions[static_cast<std::size_t>(r)].present) {
            return PodError::kField;
        }
    }
    for (int r = 0; r < kRegionCount; ++r) {
        if ((mask & (8u >> r)) != 0) {
            m_flash[r].assign(m_flash[r].size(), 0xFFFF);
        }
    }
    return PodError::kNone;
}

PodError TargetChip::CheckWindow(std::uint32_t region, std::uint32_t start, std::uint32_t count) const
{
    if (region >= kRegionCount || !m_part.regions[region].present) {
        return PodError::kField;
    }
    if (count == 0) {
        return PodError::kNone;
    }
    const SimRegion& r = m_part.regions[region];
    const std::uint64_t end = static_cast<std::uint64_t>(start) + count - 1;
    if (start < r.first || end > r.last) {
        return PodError::kRange;
    }
    if (start / r.pageWords != end / r.pageWords) {
        return PodError::kRange;
    }
    return PodError::kNone;
}

PodError TargetChip::WriteAndCompare(std::uint32_t mode, std::uint32_t region, std::uint32_t start,
                                     std::span<const std::uint16_t> words)
{
    std::vector<std::uint16_t>& flash = m_flash[region];
    const std::size_t base = start - m_part.regions[region].first;
    if (mode == 1 || mode == 2) {
        // Programming can only clear bits.
        for (std::size_t i = 0; i < words.size(); ++i) {
            flash[base + i] &= words[i];
        }
    }
    if (mode == 0 || mode == 2) {
        for (std::size_t i = 0; i < words.size(); ++i) {
            if (flash[base + i] != words[i]) {
                return PodError::kCompare;
            }
        }
    }
    return PodError::kNone;
}

PodError TargetChip::ProgramPage(std::uint32_t mode, std::uint32_t region, std::uint32_t start,
                                 std::span<const std::uint16_t> words, std::uint32_t wordSum)
{
    if (!m_connected || !m_loader || !SequenceA()) {
        return PodError::kOrder;
    }
    if (mode > 2) {
        return PodError::kField;
    }
    if (PodError e = CheckWindow(region, start, static_cast<std::uint32_t>(words.size())); e != PodError::kNone) {
        return e;
    }
    if (wordSum != WordSum(words)) {
        return PodError::kWordSum;
    }
    return WriteAndCompare(mode, region, start, words);
}

PodError TargetChip::BufferChunk(std::uint32_t index, std::span<const std::uint16_t> words)
{
    if (!m_connected || !m_loader || !SequenceB()) {
        return PodError::kOrder;
    }
    const std::size_t n = words.size();
    if (n == 0 || n > kMaxBlockWords || index != m_nextChunk || m_stagedShort ||
        m_staged.size() + n > kMaxStagedWords) {
        ClearStaging();
        return PodError::kChunk;
    }
    m_staged.insert(m_staged.end(), words.begin(), words.end());
    ++m_nextChunk;
    m_stagedShort = n < kMaxBlockWords;
    return PodError::kNone;
}

PodError TargetChip::ProgramBuffered(std::uint32_t mode, std::uint32_t region, std::uint32_t start,
                                     std::uint32_t count, std::uint32_t wordSum)
{
    if (!m_connected || !m_loader || !SequenceB()) {
        return PodError::kOrder;
    }
    std::vector<std::uint16_t> staged;
    staged.swap(m_staged);
    ClearStaging();
    if (mode > 2) {
        return PodError::kField;
    }
    if (count != staged.size() || wordSum != WordSum(staged)) {
        return PodError::kWordSum;
    }
    if (count == 0) {
        // The host may commit the empty pass after a region that ends on a page boundary;
        // its address lies just past the region, so it is not range-checked.
        if (region >= kRegionCount || !m_part.regions[region].present) {
            return PodError::kField;
        }
        return PodError::kNone;
    }
    if (PodError e = CheckWindow(region, start, count); e != PodError::kNone) {
        return e;
    }
    return WriteAndCompare(mode, region, start, staged);
}

PodError TargetChip::Release()
{
    if (!m_connected) {
        return PodError::kOrder;
    }
    m_connected = false;
    m_connectMode = 0;
    m_eonce = false;
    m_loader = false;
    ClearStaging();
    return PodError::kNone;
}

void TargetChip::EraseAll()
{
    for (auto& region : m_flash) {
        region.assign(region.size(), 0xFFFF);
    }
}

void TargetChip::ClearStaging()
{
    m_staged.clear();
    m_nextChunk = 0;
    m_stagedShort = false;
}

}  // namespace sim
