#pragma once
// How a fetch, or one attempt of it, ended. Made only by the named
// constructors below, so that every path says which end it is.
#include <cstdint>
#include <string>

#include "tasks/Failure.h"
#include "tasks/StatusTexts.h"

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

    static FetchEnd Done() { return FetchEnd(Kind::Done, Failure()); }
    static FetchEnd Reused() { return FetchEnd(Kind::Reused, Failure()); }
    static FetchEnd Again() { return FetchEnd(Kind::Again, Failure()); }
    static FetchEnd Transient(Failure failure) { return FetchEnd(Kind::Transient, failure); }
    // A 429 or 503 whose Retry-After said how long to wait (milliseconds).
    static FetchEnd TransientAfter(Failure failure, uint32_t retryAfterMs)
    {
        FetchEnd end(Kind::Transient, failure);
        end.m_hasRetryAfter = true;
        end.m_retryAfterMs = retryAfterMs;
        return end;
    }
    static FetchEnd Final(Failure failure) { return FetchEnd(Kind::Final, failure); }
    static FetchEnd Fatal(Failure failure) { return FetchEnd(Kind::Fatal, failure); }
    // The worker is being stopped: fatal, with "强制退出".
    static FetchEnd Stopped();

    Kind GetKind() const { return m_kind; }
    bool Is(Kind kind) const { return m_kind == kind; }
    // What failed (Transient, Final and Fatal only), and its status text.
    const Failure& What() const { return m_failure; }
    std::wstring Message() const { return status::FailureText(m_failure); }
    bool HasRetryAfter() const { return m_hasRetryAfter; }
    uint32_t RetryAfterMs() const { return m_retryAfterMs; }

private:
    FetchEnd(Kind kind, Failure failure) : m_kind(kind), m_failure(failure) {}

    Kind m_kind;
    Failure m_failure;
    bool m_hasRetryAfter = false;
    uint32_t m_retryAfterMs = 0;
};
