#include "cli/CliApp.h"

#include <CLI/CLI.hpp>
#include <cstdlib>
#include <iostream>
#include <unistd.h>

#include "cli/CommandContext.h"
#include "cli/GlobalOptions.h"
#include "cli/InspectCommand.h"
#include "cli/McusCommand.h"
#include "cli/MonitorCommands.h"
#include "cli/PodUtilityCommands.h"
#include "cli/ProgramCommand.h"
#include "image/ResourceStore.h"

namespace cli {

int UsageError(CommandContext& ctx, const std::string& text)
{
    ctx.err << "quobin-cli: " << text << '\n';
    return kExitUsage;
}

namespace {

// Replaces built-in images from the resource directory and says which files were ignored.
void ApplyResources(GlobalOptions& globals, std::ostream& err)
{
    if (globals.resources.empty()) {
        if (const char* env = std::getenv("QUOBIN_RESOURCES")) {
            globals.resources = env;
        }
    }
    if (globals.resources.empty()) {
        return;
    }
    const image::ResourceReport report = image::SetResourceDirectory(globals.resources);
    if (!report.directoryFound) {
        err << "quobin-cli: warning: resource directory " << globals.resources
            << " not found; using the built-in images\n";
    }
    for (const image::ResourceFileStatus& f : report.files) {
        if (f.state != image::ResourceFileStatus::State::Used) {
            err << "quobin-cli: warning: " << image::DescribeResourceStatus(f) << '\n';
        }
    }
}

} // namespace

int RunCli(int argc, const char* const* argv, std::ostream& out, std::ostream& err,
           pod::PodClock* clock)
{
    CLI::App app("Quobin: program and watch 56800/56800E DSCs through the POD", "quobin-cli");
    GlobalOptions globals;
    AddGlobalOptions(app, globals);
    CommandList commands;
    AddMcusCommand(app, commands);
    AddInspectCommand(app, commands);
    AddDevicesCommand(app, commands);
    AddVersionCommand(app, commands);
    AddProgramCommand(app, commands);
    AddPodWriteCommand(app, commands);
    AddResetCommand(app, commands);
    AddFirmwareUpdateCommand(app, commands);
    AddSymbolsCommand(app, commands);
    AddReadCommand(app, commands);
    AddWriteCommand(app, commands);
    AddWatchCommand(app, commands);
    app.require_subcommand(1);

    if (argc <= 1) {
        out << app.help();
        return kExitUsage;
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        app.exit(e, out, err);
        return kExitOk;
    } catch (const CLI::CallForAllHelp& e) {
        app.exit(e, out, err);
        return kExitOk;
    } catch (const CLI::ParseError& e) {
        app.exit(e, out, err);
        return kExitUsage;
    }

    ApplyResources(globals, err);
    CommandContext ctx{globals, out, err, clock, &out == &std::cout && isatty(STDOUT_FILENO) != 0};
    for (const Command& command : commands) {
        if (command.app->parsed()) {
            return command.run(ctx);
        }
    }
    out << app.help();
    return kExitUsage;
}

} // namespace cli
