#include "tasks/LauncherDownload.h"

#include "platform/HttpRequest.h"
#include "platform/FileTrust.h"
#include "platform/OutputFile.h"
#include "tasks/CTaskEventHandler.h"
#include "tasks/Failure.h"
#include "tasks/Task.h"

LauncherDownload::LauncherDownload(IOutputFile& file, uint64_t size, const std::vector<uint8_t>& sha256,
                                   IFileTrust& trust, DownTask& task, CTaskEventHandler& handler, CThread& reporter)
    : m_file(file), m_size(size), m_sha256(sha256), m_trust(trust), m_task(task), m_handler(handler),
      m_reporter(reporter)
{
}

LauncherDownload::~LauncherDownload() = default;

bool LauncherDownload::Begin(const FetchAnswer& answer, FetchEnd& end)
{
    if (answer.reading != download::LengthReading::Valid) {
        end = FetchEnd::Final(Failure{FailureKind::ConnectionError, kHttpErrorHeaderNotFound});
        return false;
    }
    // Another length is another file: not from this address.
    if (answer.length != m_size) {
        end = FetchEnd::Final(Failure{FailureKind::HashMismatch});
        return false;
    }
    uint32_t error = 0;
    if (!m_file.Restart(error)) {
        end = FetchEnd::Fatal(Failure{FailureKind::WriteError, error});
        return false;
    }
    m_written = 0;
    m_digest = m_trust.NewSha256();
    m_task.totalSize.store(m_size);
    m_task.downloadedSize.store(0);
    m_task.state.store(TaskState::Downloading);
    m_handler.OnTaskProgress(&m_task, &m_reporter);
    return true;
}

bool LauncherDownload::Take(const uint8_t* bytes, uint32_t count, FetchEnd& end)
{
    if (count > m_size - m_written) {
        end = FetchEnd::Final(Failure{FailureKind::ConnectionError, kHttpErrorConnectionAborted});
        return false;
    }
    uint32_t written = 0;
    uint32_t error = 0;
    if (!m_file.Write(bytes, count, written, error) || written != count) {
        end = FetchEnd::Fatal(Failure{FailureKind::WriteError, error});
        return false;
    }
    if (m_digest != nullptr && !m_digest->Add(bytes, count))
        m_digest.reset();
    m_written += count;
    m_task.downloadedSize.store(m_written);
    m_handler.OnTaskProgress(&m_task, &m_reporter);
    return true;
}

FetchEnd LauncherDownload::Finish()
{
    // A body that broke off may be whole with the next attempt.
    if (m_written < m_size)
        return FetchEnd::Transient(Failure{FailureKind::ConnectionError, kHttpErrorConnectionAborted});
    // Another file of the same length: not from this address.
    std::vector<uint8_t> digest;
    if (m_digest != nullptr && m_digest->Finish(digest) && digest != m_sha256)
        return FetchEnd::Final(Failure{FailureKind::HashMismatch});
    uint32_t error = 0;
    if (!m_file.Flush(error))
        return FetchEnd::Fatal(Failure{FailureKind::WriteError, error});
    return FetchEnd::Done();
}

void LauncherDownload::Drop()
{
    uint32_t error = 0;
    m_file.Restart(error);
    m_written = 0;
    m_digest.reset();
}
