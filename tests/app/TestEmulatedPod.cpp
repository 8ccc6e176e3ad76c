#include "CQuobinDlg.h"
#include "CVexStatic.h"
#include "CoreBackend.h"
#include "TestSettingsScope.h"

#include "pod/PodClock.h"
#include "sim/SimOptions.h"
#include "sim/SimUsbDriver.h"
#include "tests/support/RecordingView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QtTest>

#include <algorithm>

namespace {

const QColor kRed(255, 0, 0);
const QColor kBlack(0, 0, 0);

// The backend with its recorder, owned together by the window.
class RecordedBackend final : public app::ProgrammerBackend {
public:
    RecordedBackend(pod::UsbDriver& driver, pod::PodClock& clock, ops::ProgrammerView& window)
        : recorder(window), core(driver, clock, recorder)
    {
    }
    int PartCount() const override { return core.PartCount(); }
    std::string PartName(int type) const override { return core.PartName(type); }
    std::array<bool, 4> RegionsPresent(int type) const override
    {
        return core.RegionsPresent(type);
    }
    bool LoadSFile(const ops::DialogSnapshot& dialog) override { return core.LoadSFile(dialog); }
    bool EnsurePodSession() override { return core.EnsurePodSession(); }
    bool Start(ops::OperationMode mode, const ops::DialogSnapshot& dialog) override
    {
        return core.Start(mode, dialog);
    }
    bool StartFirmwareUpdate() override { return core.StartFirmwareUpdate(); }
    bool QueryVersion() override { return core.QueryVersion(); }
    bool ResetTarget(int polarity, int delay) override { return core.ResetTarget(polarity, delay); }

    support::RecordingView recorder;
    app::CoreBackend core;
};

struct Bench {
    pod::VirtualPodClock clock;
    std::unique_ptr<sim::SimUsbDriver> driver;
    RecordedBackend* backend = nullptr;
    std::unique_ptr<CQuobinDlg> dlg;

    explicit Bench(const std::vector<std::string>& simArgs = {}, bool plugged = true)
    {
        sim::SimOptions options; // instant wire
        for (const std::string& arg : simArgs) {
            const auto equals = arg.find('=');
            const std::string error =
                sim::ApplySimOption(options, arg.substr(0, equals),
                                    equals == std::string::npos ? "" : arg.substr(equals + 1));
            if (!error.empty()) qFatal("%s", error.c_str());
        }
        driver = sim::CreateSimDriver(options, clock);
        if (!plugged) driver->Unplug();
        dlg = std::make_unique<CQuobinDlg>([this](ops::ProgrammerView& view) {
            auto made = std::make_unique<RecordedBackend>(*driver, clock, view);
            backend = made.get();
            return made;
        });
        dlg->Initialize();
    }
    ~Bench()
    {
        dlg.reset(); // joins the worker before the driver goes
    }

    template <typename T> T* Find(const char* name) const
    {
        T* widget = dlg->findChild<T*>(QLatin1String(name));
        if (!widget) qFatal("no widget %s", name);
        return widget;
    }
    CVexStatic* Status() const { return Find<CVexStatic>("statusLine"); }
    std::array<QCheckBox*, 4> Regions() const
    {
        return {Find<QCheckBox>("dflashCheck"), Find<QCheckBox>("bflashCheck"),
                Find<QCheckBox>("p1flashCheck"), Find<QCheckBox>("p2flashCheck")};
    }
    QProgressBar* Progress() const { return Find<QProgressBar>("progressBar"); }
    // Waits for the run's worker, then lets the window take all it posted. The worker
    // never waits on the UI thread, so joining it from here cannot deadlock.
    void FinishRun()
    {
        backend->core.runner().Wait();
        QCoreApplication::sendPostedEvents();
    }
    bool Idle() const
    {
        return Find<QPushButton>("targetWriteButton")->isEnabled() &&
               !backend->core.runner().IsBusy();
    }
    // Back at 0 and not the endless animation that a range of 0..0 shows.
    bool ProgressAtRest() const
    {
        return Progress()->value() == 0 && Progress()->maximum() > Progress()->minimum();
    }
};

bool Contains(const std::vector<std::string>& texts, const std::string& text)
{
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

} // namespace

class TestEmulatedPod : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { m_scope = std::make_unique<TestSettingsScope>(); }
    void init()
    {
        TestSettingsScope::Clear();
        TestSettingsScope::Write(QStringLiteral("File Path"), QStringLiteral(QUOBIN_DEMO_S));
    }

    void startWithoutThePodSaysSoInRed()
    {
        Bench bench({}, false);
        QCOMPARE(bench.Status()->Text(), QStringLiteral("Device is not connected to the PC."));
        QCOMPARE(bench.Status()->m_textColor, kRed);
        // The S file was loaded first; its labels stay.
        QVERIFY(Contains(bench.backend->recorder.Texts(), "Success to load S File"));
        QCOMPARE(bench.Regions()[2]->text(), QStringLiteral("P1FLASH (260 Word, 0.2%)"));
    }

