#include "elf/DebugInfoReader.h"

#include "platform/WholeFile.h"

#include <vector>

#include "elf/Dwarf1Reader.h"
#include "elf/Dwarf2Reader.h"
#include "elf/ElfImage.h"

namespace elf {
namespace {

DebugInfo TooLarge(const Limits& limits)
{
    DebugInfo info;
    info.problem = "the file is larger than " + std::to_string(limits.maxFileBytes >> 20) + " MB";
    return info;
}

} // namespace

DebugInfo ReadDebugInfo(std::span<const std::uint8_t> bytes, const Limits& limits)
{
    if (bytes.size() > limits.maxFileBytes) return TooLarge(limits);
    DebugInfo info;
    std::string why;
    const auto image = ElfImage::Parse(bytes, why);
    if (!image) {
        info.problem = why;
        return info;
    }
    if (const auto* section = image->Find(".debug_info")) {
        if (section->size == 0) {
            info.problem = "section .debug_info is empty";
            return info;
        }
        ReadDwarf2(bytes, *image, limits, info);
    } else if (const auto* old = image->Find(".debug")) {
        if (old->cut) info.problem = "section .debug is cut short";
        ReadDwarf1(image->Bytes(*old), limits, info);
    } else {
        info.problem = "no debug information (no .debug_info or .debug section)";
        return info;
    }
    if (info.variables.empty() && info.problem.empty())
        info.problem = "the debug information names no variable with an address";
    // Section names come from the file: keep the reason on one line whatever they hold.
    for (char& c : info.problem)
        if (static_cast<unsigned char>(c) < 0x20) c = '?';
    return info;
}

DebugInfo ReadDebugInfoFile(const std::string& path, const Limits& limits)
{
    std::string bytes;
    if (std::string reason = platform::ReadWholeFile(path, limits.maxFileBytes, bytes); !reason.empty()) {
        DebugInfo info;
        info.problem = std::move(reason);
        return info;
    }
    return ReadDebugInfo({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}, limits);
}

} // namespace elf
