// quobin: the programmer window.

#include "app/AppOptions.h"
#include "app/CQuobinApp.h"
#include "app/CoreBackend.h"
#include "app/MainSettings.h"
#include "app/WindowRecords.h"

#include "pod/PodClock.h"
#include "podlink/PodLink.h"
#include "station/Station.h"

#include <QApplication>
#include <QSettings>
#include <QStringList>

#include <cstdio>

int main(int argc, char** argv)
{
    // The options are read before the application object exists, so that --help, --version
    // and a usage error answer on a terminal without a display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QString message;
    bool exitNow = false;
    auto options = app::AppOptions::Parse(arguments, message, exitNow);
    if (!options) {
        std::fprintf(exitNow ? stdout : stderr, "%s\n", qPrintable(message));
        return exitNow ? 0 : 2;
    }
    podlink::ApplyEnvironment(options->link);
    options->link.traceHeader = podlink::TraceHeader("quobin", argc, argv);

    // The link too: a contradiction among its options is a usage error, told without a
    // display like the others.
    pod::SteadyPodClock clock;
    station::Station::Opening opening = station::Station::Open(options->link, clock);
    if (!opening.station) {
        std::fprintf(stderr, "quobin: %s\n", opening.error.c_str());
        return opening.usage ? 2 : 1;
    }
    station::Station& station = *opening.station;
    if (!CQuobinApp::DisplayAvailable(arguments)) {
        std::fprintf(stderr, "%s\n", CQuobinApp::kNoDisplayMessage);
        return 2;
    }
    QApplication application(argc, argv);
    CQuobinApp::PrepareApplication(application);

    for (const std::string& warning : podlink::ApplyResources(options->link.resources))
        std::fprintf(stderr, "quobin: %s\n", warning.c_str());

    // A POD named on the command line is the window's choice, as if picked in its list.
    if (!options->link.serials.empty())
        app::OpenQuobinSettings()->setValue(QStringLiteral("Main/POD Serial"),
                                            QString::fromStdString(options->link.serials.front()));

    const std::string recordsNote = app::OpenWindowRecords(station, *app::OpenQuobinSettings());
    const int status = CQuobinApp::Run(*options, [&](ops::ProgrammerView& view) {
        // A record that cannot be kept is told at once, as the run ends.
        station.records().SetFailureSink([&view](const std::string& error) { view.ShowWarning(error); });
        if (!recordsNote.empty()) view.ShowWarning(recordsNote);
        return std::make_unique<app::CoreBackend>(station, view);
    });
    station.records().SetFailureSink({});
    // The window and its backend are gone: the emulator's state is final.
    for (const std::string& error : station.Close())
        std::fprintf(stderr, "quobin: %s\n", error.c_str());
    return status;
}
