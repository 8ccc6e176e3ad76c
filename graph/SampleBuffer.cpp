#include "graph/SampleBuffer.h"

namespace graph {

std::size_t SampleBuffer::Snapshot::LowerBound(std::int64_t timeUs) const
{
    std::size_t low = 0;
    std::size_t high = m_count;
    while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        if ((*this)[middle].timeUs < timeUs)
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

void SampleBuffer::Append(Sample sample)
{
    std::lock_guard lock(m_mutex);
    const std::size_t offset = m_count % kChunkSamples;
    if (offset == 0) m_chunks.push_back(std::make_shared<Chunk>());
    m_chunks.back()->samples[offset] = sample;
    ++m_count;
}

void SampleBuffer::Clear()
{
    std::lock_guard lock(m_mutex);
    m_chunks.clear();
    m_count = 0;
}

std::size_t SampleBuffer::size() const
{
    std::lock_guard lock(m_mutex);
    return m_count;
}

SampleBuffer::Snapshot SampleBuffer::Snap() const
{
    std::lock_guard lock(m_mutex);
    Snapshot snapshot;
    snapshot.m_chunks.assign(m_chunks.begin(), m_chunks.end());
    snapshot.m_count = m_count;
    return snapshot;
}

std::size_t SampleBuffer::MemoryBytes() const
{
    std::lock_guard lock(m_mutex);
    return m_chunks.size() * sizeof(Chunk);
}

} // namespace graph
