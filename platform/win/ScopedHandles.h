#pragma once
// Owning wrappers for the handle kinds of the Windows layer: each closes its
// handle exactly once, in its destructor, and cannot be copied.
#include <windows.h>

template <typename H, typename Traits>
class ScopedHandle {
public:
    ScopedHandle() = default;
    explicit ScopedHandle(H h) : m_h(h) {}
    ~ScopedHandle() { Reset(); }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    ScopedHandle(ScopedHandle&& other) noexcept : m_h(other.Release()) {}
    ScopedHandle& operator=(ScopedHandle&& other) noexcept
    {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }

    H Get() const { return m_h; }
    H* Out() { Reset(); return &m_h; }
    bool Valid() const { return Traits::Valid(m_h); }
    explicit operator bool() const { return Valid(); }
    H Release()
    {
        H h = m_h;
        m_h = Traits::Invalid();
        return h;
    }
    void Reset(H h = Traits::Invalid())
    {
        if (Traits::Valid(m_h))
            Traits::Close(m_h);
        m_h = h;
    }

private:
    H m_h = Traits::Invalid();
};

struct KernelHandleTraits {
    static HANDLE Invalid() { return nullptr; }
    static bool Valid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { CloseHandle(h); }
};
using ScopedKernelHandle = ScopedHandle<HANDLE, KernelHandleTraits>;

// File handles use INVALID_HANDLE_VALUE for "none".
struct FileHandleTraits {
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static bool Valid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { CloseHandle(h); }
};
using ScopedFileHandle = ScopedHandle<HANDLE, FileHandleTraits>;

struct RegKeyTraits {
    static HKEY Invalid() { return nullptr; }
    static bool Valid(HKEY h) { return h != nullptr; }
    static void Close(HKEY h) { RegCloseKey(h); }
};
using ScopedRegKey = ScopedHandle<HKEY, RegKeyTraits>;

struct FindHandleTraits {
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static bool Valid(HANDLE h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
    static void Close(HANDLE h) { FindClose(h); }
};
using ScopedFindHandle = ScopedHandle<HANDLE, FindHandleTraits>;
