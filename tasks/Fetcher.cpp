#include "tasks/Fetcher.h"

#include "platform/AsciiText.h"
#include "platform/Clock.h"
#include "platform/DecimalText.h"
#include "platform/HttpClient.h"
#include "platform/Random.h"
#include "tasks/BuildTime.h"
#include "tasks/CTaskEventHandler.h"
#include "tasks/ClockCheck.h"
#include "tasks/ContentSniffing.h"
#include "tasks/DateText.h"
#include "tasks/LengthAndRange.h"
#include "tasks/Manifest.h"
#include "tasks/RetryPause.h"
#include "tasks/RetryPolicy.h"
#include "tasks/SpeedFloor.h"
#include "tasks/StatusTexts.h"
#include "tasks/Task.h"
#include "tasks/WebAddress.h"

namespace {

const wchar_t kUserAgent[] = L"quillmerexDownloader";


bool IsSuccessStatus(uint32_t status)
{
    return status >= 200 && status <= 299;
}

}  // namespace

FetchEnd FetchEnd::Stopped()
{
    return Fatal(Failure{FailureKind::Stopped});
}

Fetcher::Fetcher(DownTask& task, CTaskEventHandler& handler, CThread& reporter, const std::atomic<bool>& running,
                 const TaskPlatform& seams, const download::Timings& timings)
    : m_task(task), m_handler(handler), m_reporter(reporter), m_running(running), m_log(*seams.log),
      m_clock(seams.clock), m_random(seams.random), m_wallClock(seams.wallClock), m_timings(timings),
      m_buffer(2 * kBufferSize, 0)
{
}

Fetcher::~Fetcher() = default;

bool Fetcher::OpenSession(IHttpClient& http)
{
    uint32_t error = 0;
    m_session = http.OpenSession(kUserAgent, error);
    return m_session != nullptr;
}

void Fetcher::Close()
{
    m_request.reset();
    m_session.reset();
}

FetchEnd Fetcher::Fetch(MirrorList& addresses, IFetchReceiver& receiver, const FetchOrder& order)
{
    for (uint32_t retry = 0;;) {
        FetchEnd end = Attempt(addresses, receiver, order);
        m_request.reset();
        switch (end.GetKind()) {
        case FetchEnd::Kind::Done:
        case FetchEnd::Kind::Reused:
        case FetchEnd::Kind::Fatal:
            return end;
        case FetchEnd::Kind::Again:
            break;
        case FetchEnd::Kind::Final:
            // This address is out; the next one is tried at once.
            if (!m_running.load())
                return FetchEnd::Stopped();
            if (!addresses.Drop())
                return end;
            m_log.Write(L"download: \"" + end.Message() + L"\" is final for this address; next \"" +
                        download::LoggedAddress(addresses.Current()) + L"\"");
            break;
        case FetchEnd::Kind::Transient: {
            if (retry == download::kMaxRetries)
                return end;
            ++retry;
            const uint32_t pauseMs =
                download::SpreadPause(m_timings, retry, end.HasRetryAfter(), end.RetryAfterMs(), m_random->Next());
            std::wstring line = L"retry: " + DecimalText(retry) + L"/" + DecimalText(download::kMaxRetries) + L" in " +
                                DecimalText(pauseMs) + L" ms after " + end.Message();
            if (std::wstring(order.subject) != L"request")
                line += L" (" + std::wstring(order.subject) + L")";
            m_log.Write(line);
            if (!PauseBeforeRetry(retry, pauseMs))
                return FetchEnd::Stopped();
            addresses.MoveOn();
            break;
        }
        }
    }
}

