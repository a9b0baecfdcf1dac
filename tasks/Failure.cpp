#include "tasks/Failure.h"

const wchar_t* FailureWords(FailureKind kind)
{
    switch (kind) {
    case FailureKind::NoConnection:
        return L"no network connection";
    case FailureKind::NoSession:
        return L"no internet session";
    case FailureKind::AddressUnavailable:
        return L"the address cannot be opened";
    case FailureKind::ConnectionError:
        return L"the server's answer failed";
    case FailureKind::WrongContent:
        return L"a web page came in place of the installer";
    case FailureKind::WrongClock:
        return L"this computer's clock is wrong";
    case FailureKind::CannotCreate:
        return L"the installer's file cannot be created";
    case FailureKind::WriteError:
        return L"the installer's file cannot be written";
    case FailureKind::DiskFull:
        return L"no disk space for the installer";
    case FailureKind::Stopped:
        return L"stopped, the launcher is closing";
    case FailureKind::ManifestInvalid:
        return L"the manifest is refused";
    case FailureKind::InvalidPin:
        return L"the configured digest is invalid";
    case FailureKind::HashMismatch:
        return L"the installer's digest is not the pinned one";
    case FailureKind::BadSignature:
        return L"the installer's signature is refused";
    case FailureKind::InstallerNotStarted:
        return L"the installer cannot be started";
    case FailureKind::ElevationRefused:
        return L"the administrator prompt was refused";
    case FailureKind::InstallerNotCompleted:
        return L"the installer did not complete";
    case FailureKind::InstallerWaitFailed:
        return L"waiting for the installer failed";
    case FailureKind::NoStartProgram:
        return L"no start program after the install";
    case FailureKind::GameNotStarted:
        return L"the game cannot be started";
    }
    return L"";
}
