#pragma once
// One fetcher for every request of a download, the manifest's and the
// installer's: it asks an address and hands a checked answer to its
// receiver. It follows redirects, goes through the system's proxy (asking
// the user for its password once), takes only sound answers, ends an
// attempt that stalls or trickles, knows a web page where a program or a
// text should be, tries again what may pass after a spread pause with its
// countdown, and goes down the addresses in order.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Log.h"
#include "platform/TaskPlatform.h"
#include "tasks/ContentCheck.h"
#include "tasks/FetchEnd.h"
#include "tasks/FetchReceiver.h"
#include "tasks/MirrorList.h"
#include "tasks/RetryPolicy.h"
#include "tasks/TransferRate.h"

struct DownTask;
class CTaskEventHandler;
class CThread;
class IClock;
class IFineTimer;
class IHttpClient;
class IHttpRequest;
class IHttpSession;
class IRandom;

// What is fetched, as the rules that judge it see it.
struct FetchOrder {
    // What the answer must be (a continuation is never judged).
    ContentCheck::Expect expect = ContentCheck::Expect::Anything;
    // The longest the body may take from its answer (0: no limit).
    uint32_t bodyDeadlineMs = 0;
    // The word the log gives its answers ("request", "manifest").
    const wchar_t* subject = L"request";
    // How fast the body is read.
    TransferRate rate;
};

class Fetcher {
public:
    static constexpr uint32_t kBufferSize = 51200;
    // At the design's pace, at most one chunk of kBufferSize bytes is read
    // per kChunkSpacingMs, start to start (other rates: TransferRate.h).
    static constexpr uint32_t kChunkSpacingMs = 10;

    // The countdown of a pause is reported for task, by reporter, to
    // handler; running is the worker's, and a stop ends every wait. Of the
    // seams it uses the log, the clock for pauses and deadlines, the random
    // source that spreads the pauses and the calendar clock (which a
    // certificate-date verdict asks); timings are the durations it waits by.
    Fetcher(DownTask& task, CTaskEventHandler& handler, CThread& reporter, const std::atomic<bool>& running,
            const TaskPlatform& seams, const download::Timings& timings);
    ~Fetcher();
    Fetcher(const Fetcher&) = delete;
    Fetcher& operator=(const Fetcher&) = delete;

    // Opens the session every request goes out on: false when the system
    // gives none.
    bool OpenSession(IHttpClient& http);
    // Closes the session and the request under way, if any.
    void Close();

    // Fetches from addresses, in their order, into receiver: Done or
    // Reused, or the failure that ended it (the last one when every
    // address has failed for good or the retries are used up).
    FetchEnd Fetch(MirrorList& addresses, IFetchReceiver& receiver, const FetchOrder& order);

private:
    // One request (with its redirects) and as much of the body as comes.
    FetchEnd Attempt(MirrorList& addresses, IFetchReceiver& receiver, const FetchOrder& order);
    // Opens address with the headers given, following up to ten
    // redirects: true with m_request open and status set; false and end
    // when there is no answer to read.
    bool Open(const std::wstring& address, const std::wstring& headers, uint32_t& status, FetchEnd& end);
    // Keeps the open answer's Date, for a certificate-date verdict.
    void NoteServerDate();
    // After a 407: a proxy's asks the user for its password, once in the
    // download (a server's own is invalid). True when the request went
    // through after all (status is then its new one); false with end set
    // otherwise.
    bool PassProxy(const std::wstring& url, uint32_t& status, FetchEnd& end);
    // The longest the next read may wait: the stall limit, or less when
    // the body's deadline comes sooner. False with end once it has passed.
    bool ReadLimit(const FetchOrder& order, uint64_t deadlineMs, uint32_t& stallLimitMs, FetchEnd& end);
    // Reads the body chunk by chunk into the receiver.
    FetchEnd Body(IFetchReceiver& receiver, const FetchOrder& order, bool continues);
    // Reads the next chunk of at most size bytes (n is 0 at the end).
    // False when the read failed or the worker was stopped; end then says
    // how the attempt ends.
    bool ReadChunk(uint8_t* buffer, uint32_t size, uint32_t stallLimitMs, uint32_t& n, FetchEnd& end);
    // Waits on fine until spacingUs after previousStartUs (the clock's
    // NowUs). False when the worker was stopped meanwhile.
    bool WaitForChunkSlot(IFineTimer& fine, uint64_t previousStartUs, uint64_t spacingUs);
    // Waits out the pause before retry k, reporting the countdown. False
    // when the worker was stopped meanwhile.
    bool PauseBeforeRetry(uint32_t k, uint32_t pauseMs);
    // The answer is a web page, or no program where one should be: logs
    // what came and has the receiver drop it.
    FetchEnd WrongContent(IFetchReceiver& receiver, ContentCheck::Expect expect, const std::wstring& contentType,
                          const ContentCheck& check);
    // Whether a certificate-date failure (12037) is this computer's clock;
    // logs the times compared when it is.
    bool ClockIsWrong();
    // One log line for an answer: address after redirects, route, resume
    // offset, status, length (the header's text when it is no single
    // number) and validator.
    void LogResponse(const FetchOrder& order, uint64_t resumedFrom, const FetchAnswer& answer,
                     const std::vector<std::wstring>& lengthValues);
    // The validator a resume of the open answer would carry (ETag or
    // Last-Modified), empty when it has none that can serve.
    std::wstring AnswerValidator() const;

    DownTask& m_task;
    CTaskEventHandler& m_handler;
    CThread& m_reporter;
    const std::atomic<bool>& m_running;
    ILog& m_log;
    IClock* m_clock;          // not owned
    IRandom* m_random;        // not owned
    IWallClock* m_wallClock;  // not owned
    const download::Timings m_timings;

    std::unique_ptr<IHttpSession> m_session;
    std::unique_ptr<IHttpRequest> m_request;
    // Where the chunks land, two chunks' worth: made for the first body,
    // and made larger once when a faster rate reads larger chunks.
    std::vector<uint8_t> m_buffer;
    std::wstring m_currentUrl;  // the address after redirects
    bool m_answered = false;    // a server has answered in this download
    // The last Date header read in this download, and how far this
    // computer's clock was ahead of it then (seconds).
    bool m_hasServerDate = false;
    int64_t m_serverDate = 0;
    int64_t m_clockAhead = 0;
    bool m_proxyLoginAsked = false;  // the user was asked for the proxy's password
};
