#include "cli/InspectCommand.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>

#include "cli/JsonText.h"
#include "image/McuOptions.h"

namespace cli {

namespace {

struct InspectOptions {
    std::string file;
    std::string mcu;
    std::string regions;
    bool json = false;
};

// Label shown for a region when the load did not relabel the boxes.
std::string LabelOf(const image::SFileLoadOutcome& outcome, int region)
{
    return outcome.labelsChanged ? outcome.labels[region] : image::RegionName(region);
}

int Run(const InspectOptions& opt, CLI::Option* regionsOption, CommandContext& ctx)
{
    image::RunChoices request;
    if (const std::string error = image::ParseMcuOption(opt.mcu, request.mcuIndex); !error.empty())
        return UsageError(ctx, error);
    const image::McuRecord& record = image::RecordFor(request.mcuIndex);
    if (regionsOption->count() > 0) {
        const auto regions = image::ParseRegions(opt.regions);
        if (!regions) {
            return UsageError(ctx, "unknown region in '" + opt.regions +
                                       "'; use DFLASH,BFLASH,P1FLASH,P2FLASH");
        }
        for (int r = 0; r < image::kRegionCount; ++r) {
            if ((*regions)[r] && !record.present[r]) {
                return UsageError(ctx, std::string(image::RegionName(r)) + " is not present on " +
                                           record.name);
            }
        }
        request.regionChecked = *regions;
    } else {
        // As the main window does: every region the part has is checked.
        for (int r = 0; r < image::kRegionCount; ++r) {
            request.regionChecked[r] = record.present[r] != 0;
        }
    }
    request.sFilePath = opt.file;

    image::McuSelection selection;
    image::FlashImageSet images;
    const image::SFileLoadOutcome outcome = image::LoadSFile(request, selection, images);
    if (opt.json || ctx.globals.json) {
        ctx.out << InspectJson(request, outcome, selection, images) << '\n';
    } else {
        ctx.out << InspectText(request, outcome, selection, images);
    }
    if (!outcome.ok) {
        ctx.err << "quobin-cli: " << outcome.statusText << '\n';
        if (!outcome.detail.empty()) ctx.err << "quobin-cli: " << outcome.detail << '\n';
        return kExitFailed;
    }
    return kExitOk;
}

} // namespace

std::string InspectText(const image::RunChoices& request,
                        const image::SFileLoadOutcome& outcome,
                        const image::McuSelection& selection, const image::FlashImageSet& images)
{
    std::string text = outcome.statusText + "\n";
    if (!outcome.labelsChanged) {
        return text; // stopped before the file was read
    }
    for (int r = 0; r < image::kRegionCount; ++r) {
        text += "  " + LabelOf(outcome, r) + "\n";
    }
    char line[200];
    std::snprintf(line, sizeof line, "\n%-8s %-7s %-8s %8s %8s  %s\n", "region", "present",
                  "selected", "words", "length", "range");
    text += line;
    for (int r = 0; r < image::kRegionCount; ++r) {
        char range[40] = "-";
        if (selection.present(r)) {
            std::snprintf(range, sizeof range, "0x%05X-0x%05X", selection.first(r),
                          selection.last(r));
        }
        std::snprintf(line, sizeof line, "%-8s %-7s %-8s %8u %8u  %s\n", image::RegionName(r),
                      selection.present(r) ? "yes" : "no", request.regionChecked[r] ? "yes" : "no",
                      images.wordCount(r), images.programmedLength(r), range);
        text += line;
    }
    std::snprintf(line, sizeof line, "\nwords outside every region of %s: %llu\n",
                  selection.record().name, static_cast<unsigned long long>(images.outsideWords()));
    text += line;
    for (const image::AddressRange& range : images.outsideRanges()) {
        std::snprintf(line, sizeof line, "  0x%llX-0x%llX\n",
                      static_cast<unsigned long long>(range.first),
                      static_cast<unsigned long long>(range.last));
        text += line;
    }
    if (images.outsideRangesTruncated()) {
        text += "  (more ranges not listed)\n";
    }
    const image::SRecordSkips& s = images.skips();
    const std::uint64_t skipped = s.longTokens + s.smallCounts + s.shortRecords + s.badDigits;
    if (skipped > 0) {
        std::snprintf(
            line, sizeof line,
            "skipped: %llu over-long tokens, %llu records without a whole word, %llu truncated "
            "records, %llu records with non-hex digits\n",
            static_cast<unsigned long long>(s.longTokens),
            static_cast<unsigned long long>(s.smallCounts),
            static_cast<unsigned long long>(s.shortRecords),
            static_cast<unsigned long long>(s.badDigits));
        text += line;
    }
    return text;
}

std::string InspectJson(const image::RunChoices& request,
                        const image::SFileLoadOutcome& outcome,
                        const image::McuSelection& selection, const image::FlashImageSet& images)
{
    Json regions = Json::array();
    for (int r = 0; r < image::kRegionCount; ++r) {
        regions.push_back({{"name", image::RegionName(r)},
                           {"present", selection.present(r) != 0},
                           {"selected", request.regionChecked[r]},
                           {"words", images.wordCount(r)},
                           {"length", images.programmedLength(r)},
                           {"first", selection.first(r)},
                           {"last", selection.last(r)},
                           {"label", JsonText(LabelOf(outcome, r))}});
    }
    Json outside = Json::array();
    for (const image::AddressRange& range : images.outsideRanges())
        outside.push_back({range.first, range.last});
    const image::SRecordSkips& s = images.skips();
    const Json skipped = {{"long_tokens", s.longTokens},
                          {"small_counts", s.smallCounts},
                          {"short_records", s.shortRecords},
                          {"bad_digits", s.badDigits}};
    const Json document = {{"ok", outcome.ok},
                           {"message", JsonText(outcome.statusText)},
                           {"error", outcome.error},
                           {"mcu", JsonText(selection.record().name)},
                           {"regions", std::move(regions)},
                           {"outside_words", images.outsideWords()},
                           {"outside_ranges", std::move(outside)},
                           {"skipped", skipped}};
    return JsonLine(document);
}

void AddInspectCommand(CLI::App& app, CommandList& commands)
{
    CLI::App* sub = AddSubcommand(
        app, "inspect", "Load an S file as the programmer would and show what each region gets");
    auto opt = std::make_shared<InspectOptions>();
    sub->add_option("FILE", opt->file, "Motorola S-record file")->required();
    sub->add_option("--mcu", opt->mcu, "Part name or index (default MC56F8367)");
    CLI::Option* regions = sub->add_option(
        "--regions", opt->regions, "Regions to select, e.g. DFLASH,P1FLASH (default: all present)");
    sub->add_flag("--json", opt->json, "Print the result as JSON");
    commands.push_back(
        {sub, [opt, regions](CommandContext& ctx) { return Run(*opt, regions, ctx); }});
}

} // namespace cli
