#include "graph/SamplesCsv.h"

#include "report/CsvText.h"

#include <charconv>
#include <cstdint>
#include <limits>

namespace graph {

namespace {
void WriteNumber(std::ostream& out, double value)
{
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    out.write(text, result.ptr - text);
}
// Whole milliseconds as they always were; a recorder's finer times with their decimals.
void WriteMilliseconds(std::ostream& out, std::int64_t timeUs)
{
    if (timeUs % 1000 == 0) {
        out << timeUs / 1000;
        return;
    }
    WriteNumber(out, static_cast<double>(timeUs) / 1000.0);
}

} // namespace

void WriteSamplesCsv(std::ostream& out, const std::vector<std::string>& names,
                     const std::vector<SampleBuffer::Snapshot>& channels)
{
    out << "time_ms";
    for (const std::string& name : names)
        out << ',' << report::CsvField(name);
    out << '\n';
    // The channels share the time of each tick; merge them by time.
    constexpr std::int64_t kNone = std::numeric_limits<std::int64_t>::max();
    std::vector<std::size_t> next(channels.size(), 0);
    for (;;) {
        std::int64_t timeUs = kNone;
        for (std::size_t c = 0; c < channels.size(); ++c) {
            if (next[c] < channels[c].size() && channels[c][next[c]].timeUs < timeUs)
                timeUs = channels[c][next[c]].timeUs;
        }
        if (timeUs == kNone) break;
        WriteMilliseconds(out, timeUs);
        for (std::size_t c = 0; c < channels.size(); ++c) {
            out << ',';
            if (next[c] < channels[c].size() && channels[c][next[c]].timeUs == timeUs) {
                WriteNumber(out, channels[c][next[c]].y);
                ++next[c];
            }
        }
        out << '\n';
    }
}

} // namespace graph
