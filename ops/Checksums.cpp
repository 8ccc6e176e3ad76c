#include "ops/Checksums.h"

#include "platform/Utf8Path.h"

#include <array>
#include <cstdio>
#include <fstream>
#include <vector>

namespace ops {

namespace {

constexpr std::array<std::uint32_t, 256> MakeCrcTable()
{
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}

constexpr std::array<std::uint32_t, 256> kCrcTable = MakeCrcTable();

// Continues a CRC held in its inverted working form.
std::uint32_t CrcStep(std::uint32_t state, std::uint8_t byte)
{
    return kCrcTable[(state ^ byte) & 0xFF] ^ (state >> 8);
}

// FIPS 180-4, fed in pieces so that a large S file is never held whole.
class Sha256 {
public:
    void Add(std::span<const std::uint8_t> bytes)
    {
        for (const std::uint8_t b : bytes) {
            m_block[m_used++] = b;
            if (m_used == 64) Compress();
        }
        m_length += bytes.size();
    }

    std::string HexDigest()
    {
        const std::uint64_t bits = m_length * 8;
        m_block[m_used++] = 0x80;
        if (m_used > 56) {
            while (m_used < 64) m_block[m_used++] = 0;
            Compress();
        }
        while (m_used < 56) m_block[m_used++] = 0;
        for (int i = 7; i >= 0; --i) m_block[m_used++] = static_cast<std::uint8_t>(bits >> (i * 8));
        Compress();
        std::string hex;
        char digits[9];
        for (const std::uint32_t h : m_state) {
            std::snprintf(digits, sizeof digits, "%08x", h);
            hex += digits;
        }
        return hex;
    }

private:
    static std::uint32_t Rotr(std::uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }

    void Compress()
    {
        static constexpr std::uint32_t k[64] = {
            0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4,
            0xab1c5ed5, 0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe,
            0x9bdc06a7, 0xc19bf174, 0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f,
            0x4a7484aa, 0x5cb0a9dc, 0x76f988da, 0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7,
            0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967, 0x27b70a85, 0x2e1b2138, 0x4d2c6dfc,
            0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85, 0xa2bfe8a1, 0xa81a664b,
            0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070, 0x19a4c116,
            0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
            0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7,
            0xc67178f2};
        std::uint32_t w[64];
        for (int i = 0; i < 16; ++i)
            w[i] = static_cast<std::uint32_t>(m_block[i * 4]) << 24 |
                   static_cast<std::uint32_t>(m_block[i * 4 + 1]) << 16 |
                   static_cast<std::uint32_t>(m_block[i * 4 + 2]) << 8 | m_block[i * 4 + 3];
        for (int i = 16; i < 64; ++i) {
            const std::uint32_t s0 = Rotr(w[i - 15], 7) ^ Rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
            const std::uint32_t s1 = Rotr(w[i - 2], 17) ^ Rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
            w[i] = w[i - 16] + s0 + w[i - 7] + s1;
        }
        std::uint32_t a = m_state[0], b = m_state[1], c = m_state[2], d = m_state[3];
        std::uint32_t e = m_state[4], f = m_state[5], g = m_state[6], h = m_state[7];
        for (int i = 0; i < 64; ++i) {
            const std::uint32_t t1 =
                h + (Rotr(e, 6) ^ Rotr(e, 11) ^ Rotr(e, 25)) + ((e & f) ^ (~e & g)) + k[i] + w[i];
            const std::uint32_t t2 =
                (Rotr(a, 2) ^ Rotr(a, 13) ^ Rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
            h = g;
            g = f;
            f = e;
            e = d + t1;
            d = c;
            c = b;
            b = a;
            a = t1 + t2;
        }
        m_state[0] += a;
        m_state[1] += b;
        m_state[2] += c;
        m_state[3] += d;
        m_state[4] += e;
        m_state[5] += f;
        m_state[6] += g;
        m_state[7] += h;
        m_used = 0;
    }

    std::array<std::uint32_t, 8> m_state{0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                         0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    std::array<std::uint8_t, 64> m_block{};
    std::size_t m_used = 0;
    std::uint64_t m_length = 0;
};

// Feeds a file to `take` in pieces; false when it cannot be read to its end.
template <typename Take>
bool ReadPieces(const std::string& path, Take take)
{
    std::ifstream in(platform::PathFromUtf8(path), std::ios::binary);
    if (!in) return false;
    std::vector<char> buffer(65536);
    while (in) {
        in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        take(std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(buffer.data()),
                                           static_cast<std::size_t>(in.gcount())));
    }
    return !in.bad();
}

} // namespace

std::uint32_t Crc32(std::span<const std::uint8_t> bytes, std::uint32_t crc)
{
    std::uint32_t state = crc ^ 0xFFFFFFFFu;
    for (const std::uint8_t b : bytes)
        state = CrcStep(state, b);
    return state ^ 0xFFFFFFFFu;
}

std::uint32_t Crc32Words(std::span<const std::uint16_t> words)
{
    std::uint32_t state = 0xFFFFFFFFu;
    for (const std::uint16_t w : words) {
        state = CrcStep(state, static_cast<std::uint8_t>(w & 0xFF));
        state = CrcStep(state, static_cast<std::uint8_t>(w >> 8));
    }
    return state ^ 0xFFFFFFFFu;
}

std::string Sha256Hex(std::span<const std::uint8_t> bytes)
{
    Sha256 sha;
    sha.Add(bytes);
    return sha.HexDigest();
}

FileDigests DigestFile(const std::string& path)
{
    std::uint32_t crc = 0;
    Sha256 sha;
    if (!ReadPieces(path, [&](std::span<const std::uint8_t> piece) {
            crc = Crc32(piece, crc);
            sha.Add(piece);
        }))
        return {};
    return {crc, sha.HexDigest()};
}

} // namespace ops
