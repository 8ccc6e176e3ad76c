#include "graph/SamplesCsv.h"

#include "graph/DayFraction.h"
#include "report/CsvText.h"

#include <charconv>
#include <limits>

namespace graph {

namespace {
void WriteNumber(std::ostream& out, double value)
{
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    out.write(text, result.ptr - text);
}
} // namespace

void WriteSamplesCsv(std::ostream& out, const std::vector<std::string>& names,
                     const std::vector<SampleBuffer::Snapshot>& channels)
{
    out << "time_ms";
    for (const std::string& name : names)
        out << ',' << report::CsvField(name);
    out << '\n';
    // The channels share the X of each tick; merge them by X.
    std::vector<std::size_t> next(channels.size(), 0);
    for (;;) {
        double x = std::numeric_limits<double>::infinity();
        for (std::size_t c = 0; c < channels.size(); ++c) {
            if (next[c] < channels[c].size() && channels[c][next[c]].x < x)
                x = channels[c][next[c]].x;
        }
        if (x == std::numeric_limits<double>::infinity()) break;
        out << DayFractionToMs(x);
        for (std::size_t c = 0; c < channels.size(); ++c) {
            out << ',';
            if (next[c] < channels[c].size() && channels[c][next[c]].x == x) {
                WriteNumber(out, channels[c][next[c]].y);
                ++next[c];
            }
        }
        out << '\n';
    }
}

} // namespace graph
