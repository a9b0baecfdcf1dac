#pragma once
// One owning wrapper for every handle kind of the Windows layer. A kind is
// declared in one line that names its close function:
//
//     using ScopedRegion = ScopedHandle<HRGN, &DeleteObject>;
//
// The wrapper closes its handle exactly once, in its destructor or when it
// is reset, and can be moved but not copied. A handle that is null or
// INVALID_HANDLE_VALUE is "none" and is never closed. Resources that need
// more than a handle to be released (a paint, a selected object, a device
// context of a window, a global lock) are small records with a close
// function of their own, held by the same wrapper.
#include <windows.h>
#include <objbase.h>

#include <cstdint>

template <typename P>
bool IsNoHandle(P* handle)
{
    return handle == nullptr || reinterpret_cast<uintptr_t>(handle) == ~uintptr_t{0};
}

template <typename T, auto Close>
class ScopedHandle {
public:
    ScopedHandle() = default;
    explicit ScopedHandle(T handle) : m_handle(handle) {}
    ~ScopedHandle() { Reset(); }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    ScopedHandle(ScopedHandle&& other) noexcept : m_handle(other.Release()) {}
    ScopedHandle& operator=(ScopedHandle&& other) noexcept
    {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }

    const T& Get() const { return m_handle; }
    // For functions that hand out a new handle through a pointer.
    T* Out()
    {
        Reset();
        return &m_handle;
    }
    bool Valid() const { return !IsNoHandle(m_handle); }
    explicit operator bool() const { return Valid(); }
    T Release()
    {
        T handle = m_handle;
        m_handle = T{};
        return handle;
    }
    void Reset(T handle = T{})
    {
        if (!IsNoHandle(m_handle))
            Close(m_handle);
        m_handle = handle;
    }

private:
    T m_handle{};
};

inline void ReleaseComObject(IUnknown* object)
{
    object->Release();
}

// Kernel objects: events, threads, processes, files.
using ScopedKernelHandle = ScopedHandle<HANDLE, &CloseHandle>;
using ScopedFileHandle = ScopedKernelHandle;
using ScopedFindHandle = ScopedHandle<HANDLE, &FindClose>;
using ScopedRegKey = ScopedHandle<HKEY, &RegCloseKey>;
using ScopedGlobalMemory = ScopedHandle<HGLOBAL, &GlobalFree>;
using ScopedStream = ScopedHandle<IStream*, &ReleaseComObject>;
using ScopedModule = ScopedHandle<HMODULE, &FreeLibrary>;
using ScopedLocalMemory = ScopedHandle<HLOCAL, &LocalFree>;

// GDI objects.
using ScopedMemoryDc = ScopedHandle<HDC, &DeleteDC>;
using ScopedGdiObject = ScopedHandle<HGDIOBJ, &DeleteObject>;
using ScopedRegion = ScopedHandle<HRGN, &DeleteObject>;
using ScopedBitmap = ScopedHandle<HBITMAP, &DeleteObject>;

// A paint of a window, between BeginPaint and EndPaint.
struct WindowPaint {
    HWND window = nullptr;
    PAINTSTRUCT paint{};
};
inline bool IsNoHandle(const WindowPaint& p)
{
    return p.window == nullptr || p.paint.hdc == nullptr;
}
inline void EndWindowPaint(const WindowPaint& p)
{
    EndPaint(p.window, &p.paint);
}
using ScopedPaint = ScopedHandle<WindowPaint, &EndWindowPaint>;

inline ScopedPaint BeginWindowPaint(HWND window)
{
    WindowPaint p;
    p.window = window;
    BeginPaint(window, &p.paint);
    return ScopedPaint(p);
}

// An object selected into a device context; closing it selects the
// object that was there before.
struct Selection {
    HDC dc = nullptr;
    HGDIOBJ previous = nullptr;
};
inline bool IsNoHandle(const Selection& s)
{
    return s.dc == nullptr || s.previous == nullptr || s.previous == HGDI_ERROR;
}
inline void RestoreSelection(const Selection& s)
{
    SelectObject(s.dc, s.previous);
}
using ScopedSelection = ScopedHandle<Selection, &RestoreSelection>;

inline ScopedSelection SelectInto(HDC dc, HGDIOBJ object)
{
    return ScopedSelection(Selection{dc, SelectObject(dc, object)});
}

// The device context of a window (of the screen, for a null window).
struct WindowDc {
    HWND window = nullptr;
    HDC dc = nullptr;
};
inline bool IsNoHandle(const WindowDc& w)
{
    return w.dc == nullptr;
}
inline void ReleaseWindowDc(const WindowDc& w)
{
    ReleaseDC(w.window, w.dc);
}
using ScopedWindowDc = ScopedHandle<WindowDc, &ReleaseWindowDc>;

inline ScopedWindowDc GetWindowDc(HWND window)
{
    return ScopedWindowDc(WindowDc{window, GetDC(window)});
}

// COM entered on the calling thread (CoInitializeEx), left again when the
// wrapper lets go; nothing to leave when entering failed.
struct ComApartment {
    bool entered = false;
};
inline bool IsNoHandle(const ComApartment& c)
{
    return !c.entered;
}
inline void LeaveComApartment(const ComApartment&)
{
    CoUninitialize();
}
using ScopedComApartment = ScopedHandle<ComApartment, &LeaveComApartment>;

inline ScopedComApartment EnterComApartment(DWORD model)
{
    return ScopedComApartment(ComApartment{SUCCEEDED(CoInitializeEx(nullptr, model))});
}

// For an object that needs COM on its thread for as long as it lives:
// enters COM once into held. True when COM can be used on this thread,
// also when the thread had entered it already in another model (then there
// is nothing for held to leave).
inline bool HoldComApartment(ScopedComApartment& held, DWORD model)
{
    if (held)
        return true;
    const HRESULT entered = CoInitializeEx(nullptr, model);
    if (SUCCEEDED(entered))
        held = ScopedComApartment(ComApartment{true});
    return SUCCEEDED(entered) || entered == RPC_E_CHANGED_MODE;
}

// A lock on a global memory block.
struct GlobalLockData {
    HGLOBAL block = nullptr;
    void* data = nullptr;
};
inline bool IsNoHandle(const GlobalLockData& l)
{
    return l.data == nullptr;
}
inline void UnlockGlobal(const GlobalLockData& l)
{
    GlobalUnlock(l.block);
}
using ScopedGlobalLock = ScopedHandle<GlobalLockData, &UnlockGlobal>;

inline ScopedGlobalLock LockGlobal(HGLOBAL block)
{
    return ScopedGlobalLock(GlobalLockData{block, GlobalLock(block)});
}
