// Tests of the Collection Manager stand-in: keyed items in insertion order, replacement in
// place, removal, attributes, and flattening, with hostile and failing unflattening.
#include "platform/AllocationHook.h"
#include "platform/Collections.h"
#include "platform/MacMemory.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr CollectionTag kTag = 0x61626364;  // 'abcd'

OSErr AddText(Collection c, CollectionTag tag, SInt32 id, const std::string& text) {
    return AddCollectionItem(c, tag, id, static_cast<SInt32>(text.size()), text.data());
}

std::string GetText(Collection c, CollectionTag tag, SInt32 id) {
    SInt32 size = -1;
    if (GetCollectionItem(c, tag, id, &size, nullptr) != noErr) {
        return "<absent>";
    }
    std::string text(static_cast<size_t>(size), '\0');
    EXPECT_EQ(GetCollectionItem(c, tag, id, &size, text.data()), noErr);
    return text;
}

// Key list in index order, as "tag/id" texts.
std::vector<std::string> Keys(Collection c) {
    std::vector<std::string> keys;
    for (SInt32 i = 1; i <= CountCollectionItems(c); ++i) {
        CollectionTag tag = 0;
        SInt32 id = 0;
        EXPECT_EQ(GetIndexedCollectionItemInfo(c, i, &tag, &id, nullptr, nullptr), noErr);
        keys.push_back(std::to_string(tag) + "/" + std::to_string(id));
    }
    return keys;
}

// The collection's whole state (keys, attributes, bytes, order) as flattened bytes.
std::string Snapshot(Collection c) {
    Handle h = NewHandle(0);
    EXPECT_EQ(FlattenCollectionToHdl(c, h), noErr);
    std::string bytes(*h, static_cast<size_t>(GetHandleSize(h)));
    DisposeHandle(h);
    return bytes;
}

Handle HandleOf(const std::string& bytes) {
    Handle h = NewHandle(static_cast<Size>(bytes.size()));
    if (!bytes.empty()) {
        std::memcpy(*h, bytes.data(), bytes.size());
    }
    return h;
}

}  // namespace

TEST(Collections, ItemsByKeyAndIndex) {
    Collection c = NewCollection();
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(AddText(c, kTag, 1, "one"), noErr);
    EXPECT_EQ(AddText(c, kTag, 2, ""), noErr);
    EXPECT_EQ(AddText(c, 1000, -5, "minus five"), noErr);
    EXPECT_EQ(CountCollectionItems(c), 3);

    SInt32 size = 99;
    EXPECT_EQ(GetCollectionItem(c, kTag, 2, &size, nullptr), noErr);
    EXPECT_EQ(size, 0);
    EXPECT_EQ(GetCollectionItem(c, kTag, 3, &size, nullptr), collectionItemNotFoundErr);
    EXPECT_EQ(GetCollectionItemInfo(c, kTag, 3, nullptr, nullptr, nullptr),
              collectionItemNotFoundErr);
    EXPECT_EQ(RemoveCollectionItem(c, kTag, 3), collectionItemNotFoundErr);
    EXPECT_EQ(SetCollectionItemInfo(c, kTag, 3, 1, 1), collectionItemNotFoundErr);

    // A buffer smaller than the item receives its first bytes.
    char buffer[4] = {};
    size = 2;
    EXPECT_EQ(GetCollectionItem(c, 1000, -5, &size, buffer), noErr);
    EXPECT_EQ(size, 2);
    EXPECT_EQ(std::string(buffer, 2), "mi");

    // Replacing keeps the position and the attributes.
    SInt32 index = 0, attributes = 0;
    EXPECT_EQ(SetCollectionItemInfo(c, kTag, 1, 0x0000000F, 0x00000005), noErr);
    EXPECT_EQ(AddText(c, kTag, 1, "replaced"), noErr);
    EXPECT_EQ(GetCollectionItemInfo(c, kTag, 1, &index, &size, &attributes), noErr);
    EXPECT_EQ(index, 1);
    EXPECT_EQ(size, 8);
    EXPECT_EQ(attributes, kCollectionDefaultAttributes | 5);
    EXPECT_EQ(ReplaceIndexedCollectionItem(c, 3, 3, "neg"), noErr);
    EXPECT_EQ(GetText(c, 1000, -5), "neg");
    EXPECT_EQ(ReplaceIndexedCollectionItem(c, 4, 1, "x"), collectionIndexRangeErr);
    EXPECT_EQ(ReplaceIndexedCollectionItem(c, 0, 1, "x"), collectionIndexRangeErr);
    EXPECT_EQ((std::vector<std::string>{std::to_string(kTag) + "/1", std::to_string(kTag) + "/2",
                                        "1000/-5"}),
              Keys(c));

    // Attribute bits: only the selected ones change; a locked item stays as it is.
    EXPECT_EQ(SetCollectionItemInfo(c, kTag, 1, kCollectionLockMask, kCollectionLockMask), noErr);
    EXPECT_EQ(AddText(c, kTag, 1, "again"), collectionItemLockedErr);
    EXPECT_EQ(RemoveCollectionItem(c, kTag, 1), collectionItemLockedErr);
    EXPECT_EQ(SetCollectionItemInfo(c, kTag, 1, kCollectionLockMask, 0), noErr);
    EXPECT_EQ(GetCollectionItemInfo(c, kTag, 1, nullptr, nullptr, &attributes), noErr);
    EXPECT_EQ(attributes, kCollectionDefaultAttributes | 5);
    EXPECT_EQ(GetText(c, kTag, 1), "replaced");

    EXPECT_EQ(AddCollectionItem(c, kTag, 9, -1, "x"), paramErr);
    EXPECT_EQ(AddCollectionItem(nullptr, kTag, 9, 1, "x"), paramErr);
    EXPECT_EQ(CountCollectionItems(nullptr), 0);
    DisposeCollection(c);
}

