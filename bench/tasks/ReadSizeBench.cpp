// Which read size reaches the line: the whole body of an address read
// through the launcher's own HTTP classes (WinHttpClient, its session and
// request: each Read goes through the session's helper thread and fills
// the buffer piece by piece) with reads of 51,200 bytes, 256 KiB, 1 MiB and
// 4 MiB, and, for the cost of those classes, through WinINet directly
// (InternetReadFile of the same sizes on a handle opened with the same
// flags), once with plain reads and once filling each read piece by piece
// as the launcher's request does, on the calling thread (what is left is
// the cost of the helper thread). Nothing is written: a read loop, as fast
// as it goes. Each way opens its own session, so each transfer has a new
// connection.
//
// One round: every way once, in an order that turns with the round, so
// that no way always runs first. Prints one line per transfer,
//   <way> <read size> <bytes> <seconds> <process CPU seconds> <pieces>
// (pieces: the WinINet reads made, where the way counts them; 0 where not)
// for run_read_size_bench.sh, which times curl beside it and sums up.
//
//   read_size_bench.exe <url> [round number]
#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "bench/tasks/BenchTask.h"
#include "platform/HttpRequest.h"
#include "platform/HttpSession.h"
#include "platform/win/InternetHandle.h"
#include "platform/win/WinTaskPlatform.h"

