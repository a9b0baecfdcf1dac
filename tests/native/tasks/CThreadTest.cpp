// The worker base on real threads: passes, stop, start twice, and the
// handle's single release. Also built with ThreadSanitizer.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "tasks/CThread.h"

namespace {

// Counts passes and, once it has made `limit`, asks to end.
class CountingThread : public CThread {
public:
    explicit CountingThread(int limit = -1) : m_limit(limit) {}
    ~CountingThread() override { Stop(); }

    bool Run() override
    {
        const int made = ++passes;
        return m_limit < 0 || made < m_limit;
    }

    std::atomic<int> passes{0};

private:
    int m_limit;
};

template <typename Predicate>
bool WaitFor(Predicate predicate)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!predicate()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

TEST(CThread, BaseRunKeepsPassingUntilStopped)
{
    CountingThread worker;
    ASSERT_TRUE(worker.Start());
    ASSERT_TRUE(WaitFor([&] { return worker.passes.load() >= 3; }));
    worker.Stop();
    const int made = worker.passes.load();
    EXPECT_FALSE(worker.HasThread());
    EXPECT_EQ(worker.ThreadId(), 0u);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(worker.passes.load(), made);
}

TEST(CThread, RunReturningFalseEndsTheThreadAndStopStillReleasesIt)
{
    CountingThread worker(1);
    ASSERT_TRUE(worker.Start());
    ASSERT_TRUE(WaitFor([&] { return worker.passes.load() == 1; }));
    // The thread has ended by itself: its handle waits for Stop, which
    // returns at once.
    EXPECT_TRUE(worker.HasThread());
    worker.Stop();
    EXPECT_FALSE(worker.HasThread());
    EXPECT_EQ(worker.passes.load(), 1);
}

TEST(CThread, StartWhileHoldingAThreadMakesNoSecond)
{
    CountingThread worker;
    ASSERT_TRUE(worker.Start());
    const uint32_t id = worker.ThreadId();
    EXPECT_NE(id, 0u);
    EXPECT_FALSE(worker.Start());
    EXPECT_EQ(worker.ThreadId(), id);
    worker.Stop();
}

TEST(CThread, StopWithoutThreadReturnsAtOnce)
{
    CountingThread worker;
    worker.Stop();
    EXPECT_FALSE(worker.HasThread());
    EXPECT_EQ(worker.passes.load(), 0);
}

TEST(CThread, CanBeStartedAgainAfterStop)
{
    CountingThread worker(2);
    ASSERT_TRUE(worker.Start());
    worker.Stop();
    ASSERT_TRUE(worker.Start());
    worker.Stop();
    EXPECT_LE(worker.passes.load(), 4);
}

TEST(CThread, DestroyingARunningWorkerStopsIt)
{
    auto worker = std::make_unique<CountingThread>();
    ASSERT_TRUE(worker->Start());
    ASSERT_TRUE(WaitFor([&] { return worker->passes.load() >= 1; }));
    worker.reset();
}

}  // namespace
