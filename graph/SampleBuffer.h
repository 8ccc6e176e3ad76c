#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace graph {

// One point of a curve: its time in whole microseconds since START (a recorder's capture:
// since its trigger, negative before it), and the value. An integer count, so that equal
// times compare equal whatever computed them and a run of any length keeps its order; the
// plots convert it to their axis units themselves.
struct Sample {
    std::int64_t timeUs = 0;
    double y = 0.0;
};

// The points of one channel, appended by the acquisition worker and read by the window.
// Points live in fixed chunks that never move, so a long run grows by 16 bytes a point
// without ever copying what it holds, and a reader takes a Snapshot (the chunk pointers
// and the count, not the points) under a short lock and then reads without one: a point
// below the snapshot's count is never written again, and a chunk stays alive as long as
// a snapshot holds it, even across Clear().
class SampleBuffer {
public:
    static constexpr std::size_t kChunkSamples = 4096;
    struct Chunk {
        std::array<Sample, kChunkSamples> samples;
    };

    class Snapshot {
    public:
        std::size_t size() const { return m_count; }
        bool empty() const { return m_count == 0; }
        const Sample& operator[](std::size_t index) const
        {
            return m_chunks[index / kChunkSamples]->samples[index % kChunkSamples];
        }
        const Sample& back() const { return (*this)[m_count - 1]; }
        // The samples from `index` on that lie one after another in memory (to the end of
        // its chunk or of the snapshot), for loops over long spans; `count` gets how many.
        const Sample* Run(std::size_t index, std::size_t& count) const
        {
            const std::size_t offset = index % kChunkSamples;
            count = std::min(kChunkSamples - offset, m_count - index);
            return &m_chunks[index / kChunkSamples]->samples[offset];
        }
        // Index of the first sample whose time is not below `timeUs` (size() when none);
        // the time grows with every tick of a run.
        std::size_t LowerBound(std::int64_t timeUs) const;

    private:
        friend class SampleBuffer;
        std::vector<std::shared_ptr<const Chunk>> m_chunks;
        std::size_t m_count = 0;
    };

    // One writer at a time.
    void Append(Sample sample);
    // Called while no worker appends (a new run).
    void Clear();
    std::size_t size() const;
    Snapshot Snap() const;
    // Bytes held by the chunks.
    std::size_t MemoryBytes() const;

private:
    mutable std::mutex m_mutex;
    std::vector<std::shared_ptr<Chunk>> m_chunks;
    std::size_t m_count = 0;
};

} // namespace graph
