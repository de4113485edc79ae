// Tests of file URLs and UUIDs.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
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

// Links planted under the name and the exact mode are checked with the job ticket
// (tests/printsys); here the umask mode and the failures.
TEST(CFURLTest, WriteReplacingLeavesNothingHalfDone) {
    char dir[] = "/tmp/cfurl_replaceXXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string folder = dir;
    auto urlOf = [](const std::string& path) {
        return CFURLCreateFromFileSystemRepresentation(
            nullptr, reinterpret_cast<const UInt8*>(path.c_str()), path.size(), false);
    };
    CFURLRef url = urlOf(folder + "/target");
    CFURLRef busy = urlOf(folder + "/busy");
    CFURLRef lost = urlOf(folder + "/missing/file");
    CFDataRef data = CFDataCreate(nullptr, reinterpret_cast<const UInt8*>("new"), 3);

    // Without a mode of its own, the file gets 0666 less the umask.
    const mode_t before = umask(027);
    SInt32 error = 1;
    EXPECT_TRUE(ZEQURLWriteDataReplacing(url, data, kZEQModeFromUmask, &error));
    umask(before);
    EXPECT_EQ(error, 0);
    struct stat st;
    ASSERT_EQ(lstat((folder + "/target").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);

    // A name that cannot be taken over (a folder with something in it) and a missing folder
    // fail with the error, and no private file is left behind.
    ASSERT_EQ(mkdir((folder + "/busy").c_str(), 0700), 0);
    ASSERT_EQ(mkdir((folder + "/busy/inside").c_str(), 0700), 0);
    EXPECT_FALSE(ZEQURLWriteDataReplacing(busy, data, 0666, &error));
    EXPECT_NE(error, 0);
    EXPECT_FALSE(ZEQURLWriteDataReplacing(lost, data, 0666, &error));
    EXPECT_EQ(error, kCFURLResourceNotFoundError);
    FILE* ls = popen(("ls -A '" + folder + "' | tr '\\n' ' '").c_str(), "r");
    ASSERT_NE(ls, nullptr);
    char names[256] = {};
    EXPECT_NE(fgets(names, sizeof names, ls), nullptr);
    pclose(ls);
    EXPECT_STREQ(names, "busy target ");

    for (CFTypeRef object : {CFTypeRef(url), CFTypeRef(busy), CFTypeRef(lost), CFTypeRef(data)}) {
        CFRelease(object);
    }
    EXPECT_EQ(system(("rm -rf '" + folder + "'").c_str()), 0);
}
