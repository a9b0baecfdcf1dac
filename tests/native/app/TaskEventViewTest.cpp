#include <gtest/gtest.h>

#include "app/TaskEventView.h"

namespace {

struct ViewCase {
    const char* name;
    TaskType type;
    TaskState state;
    uint64_t done;
    uint64_t total;
    // Expected: fraction (negative: unchanged), percent and status (null: unchanged).
    double fraction;
    const wchar_t* percent;
    const wchar_t* status;
    bool updatingLauncher = false;
};

void PrintTo(const ViewCase& c, std::ostream* os)
{
    *os << c.name;
}

class ViewTable : public ::testing::TestWithParam<ViewCase> {};

TEST_P(ViewTable, ShowsWhatTheTaskReports)
{
    const ViewCase& c = GetParam();
    DownTask download;
    InstallTask install;
    Task& task = c.type == TaskType::Download ? static_cast<Task&>(download) : install;
    download.downloadedSize = c.done;
    download.totalSize = c.total;
    download.retrySeconds = 16;
    download.retryNumber = 4;
    download.updatingLauncher = c.updatingLauncher;
    task.message = L"连接异常,错误代码：404";

    ScreenUpdate update = ScreenUpdateFor(task, c.state);
    EXPECT_EQ(update.setFraction, c.fraction >= 0.0);
    if (c.fraction >= 0.0) {
        EXPECT_DOUBLE_EQ(update.fraction, c.fraction);
    }
    EXPECT_EQ(update.setPercent, c.percent != nullptr);
    if (c.percent != nullptr) {
        EXPECT_EQ(update.percent, c.percent);
    }
    EXPECT_EQ(update.setStatus, c.status != nullptr);
    if (c.status != nullptr) {
        EXPECT_EQ(update.status, c.status);
    }
}

const ViewCase kViewCases[] = {
    {"HalfDone", TaskType::Download, TaskState::Downloading, 512, 1024, 0.5, L"50%", L"正在下载(512/1024)"},
    {"FirstEvent", TaskType::Download, TaskState::Downloading, 0, 2048, 0.0, L"0%", L"正在下载(0/2048)"},
    {"MoreThanAnnounced", TaskType::Download, TaskState::Downloading, 1065, 1024, 1.0, L"104%",
     L"正在下载(1065/1024)"},
    {"UnknownTotal", TaskType::Download, TaskState::Downloading, 700, 0, 0.0, L"0%", L"正在下载(700/0)"},
    {"CountsAbove2GiBStayUnsigned", TaskType::Download, TaskState::Downloading, 3000000000u, 4000000000u, 0.75,
     L"75%", L"正在下载(3000000000/4000000000)"},
    {"CountsAbove4GiB", TaskType::Download, TaskState::Downloading, 4294967297ull, 5368709120ull,
     4294967297.0 / 5368709120.0, L"80%", L"正在下载(4294967297/5368709120)"},
    {"LargestLengthOfAll", TaskType::Download, TaskState::Downloading, 0x7FFFFFFFFFFFFFFFull, 0x7FFFFFFFFFFFFFFFull,
     1.0, L"100%", L"正在下载(9223372036854775807/9223372036854775807)"},
    {"PercentNeverOverflows", TaskType::Download, TaskState::Downloading, 4000000000u, 1, 1.0, L"2147483647%",
     L"正在下载(4000000000/1)"},
    // A newer launcher downloads: the bar and the percentage are its own.
    {"LauncherUpdating", TaskType::Download, TaskState::Downloading, 256, 1024, 0.25, L"25%", L"正在更新启动器...",
     true},
    {"DownloadFinished", TaskType::Download, TaskState::Finished, 10, 10, 1.0, L"100%", L"下载完毕"},
    {"DownloadFailed", TaskType::Download, TaskState::Failed, 0, 0, -1.0, nullptr, L"连接异常,错误代码：404"},
    {"DownloadConnectingAgainAfterAPause", TaskType::Download, TaskState::Started, 0, 0, -1.0, nullptr,
     L"开始下载..."},
    {"RetryCountdownKeepsBarAndPercentage", TaskType::Download, TaskState::Retrying, 512, 1024, -1.0, nullptr,
     L"连接中断,16秒后重试(4/5)"},
    {"InstallRetryingShowsNothing", TaskType::Install, TaskState::Retrying, 0, 0, -1.0, nullptr, nullptr},
    {"InstallStarted", TaskType::Install, TaskState::Started, 0, 0, -1.0, nullptr, L"正在安装..."},
    {"InstallFinished", TaskType::Install, TaskState::Finished, 0, 0, -1.0, nullptr, L"安装完毕"},
    {"InstallFailed", TaskType::Install, TaskState::Failed, 0, 0, -1.0, nullptr, L"连接异常,错误代码：404"},
    {"InstallDownloadingShowsNothing", TaskType::Install, TaskState::Downloading, 0, 0, -1.0, nullptr, nullptr},
};

INSTANTIATE_TEST_SUITE_P(OnTaskEvent, ViewTable, ::testing::ValuesIn(kViewCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
