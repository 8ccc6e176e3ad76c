#include "app/WinProgressBar.h"

#include <QProgressBar>

#include <algorithm>

void WinProgressBar::SetRange(int upper)
{
    m_position.SetRange(upper);
    m_bar->setRange(0, std::max(m_position.upper(), 1));
    Show();
}

void WinProgressBar::Step()
{
    m_position.Step();
    Show();
}

void WinProgressBar::SetPos(int position)
{
    m_position.SetPos(position);
    Show();
}

void WinProgressBar::Show()
{
    m_bar->setValue(m_position.position());
}
