#pragma once

#include "app/AppOptions.h"
#include "app/CQuobinDlg.h"

#include <QString>
#include <QStringList>

class QApplication;

// Start-up of the window program: where settings live, the main window run modally,
// and the end of the process when it closes.
class CQuobinApp {
public:
    // Names the settings location "Ulmvero"/"Quobin" (on Windows
    // HKCU\Software\Ulmvero\Quobin) and the program's display name.
    static void PrepareApplication(QApplication& application);

    // Whether a window can be shown: a platform plugin that needs no display was chosen
    // (QT_QPA_PLATFORM or -platform), or an X11 or Wayland display is named. Without one
    // Qt would abort; the program says so in one line instead. Always true off Unix.
    static bool DisplayAvailable(const QStringList& arguments);
    // The line printed when there is none.
    static const char* const kNoDisplayMessage;

    // Builds the main window on the given core, runs its start-up and shows it until it is
    // closed; the window saves its settings as it goes. With a screenshot file the window
    // is saved there as soon as it is up and then closed. Returns the process exit code.
    static int Run(const app::AppOptions& options, const CQuobinDlg::BackendFactory& makeBackend);
};
