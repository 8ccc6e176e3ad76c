#pragma once

namespace Ui {
class CQuobinDlg;
}

// Tool tips and keyboard shortcuts of the programmer window's controls. Each tip names
// its shortcut, and a control without its own accessible description gets the tip as
// one, so that a screen reader tells what the control does and how to reach it.
void SetUpProgrammerToolTips(Ui::CQuobinDlg& ui);
