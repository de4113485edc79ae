// Tests of the Memory Manager handles and the allocation-failure hook.
#include "platform/AllocationHook.h"
#include "platform/MacMemory.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(MacMemory, HandlesGrowShrinkAndKeepTheirBytes) {
    Handle h = NewHandle(4);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(MemError(), noErr);
    EXPECT_EQ(GetHandleSize(h), 4);
    std::memcpy(*h, "abcd", 4);
    HLock(h);
    SetHandleSize(h, 100000);
    EXPECT_EQ(MemError(), noErr);
    EXPECT_EQ(GetHandleSize(h), 100000);
    EXPECT_EQ(std::memcmp(*h, "abcd", 4), 0);
    SetHandleSize(h, 2);
    EXPECT_EQ(GetHandleSize(h), 2);
    EXPECT_EQ(std::memcmp(*h, "ab", 2), 0);
    SetHandleSize(h, 0);
    EXPECT_EQ(GetHandleSize(h), 0);
    EXPECT_NE(*h, nullptr);
    HUnlock(h);
    DisposeHandle(h);

    Handle cleared = NewHandleClear(64);
    ASSERT_NE(cleared, nullptr);
    for (int i = 0; i < 64; ++i) {
        EXPECT_EQ((*cleared)[i], 0);
    }
    Handle copy = cleared;
    EXPECT_EQ(HandToHand(&copy), noErr);
    EXPECT_NE(copy, cleared);
    EXPECT_EQ(GetHandleSize(copy), 64);
    DisposeHandle(copy);
    DisposeHandle(cleared);

    OSErr err = 1;
    Handle temp = TempNewHandle(10, &err);
    ASSERT_NE(temp, nullptr);
    EXPECT_EQ(err, noErr);
    TempDisposeHandle(temp, &err);
    EXPECT_EQ(err, noErr);

    EXPECT_EQ(NewHandle(-1), nullptr);
    EXPECT_NE(MemError(), noErr);
    EXPECT_EQ(GetHandleSize(nullptr), 0);
    EXPECT_EQ(MemError(), nilHandleErr);
    DisposeHandle(nullptr);

    char buffer[8] = "1234567";
    BlockMoveData(buffer, buffer + 1, 4);
    EXPECT_STREQ(buffer, "1123467");
}

TEST(MacMemory, AllocationHookFailsTheNthAllocationOnce) {
    ZEQSetAllocationFailure(2);
    Handle first = NewHandle(8);
    EXPECT_NE(first, nullptr);
    OSErr err = noErr;
    Handle second = TempNewHandle(8, &err);
    EXPECT_EQ(second, nullptr);
    EXPECT_EQ(err, memFullErr);
    EXPECT_EQ(MemError(), memFullErr);
    Handle third = NewHandle(8);
    EXPECT_NE(third, nullptr);

    // A failed resize leaves the block as it was.
    std::memcpy(*third, "xyzxyzxy", 8);
    ZEQSetAllocationFailure(1);
    SetHandleSize(third, 4096);
    EXPECT_EQ(MemError(), memFullErr);
    EXPECT_EQ(GetHandleSize(third), 8);
    EXPECT_EQ(std::memcmp(*third, "xyzxyzxy", 8), 0);

    ZEQSetAllocationFailure(1);
    ZEQClearAllocationFailure();
    void* q = ZEQPlatformMalloc(3);  // cleared: nothing fails
    EXPECT_NE(q, nullptr);
    ZEQPlatformFree(q);
    unsigned long before = ZEQAllocationCount();
    void* p = ZEQPlatformMalloc(16);
    EXPECT_EQ(ZEQAllocationCount(), before + 1);
    ZEQPlatformFree(p);
    DisposeHandle(first);
    DisposeHandle(third);
}
