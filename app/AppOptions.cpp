#include "AppOptions.h"

#include <QCommandLineParser>

namespace app {

std::optional<AppOptions> AppOptions::Parse(const QStringList& arguments, bool simulateFromEnv,
                                            QString& message, bool& exitNow)
{
    exitNow = false;
    AppOptions options;
    options.simulate = simulateFromEnv;

    // The emulator's own settings pass through untouched: the emulator knows them, the
    // window does not need to.
    QStringList rest;
    const QString simPrefix = QStringLiteral("--sim-");
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (i == 0 || !argument.startsWith(simPrefix)) {
            rest << argument;
            continue;
        }
        const QString body = argument.mid(simPrefix.size());
        const qsizetype equals = body.indexOf(QLatin1Char('='));
        if (body.isEmpty() || equals == 0) {
            message = QStringLiteral("quobin: incomplete emulator option %1").arg(argument);
            return std::nullopt;
        }
        if (equals > 0) {
            options.simOptions.emplace_back(body.left(equals), body.mid(equals + 1));
        } else if (i + 1 < arguments.size() && !arguments[i + 1].startsWith(QLatin1Char('-'))) {
            // "--sim-NAME VALUE": the window takes no plain arguments, so a following
            // word can only be the value.
            options.simOptions.emplace_back(body, arguments[i + 1]);
            ++i;
        } else {
            options.simOptions.emplace_back(body, QString());
        }
    }

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Quobin programmer: flash 56800/56800E parts through the POD."));
    // Its own help option: the stock one adds --help-all, which lists Qt's options, and
    // those are not taken (the options are read before Qt starts).
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Displays help on commandline options."));
    parser.addOption(help);
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption simulate(
        QStringLiteral("simulate"),
        QStringLiteral("Run on the emulated POD (also QUOBIN_SIMULATE=1); "
                       "emulator settings as --sim-NAME=VALUE."));
    const QCommandLineOption driver(QStringLiteral("driver"),
                                    QStringLiteral("USB back end: ftdi, d2xx or sim."),
                                    QStringLiteral("kind"));
    const QCommandLineOption resources(
        QStringLiteral("resources"),
        QStringLiteral("Folder with replacement flash routines and POD firmware."),
        QStringLiteral("dir"));
    const QCommandLineOption trace(QStringLiteral("trace"),
                                   QStringLiteral("Write every USB call to this file."),
                                   QStringLiteral("file"));
    QCommandLineOption screenshot(
        QStringLiteral("screenshot"),
        QStringLiteral("Save the window to this PNG once it is up, then quit."),
        QStringLiteral("file"));
    screenshot.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOptions({simulate, driver, resources, trace, screenshot});

    if (!parser.parse(rest)) {
        message = QStringLiteral("quobin: ") + parser.errorText();
        return std::nullopt;
    }
    if (parser.isSet(help)) {
        // Without an application object the usage line has no program name; give it one.
        message = parser.helpText();
        message.replace(0, message.indexOf(QLatin1Char('\n')),
                        QStringLiteral("Usage: quobin [options]"));
        exitNow = true;
        return std::nullopt;
    }
    if (parser.isSet(version)) {
        message = QStringLiteral("Quobin V1.3");
        exitNow = true;
        return std::nullopt;
    }
    if (!parser.positionalArguments().isEmpty()) {
        message = QStringLiteral("quobin: unexpected argument %1")
                      .arg(parser.positionalArguments().front());
        return std::nullopt;
    }
    options.simulate = options.simulate || parser.isSet(simulate);
    options.driver = parser.value(driver);
    if (!options.driver.isEmpty() && options.driver != QLatin1String("ftdi") &&
        options.driver != QLatin1String("d2xx") && options.driver != QLatin1String("sim")) {
        message =
            QStringLiteral("quobin: unknown driver %1 (use ftdi, d2xx or sim)").arg(options.driver);
        return std::nullopt;
    }
    if (options.driver == QLatin1String("sim")) options.simulate = true;
    if (options.simulate && !options.driver.isEmpty() && options.driver != QLatin1String("sim")) {
        message =
            QStringLiteral("quobin: --simulate runs on the emulator; it cannot use --driver %1")
                .arg(options.driver);
        return std::nullopt;
    }
    if (!options.simOptions.empty() && !options.simulate) {
        message = QStringLiteral("quobin: --sim-%1 needs --simulate")
                      .arg(options.simOptions.front().first);
        return std::nullopt;
    }
    options.resources = parser.value(resources);
    options.trace = parser.value(trace);
    options.screenshot = parser.value(screenshot);
    return options;
}

} // namespace app
