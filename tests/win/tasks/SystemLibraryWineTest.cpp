// Where a system DLL comes from on a system whose DLL search cannot be
// restricted (Windows 7 without KB2533623; Wine has the restriction, so
// the fallback's way of loading is checked and tried here on its own).
#include <gtest/gtest.h>

#include <cwctype>
#include <string>

#include "platform/win/SystemLibrary.h"

namespace {

std::wstring Lowered(std::wstring text)
{
    for (wchar_t& c : text)
        c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

TEST(SystemLibrary, FallbackLoadsByFullPathWithTheAlteredSearch)
{
    wchar_t folder[MAX_PATH + 1] = {};
    const UINT n = GetSystemDirectoryW(folder, MAX_PATH + 1);
    ASSERT_GT(n, 0u);
    DWORD error = 0;
    const SystemLibraryLoad load = UnrestrictedSystemLibraryLoad(L"winmm.dll", error);
    EXPECT_EQ(load.path, std::wstring(folder, n) + L"\\winmm.dll");
    // The DLL's own dependencies are searched from its folder, the system
    // folder, not from the program's.
    EXPECT_EQ(load.flags, static_cast<DWORD>(LOAD_WITH_ALTERED_SEARCH_PATH));

    HMODULE module = LoadLibraryExW(load.path.c_str(), nullptr, load.flags);
    ASSERT_NE(module, nullptr) << GetLastError();
    wchar_t loaded[MAX_PATH + 1] = {};
    ASSERT_GT(GetModuleFileNameW(module, loaded, MAX_PATH + 1), 0u);
    EXPECT_EQ(Lowered(loaded), Lowered(load.path));
    FreeLibrary(module);
}

}  // namespace