    void startWithThePodKeepsTheLoadResult()
    {
        Bench bench;
        QCOMPARE(bench.Status()->Text(), QStringLiteral("Success to load S File"));
        QCOMPARE(bench.Status()->m_textColor, kBlack);
        QCOMPARE(bench.Regions()[0]->text(), QStringLiteral("DFLASH (40 Word, 0.2%)"));
        QCOMPARE(bench.Regions()[1]->text(), QStringLiteral("BFLASH (64 Word, 0.4%)"));
        QCOMPARE(bench.Regions()[3]->text(), QStringLiteral("P2FLASH (0 Word, 0%)"));
        QVERIFY(bench.backend->core.session().IsOpen());
    }

    void targetWriteRunsToItsSuccessLine()
    {
        Bench bench;
        bench.Regions()[3]->setChecked(false); // unchecked by the user before the run
        bench.Find<QPushButton>("targetWriteButton")->click();
        QVERIFY(!bench.Find<QComboBox>("mcuSelect")->isEnabled());

        const QRegularExpression success(
            QStringLiteral("^Success to download FLASH to the MCU \\(\\d+\\.\\d\\d sec\\)$"));
        bench.FinishRun();
        QVERIFY2(success.match(bench.Status()->Text()).hasMatch(),
                 qPrintable(bench.Status()->Text()));
        QVERIFY(bench.Idle());
        QCOMPARE(bench.Status()->m_textColor, kBlack);
        // The file's regions span several pages: the bar had a range and moved.
        const auto ranges = bench.backend->recorder.Ranges();
        QVERIFY(std::any_of(ranges.begin(), ranges.end(), [](int upper) { return upper > 0; }));
        QVERIFY(bench.backend->recorder.Count("step") > 0);
        QVERIFY(bench.ProgressAtRest());
        for (QCheckBox* region : bench.Regions())
            QVERIFY2(region->isEnabled() && region->isChecked(), qPrintable(region->objectName()));

        const auto texts = bench.backend->recorder.Texts();
        QVERIFY(Contains(texts, "Initializing..."));
        QVERIFY(Contains(texts, "DATA FLASH Download"));
        QVERIFY(Contains(texts, "BOOT FLASH Download"));
        QVERIFY(Contains(texts, "PROGRAM1 FLASH Download"));
        QVERIFY(!Contains(texts, "PROGRAM2 FLASH Download"));
        const auto initializing = std::find(texts.begin(), texts.end(), "Initializing...");
        const auto program1 = std::find(texts.begin(), texts.end(), "PROGRAM1 FLASH Download");
        QVERIFY(initializing < program1);
        QVERIFY(bench.backend->core.runner().LastResult().ok);
    }

    void targetWriteAndVerifyShowsTheDoubledAmpersandOnce()
    {
        Bench bench;
        bench.Find<QPushButton>("targetWriteVerifyButton")->click();
        bench.FinishRun();
        QVERIFY(bench.Idle());
        // P2FLASH holds nothing of the file: the last range was empty, and the bar still
        // ends at rest.
        QCOMPARE(bench.backend->recorder.Ranges().back(), 0);
        QVERIFY(bench.ProgressAtRest());
        QVERIFY(bench.Status()->Text().startsWith(
            QStringLiteral("Success to download and verify FLASH to the MCU (")));
        QVERIFY(Contains(bench.backend->recorder.Texts(), "PROGRAM1 FLASH Download && Verify"));
        QCOMPARE(CVexStatic::DisplayText(QStringLiteral("PROGRAM1 FLASH Download && Verify")),
                 QStringLiteral("PROGRAM1 FLASH Download & Verify"));
    }

    void failingRunLeavesItsRedMessage()
    {
        Bench bench({"sim-fault=0x24:1:error"});
        bench.Find<QPushButton>("targetWriteButton")->click();
        bench.FinishRun();
        QVERIFY(bench.Idle());
        QCOMPARE(bench.Status()->Text(), QStringLiteral("Failed to erase FLASH"));
        QCOMPARE(bench.Status()->m_textColor, kRed);
        QVERIFY(bench.ProgressAtRest());
        QVERIFY(bench.Find<QPushButton>("podWriteButton")->isEnabled());
        QVERIFY(!bench.backend->core.session().IsOpen());
    }

    void versionQueryOnTheUiThread()
    {
        Bench bench({"sim-version=1.10"});
        bench.Find<QPushButton>("getVersionButton")->click();
        QCOMPARE(bench.Status()->Text(), QStringLiteral("POD Version V1.10"));
        QCOMPARE(bench.Status()->m_textColor, kBlack);
    }

    void targetResetOnTheUiThread()
    {
        Bench bench;
        bench.Find<QPushButton>("targetResetButton")->click();
        QCOMPARE(bench.Status()->Text(), QStringLiteral("Success to reset"));
    }

private:
    std::unique_ptr<TestSettingsScope> m_scope;
};

QTEST_MAIN(TestEmulatedPod)
#include "TestEmulatedPod.moc"
