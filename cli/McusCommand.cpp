#include "cli/McusCommand.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>

#include "cli/JsonText.h"
#include "image/McuCatalog.h"

namespace cli {

namespace {

std::string RegionText(const image::McuRecord& r, int region)
{
    if (!r.present[region]) {
        return "-";
    }
    char text[48];
    std::snprintf(text, sizeof text, "0x%05X-0x%05X/%u", r.first[region], r.last[region],
                  r.pageWords[region]);
    return text;
}

void PrintTable(std::ostream& out)
{
    char line[256];
    std::snprintf(line, sizeof line,
                  "%-2s  %-9s  %-15s  %-13s  %-19s  %-19s  %-19s  %-19s  %6s  %s\n", "#", "name",
                  "RAM window 1", "RAM window 2", "DFLASH", "BFLASH", "P1FLASH", "P2FLASH",
                  "loader", "data offset");
    out << line;
    for (int type = 0; type < image::kMcuCount; ++type) {
        const image::McuRecord& r = image::RecordFor(type);
        char ram1[24];
        char ram2[24];
        std::snprintf(ram1, sizeof ram1, "0x%05X-0x%05X", r.ramWindow1First, r.ramWindow1Last);
        std::snprintf(ram2, sizeof ram2, "0x%04X-0x%04X", r.ramWindow2First, r.ramWindow2Last);
        std::snprintf(line, sizeof line,
                      "%-2d  %-9s  %-15s  %-13s  %-19s  %-19s  %-19s  %-19s  %6u  0x%X\n", type,
                      r.name, ram1, ram2, RegionText(r, image::kDflash).c_str(),
                      RegionText(r, image::kBflash).c_str(), RegionText(r, image::kP1flash).c_str(),
                      RegionText(r, image::kP2flash).c_str(), image::LoaderLength(type),
                      image::DataSpaceOffset(type));
        out << line;
    }
}

} // namespace

std::string McusJson()
{
    Json parts = Json::array();
    for (int type = 0; type < image::kMcuCount; ++type) {
        const image::McuRecord& r = image::RecordFor(type);
        Json regions = Json::array();
        for (int region = 0; region < image::kRegionCount; ++region) {
            regions.push_back({{"name", image::RegionName(region)},
                               {"present", r.present[region] != 0},
                               {"first", r.first[region]},
                               {"last", r.last[region]},
                               {"page_words", r.pageWords[region]}});
        }
        parts.push_back({{"index", type},
                         {"name", JsonText(r.name)},
                         {"ram1", {r.ramWindow1First, r.ramWindow1Last}},
                         {"ram2", {r.ramWindow2First, r.ramWindow2Last}},
                         {"regions", std::move(regions)},
                         {"loader_length", image::LoaderLength(type)},
                         {"data_space_offset", image::DataSpaceOffset(type)}});
    }
    return JsonLine(parts);
}

void AddMcusCommand(CLI::App& app, CommandList& commands)
{
    CLI::App* sub = AddSubcommand(app, "mcus", "List the supported parts with their memory maps");
    auto json = std::make_shared<bool>(false);
    sub->add_flag("--json", *json, "Print the catalogue as JSON");
    commands.push_back({sub, [json](CommandContext& ctx) {
                            if (*json || ctx.globals.json) {
                                ctx.out << McusJson() << '\n';
                            } else {
                                PrintTable(ctx.out);
                            }
                            return static_cast<int>(kExitOk);
                        }});
}

} // namespace cli
