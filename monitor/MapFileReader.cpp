#include "monitor/MapFileReader.h"

#include "platform/WholeFile.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "monitor/Latin1Text.h"
#include "monitor/ValueText.h"

namespace monitor {

namespace {

constexpr std::size_t kMaxSpaceFields = 100;
constexpr std::size_t kMaxTabParts = 5;

// Splits at every separator, keeping empty pieces, up to `limit` pieces; the rest of the
// line is ignored.
std::vector<std::string_view> Split(std::string_view text, char separator, std::size_t limit)
{
    std::vector<std::string_view> pieces;
    std::size_t start = 0;
    while (pieces.size() < limit) {
        const std::size_t at = text.find(separator, start);
        if (at == std::string_view::npos) {
            pieces.push_back(text.substr(start));
            break;
        }
        pieces.push_back(text.substr(start, at - start));
        start = at + 1;
    }
    return pieces;
}

bool EndsWith(std::string_view text, std::string_view end)
{
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

// The source named in parentheses must be a c, s or asm file. The current toolchain
// names the object file built from it instead ("main_c.obj", "isr_asm.obj"), which is
// the same source; library members and other objects stay out.
bool IsDataSource(std::string_view part)
{
    if (part.empty() || (part.front() != '(' && part.back() != ')')) return false;
    if (part.find('.') == std::string_view::npos) return false;
    const std::string_view inner =
        part.size() >= 2 ? part.substr(1, part.size() - 2) : std::string_view{};
    const std::size_t dot = inner.find('.');
    const std::string_view extension =
        dot == std::string_view::npos ? inner : inner.substr(dot + 1);
    if (extension == "c" || extension == "s" || extension == "asm") return true;
    if (extension != "obj" || dot == std::string_view::npos) return false;
    const std::string_view stem = inner.substr(0, dot);
    return EndsWith(stem, "_c") || EndsWith(stem, "_s") || EndsWith(stem, "_asm");
}


} // namespace

std::optional<SymbolEntry> ParseMapLine(std::string_view line, const RamWindows& windows)
{
    // A map written with CR LF line ends reads as one written with LF. Only that one CR
    // is a line end: a line with more is damaged and names no symbol.
    if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!line.empty() && line.back() == '\r') return std::nullopt;

    std::array<std::string_view, 4> fields{};
    std::size_t n = 0;
    for (std::string_view piece : Split(line, ' ', kMaxSpaceFields)) {
        if (piece.empty()) continue;
        if (n < fields.size()) fields[n] = piece;
        ++n;
    }
    if (fields[0].starts_with("#")) return std::nullopt;
    if (fields[2] != ".bss" && fields[2] != ".data") return std::nullopt;

    const std::vector<std::string_view> parts = Split(fields[3], '\t', kMaxTabParts);
    const std::string_view source = parts.size() > 1 ? parts[1] : std::string_view{};
    if (!IsDataSource(source)) return std::nullopt;

    const std::uint32_t address = ParseHexText(fields[0]);
    if (!windows.Contains(address)) return std::nullopt;

    SymbolEntry entry;
    // The linker puts one prefix character before every data name.
    entry.name = Latin1ToUtf8(parts[0].empty() ? parts[0] : parts[0].substr(1));
    entry.address = address;
    entry.size = static_cast<std::int32_t>(ParseHexText(fields[1]));
    entry.viewType = DefaultViewType(entry.size);
    return entry;
}

MapLoadResult LoadMapFile(const std::string& path, const RamWindows& windows, SymbolTable& table)
{
    // A data symbol of another part's RAM: counted, so a map of the wrong part is told apart
    // from a file that is no map at all.
    static constexpr RamWindows kAnywhere{0, 0xFFFFFFFFu, 0, 0};
    MapLoadResult result;
    std::string text;
    result.reason = platform::ReadWholeFile(path, kMapFileLimit, text);
    if (!result.reason.empty()) return result;

    std::vector<SymbolEntry> entries;
    int dropped = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string_view line(text.data() + start, end - start);
        start = end + 1;
        if (line.size() > kMapLineLimit) {
            ++result.longLines;
            continue;
        }
        if (std::optional<SymbolEntry> entry = ParseMapLine(line, windows)) {
            if (entries.size() < static_cast<std::size_t>(SymbolTable::kCapacity)) {
                entries.push_back(std::move(*entry));
            } else {
                ++dropped;
            }
        } else if (ParseMapLine(line, kAnywhere)) {
            ++result.outsideRam;
        }
    }
    table.Assign(std::move(entries), dropped);
    result.ok = true;
    result.count = table.count();
    result.dropped = dropped;
    return result;
}

} // namespace monitor
