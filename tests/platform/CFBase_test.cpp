// Tests of object life, equality and hashing, numbers, Booleans and data.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "platform/AllocationHook.h"
#include "platform/CoreFoundation.h"

TEST(CFBaseTest, RetainCountsAndRelease) {
    CFStringRef s = CFStringCreateWithCString(nullptr, "x", kCFStringEncodingUTF8);
    EXPECT_EQ(CFGetRetainCount(s), 1);
    EXPECT_EQ(CFRetain(s), s);
    EXPECT_EQ(CFGetRetainCount(s), 2);
    CFRelease(s);
    EXPECT_EQ(CFGetRetainCount(s), 1);
    CFRelease(s);  // freed: the sanitizer build checks nothing leaks or is touched again
    CFRelease(nullptr);
    EXPECT_EQ(CFGetTypeID(CFSTR("t")), CFStringGetTypeID());
    EXPECT_EQ(CFGetTypeID(kCFBooleanTrue), CFBooleanGetTypeID());
    EXPECT_NE(CFStringGetTypeID(), CFArrayGetTypeID());
    // Constants cannot be released away.
    CFRelease(kCFBooleanTrue);
    EXPECT_TRUE(CFBooleanGetValue(kCFBooleanTrue));
    EXPECT_FALSE(CFBooleanGetValue(kCFBooleanFalse));
}

TEST(CFBaseTest, DataBuffers) {
    const UInt8 bytes[] = {1, 2, 3, 4};
    CFDataRef d = CFDataCreate(nullptr, bytes, 4);
    EXPECT_EQ(CFDataGetLength(d), 4);
    UInt8 out[2] = {};
    CFDataGetBytes(d, CFRangeMake(1, 2), out);
    EXPECT_EQ(out[0], 2);
    EXPECT_EQ(out[1], 3);
    CFMutableDataRef m = CFDataCreateMutableCopy(nullptr, 0, d);
    CFDataAppendBytes(m, bytes, 2);
    EXPECT_EQ(CFDataGetLength(m), 6);
    EXPECT_EQ(CFDataGetBytePtr(m)[5], 2);
    CFDataSetLength(m, 8);
    EXPECT_EQ(CFDataGetBytePtr(m)[7], 0);
    CFDataSetLength(m, 3);
    EXPECT_EQ(CFDataGetLength(m), 3);
    CFDataDeleteBytes(m, CFRangeMake(0, 1));
    EXPECT_EQ(CFDataGetBytePtr(m)[0], 2);
    EXPECT_FALSE(CFEqual(d, m));
    CFDataReplaceBytes(m, CFRangeMake(0, 2), bytes, 4);
    EXPECT_TRUE(CFEqual(d, m));
    // An immutable data object ignores the mutators.
    CFDataAppendBytes(const_cast<CFMutableDataRef>(d), bytes, 4);
    EXPECT_EQ(CFDataGetLength(d), 4);
    CFRelease(m);
    CFRelease(d);

    UInt8* owned = static_cast<UInt8*>(malloc(3));
    std::memcpy(owned, "abc", 3);
    CFDataRef taken = CFDataCreateWithBytesNoCopy(nullptr, owned, 3, kCFAllocatorDefault);
    EXPECT_EQ(std::memcmp(CFDataGetBytePtr(taken), "abc", 3), 0);
    CFRelease(taken);
}

