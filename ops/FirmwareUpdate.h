#pragma once

#include <cstdint>
#include <span>

namespace report {
class StatusSink;
}
namespace pod {
class PodSession;
}

namespace ops {

// Replaces the POD's own firmware through its ROM boot loader: the link is reopened
// at 115200 baud with even parity, the boot loader is synchronised, its flash erased
// and the image written in 256-byte blocks from 0x08000000. Ends with the link closed,
// so the next operation reopens it in the command configuration. Nothing can be
// restored when it fails after the erase: the POD then waits in its boot loader for
// another update.
bool FirmwareUpdate(pod::PodSession& session, report::StatusSink& view,
                    std::span<const std::uint8_t> firmware);

} // namespace ops
