#include "cli/WatchItems.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string_view>

#include "cli/CliLink.h"
#include "cli/McuOptions.h"
#include "image/McuCatalog.h"
#include "monitor/ElfTypes.h"
#include "monitor/MapFileReader.h"
#include "monitor/MonitorWorker.h"

namespace cli {

namespace {

std::string Upper(std::string_view text)
{
    std::string upper(text);
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

std::string Hex6(std::uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%06X", value);
    return text;
}

std::string ViewTypeList()
{
    std::string list;
    for (int i = 0; i < monitor::kViewTypeCount; ++i)
        list +=
            std::string(i ? ", " : "") + monitor::ViewTypeName(static_cast<monitor::ViewType>(i));
    return list;
}

// "0x1A2B" as a whole: one to eight hexadecimal digits after the prefix, nothing else.
bool ParseAddress(std::string_view text, std::uint32_t& address)
{
    if (text.size() < 3 || text.size() > 10 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X'))
        return false;
    const std::string_view digits = text.substr(2);
    if (!std::all_of(digits.begin(), digits.end(),
                     [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }))
        return false;
    address = monitor::ParseHexText(text);
    return true;
}

std::size_t EditDistance(const std::string& a, const std::string& b)
{
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// Words an item reads: one or two, or the text's words for ASCII.
std::uint32_t WordsRead(const WatchItem& item)
{
    if (item.viewType == monitor::ASCII)
        return std::max(1u, monitor::AsciiReadWordCount(item.size));
    return monitor::IsTwoWordViewType(item.viewType) ? 2 : 1;
}

} // namespace

void AddMonitorOptions(CLI::App& sub, MonitorOptions& options, bool withMap)
{
    sub.add_option("--mcu", options.mcu,
                   "Part whose RAM the variables lie in, name or index (default MC56F8367)");
    if (withMap) sub.add_option("--map", options.map, "Linker map (.xMAP) that names the symbols");
    sub.add_option("--elf", options.elf,
                   "ELF file with the symbols' C types (default: the map's path without its "
                   "last extension, when it exists)");
}

void AddBaudOption(CLI::App& sub, MonitorOptions& options)
{
    sub.add_option("--baud", options.baud, "Monitoring baud rate of the POD (default 38400)")
        ->check(CLI::IsMember(std::vector<std::string>(std::begin(monitor::kMonitorBaudTexts),
                                                       std::end(monitor::kMonitorBaudTexts))));
}

std::uint32_t BaudIndex(const std::string& baud)
{
    const auto* found = std::find(std::begin(monitor::kMonitorBaudTexts),
                                  std::end(monitor::kMonitorBaudTexts), baud);
    return static_cast<std::uint32_t>(found - std::begin(monitor::kMonitorBaudTexts));
}

int LoadMonitorTarget(CommandContext& ctx, MonitorOptions& options, monitor::SymbolTable& table)
{
    int mcu = image::kDefaultMcuType;
    if (const std::string error = ParseMcuOption(options.mcu, mcu); !error.empty())
        return UsageError(ctx, error);
    options.mcuType = static_cast<std::uint32_t>(mcu);
    if (options.map.empty()) return kExitOk;
    const monitor::MapLoadResult result =
        monitor::LoadMapFile(options.map, monitor::RamWindows::ForMcu(mcu), table);
    if (!result.ok) {
        ctx.err << "quobin-cli: 파일 정보를 읽어오는데 실패하였습니다. " << options.map << ": "
                << result.reason << '\n';
        return kExitFailed;
    }
    if (result.dropped > 0)
        ctx.err << "quobin-cli: warning: " << result.dropped << " symbols of " << options.map
                << " left out; the table holds " << monitor::SymbolTable::kCapacity << '\n';
    if (result.longLines > 0)
        ctx.err << "quobin-cli: warning: " << options.map << ": " << result.longLines
                << " lines longer than " << (monitor::kMapLineLimit >> 10) << " KiB skipped\n";
    options.typesStatus = monitor::LoadElfTypes(options.map, options.elf, table, options.types);
    const std::string& types = options.typesStatus;
    // Only what went wrong is worth a warning here; `symbols` shows the whole line.
    if (const std::size_t newline = types.find('\n'); newline != std::string::npos)
        ctx.err << "quobin-cli: warning: " << types.substr(newline + 1) << '\n';
    if (!options.elf.empty() && options.types.info().variables.empty())
        ctx.err << "quobin-cli: warning: " << types << '\n';
    return kExitOk;
}

void NoteTarget(CliLink& pod, const MonitorOptions& options)
{
    pod.TraceNote(std::string("part: ") + image::RecordFor(static_cast<int>(options.mcuType)).name);
    if (!options.map.empty()) pod.TraceNote("map: " + options.map);
}

int PrepareWatchItems(CommandContext& ctx, MonitorOptions& options,
                      const std::vector<std::string>& texts, monitor::SymbolTable& table,
                      std::vector<WatchItem>& items)
{
    const int status = LoadMonitorTarget(ctx, options, table);
    return status != kExitOk ? status : ResolveWatchItems(ctx, options, table, texts, items);
}

std::vector<std::string> ClosestSymbolNames(const monitor::SymbolTable& table,
                                            const std::string& name, std::size_t count)
{
    const std::string wanted = Upper(name);
    std::vector<std::pair<std::size_t, std::string>> scored;
    for (const monitor::SymbolEntry& entry : table.entries()) {
        const std::string candidate = Upper(entry.name);
        // A name that contains what was typed is as close as a one-letter slip.
        const std::size_t distance = candidate.find(wanted) != std::string::npos
                                         ? std::min<std::size_t>(1, EditDistance(wanted, candidate))
                                         : EditDistance(wanted, candidate);
        scored.emplace_back(distance, entry.name);
    }
    std::stable_sort(scored.begin(), scored.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> names;
    for (const auto& [distance, candidate] : scored) {
        if (names.size() == count) break;
        if (std::find(names.begin(), names.end(), candidate) == names.end())
            names.push_back(candidate);
    }
    return names;
}

int ResolveWatchItems(CommandContext& ctx, const MonitorOptions& options,
                      const monitor::SymbolTable& table, const std::vector<std::string>& texts,
                      std::vector<WatchItem>& items)
{
    const int mcu = static_cast<int>(options.mcuType);
    const monitor::RamWindows ram = monitor::RamWindows::ForMcu(mcu);
    const char* part = image::RecordFor(mcu).name;
    for (const std::string& text : texts) {
        WatchItem item;
        item.label = text;
        std::string target = text;
        std::optional<monitor::ViewType> view;
        if (const std::size_t colon = text.rfind(':'); colon != std::string::npos) {
            view = monitor::FindViewType(Upper(text.substr(colon + 1)));
            if (!view)
                return UsageError(ctx, "unknown view type '" + text.substr(colon + 1) + "' in " +
                                           text + " (" + ViewTypeList() + ")");
            target = text.substr(0, colon);
        }
        if (target.rfind("0x", 0) == 0 || target.rfind("0X", 0) == 0) {
            if (!ParseAddress(target, item.address))
                return UsageError(ctx, "'" + target + "' is not a word address such as 0x0080");
            item.viewType = view.value_or(monitor::HEX16);
            if (item.viewType == monitor::ASCII)
                return UsageError(ctx, "an address has no size to read a text from; name the "
                                       "symbol with --map instead of " +
                                           target);
        } else {
            if (options.map.empty())
                return UsageError(ctx, "'" + target + "' names a symbol: give the map with --map");
            std::string error;
            const auto typed = options.types.Resolve(table, target, error);
            if (!typed && table.Find(target.substr(0, target.find_first_of(".["))) >= 0)
                return UsageError(ctx, error);
            if (!typed) {
                std::string message =
                    "no symbol '" + target + "' in " + options.map + " for " + part;
                const auto closest = ClosestSymbolNames(table, target, 3);
                for (std::size_t i = 0; i < closest.size(); ++i)
                    message += (i == 0 ? "; closest: " : ", ") + closest[i];
                return UsageError(ctx, message);
            }
            item.list = monitor::WatchListId::Symbols;
            item.symbolIndex = typed->symbolIndex;
            item.address = typed->address;
            item.size = typed->sizeWords;
            item.viewType = view.value_or(typed->viewType);
            if (!typed->typeText.empty()) item.typed = typed;
        }
        const std::uint32_t last = item.address + WordsRead(item) - 1;
        if (!ram.Contains(item.address) || !ram.Contains(last))
            return UsageError(
                ctx, text + " at " + Hex6(item.address) + " lies outside the RAM of " + part +
                         " (" + Hex6(ram.ramWindow1First) + ".." + Hex6(ram.ramWindow1Last) + ", " +
                         Hex6(ram.ramWindow2First) + ".." + Hex6(ram.ramWindow2Last) + ")");
        items.push_back(item);
    }
    return kExitOk;
}

} // namespace cli
