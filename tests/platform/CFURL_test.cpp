// Tests of file URLs and UUIDs.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <string>

#include "platform/CoreFoundation.h"

namespace {

std::string Utf8(CFStringRef s) {
    char buffer[1024];
    if (!s || !CFStringGetCString(s, buffer, sizeof buffer, kCFStringEncodingUTF8))
        return "<null>";
    return buffer;
}

// The text of a string the caller owns, releasing it.
std::string Take(CFStringRef s) {
    std::string text = Utf8(s);
    if (s)
        CFRelease(s);
    return text;
}

}  // namespace

TEST(CFURLTest, FilePaths) {
    CFURLRef dir = CFURLCreateWithFileSystemPath(nullptr, CFSTR("/tmp/My Folder/"),
                                                 kCFURLPOSIXPathStyle, true);
    ASSERT_NE(dir, nullptr);
    EXPECT_EQ(Utf8(CFURLGetString(dir)), "file:///tmp/My%20Folder/");
    EXPECT_EQ(Take(CFURLCopyFileSystemPath(dir, kCFURLPOSIXPathStyle)), "/tmp/My Folder");
    EXPECT_EQ(Take(CFURLCopyScheme(dir)), "file");
    EXPECT_TRUE(CFURLHasDirectoryPath(dir));

    CFURLRef file =
        CFURLCreateCopyAppendingPathComponent(nullptr, dir, CFSTR("caf\xC3\xA9.plist"), false);
    EXPECT_EQ(Take(CFURLCopyLastPathComponent(file)), "caf\xC3\xA9.plist");
    EXPECT_EQ(Take(CFURLCopyPathExtension(file)), "plist");
    UInt8 buffer[64];
    ASSERT_TRUE(CFURLGetFileSystemRepresentation(file, true, buffer, sizeof buffer));
    EXPECT_STREQ(reinterpret_cast<char*>(buffer), "/tmp/My Folder/caf\xC3\xA9.plist");
    EXPECT_FALSE(CFURLGetFileSystemRepresentation(file, true, buffer, 10));  // too small

    CFURLRef parent = CFURLCreateCopyDeletingLastPathComponent(nullptr, file);
    EXPECT_TRUE(CFEqual(parent, dir));
    CFRelease(parent);

    CFURLRef same = CFURLCreateFromFileSystemRepresentation(
        nullptr, buffer, std::strlen(reinterpret_cast<char*>(buffer)), false);
    EXPECT_TRUE(CFEqual(same, file));
    CFRelease(same);
    CFRelease(file);
    CFRelease(dir);

    EXPECT_EQ(CFURLCreateWithFileSystemPath(nullptr, CFSTR(""), kCFURLPOSIXPathStyle, false),
              nullptr);
    EXPECT_EQ(CFURLCreateWithFileSystemPath(nullptr, CFSTR("a:b"), kCFURLHFSPathStyle, false),
              nullptr);
}

TEST(CFURLTest, RelativePathsResolveAgainstTheCurrentDirectory) {
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    CFURLRef rel =
        CFURLCreateWithFileSystemPath(nullptr, CFSTR("sub/../x.txt"), kCFURLPOSIXPathStyle, false);
    EXPECT_EQ(Take(CFURLCopyFileSystemPath(rel, kCFURLPOSIXPathStyle)), "sub/../x.txt");
    EXPECT_EQ(CFURLCopyScheme(rel), nullptr);
    CFURLRef abs = CFURLCopyAbsoluteURL(rel);
    EXPECT_EQ(Take(CFURLCopyFileSystemPath(abs, kCFURLPOSIXPathStyle)),
              std::string(cwd == std::string("/") ? "" : cwd) + "/x.txt");
    CFRelease(abs);
    CFRelease(rel);
}

TEST(CFURLTest, URLStrings) {
    CFURLRef u =
        CFURLCreateWithString(nullptr, CFSTR("file:///Library/Printers/PPDs/a%20b.ppd"), nullptr);
    ASSERT_NE(u, nullptr);
    EXPECT_EQ(Take(CFURLCopyFileSystemPath(u, kCFURLPOSIXPathStyle)),
              "/Library/Printers/PPDs/a b.ppd");
    CFURLRef local = CFURLCreateWithString(
        nullptr, CFSTR("file://localhost/Library/Printers/PPDs/a%20b.ppd"), nullptr);
    EXPECT_TRUE(CFEqual(local, u));
    CFRelease(local);
    CFRelease(u);

    u = CFURLCreateWithString(nullptr, CFSTR("lpd://10.0.0.5/queue"), nullptr);
    EXPECT_EQ(Take(CFURLCopyScheme(u)), "lpd");
    EXPECT_EQ(Utf8(CFURLGetString(u)), "lpd://10.0.0.5/queue");
    CFRelease(u);

    EXPECT_EQ(CFURLCreateWithString(nullptr, CFSTR("file:///a b"), nullptr), nullptr);
    EXPECT_EQ(CFURLCreateWithString(nullptr, CFSTR("file:///a%zz"), nullptr), nullptr);
    EXPECT_EQ(CFURLCreateWithString(nullptr, CFSTR("file://otherhost/x"), nullptr), nullptr);
    EXPECT_EQ(CFURLCreateWithString(nullptr, CFSTR(""), nullptr), nullptr);
}

