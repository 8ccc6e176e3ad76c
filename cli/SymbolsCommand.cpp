// symbols MAP: the map's data symbols, with the C types of the ELF beside it and, on
// request, every member and element under its path name.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <functional>
#include <memory>

#include "cli/GlobalOptions.h"
#include "cli/JsonText.h"
#include "cli/MonitorCommands.h"
#include "cli/WatchItems.h"
#include "image/McuCatalog.h"

namespace cli {

namespace {

struct SymbolsOptions {
    MonitorOptions monitor;
    bool members = false;
};

// Fully expanded members stop here, so that a damaged ELF cannot make the listing endless.
constexpr int kMaxMemberDepth = 16;
constexpr std::size_t kMaxMemberRows = 200000;

struct Row {
    std::string name;
    std::uint32_t address = 0;
    std::int32_t size = 0;
    monitor::ViewType view = monitor::HEX16;
    const monitor::TypedRow* typed = nullptr;
    std::uint32_t more = 0;
};

Json JsonRow(const Row& row)
{
    Json json = {{"name", JsonText(row.name)},
                 {"address", row.address},
                 {"size", row.size},
                 {"view", monitor::ViewTypeName(row.view)},
                 {"type", row.typed ? Json(row.typed->typeText) : Json(nullptr)},
                 {"lane", row.typed ? row.typed->lane : 0}};
    if (row.typed && row.typed->bits)
        json["bits"] = {{"lsb", row.typed->bits->lsb}, {"width", row.typed->bits->width}};
    if (row.more) json["more"] = row.more;
    return json;
}

std::string TextRow(const Row& row)
{
    char line[1024];
    if (row.typed)
        std::snprintf(line, sizeof line, "%-32s 0x%06X  %9d  %-9s %s\n", row.name.c_str(), row.address,
                      row.size, monitor::ViewTypeName(row.view), row.typed->typeText.c_str());
    else
        std::snprintf(line, sizeof line, "%-32s 0x%06X  %9d  %s\n", row.name.c_str(), row.address,
                      row.size, monitor::ViewTypeName(row.view));
    std::string text = line;
    if (row.more) text += "  ... " + std::to_string(row.more) + " more elements of " + row.name + "\n";
    return text;
}

int RunSymbols(SymbolsOptions& o, CommandContext& ctx)
{
    // An empty MAP (an unset shell variable) would otherwise list an empty table as if
    // the map had no symbols.
    if (o.monitor.map.empty()) return UsageError(ctx, "symbols: MAP is empty");
    monitor::SymbolTable table;
    if (const int status = LoadMonitorTarget(ctx, o.monitor, table); status != kExitOk)
        return status;
    const monitor::TypedSymbols& types = o.monitor.types;
    std::size_t budget = kMaxMemberRows;
    const auto rowsOf = [&](int index, const std::function<void(const Row&)>& emit) {
        const monitor::SymbolEntry& s = table.at(index);
        const monitor::TypedRow* typed = types.RowOf(index);
        emit({s.name, s.address, s.size, s.viewType, typed, typed ? types.ElementsLeftOut(*typed) : 0});
        if (!o.members || !typed) return;
        types.EachDescendant(*typed, kMaxMemberDepth, budget, [&](const monitor::TypedRow& child) {
            emit({child.path, child.address, child.sizeWords, child.viewType, &child,
                  types.ElementsLeftOut(child)});
        });
    };
    const auto noteCut = [&] {
        if (o.members && budget == 0)
            ctx.err << "symbols: the listing stops at " << kMaxMemberRows
                    << " member rows; name a path such as a.b[2] to reach the rest\n";
    };
    if (ctx.globals.json) {
        Json symbols = Json::array();
        for (int i = 0; i < table.count(); ++i) rowsOf(i, [&](const Row& row) { symbols.push_back(JsonRow(row)); });
        const monitor::ElfTypesLoad& elf = o.monitor.typesLoad;
        Json warnings = Json::array();
        for (const std::string& warning : elf.warnings) warnings.push_back(JsonText(warning));
        const Json json = {{"map", JsonText(o.monitor.map)},
                           {"mcu", image::RecordFor(static_cast<int>(o.monitor.mcuType)).name},
                           {"count", table.count()},
                           {"dropped", table.dropped()},
                           {"elf",
                            {{"path", elf.path.empty() ? Json(nullptr) : Json(JsonText(elf.path))},
                             {"used", elf.typed},
                             {"reason", elf.reason.empty() ? Json(nullptr) : Json(JsonText(elf.reason))},
                             {"warnings", warnings}}},
                           {"symbols", symbols}};
        ctx.out << JsonLine(json) << '\n';
        noteCut();
        return kExitOk;
    }
    char line[512];
    std::snprintf(line, sizeof line, "%-32s %-8s  %9s  %-9s %s\n", "Symbol Name", "Address", "Data Size",
                  "View Type", "C Type");
    ctx.out << line;
    for (int index : table.DisplayOrder()) rowsOf(index, [&](const Row& row) { ctx.out << TextRow(row); });
    ctx.out << table.count() << " symbols, " << table.dropped() << " left out\n";
    noteCut();
    if (!o.monitor.elf.empty() || !types.info().variables.empty())
        ctx.out << o.monitor.typesLoad.note << '\n';
    return kExitOk;
}

} // namespace

void AddSymbolsCommand(CLI::App& app, CommandList& commands)
{
    auto o = std::make_shared<SymbolsOptions>();
    CLI::App* sub = AddSubcommand(app, "symbols", "List the data symbols of a linker map (.xMAP) and their C types");
    sub->add_option("map", o->monitor.map, "Linker map of the target program")->required();
    sub->add_flag("--members", o->members, "Also list every member and element, by path name");
    AddMonitorOptions(*sub, o->monitor, false);
    commands.push_back({sub, [o](CommandContext& ctx) { return RunSymbols(*o, ctx); }});
}

} // namespace cli
