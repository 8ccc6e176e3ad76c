#pragma once

#include "ops/ProgressPosition.h"

class QProgressBar;

// Shows a ProgressPosition on a QProgressBar. A QProgressBar left to itself would reset
// its value to -1 on a new range and run its endless "busy" animation for 0..0; the bar
// is given 0..1 for an empty range instead. UI thread only.
class WinProgressBar {
public:
    explicit WinProgressBar(QProgressBar* bar) : m_bar(bar) {}

    void SetRange(int upper);
    void SetStep(int step) { m_position.SetStep(step); }
    void Step();
    void SetPos(int position);

private:
    void Show();

    QProgressBar* m_bar;
    ops::ProgressPosition m_position;
};
