// The download worker against real servers on loopback ports, started for
// this program by net_servers.py (a CTest fixture): Debian's nginx (a
// static file with ranges, redirects, TLS with a certificate from a test CA
// and with a self-signed one) and tinyproxy as the system's proxy. The
// servers' ports come in the file named by QMX_NET_SERVERS (a path of the
// Unix side, reached through drive Z:). After every
// road, WinINet's cache holds no copy of the file.
#include <windows.h>
#include <wincrypt.h>
#include <wininet.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "platform/win/ScopedHandles.h"
#include "platform/win/WinTaskPlatform.h"
#include "tasks/CDownloadFileThread.h"
#include "tests/fakes/RecordingTaskEventHandler.h"
#include "tests/win/tasks/InternetCache.h"
#include "tests/win/tasks/TempFolder.h"
#include "tests/win/tasks/TrustedTestCa.h"

namespace {

using Clock = std::chrono::steady_clock;

std::map<std::string, std::string> g_servers;

bool LoadServers()
{
    if (!g_servers.empty())
        return true;
    const std::wstring path = TempFolder::UnixPath(L"QMX_NET_SERVERS");
    if (path.empty())
        return false;
    std::string text = TempFolder::ReadFile(path);
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(pos, end - pos);
        const size_t equals = line.find('=');
        if (equals != std::string::npos)
            g_servers[line.substr(0, equals)] = line.substr(equals + 1);
        pos = end + 1;
    }
    return !g_servers.empty();
}

std::wstring Wide(const std::string& text)
{
    return std::wstring(text.begin(), text.end());
}

std::wstring Url(const char* scheme, const char* server, const char* path, const char* host = "127.0.0.1")
{
    return Wide(std::string(scheme) + "://" + host + ":" + g_servers[server] + path);
}

std::string Body(size_t length)
{
    std::string body(length, '\0');
    for (size_t i = 0; i < length; ++i)
        body[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    return body;
}

// The system's proxy, set as a player's Internet Settings would have it
// (with loopback addresses sent through it too, which Windows does only
// when the bypass list says "<-loopback>"), and put back afterwards.
class SystemProxy {
public:
    explicit SystemProxy(const std::wstring& server)
    {
        const wchar_t* key = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
        if (RegCreateKeyExW(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, m_key.Out(), nullptr) !=
            ERROR_SUCCESS)
            return;
        Save(L"ProxyEnable");
        Save(L"ProxyServer");
        Save(L"ProxyOverride");
        const DWORD enable = 1;
        RegSetValueExW(m_key.Get(), L"ProxyEnable", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&enable),
                       sizeof(enable));
        SetText(L"ProxyServer", server);
        SetText(L"ProxyOverride", L"<-loopback>");
        InternetSetOptionW(nullptr, INTERNET_OPTION_SETTINGS_CHANGED, nullptr, 0);
    }
    ~SystemProxy()
    {
        for (const Saved& saved : m_saved) {
            if (saved.present)
                RegSetValueExW(m_key.Get(), saved.name.c_str(), 0, saved.type, saved.data.data(),
                               static_cast<DWORD>(saved.data.size()));
            else
                RegDeleteValueW(m_key.Get(), saved.name.c_str());
        }
        InternetSetOptionW(nullptr, INTERNET_OPTION_SETTINGS_CHANGED, nullptr, 0);
    }

private:
    struct Saved {
        std::wstring name;
        bool present;
        DWORD type;
        std::vector<BYTE> data;
    };
    void Save(const wchar_t* name)
    {
        Saved saved{name, false, 0, std::vector<BYTE>(4096)};
        DWORD size = static_cast<DWORD>(saved.data.size());
        saved.present = RegQueryValueExW(m_key.Get(), name, nullptr, &saved.type, saved.data.data(), &size) ==
                        ERROR_SUCCESS;
        saved.data.resize(saved.present ? size : 0);
        m_saved.push_back(saved);
    }
    void SetText(const wchar_t* name, const std::wstring& value)
    {
        RegSetValueExW(m_key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    }

    ScopedRegKey m_key;
    std::vector<Saved> m_saved;
};

class RealServers : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!LoadServers())
            return;
        s_ca = new TrustedTestCa;
        s_caAdded = s_ca->Add(TempFolder::ReadFile(Wide(g_servers["ca"])));
    }
    static void TearDownTestSuite()
    {
        delete s_ca;
        s_ca = nullptr;
    }

    void SetUp() override
    {
        if (g_servers.empty())
            GTEST_SKIP() << "QMX_NET_SERVERS names no servers (run through CTest)";
        size = static_cast<uint32_t>(std::stoul(g_servers["size"]));
        task.tempName = L"yrfoinstall.tmp";
        task.fileName = L"yrfoinstall.exe";
        task.directory = folder.Path();
        task.state.store(TaskState::Started);
        internet_cache::Clear(L"pomvel_mini");
    }
    void TearDown() override
    {
        const auto copies = internet_cache::Copies(L"pomvel_mini");
        EXPECT_TRUE(copies.empty()) << "left in WinINet's cache:\n" << internet_cache::Joined(copies);
    }
    ~RealServers() override
    {
        if (worker)
            worker->Stop();
    }

    // Runs the download to its final report, with short pauses.
    void Download(const std::wstring& url)
    {
        task.url = url;
        download::Timings timings;
        timings.stallLimitMs = 2000;
        for (uint32_t& pause : timings.pausesMs)
            pause = 100;
        worker = std::make_unique<CDownloadFileThread>(&task, &events, TaskPlatform{&http, &files}, timings);
        ASSERT_TRUE(worker->Start());
        ASSERT_TRUE(events.WaitForFinal(std::chrono::seconds(60)));
        worker->Stop();
    }
    void ExpectTheFile()
    {
        EXPECT_EQ(task.state.load(), TaskState::Finished) << std::string(task.message.begin(), task.message.end());
        EXPECT_TRUE(TempFolder::ReadFile(folder.File(L"yrfoinstall.exe")) == Body(size));
        EXPECT_FALSE(TempFolder::Exists(folder.File(L"yrfoinstall.tmp")));
    }
    void ExpectFailedAtOnce(const std::wstring& message)
    {
        EXPECT_EQ(task.message, message);
        for (const auto& event : events.Events())
            EXPECT_NE(event.state, TaskState::Retrying) << "tried again";
        EXPECT_FALSE(TempFolder::Exists(folder.File(L"yrfoinstall.tmp")));
        EXPECT_FALSE(TempFolder::Exists(folder.File(L"yrfoinstall.exe")));
    }

    static TrustedTestCa* s_ca;
    static bool s_caAdded;
    uint32_t size = 0;
    TempFolder folder;
    WinHttpClient http;
    WinFileSystem files;
    RecordingTaskEventHandler events;
    DownTask task;
    std::unique_ptr<CDownloadFileThread> worker;
};

