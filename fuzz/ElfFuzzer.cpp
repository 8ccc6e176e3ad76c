// The debug-information reader on any bytes, both DWARF versions: it must come back
// with a one-line reason instead of crashing, hanging or reading past a buffer; every
// type it hands out must be safe to spell and to size, loops included; its names must
// be text a listing can show; what it keeps must be bounded by the limits and the
// input's size; and where elfutils' libdw reads the input whole too, both must have read
// the same types.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <span>
#include <string>
#include <string_view>

#include "elf/DebugInfoReader.h"
#include "elf/DwarfUnits.h"
#include "elf/ElfImage.h"
#include "elf/TypeLayout.h"
#include "elf/oracle/CanonicalDump.h"
#include "elf/oracle/LibdwReader.h"

namespace {

[[noreturn]] void Fail(const char* what, std::string_view detail)
{
    std::fprintf(stderr, "%s: %.*s\n", what, static_cast<int>(detail.size()), detail.data());
    std::abort();
}

// UTF-8 of the characters NameText makes: no control characters, no C1 controls, and
// the "…" that ends a name cut to its longest (inside a type's text too).
bool ShowableUtf8(std::string_view text)
{
    constexpr std::string_view kEllipsis = "\xE2\x80\xA6";
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text.substr(i, kEllipsis.size()) == kEllipsis) {
            i += kEllipsis.size() - 1;
            continue;
        }
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7F) return false;
        if (c < 0x80) continue;
        if ((c & 0xE0) != 0xC0 || c < 0xC2 || i + 1 == text.size()) return false;
        const auto next = static_cast<unsigned char>(text[++i]);
        if ((next & 0xC0) != 0x80 || (c == 0xC2 && next < 0xA0)) return false;
    }
    return true;
}

void CheckName(const elf::Name& name, std::set<const char*>& storage, std::size_t& bytes)
{
    if (!ShowableUtf8(name.str())) Fail("name that is not showable UTF-8", name.str());
    if (!name.empty() && storage.insert(name.str().data()).second) bytes += name.size();
}

// libdw reads DW_FORM_addr as 4 or 8 bytes whatever a unit's address size, so it
// misreads units of 2-byte addresses (AVR, this target's small model) that use the form:
// on those our reader is not compared with it.
bool LibdwReadsItsAddresses(std::span<const std::uint8_t> input)
{
    std::string why;
    const auto image = elf::ElfImage::Parse(input, why);
    const auto* info = image ? image->Find(".debug_info") : nullptr;
    if (!info) return false;
    std::string problem;
    for (const auto& unit : elf::FindUnits(image->Bytes(*info), problem))
        if (unit.addressSize != 4 && unit.addressSize != 8) return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    elf::Limits limits;
    limits.maxRows = 20000;
    const std::span<const std::uint8_t> input(data, size);
    const elf::DebugInfo info = elf::ReadDebugInfo(input, limits);
    if (info.problem.find('\n') != std::string::npos) Fail("reason of more than one line", info.problem);

    std::size_t rows = info.types.size() + info.variables.size();
    std::set<const char*> storage;
    std::size_t nameBytes = 0;
    for (const auto& type : info.types) {
        CheckName(type.name, storage, nameBytes);
        rows += type.members.size() + type.enumerators.size();
        for (const auto& member : type.members) CheckName(member.name, storage, nameBytes);
        for (const auto& enumerator : type.enumerators) CheckName(enumerator.name, storage, nameBytes);
    }
    for (const auto& variable : info.variables) {
        CheckName(variable.name, storage, nameBytes);
        const std::string text = elf::TypeText(info, variable.type);
        if (!ShowableUtf8(text)) Fail("type text that is not showable UTF-8", text);
        (void)elf::ByteSize(info, variable.type);
        (void)elf::StripTypedefs(info, variable.type);
    }
    // A few rows past the limit are the parts of the entry that reached it.
    if (rows > limits.maxRows + 16) Fail("more rows than the limit", std::to_string(rows));
    if (nameBytes > 4 * size + 8192) Fail("names larger than the input justifies", std::to_string(nameBytes));

    if (info.dwarfVersion >= 2 && info.problem.empty() && LibdwReadsItsAddresses(input)) {
        const elf::DebugInfo theirs = elf::oracle::ReadWithLibdw(input, limits);
        if (theirs.problem.empty()) {
            const std::string ours = elf::oracle::CanonicalDump(info);
            const std::string expected = elf::oracle::CanonicalDump(theirs);
            if (ours != expected) {
                std::fprintf(stderr, "ours:\n%s\nlibdw:\n%s\n", ours.c_str(), expected.c_str());
                Fail("the readers differ", "");
            }
        }
    }
    return 0;
}
