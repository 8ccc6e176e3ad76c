#include "app/AppOptions.h"

#include "quobin/Version.h"

#include <CLI/CLI.hpp>

#include <string>
#include <vector>

namespace app {

std::optional<AppOptions> AppOptions::Parse(const QStringList& arguments, QString& message,
                                            bool& exitNow)
{
    exitNow = false;
    AppOptions options;
    CLI::App parser("Quobin programmer: flash 56800/56800E parts through the POD.", "quobin");
    parser.set_version_flag("--version", std::string("Quobin ") + quobin::kVersionText,
                            "Display the program's version");
    podlink::AddLinkOptions(parser, options.link);
    std::string screenshot;
    // Hidden (no group): a tool for the manual's pictures, not for users.
    parser
        .add_option("--screenshot", screenshot,
                    "Save the window to this PNG once it is up, then quit")
        ->group("");

    // CLI11 takes the arguments last first; argument 0 is the program.
    std::vector<std::string> reversed;
    for (qsizetype i = arguments.size() - 1; i >= 1; --i)
        reversed.push_back(arguments[i].toStdString());
    try {
        parser.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        message = QString::fromStdString(parser.help());
        exitNow = true;
        return std::nullopt;
    } catch (const CLI::CallForVersion& e) {
        message = QString::fromStdString(e.what());
        exitNow = true;
        return std::nullopt;
    } catch (const CLI::ParseError& e) {
        message = QStringLiteral("quobin: ") + QString::fromStdString(e.what());
        return std::nullopt;
    }
    options.screenshot = QString::fromStdString(screenshot);
    return options;
}

} // namespace app
