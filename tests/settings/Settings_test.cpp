// Tests of Settings, its data streams and the string readers: keyed items, enumeration,
// attributes and locks, result codes, and the stream round trip.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "foundation/CString.h"
#include "platform/CFData.h"
#include "platform/MacMemory.h"
#include "settings/DataStream.h"
#include "settings/Settings.h"

namespace {

const unsigned long kTag = 0x61626364;  // 'abcd'

TEST(SettingsTest, ItemsAreAddedReadReplacedAndRemoved) {
    Settings s;
    ASSERT_TRUE(s.Valid());
    EXPECT_TRUE(s.Empty());

    char hello[] = "hello";
    EXPECT_EQ(s.Add(kTag, 7, hello, 5), 0);
    long size = 0;
    EXPECT_EQ(s.Get(kTag, 7, nullptr, size), 0);
    EXPECT_EQ(size, 5);

    // A buffer smaller than the item gets what fits; size tells how much.
    char buffer[16] = {};
    size = 3;
    EXPECT_EQ(s.Get(kTag, 7, buffer, size), 0);
    EXPECT_EQ(size, 3);
    EXPECT_EQ(std::string(buffer, 3), "hel");

    // Add with the same key replaces, Set replaces, Set of an absent key adds nothing.
    char world[] = "world!";
    EXPECT_EQ(s.Add(kTag, 7, world, 6), 0);
    EXPECT_EQ(s.Count(), 1);
    char bye[] = "bye";
    EXPECT_EQ(s.Set(kTag, 7, bye, 3), 0);
    EXPECT_EQ(s.Set(kTag, 8, bye, 3), -5751);
    EXPECT_EQ(s.LastError(), -5751);
    EXPECT_EQ(s.Count(), 1);
    size = sizeof buffer;
    EXPECT_EQ(s.Get(kTag, 7, buffer, size), 0);
    EXPECT_EQ(std::string(buffer, static_cast<size_t>(size)), "bye");

    EXPECT_EQ(s.Get(kTag, 99, nullptr, size), -5751);
    EXPECT_EQ(s.Remove(kTag, 7), 0);
    EXPECT_EQ(s.Remove(kTag, 7), -5751);
    EXPECT_TRUE(s.Empty());

    // Keys outside 32 bits and negative sizes are refused.
    EXPECT_EQ(s.Add(0x100000000UL, 1, hello, 1), -50);
    EXPECT_EQ(s.Add(kTag, 0x80000000L, hello, 1), -50);
    EXPECT_EQ(s.Add(kTag, -1, hello, -1), -50);
    EXPECT_EQ(s.Add(kTag, -1, nullptr, 4), -50);
    EXPECT_EQ(s.Add(kTag, -1, hello, 1), 0);  // negative ids are fine
}

TEST(SettingsTest, EmptyItemsAndStringReaders) {
    Settings s;
    EXPECT_EQ(s.Add(kTag, 1, nullptr, 0), 0);
    long size = 99;
    EXPECT_EQ(s.Get(kTag, 1, nullptr, size), 0);
    EXPECT_EQ(size, 0);
    EXPECT_EQ(GetSettingsString(s, kTag, 1), nullptr);
    EXPECT_EQ(GetSettingsCFString(s, kTag, 1), nullptr);
    EXPECT_EQ(GetSettingsString(s, kTag, 2), nullptr);

    // Texts are stored without a NUL and read back with one.
    char text[] = "Letter";
    ASSERT_EQ(s.Add(kTag, 3, text, 6), 0);
    std::unique_ptr<CString> read(GetSettingsString(s, kTag, 3));
    ASSERT_NE(read, nullptr);
    EXPECT_STREQ(*read, "Letter");
    EXPECT_EQ(read->Size(), 6u);

    CFStringRef name = CFStringCreateWithCString(nullptr, "Größe", kCFStringEncodingUTF8);
    long length = 0;
    unsigned char* external = CFStringToExternal(name, &length);
    ASSERT_NE(external, nullptr);
    ASSERT_EQ(s.Add(kTag, 4, external, length), 0);
    delete[] external;
    CFStringRef back = GetSettingsCFString(s, kTag, 4);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(CFStringCompare(name, back, 0), kCFCompareEqualTo);
    CFRelease(back);
    CFRelease(name);
}

TEST(SettingsTest, EnumerationKeepsInsertionOrderAndStopsAtTheEnd) {
    Settings s;
    unsigned long tag = 1;
    long id = 1;
    long size = 1;
    long attributes = 1;
    EXPECT_EQ(s.First(tag, id, size, attributes), 1001);
    EXPECT_EQ(tag, 0u);
    EXPECT_EQ(id, 0);
    EXPECT_EQ(size, 0);
    EXPECT_EQ(attributes, 0);
    EXPECT_EQ(s.Next(tag, id, size, attributes), 1001);

    char bytes[] = "abc";
    s.Add(30, 3, bytes, 3);
    s.Add(10, 1, bytes, 1);
    s.Add(20, 2, bytes, 2);
    EXPECT_EQ(s.First(tag, id, size, attributes), 0);
    EXPECT_EQ(tag, 30u);
    EXPECT_EQ(id, 3);
    EXPECT_EQ(size, 3);
    EXPECT_EQ(attributes, 0x40000000);
    EXPECT_EQ(s.Next(tag, id, size, attributes), 0);
    EXPECT_EQ(tag, 10u);
    EXPECT_EQ(s.Next(tag, id, size, attributes), 0);
    EXPECT_EQ(tag, 20u);
    EXPECT_EQ(size, 2);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(s.Next(tag, id, size, attributes), 1002);
        EXPECT_EQ(tag, 0u);
    }
    EXPECT_EQ(s.First(tag, id, size, attributes), 0);
    EXPECT_EQ(tag, 30u);
}

