#include "cli/CliApp.h"

#include <CLI/CLI.hpp>
#include <iostream>
#include <unistd.h>

#include "cli/CommandContext.h"
#include "cli/GlobalOptions.h"
#include "cli/InspectCommand.h"
#include "cli/McusCommand.h"
#include "cli/MonitorCommands.h"
#include "cli/PodUtilityCommands.h"
#include "cli/ProgramCommand.h"
#include "podlink/LinkOptions.h"

namespace cli {

int UsageError(CommandContext& ctx, const std::string& text)
{
    ctx.err << "quobin-cli: " << text << '\n';
    return kExitUsage;
}

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

    podlink::ApplyEnvironment(globals.link);
    globals.link.traceHeader = podlink::TraceHeader("quobin-cli", argc, argv);
    for (const std::string& warning : podlink::ApplyResources(globals.link.resources))
        err << "quobin-cli: " << warning << '\n';
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