FetchEnd Fetcher::Attempt(MirrorList& addresses, IFetchReceiver& receiver, const FetchOrder& order)
{
    // What the receiver holds and a validator to ask with: ask for the rest only.
    const HeldPart held = receiver.Held();
    uint32_t status = 0;
    if (addresses.Count() > 1)
        m_log.Write(L"attempt: \"" + download::LoggedAddress(addresses.Current()) + L"\"");
    FetchEnd end = FetchEnd::Done();
    if (!Open(addresses.Current(), held.any ? download::ResumeHeaders(held.from, held.validator) : std::wstring(),
              status, end))
        return end;

    FetchAnswer answer;
    if (held.any) {
        std::wstring range;
        if (status == 206 && m_request->QueryHeader(HttpHeader::ContentRange, range) &&
            download::RangeContinuesFile(range, held.from, held.total)) {
            answer.continues = true;
        } else if (status != 200 && (IsSuccessStatus(status) || status == 416)) {
            // A range that does not fit what is held, or none at all: ask
            // for the whole answer again.
            m_request.reset();
            if (!Open(addresses.Current(), std::wstring(), status, end))
                return end;
        }
        // A 200 is the whole answer again (it changed, or the server does
        // not do ranges); an error status is judged below.
    }

    // What the answer says of itself, read once for the log, the receiver
    // and a later resume.
    std::vector<std::wstring> lengthValues;
    m_request->QueryHeaderValues(HttpHeader::ContentLength, lengthValues);
    answer.status = status;
    answer.reading = download::ReadContentLength(lengthValues, answer.length);
    answer.validator = AnswerValidator();
    answer.asked = addresses.Current();
    answer.from = m_currentUrl;
    std::wstring date;
    answer.hasDate = m_request->QueryHeader(HttpHeader::Date, date) && ParseHttpDate(date, answer.date);
    LogResponse(order, answer.continues ? held.from : 0, answer, lengthValues);
    if (!IsSuccessStatus(status)) {
        const Failure failure{FailureKind::ConnectionError, status};
        const bool transient = download::IsTransientStatus(status);
        std::wstring retryAfter;
        uint32_t retryAfterMs = 0;
        if (transient && (status == 429 || status == 503) &&
            m_request->QueryHeader(HttpHeader::RetryAfter, retryAfter) &&
            download::ParseRetryAfter(retryAfter, retryAfterMs))
            return FetchEnd::TransientAfter(failure, retryAfterMs);
        return transient ? FetchEnd::Transient(failure) : FetchEnd::Final(failure);
    }

    // Only a 200 is the whole answer, and a 206 only the rest that was
    // asked for: a part sent unasked, or an answer with lengths that
    // differ, would be taken for the whole file and run cut off. Such an
    // answer is invalid, as one without a status line is, and asking the
    // same address again would get the same: the next one is asked.
    if ((status != 200 && !(status == 206 && answer.continues)) ||
        answer.reading == download::LengthReading::Conflicting)
        return FetchEnd::Final(Failure{FailureKind::AddressUnavailable, kHttpErrorInvalidResponse});

    if (!receiver.Begin(answer, end))
        return end;
    return Body(receiver, order, answer.continues);
}

bool Fetcher::Open(const std::wstring& address, const std::wstring& headers, uint32_t& status, FetchEnd& end)
{
    std::wstring url = address;
    for (uint32_t redirects = 0;; ++redirects) {
        uint32_t error = 0;
        m_request = m_session->OpenUrl(url, headers, error, m_running, m_timings.stallLimitMs);
        if (!m_request) {
            if (!m_running.load()) {
                end = FetchEnd::Stopped();
                return false;
            }
            if (error == kHttpErrorCertificateDate && ClockIsWrong()) {
                end = FetchEnd::Final(Failure{FailureKind::WrongClock});
                return false;
            }
            const Failure failure{FailureKind::AddressUnavailable, error};
            end = download::IsTransientError(error, m_answered) ? FetchEnd::Transient(failure)
                                                                : FetchEnd::Final(failure);
            return false;
        }
        // An answer without a status line (Wine hands a connection closed
        // without a word on as status 0) is no valid answer at all, as
        // Windows says at once: final for this address.
        if (!m_request->QueryStatusCode(status, error) || status < 100 || status > 999) {
            end = FetchEnd::Final(Failure{FailureKind::AddressUnavailable, kHttpErrorInvalidResponse});
            return false;
        }
        m_answered = true;
        NoteServerDate();
        if (status == kHttpStatusProxyAuthenticationRequired && !PassProxy(url, status, end))
            return false;
        if (!download::IsRedirectStatus(status)) {
            m_currentUrl = url;
            return true;
        }
        // A redirect without a place to go is an answer like any other
        // 3xx: no download.
        std::wstring location;
        if (!m_request->QueryHeader(HttpHeader::Location, location)) {
            end = FetchEnd::Final(Failure{FailureKind::ConnectionError, status});
            return false;
        }
        // A control character would go out in the next request line, where
        // a carriage return could start a header of its own.
        const std::wstring next = download::ResolveLocation(url, location);
        if (HasControlCharacter(location) || HasControlCharacter(next)) {
            m_log.Write(L"redirect: \"" + download::LoggedAddress(url) + L"\" -> HTTP " + DecimalText(status) +
                        L" to \"" + WithControlsEscaped(location) + L"\" refused: control characters");
            end = FetchEnd::Final(Failure{FailureKind::AddressUnavailable, kHttpErrorRedirectFailed});
            return false;
        }
        if (redirects == download::kMaxRedirects || next.empty()) {
            end = FetchEnd::Final(Failure{FailureKind::AddressUnavailable, kHttpErrorRedirectFailed});
            return false;
        }
        // An installer asked for over https never comes over plain http.
        if (download::IsHttps(url) && !download::IsHttps(next)) {
            end = FetchEnd::Final(Failure{FailureKind::AddressUnavailable, kHttpErrorHttpsToHttp});
            return false;
        }
        m_log.Write(L"redirect: \"" + download::LoggedAddress(url) + L"\" -> HTTP " + DecimalText(status) +
                    L" to \"" + download::LoggedAddress(next) + L"\"");
        m_request.reset();
        url = next;
    }
}