TEST(SettingsTest, SaveAndReadRoundTripThroughAStream) {
    Settings s;
    char a[] = "first";
    char b[] = "second";
    s.Add(1000, 1001, a, 5);
    s.Add(kTag, -7, b, 6);
    s.Add(kTag, 8, nullptr, 0);
    s.Lock(kTag, -7);

    CFDataStream out;
    ASSERT_TRUE(out.valid());
    EXPECT_EQ(s.Save(&out), 0);
    EXPECT_TRUE(out.dataExists());
    ASSERT_NE(out.data(), nullptr);
    EXPECT_EQ(out.dataSize(), static_cast<unsigned long>(CFDataGetLength(out.data())));

    CFDataStream in(out.data());
    ASSERT_TRUE(in.valid());
    Settings copy;
    EXPECT_EQ(copy.Read(&in, 0), 0);
    ASSERT_EQ(copy.Count(), 3);
    unsigned long tag = 0;
    long id = 0;
    long size = 0;
    long attributes = 0;
    ASSERT_EQ(copy.First(tag, id, size, attributes), 0);
    EXPECT_EQ(tag, 1000u);
    EXPECT_EQ(id, 1001);
    EXPECT_EQ(size, 5);
    ASSERT_EQ(copy.Next(tag, id, size, attributes), 0);
    EXPECT_EQ(id, -7);
    EXPECT_NE(attributes & Settings::kLockMask, 0);
    ASSERT_EQ(copy.Next(tag, id, size, attributes), 0);
    EXPECT_EQ(size, 0);
    std::unique_ptr<CString> text(GetSettingsString(copy, kTag, -7));
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(*text, "second");

    // The flattened handle gives the same items, and so do a copy and an assignment.
    char** handle = nullptr;
    ASSERT_EQ(s.GetSettingsHandle(&handle), 0);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(GetHandleSize(handle), static_cast<long>(out.dataSize()));
    EXPECT_EQ(std::memcmp(*handle, CFDataGetBytePtr(out.data()), out.dataSize()), 0);
    Settings fromHandle(handle);
    EXPECT_TRUE(fromHandle.Valid());
    EXPECT_EQ(fromHandle.Count(), 3);
    DisposeHandle(handle);

    // An adopted collection is the object's own and goes with it.
    Collection adopted = NewCollection();
    ASSERT_EQ(AddCollectionItem(adopted, 9, 9, 1, "z"), 0);
    Settings owner(adopted);
    EXPECT_TRUE(owner.Valid());
    EXPECT_EQ(owner.Count(), 1);
    Collection none = nullptr;
    Settings without(none);
    EXPECT_FALSE(without.Valid());

    Settings copied(s);
    EXPECT_EQ(copied.Count(), 3);
    Settings assigned;
    char c[] = "c";
    assigned.Add(5, 5, c, 1);
    assigned = s;
    EXPECT_EQ(assigned.Count(), 3);
    EXPECT_EQ(assigned.Get(5, 5, nullptr, size), -5751);
}

