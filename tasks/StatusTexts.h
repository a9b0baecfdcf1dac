#pragma once
#include <cstdint>
#include <string>

#include "tasks/Failure.h"

// Every text the status line can show, in one place. The download and
// install workers, the screen's view of their events, the launcher itself
// and the log (its "status:" lines repeat what the player saw) take their
// texts from here; docs/support.md says what each one means for the
// player and for support.
//
// A text ending in "：" is followed by a decimal code (WithCode).
namespace status {

// The download.
constexpr wchar_t kStarting[] = L"开始下载...";
constexpr wchar_t kDownloaded[] = L"下载完毕";
constexpr wchar_t kNoConnection[] = L"网络连接异常";
constexpr wchar_t kNoSession[] = L"网络打开会话失败";
constexpr wchar_t kAddressUnavailable[] = L"连接不可用,错误代码：";
constexpr wchar_t kConnectionError[] = L"连接异常,错误代码：";
constexpr wchar_t kCannotCreate[] = L"无法创建写入文件";
constexpr wchar_t kWriteError[] = L"写入文件错误,错误代码：";
constexpr wchar_t kDiskFull[] = L"磁盘空间不足";
constexpr wchar_t kStopped[] = L"强制退出";
// A web page (a captive portal's login) or anything else that is no
// program came where the installer should be.
constexpr wchar_t kWrongContent[] = L"下载内容无效,网络可能需要登录";
// A certificate refused for its dates while this computer's clock is wrong.
constexpr wchar_t kWrongClock[] = L"系统时间不正确,请校准后重试";

// The manifest and the checks before the installer runs.
constexpr wchar_t kManifestInvalid[] = L"安装信息无效,错误代码：";
constexpr wchar_t kInvalidPin[] = L"安装包校验值无效";
constexpr wchar_t kHashMismatch[] = L"安装包校验失败";
constexpr wchar_t kBadSignature[] = L"安装包签名无效,错误代码：";

// The installer.
constexpr wchar_t kInstalling[] = L"正在安装...";
constexpr wchar_t kInstalled[] = L"安装完毕";
constexpr wchar_t kCannotStart[] = L"调用安装程序失败,错误码：";
constexpr wchar_t kNotCompleted[] = L"安装未完成";
constexpr wchar_t kWaitError[] = L"安装出错";

// The game.
constexpr wchar_t kNoStartProgram[] = L"安装异常,无启动程序";
constexpr wchar_t kGameNotStarted[] = L"启动游戏失败,错误代码：";

// The text shown for a failure: its kind's text, followed by its code
// where the text takes one.
std::wstring FailureText(const Failure& failure);

// text followed by code in decimal: "连接异常,错误代码：404". Codes are
// shown as Windows shows them, signed 32-bit (an HRESULT reads negative).
std::wstring WithCode(const wchar_t* text, uint32_t code);

// "正在下载(done/total)" while the body arrives.
std::wstring Downloading(uint64_t done, uint64_t total);

// "连接中断,{seconds}秒后重试({number}/{of})" while a retry's pause runs.
std::wstring RetryCountdown(uint32_t seconds, uint32_t number, uint32_t of);

}  // namespace status
