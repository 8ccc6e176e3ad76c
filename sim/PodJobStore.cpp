#include "sim/PodJobStore.h"

#include <algorithm>
#include <utility>

namespace sim {

namespace {
bool Stores(std::uint32_t mode) { return mode == 1 || mode == 2; }
bool Compares(std::uint32_t mode) { return mode == 0 || mode == 2; }
}  // namespace

PodError PodJobStore::WriteInfo(std::uint32_t mode, const PodJobHeader& header)
{
    if (mode > 2) {
        return PodError::kField;
    }
    if (Stores(mode)) {
        // A new header starts a new job: the old routine and blocks no longer belong to it.
        m_header = header;
        m_hasHeader = true;
        m_loader.clear();
        m_blocks.clear();
    }
    if (Compares(mode) && (!m_hasHeader || !(m_header == header))) {
        return PodError::kCompare;
    }
    return PodError::kNone;
}

PodError PodJobStore::WriteLoader(std::uint32_t mode, std::span<const std::uint16_t> words)
{
    if (mode > 2) {
        return PodError::kField;
    }
    if (!m_hasHeader) {
        return PodError::kJob;
    }
    if (words.size() != m_header.loaderLength) {
        return PodError::kJob;
    }
    if (Stores(mode)) {
        m_loader.assign(words.begin(), words.end());
    }
    if (Compares(mode) && !std::equal(words.begin(), words.end(), m_loader.begin(), m_loader.end())) {
        return PodError::kCompare;
    }
    return PodError::kNone;
}

long PodJobStore::ExpectedWords(std::uint32_t block) const
{
    for (int r = 0; r < kRegionCount; ++r) {
        const std::uint32_t first = kFirstBlock[static_cast<std::size_t>(r)];
        const std::uint32_t count = m_header.counts[static_cast<std::size_t>(r)];
        // A selected region without words still sends its first block, empty.
        const std::uint32_t blocks = count == 0 ? 1 : (count + kBlockWords - 1) / kBlockWords;
        if (block >= first && block < first + blocks) {
            const std::uint32_t done = (block - first) * kBlockWords;
            return static_cast<long>(std::min(kBlockWords, count - done));
        }
    }
    return -1;
}

PodError PodJobStore::WriteBlock(std::uint32_t mode, std::uint32_t block, std::span<const std::uint16_t> words)
{
    if (mode > 2) {
        return PodError::kField;
    }
    if (!m_hasHeader) {
        return PodError::kJob;
    }
    const long expected = ExpectedWords(block);
    if (expected < 0 || static_cast<std::size_t>(expected) != words.size()) {
        return PodError::kJob;
    }
    if (Stores(mode)) {
        m_blocks[block].assign(words.begin(), words.end());
    }
    if (Compares(mode)) {
        auto it = m_blocks.find(block);
        if (it == m_blocks.end() || !std::equal(words.begin(), words.end(), it->second.begin(), it->second.end())) {
            return PodError::kCompare;
        }
    }
    return PodError::kNone;
}

std::vector<std::uint16_t> PodJobStore::RegionWords(int region) const
{
    std::vector<std::uint16_t> out;
    if (!m_hasHeader) {
        return out;
    }
    const std::uint32_t count = m_header.counts[static_cast<std::size_t>(region)];
    for (std::uint32_t b = kFirstBlock[static_cast<std::size_t>(region)]; out.size() < count; ++b) {
        auto it = m_blocks.find(b);
        if (it == m_blocks.end()) {
            break;
        }
        out.insert(out.end(), it->second.begin(), it->second.end());
    }
    return out;
}

void PodJobStore::Clear()
{
    m_hasHeader = false;
    m_header = PodJobHeader{};
    m_loader.clear();
    m_blocks.clear();
}

void PodJobStore::Restore(const PodJobHeader& header, std::vector<std::uint16_t> loader,
                          std::map<std::uint32_t, std::vector<std::uint16_t>> blocks)
{
    m_hasHeader = true;
    m_header = header;
    m_loader = std::move(loader);
    m_blocks = std::move(blocks);
}

}  // namespace sim