TEST(CFBaseTest, LargeDataGrowsInPlaceAndLengthensWithZeros) {
    // Past a few MiB the buffer is mapped; bytes written, cut off and lengthened again must
    // read as zero, at every size on the way.
    CFMutableDataRef m = CFDataCreateMutable(nullptr, 0);
    const CFIndex sizes[] = {100, 300000, 3 << 20, 9 << 20};
    for (CFIndex size : sizes) {
        const CFIndex before = CFDataGetLength(m);
        CFDataIncreaseLength(m, size - before);
        ASSERT_EQ(CFDataGetLength(m), size);
        UInt8* p = CFDataGetMutableBytePtr(m);
        for (CFIndex i = before; i < size; i += 4093)
            ASSERT_EQ(p[i], 0) << size << " " << i;
        std::memset(p, 0xAB, static_cast<size_t>(size));
        CFDataSetLength(m, size / 2);
        CFDataIncreaseLength(m, size - size / 2);
        p = CFDataGetMutableBytePtr(m);
        EXPECT_EQ(p[size / 2 - 1], 0xAB);
        for (CFIndex i = size / 2; i < size; i += 4093)
            ASSERT_EQ(p[i], 0) << size << " " << i;
        EXPECT_EQ(p[size - 1], 0);
    }
    // Appending the data's own bytes, and replacing inside a large buffer.
    const UInt8* front = CFDataGetBytePtr(m);
    CFDataAppendBytes(m, front, 16);
    EXPECT_EQ(CFDataGetLength(m), (9 << 20) + 16);
    const UInt8 marks[] = {7, 8, 9};
    CFDataReplaceBytes(m, CFRangeMake(1 << 20, 5), marks, 3);
    EXPECT_EQ(CFDataGetLength(m), (9 << 20) + 14);
    EXPECT_EQ(CFDataGetBytePtr(m)[(1 << 20) + 2], 9);
    CFDataRef copy = CFDataCreateCopy(nullptr, m);
    EXPECT_TRUE(CFEqual(copy, m));
    CFRelease(copy);
    CFRelease(m);
}

TEST(CFBaseTest, ArrayCallbacksRetainAndRelease) {
    CFStringRef value = CFStringCreateWithCString(nullptr, "v", kCFStringEncodingUTF8);
    CFMutableArrayRef a = CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks);
    CFArrayAppendValue(a, value);
    CFArrayAppendValue(a, value);
    EXPECT_EQ(CFGetRetainCount(value), 3);
    CFArrayInsertValueAtIndex(a, 0, CFSTR("first"));
    EXPECT_EQ(CFArrayGetCount(a), 3);
    EXPECT_TRUE(CFEqual(CFArrayGetValueAtIndex(a, 0), CFSTR("first")));
    EXPECT_EQ(CFArrayGetValueAtIndex(a, 3), nullptr);
    EXPECT_EQ(CFArrayGetFirstIndexOfValue(a, CFRangeMake(0, 3), CFSTR("v")), 1);
    EXPECT_TRUE(CFArrayContainsValue(a, CFRangeMake(0, 3), CFSTR("v")));
    CFArraySetValueAtIndex(a, 1, CFSTR("other"));
    EXPECT_EQ(CFGetRetainCount(value), 2);
    CFArrayRemoveValueAtIndex(a, 2);
    EXPECT_EQ(CFGetRetainCount(value), 1);
    CFArrayRemoveValueAtIndex(a, 7);  // outside: nothing happens
    EXPECT_EQ(CFArrayGetCount(a), 2);

    CFArrayAppendValue(a, value);
    CFArrayRef copy = CFArrayCreateCopy(nullptr, a);
    EXPECT_EQ(CFGetRetainCount(value), 3);
    EXPECT_TRUE(CFEqual(copy, a));
    CFRelease(copy);
    CFRelease(a);
    EXPECT_EQ(CFGetRetainCount(value), 1);

    // Null callbacks: nothing is retained, values compare by address.
    CFMutableArrayRef plain = CFArrayCreateMutable(nullptr, 0, nullptr);
    CFArrayAppendValue(plain, value);
    EXPECT_EQ(CFGetRetainCount(value), 1);
    CFStringRef twin = CFStringCreateCopy(nullptr, CFSTR("v"));
    EXPECT_FALSE(CFArrayContainsValue(plain, CFRangeMake(0, 1), CFSTR("v")));
    CFRelease(twin);
    CFRelease(plain);
    EXPECT_EQ(CFGetRetainCount(value), 1);
    CFRelease(value);
}

