#include "tasks/StatusTexts.h"

#include "platform/DecimalText.h"

namespace status {

std::wstring WithCode(const wchar_t* text, uint32_t code)
{
    return text + DecimalText(static_cast<int32_t>(code));
}

std::wstring Downloading(uint64_t done, uint64_t total)
{
    return L"正在下载(" + DecimalText(done) + L"/" + DecimalText(total) + L")";
}

std::wstring RetryCountdown(uint32_t seconds, uint32_t number, uint32_t of)
{
    return L"连接中断," + DecimalText(seconds) + L"秒后重试(" + DecimalText(number) + L"/" + DecimalText(of) + L")";
}

}  // namespace status
