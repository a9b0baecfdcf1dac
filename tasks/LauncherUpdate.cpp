#include "tasks/LauncherUpdate.h"

#include <algorithm>

#include "platform/Clock.h"
#include "platform/DecimalText.h"
#include "platform/FileSystem.h"
#include "platform/HexText.h"
#include "platform/OutputFile.h"
#include "platform/SystemErrors.h"
#include "tasks/Manifest.h"

namespace {

const wchar_t kSwitchName[] = L"/updated-from=";

std::wstring Hex(uint64_t value, int digits)
{
    return HexText(value, digits, HexCase::Lower);
}

// The creation time in the switch: exactly 16 hexadecimal digits.
bool ParseHex(const std::wstring& text, uint64_t& value)
{
    NumberForm form;
    form.base = 16;
    form.maxDigits = 16;
    return text.size() == 16 && ParseNumber(text, value, form);
}

std::wstring HexBytes(const std::vector<uint8_t>& bytes)
{
    std::wstring text;
    for (uint8_t b : bytes)
        text += Hex(b, 2);
    return text;
}

}  // namespace

std::wstring UpdatedFromSwitch(const ProcessIdentity& process)
{
    return kSwitchName + DecimalText(process.id) + L"," + Hex(process.creationTime, 16);
}

std::wstring HandoffEventName(const ProcessIdentity& process)
{
    return L"Local\\quillmerex-launcher-up-" + DecimalText(process.id) + L"-" + Hex(process.creationTime, 16);
}

bool ParseUpdatedFrom(const std::wstring& value, ProcessIdentity& process)
{
    const size_t comma = value.find(L',');
    if (comma == std::wstring::npos || comma > 10)
        return false;
    uint64_t id = 0;
    uint64_t creation = 0;
    if (!ParseNumber(value.substr(0, comma), id) || id == 0 || id > UINT32_MAX ||
        !ParseHex(value.substr(comma + 1), creation))
        return false;
    process.id = static_cast<uint32_t>(id);
    process.creationTime = creation;
    return true;
}

std::wstring NewLauncherPath(const std::wstring& launcherPath)
{
    return launcherPath + L".new";
}

std::wstring OldLauncherPath(const std::wstring& launcherPath)
{
    return launcherPath + L".old";
}

void RemoveLauncherLeftovers(IFileSystem& files, ILog& log, const std::wstring& path, bool oldOnly)
{
    std::vector<std::wstring> names{OldLauncherPath(path)};
    if (!oldOnly)
        names.push_back(NewLauncherPath(path));
    for (const std::wstring& name : names) {
        FoundFile found;
        if (!files.Find(name, found) || (found.attributes & kFileAttributeDirectory) != 0)
            continue;
        log.Write(L"launcher update: \"" + name +
                  (files.Delete(name) ? L"\" deleted" : L"\" cannot be deleted yet; tried again at the next start"));
    }
}

LauncherUpdate::LauncherUpdate(IFileSystem& files, IFileTrust& trust, ILauncherHandoff& handoff, IClock& clock,
                               ILog& log, const std::atomic<bool>& running)
    : m_files(files), m_trust(trust), m_handoff(handoff), m_clock(clock), m_log(log), m_running(running)
{
}

LauncherUpdate::End LauncherUpdate::Run(const LauncherSelf& self, const LauncherRelease& release,
                                        Download& download)
{
    if (!release.present) {
        Write(L"none in the manifest");
        return End::Kept;
    }
    const std::wstring offered = LauncherVersionText(release.version);
    if (!self.hasVersion || self.path.empty()) {
        Write(L"this launcher's version cannot be read; skipped");
        return End::Kept;
    }
    const std::wstring own = LauncherVersionText(self.version);
    if (CompareLauncherVersions(release.version, self.version) <= 0) {
        Write(offered + L" in the manifest is not above this launcher's " + own + L"; kept");
        return End::Kept;
    }

    // Who signed this launcher: the new one must be signed alike. An
    // unsigned one (a developer's build) has only the digest to go by.
    SignerIdentity ownSigner;
    bool ownSigned = false;
    {
        uint32_t error = 0;
        std::unique_ptr<IHeldFile> held = m_trust.Hold(self.path, error);
        const uint32_t code = held ? held->ReadSigner(ownSigner) : error;
        if (held && code == kErrorNoSignature) {
            Write(L"this launcher is unsigned: the new one is checked by its digest alone");
        } else if (code != 0) {
            Write(L"this launcher's signature cannot be read (code " + DecimalText(code) + L"); skipped");
            return End::Kept;
        } else {
            ownSigned = true;
        }
    }

    const std::wstring newPath = NewLauncherPath(self.path);
    Write(offered + L" found (this launcher " + own + L"); downloading into \"" + newPath + L"\"");
    uint32_t error = 0;
    std::unique_ptr<IOutputFile> file = m_files.CreateAlways(newPath, error);
    if (!file) {
        Write(L"the folder cannot be written (code " + DecimalText(error) + L"); skipped");
        return End::Kept;
    }
    std::wstring failure;
    const bool whole = download.Into(*file, failure);
    file.reset();
    if (!m_running.load()) {
        m_files.Delete(newPath);
        return End::Stopped;
    }
    if (!whole) {
        Write(L"download failed (" + failure + L"); kept");
        m_files.Delete(newPath);
        return End::Kept;
    }
    if (!Verify(newPath, release, ownSigned ? &ownSigner : nullptr)) {
        m_files.Delete(newPath);
        return m_running.load() ? End::Kept : End::Stopped;
    }
    return Swap(self);
}

