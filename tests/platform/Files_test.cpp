// Tests of the File Manager stand-in: specs by directory id and name, reading a data fork to
// its end, names longer than an FSSpec holds, and the URL -> FSRef -> FSSpec road.
#include "platform/CFBase.h"
#include "platform/CFURL.h"
#include "platform/Files.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

class FilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/zeq-files-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        mDir = pattern;
        mContent.resize(25000);
        for (size_t i = 0; i < mContent.size(); ++i) {
            mContent[i] = static_cast<char>('a' + i % 26);
        }
    }
    void TearDown() override {
        for (const std::string& f : mFiles) {
            unlink(f.c_str());
        }
        rmdir(mDir.c_str());
    }
    std::string Write(const std::string& name, const std::string& content) {
        std::string path = mDir + "/" + name;
        std::ofstream(path, std::ios::binary) << content;
        mFiles.push_back(path);
        return path;
    }
    static void ToPascal(const std::string& s, Str255 out) {
        out[0] = static_cast<unsigned char>(s.size());
        std::memcpy(out + 1, s.data(), s.size());
    }
    static std::string Name(const FSSpec& spec) {
        return std::string(reinterpret_cast<const char*>(spec.name + 1), spec.name[0]);
    }
    static CFURLRef Url(const std::string& path) {
        return CFURLCreateFromFileSystemRepresentation(nullptr,
                                                       reinterpret_cast<const UInt8*>(path.c_str()),
                                                       static_cast<CFIndex>(path.size()), false);
    }

    std::string mDir;
    std::string mContent;
    std::vector<std::string> mFiles;
};

}  // namespace

TEST_F(FilesTest, SpecLayoutAndLookUps) {
    EXPECT_EQ(sizeof(FSSpec), 70u);
    EXPECT_EQ(offsetof(FSSpec, parID), 2u);
    EXPECT_EQ(offsetof(FSSpec, name), 6u);

    std::string path = Write("sample.ppd", mContent);
    Str255 name;
    ToPascal(path, name);
    FSSpec spec;
    ASSERT_EQ(FSMakeFSSpec(0, 0, name, &spec), noErr);
    EXPECT_EQ(Name(spec), "sample.ppd");
    SInt32 parID = spec.parID;  // a packed field: copy before comparing
    EXPECT_NE(parID, 0);

    // The directory id and the leaf name give the same FSSpec.
    FSSpec again;
    ToPascal("sample.ppd", name);
    ASSERT_EQ(FSMakeFSSpec(0, spec.parID, name, &again), noErr);
    EXPECT_EQ(std::memcmp(&spec, &again, sizeof spec), 0);

    FInfo info;
    EXPECT_EQ(FSpGetFInfo(&spec, &info), noErr);

    // A missing file still gets its FSSpec; a directory has no Finder information.
    ToPascal("missing.ppd", name);
    FSSpec missing;
    EXPECT_EQ(FSMakeFSSpec(0, spec.parID, name, &missing), fnfErr);
    EXPECT_EQ(Name(missing), "missing.ppd");
    EXPECT_EQ(FSpGetFInfo(&missing, &info), fnfErr);
    short refNum = 0;
    EXPECT_EQ(FSpOpenDF(&missing, fsRdPerm, &refNum), fnfErr);
    ToPascal(mDir, name);
    FSSpec dir;
    EXPECT_EQ(FSMakeFSSpec(0, 0, name, &dir), noErr);
    EXPECT_EQ(FSpGetFInfo(&dir, &info), fnfErr);
    EXPECT_EQ(FSMakeFSSpec(0, 0, nullptr, &dir), fnfErr);
    EXPECT_EQ(FSMakeFSSpec(0, 999999, name, &dir), dirNFErr);

    HParamBlockRec pb{};
    pb.fileParam.ioNamePtr = spec.name;
    pb.fileParam.ioVRefNum = spec.vRefNum;
    pb.fileParam.ioDirID = spec.parID;
    EXPECT_EQ(PBHGetFInfoSync(&pb), noErr);
    EXPECT_EQ(pb.fileParam.ioFlLgLen, 25000);
    pb.fileParam.ioNamePtr = missing.name;
    pb.fileParam.ioDirID = missing.parID;
    EXPECT_EQ(PBHGetFInfoSync(&pb), fnfErr);
}

