// The configuration seams on the real platform: resources of this test
// program, the current user's registry, and environment variables.
#include <gtest/gtest.h>

#include "config/CIniConfig.h"
#include "config/FolderVariable.h"
#include "config/InstallDetection.h"
#include "platform/win/ScopedHandles.h"
#include "platform/win/WinPlatform.h"

namespace {

class RegistryKeyGuard {
public:
    explicit RegistryKeyGuard(const std::wstring& key, HKEY root = HKEY_CURRENT_USER, REGSAM view = 0)
        : m_root(root), m_key(key), m_view(view)
    {
        Delete();
    }
    ~RegistryKeyGuard() { Delete(); }
    void SetValue(const wchar_t* name, DWORD type, const void* data, DWORD bytes)
    {
        ScopedRegKey key;
        ASSERT_EQ(RegCreateKeyExW(m_root, m_key.c_str(), 0, nullptr, 0, KEY_SET_VALUE | m_view, nullptr, key.Out(),
                                  nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExW(key.Get(), name, 0, type, static_cast<const BYTE*>(data), bytes), ERROR_SUCCESS);
    }
    void SetString(const wchar_t* name, const std::wstring& text, DWORD type = REG_SZ)
    {
        SetValue(name, type, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }

private:
    void Delete() { RegDeleteKeyExW(m_root, m_key.c_str(), m_view, 0); }

    HKEY m_root;
    std::wstring m_key;
    REGSAM m_view;
};

class EnvironmentGuard {
public:
    explicit EnvironmentGuard(const wchar_t* name) : m_name(name)
    {
        wchar_t buffer[32768];
        DWORD n = GetEnvironmentVariableW(name, buffer, 32768);
        m_had = n > 0 && n < 32768;
        if (m_had)
            m_value.assign(buffer, n);
    }
    ~EnvironmentGuard() { SetEnvironmentVariableW(m_name, m_had ? m_value.c_str() : nullptr); }

private:
    const wchar_t* m_name;
    bool m_had = false;
    std::wstring m_value;
};

TEST(WinResources, ShippedConfigurationRoundTripsThroughTheResourceSection)
{
    WinResources resources(GetModuleHandleW(nullptr));
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(resources.Load(2020, 201, bytes));
    CIniConfig config;
    config.Parse(bytes.data(), bytes.size());
    EXPECT_EQ(config.Sections().size(), 3u);
    EXPECT_EQ(config.GetValue(L"pack", L"k_name"), L"\u5965\u51E1\u8482\u65AF");
    EXPECT_EQ(config.GetValue(L"pack", L"k_startAppName"), L"game.exe");
    EXPECT_FALSE(resources.Load(2020, 999, bytes));
}

TEST(WinRegistry, DetectsInstallRootFromTheAppPathsValue)
{
    const std::wstring key = AppPathsKey(L"QxDetectTest");
    RegistryKeyGuard guard(key);
    WinRegistry registry;
    std::wstring baseDir = L"C:\\AppData";
    EXPECT_FALSE(DetectInstallRoot(registry, L"QxDetectTest", L"Marnholt", baseDir));

    guard.SetString(L"Path", L"D:\\Games\\Marnholt\\bin");
    EXPECT_TRUE(DetectInstallRoot(registry, L"QxDetectTest", L"Marnholt", baseDir));
    EXPECT_EQ(baseDir, L"D:\\Games");

    // 129 characters and the terminator are 260 bytes: refused; 128 taken.
    guard.SetString(L"Path", std::wstring(129, L'y'));
    EXPECT_FALSE(DetectInstallRoot(registry, L"QxDetectTest", L"Marnholt", baseDir));
    guard.SetString(L"Path", std::wstring(128, L'y'));
    EXPECT_TRUE(DetectInstallRoot(registry, L"QxDetectTest", L"Marnholt", baseDir));
    EXPECT_EQ(baseDir, std::wstring(128, L'y'));

    // Larger than the 520-byte buffer, and of another type: both refused.
    guard.SetString(L"Path", std::wstring(400, L'z'));
    EXPECT_FALSE(DetectInstallRoot(registry, L"QxDetectTest", L"Marnholt", baseDir));
    guard.SetString(L"Path", L"E:\\x", REG_EXPAND_SZ);
    EXPECT_FALSE(DetectInstallRoot(registry, L"QxDetectTest", L"Marnholt", baseDir));
    EXPECT_EQ(baseDir, std::wstring(128, L'y'));
}

// An installer that ran with administrator rights registers the game for
// the machine (Wine has no rights to ask for: the test writes there itself).
TEST(WinRegistry, DetectsAMachineWideInstallWhereTheUserHasNoKey)
{
    const std::wstring key = AppPathsKey(L"QxDetectTest");
    RegistryKeyGuard user(key);
    RegistryKeyGuard machine(key, HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY);
    machine.SetString(L"Path", L"M:\\Games\\Marnholt");
    WinRegistry registry;
    std::wstring baseDir = L"C:\\AppData";
    EXPECT_TRUE(DetectInstallRoot(registry, L"QxDetectTest", L"Marnholt", baseDir));
    EXPECT_EQ(baseDir, L"M:\\Games");

    user.SetString(L"Path", L"U:\\Marnholt");
    EXPECT_TRUE(DetectInstallRoot(registry, L"QxDetectTest", L"Marnholt", baseDir));
    EXPECT_EQ(baseDir, L"U:");
}

TEST(WinEnvironment, UnsetOrOverlongFolderVariablesFallBackToTheSystemFolders)
{
    EnvironmentGuard tmp(L"TMP");
    EnvironmentGuard appData(L"APPDATA");
    WinEnvironment env;

    SetEnvironmentVariableW(L"TMP", L"C:\\some dir");
    EXPECT_EQ(ReadFolderVariable(env, L"TMP", IEnvironment::Folder::Temp), L"C:\\some dir");

    // Unset: the system's answer for the temporary directory (TEMP and on).
    SetEnvironmentVariableW(L"TMP", nullptr);
    SetEnvironmentVariableW(L"APPDATA", nullptr);
    wchar_t temp[MAX_PATH + 1];
    ASSERT_GT(GetTempPathW(MAX_PATH + 1, temp), 3u);
    std::wstring systemTemp(temp);
    systemTemp.pop_back();
    const std::wstring systemAppData = env.KnownFolder(IEnvironment::Folder::RoamingAppData);
    ASSERT_GT(systemAppData.size(), 3u);
    EXPECT_EQ(ReadFolderVariable(env, L"TMP", IEnvironment::Folder::Temp), systemTemp);
    EXPECT_EQ(ReadFolderVariable(env, L"APPDATA", IEnvironment::Folder::RoamingAppData),
              systemAppData);

    // Too long for the buffer: an existing folder of the user's, never the value.
    for (const std::wstring& value : {std::wstring(1024, L'a'), std::wstring(5000, L'b')}) {
        SetEnvironmentVariableW(L"TMP", value.c_str());
        SetEnvironmentVariableW(L"APPDATA", value.c_str());
        std::wstring tmpFolder = ReadFolderVariable(env, L"TMP", IEnvironment::Folder::Temp);
        DWORD attributes = GetFileAttributesW(tmpFolder.c_str());
        EXPECT_NE(attributes, INVALID_FILE_ATTRIBUTES) << tmpFolder.size();
        EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
        EXPECT_EQ(ReadFolderVariable(env, L"APPDATA", IEnvironment::Folder::RoamingAppData),
                  systemAppData);
    }
    // 1023 characters still fit the buffer.
    std::wstring fits(1023, L'c');
    SetEnvironmentVariableW(L"TMP", fits.c_str());
    EXPECT_EQ(ReadFolderVariable(env, L"TMP", IEnvironment::Folder::Temp), fits);
}

}  // namespace
