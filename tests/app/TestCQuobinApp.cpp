#include "app/CAboutDlg.h"
#include "app/CQuobinApp.h"
#include "tests/app/FakeBackend.h"
#include "tests/app/TestSettingsScope.h"

#include <QApplication>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

class TestCQuobinApp : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { m_scope = std::make_unique<TestSettingsScope>(); }

    void displayIsFoundFromThePlatformOrTheDisplayVariables_data()
    {
        QTest::addColumn<QString>("platform");
        QTest::addColumn<QString>("display");
        QTest::addColumn<QString>("wayland");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("available");
        const QStringList none = {QStringLiteral("quobin")};
        QTest::newRow("nothing") << ""
                                 << ""
                                 << "" << none << false;
        QTest::newRow("X11") << ""
                             << ":0"
                             << "" << none << true;
        QTest::newRow("Wayland") << ""
                                 << ""
                                 << "wayland-0" << none << true;
        QTest::newRow("offscreen") << "offscreen"
                                   << ""
                                   << "" << none << true;
        QTest::newRow("xcb without X") << "xcb"
                                       << ""
                                       << "wayland-0" << none << false;
        QTest::newRow("-platform")
            << ""
            << ""
            << ""
            << QStringList{QStringLiteral("quobin"), QStringLiteral("-platform"),
                           QStringLiteral("offscreen")}
            << true;
    }
    void displayIsFoundFromThePlatformOrTheDisplayVariables()
    {
        QFETCH(QString, platform);
        QFETCH(QString, display);
        QFETCH(QString, wayland);
        QFETCH(QStringList, arguments);
        QFETCH(bool, available);
        const QByteArray savedPlatform = qgetenv("QT_QPA_PLATFORM");
        qputenv("QT_QPA_PLATFORM", platform.toUtf8());
        qputenv("DISPLAY", display.toUtf8());
        qputenv("WAYLAND_DISPLAY", wayland.toUtf8());
        const bool found = CQuobinApp::DisplayAvailable(arguments);
        qputenv("QT_QPA_PLATFORM", savedPlatform);
        QCOMPARE(found, available);
    }

    void aboutBoxShowsItsLinesWholeInALargeFont()
    {
        CAboutDlg about(QIcon(), nullptr);
        QFont large = about.font();
        large.setPointSize(large.pointSize() * 2);
        about.setFont(large);
        about.adjustSize();
        for (QLabel* label : about.findChildren<QLabel*>())
            QVERIFY2(label->width() >= label->sizeHint().width(), qPrintable(label->text()));
    }

    void settingsLiveUnderTheMakersName()
    {
        CQuobinApp::PrepareApplication(*qApp);
        QCOMPARE(QCoreApplication::organizationName(), QStringLiteral("Ulmvero"));
        QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("Quobin"));
        const auto store = app::OpenQuobinSettings();
        QCOMPARE(store->organizationName(), QStringLiteral("Ulmvero"));
        QCOMPARE(store->applicationName(), QStringLiteral("Quobin"));
        QCOMPARE(store->format(), QSettings::NativeFormat);
        QCOMPARE(store->scope(), QSettings::UserScope);
    }

    void screenshotSavesTheWindowAndSavesTheSettings()
    {
        TestSettingsScope::Clear();
        QTemporaryDir folder;
        app::AppOptions options;
        options.screenshot = folder.filePath(QStringLiteral("window.png"));
        int backendsMade = 0;
        const int code = CQuobinApp::Run(options, [&](ops::ProgrammerView& view) {
            ++backendsMade;
            auto fake = std::make_unique<FakeBackend>(view);
            fake->podPresent = false;
            return fake;
        });
        QCOMPARE(code, 0);
        QCOMPARE(backendsMade, 1);
        QImage shot(options.screenshot);
        QVERIFY(!shot.isNull());
        QVERIFY(shot.width() >= 440 && shot.height() >= 370);
        // The window went away through its normal end: the settings were written.
        QCOMPARE(TestSettingsScope::Read(QStringLiteral("MCU Type")).toInt(), 27);
        QCOMPARE(TestSettingsScope::Read(QStringLiteral("Reset Delay")).toInt(), 0);
    }

    void unwritableScreenshotFails()
    {
        app::AppOptions options;
        options.screenshot = QStringLiteral("/nonexistent-folder/x/window.png");
        const int code = CQuobinApp::Run(
            options, [](ops::ProgrammerView& view) { return std::make_unique<FakeBackend>(view); });
        QCOMPARE(code, 1);
    }

private:
    std::unique_ptr<TestSettingsScope> m_scope;
};

QTEST_MAIN(TestCQuobinApp)
#include "TestCQuobinApp.moc"