void Fetcher::NoteServerDate()
{
    std::wstring date;
    int64_t dated = 0;
    if (m_request->QueryHeader(HttpHeader::Date, date) && ParseHttpDate(date, dated)) {
        m_hasServerDate = true;
        m_serverDate = dated;
        m_clockAhead = m_wallClock->NowSeconds() - dated;
    }
}

bool Fetcher::PassProxy(const std::wstring& url, uint32_t& status, FetchEnd& end)
{
    // The prompt is for a proxy's password only: a server reached directly
    // that asks for one (in words of its own choosing) is given none, and
    // its answer is invalid for this address.
    if (!m_request->ThroughProxy()) {
        m_log.Write(L"proxy: HTTP 407 at \"" + download::LoggedAddress(url) + L"\" " + m_session->Route() +
                    L" came from the server, not a proxy; no password is asked");
        end = FetchEnd::Final(Failure{FailureKind::ConnectionError, status});
        return false;
    }
    // The system has already offered the user's own logon where the proxy
    // takes one. Every address goes through the same proxy: a refusal
    // ends the whole download.
    if (!m_proxyLoginAsked && !m_request->CanAskProxyLogin()) {
        // A run that shows nothing waits on nobody.
        m_proxyLoginAsked = true;
        m_log.Write(L"proxy: HTTP 407 at \"" + download::LoggedAddress(url) + L"\" " + m_session->Route() +
                    L"; a password is needed, and no prompt can be shown in this run");
    }
    if (!m_proxyLoginAsked) {
        m_proxyLoginAsked = true;
        m_log.Write(L"proxy: HTTP 407 at \"" + download::LoggedAddress(url) + L"\" " + m_session->Route() +
                    L"; the user is asked for the proxy's password");
        uint32_t error = 0;
        switch (m_request->AskProxyLogin(error, m_running, m_timings.stallLimitMs)) {
        case IHttpRequest::ProxyLogin::Resent:
            if (!m_request->QueryStatusCode(status, error) || status < 100 || status > 999) {
                end = FetchEnd::Final(Failure{FailureKind::AddressUnavailable, kHttpErrorInvalidResponse});
                return false;
            }
            m_log.Write(L"proxy: sent again with the password given -> HTTP " + DecimalText(status));
            if (status != kHttpStatusProxyAuthenticationRequired)
                return true;
            break;
        case IHttpRequest::ProxyLogin::Refused:
            m_log.Write(L"proxy: no password given");
            break;
        case IHttpRequest::ProxyLogin::Failed: {
            if (!m_running.load()) {
                end = FetchEnd::Stopped();
                return false;
            }
            const Failure failure{FailureKind::AddressUnavailable, error};
            end = download::IsTransientError(error, m_answered) ? FetchEnd::Transient(failure)
                                                                : FetchEnd::Final(failure);
            return false;
        }
        }
    }
    end = FetchEnd::Fatal(Failure{FailureKind::AddressUnavailable, kHttpStatusProxyAuthenticationRequired});
    return false;
}

