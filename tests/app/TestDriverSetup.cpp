#include "DriverSetup.h"

#include "pod/PodClock.h"
#include "pod/UsbDriver.h"
#include "sim/SimUsbDriver.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>

using app::AppOptions;

class TestDriverSetup : public QObject {
    Q_OBJECT

private slots:
    void simulateGivesTheEmulatorWithThePodOnTheBus()
    {
        pod::VirtualPodClock clock;
        AppOptions options;
        options.simulate = true;
        app::DriverSetup setup = app::MakeUsbDriver(options, clock);
        QVERIFY(setup.error.empty());
        QVERIFY(setup.driver);
        QCOMPARE(static_cast<pod::UsbDriver*>(setup.simulated), setup.driver.get());
        QVERIFY(setup.driver->Load());
        std::uint32_t count = 0;
        QCOMPARE(setup.driver->ListDeviceCount(&count), pod::kFtOk);
        QCOMPARE(count, 1u);
        char description[pod::kDescriptionSize] = {};
        QCOMPARE(setup.driver->ListDeviceDescription(0, description), pod::kFtOk);
        QCOMPARE(std::strcmp(description, "Quobin"), 0);
    }

    void emulatorOptionsReachTheEmulator()
    {
        pod::VirtualPodClock clock;
        AppOptions options;
        options.simulate = true;
        options.simOptions = {{QStringLiteral("device"), QStringLiteral("Other FTDI")}};
        app::DriverSetup setup = app::MakeUsbDriver(options, clock);
        QVERIFY(setup.driver);
        QVERIFY(setup.driver->Load());
        std::uint32_t count = 0;
        QCOMPARE(setup.driver->ListDeviceCount(&count), pod::kFtOk);
        QCOMPARE(count, 2u);
    }

    void badEmulatorOptionIsNamed()
    {
        pod::VirtualPodClock clock;
        AppOptions options;
        options.simulate = true;
        options.simOptions = {{QStringLiteral("wire"), QStringLiteral("warp")}};
        app::DriverSetup setup = app::MakeUsbDriver(options, clock);
        QVERIFY(!setup.driver);
        QVERIFY(setup.simulated == nullptr);
        QVERIFY2(setup.error.find("--sim-wire") != std::string::npos, setup.error.c_str());

        options.simOptions = {{QStringLiteral("bogus"), QString()}};
        setup = app::MakeUsbDriver(options, clock);
        QVERIFY(!setup.driver);
        QVERIFY(!setup.error.empty());
    }

    void traceLogsTheCallsToItsFile()
    {
        pod::VirtualPodClock clock;
        QTemporaryDir folder;
        AppOptions options;
        options.simulate = true;
        options.trace = folder.filePath(QStringLiteral("usb.log"));
        {
            app::DriverSetup setup = app::MakeUsbDriver(options, clock);
            QVERIFY(setup.driver);
            QVERIFY(setup.simulated);
            QVERIFY(static_cast<pod::UsbDriver*>(setup.simulated) != setup.driver.get());
            QVERIFY(setup.driver->Load());
            pod::FtHandle handle = nullptr;
            QCOMPARE(setup.driver->OpenByDescription("Quobin", &handle), pod::kFtOk);
            QCOMPARE(setup.driver->Close(handle), pod::kFtOk);
        }
        QFile log(options.trace);
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QByteArray text = log.readAll();
        QVERIFY2(text.contains("open \"Quobin\""), text.constData());

        options.trace = folder.filePath(QStringLiteral("missing/usb.log"));
        app::DriverSetup refused = app::MakeUsbDriver(options, clock);
        QVERIFY(!refused.driver);
        QVERIFY(refused.simulated == nullptr);
        QVERIFY(refused.error.find("trace") != std::string::npos);
    }

    void realBackEnds()
    {
        pod::VirtualPodClock clock;
        AppOptions options;
        options.driver = QStringLiteral("d2xx");
        app::DriverSetup d2xx = app::MakeUsbDriver(options, clock);
        QVERIFY(d2xx.driver);
        QVERIFY(d2xx.simulated == nullptr);

        options.driver.clear();
        QVERIFY(app::MakeUsbDriver(options, clock).driver);
    }
};

QTEST_GUILESS_MAIN(TestDriverSetup)
#include "TestDriverSetup.moc"
