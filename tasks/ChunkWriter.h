#pragma once
// Takes the chunks of a body (writes them to the file, adds them to the
// digest) on a thread of its own while the next chunk is read, one chunk at
// a time and in order: at the line's speed the disk and the hash then cost
// no time of the reads'. Without its thread (not asked for, or none could
// be had) each chunk is taken at once on the caller's thread.
#include <cstdint>
#include <memory>

#include "platform/Threads.h"

// What takes a chunk: true when all of it reached the file, else false and
// the platform's code.
class IChunkTaker {
public:
    virtual ~IChunkTaker() = default;
    virtual bool TakeChunk(const uint8_t* bytes, uint32_t count, uint32_t& error) = 0;
};

class ChunkWriter {
public:
    explicit ChunkWriter(IChunkTaker& taker);
    // Waits for the chunk under way and ends the thread.
    ~ChunkWriter();
    ChunkWriter(const ChunkWriter&) = delete;
    ChunkWriter& operator=(const ChunkWriter&) = delete;

    // Starts the thread, once; false when none could be had (chunks are
    // then taken on the caller's thread).
    bool StartThread();
    bool HasThread() const { return thread != nullptr; }

    // Waits until the chunk before is taken, then hands this one over: its
    // bytes must stay as they are until the next Put or Settle returns.
    // False, with the code, when a chunk failed (this one, taken at once,
    // or one before): no chunk after a failed one is taken.
    bool Put(const uint8_t* bytes, uint32_t count, uint32_t& error);

    // Waits until every chunk handed over is taken; false with the code of
    // the one that failed, if one did.
    bool Settle(uint32_t& error);

private:
    static uint32_t Routine(void* parameter);
    void Take();

    IChunkTaker& taker;
    std::unique_ptr<IWakeUp> work;  // a chunk, or the end, is handed over
    std::unique_ptr<IWakeUp> done;  // the chunk handed over is taken
    std::unique_ptr<IThread> thread;
    // Written by the caller before `work`, read by the thread after it.
    const uint8_t* bytes = nullptr;
    uint32_t count = 0;
    bool quit = false;
    // Written by the thread before `done`, read by the caller after it.
    bool failed = false;
    uint32_t failure = 0;
    bool busy = false;  // a chunk is handed over and `done` not yet waited for
};
