#include <gtest/gtest.h>

#include "app/LauncherApp.h"
#include "config/InstallDetection.h"
#include "tests/fakes/FakeConfigPlatform.h"

namespace {

const std::wstring kKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Marnholt.exe";

struct DetectCase {
    const char* name;
    std::wstring path;
    uint32_t type;
    std::wstring installAppName;
    bool taken;
    std::wstring baseDir;
};

void PrintTo(const DetectCase& c, std::ostream* os)
{
    *os << c.name;
}

class DetectTable : public ::testing::TestWithParam<DetectCase> {};

TEST_P(DetectTable, CutsThePathBeforeTheInstallFolder)
{
    const DetectCase& c = GetParam();
    FakeRegistry registry;
    registry.PutString(kKey, L"Path", c.path, c.type);
    std::wstring baseDir = L"C:\\AppData";
    EXPECT_EQ(DetectInstallRoot(registry, L"Marnholt", c.installAppName, baseDir), c.taken);
    EXPECT_EQ(baseDir, c.baseDir);
}

const DetectCase kDetectCases[] = {
    {"CutAtInstallFolder", L"D:\\Games\\Marnholt\\bin", kRegSz, L"Marnholt", true, L"D:\\Games"},
    {"NoOccurrenceKeepsWholeValue", L"D:\\Other", kRegSz, L"Marnholt", true, L"D:\\Other"},
    {"FirstOfTwoOccurrences", L"D:\\Marnholt\\x\\Marnholt", kRegSz, L"Marnholt", true, L"D:"},
    {"ExactlyTheFolderGivesEmpty", L"\\Marnholt", kRegSz, L"Marnholt", true, L""},
    {"OtherCaseDoesNotCount", L"D:\\marnholt\\bin", kRegSz, L"Marnholt", true, L"D:\\marnholt\\bin"},
    {"PrefixOfLongerFolderCuts", L"D:\\MarnholtGold\\bin", kRegSz, L"Marnholt", true, L"D:"},
    {"EmptyNameCutsAtFirstBackslash", L"D:\\Games\\x", kRegSz, L"", true, L"D:"},
    {"ExpandStringRefused", L"D:\\Games\\Marnholt", kRegExpandSz, L"Marnholt", false, L"C:\\AppData"},
    // 128 characters and the terminator: 258 bytes, taken.
    {"Path258BytesTaken", std::wstring(128, L'x'), kRegSz, L"Marnholt", true, std::wstring(128, L'x')},
    // 129 characters and the terminator: 260 bytes, refused.
    {"Path260BytesRefused", std::wstring(129, L'x'), kRegSz, L"Marnholt", false, L"C:\\AppData"},
};

INSTANTIATE_TEST_SUITE_P(DetectInstall, DetectTable, ::testing::ValuesIn(kDetectCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DetectInstall, MissingKeyOrValueChangesNothing)
{
    FakeRegistry registry;
    std::wstring baseDir = L"C:\\AppData";
    EXPECT_FALSE(DetectInstallRoot(registry, L"Marnholt", L"Marnholt", baseDir));
    registry.PutString(kKey, L"Other", L"D:\\x");
    EXPECT_FALSE(DetectInstallRoot(registry, L"Marnholt", L"Marnholt", baseDir));
    EXPECT_EQ(baseDir, L"C:\\AppData");
}

TEST(DetectInstall, MachineWideInstallIsFoundWhereTheUserHasNoKey)
{
    using H = RegistryHive;
    struct HiveCase {
        const char* name;
        std::vector<std::pair<H, std::wstring>> paths;  // "Path" values put in
        std::vector<H> looked;                          // hives asked, in order
        std::wstring baseDir;
    };
    const HiveCase cases[] = {
        {"user only", {{H::CurrentUser, L"U:\\Marnholt"}}, {H::CurrentUser}, L"U:"},
        {"user wins over machine", {{H::CurrentUser, L"U:\\Marnholt"}, {H::Machine32, L"M:\\Marnholt"}},
         {H::CurrentUser}, L"U:"},
        {"machine, 32-bit view", {{H::Machine32, L"M:\\Marnholt"}}, {H::CurrentUser, H::Machine32}, L"M:"},
        {"machine, 32-bit view before 64-bit",
         {{H::Machine32, L"M:\\Marnholt"}, {H::Machine64, L"N:\\Marnholt"}},
         {H::CurrentUser, H::Machine32},
         L"M:"},
        {"machine, 64-bit view", {{H::Machine64, L"N:\\Marnholt"}}, {H::CurrentUser, H::Machine32, H::Machine64},
         L"N:"},
        {"nowhere", {}, {H::CurrentUser, H::Machine32, H::Machine64}, L"C:\\AppData"},
    };
    for (const HiveCase& c : cases) {
        SCOPED_TRACE(c.name);
        FakeRegistry registry;
        for (const auto& path : c.paths)
            registry.PutString(kKey, L"Path", path.second, kRegSz, path.first);
        std::wstring baseDir = L"C:\\AppData";
        DetectInstallRoot(registry, L"Marnholt", L"Marnholt", baseDir);
        EXPECT_EQ(baseDir, c.baseDir);
        EXPECT_EQ(registry.openedHives, c.looked);
    }
}

TEST(DetectInstall, UserKeyWithAnUnusableValueDoesNotFallBackToTheMachine)
{
    FakeRegistry registry;
    registry.PutString(kKey, L"Path", L"U:\\Marnholt", kRegExpandSz);
    registry.PutString(kKey, L"Path", L"M:\\Marnholt", kRegSz, RegistryHive::Machine32);
    std::wstring baseDir = L"C:\\AppData";
    EXPECT_FALSE(DetectInstallRoot(registry, L"Marnholt", L"Marnholt", baseDir));
    EXPECT_EQ(baseDir, L"C:\\AppData");
}

TEST(DetectInstall, EmptyInstallerKeyEndsTheKeyInBackslashDotExe)
{
    EXPECT_EQ(AppPathsKey(L""), L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\.exe");
}

class LoadConfigurationTest : public ::testing::Test {
protected:
    LoadConfigurationTest()
    {
        platform.environment = &env;
        platform.resources = &resources;
        platform.registry = &registry;
        env.variables[L"APPDATA"] = L"C:\\users\\p\\AppData\\Roaming";
        resources.Put(2020, 201,
                      "[pack]\r\nk_installAppName=Marnholt\r\nk_startAppName=game.exe\r\n"
                      "k_installerKey=MarnKey\r\n");
    }
    FakeEnvironment env;
    FakeResources resources;
    FakeRegistry registry;
    Platform platform;
};

TEST_F(LoadConfigurationTest, ReadsNamesAndDetectsAgainWhenTheKeyAppears)
{
    LauncherApp app(platform);
    app.Init();
    EXPECT_EQ(g_app, &app);
    EXPECT_EQ(app.StartProgramPath(), L"C:\\users\\p\\AppData\\Roaming\\Marnholt\\game.exe");
    EXPECT_EQ(registry.opened.back(), AppPathsKey(L"MarnKey"));

    registry.PutString(AppPathsKey(L"MarnKey"), L"Path", L"E:\\G\\Marnholt");
    app.DetectInstall();
    EXPECT_EQ(app.StartProgramPath(), L"E:\\G\\Marnholt\\game.exe");

    registry.keys.clear();  // a later call without the key keeps what was found
    app.DetectInstall();
    EXPECT_EQ(app.StartProgramPath(), L"E:\\G\\Marnholt\\game.exe");
}

TEST_F(LoadConfigurationTest, UnsetOrOverlongAppDataFallsBackToTheRoamingFolder)
{
    for (const std::wstring& value : {std::wstring(), std::wstring(1024, L'a')}) {
        env.variables[L"APPDATA"] = value;
        LauncherApp app(platform);
        app.Init();
        EXPECT_EQ(app.StartProgramPath(), env.appDataFolder + L"\\Marnholt\\game.exe");
    }
}

TEST_F(LoadConfigurationTest, MissingResourceLeavesEverythingEmpty)
{
    resources.resources.clear();
    LauncherApp app(platform);
    app.Init();
    EXPECT_EQ(app.Settings().installAppName, L"");
    EXPECT_EQ(app.Settings().url, L"");
    EXPECT_EQ(registry.opened.back(), AppPathsKey(L""));
}

}  // namespace
