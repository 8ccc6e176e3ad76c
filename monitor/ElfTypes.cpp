#include "monitor/ElfTypes.h"

#include "platform/Utf8Path.h"

#include <chrono>
#include <filesystem>
#include <system_error>

#include "elf/DebugInfoReader.h"

namespace monitor {

namespace {

// A linker writes the ELF and the map of one build within moments of each other, in
// either order; an ELF older than its map by more than this is from an earlier build.
constexpr std::chrono::seconds kSameBuildWindow{5};

bool OlderThanMap(const std::string& elfPath, const std::string& mapPath)
{
    std::error_code error;
    const auto elf = std::filesystem::last_write_time(platform::PathFromUtf8(elfPath), error);
    if (error) return false;
    const auto map = std::filesystem::last_write_time(platform::PathFromUtf8(mapPath), error);
    return !error && map - elf > kSameBuildWindow;
}

} // namespace

std::string FindElfForMap(const std::string& mapPath, const std::string& given)
{
    if (!given.empty()) return given;
    const std::filesystem::path map = platform::PathFromUtf8(mapPath);
    if (!map.has_extension()) return {};
    std::filesystem::path elf = map;
    elf.replace_extension();
    std::error_code error;
    return std::filesystem::is_regular_file(elf, error) ? platform::Utf8FromPath(elf) : std::string();
}

ElfTypesLoad LoadElfTypes(const std::string& mapPath, const std::string& givenElf,
                          SymbolTable& table, TypedSymbols& typed)
{
    typed.Clear();
    ElfTypesLoad load;
    load.path = FindElfForMap(mapPath, givenElf);
    if (load.path.empty()) {
        load.note = "no types: no ELF file beside the map";
        return load;
    }
    elf::DebugInfo info = elf::ReadDebugInfoFile(load.path);
    load.reason = info.problem;
    if (info.variables.empty()) {
        load.note = "no types from " + load.path + ": " + load.reason;
        load.warnings.push_back(load.path + ": " + load.reason + "; types from the map only");
        return load;
    }
    typed.Merge(table, std::move(info));
    load.typed = true;
    load.note = "types from " + load.path + ": " + std::to_string(typed.typedCount()) + " of " +
                std::to_string(table.count()) + " symbols";
    if (!load.reason.empty()) {
        load.note += " (not all read: " + load.reason + ")";
        load.warnings.push_back(load.path + ": not all read: " + load.reason);
    }
    if (typed.disagreements() > 0)
        load.disagreement = std::to_string(typed.disagreements()) +
                            " symbols lie elsewhere in the ELF than in the map and keep the "
                            "map's address without a type (is the ELF from the same build?)";
    // One symbol elsewhere may be a map's rounding; several, or an older file, mean the
    // program was linked again and the ELF left behind.
    if (typed.disagreements() > 1 || OlderThanMap(load.path, mapPath))
        load.warnings.push_back(load.path + ": " + kElfMismatch);
    if (!load.disagreement.empty()) load.warnings.push_back(load.disagreement);
    return load;
}

} // namespace monitor
