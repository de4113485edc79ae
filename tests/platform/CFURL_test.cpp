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

TEST(CFURLTest, WriteReplacingNeverFollowsWhatIsThere) {
    char dir[] = "/tmp/cfurl_replaceXXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string folder = dir;
    const std::string victim = folder + "/victim";
    const std::string name = folder + "/target";
    FILE* f = fopen(victim.c_str(), "w");
    ASSERT_NE(f, nullptr);
    fputs("untouched", f);
    fclose(f);
    ASSERT_EQ(symlink(victim.c_str(), name.c_str()), 0);

    auto urlOf = [](const std::string& path) {
        return CFURLCreateFromFileSystemRepresentation(
            nullptr, reinterpret_cast<const UInt8*>(path.c_str()), path.size(), false);
    };
    CFURLRef url = urlOf(name);
    CFDataRef data = CFDataCreate(nullptr, reinterpret_cast<const UInt8*>("new"), 3);
    const mode_t saved = umask(077);
    SInt32 error = 1;
    EXPECT_TRUE(ZEQURLWriteDataReplacing(url, data, 0664, &error));
    EXPECT_EQ(error, 0);
    umask(saved);

    // The link is replaced by the file, the file it pointed to is as it was.
    struct stat st;
    ASSERT_EQ(lstat(name.c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(st.st_mode & 07777, 0664u);  // exactly, whatever the umask
    char text[32] = {};
    f = fopen(victim.c_str(), "r");
    ASSERT_NE(f, nullptr);
    EXPECT_NE(fgets(text, sizeof text, f), nullptr);
    fclose(f);
    EXPECT_STREQ(text, "untouched");
    CFDataRef read = nullptr;
    ASSERT_TRUE(
        CFURLCreateDataAndPropertiesFromResource(nullptr, url, &read, nullptr, nullptr, &error));
    EXPECT_TRUE(CFEqual(read, data));
    CFRelease(read);

    // Without a mode of its own, the file gets 0666 less the umask.
    const mode_t before = umask(027);
    EXPECT_TRUE(ZEQURLWriteDataReplacing(url, data, kZEQModeFromUmask, &error));
    umask(before);
    ASSERT_EQ(lstat(name.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);

    // A name that cannot be taken over (a folder there) fails with the error and leaves no
    // private file behind; so does a missing folder.
    const std::string busy = folder + "/busy";
    ASSERT_EQ(mkdir(busy.c_str(), 0700), 0);
    ASSERT_EQ(mkdir((busy + "/inside").c_str(), 0700), 0);
    CFURLRef busyURL = urlOf(busy);
    EXPECT_FALSE(ZEQURLWriteDataReplacing(busyURL, data, 0666, &error));
    EXPECT_NE(error, 0);
    CFURLRef lost = urlOf(folder + "/missing/file");
    EXPECT_FALSE(ZEQURLWriteDataReplacing(lost, data, 0666, &error));
    EXPECT_EQ(error, kCFURLResourceNotFoundError);
    const std::string listing = "ls -A '" + folder + "' | tr '\\n' ' '";
    FILE* ls = popen(listing.c_str(), "r");
    ASSERT_NE(ls, nullptr);
    char names[256] = {};
    EXPECT_NE(fgets(names, sizeof names, ls), nullptr);
    pclose(ls);
    EXPECT_STREQ(names, "busy target victim ");

    CFRelease(busyURL);
    CFRelease(lost);
    CFRelease(data);
    CFRelease(url);
    EXPECT_EQ(system(("rm -rf '" + folder + "'").c_str()), 0);
}