TrustedTestCa* RealServers::s_ca = nullptr;
bool RealServers::s_caAdded = false;

TEST_F(RealServers, StaticFileFromNginx)
{
    Download(Url("http", "http", "/files/pomvel_mini.exe"));
    ExpectTheFile();
}

TEST_F(RealServers, RedirectToAnotherPathIsFollowed)
{
    Download(Url("http", "http", "/moved"));
    ExpectTheFile();
}

TEST_F(RealServers, TenRedirectsAreFollowed)
{
    Download(Url("http", "http", "/hop10"));
    ExpectTheFile();
}

TEST_F(RealServers, EleventhRedirectFails)
{
    Download(Url("http", "http", "/hop11"));
    ExpectFailedAtOnce(L"连接不可用,错误代码：12156");
}

TEST_F(RealServers, RedirectToItselfFailsWithinSeconds)
{
    const auto before = Clock::now();
    Download(Url("http", "http", "/loop"));
    EXPECT_LT(Clock::now() - before, std::chrono::seconds(5));
    ExpectFailedAtOnce(L"连接不可用,错误代码：12156");
}

TEST_F(RealServers, HttpsWithACertificateTheSystemTrusts)
{
    ASSERT_TRUE(s_caAdded);
    Download(Url("https", "https", "/files/pomvel_mini.exe", "localhost"));
    ExpectTheFile();
}

TEST_F(RealServers, HttpsRedirectStaysOnHttps)
{
    ASSERT_TRUE(s_caAdded);
    Download(Url("https", "https", "/moved", "localhost"));
    ExpectTheFile();
}

// Nothing trusts the certificate: no download, and no second try. (Wine
// says 12045, ERROR_INTERNET_INVALID_CA, as Windows does.)
TEST_F(RealServers, SelfSignedCertificateIsRefused)
{
    Download(Url("https", "selfsigned", "/files/pomvel_mini.exe", "localhost"));
    ExpectFailedAtOnce(L"连接不可用,错误代码：12045");
}

TEST_F(RealServers, ThroughTheSystemsProxy)
{
    SystemProxy proxy(L"127.0.0.1:" + Wide(g_servers["proxy"]));
    Download(Url("http", "proxied", "/files/pomvel_mini.exe"));
    ExpectTheFile();
}

TEST_F(RealServers, ServerBehindTheProxyRefusesDirectRequests)
{
    Download(Url("http", "proxied", "/files/pomvel_mini.exe"));
    ExpectFailedAtOnce(L"连接异常,错误代码：403");
}

