#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace pod {

class PodSession;

// Steps of the POD's ROM boot loader, used on a session opened with OpenPodBootSession.
// Each phase purges both queues, sends its bytes, then polls: sleep 1 ms, ask for the
// receive queue, count one poll; once a byte is waiting it is read, and the step goes on
// only if it is ACK (0x79). One poll counter runs through all phases of a step. Each
// step takes the session lock for its whole run.

// Budgets: BootSync 100 polls; BootEraseAll 100 for both phases; BootWriteBlock 100 for
// command and address, 1000 in all with the data.
inline constexpr int kBootSyncPolls = 100;
inline constexpr int kBootErasePolls = 100;
inline constexpr int kBootWriteAddressPolls = 100;
inline constexpr int kBootWriteTotalPolls = 1000;

// 0x7F.
bool BootSync(PodSession& session);
// 0x43 0xBC, then 0xFF 0x00 (global erase).
bool BootEraseAll(PodSession& session);
// Writes up to 256 bytes of image from offset to 0x08000000 + offset: 0x31 0xCE; the
// address most significant byte first and the XOR of its bytes; N - 1, the N bytes and
// the XOR of N - 1 and the bytes. An offset at or beyond the image's end fails without
// sending.
bool BootWriteBlock(PodSession& session, std::span<const std::uint8_t> image, std::size_t offset);

} // namespace pod