TEST(SettingsTest, StreamAndHandleFailures) {
    Settings s;
    EXPECT_EQ(s.Save(nullptr), 201);
    EXPECT_EQ(s.Read(nullptr, 0), 201);

    // A stream over no data, or over empty data, is not valid.
    CFDataStream none(nullptr);
    EXPECT_FALSE(none.valid());
    EXPECT_EQ(s.Read(&none, 0), 201);
    CFDataRef empty = CFDataCreate(nullptr, nullptr, 0);
    CFDataStream overEmpty(empty);
    CFRelease(empty);
    EXPECT_FALSE(overEmpty.valid());
    EXPECT_EQ(s.Read(&overEmpty, 0), 201);
    EXPECT_EQ(s.Save(&overEmpty), 201);

    // Bytes that are not a flattened collection leave the container as it was.
    char keep[] = "k";
    s.Add(1, 1, keep, 1);
    const UInt8 junk[] = {'n', 'o', 't', ' ', 'a', ' ', 'c', 'a', 'c', 'h', 'e', '!'};
    CFDataRef junkData = CFDataCreate(nullptr, junk, sizeof junk);
    CFDataStream junkStream(junkData);
    CFDataStream again(junkData);
    CFRelease(junkData);
    EXPECT_NE(s.Read(&junkStream, 0), 0);
    EXPECT_EQ(s.Count(), 1);
    // An assignment takes the valid flag and the result of the other object with its items.
    Handle junkHandle = NewHandle(sizeof junk);
    ASSERT_NE(junkHandle, nullptr);
    std::memcpy(*junkHandle, junk, sizeof junk);
    Settings refused(junkHandle);
    DisposeHandle(junkHandle);
    EXPECT_FALSE(refused.Valid());
    Settings assigned;
    ASSERT_TRUE(assigned.Valid());
    assigned = refused;
    EXPECT_FALSE(assigned.Valid());
    EXPECT_EQ(assigned.LastError(), refused.LastError());
    assigned = s;
    EXPECT_TRUE(assigned.Valid());
    EXPECT_EQ(assigned.Count(), 1);
    // More than the stream holds is refused before anything is read.
    EXPECT_EQ(s.Read(&again, sizeof junk + 1), -39);

    Settings fromNull(static_cast<char**>(nullptr));
    EXPECT_FALSE(fromNull.Valid());
    EXPECT_EQ(fromNull.LastError(), -50);
    EXPECT_EQ(fromNull.Count(), 0);
    EXPECT_TRUE(fromNull.Empty());
    char** handle = reinterpret_cast<char**>(0x1);
    EXPECT_EQ(fromNull.GetSettingsHandle(&handle), 1000);
    EXPECT_EQ(handle, reinterpret_cast<char**>(0x1));
    long size = 0;
    EXPECT_EQ(fromNull.Get(1, 1, nullptr, size), 1000);
    EXPECT_EQ(fromNull.Add(1, 1, keep, 1), 1000);
    unsigned long tag = 0;
    long id = 0;
    long attributes = 0;
    EXPECT_EQ(fromNull.First(tag, id, size, attributes), 1000);
    EXPECT_EQ(fromNull.Next(tag, id, size, attributes), 1000);
    CFDataStream out;
    EXPECT_EQ(fromNull.Save(&out), 1000);
}

TEST(SettingsTest, DataStreamReadsInOrderAndRefusesToRunPastTheEnd) {
    CFDataStream out;
    char first[] = "abc";
    char second[] = "defg";
    EXPECT_TRUE(out.out(first, 3));
    EXPECT_TRUE(out.out(second, 4));
    EXPECT_EQ(out.dataSize(), 7u);

    CFDataStream in(out.data());
    char buffer[8] = {};
    unsigned long actual = 0;
    short error = 1;
    EXPECT_TRUE(in.in(buffer, 5, &actual, &error));
    EXPECT_EQ(actual, 5u);
    EXPECT_EQ(error, 0);
    EXPECT_EQ(std::string(buffer, 5), "abcde");
    EXPECT_EQ(in.position(), 5u);
    // Three bytes asked, two left: nothing is copied and the position stays.
    EXPECT_FALSE(in.in(buffer, 3, &actual, &error));
    EXPECT_EQ(actual, 0u);
    EXPECT_EQ(error, -39);
    EXPECT_EQ(in.position(), 5u);
    EXPECT_FALSE(in.in(buffer, static_cast<unsigned long>(-1), &actual, &error));
    EXPECT_TRUE(in.in(buffer, 2, &actual, &error));
    EXPECT_EQ(std::string(buffer, 2), "fg");
}

}  // namespace
