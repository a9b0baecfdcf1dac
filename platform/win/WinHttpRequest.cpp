#include "platform/win/WinHttpRequest.h"

#include <cstring>
#include <vector>

// The outcome of a read, owned jointly by the caller and the thread that
// makes the calls; the data lands here and is copied out only when the
// caller still waits for it. `progress` goes up with every piece that
// arrives, which is what the caller's stall limit watches. `piece` is the
// size of the next piece, carried from read to read (see FillFromConnection).
struct WinHttpReadResult {
    std::shared_ptr<void> request;
    std::vector<uint8_t> data;
    DWORD count = 0;
    BOOL ok = FALSE;
    DWORD error = 0;
    DWORD piece = 0;
    std::atomic<uint32_t> progress{0};
};

namespace {

// How long a read goes on filling its buffer once it has some bytes: a slow
// body is handed on at least this often, so the worker sees how fast it
// comes.
constexpr DWORD kHandOnMs = 1000;

// Pieces up to this size are read as they come: InternetQueryDataAvailable
// waits until some bytes are there and says how many (under Wine never more
// than WinINet's own 8 KB read buffer), and those are read. A larger piece
// is one InternetReadFile of that size, which waits until all of it is
// there.
constexpr DWORD kAsTheyComeBytes = 8 * 1024;

// The piece grows while pieces come at once and shrinks when one takes
// long: each piece then takes about a tenth of a second or less at the
// speed just seen, so the stall limit still sees a body that slows down
// (only a fall to a few hundredth of that speed within one piece would
// look like a stall, and the next attempt continues where it ended).
constexpr double kQuickPieceSeconds = 0.02;
constexpr double kSlowPieceSeconds = 0.1;

// Reads up to this size (the design's chunk of 51,200 bytes among them) are
// filled as the bytes come, always: small pieces reach 26 MB/s and more
// under Wine, far above the design's 5.12 MB/s, and every byte that comes
// is seen at once, so a body that falls to a trickle is judged by the
// minimum speed within its window, never held in one large piece. Only
// larger reads, asked for above the design's pace, grow their pieces.
constexpr DWORD kAlwaysAsTheyComeRead = 64 * 1024;

double Seconds()
{
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Reads the next piece into the buffer: as it comes while pieces are small,
// else one read of the piece's size. False with result.error when WinINet
// failed; got is 0 at the end of the data.
bool ReadPiece(WinHttpReadResult& result, HINTERNET request, DWORD size, DWORD& got)
{
    got = 0;
    DWORD want = size - result.count;
    if (result.piece <= kAsTheyComeBytes) {
        DWORD available = 0;
        if (!InternetQueryDataAvailable(request, &available, 0, 0)) {
            result.error = GetLastError();
            return false;
        }
        if (available == 0)
            return true;
        if (available < want)
            want = available;
    } else if (result.piece < want) {
        want = result.piece;
    }
    if (!InternetReadFile(request, result.data.data() + result.count, want, &got)) {
        result.error = GetLastError();
        return false;
    }
    return true;
}

// Fills the buffer from what the connection has, piece by piece: each piece
// waits only until its own bytes are there, so a slow server that still
// sends is told apart from one that sends nothing, and a fast one is read
// in pieces as large as the buffer.
void FillFromConnection(WinHttpReadResult& result, DWORD size)
{
    HINTERNET request = static_cast<HINTERNET>(result.request.get());
    const DWORD started = GetTickCount();
    if (result.piece == 0 || size <= kAlwaysAsTheyComeRead)
        result.piece = kAsTheyComeBytes;
    const bool grows = size > kAlwaysAsTheyComeRead;
    while (result.count < size && (result.count == 0 || GetTickCount() - started < kHandOnMs)) {
        const DWORD piece = result.piece;
        const double pieceStarted = Seconds();
        DWORD got = 0;
        if (!ReadPiece(result, request, size, got))
            return;
        if (got == 0)
            break;
        result.count += got;
        ++result.progress;
        const double took = Seconds() - pieceStarted;
        if (grows && took < kQuickPieceSeconds && got >= piece / 2 && piece < size)
            result.piece = piece * 2;
        else if (took > kSlowPieceSeconds && piece > kAsTheyComeBytes)
            result.piece = piece / 2;
    }
    result.ok = TRUE;
}

DWORD QueryOf(HttpHeader header)
{
    switch (header) {
    case HttpHeader::Location:
        return HTTP_QUERY_LOCATION;
    case HttpHeader::ETag:
        return HTTP_QUERY_ETAG;
    case HttpHeader::LastModified:
        return HTTP_QUERY_LAST_MODIFIED;
    case HttpHeader::ContentRange:
        return HTTP_QUERY_CONTENT_RANGE;
    case HttpHeader::RetryAfter:
        return HTTP_QUERY_RETRY_AFTER;
    case HttpHeader::Date:
        return HTTP_QUERY_DATE;
    case HttpHeader::ContentLength:
        return HTTP_QUERY_CONTENT_LENGTH;
    case HttpHeader::ContentType:
        return HTTP_QUERY_CONTENT_TYPE;
    }
    return HTTP_QUERY_LOCATION;
}

// Longest header value read; a longer one counts as absent.
constexpr DWORD kMaxHeaderChars = 8192;

// The most of a 407's own body read away before the request goes out again.
constexpr DWORD kMaxRefusalBody = 1024 * 1024;

// The system's prompt for a user name and password, for the proxy that
// answered the request with 407; what is given is set on the request.
// Without a window to own it, none is shown: a prompt of no window would
// wait unseen behind the others.
DWORD SystemProxyPrompt(HWND owner, HINTERNET request)
{
    if (owner == nullptr)
        return ERROR_CANCELLED;
    return InternetErrorDlg(owner, request, ERROR_INTERNET_INCORRECT_PASSWORD,
                            FLAGS_ERROR_UI_FILTER_FOR_ERRORS | FLAGS_ERROR_UI_FLAGS_GENERATE_DATA |
                                FLAGS_ERROR_UI_FLAGS_CHANGE_OPTIONS,
                            nullptr);
}

// One proxy login, owned jointly by the caller and the thread that makes
// the calls.
struct ProxyLoginCall {
    std::shared_ptr<void> request;
    HWND owner = nullptr;
    WinProxyPrompt::Ask ask = nullptr;
    DWORD answer = 0;
    BOOL sent = FALSE;
    DWORD error = 0;
};

}  // namespace

WinHttpRequest::~WinHttpRequest()
{
    // Wine's WinINet reads the rest of a body before it closes its request
    // (for as long as more has already arrived: a whole installer at the
    // line's speed), where Windows discards it. Closed on a helper thread
    // of its own, the request holds up neither the download's end nor the
    // launcher's exit. Its session stays open until it is closed.
    // Every hold of the handle goes there: the request's own and its reads'.
    if (m_caller && m_handle) {
        m_caller->Abandon([handle = std::move(m_handle), result = std::move(m_result)]() mutable {
            result.reset();
            handle.reset();
        });
    }
}

bool WinHttpRequest::QueryNumber(uint32_t query, uint32_t& value, uint32_t& error)
{
    DWORD number = 0;
    DWORD length = sizeof(number);
    if (!HttpQueryInfoW(static_cast<HINTERNET>(m_handle.get()), query | HTTP_QUERY_FLAG_NUMBER, &number, &length,
                        nullptr)) {
        error = GetLastError();
        return false;
    }
    value = number;
    return true;
}

bool WinHttpRequest::QueryStatusCode(uint32_t& status, uint32_t& error)
{
    return QueryNumber(HTTP_QUERY_STATUS_CODE, status, error);
}

bool WinHttpRequest::QueryHeader(HttpHeader header, std::wstring& value)
{
    std::vector<wchar_t> text(kMaxHeaderChars + 1, L'\0');
    DWORD bytes = static_cast<DWORD>(kMaxHeaderChars * sizeof(wchar_t));
    if (!HttpQueryInfoW(static_cast<HINTERNET>(m_handle.get()), QueryOf(header), text.data(), &bytes, nullptr))
        return false;
    value.assign(text.data(), bytes / sizeof(wchar_t));
    return true;
}

// Each header of that name in turn: the index names the one asked for and
// comes back as the next one's, until there is none (12150). The values
// are text, never HTTP_QUERY_FLAG_NUMBER: that reads only the first header,
// as a 32-bit number, and takes "-5" for 4294967291.
bool WinHttpRequest::QueryHeaderValues(HttpHeader header, std::vector<std::wstring>& values)
{
    values.clear();
    std::vector<wchar_t> text(kMaxHeaderChars + 1, L'\0');
    DWORD index = 0;
    for (;;) {
        DWORD bytes = static_cast<DWORD>(kMaxHeaderChars * sizeof(wchar_t));
        const DWORD asked = index;
        if (!HttpQueryInfoW(static_cast<HINTERNET>(m_handle.get()), QueryOf(header), text.data(), &bytes, &index)) {
            // One value too long to read: what it says is not known.
            if (GetLastError() != ERROR_HTTP_HEADER_NOT_FOUND)
                values.clear();
            break;
        }
        if (values.size() == kMaxHeaderValues) {
            values.clear();
            return false;
        }
        values.emplace_back(text.data(), bytes / sizeof(wchar_t));
        if (index <= asked)
            break;
    }
    return !values.empty();
}

bool WinHttpRequest::Read(void* buffer, uint32_t size, uint32_t& read, uint32_t& error,
                          const std::atomic<bool>& keepGoing, uint32_t stallLimitMs)
{
    read = 0;
    if (m_pendingError != 0) {
        error = m_pendingError;
        return false;
    }
    if (!m_result) {
        m_result = std::make_shared<WinHttpReadResult>();
        m_result->request = m_handle;
    }
    std::shared_ptr<WinHttpReadResult> result = m_result;
    if (result->data.size() < size)
        result->data.resize(size);
    result->count = 0;
    result->ok = FALSE;
    result->error = 0;
    const AbandonableCaller::End end = m_caller->Run(
        [result, size] { FillFromConnection(*result, size); }, keepGoing, stallLimitMs, &result->progress);
    if (end != AbandonableCaller::End::Done) {
        m_result.reset();
        error = end == AbandonableCaller::End::Stopped ? kHttpErrorCancelled : kHttpErrorTimeout;
        return false;
    }
    if (!result->ok) {
        if (result->count == 0) {
            error = result->error;
            return false;
        }
        m_pendingError = result->error != 0 ? result->error : kHttpErrorConnectionAborted;
    }
    read = result->count;
    std::memcpy(buffer, result->data.data(), read);
    return true;
}

// WinINet says of each request whether it went through a proxy (the
// system's settings may send some addresses direct). A request it says
// nothing of counts as direct: no prompt for a password goes up for it.
bool WinHttpRequest::ThroughProxy()
{
    DWORD flags = 0;
    DWORD size = sizeof(flags);
    if (!InternetQueryOptionW(static_cast<HINTERNET>(m_handle.get()), INTERNET_OPTION_REQUEST_FLAGS, &flags, &size))
        return false;
    return (flags & INTERNET_REQFLAG_VIA_PROXY) != 0;
}

bool WinHttpRequest::CanAskProxyLogin()
{
    return m_prompt != nullptr && !m_prompt->never.load() &&
           (m_prompt->ask != nullptr || m_prompt->owner.load() != nullptr);
}

// The prompt runs on the helper thread like every other call: a stop ends
// the wait for the user at once (the prompt is left to close with the
// process). The 407's body is read away first, so that the request goes
// out again on its kept-alive connection, which NTLM and Negotiate need.
IHttpRequest::ProxyLogin WinHttpRequest::AskProxyLogin(uint32_t& error, const std::atomic<bool>& keepGoing,
                                                       uint32_t stallLimitMs)
{
    if (!CanAskProxyLogin())
        return ProxyLogin::Refused;
    auto call = std::make_shared<ProxyLoginCall>();
    call->request = m_handle;
    call->owner = m_prompt->owner.load();
    call->ask = m_prompt->ask != nullptr ? m_prompt->ask : &SystemProxyPrompt;
    auto failed = [&error](AbandonableCaller::End end) {
        error = end == AbandonableCaller::End::Stopped ? kHttpErrorCancelled : kHttpErrorTimeout;
        return ProxyLogin::Failed;
    };

    AbandonableCaller::End end = m_caller->Run(
        [call] {
            HINTERNET request = static_cast<HINTERNET>(call->request.get());
            char sink[4096];
            DWORD got = 0;
            for (DWORD total = 0; total < kMaxRefusalBody; total += got) {
                if (!InternetReadFile(request, sink, sizeof(sink), &got) || got == 0)
                    break;
            }
        },
        keepGoing, stallLimitMs);
    if (end != AbandonableCaller::End::Done)
        return failed(end);
    // No time limit while the user answers.
    end = m_caller->Run([call] { call->answer = call->ask(call->owner, static_cast<HINTERNET>(call->request.get())); },
                        keepGoing);
    if (end != AbandonableCaller::End::Done)
        return failed(end);
    if (call->answer != ERROR_INTERNET_FORCE_RETRY)
        return ProxyLogin::Refused;
    end = m_caller->Run(
        [call] {
            call->sent = HttpSendRequestW(static_cast<HINTERNET>(call->request.get()), nullptr, 0, nullptr, 0);
            if (!call->sent)
                call->error = GetLastError();
        },
        keepGoing, stallLimitMs);
    if (end != AbandonableCaller::End::Done)
        return failed(end);
    if (!call->sent) {
        error = call->error;
        return ProxyLogin::Failed;
    }
    // A new answer: nothing of the old one's reads is left over.
    m_result.reset();
    m_pendingError = 0;
    return ProxyLogin::Resent;
}
