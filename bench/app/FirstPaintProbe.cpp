#include "bench/app/FirstPaintProbe.h"

#include <cstdlib>
#include <utility>

#include "bench/app/BenchClock.h"

namespace {

constexpr int kTolerance = 6;

bool Near(COLORREF a, COLORREF b)
{
    return std::abs(GetRValue(a) - GetRValue(b)) <= kTolerance && std::abs(GetGValue(a) - GetGValue(b)) <= kTolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= kTolerance;
}

}  // namespace

FirstPaintProbe::FirstPaintProbe(std::wstring className, std::wstring caption, POINT clientPoint, COLORREF colour)
    : m_className(std::move(className)),
      m_caption(std::move(caption)),
      m_clientPoint(clientPoint),
      m_colour(colour),
      m_screenDc(GetWindowDc(nullptr)),
      m_screen(m_screenDc.Get().dc)
{
}

bool FirstPaintProbe::Shows(POINT p, COLORREF colour) const
{
    if (m_screen == nullptr)
        return false;
    const COLORREF read = GetPixel(m_screen, p.x, p.y);
    return read != CLR_INVALID && Near(read, colour);
}

HWND FirstPaintProbe::Wait(DWORD processId, HANDLE process, DWORD timeoutMs, double& paintedAtMs)
{
    m_firstRead = CLR_INVALID;
    m_foundAt = 0.0;
    if (m_screen == nullptr)
        return nullptr;
    const double deadline = NowMs() + timeoutMs;
    HWND window = nullptr;
    POINT point{};
    while (NowMs() < deadline) {
        if (window == nullptr) {
            HWND found = FindWindowW(m_className.c_str(), m_caption.c_str());
            DWORD owner = 0;
            if (found != nullptr && GetWindowThreadProcessId(found, &owner) != 0 && owner == processId &&
                IsWindowVisible(found)) {
                point = m_clientPoint;
                if (ClientToScreen(found, &point)) {
                    m_foundAt = NowMs();
                    window = found;
                    m_lastScreenPoint = point;
                }
            }
        }
        if (window != nullptr) {
            const COLORREF read = GetPixel(m_screen, point.x, point.y);
            if (m_firstRead == CLR_INVALID)
                m_firstRead = read;
            if (read != CLR_INVALID && Near(read, m_colour)) {
                paintedAtMs = NowMs();
                return window;
            }
        }
        if (WaitForSingleObject(process, 1) == WAIT_OBJECT_0)
            return nullptr;
    }
    return nullptr;
}

bool FirstPaintProbe::WaitUntilGone(DWORD timeoutMs)
{
    if (m_lastScreenPoint.x < 0)
        return true;
    const double deadline = NowMs() + timeoutMs;
    while (Shows(m_lastScreenPoint, m_colour)) {
        if (NowMs() > deadline)
            return false;
        Sleep(1);
    }
    return true;
}
