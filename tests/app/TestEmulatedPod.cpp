#include "monitor/ui/CMonDlg.h"
#include "app/CQuobinDlg.h"
#include "app/CVexStatic.h"
#include "app/CoreBackend.h"
#include "app/WindowRecords.h"
#include "records/SqliteStore.h"
#include "tests/app/SpokenTexts.h"
#include "tests/app/TestSettingsScope.h"

#include "pod/PodClock.h"
#include "podlink/LinkOptions.h"
#include "sim/SimUsbDriver.h"
#include "station/Station.h"
#include "tests/support/RecordingView.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTableView>
#include <QToolButton>
#include <QUrl>
#include <QtTest>

#include <algorithm>
#include <condition_variable>
#include <functional>
#include <mutex>

namespace {

const QColor kRed(255, 0, 0);
const QColor kBlack(0, 0, 0);

// Stands between a programming run and the monitoring window: passes the run's calls on,
// and holds the run right after it froze the monitoring controls until the test lets it
// go on, so that the window can be looked at in the middle of the run.
class RunGate final : public ops::MonitorControl {
public:
    void Attach(ops::MonitorControl* window) { m_window = window; }
    void StopMonitoring() override { m_window->StopMonitoring(); }
    void EnableMonitorControls(bool enabled) override
    {
        m_window->EnableMonitorControls(enabled);
        if (enabled) return;
        std::unique_lock lock(m_mutex);
        m_held = true;
        m_changed.wait(lock, [this] { return m_open; });
    }
    bool Held()
    {
        std::lock_guard lock(m_mutex);
        return m_held;
    }
    void Open()
    {
        std::lock_guard lock(m_mutex);
        m_open = true;
        m_changed.notify_all();
    }

private:
    ops::MonitorControl* m_window = nullptr;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_held = false;
    bool m_open = false;
};

// The backend with its recorder, owned together by the window. With a gate it also offers
// the POD session to the monitoring window, as the program's own backend does.
class RecordedBackend final : public app::ProgrammerBackend {
public:
    RecordedBackend(station::Station& station, ops::ProgrammerView& window, RunGate* gate)
        : recorder(window), core(station, recorder), m_gate(gate)
    {
    }
    pod::PodSession* MonitorSession() override { return m_gate ? core.MonitorSession() : nullptr; }
    void SetMonitorControl(ops::MonitorControl* control) override
    {
        if (!m_gate) return;
        m_gate->Attach(control);
        core.SetMonitorControl(m_gate);
    }
    int PartCount() const override { return core.PartCount(); }
    std::string PartName(int type) const override { return core.PartName(type); }
    std::array<bool, 4> RegionsPresent(int type) const override
    {
        return core.RegionsPresent(type);
    }
    bool LoadSFile(const image::RunChoices& dialog) override { return core.LoadSFile(dialog); }
    bool EnsurePodSession() override { return core.EnsurePodSession(); }
    bool Start(ops::OperationMode mode, const image::RunChoices& dialog) override
    {
        return core.Start(mode, dialog);
    }
    bool StartFirmwareUpdate() override { return core.StartFirmwareUpdate(); }
    bool QueryVersion() override { return core.QueryVersion(); }
    bool ResetTarget(int polarity, int delay) override { return core.ResetTarget(polarity, delay); }
    bool IsBusy() const override { return core.IsBusy(); }
    void RequestStop() override { core.RequestStop(); }
    std::optional<std::vector<std::string>> AttachedPods() override { return core.AttachedPods(); }
    bool ChoosePod(const std::string& serial) override { return core.ChoosePod(serial); }

    support::RecordingView recorder;
    app::CoreBackend core;

private:
    RunGate* m_gate;
};

struct Bench {
    pod::VirtualPodClock clock;
    std::unique_ptr<station::Station> station;
    sim::SimUsbDriver* driver = nullptr;
    RunGate* gate = nullptr;
    RecordedBackend* backend = nullptr;
    std::unique_ptr<CQuobinDlg> dlg;

