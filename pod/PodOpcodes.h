#pragma once

#include <cstdint>

namespace pod {

// Opcodes of the POD's framed command set (first payload byte).
namespace opcode {
inline constexpr std::uint8_t kGetVersion = 0x01;       // firmware version, two hex digits
inline constexpr std::uint8_t kResetTarget = 0x02;      // pulse the target's reset line
inline constexpr std::uint8_t kPodWriteInfo = 0x11;     // store the job header in the POD
inline constexpr std::uint8_t kPodWriteLoader = 0x12;   // store the flash routine in the POD
inline constexpr std::uint8_t kPodWriteBlock = 0x13;    // store one numbered image block
inline constexpr std::uint8_t kConnectTarget = 0x20;    // JTAG connect with reset settings
inline constexpr std::uint8_t kEnableOnce = 0x21;       // enter EONCE debug; gives target state
inline constexpr std::uint8_t kUnlockFlash = 0x22;      // mass-erase a secured 56800E part
inline constexpr std::uint8_t kTargetLoadLoader = 0x23; // load the flash routine into target RAM
inline constexpr std::uint8_t kEraseFlash = 0x24;       // erase the regions of a mask
inline constexpr std::uint8_t kProgramPage = 0x25;      // program/verify one page (56800)
inline constexpr std::uint8_t kBufferChunk = 0x26;      // stage up to 256 words (56800E)
inline constexpr std::uint8_t kProgramBuffered = 0x27;  // program/verify the staged words
inline constexpr std::uint8_t kReleaseTarget = 0x28;    // leave debug, optionally reset and run
inline constexpr std::uint8_t kSetMonitorBaud = 0x50;   // POD-to-target rate for monitoring
inline constexpr std::uint8_t kReadMemory = 0x51;  // read a byte, word or long of target memory
inline constexpr std::uint8_t kWriteMemory = 0x52; // write a byte, word or long of target memory
} // namespace opcode

// The POD's ROM boot loader speaks the USART protocol of ST's STM32 parts: raw bytes,
// each command byte followed by its complement, every phase answered by ACK or NACK.
namespace boot {
inline constexpr std::uint8_t kSync = 0x7F;        // lets the loader measure the baud rate
inline constexpr std::uint8_t kAck = 0x79;         // 'y'
inline constexpr std::uint8_t kEraseMemory = 0x43; // followed by its complement 0xBC
inline constexpr std::uint8_t kWriteMemory = 0x31; // followed by its complement 0xCE
inline constexpr std::uint8_t kGlobalErase = 0xFF; // 0xFF 0x00: erase every page
inline constexpr std::uint32_t kFlashBase = 0x08000000;
inline constexpr std::size_t kMaxBlockBytes = 256;
} // namespace boot

} // namespace pod
