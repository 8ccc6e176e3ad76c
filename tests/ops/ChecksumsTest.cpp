#include "ops/Checksums.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::span<const std::uint8_t> Bytes(const std::string& text)
{
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// FIPS 180-4's examples and the lengths around a block's padding (55, 56 and 64 bytes
// need one or two final blocks), where a hand-written SHA-256 goes wrong.
TEST(Checksums, Sha256MatchesTheStandardsVectors)
{
    const std::pair<std::string, const char*> cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {std::string(55, 'a'), "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},
        {std::string(56, 'a'), "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a"},
        {std::string(64, 'a'), "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"},
    };
    for (const auto& [text, digest] : cases)
        EXPECT_EQ(ops::Sha256Hex(Bytes(text)), digest) << text.size() << " bytes";
}

TEST(Checksums, FileDigestsAreThoseOfTheBytesAndEmptyWhenUnreadable)
{
    const std::string path = ::testing::TempDir() + "/checksums-abc.bin";
    std::string big(200000, 'x'); // more than one read's piece
    {
        std::FILE* file = std::fopen(path.c_str(), "wb");
        ASSERT_NE(file, nullptr);
        std::fwrite(big.data(), 1, big.size(), file);
        std::fclose(file);
    }
    EXPECT_EQ(ops::DigestFile(path).sha256, ops::Sha256Hex(Bytes(big)));
    EXPECT_EQ(ops::DigestFile(path).crc32, ops::Crc32(Bytes(big)));
    EXPECT_EQ(ops::DigestFile(path + ".missing").sha256, "");
    std::remove(path.c_str());
}

// A region's figure is the CRC-32 of its words low byte first, as a dump of the chip's
// flash to a file gives it.
TEST(Checksums, WordsAreTakenLowByteFirst)
{
    const std::vector<std::uint16_t> words = {0x3231, 0x3433, 0x3635, 0x3837};
    EXPECT_EQ(ops::Crc32Words(words), ops::Crc32(Bytes("12345678")));
    EXPECT_EQ(ops::Crc32(Bytes("123456789")), 0xCBF43926u);
    EXPECT_EQ(ops::Crc32Words({}), 0u);
    // Continued over two pieces as over one.
    EXPECT_EQ(ops::Crc32(Bytes("6789"), ops::Crc32(Bytes("12345"))), 0xCBF43926u);
}

} // namespace
