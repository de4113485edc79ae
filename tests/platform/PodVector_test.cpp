// Tests of the large-block storage under the collections and data objects: reuse of freed
// mappings, zero-filled tables, growth across the heap/mapping boundary.
#include "platform/PodVector.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "platform/Collections.h"

TEST(LargeBlock, ReusedMappingsAreClearedWhenAskedAndGrowthKeepsContents) {
    // A dirty block freed and a zeroed block of the same size asked for: the kept mapping
    // comes back, cleared.
    const size_t size = 3 * largeblock::kLargeBlock + 100;
    auto* dirty = static_cast<uint8_t*>(largeblock::Allocate(size, false));
    ASSERT_NE(dirty, nullptr);
    std::memset(dirty, 0x5A, size);
    largeblock::Free(dirty, size);
    auto* zeroed = static_cast<uint8_t*>(largeblock::Allocate(size, true));
    ASSERT_NE(zeroed, nullptr);
    for (size_t i = 0; i < size; i += 997)
        ASSERT_EQ(zeroed[i], 0) << i;
    largeblock::Free(zeroed, size);

    // Heap to mapping and on: the bytes written stay.
    PodVector<uint32_t> v;
    for (uint32_t i = 0; i < 2000000; ++i) {
        if (v.size() == v.capacity())
            v.reserve(v.capacity() < 16 ? 16 : v.capacity() * 2);
        v.push_back(i * 7);
    }
    for (uint32_t i = 0; i < 2000000; i += 4099)
        ASSERT_EQ(v[i], i * 7);
    PodVector<uint64_t> table;
    table.assign_zeroed(1 << 20);
    for (size_t i = 0; i < table.size(); i += 8191)
        ASSERT_EQ(table[i], 0u);
}

TEST(LargeBlock, ACollectionReservedAheadHoldsWhatIsAddedLater) {
    Collection c = NewCollection();
    ASSERT_NE(c, nullptr);
    const char text[] = "a text longer than eight bytes";
    ASSERT_EQ(AddCollectionItem(c, 0x68656164, 1, sizeof text, text), noErr);
    ASSERT_EQ(ZEQReserveCollection(c, 100000, 3000000), noErr);
    EXPECT_EQ(CountCollectionItems(c), 1);
    for (SInt32 id = 0; id < 100000; ++id)
        ASSERT_EQ(AddCollectionItem(c, 0x6974656D, id, sizeof text, text), noErr);
    EXPECT_EQ(CountCollectionItems(c), 100001);
    char out[sizeof text] = {};
    SInt32 size = sizeof out;
    ASSERT_EQ(GetCollectionItem(c, 0x6974656D, 99999, &size, out), noErr);
    EXPECT_STREQ(out, text);
    EXPECT_EQ(ZEQReserveCollection(nullptr, 1, 1), paramErr);
    DisposeCollection(c);
}
