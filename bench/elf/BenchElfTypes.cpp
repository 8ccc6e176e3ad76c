// Time and memory of typing a map from its ELF: the file read, the merge with the map's
// symbols and every member and element made once, as `symbols --members` makes them.
// For the demo's ELF, a generated one of about 20 MB and 100,000 rows (the size of a
// large motor-control project), and a damaged one whose struct has 300 members of its
// own type.

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>

#include "elf/DebugInfoReader.h"
#include "elf/tools/DebugElfWriter.h"
#include "monitor/TypedSymbols.h"

namespace {

constexpr int kBlocks = 1000;
constexpr int kMembers = 99;

// kBlocks structs of kMembers members with the long names generated code has, one
// variable of each: kBlocks x (kMembers + 1) rows.
elf::DebugInfo LargeProgram()
{
    elf::DebugInfo p;
    elf::Type u16;
    u16.kind = elf::TypeKind::Base, u16.name = "unsigned short", u16.byteSize = 2, u16.encoding = elf::BaseEncoding::Unsigned;
    p.types.push_back(u16);
    const std::string padding(180, 'x');
    for (int b = 0; b < kBlocks; ++b) {
        elf::Type block;
        block.kind = elf::TypeKind::Struct, block.name = "tagBLOCK" + std::to_string(b);
        block.byteSize = 2 * kMembers;
        for (int m = 0; m < kMembers; ++m)
            block.members.push_back({"parameter_" + std::to_string(m) + "_of_block_" + std::to_string(b) + "_" + padding, 0,
                                     static_cast<std::uint32_t>(2 * m)});
        p.types.push_back(std::move(block));
        p.variables.push_back({"block" + std::to_string(b), static_cast<std::uint32_t>(0x10000 + b * 2 * kMembers),
                               static_cast<int>(p.types.size() - 1)});
    }
    return p;
}

// One struct whose 300 members are of its own type, all at its start: every level of the
// listing is the whole struct again.
elf::DebugInfo SelfReferencingProgram()
{
    constexpr int kSelfMembers = 300;
    elf::DebugInfo p;
    elf::Type loop;
    loop.kind = elf::TypeKind::Struct, loop.name = "tagLOOP", loop.byteSize = 2;
    for (int m = 0; m < kSelfMembers; ++m)
        loop.members.push_back({"m" + std::to_string(m), 0, 0});
    p.types.push_back(std::move(loop));
    p.variables.push_back({"loop", 0x10000, 0});
    return p;
}

// 300 members that share one name of 10 MB, kept once in .debug_str: a copy per member
// would take 3 GB.
elf::DebugInfo SharedNameProgram()
{
    constexpr int kSharing = 300;
    elf::DebugInfo p;
    elf::Type u16;
    u16.kind = elf::TypeKind::Base, u16.name = "unsigned short", u16.byteSize = 2;
    p.types.push_back(u16);
    elf::Type block;
    block.kind = elf::TypeKind::Struct, block.name = "tagSHARED", block.byteSize = 2 * kSharing;
    const elf::Name shared(std::string(10u << 20, 'n'));
    for (int m = 0; m < kSharing; ++m)
        block.members.push_back({shared, 0, static_cast<std::uint32_t>(2 * m)});
    p.types.push_back(std::move(block));
    p.variables.push_back({"shared", 0x10000, 1});
    return p;
}

// As `symbols --members` lists them.
constexpr int kListingDepth = 16;
constexpr std::size_t kListingRows = 200000;

void Measure(const std::string& path, const char* what)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    const double megabytes = static_cast<double>(in.tellg()) / (1 << 20);
    const auto start = std::chrono::steady_clock::now();
    elf::DebugInfo info = elf::ReadDebugInfoFile(path);
    monitor::SymbolTable table;
    std::vector<monitor::SymbolEntry> entries;
    for (const auto& v : info.variables) entries.push_back({v.name, v.byteAddress >> 1, 1, monitor::HEX16});
    table.Assign(std::move(entries), 0);
    monitor::TypedSymbols types;
    types.Merge(table, std::move(info));
    std::size_t budget = kListingRows;
    std::size_t rows = 0;
    for (int i = 0; i < table.count(); ++i) {
        const auto* row = types.RowOf(i);
        if (!row) continue;
        ++rows;
        types.EachDescendant(*row, kListingDepth, budget, [&](const monitor::TypedRow&) { ++rows; });
    }
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("elf types: %.1f ms for %zu rows (%.1f MB ELF, %s)\n", ms, rows, megabytes, what);
    std::printf("  peak memory of the process so far: %ld MB\n", usage.ru_maxrss / 1024);
}

void MeasureWritten(const elf::DebugInfo& program, const char* what, const elf::WriterOptions& options = {})
{
    const std::string path = "/tmp/quobin-bench-types.elf";
    {
        const auto bytes = elf::WriteDebugElf(program, options);
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<std::streamsize>(bytes.size()));
    }
    Measure(path, what);
    std::remove(path.c_str());
}

} // namespace

int main()
{
    Measure(QUOBIN_EXAMPLES_DIR "/demo.elf", "the demo");
    MeasureWritten(LargeProgram(), "a large project");
    MeasureWritten(SelfReferencingProgram(), "a struct of 300 members of its own type");
    elf::WriterOptions strings;
    strings.namesInStringTable = true;
    MeasureWritten(SharedNameProgram(), "300 members sharing one name of 10 MB", strings);
    return 0;
}
