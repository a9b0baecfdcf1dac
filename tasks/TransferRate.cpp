#include "tasks/TransferRate.h"

#include "platform/DecimalText.h"

namespace {

constexpr uint32_t kDesignChunkBytes = 51200;
constexpr uint64_t kDesignSpacingUs = 10000;
// The most reads a second at a limit: one per 10 ms, or more where a read
// of kLineReadBytes per 10 ms is below the limit.
constexpr uint64_t kLimitReadsPerSecond = 100;

}  // namespace

RateReading ParseTransferRate(const std::wstring& text, TransferRate& rate)
{
    rate = TransferRate::Design();
    if (text.empty())
        return RateReading::Absent;
    uint64_t value = 0;
    if (!ParseNumber(text, value))
        return RateReading::NotANumber;
    rate = value == 0 ? TransferRate::Line() : TransferRate::Limit(value);
    return RateReading::Valid;
}

ChunkPace PaceFor(const TransferRate& rate)
{
    ChunkPace pace;
    switch (rate.kind) {
    case TransferRate::Kind::Design:
        pace.chunkBytes = kDesignChunkBytes;
        pace.spacingUs = kDesignSpacingUs;
        break;
    case TransferRate::Kind::Line:
        pace.chunkBytes = kLineReadBytes;
        pace.spacingUs = 0;
        break;
    case TransferRate::Kind::Limit: {
        // reads a second, each of chunkBytes = limit / reads (at least 1):
        // reads times chunkBytes never passes the limit, and reads starts
        // spaced 1,000,000 / reads µs apart (rounded up) fit in no second
        // more than reads times.
        const uint64_t limit = rate.bytesPerSecond;
        uint64_t reads = kLimitReadsPerSecond;
        if (limit < reads)
            reads = limit;
        const uint64_t forLargest = (limit + kLineReadBytes - 1) / kLineReadBytes;
        if (forLargest > reads)
            reads = forLargest;
        if (reads > 1000000) {
            // Faster than a read of kLineReadBytes every microsecond: the
            // line's own speed.
            pace.chunkBytes = kLineReadBytes;
            pace.spacingUs = 0;
            break;
        }
        pace.chunkBytes = static_cast<uint32_t>(limit / reads);
        pace.spacingUs = (1000000 + reads - 1) / reads;
        break;
    }
    }
    return pace;
}

std::wstring RateText(const TransferRate& rate)
{
    switch (rate.kind) {
    case TransferRate::Kind::Design:
        return L"the design's pace (51,200 bytes per 10 ms)";
    case TransferRate::Kind::Line:
        return L"the line's speed";
    case TransferRate::Kind::Limit:
        break;
    }
    return L"at most " + DecimalText(rate.bytesPerSecond) + L" bytes a second";
}
