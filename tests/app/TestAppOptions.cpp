#include "AppOptions.h"

#include <QtTest>

using app::AppOptions;

namespace {

std::optional<AppOptions> Parse(QStringList args, bool fromEnv, QString* message = nullptr)
{
    args.prepend(QStringLiteral("quobin"));
    QString text;
    bool exitNow = false;
    auto parsed = AppOptions::Parse(args, fromEnv, text, exitNow);
    if (message) *message = text;
    return parsed;
}

} // namespace

class TestAppOptions : public QObject {
    Q_OBJECT

private slots:
    void noArgumentsRunOnTheRealPod()
    {
        const auto options = Parse({}, false);
        QVERIFY(options);
        QVERIFY(!options->simulate);
        QVERIFY(options->driver.isEmpty());
        QVERIFY(options->simOptions.empty());
        QVERIFY(options->screenshot.isEmpty());
    }

    void simulateFromFlagOrEnvironment()
    {
        QVERIFY(Parse({QStringLiteral("--simulate")}, false)->simulate);
        QVERIFY(Parse({}, true)->simulate);
        QVERIFY(Parse({QStringLiteral("--driver"), QStringLiteral("sim")}, false)->simulate);
    }

    void emulatorOptionsPassThroughInOrder()
    {
        const auto options =
            Parse({QStringLiteral("--simulate"), QStringLiteral("--sim-wire=instant"),
                   QStringLiteral("--sim-unplugged"), QStringLiteral("--sim-fault"),
                   QStringLiteral("no-reply:0x20:1"), QStringLiteral("--trace"),
                   QStringLiteral("usb.log")},
                  false);
        QVERIFY(options);
        QCOMPARE(options->simOptions.size(), std::size_t(3));
        QCOMPARE(options->simOptions[0].first, QStringLiteral("wire"));
        QCOMPARE(options->simOptions[0].second, QStringLiteral("instant"));
        QCOMPARE(options->simOptions[1].first, QStringLiteral("unplugged"));
        QVERIFY(options->simOptions[1].second.isEmpty());
        QCOMPARE(options->simOptions[2].second, QStringLiteral("no-reply:0x20:1"));
        QCOMPARE(options->trace, QStringLiteral("usb.log"));
    }

    void valuesOfTheOtherOptions()
    {
        const auto options = Parse({QStringLiteral("--driver=d2xx"), QStringLiteral("--resources"),
                                    QStringLiteral("/opt/pod"), QStringLiteral("--screenshot"),
                                    QStringLiteral("shot.png")},
                                   false);
        QVERIFY(options);
        QCOMPARE(options->driver, QStringLiteral("d2xx"));
        QCOMPARE(options->resources, QStringLiteral("/opt/pod"));
        QCOMPARE(options->screenshot, QStringLiteral("shot.png"));
        QVERIFY(!options->simulate);
    }

    void usageErrors_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("fromEnv");
        QTest::addColumn<QString>("says");
        QTest::newRow("unknown driver")
            << QStringList{"--driver", "usb"} << false << "unknown driver usb";
        QTest::newRow("emulator without --simulate")
            << QStringList{"--sim-wire=instant"} << false << "--sim-wire needs --simulate";
        QTest::newRow("simulate with real driver")
            << QStringList{"--simulate", "--driver", "ftdi"} << false << "cannot use --driver ftdi";
        QTest::newRow("env simulate with real driver")
            << QStringList{"--driver", "d2xx"} << true << "cannot use --driver d2xx";
        QTest::newRow("bare prefix")
            << QStringList{"--simulate", "--sim-"} << false << "incomplete emulator option";
        QTest::newRow("stray word")
            << QStringList{"demo.s"} << false << "unexpected argument demo.s";
        QTest::newRow("unknown option") << QStringList{"--frobnicate"} << false << "frobnicate";
    }
    void usageErrors()
    {
        QFETCH(QStringList, args);
        QFETCH(bool, fromEnv);
        QFETCH(QString, says);
        QString message;
        QVERIFY(!Parse(args, fromEnv, &message));
        QVERIFY2(message.contains(says), qPrintable(message));
    }

    void helpListsTheOptionsButNotTheScreenshot()
    {
        QString message;
        bool exitNow = false;
        QVERIFY(!AppOptions::Parse({QStringLiteral("quobin"), QStringLiteral("--help")}, false,
                                   message, exitNow));
        QVERIFY(exitNow);
        QVERIFY(message.contains(QStringLiteral("--simulate")));
        QVERIFY(message.contains(QStringLiteral("--driver")));
        QVERIFY(!message.contains(QStringLiteral("--screenshot")));
        // Qt's own options are not read: the program parses before Qt starts.
        QVERIFY(!message.contains(QStringLiteral("--help-all")));
        QVERIFY2(message.startsWith(QStringLiteral("Usage: quobin [options]\n")),
                 qPrintable(message));
    }
};

QTEST_GUILESS_MAIN(TestAppOptions)
#include "TestAppOptions.moc"
