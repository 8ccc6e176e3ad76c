#include "cli/CliApp.h"

#include "quobin/Version.h"

#include <CLI/CLI.hpp>
#include <iostream>

#include "cli/CommandContext.h"
#include "cli/GlobalOptions.h"
#include "cli/InspectCommand.h"
#include "cli/McusCommand.h"
#include "cli/MonitorCommands.h"
#include "cli/PodUtilityCommands.h"
#include "cli/ProgramCommand.h"
#include "cli/RecordsCommand.h"
#include "podlink/LinkOptions.h"
#include "platform/Console.h"

namespace cli {

namespace {

// The first word after `write` that starts with '-' and names no option: a value such as
// "-inf" that the option parser took for an option ("-1.5" it reads as a number).
std::string DashedValue(CLI::App& app, int argc, const char* const* argv)
{
    const std::vector<CLI::App*> commands = app.get_subcommands();
    if (commands.empty() || commands.front()->get_name() != "write") return {};
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "--") return {};
        if (word.size() < 2 || word[0] != '-' || word.rfind("--", 0) == 0) continue;
        if (commands.front()->get_option_no_throw(word) == nullptr &&
            app.get_option_no_throw(word) == nullptr)
            return word;
    }
    return {};
}

// The first option of the parsed command line given with an empty or blank value
// ("--mcu ''"): such a value would otherwise read as the option not given at all.
const CLI::Option* OptionWithEmptyValue(const CLI::App& app)
{
    for (const CLI::Option* option : app.get_options()) {
        if (!option->nonpositional() || option->count() == 0 || option->get_expected_min() == 0)
            continue;
        for (const std::string& value : option->results())
            if (value.find_first_not_of(" \t\r\n") == std::string::npos) return option;
    }
    for (const CLI::App* sub : app.get_subcommands()) {
        if (const CLI::Option* option = OptionWithEmptyValue(*sub)) return option;
    }
    return nullptr;
}

} // namespace

int UsageError(CommandContext& ctx, const std::string& text)
{
    ctx.err << "quobin-cli: " << text << '\n';
    return kExitUsage;
}

int RunCli(int argc, const char* const* argv, std::ostream& out, std::ostream& err,
           pod::PodClock* clock)
{
    CLI::App app("Quobin: program and watch 56800/56800E DSCs through the POD", "quobin-cli");
    // CLI11 takes "/x" for an option on Windows; there it is a file name as everywhere.
    app.allow_windows_style_options(false);
    app.set_version_flag("--version", std::string("quobin-cli ") + quobin::kVersion,
                         "Print the version and exit");
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
    AddRecordCommand(app, commands);
    AddRecordsCommand(app, commands);
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
    } catch (const CLI::CallForVersion& e) {
        app.exit(e, out, err);
        return kExitOk;
    } catch (const CLI::ParseError& e) {
        // A word left over where the command belongs is a command this program does
        // not have; CLI11 would only say that a subcommand is required.
        const std::vector<std::string> extras = app.remaining();
        if (app.get_subcommands().empty() && !extras.empty()) {
            err << "quobin-cli: unknown command '" << extras.front()
                << "'; `quobin-cli --help` lists the commands\n";
            return kExitUsage;
        }
        if (const std::string word = DashedValue(app, argc, argv); !word.empty()) {
            err << "quobin-cli: '" << word << "' is read as an option; a value that starts with "
                << "'-' goes after --, as in: quobin-cli write ITEM -- " << word << '\n';
            return kExitUsage;
        }
        app.exit(e, out, err);
        return kExitUsage;
    }
    if (const CLI::Option* option = OptionWithEmptyValue(app)) {
        err << "quobin-cli: " << option->get_name() << " needs a value\n";
        return kExitUsage;
    }

    podlink::ApplyEnvironment(globals.link);
    globals.link.traceHeader = podlink::TraceHeader("quobin-cli", argc, argv);
    for (const std::string& warning : podlink::ApplyResources(globals.link.resources))
        err << "quobin-cli: " << warning << '\n';
    CommandContext ctx{globals, out, err, clock, &out == &std::cout && platform::IsTerminal(stdout),
                       {}, {}};
    for (const Command& command : commands) {
        if (command.app->parsed()) {
            int status = command.run(ctx);
            for (const std::string& note : ctx.closingNotes)
                err << "quobin-cli: " << note << '\n';
            for (const std::string& error : ctx.closingErrors) {
                err << "quobin-cli: " << error << '\n';
                if (status == kExitOk) status = kExitFailed;
            }
            return status;
        }
    }
    out << app.help();
    return kExitUsage;
}

} // namespace cli
