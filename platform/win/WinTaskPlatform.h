#pragma once
// The Windows side of the task seams: WinINet for HTTP, kernel32 for files
// and processes. Default-constructible; the entry point makes one of each.
#include <atomic>

#include "platform/FileSystem.h"
#include "platform/FileTrust.h"
#include "platform/HttpClient.h"
#include "platform/ProcessRunner.h"
#include "platform/SignatureVerifier.h"
#include "platform/win/WinHttpRequest.h"

class WinHttpClient : public IHttpClient {
public:
    uint32_t AttemptConnect() override;
    std::unique_ptr<IHttpSession> OpenSession(const std::wstring& userAgent, uint32_t& error) override;
    void SetPromptOwner(WindowHandle owner) override;
    // In place of the system's prompt for a proxy's password (tests).
    void SetProxyPrompt(WinProxyPrompt::Ask ask) { m_prompt.ask = ask; }
    // For a run that shows nothing (/quiet): no prompt ever goes up, even
    // with a window (hidden) to own it; a proxy that wants a password
    // refuses the download.
    void ShowNoPrompts() { m_prompt.never.store(true); }

private:
    WinProxyPrompt m_prompt;
};

class WinFileSystem : public IFileSystem {
public:
    bool Find(const std::wstring& path, FoundFile& found) override;
    bool GetAttributes(const std::wstring& path, uint32_t& attributes) override;
    bool ReadStart(const std::wstring& path, uint32_t maxBytes, std::vector<uint8_t>& bytes) override;
    bool List(const std::wstring& pattern, std::vector<FoundFile>& found) override;
    std::unique_ptr<IOutputFile> CreateAlways(const std::wstring& path, uint32_t& error) override;
    std::unique_ptr<IOutputFile> OpenToAppend(const std::wstring& path, uint64_t& size, uint32_t& error) override;
    bool CreatePrivateFolder(const std::wstring& path, uint32_t& error) override;
    bool MakePrivate(const std::wstring& folder, uint32_t& error) override;
    bool IsOwnedByUser(const std::wstring& path) override;
    bool RemoveFolder(const std::wstring& path) override;
    bool Delete(const std::wstring& path) override;
    bool Move(const std::wstring& from, const std::wstring& to, uint32_t& error) override;
    bool FreeSpace(const std::wstring& folder, uint64_t& bytes, uint32_t& error) override;
};

class WinProcessRunner : public IProcessRunner {
public:
    std::unique_ptr<IProcess> StartHidden(const std::wstring& commandLine, const std::wstring& workingFolder,
                                          uint32_t& error) override;
    std::unique_ptr<IProcess> StartElevated(const std::wstring& program, const std::wstring& arguments,
                                            const std::wstring& workingFolder, uint32_t& error) override;
    void SetPromptOwner(WindowHandle owner) override { m_owner = owner; }

private:
    std::atomic<WindowHandle> m_owner{nullptr};
};

// SHA-256 with the system's CNG (bcrypt) and Authenticode with WinTrust,
// both loaded at first use from the system folder.
class WinFileTrust : public IFileTrust {
public:
    std::unique_ptr<IHeldFile> Hold(const std::wstring& path, uint32_t& error) override;
    std::unique_ptr<ISha256> NewSha256() override;
};

// ECDSA P-256 over SHA-256 with the system's CNG (bcrypt), loaded at first
// use from the system folder.
class WinSignatureVerifier : public ISignatureVerifier {
public:
    bool VerifyP256(const uint8_t* point, const uint8_t* data, size_t size, const uint8_t* signature,
                    uint32_t& error) override;
};
