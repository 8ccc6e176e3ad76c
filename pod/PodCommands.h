#pragma once

#include "pod/PodBootLoader.h"
#include "pod/PodOpcodes.h"
#include "pod/PodOutcome.h"

#include <cstdint>
#include <span>

namespace pod {

class PodSession;

// Every command sends one frame and reads one reply of a fixed length, and says what
// happened (PodOutcome). It succeeds when the reply is whole and of its shape: ':' first,
// hex digits, CR last (the checksum's and the echo digits' values are not judged). A
// reply of that shape with '?' first is the POD's error reply. Any failure purges both
// driver queues, now and right before the next command, so that late bytes cannot pass
// for a later reply. A command whose fields do not fit their widths, whose frame would
// be too long, or that finds the session closed fails without sending.
// Each command takes the session lock for its exchange; hold PodSession::Lock() across
// several commands to keep other threads out between them.

// ProgramMode byte of the programming commands.
inline constexpr std::uint32_t kProgramVerify = 0;
inline constexpr std::uint32_t kProgramWrite = 1;
inline constexpr std::uint32_t kProgramWriteVerify = 2;

// ConnectMode of CmdConnectTarget: 56800 parts (types 0..6), and 56800E parts (7..27)
// and Target Reset.
inline constexpr std::uint32_t kConnect56800 = 1;
inline constexpr std::uint32_t kConnect56800E = 4;

// TargetState given by CmdEnableOnce.
using TargetState = int;
inline constexpr TargetState kTargetFailed = 0;
inline constexpr TargetState kTargetReady = 1;
inline constexpr TargetState kTargetSecured = 2;

// Reply lengths in bytes: a plain acknowledgement, and the two-digit data replies.
inline constexpr std::uint32_t kAckReplyLength = 6;
inline constexpr std::uint32_t kVersionReplyLength = 8;
inline constexpr std::uint32_t kEnableOnceReplyLength = 8;

// The POD's constant in the job header between McuType and the reset-after flag.
inline constexpr std::uint32_t kPodInfoConstant = 4;

// Bit 3 DFLASH, bit 2 BFLASH, bit 1 P1FLASH, bit 0 P2FLASH.
std::uint32_t RegionMask(bool dflash, bool bflash, bool p1flash, bool p2flash);
// 16-bit sum (modulo 65536) of the words.
std::uint16_t WordChecksum(std::span<const std::uint16_t> words);
// AccessWidth of a view type (0 BYTE_LOW .. 8 FLOAT): 0 low byte, 1 high byte, 2 word,
// 3 long; -1 for any other view type.
int AccessWidthForView(int viewType);
// Reply length of CmdReadMemory for an access width: 8, 8, 10 or 14.
std::uint32_t ReadMemoryReplyLength(int accessWidth);

// 0x01. major and minor are the reply's digits at offsets 3 and 4, each 0..15.
PodOutcome CmdGetVersion(PodSession& session, int& major, int& minor);
// 0x02.
PodOutcome CmdResetTarget(PodSession& session);
// 0x11. counts in region order DFLASH, BFLASH (16-bit fields), P1FLASH, P2FLASH
// (24-bit fields); a region not selected sends 0.
PodOutcome CmdPodWriteInfo(PodSession& session, std::uint32_t programMode, std::uint32_t mcuType,
                           std::uint32_t resetAfter, std::uint32_t resetPolarity,
                           std::uint32_t resetDelayMs, std::uint32_t loaderLength,
                           const std::uint32_t counts[4]);
// 0x12. The whole flash routine.
PodOutcome CmdPodWriteLoader(PodSession& session, std::uint32_t programMode,
                             std::span<const std::uint16_t> words);
// 0x13. One stored block; the byte count sent is 2 x words.
PodOutcome CmdPodWriteBlock(PodSession& session, std::uint32_t programMode,
                            std::uint32_t blockNumber, std::span<const std::uint16_t> words);
// 0x20.
PodOutcome CmdConnectTarget(PodSession& session, std::uint32_t mcuType, std::uint32_t connectMode,
                            std::uint32_t resetPolarity, std::uint32_t resetDelayMs);
// 0x21. The value is kTargetFailed also when the command failed.
PodResult<TargetState> CmdEnableOnce(PodSession& session);
// 0x22.
PodOutcome CmdUnlockFlash(PodSession& session);
// 0x23. The whole flash routine.
PodOutcome CmdTargetLoadLoader(PodSession& session, std::span<const std::uint16_t> words);
// 0x24.
PodOutcome CmdEraseFlash(PodSession& session, std::uint32_t regionMask);
// 0x25. Sends the word count and WordChecksum of the words with them.
PodOutcome CmdProgramPage(PodSession& session, std::uint32_t programMode, std::uint32_t region,
                          std::uint32_t startAddress, std::span<const std::uint16_t> words);
// 0x26. One chunk (up to 256 words) of a buffered program; the caller splits.
PodOutcome CmdBufferChunk(PodSession& session, std::uint32_t chunkIndex,
                          std::span<const std::uint16_t> words);
// 0x27. count and checksum of all words staged by CmdBufferChunk.
PodOutcome CmdProgramBuffered(PodSession& session, std::uint32_t programMode, std::uint32_t region,
                              std::uint32_t startAddress, std::uint32_t count,
                              std::uint32_t checksum);
// 0x28.
PodOutcome CmdReleaseTarget(PodSession& session, std::uint32_t resetFlag);
// 0x50. Index of the Monitoring Baud Rate list.
PodOutcome CmdSetMonitorBaud(PodSession& session, std::uint32_t index);
// 0x51. Time-out 100 ms. The address's low 24 bits are sent. View types above 8 are
// refused without sending.
PodOutcome CmdReadMemory(PodSession& session, int viewType, std::uint32_t address,
                         std::uint32_t& value);
// 0x52. Bytes send the value's low 8 bits, words the low 16, longs all 32. View types
// above 8 are refused without sending.
PodOutcome CmdWriteMemory(PodSession& session, int viewType, std::uint32_t address,
                          std::uint32_t value);

} // namespace pod
