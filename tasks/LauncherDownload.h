#pragma once
// The new launcher's file as a fetch's receiver: the body goes into the
// file beside the running launcher, which must come to exactly the size
// the manifest names, with the SHA-256 it names computed as the bytes
// arrive (the closed file is checked once more before it is used). The
// bar follows it through the task's progress events.
#include <cstdint>
#include <memory>
#include <vector>

#include "tasks/FetchReceiver.h"

struct DownTask;
class CTaskEventHandler;
class CThread;
class IFileTrust;
class IOutputFile;
class ISha256;

class LauncherDownload : public IFetchReceiver {
public:
    LauncherDownload(IOutputFile& file, uint64_t size, const std::vector<uint8_t>& sha256, IFileTrust& trust,
                     DownTask& task, CTaskEventHandler& handler, CThread& reporter);
    ~LauncherDownload() override;

    // Every answer starts the file from byte 0: the launcher is small.
    bool Begin(const FetchAnswer& answer, FetchEnd& end) override;
    bool Take(const uint8_t* bytes, uint32_t count, FetchEnd& end) override;
    FetchEnd Finish() override;
    void Drop() override;

private:
    IOutputFile& m_file;
    const uint64_t m_size;
    const std::vector<uint8_t>& m_sha256;
    IFileTrust& m_trust;
    // The digest of the bytes of this answer so far; null when the system
    // gives no hash object (the closed file's check remains).
    std::unique_ptr<ISha256> m_digest;
    DownTask& m_task;
    CTaskEventHandler& m_handler;
    CThread& m_reporter;
    uint64_t m_written = 0;
};
