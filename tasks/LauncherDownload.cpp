#include "tasks/LauncherDownload.h"

#include "platform/HttpRequest.h"
#include "platform/OutputFile.h"
#include "tasks/CTaskEventHandler.h"
#include "tasks/StatusTexts.h"
#include "tasks/Task.h"

using status::WithCode;

LauncherDownload::LauncherDownload(IOutputFile& file, uint64_t size, DownTask& task, CTaskEventHandler& handler,
                                   CThread& reporter)
    : m_file(file), m_size(size), m_task(task), m_handler(handler), m_reporter(reporter)
{
}

bool LauncherDownload::Begin(const FetchAnswer& answer, FetchEnd& end)
{
    if (answer.reading != download::LengthReading::Valid) {
        end = FetchEnd::Final(WithCode(status::kConnectionError, kHttpErrorHeaderNotFound));
        return false;
    }
    // Another length is another file: not from this address.
    if (answer.length != m_size) {
        end = FetchEnd::Final(status::kHashMismatch);
        return false;
    }
    uint32_t error = 0;
    if (!m_file.Restart(error)) {
        end = FetchEnd::Fatal(WithCode(status::kWriteError, error));
        return false;
    }
    m_written = 0;
    m_task.totalSize.store(m_size);
    m_task.downloadedSize.store(0);
    m_task.state.store(TaskState::Downloading);
    m_handler.OnTaskProgress(&m_task, &m_reporter);
    return true;
}

bool LauncherDownload::Take(const uint8_t* bytes, uint32_t count, FetchEnd& end)
{
    if (count > m_size - m_written) {
        end = FetchEnd::Final(WithCode(status::kConnectionError, kHttpErrorConnectionAborted));
        return false;
    }
    uint32_t written = 0;
    uint32_t error = 0;
    if (!m_file.Write(bytes, count, written, error) || written != count) {
        end = FetchEnd::Fatal(WithCode(status::kWriteError, error));
        return false;
    }
    m_written += count;
    m_task.downloadedSize.store(m_written);
    m_handler.OnTaskProgress(&m_task, &m_reporter);
    return true;
}

FetchEnd LauncherDownload::Finish()
{
    // A body that broke off may be whole with the next attempt.
    if (m_written < m_size)
        return FetchEnd::Transient(WithCode(status::kConnectionError, kHttpErrorConnectionAborted));
    uint32_t error = 0;
    if (!m_file.Flush(error))
        return FetchEnd::Fatal(WithCode(status::kWriteError, error));
    return FetchEnd::Done();
}

void LauncherDownload::Drop()
{
    uint32_t error = 0;
    m_file.Restart(error);
    m_written = 0;
}
