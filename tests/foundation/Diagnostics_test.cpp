// Tests of ZEQMutex, ZEQThread, the fatal assertion and the debug outputs.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <thread>

#include "foundation/ZEQAssert.h"
#include "foundation/ZEQMutex.h"
#include "foundation/ZEQThread.h"

namespace {

class Worker : public ZEQThread {
public:
    Worker(bool startNow) : ZEQThread(&mArgument, startNow) {}
    ~Worker() override { teardown(true); }

    void execute(void* arg) override {
        mSeen = arg;
        while (!mStopRequested) {
            std::this_thread::yield();  // the body runs until asked to stop
        }
        mStopped = true;
    }
    void stop() override { mStopRequested = true; }
    void finish(void* arg) override { mFinished = arg == &mArgument; }

    int mArgument = 0;
    std::atomic<void*> mSeen{nullptr};
    std::atomic<bool> mStopRequested{false};
    std::atomic<bool> mFinished{false};
};

}  // namespace

TEST(ZEQThread, GateRunAndTeardown) {
    Worker worker(false);
    ASSERT_TRUE(worker.running());
    worker.run();
    worker.run();  // a second run does nothing
    worker.teardown(true);
    EXPECT_EQ(worker.mSeen.load(), &worker.mArgument);
    EXPECT_TRUE(worker.mFinished);
    EXPECT_FALSE(worker.running());
    EXPECT_FALSE(worker.stopped());
    worker.teardown(false);  // nothing running: returns at once
}

TEST(ZEQThread, SuspendedThreadEndsWithoutItsBody) {
    Worker worker(false);
    ASSERT_TRUE(worker.running());
    worker.cancel();
    EXPECT_FALSE(worker.running());
    EXPECT_EQ(worker.mSeen.load(), nullptr);
    EXPECT_FALSE(worker.mFinished);
}

TEST(Diagnostics, AssertionReport) {
    int value = 3;
    ZEQ_ASSERT(value == 3);
    EXPECT_DEATH(ZEQ_ASSERT(value == 4),
                 "^tests/foundation/Diagnostics_test.cpp:[0-9]+: failed assertion `value == 4'\n");
    EXPECT_STREQ(ZEQSourcePath("/home/someone/src/PPDUtils/TextConverter.cpp"),
                 "PPDUtils/TextConverter.cpp");
    EXPECT_STREQ(ZEQSourcePath("../../parser/ZEQPPD.cpp"), "parser/ZEQPPD.cpp");
    EXPECT_STREQ(ZEQSourcePath("elsewhere.cpp"), "elsewhere.cpp");
}

TEST(Diagnostics, DebugMessagesNeedPDEDebug) {
    unsetenv("PDEDebug");
    testing::internal::CaptureStdout();
    MyDebugMessage("quiet", 1);
    DebugPrintf("%s %d", "never", 2);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");

    setenv("PDEDebug", "", 1);
    testing::internal::CaptureStdout();
    MyDebugMessage("count", -7);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "count (-7)\n");
    unsetenv("PDEDebug");
}