// A proxy that asks for a password (tinyproxy's BasicAuth). The system's
// prompt cannot be clicked under Wine, so the prompt is answered through the
// seam as a user would: what the user types is set on the request, as the
// system's prompt does, and the worker has WinINet send the request again.
// (A proxy that takes the user's Windows logon, NTLM or Negotiate, is
// answered by WinINet itself; tinyproxy cannot ask for one.)
struct PromptAnswer {
    int asked = 0;
    const wchar_t* user = nullptr;  // null: the user declines
    const wchar_t* password = nullptr;
};
PromptAnswer g_answer;

DWORD AnswerLikeAUser(HWND, HINTERNET request)
{
    ++g_answer.asked;
    if (g_answer.user == nullptr)
        return ERROR_CANCELLED;
    InternetSetOptionW(request, INTERNET_OPTION_PROXY_USERNAME, const_cast<wchar_t*>(g_answer.user),
                       static_cast<DWORD>(wcslen(g_answer.user) + 1));
    InternetSetOptionW(request, INTERNET_OPTION_PROXY_PASSWORD, const_cast<wchar_t*>(g_answer.password),
                       static_cast<DWORD>(wcslen(g_answer.password) + 1));
    return ERROR_INTERNET_FORCE_RETRY;
}

TEST_F(RealServers, ProxyAskingForAPasswordGetsTheOneTheUserGives)
{
    g_answer = PromptAnswer{0, L"player", L"hotel-wifi-2026"};
    http.SetProxyPrompt(&AnswerLikeAUser);
    SystemProxy proxy(L"127.0.0.1:" + Wide(g_servers["authproxy"]));
    Download(Url("http", "proxied", "/files/pomvel_mini.exe"));
    ExpectTheFile();
    EXPECT_EQ(g_answer.asked, 1);
}

// Declined: the proxy's 407 stands. A wrong password: tinyproxy answers it
// with 401 (where Squid and others ask again with 407); either way the user
// is asked once and the download fails at once.
TEST_F(RealServers, ProxyPasswordDeclinedOrWrongFailsAtOnce)
{
    struct Case {
        const wchar_t* password;  // null: declined
        const wchar_t* message;
    };
    for (const Case& c : {Case{nullptr, L"连接不可用,错误代码：407"}, Case{L"wrong", L"连接异常,错误代码：401"}}) {
        const wchar_t* password = c.password;
        SCOPED_TRACE(password == nullptr ? "declined" : "wrong password");
        g_answer = PromptAnswer{0, password == nullptr ? nullptr : L"player", password};
        http.SetProxyPrompt(&AnswerLikeAUser);
        task.ResetState();
        events.Clear();
        SystemProxy proxy(L"127.0.0.1:" + Wide(g_servers["authproxy"]));
        Download(Url("http", "proxied", "/files/pomvel_mini.exe"));
        ExpectFailedAtOnce(c.message);
        EXPECT_EQ(g_answer.asked, 1);
    }
}

// A 407 from a server reached directly (nginx's own, asking for a password
// in a realm of its choosing) is no proxy's: nobody is asked, and the
// address is out at once. With a mirror, the mirror serves without a
// pause; without one, the download fails with the server's answer.
TEST_F(RealServers, A407FromAServerReachedDirectlyAsksNothing)
{
    g_answer = PromptAnswer{0, L"player", L"hotel-wifi-2026"};
    http.SetProxyPrompt(&AnswerLikeAUser);
    Download(Url("http", "http", "/ask407"));
    ExpectFailedAtOnce(L"连接异常,错误代码：407");

    task.mirrors = {Url("http", "http", "/files/pomvel_mini.exe")};
    task.ResetState();
    events.Clear();
    Download(Url("http", "http", "/ask407"));
    ExpectTheFile();
    for (const auto& event : events.Events())
        EXPECT_NE(event.state, TaskState::Retrying) << "a countdown before the mirror";
    EXPECT_EQ(g_answer.asked, 0);
}

// A 100 KB disk and a 300 KB file: refused before anything is written.
TEST_F(RealServers, DiskTooSmallIsRefusedAtOnce)
{
    if (g_servers.count("small_disk") == 0)
        GTEST_SKIP() << "no small disk could be mounted here";
    task.directory = Wide(g_servers["small_disk"]);
    Download(Url("http", "http", "/files/pomvel_mini.exe"));
    ExpectFailedAtOnce(L"磁盘空间不足");
    EXPECT_FALSE(TempFolder::Exists(task.directory + L"\\yrfoinstall.tmp"));
    EXPECT_EQ(events.Operations(), "start error");
}

}  // namespace