FetchEnd Fetcher::Body(IFetchReceiver& receiver, const FetchOrder& order, bool continues)
{
    bool first = true;
    uint64_t startedUs = 0;
    SpeedFloor floor(m_timings.speedFloorBytes, m_timings.speedWindowMs);
    floor.Start(m_clock->NowMs());
    // What will be run, or read as a text, is judged by its first bytes
    // before any is kept; a continuation's first bytes are not the file's.
    std::wstring contentType;
    const ContentCheck::Expect expect = continues ? ContentCheck::Expect::Anything : order.expect;
    if (expect != ContentCheck::Expect::Anything)
        m_request->QueryHeader(HttpHeader::ContentType, contentType);
    ContentCheck check(expect, contentType);
    const ChunkPace pace = PaceFor(order.rate);
    if (m_buffer.size() < 2 * size_t{pace.chunkBytes})
        m_buffer.resize(2 * size_t{pace.chunkBytes});
    // The chunks land in the two halves of the buffer in turn, so that the
    // receiver may still be writing one while the next is read.
    uint8_t* halves[2] = {m_buffer.data(), m_buffer.data() + pace.chunkBytes};
    uint32_t turn = 0;
    // The chunks are paced (10 ms apart at the design's pace): from the
    // first chunk to the body's end, on any way it ends, the pauses between
    // them wait on a fine timer of this transfer's own. No retry's pause
    // and no prompt comes while it lives. At the line's speed nothing
    // waits, and no fine timer is asked for.
    std::unique_ptr<IFineTimer> fine;
    // A body with a deadline: no read waits past it, and a chunk that
    // comes after it ends the attempt as a stall.
    const uint64_t deadlineMs = m_clock->NowMs() + order.bodyDeadlineMs;
    for (;;) {
        if (!m_running.load())
            return FetchEnd::Stopped();
        if (!first && fine && !WaitForChunkSlot(*fine, startedUs, pace.spacingUs))
            return FetchEnd::Stopped();
        first = false;
        startedUs = m_clock->NowUs();
        uint32_t stallLimitMs = 0;
        FetchEnd end = FetchEnd::Done();
        if (!ReadLimit(order, deadlineMs, stallLimitMs, end))
            return end;
        uint8_t* buffer = halves[turn];
        turn ^= 1;
        uint32_t n = 0;
        if (!ReadChunk(buffer, pace.chunkBytes, stallLimitMs, n, end))
            return end;
        if (n == 0)
            break;
        if (!fine && pace.spacingUs != 0)
            fine = m_clock->FineTimer();
        if (check.Add(buffer, n) == ContentCheck::Verdict::Page)
            return WrongContent(receiver, expect, contentType, check);
        floor.Add(m_clock->NowMs(), n);
        if (!receiver.Take(buffer, n, end))
            return end;
        // A trickle ends like a stall, and the next attempt asks for the rest.
        if (floor.TooSlow(m_clock->NowMs())) {
            m_log.Write(L"download: fewer than " + DecimalText(m_timings.speedFloorBytes) + L" bytes in the last " +
                        DecimalText(m_timings.speedWindowMs) + L" ms");
            return FetchEnd::Transient(Failure{FailureKind::ConnectionError, kHttpErrorTimeout});
        }
    }
    if (check.AtEnd() == ContentCheck::Verdict::Page)
        return WrongContent(receiver, expect, contentType, check);
    m_request.reset();
    return receiver.Finish();
}

bool Fetcher::ReadLimit(const FetchOrder& order, uint64_t deadlineMs, uint32_t& stallLimitMs, FetchEnd& end)
{
    stallLimitMs = m_timings.stallLimitMs;
    if (order.bodyDeadlineMs == 0)
        return true;
    const uint64_t nowMs = m_clock->NowMs();
    const uint64_t leftMs = deadlineMs > nowMs ? deadlineMs - nowMs : 0;
    if (leftMs == 0) {
        m_log.Write(L"download: the " + std::wstring(order.subject) + L"'s body did not end within " +
                    DecimalText(order.bodyDeadlineMs) + L" ms");
        end = FetchEnd::Transient(Failure{FailureKind::ConnectionError, kHttpErrorTimeout});
        return false;
    }
    if (stallLimitMs == 0 || leftMs < stallLimitMs)
        stallLimitMs = static_cast<uint32_t>(leftMs);
    return true;
}

// Chunks start spacingUs apart at the least (kChunkSpacingMs at the
// design's pace), counted from the start of one read to the start of the next, so that the read and the write fall
// within the spacing instead of adding to it. A chunk that starts late
// (a slow read, a late wake-up) moves the next one on with it: the time
// lost is not made up with chunks closer together.
bool Fetcher::WaitForChunkSlot(IFineTimer& fine, uint64_t previousStartUs, uint64_t spacingUs)
{
    const uint64_t dueUs = previousStartUs + spacingUs;
    const uint64_t nowUs = m_clock->NowUs();
    if (nowUs >= dueUs)
        return m_running.load();
    return fine.WaitUs(dueUs - nowUs, m_running);
}

bool Fetcher::ReadChunk(uint8_t* buffer, uint32_t size, uint32_t stallLimitMs, uint32_t& n, FetchEnd& end)
{
    uint32_t error = 0;
    if (m_request->Read(buffer, size, n, error, m_running, stallLimitMs))
        return true;
    if (!m_running.load()) {
        end = FetchEnd::Stopped();
        return false;
    }
    const Failure failure{FailureKind::ConnectionError, error};
    end = download::IsTransientError(error, m_answered) ? FetchEnd::Transient(failure) : FetchEnd::Final(failure);
    return false;
}

