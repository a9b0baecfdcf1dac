#include "app/TaskEventView.h"

#include <climits>

#include "platform/DecimalText.h"
#include "tasks/RetryPolicy.h"
#include "tasks/StatusTexts.h"

namespace {

ScreenUpdate Status(const std::wstring& text)
{
    ScreenUpdate update;
    update.setStatus = true;
    update.status = text;
    return update;
}

// Bar, percentage and "正在下载(done/total)" while a download runs. The bar
// is capped at a full bar; the percentage is not (a server that sends more
// than it announced shows above 100). Without a known total there is no
// ratio: the bar stays empty and the percentage reads 0%.
ScreenUpdate DownloadProgress(const DownTask& task)
{
    const uint64_t done = task.downloadedSize.load();
    const uint64_t total = task.totalSize.load();
    const double ratio = total == 0 ? 0.0 : static_cast<double>(done) / static_cast<double>(total);
    const double percent = ratio * 100.0;

    ScreenUpdate update;
    update.setFraction = true;
    update.fraction = ratio < 0.0 ? 0.0 : (ratio > 1.0 ? 1.0 : ratio);
    update.setPercent = true;
    update.percent = DecimalText(percent >= static_cast<double>(INT_MAX) ? INT_MAX
                                                                              : static_cast<int>(percent)) +
                     L"%";
    update.setStatus = true;
    update.status = status::Downloading(done, total);
    return update;
}

// "连接中断,{n}秒后重试({k}/5)" while a download waits for its next
// attempt; the bar and the percentage keep their place.
ScreenUpdate RetryCountdown(const DownTask& task)
{
    return Status(status::RetryCountdown(task.retrySeconds.load(), task.retryNumber.load(), download::kMaxRetries));
}

}  // namespace

ScreenUpdate ScreenUpdateFor(const Task& task, TaskState state)
{
    if (task.type == TaskType::Download) {
        switch (state) {
        case TaskState::Started:
            // Only after a retry's pause: connecting again, nothing known yet.
            return Status(status::kStarting);
        case TaskState::Downloading:
            return DownloadProgress(static_cast<const DownTask&>(task));
        case TaskState::Retrying:
            return RetryCountdown(static_cast<const DownTask&>(task));
        case TaskState::Finished: {
            ScreenUpdate update = Status(status::kDownloaded);
            update.setFraction = true;
            update.fraction = 1.0;
            update.setPercent = true;
            update.percent = L"100%";
            return update;
        }
        case TaskState::Failed:
            return Status(task.message);
        default:
            return ScreenUpdate();
        }
    }
    switch (state) {
    case TaskState::Started:
        return Status(status::kInstalling);
    case TaskState::Finished:
        return Status(status::kInstalled);
    case TaskState::Failed:
        return Status(task.message);
    default:
        return ScreenUpdate();
    }
}