    explicit Bench(const std::vector<std::string>& simArgs = {}, bool plugged = true,
                   RunGate* runGate = nullptr)
        : gate(runGate)
    {
        podlink::LinkOptions options;
        options.simulate = true;
        options.defaultWire = sim::WireMode::kInstant;
        for (const std::string& arg : simArgs) {
            std::string line = "--" + arg;
            if (const auto equals = line.find('='); equals != std::string::npos) line[equals] = ' ';
            const std::string error = podlink::ParseLinkOptions(line, options);
            if (!error.empty()) qFatal("%s", error.c_str());
        }
        station::Station::Opening opening = station::Station::Open(options, clock);
        if (!opening.station) qFatal("%s", opening.error.c_str());
        station = std::move(opening.station);
        driver = station->emulator();
        if (!plugged) driver->Unplug();
        dlg = std::make_unique<CQuobinDlg>([this](ops::ProgrammerView& view) {
            auto made = std::make_unique<RecordedBackend>(*station, view, gate);
            backend = made.get();
            return made;
        });
        dlg->Initialize();
    }
    ~Bench()
    {
        if (gate) gate->Open(); // a failed test must not leave the run held
        dlg.reset();            // joins the worker before the driver goes
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

    // With a store in the settings the window's runs are recorded as quobin-cli's are; a
    // store that cannot be opened is said, with its reason.
    void runsAreRecordedWhenTheSettingsNameAStore()
    {
        QTemporaryDir folder;
        const QString db = folder.filePath(QStringLiteral("line.db"));
        TestSettingsScope::WriteIn(QStringLiteral("Records/Store"), db);
        TestSettingsScope::WriteIn(QStringLiteral("Records/Station"), QStringLiteral("bench-1"));
        TestSettingsScope::WriteIn(QStringLiteral("Records/Operator"), QStringLiteral("ann"));
        {
            Bench bench;
            QCOMPARE(app::OpenWindowRecords(*bench.station, *app::OpenQuobinSettings()), std::string());
            bench.Find<QPushButton>("targetWriteVerifyButton")->click();
            bench.FinishRun();
        }
        std::string error;
        auto store = records::SqliteStore::Open(db.toStdString(), error);
        QVERIFY2(store, error.c_str());
        const auto found = store->Find({}, error);
        QCOMPARE(found.size(), std::size_t{1});
        QCOMPARE(found[0].station, std::string("bench-1"));
        QCOMPARE(found[0].operatorName, std::string("ann"));
        QCOMPARE(found[0].result, std::string("ok"));

        TestSettingsScope::WriteIn(QStringLiteral("Records/Store"), folder.filePath(QStringLiteral("no/line.db")));
        Bench bench;
        const std::string said = app::OpenWindowRecords(*bench.station, *app::OpenQuobinSettings());
        QVERIFY2(said.starts_with("No production records are kept: cannot open "), said.c_str());
    }

    // What a screen reader speaks of a failing run, a succeeding one and a version query:
    // each start once, then the result with its own text, a failure at once and urgent;
    // none of the statuses in between.
    void resultsAreSpokenInOrderWithTheirTexts()
    {
        Bench bench({"sim-fault=0x24:1:error", "sim-version=1.1"});
        SpokenTexts spoken;
        for (int run = 0; run < 2; ++run) {
            bench.Find<QPushButton>("targetWriteVerifyButton")->click();
            bench.FinishRun();
        }
        bench.Find<QPushButton>("getVersionButton")->click();
        bench.FinishRun();

        const QList<SpokenTexts::Spoken> heard = SpokenTexts::Heard();
        QCOMPARE(heard.size(), 6);
        const QString started = QStringLiteral("Target Write & Verify started");
        QCOMPARE(heard[0], (SpokenTexts::Spoken{started, false}));
        QCOMPARE(heard[1], (SpokenTexts::Spoken{QStringLiteral("Failed to erase FLASH"), true}));
        QCOMPARE(heard[2], (SpokenTexts::Spoken{started, false}));
        QVERIFY2(heard[3].text.startsWith(
                     QStringLiteral("Success to download and verify FLASH to the MCU (")),
                 qPrintable(heard[3].text));
        QVERIFY(!heard[3].urgent);
        QCOMPARE(heard[4].text, QStringLiteral("Get Firmware Version started"));
        QCOMPARE(heard[5], (SpokenTexts::Spoken{QStringLiteral("POD Version V1.1"), false}));
    }

    // Disabling the focused button must not walk the focus through the other buttons as
    // each is disabled; the focus waits on the progress bar and comes back at the end.
    void aRunParksTheFocusAndGivesItBack()
    {
        Bench bench;
        bench.dlg->show();
        QVERIFY(QTest::qWaitForWindowActive(bench.dlg.get()));
        QPushButton* start = bench.Find<QPushButton>("targetWriteVerifyButton");
        start->setFocus();
        QList<QWidget*> focused;
        QObject watcher;
        QObject::connect(qApp, &QApplication::focusChanged, &watcher,
                         [&](QWidget*, QWidget* now) { focused << now; });
        start->click();
        bench.FinishRun();
        watcher.disconnect();
        QObject::disconnect(qApp, nullptr, &watcher, nullptr);
        QCOMPARE(focused, (QList<QWidget*>{bench.Progress(), start}));
        QCOMPARE(QApplication::focusWidget(), start);
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
        QVERIFY(Contains(bench.backend->recorder.Texts(), "PROGRAM1 FLASH Download & Verify"));
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

    // Several PODs: the choice shows them, starts on the remembered one, sends the
    // commands to the POD chosen and is remembered; a single POD needs no choice.
    void podChoiceAmongSeveral()
    {
        TestSettingsScope::Write(QStringLiteral("POD Serial"), QStringLiteral("QBSIM002"));
        {
            Bench bench({"sim-pods=3"});
            auto* choice = bench.Find<QComboBox>("podSelect");
            QVERIFY(choice->isVisibleTo(bench.dlg.get()));
            QCOMPARE(choice->count(), 3);
            QCOMPARE(choice->currentText(), QStringLiteral("QBSIM002"));
            const auto versionQueries = [&bench](std::size_t pod) {
                return bench.driver->Pod(pod).CommandCount(0x01);
            };
            const std::uint32_t before = versionQueries(1);
            bench.Find<QPushButton>("getVersionButton")->click();
            bench.FinishRun();
            QCOMPARE(versionQueries(1), before + 1);

            choice->setCurrentIndex(2);
            emit choice->activated(2);
            bench.Find<QPushButton>("getVersionButton")->click();
            bench.FinishRun();
            QCOMPARE(versionQueries(2), 1u);
            QCOMPARE(versionQueries(1), before + 1);
        }
        QCOMPARE(TestSettingsScope::Read(QStringLiteral("POD Serial")).toString(),
                 QStringLiteral("QBSIM003"));
        Bench single;
        QVERIFY(!single.Find<QComboBox>("podSelect")->isVisibleTo(single.dlg.get()));
    }

    void versionQueryOffTheUiThread()
    {
        Bench bench({"sim-version=1.10"});
        bench.Find<QPushButton>("getVersionButton")->click();
        // The exchange runs on the worker; the window is frozen until it is back.
        QVERIFY(!bench.Find<QPushButton>("targetResetButton")->isEnabled());
        bench.FinishRun();
        QCOMPARE(bench.Status()->Text(), QStringLiteral("POD Version V1.10"));
        QCOMPARE(bench.Status()->m_textColor, kBlack);
        QVERIFY(bench.Idle());
    }

    void targetResetOffTheUiThread()
    {
        Bench bench;
        bench.Find<QPushButton>("targetResetButton")->click();
        bench.FinishRun();
        QCOMPARE(bench.Status()->Text(), QStringLiteral("Success to reset"));
        QVERIFY(bench.Idle());
    }

    void failedFirmwareUpdateTellsHowToReachTheBootLoader()
    {
        Bench bench; // the POD runs its firmware, not its boot loader
        bench.Find<QPushButton>("firmwareUpdateButton")->click();
        bench.FinishRun();
        QCOMPARE(bench.Status()->Text(), QStringLiteral("Failed to firmware update to the POD"));
        const QStringList log = bench.dlg->RunLogLines();
        QVERIFY(log.last().contains(QStringLiteral("boot loader")));
        QVERIFY(log.last().contains(QStringLiteral("Putting the POD into its boot loader")));
    }

    void runLogKeepsEveryStatusAndCountsTheRuns()
    {
        Bench bench;
        bench.Find<QPushButton>("targetWriteVerifyButton")->click();
        bench.FinishRun();
        bench.Regions()[0]->setChecked(false);
        bench.Regions()[1]->setChecked(false);
        bench.Regions()[2]->setChecked(false);
        bench.Regions()[3]->setChecked(false);
        bench.Find<QPushButton>("targetWriteButton")->click(); // no region: fails
        bench.FinishRun();
        QCOMPARE(bench.Find<QLabel>("runCounterLabel")->text(),
                 QStringLiteral("Runs: 1 passed, 1 failed"));
        const QStringList log = bench.dlg->RunLogLines();
        const QRegularExpression stamped(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d "));
        for (const QString& line : log)
            QVERIFY2(stamped.match(line).hasMatch(), qPrintable(line));
        // Every status as shown, then the run's record with the POD, the part and the file.
        const auto has = [&log](const QString& part) {
            return std::any_of(log.begin(), log.end(),
                               [&](const QString& line) { return line.contains(part); });
        };
        QVERIFY(has(QStringLiteral(" Initializing...")));
        QVERIFY(has(QStringLiteral(" PROGRAM1 FLASH Download & Verify")));
        QVERIFY(has(QStringLiteral("POD QBSIM001  MC56F8367  " QUOBIN_DEMO_S "  CRC-32 ")));
        QVERIFY(
            has(QStringLiteral("DFLASH 16384, BFLASH 64, P1FLASH 768, P2FLASH 0  ok  Success")));
        QVERIFY(has(QStringLiteral("FAILED  Please, select one more flash memory sectors")));
        // Folded at start; unfolding shows it and makes the window taller.
        auto* pane = bench.Find<QPlainTextEdit>("runLog");
        QVERIFY(pane->isHidden());
        const int folded = bench.dlg->height();
        bench.Find<QToolButton>("runLogToggle")->click();
        QVERIFY(!pane->isHidden());
        QVERIFY(pane->isReadOnly());
        QVERIFY(bench.dlg->height() > folded);
    }

    void fileForAnotherPartIsWarnedInTheStatusLineAndTheLog()
    {
        Bench bench;
        // demo.s is built for the MC56F8367: on the DSP56F805 its data flash words fall
        // outside every region.
        SpokenTexts spoken;
        bench.Find<QComboBox>("mcuSelect")->setCurrentIndex(3);
        const QString text = bench.Status()->Text();
        QVERIFY2(text.startsWith(QStringLiteral("Warning: ")), qPrintable(text));
        QVERIFY(text.contains(QStringLiteral(" words of demo.s lie outside every region of "
                                             "DSP56F805 (first at 0x")));
        QVERIFY(text.endsWith(QStringLiteral("); check MCU Select")));
        QCOMPARE(bench.Status()->m_textColor, CQuobinDlg::kWarningColor);
        // The labels were reloaded for the new part.
        QCOMPARE(bench.Regions()[2]->text(), QStringLiteral("P1FLASH (256 Word, 0.8%)"));
        QVERIFY(bench.dlg->RunLogLines().last().endsWith(text));

        // The run still goes, and the warning follows its result in the log only.
        bench.Find<QPushButton>("targetWriteButton")->click();
        bench.FinishRun();
        QVERIFY(bench.Status()->Text().startsWith(QStringLiteral("Success to download FLASH")));
        // Spoken when shown, and once more after the run's result, not twice.
        const QStringList heard = SpokenTexts::Texts();
        QCOMPARE(heard.count(text), 2);
        QCOMPARE(heard.last(), text);
        QCOMPARE(heard[heard.size() - 2], bench.Status()->Text());
        QVERIFY(bench.dlg->RunLogLines().last().endsWith(text) ||
                bench.dlg->RunLogLines().at(bench.dlg->RunLogLines().size() - 2).endsWith(text));
    }

    void overallProgressNamesTheRegionsOfTheRun()
    {
        Bench bench;
        bench.Find<QPushButton>("targetWriteButton")->click();
        bench.FinishRun();
        const auto progress = bench.backend->recorder.Progress();
        QVERIFY(!progress.empty());
        QCOMPARE(QString::fromStdString(ops::TransferProgressText(progress.front())).left(10),
                 QStringLiteral("DFLASH 1/4"));
        // Cleared once the run is over.
        QVERIFY(bench.Find<QLabel>("transferLabel")->text().isEmpty());
        // A screen reader asking the progress bar hears the same text as its description.
        bench.dlg->ShowTransferProgress(progress.front());
        QAccessibleInterface* bar = QAccessible::queryAccessibleInterface(bench.Progress());
        QCOMPARE(bar->text(QAccessible::Description),
                 QString::fromStdString(ops::TransferProgressText(progress.front())));
        QCOMPARE(bench.Find<QLabel>("transferLabel")->text(), bar->text(QAccessible::Description));
    }

    void enterInThePathBoxLoadsTheFileAndDropSetsIt()
    {
        TestSettingsScope::Write(QStringLiteral("File Path"), QString());
        Bench bench;
        QCOMPARE(bench.Status()->Text(), QStringLiteral("Please, specify S file path"));
        auto* path = bench.Find<QLineEdit>("sFilePathEdit");
        path->setFocus();
        path->setText(QStringLiteral(QUOBIN_DEMO_S));
        QTest::keyClick(path, Qt::Key_Return);
        QCOMPARE(bench.Status()->Text(), QStringLiteral("Success to load S File"));
        QCOMPARE(bench.Regions()[2]->text(), QStringLiteral("P1FLASH (260 Word, 0.2%)"));
        // Typed by hand: used, not stored.
        QVERIFY(bench.dlg->StoredFilePath().isEmpty());

        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(QStringLiteral(QUOBIN_DEMO_S))});
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        static_cast<QObject*>(bench.dlg.get())->event(&drop);
        QVERIFY(drop.isAccepted());
        QCOMPARE(bench.dlg->StoredFilePath(), QStringLiteral(QUOBIN_DEMO_S));
        QCOMPARE(bench.dlg->RecentFiles(), QStringList{QStringLiteral(QUOBIN_DEMO_S)});
    }

    void everyControlIsNamedForAssistiveTechnology()
    {
        Bench bench;
        QStringList unnamed;
        const std::function<void(QAccessibleInterface*)> walk = [&](QAccessibleInterface* node) {
            static const QList<QAccessible::Role> interactive = {
                QAccessible::PushButton,   QAccessible::CheckBox,      QAccessible::ComboBox,
                QAccessible::EditableText, QAccessible::ProgressBar,   QAccessible::StaticText,
                QAccessible::ButtonMenu,   QAccessible::ButtonDropDown};
            if (interactive.contains(node->role()) && node->object() &&
                node->object()->isWidgetType() &&
                static_cast<QWidget*>(node->object())->isVisibleTo(bench.dlg.get()) &&
                node->text(QAccessible::Name).isEmpty() &&
                node->object() != bench.Find<QLabel>("transferLabel"))
                unnamed << node->object()->objectName();
            for (int i = 0; i < node->childCount(); ++i)
                walk(node->child(i));
        };
        walk(QAccessible::queryAccessibleInterface(bench.dlg.get()));
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QLatin1Char(' '))));

