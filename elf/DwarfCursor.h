#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace elf {

// Little-endian reads from a section of a file that may be damaged anywhere: a read
// past the end gives 0, leaves the cursor at the end and marks it failed, so that the
// caller checks once after a group of reads instead of before each one.
class Cursor {
public:
    Cursor() = default;
    explicit Cursor(std::span<const std::uint8_t> bytes, std::size_t at = 0)
        : m_bytes(bytes), m_at(at <= bytes.size() ? at : bytes.size()), m_ok(at <= bytes.size())
    {
    }

    bool ok() const { return m_ok; }
    std::size_t at() const { return m_at; }
    std::size_t left() const { return m_bytes.size() - m_at; }
    std::span<const std::uint8_t> bytes() const { return m_bytes; }

    std::uint64_t Fixed(std::size_t width)
    {
        if (width > 8 || !Has(width)) return Fail();
        std::uint64_t value = 0;
        for (std::size_t i = width; i-- > 0;) value = (value << 8) | m_bytes[m_at + i];
        m_at += width;
        return value;
    }
    std::uint8_t U8() { return static_cast<std::uint8_t>(Fixed(1)); }
    std::uint16_t U16() { return static_cast<std::uint16_t>(Fixed(2)); }
    std::uint32_t U32() { return static_cast<std::uint32_t>(Fixed(4)); }
    std::uint64_t U64() { return Fixed(8); }

    // LEB128 numbers longer than 64 bits keep their low bits, as every reader does;
    // a number that runs off the end fails.
    std::uint64_t Uleb()
    {
        std::uint64_t value = 0;
        for (unsigned shift = 0;; shift += 7) {
            if (!Has(1)) return Fail();
            const std::uint8_t byte = m_bytes[m_at++];
            if (shift < 64) value |= std::uint64_t{byte & 0x7Fu} << shift;
            if ((byte & 0x80) == 0) return value;
        }
    }
    std::int64_t Sleb()
    {
        std::uint64_t value = 0;
        for (unsigned shift = 0;; shift += 7) {
            if (!Has(1)) return static_cast<std::int64_t>(Fail());
            const std::uint8_t byte = m_bytes[m_at++];
            if (shift < 64) value |= std::uint64_t{byte & 0x7Fu} << shift;
            if ((byte & 0x80) == 0) {
                if (shift + 7 < 64 && (byte & 0x40) != 0) value |= ~std::uint64_t{0} << (shift + 7);
                return static_cast<std::int64_t>(value);
            }
        }
    }

    // The bytes up to the next zero, which is passed; nothing when there is none.
    std::span<const std::uint8_t> CString()
    {
        for (std::size_t z = m_at; z < m_bytes.size(); ++z) {
            if (m_bytes[z] != 0) continue;
            const auto text = m_bytes.subspan(m_at, z - m_at);
            m_at = z + 1;
            return text;
        }
        Fail();
        return {};
    }

    std::span<const std::uint8_t> Take(std::uint64_t size)
    {
        if (!Has(size)) {
            Fail();
            return {};
        }
        const auto part = m_bytes.subspan(m_at, static_cast<std::size_t>(size));
        m_at += static_cast<std::size_t>(size);
        return part;
    }

private:
    bool Has(std::uint64_t size) const { return m_ok && size <= m_bytes.size() - m_at; }
    std::uint64_t Fail()
    {
        m_ok = false;
        m_at = m_bytes.size();
        return 0;
    }

    std::span<const std::uint8_t> m_bytes;
    std::size_t m_at = 0;
    bool m_ok = false;
};

// An offset as the notes give it: "0x1c".
inline std::string HexText(std::uint64_t value)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    do {
        text.insert(text.begin(), kDigits[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    return "0x" + text;
}

inline std::string_view AsText(std::span<const std::uint8_t> bytes)
{
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

} // namespace elf
