#include "app/CQuobinDlg.h"
#include "app/CVexStatic.h"
#include "tests/app/FakeBackend.h"
#include "tests/app/TestSettingsScope.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <QtTest>

#include <atomic>
#include <future>
#include <memory>
#include <thread>

namespace {

// A window wired to a fake core; the fake is reachable for checks and set-up.
struct Harness {
    FakeBackend* backend = nullptr;
    std::unique_ptr<CQuobinDlg> dlg;

    explicit Harness(bool podPresent = true, bool initialize = true)
    {
        dlg = std::make_unique<CQuobinDlg>([this, podPresent](ops::ProgrammerView& view) {
            auto fake = std::make_unique<FakeBackend>(view);
            fake->podPresent = podPresent;
            backend = fake.get();
            return fake;
        });
        dlg->SetHelpHooks([](const QUrl&) { return true; },
                          [](QWidget*, const QString&) { QFAIL("unexpected message box"); });
        if (initialize) dlg->Initialize();
    }

    template <typename T> T* Find(const char* name) const
    {
        T* widget = dlg->findChild<T*>(QLatin1String(name));
        if (!widget) qFatal("no widget %s", name);
        return widget;
    }
    QComboBox* Mcu() const { return Find<QComboBox>("mcuSelect"); }
    QCheckBox* ResetAfter() const { return Find<QCheckBox>("resetAfterCheck"); }
    QComboBox* Polarity() const { return Find<QComboBox>("resetPolarity"); }
    QComboBox* Delay() const { return Find<QComboBox>("resetDelay"); }
    QLineEdit* Path() const { return Find<QLineEdit>("sFilePathEdit"); }
    CVexStatic* Status() const { return Find<CVexStatic>("statusLine"); }
    QProgressBar* Progress() const { return Find<QProgressBar>("progressBar"); }
    // DFLASH, BFLASH, P1FLASH, P2FLASH
    std::array<QCheckBox*, 4> Regions() const
    {
        return {Find<QCheckBox>("dflashCheck"), Find<QCheckBox>("bflashCheck"),
                Find<QCheckBox>("p1flashCheck"), Find<QCheckBox>("p2flashCheck")};
    }
    QPushButton* Button(const char* name) const { return Find<QPushButton>(name); }
};

// Every control that starts POD work or feeds it; frozen during a run.
const char* const kPodControls[] = {
    "mcuSelect",
    "resetAfterCheck",
    "sFilePathEdit",
    "browseButton",
    "targetWriteVerifyButton",
    "targetWriteButton",
    "targetVerifyButton",
    "targetResetButton",
    "podWriteVerifyButton",
    "podWriteButton",
    "podVerifyButton",
    "firmwareUpdateButton",
    "resetPolarity",
    "resetDelay",
    "getVersionButton",
};
const char* const kAlwaysUsable[] = {"exitButton", "helpButton", "dataMonitoringButton"};

const QColor kRed(255, 0, 0);
const QColor kBlack(0, 0, 0);

// A core whose run is still going when the window is closed: its destructor, like the
// real one, waits for the worker, and notes what the settings store held at that moment.
class JoiningBackend final : public FakeBackend {
public:
    JoiningBackend(ops::ProgrammerView& view, QVariant& savedWhileWaiting, bool& workerEnded)
        : FakeBackend(view), m_view(view), m_savedWhileWaiting(savedWhileWaiting),
          m_workerEnded(workerEnded)
    {
    }
    ~JoiningBackend() override
    {
        m_savedWhileWaiting = TestSettingsScope::Read(QStringLiteral("MCU Type"));
        if (!m_worker.joinable()) return;
        m_release.set_value();
        m_worker.join();
        m_workerEnded = true;
    }
    bool Start(ops::OperationMode mode, const image::RunChoices& dialog) override
    {
        FakeBackend::Start(mode, dialog);
        m_worker = std::thread([this, released = m_release.get_future()] {
            released.wait();
            // Reports of a run that ends while the window closes are dropped unseen.
            m_view.SetControlsEnabled(true);
            m_view.SetProgressPos(0);
        });
        return true;
    }

private:
    ops::ProgrammerView& m_view;
    QVariant& m_savedWhileWaiting;
    bool& m_workerEnded;
    std::promise<void> m_release;
    std::thread m_worker;
};

// A core whose run goes on until it is asked to stop, as a long flash run does.
class HeldBackend final : public FakeBackend {
public:
    explicit HeldBackend(ops::ProgrammerView& view) : FakeBackend(view), m_view(view) {}
    ~HeldBackend() override { RequestStop(); }
    bool Start(ops::OperationMode mode, const image::RunChoices& dialog) override
    {
        FakeBackend::Start(mode, dialog);
        m_busy = true;
        m_worker = std::thread([this, stop = m_stop.get_future()] {
            stop.wait();
            m_busy = false;
            m_view.SetControlsEnabled(true);
        });
        return true;
    }
    bool IsBusy() const override { return m_busy; }
    void RequestStop() override
    {
        if (!m_worker.joinable()) return;
        m_stop.set_value();
        m_worker.join();
    }

private:
    ops::ProgrammerView& m_view;
    std::atomic<bool> m_busy{false};
    std::promise<void> m_stop;
    std::thread m_worker;
};

} // namespace

