#pragma once
// The new launcher's file as a fetch's receiver: the body goes into the
// file beside the running launcher, which must come to exactly the size
// the manifest names. The bar follows it through the task's progress
// events.
#include <cstdint>

#include "tasks/FetchReceiver.h"

struct DownTask;
class CTaskEventHandler;
class CThread;
class IOutputFile;

class LauncherDownload : public IFetchReceiver {
public:
    LauncherDownload(IOutputFile& file, uint64_t size, DownTask& task, CTaskEventHandler& handler, CThread& reporter);

    // Every answer starts the file from byte 0: the launcher is small.
    bool Begin(const FetchAnswer& answer, FetchEnd& end) override;
    bool Take(const uint8_t* bytes, uint32_t count, FetchEnd& end) override;
    FetchEnd Finish() override;
    void Drop() override;

private:
    IOutputFile& m_file;
    const uint64_t m_size;
    DownTask& m_task;
    CTaskEventHandler& m_handler;
    CThread& m_reporter;
    uint64_t m_written = 0;
};
