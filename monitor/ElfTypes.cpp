#include "monitor/ElfTypes.h"

#include "platform/Utf8Path.h"

#include <filesystem>
#include <system_error>

#include "elf/DebugInfoReader.h"

namespace monitor {

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
    const std::string elfPath = FindElfForMap(mapPath, givenElf);
    if (elfPath.empty()) {
        load.note = "no types: no ELF file beside the map";
        return load;
    }
    elf::DebugInfo info = elf::ReadDebugInfoFile(elfPath);
    if (info.variables.empty()) {
        load.note = "no types from " + elfPath + ": " + info.problem;
        return load;
    }
    const std::string problem = info.problem;
    typed.Merge(table, std::move(info));
    load.typed = true;
    load.note = "types from " + elfPath + ": " + std::to_string(typed.typedCount()) + " of " +
                std::to_string(table.count()) + " symbols";
    if (!problem.empty()) load.note += " (not all read: " + problem + ")";
    if (typed.disagreements() > 0)
        load.disagreement = std::to_string(typed.disagreements()) +
                            " symbols lie elsewhere in the ELF than in the map and keep the "
                            "map's address without a type (is the ELF from the same build?)";
    return load;
}

} // namespace monitor
