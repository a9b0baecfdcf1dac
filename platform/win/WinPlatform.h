#pragma once
// The Windows side of the platform seams: each class implements one seam
// with the real API, and nothing else in the program includes <windows.h>
// for these calls.
#include <windows.h>

#include "platform/Environment.h"
#include "platform/Registry.h"
#include "platform/Resources.h"
#include "platform/Shell.h"
#include "platform/WindowSystem.h"

class WinEnvironment : public IEnvironment {
public:
    bool ReadVariable(const std::wstring& name, std::wstring& value) override;
    std::wstring KnownFolder(Folder folder) override;
};

class WinResources : public IResources {
public:
    explicit WinResources(HMODULE module) : m_module(module) {}
    bool Load(uint16_t type, uint16_t id, std::vector<uint8_t>& bytes) override;

private:
    HMODULE m_module;
};

class WinRegistry : public IRegistry {
public:
    RegistryQuery QueryValue(RegistryHive hive, const std::wstring& subKey, const std::wstring& valueName,
                             uint32_t bufferBytes, RegistryValue& value) override;
    bool SetUserString(const std::wstring& subKey, const std::wstring& valueName, const std::wstring& text) override;
};

class WinWindowSystem : public IWindowSystem {
public:
    bool IsWindow(WindowHandle window) override;
    void InvalidateRect(WindowHandle window, const Rect* rect, bool erase) override;
    void UpdateWindow(WindowHandle window) override;
    bool GetClientRect(WindowHandle window, Rect& rect) override;
    void DestroyWindow(WindowHandle window) override;
    void Minimize(WindowHandle window) override;
    void PostMessage(WindowHandle window, uint32_t message, uintptr_t wParam,
                     uintptr_t lParam) override;
    // NotifyWinEvent with the window's client area (OBJID_CLIENT).
    void NotifyAccessible(WindowHandle window, AccessibleEvent event, int32_t child) override;
};

class WinShell : public IShell {
public:
    intptr_t Open(const std::wstring& path, const std::wstring& folder, WindowHandle owner,
                  ShellPrompts prompts) override;
};
