#pragma once

#include <array>
#include <string>

#include "cli/CommandContext.h"
#include "image/FlashImageSet.h"
#include "image/McuSelection.h"
#include "image/SFileLoader.h"

namespace cli {

// quobin-cli inspect FILE [--mcu NAME|INDEX] [--regions LIST] [--json]: loads an S file as
// the main window does and shows what each region received.
void AddInspectCommand(CLI::App& app, CommandList& commands);

// The result of an inspect load, as text and as JSON.
std::string InspectText(const image::RunChoices& request,
                        const image::SFileLoadOutcome& outcome,
                        const image::McuSelection& selection, const image::FlashImageSet& images);
std::string InspectJson(const image::RunChoices& request,
                        const image::SFileLoadOutcome& outcome,
                        const image::McuSelection& selection, const image::FlashImageSet& images);

} // namespace cli