TEST(Collections, IndexOrderAfterRemovals) {
    Collection c = NewCollection();
    const int count = 5000;
    for (int i = 0; i < count; ++i) {
        ASSERT_EQ(AddText(c, kTag, i, std::to_string(i)), noErr);
    }
    // Remove the odd ids by key, then every third remaining item by index.
    for (int i = 1; i < count; i += 2) {
        ASSERT_EQ(RemoveCollectionItem(c, kTag, i), noErr);
    }
    EXPECT_EQ(CountCollectionItems(c), count / 2);
    std::vector<SInt32> expected;
    for (int i = 0; i < count; i += 2) {
        expected.push_back(i);
    }
    for (SInt32 index = static_cast<SInt32>(expected.size()); index >= 1; index -= 3) {
        ASSERT_EQ(RemoveIndexedCollectionItem(c, index), noErr);
        expected.erase(expected.begin() + (index - 1));
    }
    ASSERT_EQ(CountCollectionItems(c), static_cast<SInt32>(expected.size()));
    for (SInt32 index = 1; index <= CountCollectionItems(c); ++index) {
        SInt32 id = -1, size = 0;
        ASSERT_EQ(GetIndexedCollectionItemInfo(c, index, nullptr, &id, &size, nullptr), noErr);
        ASSERT_EQ(id, expected[static_cast<size_t>(index) - 1]);
        SInt32 back = 0;
        ASSERT_EQ(GetCollectionItemInfo(c, kTag, id, &back, nullptr, nullptr), noErr);
        ASSERT_EQ(back, index);
        char text[8];
        ASSERT_EQ(GetIndexedCollectionItem(c, index, &size, text), noErr);
        ASSERT_EQ(std::string(text, static_cast<size_t>(size)), std::to_string(id));
    }
    // A removed key can come back; it goes to the end.
    ASSERT_EQ(AddText(c, kTag, 1, "back"), noErr);
    SInt32 index = 0;
    EXPECT_EQ(GetCollectionItemInfo(c, kTag, 1, &index, nullptr, nullptr), noErr);
    EXPECT_EQ(index, CountCollectionItems(c));
    // Also right after it was read: the removed slot is not the item, though it was found last.
    const SInt32 id = expected[1];
    EXPECT_EQ(GetText(c, kTag, id), std::to_string(id));
    ASSERT_EQ(RemoveCollectionItem(c, kTag, id), noErr);
    EXPECT_EQ(GetText(c, kTag, id), "<absent>");
    ASSERT_EQ(AddText(c, kTag, id, "again"), noErr);
    EXPECT_EQ(GetText(c, kTag, id), "again");
    EXPECT_EQ(GetText(c, kTag, expected[2]), std::to_string(expected[2]));
    EmptyCollection(c);
    EXPECT_EQ(CountCollectionItems(c), 0);
    EXPECT_EQ(GetIndexedCollectionItemInfo(c, 1, nullptr, nullptr, nullptr, nullptr),
              collectionIndexRangeErr);
    DisposeCollection(c);
}

