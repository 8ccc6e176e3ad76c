// quobin: the programmer window.

#include "AppOptions.h"
#include "CQuobinApp.h"
#include "CoreBackend.h"
#include "DriverSetup.h"
#include "podlink/PodLink.h"

#include "image/ResourceStore.h"
#include "pod/PodClock.h"

#include <QApplication>
#include <QStringList>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    // The options are read before the application object exists, so that --help, --version
    // and a usage error answer on a terminal without a display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const bool simulateFromEnv = podlink::SimulateFromEnvironment();
    QString message;
    bool exitNow = false;
    const auto options = app::AppOptions::Parse(arguments, simulateFromEnv, message, exitNow);
    if (!options) {
        std::fprintf(exitNow ? stdout : stderr, "%s\n", qPrintable(message));
        return exitNow ? 0 : 2;
    }

    QApplication application(argc, argv);
    CQuobinApp::PrepareApplication(application);

    QString resources = options->resources;
    if (resources.isEmpty()) resources = qEnvironmentVariable("QUOBIN_RESOURCES");
    if (!resources.isEmpty()) {
        const image::ResourceReport report = image::SetResourceDirectory(resources.toStdString());
        if (!report.directoryFound)
            std::fprintf(stderr, "quobin: no resource folder %s; using the built-in images\n",
                         qPrintable(resources));
        for (const image::ResourceFileStatus& file : report.files)
            std::fprintf(stderr, "quobin: %s\n", image::DescribeResourceStatus(file).c_str());
    }

    pod::SteadyPodClock clock;
    app::DriverSetup setup = app::MakeUsbDriver(*options, clock);
    if (!setup.driver) {
        std::fprintf(stderr, "%s\n", setup.error.c_str());
        return 2;
    }
    pod::UsbDriver& driver = *setup.driver;
    return CQuobinApp::Run(*options, [&](ops::ProgrammerView& view) {
        return std::make_unique<app::CoreBackend>(driver, clock, view);
    });
}
