#pragma once
// What a fetch hands an answer to: the installer's file on disk, or the
// manifest's bytes in memory. The fetcher asks, follows, checks and reads;
// the receiver keeps what comes and says when it is whole.
#include <cstdint>
#include <string>

#include "tasks/FetchEnd.h"
#include "tasks/LengthAndRange.h"

// What the receiver already holds of the answer, so that the next request
// may ask for the rest only.
struct HeldPart {
    bool any = false;        // false: the whole answer is asked for
    uint64_t from = 0;       // the bytes held
    uint64_t total = 0;      // the length of the answer they came from
    std::wstring validator;  // If-Range's value; empty to ask without one
};

// A sound answer's headers as the fetcher read them.
struct FetchAnswer {
    bool continues = false;  // a 206 that continues the held part exactly
    uint32_t status = 0;
    download::LengthReading reading = download::LengthReading::Missing;
    uint64_t length = 0;     // when reading is Valid
    std::wstring validator;  // what a later resume would ask with; empty when none serves
    bool hasDate = false;    // this answer's Date, as seconds since 1970
    int64_t date = 0;
    std::wstring asked;  // the address asked
    std::wstring from;   // the address that answered, after redirects
};

class IFetchReceiver {
public:
    virtual ~IFetchReceiver() = default;

    // Before each request.
    virtual HeldPart Held() const { return HeldPart(); }
    // A sound answer, before its body: true when the body may come; false
    // with end when it may not.
    virtual bool Begin(const FetchAnswer& answer, FetchEnd& end) = 0;
    // The next bytes of the body: true to go on; false with end when the
    // attempt ends here (Done: nothing more is wanted). The bytes stay as
    // they are until the next Take of this body returns (the next chunk is
    // read into another place): the receiver may still be writing them
    // then, but is done with them before Finish, Drop, Held or Begin
    // returns.
    virtual bool Take(const uint8_t* bytes, uint32_t count, FetchEnd& end) = 0;
    // The body has ended and its answer is closed: how the attempt ends.
    virtual FetchEnd Finish() = 0;
    // What this answer brought is no part of what was asked for (a page
    // where a program should be): it goes, and the next answer starts from
    // byte 0.
    virtual void Drop() = 0;
};