TEST(Collections, CopyReplacesTheDestination) {
    Collection src = NewCollection();
    Collection dst = NewCollection();
    AddText(src, kTag, 1, "a");
    AddText(src, kTag, 2, "b");
    AddText(dst, kTag, 7, "old");
    EXPECT_EQ(CopyCollection(src, dst), dst);
    EXPECT_EQ(Snapshot(dst), Snapshot(src));
    AddText(src, kTag, 1, "changed");
    EXPECT_EQ(GetText(dst, kTag, 1), "a");
    Collection clone = CloneCollection(src);
    ASSERT_NE(clone, nullptr);
    EXPECT_EQ(Snapshot(clone), Snapshot(src));
    DisposeCollection(clone);
    DisposeCollection(src);
    DisposeCollection(dst);
}

TEST(Collections, FlattenUnflattenRoundTrip) {
    Collection c = NewCollection();
    AddText(c, kTag, 1, "first");
    AddText(c, 5000, 6001, "");
    AddText(c, 0xFFFFFFFF, -2147483647 - 1, std::string(300, '\xFE'));
    AddText(c, kTag, 2, "second");
    RemoveCollectionItem(c, kTag, 1);
    SetCollectionItemInfo(c, kTag, 2, kCollectionAllAttributes, 0x12345678);

    Handle h = NewHandle(0);
    ASSERT_EQ(FlattenCollectionToHdl(c, h), noErr);
    // Header, then three items in order: the layout is fixed little-endian.
    ASSERT_EQ(GetHandleSize(h), 12 + 3 * 16 + 0 + 300 + 6);
    const auto* p = reinterpret_cast<const unsigned char*>(*h);
    EXPECT_EQ(std::memcmp(p, "LCQZ\x01\0\0\0\x03\0\0\0", 12), 0);
    EXPECT_EQ(std::memcmp(p + 12, "\x88\x13\0\0\x71\x17\0\0\0\0\0\x40\0\0\0\0", 16), 0);

    Collection back = NewCollection();
    ASSERT_EQ(UnflattenCollectionFromHdl(back, h), noErr);
    EXPECT_EQ(Snapshot(back), Snapshot(c));
    SInt32 attributes = 0;
    EXPECT_EQ(GetCollectionItemInfo(back, kTag, 2, nullptr, nullptr, &attributes), noErr);
    EXPECT_EQ(attributes, 0x12345678);

    // Into a collection that has items: new keys are appended, known keys replaced in place.
    Collection mixed = NewCollection();
    AddText(mixed, kTag, 2, "stale");
    AddText(mixed, kTag, 99, "kept");
    ASSERT_EQ(UnflattenCollectionFromHdl(mixed, h), noErr);
    EXPECT_EQ(CountCollectionItems(mixed), 4);
    EXPECT_EQ(GetText(mixed, kTag, 2), "second");
    SInt32 index = 0;
    GetCollectionItemInfo(mixed, kTag, 2, &index, nullptr, nullptr);
    EXPECT_EQ(index, 1);
    EXPECT_EQ(GetText(mixed, kTag, 99), "kept");

    // A block that names a key twice (no flatten writes one): the later item wins, in the
    // earlier one's place.
    std::string twice("LCQZ\x01\0\0\0\x03\0\0\0", 12);
    const auto item = [&twice](uint32_t tag, uint32_t id, uint32_t attributes,
                               const std::string& text) {
        for (uint32_t word : {tag, id, attributes, static_cast<uint32_t>(text.size())}) {
            for (int shift = 0; shift < 32; shift += 8) {
                twice.push_back(static_cast<char>(word >> shift));
            }
        }
        twice += text;
    };
    item(kTag, 1, 0, "the first, longer text");
    item(5000, 1, 0, "x");
    item(kTag, 1, 7, "later");
    Handle twiceHandle = HandleOf(twice);
    Collection merged = NewCollection();
    ASSERT_EQ(UnflattenCollectionFromHdl(merged, twiceHandle), noErr);
    EXPECT_EQ(CountCollectionItems(merged), 2);
    EXPECT_EQ(GetText(merged, kTag, 1), "later");
    EXPECT_EQ(GetCollectionItemInfo(merged, kTag, 1, &index, nullptr, &attributes), noErr);
    EXPECT_EQ(index, 1);
    EXPECT_EQ(attributes, 7);
    EXPECT_EQ(GetText(merged, 5000, 1), "x");

    DisposeHandle(twiceHandle);
    DisposeCollection(merged);
    DisposeHandle(h);
    DisposeCollection(c);
    DisposeCollection(back);
    DisposeCollection(mixed);
}