TEST(CFURLTest, ReadAndWriteResources) {
    char path[] = "/tmp/cfurl_testXXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    CFURLRef url = CFURLCreateFromFileSystemRepresentation(nullptr, reinterpret_cast<UInt8*>(path),
                                                           std::strlen(path), false);
    CFDataRef data = CFDataCreate(nullptr, reinterpret_cast<const UInt8*>("hello"), 5);
    SInt32 error = 1;
    EXPECT_TRUE(CFURLWriteDataAndPropertiesToResource(url, data, nullptr, &error));
    EXPECT_EQ(error, 0);
    CFDataRef read = nullptr;
    EXPECT_TRUE(
        CFURLCreateDataAndPropertiesFromResource(nullptr, url, &read, nullptr, nullptr, &error));
    EXPECT_TRUE(CFEqual(read, data));
    CFRelease(read);
    unlink(path);
    EXPECT_FALSE(
        CFURLCreateDataAndPropertiesFromResource(nullptr, url, &read, nullptr, nullptr, &error));
    EXPECT_EQ(error, kCFURLResourceNotFoundError);
    EXPECT_EQ(read, nullptr);
    CFRelease(data);
    CFRelease(url);
}

TEST(CFUUIDTest, StringsBytesAndConstants) {
    CFUUIDRef u = CFUUIDCreateFromString(nullptr, CFSTR("a996fd7e-b738-11d3-8519-0050e4603277"));
    ASSERT_NE(u, nullptr);
    EXPECT_EQ(Take(CFUUIDCreateString(nullptr, u)), "A996FD7E-B738-11D3-8519-0050E4603277");
    CFUUIDBytes bytes = CFUUIDGetUUIDBytes(u);
    EXPECT_EQ(bytes.byte0, 0xA9);
    EXPECT_EQ(bytes.byte15, 0x77);
    CFUUIDRef constant =
        CFUUIDGetConstantUUIDWithBytes(nullptr, 0xA9, 0x96, 0xFD, 0x7E, 0xB7, 0x38, 0x11, 0xD3,
                                       0x85, 0x19, 0x00, 0x50, 0xE4, 0x60, 0x32, 0x77);
    EXPECT_TRUE(CFEqual(u, constant));
    EXPECT_EQ(constant,
              CFUUIDGetConstantUUIDWithBytes(nullptr, 0xA9, 0x96, 0xFD, 0x7E, 0xB7, 0x38, 0x11,
                                             0xD3, 0x85, 0x19, 0x00, 0x50, 0xE4, 0x60, 0x32, 0x77));
    CFUUIDRef fromBytes = CFUUIDCreateFromUUIDBytes(nullptr, bytes);
    EXPECT_TRUE(CFEqual(fromBytes, u));
    EXPECT_EQ(CFHash(fromBytes), CFHash(u));
    CFRelease(fromBytes);
    CFRelease(u);

    CFUUIDRef random = CFUUIDCreate(nullptr);
    CFUUIDRef other = CFUUIDCreate(nullptr);
    EXPECT_FALSE(CFEqual(random, other));
    CFStringRef text = CFUUIDCreateString(nullptr, random);
    CFUUIDRef parsed = CFUUIDCreateFromString(nullptr, text);
    EXPECT_TRUE(CFEqual(parsed, random));
    EXPECT_EQ(CFUUIDGetUUIDBytes(random).byte6 >> 4, 4);  // version 4
    CFRelease(parsed);
    CFRelease(text);
    CFRelease(other);
    CFRelease(random);

    for (const char* bad :
         {"", "A996FD7E-B738-11D3-8519-0050E460327", "A996FD7EXB738-11D3-8519-0050E4603277",
          "G996FD7E-B738-11D3-8519-0050E4603277"}) {
        CFStringRef s = CFStringCreateWithCString(nullptr, bad, kCFStringEncodingUTF8);
        EXPECT_EQ(CFUUIDCreateFromString(nullptr, s), nullptr) << bad;
        CFRelease(s);
    }
}
