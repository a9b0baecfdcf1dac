// The settings: every key read and checked once, at start-up.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/LauncherSettings.h"
#include "tasks/StatusTexts.h"
#include "config/CIniConfig.h"
#include "tests/native/app/AppFixture.h"

namespace {

const std::string kKey =
    "MFkwEwYHKoZIzj0CAQYIKoZIzj0DAQcDQgAEM6mlL/QUeaQ+t/R2Z4jROmPgvL98zZfh3N7J8Iw127LNRetU3irt1IwY"
    "eumgY88OYdwaANNsz4ygx4oWnp4XNA==";
const std::string kDigest = std::string(63, 'a') + "f";

LauncherSettings Read(const std::string& text)
{
    CIniConfig config;
    config.Parse(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    return ReadLauncherSettings(config);
}

TEST(LauncherSettings, EveryKeyIsRead)
{
    const LauncherSettings s =
        Read("[cver]\nk_comm_url=http://a.example/p.exe\nk_comm_url4=http://d.example/p.exe\n"
             "k_comm_url2=http://b.example/p.exe\nk_comm_url3=http://c.example/p.exe\n"
             "k_comm_sha256=" + kDigest + "\nk_comm_signer=Orvantis Games\n"
             "k_comm_manifest=https://a.example/m.txt\nk_comm_manifest_key=" + kKey + "\nk_comm_channel=beta\n"
             "[pack]\nk_name=Orvantis\nk_installAppName=Marnholt\nk_startAppName=game.exe\n"
             "k_installerKey=MarnKey\n");
    EXPECT_EQ(s.gameName, L"Orvantis");
    EXPECT_EQ(s.installAppName, L"Marnholt");
    EXPECT_EQ(s.startAppName, L"game.exe");
    EXPECT_EQ(s.installerKey, L"MarnKey");
    EXPECT_EQ(s.url, L"http://a.example/p.exe");
    EXPECT_EQ(s.mirrors, (std::vector<std::wstring>{L"http://b.example/p.exe", L"http://c.example/p.exe",
                                                    L"http://d.example/p.exe"}));
    ASSERT_EQ(s.pins.sha256.size(), 32u);
    EXPECT_EQ(s.pins.sha256.back(), 0xAF);
    EXPECT_EQ(s.pins.signer, L"Orvantis Games");
    EXPECT_EQ(s.manifestUrl, L"https://a.example/m.txt");
    EXPECT_EQ(s.manifestKey.size(), 64u);
    EXPECT_EQ(s.manifestChannel, L"beta");
    EXPECT_FALSE(s.refused);
}

TEST(LauncherSettings, TheFirstValueThatCannotBeUsedIsTheRefusal)
{
    struct Case {
        const char* name;
        std::string cver;
        std::wstring refusal;
        std::wstring reasonNames;  // the key the log's reason names
    };
    const Case cases[] = {
        {"nothing set", "", L"", L""},
        {"a key without a manifest is not read", "k_comm_manifest_key=x\n", L"", L""},
        {"a pin that is no digest", "k_comm_sha256=" + std::string(63, 'a') + "\n", L"安装包校验值无效",
         L"k_comm_sha256"},
        {"a manifest without a key (or channel): the key first", "k_comm_manifest=https://a.example/m.txt\n",
         L"安装信息无效,错误代码：1", L"k_comm_manifest_key"},
        {"a manifest with no P-256 key",
         "k_comm_manifest=https://a.example/m.txt\nk_comm_manifest_key=MFkwEwYHKoZIzj0CAQ==\n",
         L"安装信息无效,错误代码：1", L"k_comm_manifest_key"},
        {"a manifest without a channel", "k_comm_manifest=https://a.example/m.txt\nk_comm_manifest_key=" + kKey + "\n",
         L"安装信息无效,错误代码：5", L"k_comm_channel"},
        {"a channel with a control character",
         "k_comm_manifest=https://a.example/m.txt\nk_comm_manifest_key=" + kKey + "\nk_comm_channel=be\x01ta\n",
         L"安装信息无效,错误代码：5", L"k_comm_channel"},
        {"both: the pin first", "k_comm_sha256=zz\nk_comm_manifest=https://a.example/m.txt\n", L"安装包校验值无效",
         L"k_comm_sha256"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const LauncherSettings s = Read("[cver]\nk_comm_url=http://a.example/p.exe\n" + c.cver);
        EXPECT_EQ(s.refused ? status::FailureText(s.refusal) : L"", c.refusal);
        EXPECT_NE(s.refusalReason.find(c.reasonNames), std::wstring::npos);
        EXPECT_TRUE(s.pins.sha256.empty());
        EXPECT_EQ(s.url, L"http://a.example/p.exe");
    }
}

// The configuration is read at start-up: what the click downloads is what
// was read then.
using SettingsAtStartUp = AppFixture;

TEST_F(SettingsAtStartUp, TheClickUsesWhatStartUpRead)
{
    Start();
    resources.Put(2020, 201, "[cver]\r\nk_comm_url=http://elsewhere.example/x.exe\r\nk_comm_sha256=bad\r\n");
    http.attemptConnectResult = 1;
    Click(315, 315);
    ASSERT_EQ(app->Tasks().DownloadTasks().size(), 1u);
    EXPECT_EQ(app->Tasks().DownloadTasks()[0]->url, L"http://packages.example/package/Windows/pomvel_mini.exe");
    EXPECT_EQ(app->Settings().gameName, L"Orvantis");
}

}  // namespace
