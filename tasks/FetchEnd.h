#pragma once
// How a fetch, or one attempt of it, ended. Made only by the named
// constructors below, so that every path says which end it is.
#include <cstdint>
#include <string>

class FetchEnd {
public:
    enum class Kind {
        Done,       // the whole answer is with its receiver
        Reused,     // the receiver needed no body: a finished file of an earlier run serves
        Again,      // the receiver refused a whole answer: the same address is asked again at once
        Transient,  // a failure that may pass: tried again after a pause
        Final,      // a failure for this address: the next one is asked at once
        Fatal,      // a failure for the whole fetch
    };

    static FetchEnd Done() { return FetchEnd(Kind::Done, std::wstring()); }
    static FetchEnd Reused() { return FetchEnd(Kind::Reused, std::wstring()); }
    static FetchEnd Again() { return FetchEnd(Kind::Again, std::wstring()); }
    static FetchEnd Transient(std::wstring message) { return FetchEnd(Kind::Transient, std::move(message)); }
    // A 429 or 503 whose Retry-After said how long to wait (milliseconds).
    static FetchEnd TransientAfter(std::wstring message, uint32_t retryAfterMs)
    {
        FetchEnd end(Kind::Transient, std::move(message));
        end.m_hasRetryAfter = true;
        end.m_retryAfterMs = retryAfterMs;
        return end;
    }
    static FetchEnd Final(std::wstring message) { return FetchEnd(Kind::Final, std::move(message)); }
    static FetchEnd Fatal(std::wstring message) { return FetchEnd(Kind::Fatal, std::move(message)); }
    // The worker is being stopped: fatal, with "强制退出".
    static FetchEnd Stopped();

    Kind GetKind() const { return m_kind; }
    bool Is(Kind kind) const { return m_kind == kind; }
    // The failure text (empty for Done, Reused and Again).
    const std::wstring& Message() const { return m_message; }
    bool HasRetryAfter() const { return m_hasRetryAfter; }
    uint32_t RetryAfterMs() const { return m_retryAfterMs; }

private:
    FetchEnd(Kind kind, std::wstring message) : m_kind(kind), m_message(std::move(message)) {}

    Kind m_kind;
    std::wstring m_message;
    bool m_hasRetryAfter = false;
    uint32_t m_retryAfterMs = 0;
};
