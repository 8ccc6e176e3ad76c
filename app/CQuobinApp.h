#pragma once

#include "AppOptions.h"
#include "CQuobinDlg.h"

class QApplication;

// Start-up of the window program: where settings live, the main window run modally,
// and the end of the process when it closes.
class CQuobinApp {
public:
    // Names the settings location "Ulmvero"/"Quobin" (on Windows
    // HKCU\Software\Ulmvero\Quobin) and the program's display name.
    static void PrepareApplication(QApplication& application);

    // Builds the main window on the given core, runs its start-up and shows it until it is
    // closed; the window saves its settings as it goes. With a screenshot file the window
    // is saved there as soon as it is up and then closed. Returns the process exit code.
    static int Run(const app::AppOptions& options, const CQuobinDlg::BackendFactory& makeBackend);
};