TEST(Collections, HostileFlattenedBytesNeverChangeTheCollection) {
    Collection source = NewCollection();
    AddText(source, kTag, 1, "alpha");
    AddText(source, kTag, 2, "");
    AddText(source, 77, -3, std::string(40, 'z'));
    std::string good = Snapshot(source);

    Collection target = NewCollection();
    AddText(target, kTag, 1, "existing");
    const std::string before = Snapshot(target);

    // Every truncation, and trailing bytes, are refused.
    for (size_t length = 0; length < good.size(); ++length) {
        Handle h = HandleOf(good.substr(0, length));
        EXPECT_NE(UnflattenCollectionFromHdl(target, h), noErr) << length;
        DisposeHandle(h);
        ASSERT_EQ(Snapshot(target), before) << length;
    }
    Handle trailing = HandleOf(good + "x");
    EXPECT_EQ(UnflattenCollectionFromHdl(target, trailing), paramErr);
    DisposeHandle(trailing);

    // A count the bytes cannot hold, and a length past the end.
    std::string huge = good;
    std::memcpy(huge.data() + 8, "\xFF\xFF\xFF\x7F", 4);
    Handle h = HandleOf(huge);
    EXPECT_EQ(UnflattenCollectionFromHdl(target, h), paramErr);
    DisposeHandle(h);
    std::string longItem = good;
    std::memcpy(longItem.data() + 12 + 12, "\xF0\xFF\xFF\xFF", 4);
    h = HandleOf(longItem);
    EXPECT_EQ(UnflattenCollectionFromHdl(target, h), paramErr);
    DisposeHandle(h);
    std::string version = good;
    version[4] = 2;
    h = HandleOf(version);
    EXPECT_EQ(UnflattenCollectionFromHdl(target, h), collectionVersionErr);
    DisposeHandle(h);
    EXPECT_EQ(UnflattenCollectionFromHdl(target, nullptr), nilHandleErr);
    EXPECT_EQ(Snapshot(target), before);

    // Random changes: either a clean success or an error that leaves the collection alone.
    std::mt19937 random(12345);
    for (int round = 0; round < 3000; ++round) {
        std::string bytes = good;
        int changes = 1 + static_cast<int>(random() % 3);
        for (int k = 0; k < changes; ++k) {
            bytes[random() % bytes.size()] = static_cast<char>(random() & 0xFF);
        }
        Collection scratch = CloneCollection(target);
        ASSERT_NE(scratch, nullptr);
        h = HandleOf(bytes);
        OSErr err = UnflattenCollectionFromHdl(scratch, h);
        DisposeHandle(h);
        if (err != noErr) {
            ASSERT_EQ(Snapshot(scratch), before) << round;
        }
        DisposeCollection(scratch);
    }
    DisposeCollection(source);
    DisposeCollection(target);
}

TEST(Collections, AllocationFailuresLeaveTheCollectionAsItWas) {
    Collection source = NewCollection();
    for (int i = 0; i < 6; ++i) {
        AddText(source, kTag, i, std::string(static_cast<size_t>(i) * 10, 'q'));
    }
    std::string flat = Snapshot(source);
    Collection target = NewCollection();
    AddText(target, kTag, 0, "zero");
    AddText(target, kTag, 100, "hundred");
    const std::string before = Snapshot(target);
    Handle h = HandleOf(flat);

    bool succeeded = false;
    for (long n = 1; n < 100 && !succeeded; ++n) {
        ZEQSetAllocationFailure(n);
        OSErr err = UnflattenCollectionFromHdl(target, h);
        ZEQClearAllocationFailure();
        if (err == noErr) {
            succeeded = true;
        } else {
            EXPECT_EQ(err, memFullErr);
            ASSERT_EQ(Snapshot(target), before) << n;
        }
    }
    EXPECT_TRUE(succeeded);
    EXPECT_EQ(CountCollectionItems(target), 7);

    // Adding fails cleanly too.
    ZEQSetAllocationFailure(1);
    EXPECT_EQ(AddText(target, kTag, 500, "new"), memFullErr);
    ZEQSetAllocationFailure(1);
    EXPECT_EQ(AddText(target, kTag, 0, "replacement"), memFullErr);
    ZEQClearAllocationFailure();
    EXPECT_EQ(CountCollectionItems(target), 7);
    EXPECT_EQ(GetText(target, kTag, 0), "");
    ZEQSetAllocationFailure(1);
    EXPECT_EQ(NewCollection(), nullptr);
    ZEQClearAllocationFailure();

    DisposeHandle(h);
    DisposeCollection(source);
    DisposeCollection(target);
}