namespace {

constexpr uint32_t kReadSizes[] = {51200, 256 * 1024, 1024 * 1024, 4 * 1024 * 1024};
constexpr uint32_t kStallLimitMs = 30000;
const wchar_t kUserAgent[] = L"quillmerexDownloader";

struct Transfer {
    bool ok = false;
    uint64_t bytes = 0;
    uint64_t announced = 0;
    double seconds = 0.0;
    double cpuSeconds = 0.0;
    uint64_t pieces = 0;
};

// Reads the body to its end with read (one read into the buffer: false on
// a failure, with its code; 0 bytes at the end) and times the transfer
// from start and cpu, taken before its request was opened.
template <typename Read>
void ReadToEnd(Transfer& t, double start, double cpu, Read read)
{
    for (;;) {
        uint32_t got = 0, error = 0;
        if (!read(got, error)) {
            std::fprintf(stderr, "a read failed after %llu bytes: %u\n", static_cast<unsigned long long>(t.bytes),
                         error);
            return;
        }
        if (got == 0)
            break;
        t.bytes += got;
    }
    t.seconds = Now() - start;
    t.cpuSeconds = ProcessCpuSeconds() - cpu;
    t.ok = true;
}

// The launcher's own classes, as the download worker uses them.
Transfer ThroughTheClasses(const std::wstring& url, uint32_t size, std::vector<uint8_t>& buffer)
{
    Transfer t;
    WinHttpClient client;
    uint32_t error = client.AttemptConnect();
    if (error != 0) {
        std::fprintf(stderr, "no connection: %u\n", error);
        return t;
    }
    const std::atomic<bool> keepGoing{true};
    const double cpu = ProcessCpuSeconds();
    const double start = Now();
    std::unique_ptr<IHttpSession> session = client.OpenSession(kUserAgent, error);
    std::unique_ptr<IHttpRequest> request =
        session ? session->OpenUrl(url, std::wstring(), error, keepGoing, kStallLimitMs) : nullptr;
    uint32_t status = 0;
    if (!request || !request->QueryStatusCode(status, error) || status != 200) {
        std::fprintf(stderr, "the request failed: error %u, status %u\n", error, status);
        return t;
    }
    std::wstring length;
    if (request->QueryHeader(HttpHeader::ContentLength, length))
        t.announced = std::wcstoull(length.c_str(), nullptr, 10);
    ReadToEnd(t, start, cpu, [&](uint32_t& read, uint32_t& readError) {
        return request->Read(buffer.data(), size, read, readError, keepGoing, kStallLimitMs);
    });
    return t;
}

// Fills the buffer as the launcher's request does (WinHttpRequest.cpp,
// FillFromConnection): what InternetQueryDataAvailable says is there, read
// piece by piece until the buffer is full, the data ends or a second has
// passed with some bytes in hand.
bool FillInPieces(HINTERNET request, uint8_t* buffer, DWORD size, DWORD& count, uint64_t& pieces)
{
    count = 0;
    const DWORD started = GetTickCount();
    while (count < size && (count == 0 || GetTickCount() - started < 1000)) {
        DWORD available = 0;
        if (!InternetQueryDataAvailable(request, &available, 0, 0))
            return false;
        if (available == 0)
            break;
        const DWORD want = available < size - count ? available : size - count;
        DWORD got = 0;
        if (!InternetReadFile(request, buffer + count, want, &got))
            return false;
        if (got == 0)
            break;
        count += got;
        ++pieces;
    }
    return true;
}

// WinINet itself, with the flags the session opens addresses with: plain
// reads of the size, or each read filled in pieces.
Transfer ThroughWinInet(const std::wstring& url, uint32_t size, std::vector<uint8_t>& buffer, bool inPieces)
{
    Transfer t;
    const double cpu = ProcessCpuSeconds();
    const double start = Now();
    ScopedInternetHandle session(InternetOpenW(kUserAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    ScopedInternetHandle request(
        session ? InternetOpenUrlW(session.Get(), url.c_str(), nullptr, 0,
                                   INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_TRANSFER_BINARY |
                                       INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                                       INTERNET_FLAG_NO_AUTO_REDIRECT | INTERNET_FLAG_KEEP_CONNECTION,
                                   0)
                : nullptr);
    if (!request) {
        std::fprintf(stderr, "the request failed: error %lu\n", GetLastError());
        return t;
    }
    wchar_t length[32] = {};
    DWORD lengthBytes = sizeof(length) - sizeof(wchar_t);
    if (HttpQueryInfoW(request.Get(), HTTP_QUERY_CONTENT_LENGTH, length, &lengthBytes, nullptr))
        t.announced = std::wcstoull(length, nullptr, 10);
    ReadToEnd(t, start, cpu, [&](uint32_t& read, uint32_t& error) {
        DWORD got = 0;
        const bool ok = inPieces ? FillInPieces(request.Get(), buffer.data(), size, got, t.pieces)
                                 : InternetReadFile(request.Get(), buffer.data(), size, &got);
        if (!inPieces)
            ++t.pieces;
        read = got;
        error = ok ? 0 : GetLastError();
        return ok;
    });
    return t;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: read_size_bench.exe <url> [round number]\n");
        return 2;
    }
    const std::wstring url = argv[1];
    const int round = argc > 2 ? _wtoi(argv[2]) : 0;
    std::vector<uint8_t> buffer(kReadSizes[sizeof(kReadSizes) / sizeof(kReadSizes[0]) - 1]);

    enum class Kind { Classes, Pieces, Plain };
    struct Way {
        const char* name;
        uint32_t size;
        Kind kind;
    };
    std::vector<Way> ways;
    for (uint32_t size : kReadSizes) {
        ways.push_back({"launcher", size, Kind::Classes});
        ways.push_back({"pieces", size, Kind::Pieces});
        ways.push_back({"wininet", size, Kind::Plain});
    }
    for (size_t i = 0; i < ways.size(); ++i) {
        const Way& way = ways[(i + static_cast<size_t>(round) * 5) % ways.size()];
        const Transfer t = way.kind == Kind::Classes ? ThroughTheClasses(url, way.size, buffer)
                                                     : ThroughWinInet(url, way.size, buffer, way.kind == Kind::Pieces);
        if (!t.ok)
            return 1;
        if (t.bytes != t.announced) {
            std::fprintf(stderr, "%s %u: %llu bytes of %llu announced\n", way.name, way.size,
                         static_cast<unsigned long long>(t.bytes), static_cast<unsigned long long>(t.announced));
            return 1;
        }
        std::printf("%s %u %llu %.6f %.6f %llu\n", way.name, way.size, static_cast<unsigned long long>(t.bytes),
                    t.seconds, t.cpuSeconds, static_cast<unsigned long long>(t.pieces));
        std::fflush(stdout);
    }
    return 0;
}
