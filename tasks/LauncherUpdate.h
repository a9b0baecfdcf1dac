#pragma once
// The running launcher replaces itself with a newer one that the verified
// manifest names (docs/updates.md): only a higher version, downloaded
// beside itself, checked by size, digest and signer, then swapped in under
// its name and started, with the old file put back when anything fails.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/FileTrust.h"
#include "platform/LauncherHandoff.h"
#include "platform/Log.h"
#include "tasks/LauncherVersion.h"

struct LauncherRelease;
class IClock;
class IFileSystem;
class IOutputFile;
class IProcess;

// What the running launcher knows of itself.
struct LauncherSelf {
    std::wstring path;       // its file
    bool hasVersion = false;  // its version resource could be read
    LauncherVersion version;
    std::wstring arguments;  // its command line after the program's name
    ProcessIdentity process;
};

// How long the swap waits (milliseconds).
struct LauncherUpdateTimings {
    uint32_t moveWindowMs = 30000;  // retrying a move another program holds up
    uint32_t firstPauseMs = 100;    // the pauses between, doubling
    uint32_t longestPauseMs = 2000;
    uint32_t handshakeMs = 30000;  // for the new launcher to say it is up
};

// The private switch and the event of one hand-over, both named by the
// old process: "/updated-from=<id>,<creation time, 16 hexadecimal digits>"
// and "Local\quillmerex-launcher-up-<id>-<creation time>".
std::wstring UpdatedFromSwitch(const ProcessIdentity& process);
std::wstring HandoffEventName(const ProcessIdentity& process);
// The switch's value (after "/updated-from="); false when it is not of
// that form, or the id is 0.
bool ParseUpdatedFrom(const std::wstring& value, ProcessIdentity& process);

// The new file's and the old file's names beside the launcher.
std::wstring NewLauncherPath(const std::wstring& launcherPath);
std::wstring OldLauncherPath(const std::wstring& launcherPath);

// Deletes what an earlier update left beside the launcher at path: its
// .old copy and, unless only the old one is asked for, a .new file. Each
// deletion, and each that fails for an existing file, is logged.
void RemoveLauncherLeftovers(IFileSystem& files, ILog& log, const std::wstring& path, bool oldOnly);

class LauncherUpdate {
public:
    enum class End {
        Kept,        // this launcher goes on with the road (nothing newer, or the update failed)
        HandedOver,  // the new launcher is up and goes on with the road
        Stopped,     // the worker was stopped meanwhile
    };

    // Fetches the new launcher into file (empty when called; the fetch
    // starts each answer from byte 0). True when it is whole; false with
    // the failure's status text.
    class Download {
    public:
        virtual bool Into(IOutputFile& file, std::wstring& failure) = 0;

    protected:
        ~Download() = default;
    };

    LauncherUpdate(IFileSystem& files, IFileTrust& trust, ILauncherHandoff& handoff, IClock& clock, ILog& log,
                   const std::atomic<bool>& running);
    void SetTimings(const LauncherUpdateTimings& timings) { m_timings = timings; }

    // The whole update for the manifest's release. Every step's outcome is
    // logged; whatever fails leaves self's file in place and no new file.
    End Run(const LauncherSelf& self, const LauncherRelease& release, Download& download);

    // After HandedOver: the new launcher's process.
    std::unique_ptr<IProcess> TakeSuccessor() { return std::move(m_successor); }

private:
    // Whether the new file is the one the manifest names and, when own is
    // given, signed as this launcher is.
    bool Verify(const std::wstring& newPath, const LauncherRelease& release, const SignerIdentity* own);
    // The new file under the launcher's name, started, and up.
    End Swap(const LauncherSelf& self);
    // Puts the old launcher back; newInPlace: the new file is under the
    // launcher's name and is set aside first.
    void PutBack(const LauncherSelf& self, bool newInPlace);
    // Renames, again for a while when another program holds the file.
    bool Move(const std::wstring& from, const std::wstring& to);
    void Write(const std::wstring& text) { m_log.Write(L"launcher update: " + text); }

    IFileSystem& m_files;
    IFileTrust& m_trust;
    ILauncherHandoff& m_handoff;
    IClock& m_clock;
    ILog& m_log;
    const std::atomic<bool>& m_running;
    LauncherUpdateTimings m_timings;
    std::unique_ptr<IProcess> m_successor;
};