TEST_F(FilesTest, ReadsTheDataForkToItsEnd) {
    std::string path = Write("read.ppd", mContent);
    Str255 name;
    ToPascal(path, name);
    FSSpec spec;
    ASSERT_EQ(FSMakeFSSpec(0, 0, name, &spec), noErr);
    short refNum = 0;
    ASSERT_EQ(FSpOpenDF(&spec, fsRdPerm, &refNum), noErr);
    EXPECT_GT(refNum, 0);
    short second = 0;
    ASSERT_EQ(FSpOpenDF(&spec, fsCurPerm, &second), noErr);
    EXPECT_NE(second, refNum);
    EXPECT_EQ(FSClose(second), noErr);

    long eof = 0;
    EXPECT_EQ(GetEOF(refNum, &eof), noErr);
    EXPECT_EQ(eof, 25000);

    std::string got;
    char buffer[10000];
    long count = sizeof buffer;
    EXPECT_EQ(FSRead(refNum, &count, buffer), noErr);
    EXPECT_EQ(count, 10000);
    got.append(buffer, count);
    count = sizeof buffer;
    EXPECT_EQ(FSRead(refNum, &count, buffer), noErr);
    got.append(buffer, count);
    count = sizeof buffer;
    EXPECT_EQ(FSRead(refNum, &count, buffer), eofErr);
    EXPECT_EQ(count, 5000);
    got.append(buffer, count);
    EXPECT_EQ(got, mContent);
    count = sizeof buffer;
    EXPECT_EQ(FSRead(refNum, &count, buffer), eofErr);
    EXPECT_EQ(count, 0);

    EXPECT_EQ(SetFPos(refNum, fsFromStart, 27), noErr);
    long position = 0;
    EXPECT_EQ(GetFPos(refNum, &position), noErr);
    EXPECT_EQ(position, 27);
    count = 3;
    EXPECT_EQ(FSRead(refNum, &count, buffer), noErr);
    EXPECT_EQ(std::string(buffer, 3), "bcd");

    EXPECT_EQ(FSClose(refNum), noErr);
    count = 1;
    EXPECT_EQ(FSRead(refNum, &count, buffer), rfNumErr);
    EXPECT_EQ(FSClose(refNum), rfNumErr);
    EXPECT_EQ(FSClose(0), rfNumErr);
}

