#pragma once

namespace ops {

// Where a progress bar stands as the operations move it. They were written for a Windows
// progress control and rely on its rules: a new range keeps the position (clamped into
// it), a step past the end starts over from empty (so each region's range begins empty
// although nobody resets it), a position is clamped to the range, and an empty range
// goes nowhere. Every view that shows progress keeps one, so the window, the console, the
// several-POD lines and a script's callback all show the same bar.
class ProgressPosition {
public:
    void SetRange(int upper);
    void SetStep(int step) { m_step = step; }
    void Step();
    void SetPos(int position);

    int position() const { return m_position; }
    int upper() const { return m_upper; }

private:
    int m_upper = 100; // a progress control's range and step until somebody sets them
    int m_step = 10;
    int m_position = 0;
};

} // namespace ops
