// Every kind of failure of the road: the status text it shows, with its
// code where the text takes one, and the exit code an unattended run ends
// with for it; a player's run keeps the message loop's code.
#include <gtest/gtest.h>

#include "app/RoadOutcome.h"
#include "tasks/StatusTexts.h"
#include "tasks/Task.h"

namespace {

TEST(RoadOutcome, EachFailureKindGivesItsTextAndExitCode)
{
    using K = FailureKind;
    struct Case {
        Failure failure;
        const wchar_t* text;
        int exitCode;
    };
    const Case cases[] = {
        // The network and the server.
        {{K::NoConnection}, L"网络连接异常", 2},
        {{K::NoSession}, L"网络打开会话失败", 2},
        {{K::AddressUnavailable, 12007}, L"连接不可用,错误代码：12007", 2},
        {{K::ConnectionError, 404}, L"连接异常,错误代码：404", 2},
        {{K::ConnectionError, 12030}, L"连接异常,错误代码：12030", 2},
        {{K::WrongContent}, L"下载内容无效,网络可能需要登录", 2},
        {{K::WrongClock}, L"系统时间不正确,请校准后重试", 2},
        // The disk.
        {{K::DiskFull}, L"磁盘空间不足", 4},
        {{K::CannotCreate}, L"无法创建写入文件", 4},
        {{K::WriteError, 112}, L"写入文件错误,错误代码：112", 4},
        // The checks: at the click (a pin that is no digest, a manifest
        // that cannot be checked), a refused manifest, the installer's.
        {{K::InvalidPin}, L"安装包校验值无效", 5},
        {{K::ManifestInvalid, 3}, L"安装信息无效,错误代码：3", 5},
        {{K::HashMismatch}, L"安装包校验失败", 5},
        {{K::BadSignature, 0x800B0100}, L"安装包签名无效,错误代码：-2146762496", 5},
        // The installer; the refused administrator prompt shows as any
        // other start failure but ends with its own code.
        {{K::InstallerNotStarted, 193}, L"调用安装程序失败,错误码：193", 6},
        {{K::ElevationRefused, 1223}, L"调用安装程序失败,错误码：1223", 7},
        {{K::InstallerNotCompleted}, L"安装未完成", 6},
        {{K::InstallerWaitFailed}, L"安装出错", 6},
        // The game.
        {{K::NoStartProgram}, L"安装异常,无启动程序", 6},
        {{K::GameNotStarted, 2}, L"启动游戏失败,错误代码：2", 1},
        // The window closed under the download.
        {{K::Stopped}, L"强制退出", 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.text)));
        DownTask task;
        task.Fail(c.failure);
        EXPECT_EQ(task.message, c.text);
        EXPECT_EQ(task.failure.kind, c.failure.kind);
        EXPECT_EQ(ExitCodeFor(OutcomeOf(c.failure.kind)), c.exitCode);
        EXPECT_NE(std::wstring(FailureWords(c.failure.kind)), L"");
    }
    // A start failure whose code merely begins like the prompt's is no
    // refused prompt.
    EXPECT_EQ(status::FailureText({K::InstallerNotStarted, 12230}), L"调用安装程序失败,错误码：12230");
}

TEST(RoadOutcome, OnlyAnUnattendedRunTellsTheRoadsEnd)
{
    EXPECT_EQ(RunExitCode(false, true, RoadOutcome::NetworkFailed, 0), 0);
    EXPECT_EQ(RunExitCode(false, false, RoadOutcome::GameStarted, 0), 0);
    EXPECT_EQ(RunExitCode(true, true, RoadOutcome::GameStarted, 0), 0);
    EXPECT_EQ(RunExitCode(true, true, RoadOutcome::Refused, 0), 5);
    // Closed before the road ended.
    EXPECT_EQ(RunExitCode(true, false, RoadOutcome::GameStarted, 0), 8);
}

}  // namespace
