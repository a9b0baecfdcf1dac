#include "app/TaskbarProgress.h"

void TaskbarProgress::Connect(ITaskbarButton* button, WindowHandle window)
{
    m_button = button != nullptr && button->Attach(window) ? button : nullptr;
    if (m_state != TaskbarState::None)
        Show();
}

void TaskbarProgress::Connecting()
{
    m_state = TaskbarState::Indeterminate;
    m_done = m_total = 0;
    Show();
}

void TaskbarProgress::Progress(uint64_t done, uint64_t total)
{
    if (total == 0) {
        Connecting();
        return;
    }
    m_state = TaskbarState::Normal;
    m_done = done > total ? total : done;
    m_total = total;
    Show();
}

void TaskbarProgress::Working()
{
    m_state = TaskbarState::Indeterminate;
    Show();
}

void TaskbarProgress::Failed()
{
    if (m_total == 0)
        m_done = m_total = 1;
    m_state = TaskbarState::Error;
    Show();
}

void TaskbarProgress::Finished()
{
    m_state = TaskbarState::None;
    m_done = m_total = 0;
    Show();
}

void TaskbarProgress::Show()
{
    if (m_button == nullptr)
        return;
    // The value first: the state then shows at it.
    if (m_state == TaskbarState::Normal || m_state == TaskbarState::Error)
        m_button->SetValue(m_done, m_total);
    m_button->SetState(m_state);
}