class TestQuobinDlg : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { m_scope = std::make_unique<TestSettingsScope>(); }
    void init() { TestSettingsScope::Clear(); }

    void firstStartShowsDefaults()
    {
        Harness h;
        QCOMPARE(h.Mcu()->count(), 28);
        QCOMPARE(h.Mcu()->itemText(0), QStringLiteral("DSP56F801"));
        QCOMPARE(h.Mcu()->currentText(), QStringLiteral("MC56F8367"));
        QCOMPARE(h.Mcu()->currentIndex(), 27);
        QVERIFY(!h.ResetAfter()->isChecked());
        QCOMPARE(h.Polarity()->count(), 2);
        QCOMPARE(h.Polarity()->currentText(), QStringLiteral("Active Low"));
        QCOMPARE(h.Polarity()->itemText(1), QStringLiteral("Active High"));
        QCOMPARE(h.Delay()->count(), 5);
        QCOMPARE(h.Delay()->currentText(), QStringLiteral("1 ms"));
        QCOMPARE(h.Delay()->itemText(4), QStringLiteral("500 ms"));
        QVERIFY(h.Path()->text().isEmpty());
        QVERIFY(h.dlg->StoredFilePath().isEmpty());
        for (QCheckBox* box : h.Regions()) {
            QVERIFY(box->isEnabled());
            QVERIFY(box->isChecked());
        }
        QCOMPARE(h.Progress()->value(), 0);
        QVERIFY(!h.Progress()->isTextVisible());
    }

    void startUpLoadsTheSFileThenChecksThePod()
    {
        Harness h;
        QCOMPARE(h.backend->calls, (std::vector<std::string>{"load", "ensure"}));
        const image::RunChoices& load = h.backend->loads.front();
        QCOMPARE(load.mcuIndex, 27);
        QVERIFY(load.sFilePath.empty());
        QCOMPARE(load.regionChecked, (std::array<bool, 4>{true, true, true, true}));
        // The load's complaint about the missing path stays when the POD is there.
        QCOMPARE(h.Status()->Text(), QStringLiteral("Please, specify S file path"));
        QCOMPARE(h.Status()->m_textColor, kRed);
        QCOMPARE(h.Status()->m_backColor, QColor(0, 255, 180));
        QVERIFY(h.Status()->m_textShown);
    }

    void startWithoutPodReportsItInRed()
    {
        Harness h(false);
        QCOMPARE(h.Status()->Text(), QStringLiteral("Device is not connected to the PC."));
        QCOMPARE(h.Status()->m_textColor, kRed);
        for (const char* name : kPodControls)
            QVERIFY2(h.Find<QWidget>(name)->isEnabled(), name);
    }

    void settingsRoundTrip()
    {
        QTemporaryDir folder;
        const QString chosen = folder.filePath(QStringLiteral("app.s"));
        {
            Harness h;
            h.Mcu()->setCurrentIndex(3);
            h.ResetAfter()->setChecked(true);
            h.Polarity()->setCurrentIndex(1);
            h.Delay()->setCurrentIndex(4);
            h.dlg->SetFileChooser([&](QWidget*, const QString&) { return chosen; });
            h.Button("browseButton")->click();
            // Typed text is used by the next run but is not what the settings keep.
            h.Path()->setText(QStringLiteral("typed by hand.s"));
        }
        QCOMPARE(TestSettingsScope::Read(QStringLiteral("MCU Type")).toInt(), 3);
        QCOMPARE(TestSettingsScope::Read(QStringLiteral("After Reset")).toInt(), 1);
        QCOMPARE(TestSettingsScope::Read(QStringLiteral("Reset Polarity")).toInt(), 1);
        QCOMPARE(TestSettingsScope::Read(QStringLiteral("Reset Delay")).toInt(), 4);
        QCOMPARE(TestSettingsScope::Read(QStringLiteral("File Path")).toString(), chosen);

        Harness again;
        QCOMPARE(again.Mcu()->currentText(), QStringLiteral("DSP56F805"));
        QVERIFY(again.ResetAfter()->isChecked());
        QCOMPARE(again.Polarity()->currentText(), QStringLiteral("Active High"));
        QCOMPARE(again.Delay()->currentText(), QStringLiteral("500 ms"));
        QCOMPARE(again.Path()->text(), chosen);
        QCOMPARE(again.dlg->StoredFilePath(), chosen);
        // The restored part's regions: DSP56F805 has no P2FLASH.
        QVERIFY(!again.Regions()[3]->isEnabled());
        QCOMPARE(again.backend->loads.front().sFilePath, chosen.toStdString());
        QCOMPARE(again.backend->loads.front().mcuIndex, 3);
    }

    void storedIndexesOutsideTheListsFallBack_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("stored");
        QTest::newRow("MCU Type 28") << "MCU Type" << QVariant(28);
        QTest::newRow("MCU Type -1") << "MCU Type" << QVariant(-1);
        QTest::newRow("MCU Type text") << "MCU Type" << QVariant(QStringLiteral("eight"));
        QTest::newRow("Reset Polarity 2") << "Reset Polarity" << QVariant(2);
        QTest::newRow("Reset Polarity -5") << "Reset Polarity" << QVariant(-5);
        QTest::newRow("Reset Delay 5") << "Reset Delay" << QVariant(5);
        QTest::newRow("Reset Delay 100") << "Reset Delay" << QVariant(100);
    }
    void storedIndexesOutsideTheListsFallBack()
    {
        QFETCH(QString, key);
        QFETCH(QVariant, stored);
        TestSettingsScope::Write(key, stored);
        Harness h;
        QCOMPARE(h.Mcu()->currentIndex(), 27);
        QCOMPARE(h.Polarity()->currentIndex(), 0);
        QCOMPARE(h.Delay()->currentIndex(), 0);
        const image::RunChoices& load = h.backend->loads.front();
        QCOMPARE(load.mcuIndex, 27);
        QCOMPARE(load.resetPolarityIndex, 0);
        QCOMPARE(load.resetDelayIndex, 0);
    }

    void closingByAnyWaySavesTheSettings_data()
    {
        QTest::addColumn<int>("how");
        QTest::newRow("EXIT") << 0;
        QTest::newRow("close box") << 1;
        QTest::newRow("Esc") << 2;
    }
    void closingByAnyWaySavesTheSettings()
    {
        QFETCH(int, how);
        {
            Harness h;
            h.Mcu()->setCurrentIndex(10);
            h.dlg->show();
            QVERIFY(QTest::qWaitForWindowExposed(h.dlg.get()));
            if (how == 0)
                h.Button("exitButton")->click();
            else if (how == 1)
                h.dlg->close();
            else
                QTest::keyClick(h.dlg.get(), Qt::Key_Escape);
            QVERIFY(!h.dlg->isVisible());
            if (how == 0) QCOMPARE(h.dlg->result(), int(QDialog::Accepted));
        }
        QCOMPARE(TestSettingsScope::Read(QStringLiteral("MCU Type")).toInt(), 10);
    }

    void regionBoxesFollowTheSelectedPart()
    {
        Harness h;
        const auto boxes = h.Regions();
        h.Mcu()->setCurrentIndex(0); // DSP56F801: no P2FLASH
        QVERIFY(boxes[0]->isEnabled() && boxes[0]->isChecked());
        QVERIFY(boxes[1]->isEnabled() && boxes[1]->isChecked());
        QVERIFY(boxes[2]->isEnabled() && boxes[2]->isChecked());
        QVERIFY(!boxes[3]->isEnabled() && !boxes[3]->isChecked());

        boxes[0]->setChecked(false);
        h.Mcu()->setCurrentIndex(7); // MC56F8002: P1FLASH only
        QCOMPARE(boxes[0]->isEnabled(), false);
        QCOMPARE(boxes[1]->isEnabled(), false);
        QCOMPARE(boxes[2]->isEnabled(), true);
        QCOMPARE(boxes[0]->isChecked(), false);
        QCOMPARE(boxes[2]->isChecked(), true);

        boxes[2]->setChecked(false);
        h.Mcu()->setCurrentIndex(24); // MC56F8357: all four, unchecked ones too
        for (QCheckBox* box : boxes)
            QVERIFY(box->isEnabled() && box->isChecked());
        // A selection change does not load anything by itself.
        QCOMPARE(h.backend->loads.size(), std::size_t(1));
    }

    void operationButtonsStartTheirModeWithTheWindowValues_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("mode");
        QTest::newRow("Target Write && Verify") << "targetWriteVerifyButton" << 2;
        QTest::newRow("Target Write") << "targetWriteButton" << 1;
        QTest::newRow("Target Verify") << "targetVerifyButton" << 0;
        QTest::newRow("POD Write && Verify") << "podWriteVerifyButton" << 5;
        QTest::newRow("POD Write") << "podWriteButton" << 4;
        QTest::newRow("POD Verify") << "podVerifyButton" << 3;
    }
    void operationButtonsStartTheirModeWithTheWindowValues()
    {
        QFETCH(QString, button);
        QFETCH(int, mode);
        Harness h;
        h.Mcu()->setCurrentIndex(0);
        h.Regions()[1]->setChecked(false);
        h.ResetAfter()->setChecked(true);
        h.Polarity()->setCurrentIndex(1);
        h.Delay()->setCurrentIndex(3);
        h.Path()->setText(QStringLiteral("  typed.s "));
        h.Button(button.toLatin1().constData())->click();

        QCOMPARE(h.backend->starts.size(), std::size_t(1));
        const auto& start = h.backend->starts.front();
        QCOMPARE(static_cast<int>(start.mode), mode);
        QCOMPARE(start.dialog.mcuIndex, 0);
        QVERIFY(start.dialog.resetAfter);
        QCOMPARE(start.dialog.resetPolarityIndex, 1);
        QCOMPARE(start.dialog.resetDelayIndex, 3);
        QCOMPARE(start.dialog.sFilePath, std::string("  typed.s "));
        // A typed path a run used is kept at once, as a chosen one is.
        QCOMPARE(TestSettingsScope::Read(QStringLiteral("File Path")).toString(),
                 QStringLiteral("  typed.s "));
        QCOMPARE(start.dialog.regionChecked, (std::array<bool, 4>{true, false, true, false}));
        // Frozen by the click itself, before the worker runs.
        for (const char* name : kPodControls)
            QVERIFY2(!h.Find<QWidget>(name)->isEnabled(), name);
        for (const char* name : kAlwaysUsable)
            QVERIFY2(h.Find<QWidget>(name)->isEnabled(), name);
    }

    void refusedStartGivesTheControlsBack()
    {
        Harness h;
        h.backend->acceptStart = false;
        h.Button("targetWriteButton")->click();
        h.Button("firmwareUpdateButton")->click();
        QCOMPARE(h.backend->calls.back(), std::string("firmware"));
        for (const char* name : kPodControls)
            QVERIFY2(h.Find<QWidget>(name)->isEnabled(), name);
    }

    void firmwareUpdateFreezesTheControls()
    {
        Harness h;
        h.Button("firmwareUpdateButton")->click();
        QCOMPARE(h.backend->calls.back(), std::string("firmware"));
        QVERIFY(!h.Button("firmwareUpdateButton")->isEnabled());
        QVERIFY(h.Button("exitButton")->isEnabled());
    }

    void workerReportsArriveInOrderOnTheUiThread()
    {
        Harness h;
        h.Mcu()->setCurrentIndex(4); // DSP56F807: all four regions
        h.Regions()[2]->setChecked(false);
        ops::ProgrammerView& view = *h.dlg;
        std::thread worker([&view] {
            view.SetControlsEnabled(false);
            view.ReportStatus(127, false);
            view.SetProgressRange(94);
            view.SetProgressStep(1);
            for (int i = 0; i < 40; ++i)
                view.StepProgress();
            view.SetRegionLabels({"DFLASH (0 Word, 0%)", "BFLASH (12 Word, 0.6%)",
                                  "P1FLASH (1024 Word, 3.2%)", "P2FLASH (0 Word, 0%)"});
            view.ShowStatus("Failed to erase FLASH", true);
        });
        worker.join();
        // Nothing was touched from the worker; the queue delivers it all, in order.
        QCOMPARE(h.Status()->Text(), QStringLiteral("Please, specify S file path"));
        QCoreApplication::sendPostedEvents();
        QCOMPARE(h.Status()->Text(), QStringLiteral("Failed to erase FLASH"));
        QCOMPARE(h.Status()->m_textColor, kRed);
        QCOMPARE(h.Progress()->maximum(), 94);
        QCOMPARE(h.Progress()->value(), 40);
        QCOMPARE(h.Regions()[2]->text(), QStringLiteral("P1FLASH (1024 Word, 3.2%)"));
        QCOMPARE(h.Regions()[1]->text(), QStringLiteral("BFLASH (12 Word, 0.6%)"));
        QVERIFY(!h.Mcu()->isEnabled());

        std::thread finish([&view] {
            view.SetControlsEnabled(true);
            view.SetProgressPos(0);
        });
        finish.join();
        QCoreApplication::sendPostedEvents();
        QVERIFY(h.Mcu()->isEnabled());
        QCOMPARE(h.Progress()->value(), 0);
        // Giving the controls back re-checks every region of the part.
        for (QCheckBox* box : h.Regions())
            QVERIFY(box->isEnabled() && box->isChecked());
    }

    void statusTextIsBlackAndReportStatusUsesTheTable()
    {
        Harness h;
        ops::ProgrammerView& view = *h.dlg;
        view.ReportStatus(118, true);
        QCOMPARE(h.Status()->Text(), QStringLiteral("Failed to open USB port"));
        QCOMPARE(h.Status()->m_textColor, kRed);
        view.SetStatusText("Firmware updateing...");
        QCOMPARE(h.Status()->Text(), QStringLiteral("Firmware updateing..."));
        QCOMPARE(h.Status()->m_textColor, kBlack);
        view.ReportStatus(999, true); // an id without text shows an empty line
        QCOMPARE(h.Status()->Text(), QString());
    }

    void progressStepPastTheEndStartsOver()
    {
        Harness h;
        ops::ProgrammerView& view = *h.dlg;
        view.SetProgressRange(10);
        view.SetProgressPos(0);
        view.StepProgress(); // the default step of a progress control is 10
        QCOMPARE(h.Progress()->value(), 10);
        view.SetProgressStep(4);
        view.SetProgressPos(5);
        view.StepProgress();
        QCOMPARE(h.Progress()->value(), 9);
        view.StepProgress(); // 13 is past the end: the bar starts over
        QCOMPARE(h.Progress()->value(), 0);

        // The next region's range, after a full bar, counts from empty with its first step.
        view.SetProgressRange(3);
        view.SetProgressStep(1);
        view.SetProgressPos(3);
        view.SetProgressRange(2);
        QCOMPARE(h.Progress()->value(), 2);
        view.StepProgress();
        QCOMPARE(h.Progress()->value(), 0);
    }

    void emptyRangeShowsAnEmptyBarNotABusyOne()
    {
        Harness h;
        ops::ProgrammerView& view = *h.dlg;
        view.SetProgressRange(0); // a region within one page, or one without words
        view.SetProgressPos(0);
        // A QProgressBar of 0..0 would run its endless busy animation.
        QVERIFY(h.Progress()->maximum() > h.Progress()->minimum());
        QCOMPARE(h.Progress()->value(), 0);
        view.SetProgressStep(1);
        view.StepProgress();
        view.StepProgress();
        QCOMPARE(h.Progress()->value(), 0);
        view.SetProgressPos(3); // a position is clamped to the empty range
        QCOMPARE(h.Progress()->value(), 0);

        view.SetProgressRange(4); // the next region's range counts again
        view.StepProgress();
        QCOMPARE(h.Progress()->maximum(), 4);
        QCOMPARE(h.Progress()->value(), 1);
    }

    void newRangeClampsThePosition()
    {
        Harness h;
        ops::ProgrammerView& view = *h.dlg;
        view.SetProgressRange(10);
        view.SetProgressPos(5);
        view.SetProgressRange(3);
        QCOMPARE(h.Progress()->value(), 3);
        view.SetProgressRange(20); // a wider range keeps the position
        QCOMPARE(h.Progress()->value(), 3);
        view.SetProgressPos(25);
        QCOMPARE(h.Progress()->value(), 20);
        view.SetProgressPos(-2);
        QCOMPARE(h.Progress()->value(), 0);
    }

    void versionAndResetRunWithTheListIndexes()
    {
        Harness h;
        h.Polarity()->setCurrentIndex(1);
        h.Delay()->setCurrentIndex(2);
        h.Button("getVersionButton")->click();
        QCOMPARE(h.Status()->Text(), QStringLiteral("POD Version V1.2"));
        h.Button("targetResetButton")->click();
        QCOMPARE(h.backend->resets.size(), std::size_t(1));
        QCOMPARE(h.backend->resets.front(), (std::pair<int, int>(1, 2)));
        // Both freeze the window until their work gives it back.
        QVERIFY(h.Button("targetResetButton")->isEnabled());
    }

    void browseCancelChangesNothingAndOkLoads()
    {
        Harness h;
        QString offeredFolder = QStringLiteral("unset");
        QString answer;
        h.dlg->SetFileChooser([&](QWidget*, const QString& folder) {
            offeredFolder = folder;
            return answer;
        });
        h.Button("browseButton")->click();
        QVERIFY(offeredFolder.isEmpty());
        QCOMPARE(h.backend->loads.size(), std::size_t(1));
        QVERIFY(h.Path()->text().isEmpty());

        QTemporaryDir folder;
        answer = folder.filePath(QStringLiteral("demo.s"));
        QFile file(answer);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        h.Button("browseButton")->click();
        QCOMPARE(h.Path()->text(), answer);
        QCOMPARE(h.dlg->StoredFilePath(), answer);
        QCOMPARE(h.backend->loads.size(), std::size_t(2));
        QCOMPARE(h.backend->loads.back().sFilePath, answer.toStdString());

        // The next browse starts in the chosen file's folder.
        h.Button("browseButton")->click();
        QCOMPARE(offeredFolder, folder.path());
    }

    void initialBrowseFolderRule()
    {
        QTemporaryDir root;
        const QString folder = root.path();
        const QString file = folder + QStringLiteral("/present.s");
        QFile created(file);
        QVERIFY(created.open(QIODevice::WriteOnly));
        created.close();

        QCOMPARE(CQuobinDlg::InitialBrowseFolder(QString()), QString());
        QCOMPARE(CQuobinDlg::InitialBrowseFolder(folder), folder);
        QCOMPARE(CQuobinDlg::InitialBrowseFolder(file), folder);
        QCOMPARE(CQuobinDlg::InitialBrowseFolder(folder + QStringLiteral("/gone.s")), folder);
        QCOMPARE(CQuobinDlg::InitialBrowseFolder(folder + QStringLiteral("\\gone.s")), folder);
        QCOMPARE(CQuobinDlg::InitialBrowseFolder(folder + QStringLiteral("/nodir/gone.s")),
                 QString());
        QCOMPARE(CQuobinDlg::InitialBrowseFolder(QStringLiteral("no separator.s")), QString());
    }

    void helpWithoutTheManualShowsTheMessage()
    {
        Harness h;
        QTemporaryDir empty;
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(empty.path()));
        QStringList messages;
        int opened = 0;
        h.dlg->SetHelpHooks([&](const QUrl&) { return ++opened, true; },
                            [&](QWidget*, const QString& text) { messages << text; });
        h.Button("helpButton")->click();
        QDir::setCurrent(previous);
        QCOMPARE(messages, QStringList{QStringLiteral("Not found [Quobin_Manual.pdf] help file")});
        QCOMPARE(opened, 0);
        QCOMPARE(h.Status()->Text(), QStringLiteral("Please, specify S file path"));
    }

    void helpOpensTheManualOfTheCurrentDirectory()
    {
        Harness h;
        QTemporaryDir folder;
        QFile manual(folder.filePath(QStringLiteral("Quobin_Manual.pdf")));
        QVERIFY(manual.open(QIODevice::WriteOnly));
        manual.close();
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(folder.path()));
        QList<QUrl> opened;
        h.dlg->SetHelpHooks([&](const QUrl& url) { return opened << url, true; },
                            [](QWidget*, const QString&) { QFAIL("no message expected"); });
        h.Button("helpButton")->click();
        QDir::setCurrent(previous);
        QCOMPARE(opened.size(), 1);
        QCOMPARE(QFileInfo(opened.front().toLocalFile()).canonicalFilePath(),
                 QFileInfo(manual.fileName()).canonicalFilePath());
    }

    void helpSaysSoWhenNoProgramOpensTheManual()
    {
        Harness h;
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("Quobin_Manual.pdf"));
        QFile manual(path);
        QVERIFY(manual.open(QIODevice::WriteOnly));
        manual.close();
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(folder.path()));
        QStringList messages;
        h.dlg->SetHelpHooks([](const QUrl&) { return false; },
                            [&](QWidget*, const QString& text) { messages << text; });
        h.Button("helpButton")->click();
        QDir::setCurrent(previous);
        QCOMPARE(messages.size(), 1);
        const QString shown = QDir::fromNativeSeparators(messages.front());
        QVERIFY2(shown.startsWith(QStringLiteral("Cannot open [")) &&
                     shown.endsWith(QStringLiteral("]: no program to show PDF files is set up")),
                 qPrintable(shown));
        const QString named = shown.section(QLatin1Char('['), 1).section(QLatin1Char(']'), 0, 0);
        QCOMPARE(QFileInfo(named).canonicalFilePath(), QFileInfo(path).canonicalFilePath());
    }

    void closingDuringARunSavesTheSettingsBeforeWaitingForTheWorker()
    {
        QVariant savedWhileWaiting;
        bool workerEnded = false;
        {
            CQuobinDlg dlg([&](ops::ProgrammerView& view) {
                return std::make_unique<JoiningBackend>(view, savedWhileWaiting, workerEnded);
            });
            dlg.Initialize();
            dlg.findChild<QComboBox*>(QStringLiteral("mcuSelect"))->setCurrentIndex(12);
            dlg.findChild<QPushButton*>(QStringLiteral("targetWriteButton"))->click();
        }
        QVERIFY(workerEnded);
        QCOMPARE(savedWhileWaiting.toInt(), 12);
        QCOMPARE(TestSettingsScope::Read(QStringLiteral("MCU Type")).toInt(), 12);
    }

    void exitDuringARunWaitsAndASecondExitOffersToStopAfterTheBlock_data()
    {
        QTest::addColumn<int>("how");
        QTest::newRow("EXIT") << 0;
        QTest::newRow("Esc") << 1;
        QTest::newRow("close box") << 2;
    }
    void exitDuringARunWaitsAndASecondExitOffersToStopAfterTheBlock()
    {
        QFETCH(int, how);
        CQuobinDlg dlg(
            [](ops::ProgrammerView& view) { return std::make_unique<HeldBackend>(view); });
        dlg.Initialize();
        QStringList asked;
        bool leave = false;
        dlg.SetLeaveConfirmer([&](QWidget*, const QString& question) {
            asked << question;
            return leave;
        });
        dlg.show();
        const auto close = [&] {
            if (how == 0) dlg.findChild<QPushButton*>(QStringLiteral("exitButton"))->click();
            if (how == 1) QTest::keyClick(&dlg, Qt::Key_Escape);
            if (how == 2) dlg.close();
        };
        dlg.findChild<QPushButton*>(QStringLiteral("targetWriteButton"))->click();
        close();
        QVERIFY(dlg.isVisible());
        QVERIFY(asked.isEmpty());
        QCOMPARE(dlg.findChild<QLabel*>(QStringLiteral("transferLabel"))->text(),
                 QStringLiteral("Quobin will close when the run has ended"));
        close(); // asked, and told no
        QCOMPARE(asked.size(), 1);
        QVERIFY(asked[0].contains(QStringLiteral("half-programmed")));
        QVERIFY(dlg.isVisible());
        leave = true;
        close(); // the run stops after its block, then the window goes
        QCoreApplication::sendPostedEvents();
        QVERIFY(!dlg.isVisible());
    }

    void exitAfterARunClosesAtOnce()
    {
        Harness h;
        h.dlg->show();
        h.Button("exitButton")->click();
        QVERIFY(!h.dlg->isVisible());
        QCOMPARE(h.dlg->result(), int(QDialog::Accepted));
    }

    void partChangeReloadsTheFileForTheNewPart()
    {
        Harness h;
        h.dlg->findChild<QLineEdit*>(QStringLiteral("sFilePathEdit"))
            ->setText(QStringLiteral("x.s"));
        h.backend->calls.clear();
        h.dlg->findChild<QComboBox*>(QStringLiteral("mcuSelect"))->setCurrentIndex(3);
        QCOMPARE(h.backend->calls, std::vector<std::string>{"load"});
        QCOMPARE(h.backend->loads.back().mcuIndex, 3);
    }

    void browseOffersTheSRecordNamesAndAll()
    {
        QCOMPARE(CQuobinDlg::kFileFilter,
                 QStringLiteral("S-record files (*.s *.S *.s19 *.s28 *.s37 *.srec *.mot "
                                "*.elf.S);;All files (*)"));
    }

    void recentFilesKeepTheLastEightNewestFirstAcrossStarts()
    {
        {
            Harness h;
            for (int i = 0; i < 10; ++i)
                h.dlg->ChooseSFile(QStringLiteral("/f%1.s").arg(i));
            h.dlg->ChooseSFile(QStringLiteral("/f5.s")); // chosen again: moves to the front
            QCOMPARE(h.dlg->RecentFiles().size(), 8);
            QCOMPARE(h.dlg->RecentFiles().front(), QStringLiteral("/f5.s"));
            QCOMPARE(h.dlg->RecentFiles().back(), QStringLiteral("/f2.s"));
        }
        Harness again;
        QCOMPARE(again.dlg->RecentFiles().front(), QStringLiteral("/f5.s"));
        QCOMPARE(again.dlg->findChild<QMenu*>(QStringLiteral("recentFilesMenu"))->actions().size(),
                 8);
    }

    void dataMonitoringStaysUsableAndStartsNothing()
    {
        Harness h;
        QSignalSpy requested(h.dlg.get(), &CQuobinDlg::dataMonitoringRequested);
        h.Button("targetWriteButton")->click();
        QVERIFY(h.Button("dataMonitoringButton")->isEnabled());
        h.Button("dataMonitoringButton")->click();
        QCOMPARE(requested.count(), 1);
        QCOMPARE(h.backend->calls.back(), std::string("start"));
    }

    void windowLooksLikeTheProgrammer()
    {
        Harness h;
        QVERIFY(h.dlg->windowTitle().startsWith(QStringLiteral("Quobin V1.3 - Ulmvero (")));
        QVERIFY(h.dlg->windowFlags() & Qt::WindowMinimizeButtonHint);
        QVERIFY(!(h.dlg->windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(h.dlg->minimumSize(), h.dlg->maximumSize());
        QVERIFY(!h.dlg->windowIcon().isNull());
        QCOMPARE(h.Button("targetWriteVerifyButton")->text(),
                 QStringLiteral("Target Write && Verify"));
        QCOMPARE(h.ResetAfter()->text(), QStringLiteral("Target reset after downloading program"));
        for (QPushButton* button : h.dlg->findChildren<QPushButton*>())
            QVERIFY2(!button->autoDefault(), qPrintable(button->objectName()));

        auto* about = h.dlg->findChild<QAction*>(QStringLiteral("aboutAction"));
        QVERIFY(about);
        QCOMPARE(about->text(), QStringLiteral("&About Quobin..."));
        QCOMPARE(h.dlg->contextMenuPolicy(), Qt::ActionsContextMenu);

        // The about box is modal: inspect and close it from inside its own loop.
        QString caption;
        QStringList lines;
        // Nothing in there may fail before the box is closed, or exec() would never return:
        // it only records, and the checks follow the loop.
        bool okClosed = false;
        QTimer::singleShot(0, h.dlg.get(), [&] {
            if (auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                caption = box->windowTitle();
                for (QLabel* label : box->findChildren<QLabel*>())
                    if (!label->text().isEmpty()) lines << label->text();
                if (auto* ok = box->findChild<QPushButton*>(QStringLiteral("okButton"))) {
                    ok->click();
                    okClosed = !box->isVisible();
                }
            }
            for (QDialog* open : h.dlg->findChildren<QDialog*>())
                if (open->isVisible()) open->reject();
        });
        about->trigger();
        QVERIFY(okClosed);
        QCOMPARE(caption, QStringLiteral("About Quobin"));
        QVERIFY(lines.contains(QStringLiteral("Quobin, Version 1.0")));
        QCOMPARE(lines.size(), 2);
    }

private:
    std::unique_ptr<TestSettingsScope> m_scope;
};

QTEST_MAIN(TestQuobinDlg)
#include "TestQuobinDlg.moc"
