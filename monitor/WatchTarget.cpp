#include "monitor/WatchTarget.h"

#include <algorithm>
#include <cctype>
#include <iterator>
#include <string_view>

#include "image/McuCatalog.h"
#include "image/McuOptions.h"
#include "monitor/MapFileReader.h"
#include "monitor/MonitorWorker.h"
#include "monitor/ValueText.h"

namespace monitor {

namespace {

std::string Upper(std::string_view text)
{
    std::string upper(text);
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

std::string ViewTypeList()
{
    std::string list;
    for (int i = 0; i < kViewTypeCount; ++i)
        list +=
            std::string(i ? ", " : "") + ViewTypeName(static_cast<ViewType>(i));
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
    address = ParseHexText(text);
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
    if (item.viewType == ASCII)
        return std::max(1u, TextWordCount(TextSpanOf(item)));
    return IsTwoWordViewType(item.viewType) ? 2 : 1;
}

std::string RamText(const RamWindows& ram)
{
    return "(" + WordAddressText(ram.ramWindow1First) + ".." + WordAddressText(ram.ramWindow1Last) + ", " +
           WordAddressText(ram.ramWindow2First) + ".." + WordAddressText(ram.ramWindow2Last) + ")";
}

// A symbol name or path: its row, or why there is none.
ItemResolution ResolveSymbol(const WatchTarget& target, const SymbolTable& table,
                             const std::string& name, const char* part, WatchItem item)
{
    if (target.map.empty()) return {{}, "'" + name + "' names a symbol: give the map with --map"};
    std::string error;
    const auto typed = target.types.Resolve(table, name, error);
    if (!typed && table.Find(name.substr(0, name.find_first_of(".["))) >= 0) return {{}, error};
    if (!typed) {
        std::string message = "no symbol '" + name + "' in " + target.map + " for " + part;
        const auto closest = ClosestSymbolNames(table, name, 3);
        for (std::size_t i = 0; i < closest.size(); ++i)
            message += (i == 0 ? "; closest: " : ", ") + closest[i];
        return {{}, message};
    }
    item.list = WatchListId::Symbols;
    item.symbolIndex = typed->symbolIndex;
    item.address = typed->address;
    item.size = typed->sizeWords;
    item.viewType = typed->viewType;
    if (!typed->typeText.empty()) item.typed = typed;
    return {item, {}};
}

} // namespace

TargetLoad LoadWatchTarget(WatchTarget& target, SymbolTable& table)
{
    TargetLoad load;
    int mcu = image::kDefaultMcuType;
    if (std::string error = image::ParseMcuOption(target.mcu, mcu); !error.empty()) {
        load.usage = true;
        load.error = std::move(error);
        return load;
    }
    target.mcuType = static_cast<std::uint32_t>(mcu);
    load.ok = true;
    if (target.map.empty()) return load;
    const MapLoadResult result = LoadMapFile(target.map, RamWindows::ForMcu(mcu), table);
    if (!result.ok) {
        load.ok = false;
        load.error = "파일 정보를 읽어오는데 실패하였습니다. " + target.map + ": " + result.reason;
        return load;
    }
    if (result.dropped > 0)
        load.warnings.push_back(std::to_string(result.dropped) + " symbols of " + target.map +
                                " left out; the table holds " +
                                std::to_string(SymbolTable::kCapacity));
    if (result.longLines > 0)
        load.warnings.push_back(target.map + ": " + std::to_string(result.longLines) +
                                " lines longer than " + std::to_string(kMapLineLimit >> 10) +
                                " KiB skipped");
    target.typesLoad = LoadElfTypes(target.map, target.elf, table, target.types);
    // Only what went wrong is worth a warning; a listing of the symbols shows the note.
    load.warnings.insert(load.warnings.end(), target.typesLoad.warnings.begin(),
                         target.typesLoad.warnings.end());
    return load;
}

std::vector<std::string> ClosestSymbolNames(const SymbolTable& table,
                                            const std::string& name, std::size_t count)
{
    const std::string wanted = Upper(name);
    std::vector<std::pair<std::size_t, std::string>> scored;
    for (const SymbolEntry& entry : table.entries()) {
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

ItemResolution ResolveWatchItem(const WatchTarget& target, const SymbolTable& table,
                                const std::string& text)
{
    const int mcu = static_cast<int>(target.mcuType);
    const RamWindows ram = RamWindows::ForMcu(mcu);
    const char* part = image::RecordFor(mcu).name;
    WatchItem item;
    item.label = text;
    std::string name = text;
    std::optional<ViewType> view;
    if (const std::size_t colon = text.rfind(':'); colon != std::string::npos) {
        view = FindViewType(Upper(text.substr(colon + 1)));
        if (!view)
            return {{}, "unknown view type '" + text.substr(colon + 1) + "' in " + text + " (" +
                            ViewTypeList() + ")"};
        name = text.substr(0, colon);
    }
    if (name.rfind("0x", 0) == 0 || name.rfind("0X", 0) == 0) {
        if (!ParseAddress(name, item.address))
            return {{}, "'" + name + "' is not a word address such as 0x0080"};
        item.viewType = view.value_or(HEX16);
        if (item.viewType == ASCII)
            return {{}, "an address has no size to read a text from; name the symbol with --map "
                        "instead of " +
                            name};
    } else {
        ItemResolution symbol = ResolveSymbol(target, table, name, part, item);
        if (!symbol.item) return symbol;
        item = *symbol.item;
        if (view) item.viewType = *view;
    }
    const std::uint32_t last = item.address + WordsRead(item) - 1;
    if (!ram.Contains(item.address) || !ram.Contains(last))
        return {{}, text + " at " + WordAddressText(item.address) + " lies outside the RAM of " + part + " " +
                        RamText(ram)};
    return {item, {}};
}

WriteTarget WriteTargetOf(const WatchItem& item)
{
    return {item.label, item.address, item.viewType, item.size,
            item.typed ? &*item.typed : nullptr};
}

TextSpan TextSpanOf(const WatchItem& item)
{
    return TextSpanOf(WriteTargetOf(item));
}

bool IsMonitorBaud(const std::string& baud)
{
    return BaudIndex(baud) < std::size(kMonitorBaudTexts);
}

std::uint32_t BaudIndex(const std::string& baud)
{
    const auto* found = std::find(std::begin(kMonitorBaudTexts), std::end(kMonitorBaudTexts), baud);
    return static_cast<std::uint32_t>(found - std::begin(kMonitorBaudTexts));
}

} // namespace monitor
