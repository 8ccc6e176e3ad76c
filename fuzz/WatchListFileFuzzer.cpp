// The .Mon reader on arbitrary bytes against a fixed symbol table. Whatever the file
// holds, the lists come out well-formed: each symbol at most once, by the first table
// entry of its name, each address at most once, view types 0..11, address rows without
// a name. The symbol rows are checked against an independent reading of the format:
// line 1 "symbols,addresses" (C decimal conversions), then that many "name,type" lines
// (Latin-1 names; the last line of a name sets its type; a type outside 0..11 reads as
// HEX16), lines ending in LF with an optional CR before it.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include <unistd.h>

#include "monitor/SymbolTable.h"
#include "monitor/WatchList.h"
#include "monitor/WatchListFile.h"

namespace {

[[noreturn]] void Fail(const char* what)
{
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

// Duplicate names (only the first counts), an empty name (a map entry with nothing
// after its prefix), a name with a Latin-1 letter, and one with a comma-free space.
const monitor::SymbolTable& Table()
{
    static const monitor::SymbolTable table = [] {
        std::vector<monitor::SymbolEntry> entries;
        const char* names[] = {"counter16",     "sineWave", "counter16", "",
                               "z\xC3\xA4hler", "message",  "a b",       "runFlag"};
        std::uint32_t address = 0x80;
        for (const char* name : names)
            entries.push_back({name, address++, 1, monitor::HEX16});
        monitor::SymbolTable t;
        t.Assign(std::move(entries), 0);
        return t;
    }();
    return table;
}

// The reader takes a path, so each input goes through a file: in memory where the system
// offers a RAM disk, as a disk-backed folder reads two orders of magnitude fewer inputs.
const std::string& MapPath()
{
    static const std::string path = [] {
        std::error_code ec;
        const std::filesystem::path base = std::filesystem::is_directory("/dev/shm", ec)
                                               ? std::filesystem::path("/dev/shm")
                                               : std::filesystem::temp_directory_path();
        static const std::filesystem::path dir =
            base / ("quobin_fuzz_mon_" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(dir, ignored);
        });
        return (dir / "app.xMAP").string();
    }();
    return path;
}

std::vector<std::string> Lines(std::string_view text)
{
    std::vector<std::string> lines;
    while (!text.empty()) {
        const std::size_t eol = text.find('\n');
        std::string line(text.substr(0, eol));
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
        text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);
    }
    return lines;
}

std::string Latin1ToUtf8(std::string_view bytes)
{
    std::string out;
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            out += c;
        } else {
            out += static_cast<char>(0xC0 | (b >> 6));
            out += static_cast<char>(0x80 | (b & 0x3F));
        }
    }
    return out;
}

long TypeOf(const std::string& line)
{
    const std::size_t comma = line.find(',');
    const long n =
        comma == std::string::npos ? 0 : std::strtol(line.c_str() + comma + 1, nullptr, 10);
    return n >= 0 && n <= 11 ? n : monitor::HEX16; // 10 and 11: FRAC16, FRAC32
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    {
        std::ofstream out(monitor::WatchListPath(MapPath()), std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out) Fail("could not write the .Mon file");
    }
    const monitor::SymbolTable& table = Table();
    monitor::WatchList list;
    list.AddAddressWatch(0x1234, monitor::FLOAT); // emptied by the restore
    monitor::RestoreWatchList(MapPath(), table, list);

    // The symbol rows an independent reading expects, in order, with their types.
    const std::vector<std::string> lines = Lines(bytes);
    std::vector<std::pair<int, long>> expected;
    long symbolCount = 0;
    long addressCount = 0;
    if (!lines.empty()) {
        symbolCount = std::strtol(lines[0].c_str(), nullptr, 10);
        const std::size_t comma = lines[0].find(',');
        addressCount =
            comma == std::string::npos ? 0 : std::strtol(lines[0].c_str() + comma + 1, nullptr, 10);
    }
    // A file that ends within the symbol lines has no address lines.
    std::size_t next = 1;
    long read = 0;
    for (; read < symbolCount && next < lines.size(); ++read, ++next) {
        const std::string& line = lines[next];
        const int index =
            table.Find(Latin1ToUtf8(std::string_view(line).substr(0, line.find(','))));
        if (index < 0) continue;
        bool listed = false;
        for (auto& [listedIndex, type] : expected) {
            if (listedIndex != index) continue;
            type = TypeOf(line);
            listed = true;
        }
        if (!listed) expected.emplace_back(index, TypeOf(line));
    }
    const bool symbolsWhole = read >= symbolCount;
    const std::size_t addressLines = symbolsWhole && next < lines.size() ? lines.size() - next : 0;

    const auto symbols = list.Rows(monitor::WatchListId::Symbols);
    if (symbols.size() != expected.size()) Fail("symbol rows differ from the file's names");
    for (std::size_t row = 0; row < symbols.size(); ++row) {
        const monitor::MonitorItem& item = symbols[row];
        if (item.symbolIndex != expected[row].first) Fail("symbol row for the wrong entry");
        if (item.name != table.at(item.symbolIndex).name) Fail("symbol row with another name");
        if (item.viewType != expected[row].second) Fail("symbol row with the wrong type");
    }

    const auto addresses = list.Rows(monitor::WatchListId::Addresses);
    std::set<std::uint32_t> seen;
    for (const monitor::MonitorItem& item : addresses) {
        if (!seen.insert(item.address).second) Fail("address listed twice");
        if (item.viewType >= monitor::kViewTypeCount) Fail("address row with a bad type");
        if (item.symbolIndex != -1 || !item.name.empty() || item.size != 0)
            Fail("address row with symbol fields");
    }
    if (static_cast<long>(addresses.size()) > std::max(0L, addressCount) ||
        addresses.size() > addressLines)
        Fail("more address rows than the file lists");
    return 0;
}
