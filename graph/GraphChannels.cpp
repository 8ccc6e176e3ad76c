#include "graph/GraphChannels.h"

#include "monitor/WatchList.h"

namespace graph {

GraphChannel ChannelFromMonitorItem(const monitor::MonitorItem& row)
{
    return {row.name, row.address, static_cast<std::uint32_t>(row.size), row.viewType};
}

bool GraphChannels::Add(const GraphChannel& channel)
{
    if (m_count >= kMaxChannels || channel.viewType == monitor::ASCII) return false;
    m_channels[static_cast<std::size_t>(m_count++)] = channel;
    return true;
}

} // namespace graph