        // Lists tell their values, labels name their buddies, the bar its value and range.
        QAccessibleInterface* mcu =
            QAccessible::queryAccessibleInterface(bench.Find<QComboBox>("mcuSelect"));
        QCOMPARE(mcu->text(QAccessible::Value), QStringLiteral("MC56F8367"));
        QCOMPARE(bench.Find<QLabel>("mcuSelectLabel")->buddy(), bench.Find<QComboBox>("mcuSelect"));
        QCOMPARE(bench.Find<QComboBox>("mcuSelect")->accessibleName(),
                 QStringLiteral("MCU Select"));
        QAccessibleInterface* bar = QAccessible::queryAccessibleInterface(bench.Progress());
        QVERIFY(bar->valueInterface());
        QCOMPARE(bar->valueInterface()->maximumValue().toInt(), bench.Progress()->maximum());
        QAccessibleInterface* path =
            QAccessible::queryAccessibleInterface(bench.Find<QLineEdit>("sFilePathEdit"));
        QCOMPARE(path->text(QAccessible::Name), QStringLiteral("S File Path"));
        QVERIFY(bench.Find<QPushButton>("targetWriteVerifyButton")
                    ->toolTip()
                    .endsWith(QStringLiteral("(F5)")));
        QCOMPARE(bench.Find<QPushButton>("targetWriteVerifyButton")->shortcut(),
                 QKeySequence(Qt::Key_F5));
    }

    void statusLineIsAnnouncedWithItsTextAndErrorState()
    {
        Bench bench;
        // Qt hands events to an update handler only while a screen reader is attached,
        // which an offscreen run never has; the announcement is checked where there is one,
        // and the status line's own notice of each text everywhere.
        static QList<QPair<QObject*, QAccessible::Event>> events;
        events.clear();
        QAccessible::installUpdateHandler([](QAccessibleEvent* event) {
            events.append({event->object(), event->type()});
        });
        QSignalSpy texts(bench.Status(), &CVexStatic::textSet);
        bench.Find<QPushButton>("targetWriteVerifyButton")->click();
        bench.FinishRun();
        QAccessible::installUpdateHandler(nullptr);
        QVERIFY(texts.count() >= 3); // Initializing..., the regions, the result

        QAccessibleInterface* status = QAccessible::queryAccessibleInterface(bench.Status());
        QCOMPARE(status->role(), QAccessible::StaticText);
        QCOMPARE(status->text(QAccessible::Name), CVexStatic::DisplayText(bench.Status()->Text()));
        QVERIFY(
            status->text(QAccessible::Name)
                .startsWith(QStringLiteral("Success to download and verify FLASH to the MCU (")));
        QVERIFY(status->text(QAccessible::Description).isEmpty());
        const auto announced = std::count_if(events.begin(), events.end(), [&](const auto& e) {
            return e.first == bench.Status() && e.second == QAccessible::NameChanged;
        });
        if (QAccessible::isActive()) QCOMPARE(announced, texts.count());

        bench.Find<QPushButton>("firmwareUpdateButton")->click();
        bench.FinishRun();
        QCOMPARE(status->text(QAccessible::Name),
                 QStringLiteral("Failed to firmware update to the POD"));
        QCOMPARE(status->text(QAccessible::Description), QStringLiteral("error"));
    }

    // A run takes the POD from monitoring: the monitoring worker has ended before the run
    // goes on, the monitoring controls are grey while it works and come back at its end,
    // and monitoring stays stopped.
    // EXIT during a run stops it the way Ctrl+C stops quobin-cli's: the run ends as
    // interrupted, having sent nothing more, and the window then goes.
    void exitDuringARunEndsItInterrupted()
    {
        RunGate gate;
        Bench bench({}, true, &gate);
        bench.dlg->SetLeaveConfirmer([](QWidget*, const QString&) { return true; });
        bench.dlg->show();
        bench.Find<QPushButton>("targetWriteButton")->click();
        QTRY_VERIFY(gate.Held());
        bench.Find<QPushButton>("exitButton")->click(); // waits for the run
        bench.Find<QPushButton>("exitButton")->click(); // asked, and told to leave
        gate.Open();
        bench.FinishRun();
        const std::vector<ops::RunRecord> runs = bench.backend->recorder.Runs();
        QCOMPARE(runs.size(), std::size_t{1});
        QVERIFY(runs.front().interrupted);
        QCOMPARE(runs.front().wordsSent, (std::array<std::uint32_t, 4>{}));
        QVERIFY(!bench.dlg->isVisible());
    }

    void programmingRunStopsMonitoringAndHoldsItsControls()
    {
        // The map in the test's own folder, with a watch list beside it: counter32 as HEX32.
        const QString map = m_scope->Folder() + QStringLiteral("/demo.xMAP");
        QFile::remove(map);
        QVERIFY(QFile::copy(QStringLiteral(QUOBIN_DEMO_MAP), map));
        QFile watchList(m_scope->Folder() + QStringLiteral("/demo.Mon"));
        QVERIFY(watchList.open(QIODevice::WriteOnly | QIODevice::Truncate));
        watchList.write("1,0\r\ncounter32,3\r\n");
        watchList.close();
        TestSettingsScope::WriteIn(QStringLiteral("Monitoring/Map File Path"), map);

        RunGate gate;
        Bench bench({}, true, &gate);
        CMonDlg* monitor = bench.dlg->MonitorWindow();
        QVERIFY(monitor);
        const auto control = [monitor](const char* name) {
            QWidget* widget = monitor->findChild<QWidget*>(QLatin1String(name));
            if (!widget) qFatal("no widget %s", name);
            return widget;
        };
        const char* const held[] = {"startButton",  "stopButton",   "baudCombo",   "intervalCombo",
                                    "browseButton", "reloadButton", "mapPathEdit", "listLeft",
                                    "listTRight",   "listBRight"};
        QAbstractItemModel* watched = monitor->findChild<QTableView*>("listTRight")->model();
        QCOMPARE(watched->rowCount(), 1);
        monitor->show();
        qobject_cast<QPushButton*>(control("startButton"))->click();
        QVERIFY(monitor->IsMonitoring());
        QTRY_VERIFY(!watched->index(0, 2).data().toString().isEmpty());

        bench.Find<QPushButton>("targetWriteButton")->click();
        QTRY_VERIFY(gate.Held());
        QVERIFY(!monitor->IsMonitoring()); // joined, not merely asked to stop
        QTRY_VERIFY(!control("listTRight")->isEnabled());
        for (const char* name : held)
            QVERIFY2(!control(name)->isEnabled(), name);

        gate.Open();
        bench.FinishRun();
        QVERIFY(bench.Status()->Text().startsWith(QStringLiteral("Success to download FLASH")));
        for (const char* name : held) {
            const bool stop = QByteArray(name) == "stopButton";
            QVERIFY2(control(name)->isEnabled() != stop, name);
        }
        QVERIFY(!monitor->IsMonitoring());
        QCOMPARE(watched->rowCount(), 1);
    }

private:
    std::unique_ptr<TestSettingsScope> m_scope;
};

QTEST_MAIN(TestEmulatedPod)
#include "TestEmulatedPod.moc"
