#include "sim/BootLoader.h"

#include <algorithm>
#include <string_view>

#include "sim/SimFault.h"

namespace sim {

namespace {
constexpr std::uint8_t kSync = 0x7F;
constexpr std::uint8_t kCmdErase = 0x43;
constexpr std::uint8_t kCmdWrite = 0x31;

std::uint32_t ReadLe32(const std::vector<std::uint8_t>& bytes, std::size_t offset)
{
    return static_cast<std::uint32_t>(bytes[offset]) |
           (static_cast<std::uint32_t>(bytes[offset + 1]) << 8) |
           (static_cast<std::uint32_t>(bytes[offset + 2]) << 16) |
           (static_cast<std::uint32_t>(bytes[offset + 3]) << 24);
}
} // namespace

BootLoader::BootLoader(std::span<const std::uint8_t> firmware)
    : m_flash(kFlashSize, 0xFF), m_written(kFlashSize, false)
{
    const std::size_t n = std::min<std::size_t>(firmware.size(), kFlashSize);
    std::copy_n(firmware.begin(), n, m_flash.begin());
}

BootLoader::Answer BootLoader::Ack(int step)
{
    return Answer{std::string(1, static_cast<char>(kAck)), step};
}

BootLoader::Answer BootLoader::Nack()
{
    m_state = State::kIdle;
    return Answer{std::string(1, static_cast<char>(kNack)), 0};
}

BootLoader::Answer BootLoader::Feed(std::uint8_t byte)
{
    switch (m_state) {
    case State::kIdle:
        if (byte == kSync) {
            return Ack(kFaultSync);
        }
        m_command = byte;
        m_state = State::kComplement;
        return {};
    case State::kComplement:
        return FeedComplement(byte);
    case State::kEraseFirst:
        m_eraseFirst = byte;
        m_state = State::kEraseSecond;
        return {};
    case State::kEraseSecond:
        return FeedEraseSecond(byte);
    case State::kAddress:
        return FeedAddress(byte);
    case State::kCount:
        m_count = static_cast<std::uint32_t>(byte) + 1;
        m_buffer.assign(1, byte);
        m_state = State::kData;
        return {};
    case State::kData:
        m_buffer.push_back(byte);
        if (m_buffer.size() == m_count + 1) {
            m_state = State::kChecksum;
        }
        return {};
    case State::kChecksum:
        return FeedChecksum(byte);
    }
    return {};
}

BootLoader::Answer BootLoader::FeedComplement(std::uint8_t byte)
{
    if (static_cast<std::uint8_t>(m_command ^ byte) != 0xFF) {
        return Nack();
    }
    if (m_command == kCmdErase) {
        m_state = State::kEraseFirst;
        return Ack(kFaultErase);
    }
    if (m_command == kCmdWrite) {
        m_state = State::kAddress;
        m_buffer.clear();
        return Ack(kFaultWrite);
    }
    return Nack();
}

BootLoader::Answer BootLoader::FeedEraseSecond(std::uint8_t byte)
{
    // Only the global erase (0xFF 0x00) is offered; page lists are not.
    if (m_eraseFirst != 0xFF || byte != 0x00) {
        return Nack();
    }
    std::fill(m_flash.begin(), m_flash.end(), 0xFF);
    std::fill(m_written.begin(), m_written.end(), false);
    m_end = 0;
    m_erased = true;
    m_state = State::kIdle;
    return Ack();
}

BootLoader::Answer BootLoader::FeedAddress(std::uint8_t byte)
{
    m_buffer.push_back(byte);
    if (m_buffer.size() < 5) {
        return {};
    }
    const std::uint8_t x = m_buffer[0] ^ m_buffer[1] ^ m_buffer[2] ^ m_buffer[3];
    m_address = (static_cast<std::uint32_t>(m_buffer[0]) << 24) |
                (static_cast<std::uint32_t>(m_buffer[1]) << 16) |
                (static_cast<std::uint32_t>(m_buffer[2]) << 8) | m_buffer[3];
    if (x != m_buffer[4] || m_address < kFlashBase || m_address - kFlashBase >= kFlashSize) {
        return Nack();
    }
    m_state = State::kCount;
    return Ack();
}

BootLoader::Answer BootLoader::FeedChecksum(std::uint8_t byte)
{
    std::uint8_t x = 0;
    for (std::uint8_t b : m_buffer) {
        x ^= b;
    }
    const std::uint32_t offset = m_address - kFlashBase;
    if (x != byte || offset + m_count > kFlashSize) {
        return Nack();
    }
    // Flash bits can only be cleared; a byte that is not erased cannot be written.
    for (std::uint32_t i = 0; i < m_count; ++i) {
        if (m_flash[offset + i] != 0xFF && m_flash[offset + i] != m_buffer[i + 1]) {
            return Nack();
        }
    }
    for (std::uint32_t i = 0; i < m_count; ++i) {
        m_flash[offset + i] = m_buffer[i + 1];
        m_written[offset + i] = true;
    }
    m_end = std::max(m_end, offset + m_count);
    m_state = State::kIdle;
    return Ack();
}

std::vector<std::uint8_t> BootLoader::BootableImage() const
{
    if (!m_erased || m_end < 8) {
        return {};
    }
    for (std::uint32_t i = 0; i < m_end; ++i) {
        if (!m_written[i]) {
            return {};
        }
    }
    const std::uint32_t stack = ReadLe32(m_flash, 0);
    const std::uint32_t reset = ReadLe32(m_flash, 4) & ~1u;
    if ((stack & 0xFFFF0000u) != 0x20000000u || reset < kFlashBase || reset - kFlashBase >= m_end) {
        return {};
    }
    return std::vector<std::uint8_t>(m_flash.begin(), m_flash.begin() + m_end);
}

bool FirmwareVersionOf(std::span<const std::uint8_t> image, int& major, int& minor)
{
    static constexpr std::string_view kTag = "QUOBIN POD FIRMWARE V";
    const std::string_view text(reinterpret_cast<const char*>(image.data()), image.size());
    const std::size_t at = text.find(kTag);
    if (at == std::string_view::npos) {
        return false;
    }
    std::size_t pos = at + kTag.size();
    auto number = [&](int& out) {
        const std::size_t start = pos;
        int value = 0;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && pos - start < 2) {
            value = value * 10 + (text[pos] - '0');
            ++pos;
        }
        out = value;
        return pos > start && value <= 15;
    };
    int a = 0;
    int b = 0;
    if (!number(a) || pos >= text.size() || text[pos] != '.') {
        return false;
    }
    ++pos;
    if (!number(b)) {
        return false;
    }
    major = a;
    minor = b;
    return true;
}

} // namespace sim
