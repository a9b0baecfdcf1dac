#include "app/RoadOutcome.h"

#include "tasks/StatusTexts.h"

namespace {

bool StartsWith(const std::wstring& text, const wchar_t* prefix)
{
    return text.compare(0, std::char_traits<wchar_t>::length(prefix), prefix) == 0;
}

// ERROR_CANCELLED: the player said no to the administrator prompt.
constexpr uint32_t kPromptRefused = 1223;

}  // namespace

RoadOutcome OutcomeOfFailure(const std::wstring& text)
{
    using namespace status;
    for (const wchar_t* refusal : {kHashMismatch, kInvalidPin, kBadSignature, kManifestInvalid}) {
        if (StartsWith(text, refusal))
            return RoadOutcome::Refused;
    }
    for (const wchar_t* disk : {kDiskFull, kCannotCreate, kWriteError}) {
        if (StartsWith(text, disk))
            return RoadOutcome::DiskFailed;
    }
    if (StartsWith(text, kStopped))
        return RoadOutcome::WindowClosed;
    if (text == WithCode(kCannotStart, kPromptRefused))
        return RoadOutcome::ElevationRefused;
    for (const wchar_t* installer : {kCannotStart, kNotCompleted, kWaitError, kNoStartProgram}) {
        if (StartsWith(text, installer))
            return RoadOutcome::InstallerFailed;
    }
    if (StartsWith(text, kGameNotStarted))
        return RoadOutcome::StartUpFailed;
    // Every other failure of the road is the download's: no connection, no
    // session, an address that cannot be opened, an answer that failed.
    return RoadOutcome::NetworkFailed;
}

int RunExitCode(bool unattended, bool roadEnded, RoadOutcome outcome, int loopCode)
{
    if (!unattended)
        return loopCode;
    return ExitCodeFor(roadEnded ? outcome : RoadOutcome::WindowClosed);
}
