#pragma once

#include "app/ProgrammerBackend.h"
#include "ops/ProgrammerView.h"

#include "ui/UiThreadQueue.h"

#include <QDialog>
#include <QIcon>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class CMonDlg;
class QAbstractButton;
class QCheckBox;
class StatusAnnouncer;
class RecentFilesMenu;
class RunLog;
class WinProgressBar;
class QUrl;
class QWidget;

namespace Ui {
class CQuobinDlg;
}
namespace ui {
class Announcer;
}

// The programmer's main window: part, S file, reset options and flash regions, and the
// buttons that start every POD operation. It is the operations' view: the status line,
// the progress bar, the region labels and the freeze of its controls. Those calls may
// come from a worker thread; they are carried to the UI thread in order, and no widget
// is ever touched from a worker.
class CQuobinDlg : public QDialog, public ops::ProgrammerView {
    Q_OBJECT

public:
    using BackendFactory =
        std::function<std::unique_ptr<app::ProgrammerBackend>(ops::ProgrammerView& view)>;
    using UrlOpener = std::function<bool(const QUrl& url)>;
    using MessageShower = std::function<void(QWidget* parent, const QString& text)>;
    using FileChooser = std::function<QString(QWidget* parent, const QString& initialFolder)>;
    using Confirmer = std::function<bool(QWidget* parent, const QString& question)>;

    // The "..." dialog's filters: the names the target tools give S-record files, and all.
    static const QString kFileFilter;
    // Status line colour of warnings that do not stop a run.
    static const QColor kWarningColor;

    explicit CQuobinDlg(const BackendFactory& makeBackend, QWidget* parent = nullptr);
    // Saves the settings, then ends any running operation's worker.
    ~CQuobinDlg() override;

    // The start-up sequence: lists, settings, regions, S-file load, POD check.
    void Initialize();

    // ops::ProgrammerView, callable from any thread.
    void ShowStatus(const std::string& text, bool error) override;
    void SetProgressRange(int upper) override;
    void SetProgressStep(int step) override;
    void StepProgress() override;
    void SetProgressPos(int position) override;
    void SetControlsEnabled(bool enabled) override;
    void SetRegionLabels(const std::array<std::string, 4>& labels) override;
    void ShowTransferProgress(const ops::TransferProgress& progress) override;
    void ShowWarning(const std::string& text) override;
    void ShowNote(const std::string& text) override;
    void RunFinished(const ops::RunRecord& record) override;

    // The window's values as an operation takes them (UI thread only).
    image::RunChoices CaptureSnapshot() const;
    // The S file path that the settings keep: loaded at start or chosen with "...".
    const QString& StoredFilePath() const { return m_sFilePath; }

    // Replaceable for tests: how the manual is opened, how a message box is shown, how
    // the S file is chosen.
    void SetHelpHooks(UrlOpener openUrl, MessageShower showMessage);
    void SetFileChooser(FileChooser chooseFile);
    // How the window asks whether to leave in the middle of a run.
    void SetLeaveConfirmer(Confirmer confirm);

    // The run log pane's lines, oldest first, and the S files chosen lately, newest first.
    QStringList RunLogLines() const;
    const QStringList& RecentFiles() const;
    // Makes a path the S file as "..." does: stored, shown, loaded, first of the recent files.
    void ChooseSFile(const QString& path);

    // The folder the S-file browser starts in for a stored path: the path itself when it
    // is a folder; else the text before its last separator ('\\' or '/') when that folder
    // exists; else none.
    static QString InitialBrowseFolder(const QString& storedPath);
    // "Quobin_Manual.pdf" in the current directory, else beside the program; empty when
    // neither has it.
    static QString FindManual();
    // The "Data Monitoring" window, made hidden at start; none when the backend cannot
    // monitor.
    CMonDlg* MonitorWindow() const { return m_monDlg.get(); }

protected:
    // EXIT, Esc and the close box all end here. During POD work the window stays and
    // closes when the work has ended; asked again, it offers to stop the run after the
    // block in progress.
    void done(int result) override;
    void showEvent(QShowEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

signals:
    // "Data Monitoring" was pressed; the monitoring window attaches here.
    void dataMonitoringRequested();

private:
    void OnBrowse();
    void OnOperation(ops::OperationMode mode, QAbstractButton* origin);
    void BeginWork(QAbstractButton* origin);
    void OnFirmwareUpdate();
    void OnGetVersion();
    void OnTargetReset();
    void OnHelp();
    void OnAbout();
    void UpdateRegionAvailability();
    void ReloadForNewChoice();
    void OnRunLogToggled(bool shown);
    void AppendLog(const QString& text);
    void KeepOnScreen();

    void ApplyStatus(const QString& text, bool error);
    void ShowTransferText(const QString& text);
    void ApplyControlsEnabled(bool enabled);
    void ApplyRegionLabels(const std::array<QString, 4>& labels);
    void LoadSettings();
    void SaveSettings() const;
    // Lists the attached PODs in the POD choice, shown only when there are several, and
    // ties the connection to the one chosen.
    void RefreshPods();
    void OnPodChosen(int index);
    std::array<QCheckBox*, 4> RegionBoxes() const;

    template <typename Fn> void OnUiThread(Fn&& fn)
    {
        m_uiQueue->Post(std::function<void()>(std::forward<Fn>(fn)));
    }

    std::unique_ptr<Ui::CQuobinDlg> m_ui;
    QString m_sFilePath;
    QIcon m_icon;
    UrlOpener m_openUrl;
    MessageShower m_showMessage;
    FileChooser m_chooseFile;
    Confirmer m_confirmLeave;
    QString m_podSerial; // the POD chosen among several; kept in the settings
    bool m_workActive = false;   // POD work started from this window and not yet given back
    bool m_closePending = false; // EXIT during POD work: close once it has ended
    int m_closeResult = 0;
    ui::UiThreadQueue* m_uiQueue = new ui::UiThreadQueue(this); // a child: Qt deletes it
    ui::Announcer* m_announcer = nullptr; // a child: Qt deletes it
    RecentFilesMenu* m_recent = nullptr;  // a child of the path field: Qt deletes it
    std::unique_ptr<WinProgressBar> m_progress;
    std::unique_ptr<RunLog> m_runLog;
    std::unique_ptr<StatusAnnouncer> m_speech;
    QPointer<QAbstractButton> m_workOrigin; // gets the focus back when the work has ended
    std::unique_ptr<app::ProgrammerBackend> m_backend;
    std::unique_ptr<CMonDlg> m_monDlg;
};