FetchEnd Fetcher::WrongContent(IFetchReceiver& receiver, ContentCheck::Expect expect, const std::wstring& contentType,
                               const ContentCheck& check)
{
    m_log.Write(L"download: \"" + download::LoggedAddress(m_currentUrl) + L"\" sent " +
                (contentType.empty() ? std::wstring(L"no content type") :
                                       L"content type \"" + WithControlsEscaped(contentType) + L"\"") +
                L", starting \"" + download::PrintableBytes(check.Start(), check.StartCount()) +
                (expect == ContentCheck::Expect::Program ? L"\": no program" : L"\": a web page") +
                L"; nothing kept");
    // Another address may serve it, from byte 0: a byte of this answer
    // that came alone before the verdict is no part of it. A captive
    // portal answers for every address, each after its first chunk.
    receiver.Drop();
    return FetchEnd::Final(Failure{FailureKind::WrongContent});
}

bool Fetcher::ClockIsWrong()
{
    const int64_t now = m_wallClock->NowSeconds();
    if (!download::ClockLooksWrong(now, kBuildTime, m_hasServerDate, m_clockAhead))
        return false;
    std::wstring line = L"clock: certificate date refused (12037) while this computer's clock says " +
                        download::UtcText(now) + L"; the launcher was built " + download::UtcText(kBuildTime);
    if (m_hasServerDate)
        line += L", the server's Date said " + download::UtcText(m_serverDate) + L" when the clock said " +
                download::UtcText(m_serverDate + m_clockAhead);
    m_log.Write(line);
    return true;
}

bool Fetcher::PauseBeforeRetry(uint32_t k, uint32_t pauseMs)
{
    // The task's state before the pause comes back after it: the status
    // line leaves the countdown for what it showed.
    const TaskState before = m_task.state.load();
    const uint64_t end = m_clock->NowMs() + pauseMs;
    uint32_t shown = 0;
    for (;;) {
        if (!m_running.load())
            return false;
        const uint64_t now = m_clock->NowMs();
        if (now >= end)
            break;
        const uint64_t left = end - now;
        const uint32_t seconds = static_cast<uint32_t>((left + 999) / 1000);
        if (seconds != shown) {
            shown = seconds;
            m_task.retrySeconds.store(seconds);
            m_task.retryNumber.store(k);
            m_task.state.store(TaskState::Retrying);
            m_handler.OnTaskProgress(&m_task, &m_reporter);
        }
        // Until the number of whole seconds left goes down by one.
        if (!m_clock->Wait(static_cast<uint32_t>(left - (seconds - 1) * 1000ull), m_running))
            return false;
    }
    m_task.state.store(before);
    m_handler.OnTaskProgress(&m_task, &m_reporter);
    return m_running.load();
}

std::wstring Fetcher::AnswerValidator() const
{
    std::wstring etag;
    std::wstring lastModified;
    m_request->QueryHeader(HttpHeader::ETag, etag);
    m_request->QueryHeader(HttpHeader::LastModified, lastModified);
    return download::RangeValidator(etag, lastModified);
}

void Fetcher::LogResponse(const FetchOrder& order, uint64_t resumedFrom, const FetchAnswer& answer,
                          const std::vector<std::wstring>& lengthValues)
{
    std::wstring line = std::wstring(order.subject) + L": \"" + download::LoggedAddress(m_currentUrl) + L"\" " +
                        m_session->Route();
    if (answer.continues)
        line += L", resumed from byte " + DecimalText(resumedFrom);
    line += L" -> HTTP " + DecimalText(answer.status);
    switch (answer.reading) {
    case download::LengthReading::Valid:
        line += L", length " + DecimalText(answer.length);
        break;
    case download::LengthReading::Missing:
        line += L", no length";
        break;
    case download::LengthReading::NotANumber:
    case download::LengthReading::Conflicting:
        line += answer.reading == download::LengthReading::NotANumber ? L", length not a number:"
                                                                     : L", lengths differ:";
        for (size_t i = 0; i < lengthValues.size(); ++i)
            line += (i == 0 ? L" \"" : L", \"") + WithControlsEscaped(lengthValues[i]) + L"\"";
        break;
    }
    line += answer.validator.empty() ? std::wstring(L", no validator") : L", validator " + answer.validator;
    m_log.Write(line);
}