TEST(CFBaseTest, DictionaryCallbacksRetainAndRelease) {
    CFStringRef key = CFStringCreateWithCString(nullptr, "key", kCFStringEncodingUTF8);
    CFStringRef value = CFStringCreateWithCString(nullptr, "value", kCFStringEncodingUTF8);
    CFMutableDictionaryRef d = CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks,
                                                         &kCFTypeDictionaryValueCallBacks);
    CFDictionarySetValue(d, key, value);
    EXPECT_EQ(CFGetRetainCount(key), 2);
    EXPECT_EQ(CFGetRetainCount(value), 2);
    // Keys match by contents.
    EXPECT_EQ(CFDictionaryGetValue(d, CFSTR("key")), value);
    EXPECT_TRUE(CFDictionaryContainsKey(d, CFSTR("key")));
    EXPECT_FALSE(CFDictionaryContainsKey(d, CFSTR("nope")));
    EXPECT_EQ(CFDictionaryGetValue(d, CFSTR("nope")), nullptr);
    // Add leaves an existing key alone; Set replaces and releases the old value.
    CFDictionaryAddValue(d, CFSTR("key"), CFSTR("ignored"));
    EXPECT_EQ(CFDictionaryGetValue(d, key), value);
    CFDictionarySetValue(d, CFSTR("key"), CFSTR("new"));
    EXPECT_EQ(CFGetRetainCount(value), 1);
    EXPECT_EQ(CFDictionaryGetCount(d), 1);
    for (int i = 0; i < 100; ++i) {
        CFNumberRef n = CFNumberCreate(nullptr, kCFNumberIntType, &i);
        CFDictionarySetValue(d, n, n);
        CFRelease(n);
    }
    EXPECT_EQ(CFDictionaryGetCount(d), 101);
    int probe = 57;
    CFNumberRef p = CFNumberCreate(nullptr, kCFNumberIntType, &probe);
    EXPECT_TRUE(CFEqual(CFDictionaryGetValue(d, p), p));
    CFDictionaryRemoveValue(d, p);
    EXPECT_FALSE(CFDictionaryContainsKey(d, p));
    CFRelease(p);
    CFDictionaryRef copy = CFDictionaryCreateCopy(nullptr, d);
    EXPECT_TRUE(CFEqual(copy, d));
    CFRelease(copy);
    CFDictionaryRemoveValue(d, CFSTR("key"));
    EXPECT_EQ(CFGetRetainCount(key), 1);
    CFRelease(d);

    // Null callbacks: no retains, keys by address.
    CFMutableDictionaryRef plain = CFDictionaryCreateMutable(nullptr, 0, nullptr, nullptr);
    CFDictionarySetValue(plain, key, value);
    EXPECT_EQ(CFGetRetainCount(key), 1);
    EXPECT_EQ(CFDictionaryGetValue(plain, key), value);
    EXPECT_EQ(CFDictionaryGetValue(plain, CFSTR("key")), nullptr);
    CFRelease(plain);
    CFRelease(key);
    CFRelease(value);
}

TEST(CFBaseTest, EveryCreationCanFail) {
    ZEQSetAllocationFailure(1);
    EXPECT_EQ(CFStringCreateWithCString(nullptr, "x", kCFStringEncodingUTF8), nullptr);
    ZEQSetAllocationFailure(1);
    EXPECT_NE(CFSTR("constants never fail"), nullptr);
    ZEQClearAllocationFailure();

    // Reading and writing a property list, failing each of its allocations in turn: the result
    // is null or complete, and nothing leaks (the sanitizer build checks).
    const char xml[] =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><plist version=\"1.0\"><dict>"
        "<key>a</key><array><integer>-1</integer><data>AAE=</data><real>1.5</real></array>"
        "<key>b</key><string>caf\xC3\xA9</string><key>c</key><true/></dict></plist>";
    CFDataRef data = CFDataCreate(nullptr, reinterpret_cast<const UInt8*>(xml), sizeof xml - 1);
    CFPropertyListRef good = CFPropertyListCreateFromXMLData(nullptr, data, 0, nullptr);
    ASSERT_NE(good, nullptr);
    int failures = 0;
    for (long n = 1; n < 40; ++n) {
        ZEQSetAllocationFailure(n);
        CFStringRef error = nullptr;
        CFPropertyListRef plist = CFPropertyListCreateFromXMLData(nullptr, data, 0, &error);
        CFDataRef written = plist ? CFPropertyListCreateXMLData(nullptr, plist) : nullptr;
        ZEQClearAllocationFailure();
        if (plist) {
            EXPECT_TRUE(CFEqual(plist, good));
            CFRelease(plist);
        } else {
            ++failures;
        }
        if (written)
            CFRelease(written);
        if (error)
            CFRelease(error);
    }
    EXPECT_GT(failures, 5);
    CFRelease(good);
    CFRelease(data);
}
