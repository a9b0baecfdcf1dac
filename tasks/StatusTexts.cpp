#include "tasks/StatusTexts.h"

#include "platform/DecimalText.h"

namespace status {

std::wstring FailureText(const Failure& failure)
{
    switch (failure.kind) {
    case FailureKind::NoConnection:
        return kNoConnection;
    case FailureKind::NoSession:
        return kNoSession;
    case FailureKind::AddressUnavailable:
        return WithCode(kAddressUnavailable, failure.code);
    case FailureKind::ConnectionError:
        return WithCode(kConnectionError, failure.code);
    case FailureKind::WrongContent:
        return kWrongContent;
    case FailureKind::WrongClock:
        return kWrongClock;
    case FailureKind::CannotCreate:
        return kCannotCreate;
    case FailureKind::WriteError:
        return WithCode(kWriteError, failure.code);
    case FailureKind::DiskFull:
        return kDiskFull;
    case FailureKind::Stopped:
        return kStopped;
    case FailureKind::ManifestInvalid:
        return WithCode(kManifestInvalid, failure.code);
    case FailureKind::InvalidPin:
        return kInvalidPin;
    case FailureKind::HashMismatch:
        return kHashMismatch;
    case FailureKind::BadSignature:
        return WithCode(kBadSignature, failure.code);
    case FailureKind::InstallerNotStarted:
    case FailureKind::ElevationRefused:
        return WithCode(kCannotStart, failure.code);
    case FailureKind::InstallerNotCompleted:
        return kNotCompleted;
    case FailureKind::InstallerWaitFailed:
        return kWaitError;
    case FailureKind::NoStartProgram:
        return kNoStartProgram;
    case FailureKind::GameNotStarted:
        return WithCode(kGameNotStarted, failure.code);
    }
    return std::wstring();
}

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
