#pragma once
// What failed, as a value: a download, an install, the checks at the click
// or the game's start. The kind alone chooses the status text
// (status::FailureText), the log's words (FailureWords) and the exit code
// of an unattended run (app/RoadOutcome.h); each is one switch over the
// kind with no default, so a new kind does not build until all three know
// it.
#include <cstdint>

enum class FailureKind : int32_t {
    // The download.
    NoConnection,        // the system says there is no network
    NoSession,           // no internet session could be opened
    AddressUnavailable,  // the address cannot be opened (code: the platform's)
    ConnectionError,     // the answer failed: an HTTP status, a broken or stalled body (code)
    WrongContent,        // a web page (a portal's login) came where the installer should be
    WrongClock,          // a certificate refused for its dates while this computer's clock is wrong
    CannotCreate,        // the installer's file or its folder cannot be made
    WriteError,          // the installer's file cannot be written (code)
    DiskFull,            // no room for the installer
    Stopped,             // the launcher closed while the download ran
    // The manifest and the checks before the installer runs.
    ManifestInvalid,  // a manifest refused, or one that could not be checked (code: why)
    InvalidPin,       // the configured digest is no digest
    HashMismatch,     // the installer is not the pinned one
    BadSignature,     // its signature is refused (code)
    // The installer.
    InstallerNotStarted,    // it could not be started (code)
    ElevationRefused,       // the administrator prompt was answered no (code 1223)
    InstallerNotCompleted,  // it ended with another exit code than 0
    InstallerWaitFailed,    // waiting for it failed
    // The game.
    NoStartProgram,  // the installer left no start program behind
    GameNotStarted,  // the shell could not start it (code: its result)
};

struct Failure {
    FailureKind kind = FailureKind::NoConnection;
    // The platform's code shown after the text, for the kinds whose text
    // takes one; 0 otherwise.
    uint32_t code = 0;
};

// What the log says of a failure of this kind, in plain words.
const wchar_t* FailureWords(FailureKind kind);
