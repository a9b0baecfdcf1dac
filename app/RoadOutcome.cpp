#include "app/RoadOutcome.h"

RoadOutcome OutcomeOf(FailureKind kind)
{
    switch (kind) {
    case FailureKind::NoConnection:
    case FailureKind::NoSession:
    case FailureKind::AddressUnavailable:
    case FailureKind::ConnectionError:
    case FailureKind::WrongContent:
    case FailureKind::WrongClock:
        return RoadOutcome::NetworkFailed;
    case FailureKind::CannotCreate:
    case FailureKind::WriteError:
    case FailureKind::DiskFull:
        return RoadOutcome::DiskFailed;
    case FailureKind::Stopped:
        return RoadOutcome::WindowClosed;
    case FailureKind::ManifestInvalid:
    case FailureKind::InvalidPin:
    case FailureKind::HashMismatch:
    case FailureKind::BadSignature:
        return RoadOutcome::Refused;
    case FailureKind::InstallerNotStarted:
    case FailureKind::InstallerNotCompleted:
    case FailureKind::InstallerWaitFailed:
    case FailureKind::NoStartProgram:
        return RoadOutcome::InstallerFailed;
    case FailureKind::ElevationRefused:
        return RoadOutcome::ElevationRefused;
    case FailureKind::GameNotStarted:
        return RoadOutcome::StartUpFailed;
    }
    return RoadOutcome::NetworkFailed;
}

int RunExitCode(bool unattended, bool roadEnded, RoadOutcome outcome, int loopCode)
{
    if (!unattended)
        return loopCode;
    return ExitCodeFor(roadEnded ? outcome : RoadOutcome::WindowClosed);
}
