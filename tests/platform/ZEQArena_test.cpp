// Tests of the model arena: where blocks come from, how long an arena lives, reuse of blocks
// freed during a build, and frees from other threads.
#include "platform/ZEQArena.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

struct Node : ZEQArenaObject {
    long value[3];
};

}  // namespace

TEST(ZEQArena, BlocksComeFromTheCurrentArenaOnly) {
    const long live = ZEQArena::LiveCount();
    ZEQArena* arena = ZEQArena::Create();
    ASSERT_NE(arena, nullptr);
    void* heap = ZEQArena::NewBlock(24);
    void* inside = nullptr;
    void* suspended = nullptr;
    void* large = nullptr;
    {
        ZEQArena::Scope scope(arena);
        EXPECT_EQ(ZEQArena::Current(), arena);
        inside = ZEQArena::Malloc(40);
        large = ZEQArena::NewBlock(1 << 20);  // too large for a chunk: heap
        {
            ZEQArena::Scope none(nullptr);
            suspended = ZEQArena::NewBlock(24);
        }
        EXPECT_EQ(ZEQArena::Current(), arena);
    }
    EXPECT_EQ(ZEQArena::Current(), nullptr);
    EXPECT_FALSE(ZEQArena::Owns(heap));
    EXPECT_TRUE(ZEQArena::Owns(inside));
    EXPECT_FALSE(ZEQArena::Owns(large));
    EXPECT_FALSE(ZEQArena::Owns(suspended));
    EXPECT_FALSE(ZEQArena::Owns(nullptr));
    EXPECT_EQ(reinterpret_cast<uintptr_t>(inside) % 8, 0u);

    // The owner's release leaves the arena to the block still out; the block's free ends it.
    arena->Release();
    EXPECT_EQ(ZEQArena::LiveCount(), live + 1);
    static_cast<char*>(inside)[39] = 'x';  // still writable
    ZEQArena::Free(inside);
    EXPECT_EQ(ZEQArena::LiveCount(), live);
    ZEQArena::DeleteBlock(heap);
    ZEQArena::DeleteBlock(large);
    ZEQArena::DeleteBlock(suspended);
}

TEST(ZEQArena, BlocksFreedDuringABuildAreReusedAndCountedOnce) {
    const long live = ZEQArena::LiveCount();
    ZEQArena* arena = ZEQArena::Create();
    ASSERT_NE(arena, nullptr);
    std::vector<Node*> kept;
    {
        ZEQArena::Scope scope(arena);
        Node* first = new (std::nothrow) Node;
        delete first;
        Node* second = new (std::nothrow) Node;
        EXPECT_EQ(first, second);  // the freed block came back
        kept.push_back(second);
        for (int i = 0; i < 100000; ++i)  // several chunks
            kept.push_back(new (std::nothrow) Node);
        Node* dropped = new (std::nothrow) Node;
        delete dropped;  // left on the reuse list when the scope ends
    }
    EXPECT_GT(arena->BytesUsed(), std::size_t(2) << 20);
    for (Node* n : kept)
        ASSERT_TRUE(ZEQArena::Owns(n));
    // Half freed on another thread, half under a tear-down scope; then the owner lets go.
    std::thread other([&kept] {
        for (std::size_t i = 0; i < kept.size() / 2; ++i)
            delete kept[i];
    });
    other.join();
    {
        ZEQArena::Scope teardown(arena, false);
        Node* n = kept.back();
        kept.pop_back();
        delete n;
        Node* again = new (std::nothrow) Node;  // no reuse while tearing down
        EXPECT_NE(again, n);
        delete again;
        for (std::size_t i = kept.size() / 2; i < kept.size(); ++i)
            delete kept[i];
    }
    EXPECT_EQ(ZEQArena::LiveCount(), live + 1);
    arena->Release();
    EXPECT_EQ(ZEQArena::LiveCount(), live);
}

TEST(ZEQArena, AnArenaReleasedInsideItsScopeGoesWhenTheScopeEnds) {
    const long live = ZEQArena::LiveCount();
    ZEQArena* arena = ZEQArena::Create();
    ASSERT_NE(arena, nullptr);
    {
        ZEQArena::Scope scope(arena);
        void* block = ZEQArena::NewBlock(16);
        arena->Release();
        ZEQArena::DeleteBlock(block);
        EXPECT_EQ(ZEQArena::LiveCount(), live + 1);
    }
    EXPECT_EQ(ZEQArena::LiveCount(), live);
}
