#pragma once
// How fast an installer's body is read: the publisher's choice in the
// configuration ("cver" "k_comm_rate"). The design's pace by default (one
// chunk of at most 51,200 bytes per 10 ms, one progress event per chunk),
// the line's own speed, or at most a number of bytes in any second.
#include <cstdint>
#include <string>

struct TransferRate {
    enum class Kind { Design, Line, Limit };
    Kind kind = Kind::Design;
    uint64_t bytesPerSecond = 0;  // when Limit; never 0

    static TransferRate Design() { return TransferRate(); }
    static TransferRate Line() { return TransferRate{Kind::Line, 0}; }
    static TransferRate Limit(uint64_t bytesPerSecond) { return TransferRate{Kind::Limit, bytesPerSecond}; }
};

// How a "k_comm_rate" value reads: absent or empty (the design's pace), a
// rate (0 for the line's speed, N > 0 for at most N bytes a second), or no
// number at all (the design's pace, and the log says so).
enum class RateReading { Absent, Valid, NotANumber };

// The value is decimal digits only (no sign, no spaces, no unit), within
// 64 bits.
RateReading ParseTransferRate(const std::wstring& text, TransferRate& rate);

// How the chunks of a body are read at a rate: at most chunkBytes per read,
// the starts of two reads at least spacingUs apart (0: no pause). No second
// then holds more than the limit: at most 1,000,000 / spacingUs starts fall
// within it, of chunkBytes each.
struct ChunkPace {
    uint32_t chunkBytes = 51200;
    uint64_t spacingUs = 10000;
};

// The largest read: the size that reaches the line in the read-size and
// line-rate benchmarks (bench/tasks/README.md; reads of 512 KiB, written
// beside the reads, reached 0.6 to 0.7 of it in the same runs). The reads
// land in a buffer of two chunks, one written while the next is read.
constexpr uint32_t kLineReadBytes = 1024 * 1024;

ChunkPace PaceFor(const TransferRate& rate);

// The rate as the log shows it.
std::wstring RateText(const TransferRate& rate);
