#include "platform/win/WinTaskbarButton.h"

bool WinTaskbarButton::Attach(WindowHandle window)
{
    if (!HoldComApartment(m_com, COINIT_APARTMENTTHREADED))
        return false;
    // A new button (after the shell restarted) wants a new list.
    m_list.Reset();
    m_window = static_cast<HWND>(window);
    ITaskbarList3* list = nullptr;
    if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, __uuidof(ITaskbarList3),
                                reinterpret_cast<void**>(&list))) ||
        list == nullptr)
        return false;
    m_list.Reset(list);
    if (FAILED(list->HrInit())) {
        m_list.Reset();
        return false;
    }
    return true;
}

void WinTaskbarButton::SetState(TaskbarState state)
{
    if (!m_list)
        return;
    TBPFLAG flag = TBPF_NOPROGRESS;
    switch (state) {
    case TaskbarState::None:
        flag = TBPF_NOPROGRESS;
        break;
    case TaskbarState::Indeterminate:
        flag = TBPF_INDETERMINATE;
        break;
    case TaskbarState::Normal:
        flag = TBPF_NORMAL;
        break;
    case TaskbarState::Error:
        flag = TBPF_ERROR;
        break;
    }
    m_list.Get()->SetProgressState(m_window, flag);
}

void WinTaskbarButton::SetValue(uint64_t done, uint64_t total)
{
    if (m_list)
        m_list.Get()->SetProgressValue(m_window, done, total);
}
