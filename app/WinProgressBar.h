#pragma once

class QProgressBar;

// Drives a QProgressBar the way the operations expect a Windows progress control to
// behave: the position is kept (clamped) when the range changes, a step past the end
// starts the bar over, and an empty range shows an empty bar instead of Qt's endless
// "busy" animation. UI thread only.
class WinProgressBar {
public:
    explicit WinProgressBar(QProgressBar* bar) : m_bar(bar) {}

    void SetRange(int upper);
    void SetStep(int step) { m_step = step; }
    void Step();
    void SetPos(int position);

private:
    QProgressBar* m_bar;
    int m_step = 10;   // a progress control's step until somebody sets one
    int m_upper = 100; // its range 0..upper; the bar shows 0..1 for an empty range
};
