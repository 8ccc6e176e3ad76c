#include "app/AppOptions.h"

#include <QtTest>

using app::AppOptions;

namespace {

std::optional<AppOptions> Parse(QStringList args, QString* message = nullptr,
                                bool* exitNow = nullptr)
{
    args.prepend(QStringLiteral("quobin"));
    QString text;
    bool exit = false;
    auto parsed = AppOptions::Parse(args, text, exit);
    if (message) *message = text;
    if (exitNow) *exitNow = exit;
    return parsed;
}

} // namespace

class TestAppOptions : public QObject {
    Q_OBJECT

private slots:
    void noArgumentsRunOnTheRealPodWithTheRealTimeEmulatorWire()
    {
        const auto options = Parse({});
        QVERIFY(options);
        QVERIFY(!options->link.simulate);
        QVERIFY(options->link.driver.empty());
        QVERIFY(options->link.sim.Given().empty());
        QVERIFY(options->screenshot.isEmpty());
        // The window's emulated POD takes its time per byte, so the progress bar moves
        // as on hardware.
        QCOMPARE(options->link.defaultWire, sim::WireMode::kReal);
    }

    void linkOptionsAreTheProgramsShared()
    {
        const auto options =
            Parse({"--simulate", "--sim-wire=instant", "--sim-fault", "0x20:1:silent",
                   "--sim-fault=sync:2:error", "--sim-secured", "--trace", "usb.log",
                   "--driver=sim", "--resources", "/opt/pod", "--screenshot", "shot.png"});
        QVERIFY(options);
        const podlink::LinkOptions& link = options->link;
        QVERIFY(link.simulate);
        QCOMPARE(link.driver, std::string("sim"));
        QCOMPARE(link.sim.wire, std::string("instant"));
        QCOMPARE(link.sim.faults, (std::vector<std::string>{"0x20:1:silent", "sync:2:error"}));
        QVERIFY(link.sim.secured);
        QCOMPARE(link.tracePath, std::string("usb.log"));
        QCOMPARE(link.resources, std::string("/opt/pod"));
        QCOMPARE(options->screenshot, QStringLiteral("shot.png"));
    }

    void usageErrors_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("says");
        QTest::newRow("unknown emulator option")
            << QStringList{"--simulate", "--sim-unplugged"} << "--sim-unplugged";
        QTest::newRow("missing value") << QStringList{"--trace"} << "--trace";
        QTest::newRow("stray word") << QStringList{"demo.s"} << "demo.s";
        QTest::newRow("unknown option") << QStringList{"--frobnicate"} << "--frobnicate";
    }
    void usageErrors()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, says);
        QString message;
        bool exitNow = true;
        QVERIFY(!Parse(args, &message, &exitNow));
        QVERIFY(!exitNow);
        QVERIFY2(message.startsWith(QStringLiteral("quobin: ")), qPrintable(message));
        QVERIFY2(message.contains(says), qPrintable(message));
    }

    void helpListsTheLinkOptionsButNotTheScreenshot()
    {
        QString message;
        bool exitNow = false;
        QVERIFY(!Parse({"--help"}, &message, &exitNow));
        QVERIFY(exitNow);
        for (const char* option : {"--simulate", "--driver", "--sim-mcu", "--sim-fault",
                                   "--resources", "--trace", "--version"})
            QVERIFY2(message.contains(QLatin1String(option)), option);
        QVERIFY(!message.contains(QStringLiteral("--screenshot")));
        QVERIFY2(message.contains(QStringLiteral("Usage: quobin [OPTIONS]")), qPrintable(message));
    }

    void versionAnswersAndExits()
    {
        QString message;
        bool exitNow = false;
        QVERIFY(!Parse({"--version"}, &message, &exitNow));
        QVERIFY(exitNow);
        QCOMPARE(message, QStringLiteral("Quobin V1.3"));
    }
};

QTEST_GUILESS_MAIN(TestAppOptions)
#include "TestAppOptions.moc"