bool LauncherUpdate::Verify(const std::wstring& newPath, const LauncherRelease& release, const SignerIdentity* own)
{
    uint32_t error = 0;
    std::unique_ptr<IHeldFile> held = m_trust.Hold(newPath, error);
    std::vector<uint8_t> digest;
    if (!held || !held->Sha256(digest, error, m_running)) {
        Write(L"the new launcher cannot be read (code " + DecimalText(error) + L"); refused");
        return false;
    }
    if (digest != release.sha256) {
        Write(L"SHA-256 of the new launcher differs from the manifest's; refused");
        return false;
    }
    if (own == nullptr)
        return true;
    SignerIdentity signer;
    const uint32_t code = held->ReadSigner(signer);
    if (code != 0) {
        Write(L"the new launcher's signature does not hold (code " + DecimalText(code) + L"); refused");
        return false;
    }
    if (signer.subject != own->subject) {
        Write(L"the new launcher's signer \"" + signer.subject + L"\" is not this launcher's \"" + own->subject +
              L"\"; refused");
        return false;
    }
    const bool announced =
        std::find(release.signerKeys.begin(), release.signerKeys.end(), signer.keySha256) != release.signerKeys.end();
    if (signer.keySha256.empty() || (signer.keySha256 != own->keySha256 && !announced)) {
        Write(L"the new launcher's signer key " + HexBytes(signer.keySha256) +
              L" is neither this launcher's nor one in the manifest; refused");
        return false;
    }
    return true;
}

LauncherUpdate::End LauncherUpdate::Swap(const LauncherSelf& self)
{
    const std::wstring newPath = NewLauncherPath(self.path);
    const std::wstring oldPath = OldLauncherPath(self.path);
    if (!Move(self.path, oldPath)) {
        m_files.Delete(newPath);
        return End::Kept;
    }
    if (!Move(newPath, self.path)) {
        PutBack(self, false);
        return End::Kept;
    }
    uint32_t error = 0;
    std::unique_ptr<IProcess> process;
    const std::wstring arguments =
        self.arguments.empty() ? UpdatedFromSwitch(self.process) : self.arguments + L" " + UpdatedFromSwitch(self.process);
    const ILauncherHandoff::Start start = m_handoff.StartAndAwait(self.path, arguments, HandoffEventName(self.process),
                                                                  m_timings.handshakeMs, process, error);
    switch (start) {
    case ILauncherHandoff::Start::Up:
        Write(L"the new launcher is up; the road goes on there");
        m_successor = std::move(process);
        return End::HandedOver;
    case ILauncherHandoff::Start::NotStarted:
        Write(L"the new launcher cannot be started (code " + DecimalText(error) + L")");
        break;
    case ILauncherHandoff::Start::EndedEarly:
        Write(L"the new launcher ended before it answered");
        break;
    case ILauncherHandoff::Start::NoAnswer:
        Write(L"the new launcher did not answer within " + DecimalText(m_timings.handshakeMs / 1000) + L" s");
        break;
    }
    PutBack(self, true);
    return End::Kept;
}

void LauncherUpdate::PutBack(const LauncherSelf& self, bool newInPlace)
{
    const std::wstring newPath = NewLauncherPath(self.path);
    const std::wstring oldPath = OldLauncherPath(self.path);
    // Set aside first; should that fail, the old file still replaces it.
    if (newInPlace)
        Move(self.path, newPath);
    if (Move(oldPath, self.path))
        Write(L"the old launcher is back in place");
    else
        Write(L"the old launcher cannot be put back");
    m_files.Delete(newPath);
}

bool LauncherUpdate::Move(const std::wstring& from, const std::wstring& to)
{
    // The swap is finished either way once begun: a stop of the worker
    // does not end its pauses.
    static const std::atomic<bool> kAlways{true};
    const uint64_t deadline = m_clock.NowMs() + m_timings.moveWindowMs;
    uint32_t pause = m_timings.firstPauseMs;
    for (;;) {
        uint32_t error = 0;
        if (m_files.Move(from, to, error))
            return true;
        const uint64_t now = m_clock.NowMs();
        if ((error != kErrorAccessDenied && error != kErrorSharingViolation) || now >= deadline) {
            Write(L"move \"" + from + L"\" to \"" + to + L"\" failed (code " + DecimalText(error) + L")");
            return false;
        }
        m_clock.Wait(static_cast<uint32_t>(std::min<uint64_t>(pause, deadline - now)), kAlways);
        pause = std::min(pause * 2, m_timings.longestPauseMs);
    }
}
