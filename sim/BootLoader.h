#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace sim {

// The POD microcontroller's ROM boot loader, the part of the STM32 USART protocol
// (AN3155) that a firmware update uses: sync 0x7F, global erase 0x43, write memory
// 0x31. It owns the POD's flash.
class BootLoader {
public:
    static constexpr std::uint32_t kFlashBase = 0x08000000;
    static constexpr std::uint32_t kFlashSize = 0x10000; // 64 KiB
    static constexpr std::uint8_t kAck = 0x79;
    static constexpr std::uint8_t kNack = 0x1F;

    struct Answer {
        std::string bytes; // what the boot loader sends back (usually one ACK or NACK)
        int step = 0; // kFaultSync/kFaultErase/kFaultWrite when this answers a step's first byte
    };

    // Flash holding `firmware` from its base, the rest erased.
    explicit BootLoader(std::span<const std::uint8_t> firmware = {});

    Answer Feed(std::uint8_t byte);
    // Drops a half-received command (line noise, a purge, a suppressed answer).
    void Abort() { m_state = State::kIdle; }

    // True once an erase happened in this session; the flash then no longer holds the
    // previous firmware.
    bool Erased() const { return m_erased; }
    // The image written since the erase when it forms a bootable firmware: written
    // from the base without holes, a Cortex-M vector table (stack pointer in SRAM,
    // reset handler inside the written bytes). Empty otherwise.
    std::vector<std::uint8_t> BootableImage() const;
    std::span<const std::uint8_t> Flash() const { return m_flash; }

private:
    enum class State {
        kIdle,
        kComplement,
        kEraseFirst,
        kEraseSecond,
        kAddress,
        kCount,
        kData,
        kChecksum,
    };

    Answer Ack(int step = 0);
    Answer Nack();
    // The states whose last byte is answered, with an ACK or a NACK.
    Answer FeedComplement(std::uint8_t byte);  // the command's complement
    Answer FeedEraseSecond(std::uint8_t byte); // the erase's second byte
    Answer FeedAddress(std::uint8_t byte);     // the write's address and its XOR
    Answer FeedChecksum(std::uint8_t byte);    // the write's data XOR: the bytes are written

    State m_state = State::kIdle;
    std::uint8_t m_command = 0;
    std::uint8_t m_eraseFirst = 0;
    std::vector<std::uint8_t> m_buffer;
    std::uint32_t m_address = 0;
    std::uint32_t m_count = 0;
    std::vector<std::uint8_t> m_flash;
    std::vector<bool> m_written;
    std::uint32_t m_end = 0; // one past the highest byte written since the erase
    bool m_erased = false;
};

// The firmware version recorded in an image as "QUOBIN POD FIRMWARE Vx.y"; false when
// the image carries no such tag.
bool FirmwareVersionOf(std::span<const std::uint8_t> image, int& major, int& minor);

} // namespace sim
