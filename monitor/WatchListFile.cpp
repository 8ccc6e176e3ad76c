#include "monitor/WatchListFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "monitor/Latin1Text.h"
#include "monitor/ValueText.h"
#include "platform/FileCalls.h"
#include "platform/Utf8Path.h"

namespace monitor {

std::string WatchListPath(const std::string& mapPath)
{
    // Only a "." in the file name counts: "dir.v2/app" has no extension to replace. Both
    // separators count, as a path typed on Windows may hold either.
    const std::size_t slash = mapPath.find_last_of("/\\");
    const std::size_t dot = mapPath.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return mapPath + ".Mon";
    }
    return mapPath.substr(0, dot) + ".Mon";
}

namespace {
std::string Latin1Or(const std::string& utf8)
{
    std::string latin1;
    // A name came from a single-byte map, so it always converts back; should it not, the
    // bytes before the offending character are still better than an empty line.
    Utf8ToLatin1(utf8, latin1);
    return latin1;
}
} // namespace

bool SaveWatchList(const std::string& mapPath, const WatchList& watchList, std::string* reason)
{
    const auto fail = [reason](std::string why) {
        if (reason) *reason = std::move(why);
        return false;
    };
    const std::vector<MonitorItem> symbols = watchList.Rows(WatchListId::Symbols);
    const std::vector<MonitorItem> addresses = watchList.Rows(WatchListId::Addresses);
    if (symbols.empty() && addresses.empty()) return true;
    std::error_code ec;
    if (!std::filesystem::exists(platform::PathFromUtf8(mapPath), ec)) return true;

    const std::vector<std::string> kept = watchList.UnresolvedLines();
    std::string text = std::to_string(symbols.size() + kept.size()) + "," +
                       std::to_string(addresses.size()) + "\r\n";
    for (const MonitorItem& row : symbols) {
        text += Latin1Or(row.name) + "," + std::to_string(static_cast<int>(row.viewType)) + "\r\n";
    }
    for (const std::string& line : kept) text += line + "\r\n";
    for (const MonitorItem& row : addresses) {
        text += WordAddressText(row.address) + "," + std::to_string(static_cast<int>(row.viewType)) + "\r\n";
    }

    // Written beside the target so that the rename stays on one file system and replaces
    // the old list in one step.
    const std::string path = WatchListPath(mapPath);
    const std::string temporary = path + ".tmp";
    std::FILE* file = nullptr;
    if (const platform::SystemError error = platform::OpenStream(temporary, "wb", file))
        return fail(error.text);
    platform::SystemError error;
    if (std::fwrite(text.data(), 1, text.size(), file) != text.size())
        error = platform::ErrnoError(errno);
    // The bytes reach the disk before the rename makes them the list, so a power cut leaves
    // the old list or the new one, never an empty file.
    if (!error) error = platform::FlushToDisk(file);
    if (std::fclose(file) != 0 && !error) error = platform::ErrnoError(errno);
    if (!error) error = platform::Rename(temporary, path);
    if (error) {
        (void)platform::RemoveFile(temporary);
        return fail(error.text);
    }
    return true;
}

namespace {
// The number after the first ",", as the C library's decimal conversion reads it.
long NumberAfterComma(const std::string& line)
{
    const std::size_t comma = line.find(',');
    if (comma == std::string::npos) return 0;
    return std::strtol(line.c_str() + comma + 1, nullptr, 10);
}

std::string BeforeComma(const std::string& line)
{
    return line.substr(0, line.find(','));
}

bool ReadLine(std::ifstream& in, std::string& line)
{
    if (!std::getline(in, line)) return false;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
}
} // namespace

void RestoreWatchList(const std::string& mapPath, const SymbolTable& table, WatchList& watchList,
                      const TypedSymbols* types)
{
    watchList.ClearAll();
    std::ifstream in(platform::PathFromUtf8(WatchListPath(mapPath)), std::ios::binary);
    std::string line;
    if (!in || !ReadLine(in, line)) return;
    const long symbolCount = std::strtol(line.c_str(), nullptr, 10);
    const long addressCount = NumberAfterComma(line);

    std::vector<std::string> unresolved;
    // Whatever ends the restore early, the lines not resolved so far are kept.
    struct Keep {
        WatchList& list;
        std::vector<std::string>& lines;
        ~Keep() { list.KeepUnresolvedLines(std::move(lines)); }
    } keep{watchList, unresolved};
    for (long i = 0; i < symbolCount; ++i) {
        if (!ReadLine(in, line)) return;
        const std::string name = Latin1ToUtf8(BeforeComma(line));
        const int index = table.Find(name);
        std::string error;
        const auto member = index < 0 && types ? types->Resolve(table, name, error) : std::nullopt;
        if (index >= 0) {
            watchList.AddSymbolWatch(table, index);
        } else if (member) {
            watchList.AddMemberWatch(*member, member->viewType);
        } else {
            if (std::find(unresolved.begin(), unresolved.end(), line) == unresolved.end())
                unresolved.push_back(line);
            continue;
        }
        const std::vector<MonitorItem> rows = watchList.Rows(WatchListId::Symbols);
        for (std::size_t row = 0; row < rows.size(); ++row) {
            if (rows[row].name == name) {
                // Only the row takes the saved type; the symbol keeps its own.
                watchList.SetViewType(WatchListId::Symbols, static_cast<int>(row),
                                      ViewTypeFromNumber(NumberAfterComma(line)));
            }
        }
    }
    for (long i = 0; i < addressCount; ++i) {
        if (!ReadLine(in, line)) return;
        watchList.AddAddressWatch(ParseHexText(BeforeComma(line)),
                                  ViewTypeFromNumber(NumberAfterComma(line)));
    }
}

} // namespace monitor
