// Tests of the Gestalt registry and of the platform's pseudo-random numbers.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <set>
#include <vector>

#include "platform/Gestalt.h"
#include "platform/Random.h"

TEST(GestaltTest, RegisterReplaceAndRemove) {
    const OSType selector = 0x74537431;  // 'tSt1'
    GestaltValue value = 99;
    EXPECT_EQ(Gestalt(selector, &value), gestaltUndefSelectorErr);
    EXPECT_EQ(ReplaceGestaltValue(selector, 1), gestaltUndefSelectorErr);
    EXPECT_EQ(DeleteGestaltValue(selector), gestaltUndefSelectorErr);

    // A pointer-sized value: an address survives.
    int anchor = 0;
    const GestaltValue address = reinterpret_cast<GestaltValue>(&anchor);
    ASSERT_EQ(NewGestaltValue(selector, address), noErr);
    EXPECT_EQ(NewGestaltValue(selector, 5), gestaltDupSelectorErr);
    ASSERT_EQ(Gestalt(selector, &value), noErr);
    EXPECT_EQ(value, address);
    EXPECT_EQ(Gestalt(selector, nullptr), paramErr);

    EXPECT_EQ(Gestalt(selector + 1, &value), gestaltUndefSelectorErr);
    ASSERT_EQ(ReplaceGestaltValue(selector, 0), noErr);
    ASSERT_EQ(Gestalt(selector, &value), noErr);
    EXPECT_EQ(value, 0);
    ASSERT_EQ(DeleteGestaltValue(selector), noErr);
    EXPECT_EQ(Gestalt(selector, &value), gestaltUndefSelectorErr);
    EXPECT_EQ(NewGestaltValue(selector, 7), noErr);  // free to register again
    EXPECT_EQ(DeleteGestaltValue(selector), noErr);
}

TEST(RandomTest, RangeSeedAndProcesses) {
    ZEQSeedRandom(12345);
    std::vector<SInt16> first;
    std::set<SInt16> distinct;
    for (int i = 0; i < 2000; ++i) {
        const SInt16 n = Random();
        EXPECT_GE(n, -32767);
        first.push_back(n);
        distinct.insert(n);
    }
    EXPECT_GT(distinct.size(), 1900u);
    ZEQSeedRandom(12345);
    for (SInt16 expected : first) {
        ASSERT_EQ(Random(), expected);
    }

    // A child made by fork() draws its own seed rather than repeating the parent's numbers.
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    ZEQSeedRandom(777);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        SInt16 numbers[4];
        for (SInt16& n : numbers) {
            n = Random();
        }
        const bool sent = write(pipeEnds[1], numbers, sizeof numbers) == sizeof numbers;
        _exit(sent ? 0 : 1);
    }
    SInt16 theirs[4] = {};
    EXPECT_EQ(read(pipeEnds[0], theirs, sizeof theirs), static_cast<ssize_t>(sizeof theirs));
    int status = 0;
    EXPECT_EQ(waitpid(child, &status, 0), child);
    close(pipeEnds[0]);
    close(pipeEnds[1]);
    SInt16 ours[4];
    for (SInt16& n : ours) {
        n = Random();
    }
    EXPECT_NE(std::vector<SInt16>(theirs, theirs + 4), std::vector<SInt16>(ours, ours + 4));
}
