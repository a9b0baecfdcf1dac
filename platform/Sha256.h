#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// A SHA-256 digest computed piece by piece, as the bytes arrive (CNG's hash
// object on Windows).
class ISha256 {
public:
    virtual ~ISha256() = default;

    // Adds the next bytes; false when the system could not hash them (the
    // object is then of no further use).
    virtual bool Add(const uint8_t* bytes, size_t count) = 0;
    // The digest (32 bytes) of everything added; the object is spent.
    virtual bool Finish(std::vector<uint8_t>& digest) = 0;
};