TEST_F(FilesTest, NamedPipeIsRefusedWithoutWaitingForAWriter) {
    std::string path = mDir + "/pipe.ppd";
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    mFiles.push_back(path);
    Str255 name;
    ToPascal(path, name);
    FSSpec spec;
    ASSERT_EQ(FSMakeFSSpec(0, 0, name, &spec), noErr);
    // Should the open block, a writer comes after two seconds so that the test still ends.
    std::atomic<bool> returned{false};
    std::thread writer([&path, &returned] {
        for (int i = 0; i < 40 && !returned; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        int fd = open(path.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0) {
            close(fd);
        }
    });
    auto start = std::chrono::steady_clock::now();
    short refNum = 0;
    EXPECT_EQ(FSpOpenDF(&spec, fsRdPerm, &refNum), fnfErr);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    returned = true;
    writer.join();
}

TEST_F(FilesTest, CreatesWritesAndRefusesToWriteReadOnlyForks) {
    std::string path = mDir + "/created.txt";
    mFiles.push_back(path);
    Str255 name;
    ToPascal(path, name);
    FSSpec spec;
    ASSERT_EQ(FSMakeFSSpec(0, 0, name, &spec), fnfErr);
    ASSERT_EQ(FSpCreate(&spec, 0, 0, 0), noErr);
    EXPECT_EQ(FSpCreate(&spec, 0, 0, 0), dupFNErr);
    short refNum = 0;
    ASSERT_EQ(FSpOpenDF(&spec, fsRdWrPerm, &refNum), noErr);
    long count = 5;
    EXPECT_EQ(FSWrite(refNum, &count, "hello"), noErr);
    EXPECT_EQ(count, 5);
    EXPECT_EQ(SetFPos(refNum, fsFromLEOF, -2), noErr);
    char buffer[8];
    count = sizeof buffer;
    EXPECT_EQ(FSRead(refNum, &count, buffer), eofErr);
    EXPECT_EQ(std::string(buffer, count), "lo");
    EXPECT_EQ(SetFPos(refNum, fsFromStart, 50), eofErr);
    EXPECT_EQ(FSClose(refNum), noErr);

    ASSERT_EQ(FSpOpenDF(&spec, fsRdPerm, &refNum), noErr);
    count = 1;
    EXPECT_EQ(FSWrite(refNum, &count, "x"), wrPermErr);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(FSClose(refNum), noErr);
}

TEST_F(FilesTest, LongNamesOpenThroughTheirAlias) {
    std::string longName = std::string(90, 'L') + "\xC3\xA9" + ".ppd";  // 96 bytes
    std::string path = Write(longName, "*PPD-Adobe: \"4.3\"\n");
    Str255 name;
    ToPascal(path, name);
    FSSpec spec;
    ASSERT_EQ(FSMakeFSSpec(0, 0, name, &spec), noErr);
    EXPECT_LE(spec.name[0], 63);
    EXPECT_NE(Name(spec).find('#'), std::string::npos);

    FSSpec again;
    ASSERT_EQ(FSMakeFSSpec(0, 0, name, &again), noErr);
    EXPECT_EQ(Name(again), Name(spec));
    ToPascal(Name(spec), name);
    ASSERT_EQ(FSMakeFSSpec(0, spec.parID, name, &again), noErr);
    EXPECT_EQ(Name(again), Name(spec));

    FInfo info;
    EXPECT_EQ(FSpGetFInfo(&spec, &info), noErr);
    short refNum = 0;
    ASSERT_EQ(FSpOpenDF(&spec, fsRdPerm, &refNum), noErr);
    char buffer[64];
    long count = sizeof buffer;
    EXPECT_EQ(FSRead(refNum, &count, buffer), eofErr);
    EXPECT_EQ(std::string(buffer, count), "*PPD-Adobe: \"4.3\"\n");
    FSClose(refNum);

    // Through a URL: the catalogue gives the same FSSpec, and the full name in UTF-16.
    CFURLRef url = Url(path);
    ASSERT_NE(url, nullptr);
    FSRef ref;
    ASSERT_TRUE(CFURLGetFSRef(url, &ref));
    CFRelease(url);
    FSSpec fromRef;
    HFSUniStr255 leaf;
    FSRef parent;
    ASSERT_EQ(FSGetCatalogInfo(&ref, kFSCatInfoNone, nullptr, &leaf, &fromRef, &parent), noErr);
    EXPECT_EQ(std::memcmp(&fromRef, &spec, sizeof spec), 0);
    EXPECT_EQ(leaf.length, 95);  // the two UTF-8 bytes of e-acute are one unit
    EXPECT_EQ(leaf.unicode[90], 0xE9);
    UInt8 back[1024];
    ASSERT_EQ(FSRefMakePath(&ref, back, sizeof back), noErr);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(back)), path);
    EXPECT_EQ(FSRefMakePath(&ref, back, 10), paramErr);
    FSCatalogInfo catalog;
    ASSERT_EQ(FSGetCatalogInfo(&parent, kFSCatInfoNodeFlags | kFSCatInfoNodeID, &catalog, nullptr,
                               nullptr, nullptr),
              noErr);
    EXPECT_TRUE(catalog.nodeFlags & kFSNodeIsDirectoryMask);
    SInt32 parID = spec.parID;
    EXPECT_EQ(static_cast<SInt32>(catalog.nodeID), parID);
}

TEST_F(FilesTest, UrlsOfMissingFilesHaveNoReference) {
    std::string path = mDir + "/absent.ppd";
    CFURLRef url = Url(path);
    ASSERT_NE(url, nullptr);
    FSRef ref;
    EXPECT_FALSE(CFURLGetFSRef(url, &ref));
    CFRelease(url);
    EXPECT_FALSE(CFURLGetFSRef(nullptr, &ref));
    FSRef bogus{};
    FSSpec spec;
    EXPECT_EQ(FSGetCatalogInfo(&bogus, kFSCatInfoNone, nullptr, nullptr, &spec, nullptr), paramErr);
}
