#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "monitor/ViewType.h"

namespace monitor {
struct MonitorItem;
}

namespace graph {

// One plotted variable.
struct GraphChannel {
    std::string name;          // the curve's title
    std::uint32_t address = 0; // target word address; the read command carries 24 bits
    std::uint32_t size = 0;    // words; kept with the rest, the acquisition does not use it
    // How the value is read and converted: the type the watch-list row shows, which after
    // a .Mon restore may differ from the type stored with the symbol.
    monitor::ViewType viewType = monitor::HEX16;
};

// The channel of a symbol watch-list row, with the view type that the row shows.
GraphChannel ChannelFromMonitorItem(const monitor::MonitorItem& row);

// The fixed table of up to four channels, filled in the order of the selected rows.
class GraphChannels {
public:
    static constexpr int kMaxChannels = 4;

    // Copies the channel into the next slot. Does nothing (false) when four are taken
    // already or for an ASCII item: a text has no value to plot.
    bool Add(const GraphChannel& channel);

    int count() const { return m_count; }
    const GraphChannel& operator[](int index) const
    {
        return m_channels.at(static_cast<std::size_t>(index));
    }

private:
    std::array<GraphChannel, kMaxChannels> m_channels{};
    int m_count = 0;
};

} // namespace graph
