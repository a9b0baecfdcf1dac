// The writer beside the reads: each chunk taken once, in order, on a thread
// of its own while the caller goes on; a failed chunk ends the taking and is
// reported to the caller.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "tasks/ChunkWriter.h"

namespace {

class RecordingTaker : public IChunkTaker {
public:
    bool TakeChunk(const uint8_t* bytes, uint32_t count, uint32_t& error) override
    {
        std::unique_lock<std::mutex> lock(mutex);
        threads.push_back(std::this_thread::get_id());
        ++entered;
        changed.notify_all();
        changed.wait(lock, [this] { return !holding; });
        chunks.emplace_back(bytes, bytes + count);
        if (chunks.size() == failAt) {
            error = 112;
            return false;
        }
        return true;
    }
    void WaitEntered(size_t n)
    {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [&] { return entered >= n; });
    }
    void Release()
    {
        std::lock_guard<std::mutex> lock(mutex);
        holding = false;
        changed.notify_all();
    }

    std::mutex mutex;
    std::condition_variable changed;
    bool holding = false;
    size_t entered = 0;
    size_t failAt = 0;  // the chunk (1 for the first) whose write fails
    std::vector<std::vector<uint8_t>> chunks;
    std::vector<std::thread::id> threads;
};

TEST(ChunkWriter, TakesEachChunkOnItsOwnThreadWhileTheCallerGoesOn)
{
    RecordingTaker taker;
    taker.holding = true;
    ChunkWriter writer(taker);
    ASSERT_TRUE(writer.StartThread());
    const uint8_t first[] = {1, 2, 3};
    const uint8_t second[] = {4, 5};
    uint32_t error = 0;
    // Put returns while the first chunk is still being taken.
    ASSERT_TRUE(writer.Put(first, 3, error));
    taker.WaitEntered(1);
    taker.Release();
    ASSERT_TRUE(writer.Put(second, 2, error));
    ASSERT_TRUE(writer.Settle(error));

    EXPECT_EQ(taker.chunks, (std::vector<std::vector<uint8_t>>{{1, 2, 3}, {4, 5}}));
    ASSERT_EQ(taker.threads.size(), 2u);
    EXPECT_NE(taker.threads[0], std::this_thread::get_id());
}

TEST(ChunkWriter, AFailedChunkIsReportedAndNoChunkAfterItIsTaken)
{
    for (const bool thread : {true, false}) {
        SCOPED_TRACE(thread ? "on its thread" : "on the caller's thread");
        RecordingTaker taker;
        taker.failAt = 2;
        ChunkWriter writer(taker);
        if (thread) {
            ASSERT_TRUE(writer.StartThread());
        }
        const uint8_t chunk[] = {9};
        uint32_t error = 0;
        EXPECT_TRUE(writer.Put(chunk, 1, error));
        // Beside the reads the failure shows at the next chunk; taken at
        // once, at this one.
        EXPECT_EQ(writer.Put(chunk, 1, error), thread);
        EXPECT_FALSE(writer.Put(chunk, 1, error));
        EXPECT_EQ(error, 112u);
        EXPECT_FALSE(writer.Settle(error));
        EXPECT_EQ(error, 112u);
        EXPECT_EQ(taker.chunks.size(), 2u);
    }
}

}  // namespace
