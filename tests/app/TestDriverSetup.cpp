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

    void windowEmulatorRunsOnTheRealTimeWire_data()
    {
        QTest::addColumn<bool>("instant");
        QTest::newRow("default") << false;
        QTest::newRow("--sim-wire instant") << true;
    }
    void windowEmulatorRunsOnTheRealTimeWire()
    {
        QFETCH(bool, instant);
        pod::VirtualPodClock clock(1000);
        AppOptions options;
        options.simulate = true;
        if (instant) options.simOptions = {{QStringLiteral("wire"), QStringLiteral("instant")}};
        app::DriverSetup setup = app::MakeUsbDriver(options, clock);
        QVERIFY(setup.driver);
        pod::UsbDriver& driver = *setup.driver;
        QVERIFY(driver.Load());
        pod::FtHandle handle = nullptr;
        QCOMPARE(driver.OpenByDescription("Quobin", &handle), pod::kFtOk);
        QCOMPARE(driver.SetBaudRate(handle, 921600), pod::kFtOk);
        QCOMPARE(driver.SetDataCharacteristics(handle, pod::kFtBits8, pod::kFtStopBits1,
                                               pod::kFtParityNone),
                 pod::kFtOk);
        const char bytes[8] = {'0', '1', '2', '3', '4', '5', '6', '7'};
        std::uint32_t written = 0;
        QCOMPARE(driver.Write(handle, bytes, sizeof bytes, &written), pod::kFtOk);
        QCOMPARE(written, 8u);

        std::uint32_t rx = 0;
        std::uint32_t tx = 0;
        std::uint32_t events = 0;
        QCOMPARE(driver.GetStatus(handle, &rx, &tx, &events), pod::kFtOk);
        if (instant) {
            QCOMPARE(tx, 0u);
        } else {
            // 8 bytes of 10 bits at 921600 baud take about 87 us: all still on the way
            // while the clock stands, all gone a millisecond later.
            QCOMPARE(tx, 8u);
            clock.Advance(1);
            QCOMPARE(driver.GetStatus(handle, &rx, &tx, &events), pod::kFtOk);
            QCOMPARE(tx, 0u);
        }
        QCOMPARE(driver.Close(handle), pod::kFtOk);
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
