// Tests of FileMac and PPDFile: validity, existence, reading the data fork to its end, the
// errors of a fork that is not open, the data-fork size and files named by URL.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "PPDUtils/FileMac.h"
#include "TestFiles.h"
#include "platform/CFString.h"
#include "platform/CFURL.h"

TEST(FileMac, ValidityAndExistence) {
    TempFile temp("0123456789");
    FSSpec spec = temp.Spec();
    std::string name = TempFile::NameOf(spec);

    FileMac byName(spec.vRefNum, spec.parID, name.data());
    EXPECT_TRUE(byName.valid());
    EXPECT_TRUE(byName.exists());
    FileMac bySpec(spec);
    EXPECT_TRUE(bySpec.valid());
    FSSpec out;
    bySpec.getFileInfo(&out);
    EXPECT_EQ(std::memcmp(&out, &spec, sizeof spec), 0);

    char empty[] = "";
    FileMac noName(0, 0, empty);
    EXPECT_FALSE(noName.valid());
    FileMac nullName(0, 0, nullptr);
    EXPECT_FALSE(nullName.valid());

    // A PPDFile always reads invalid; exists() tells whether the file is there.
    PPDFile ppd(spec.vRefNum, spec.parID, name.data());
    EXPECT_FALSE(ppd.valid());
    EXPECT_TRUE(ppd.exists());
    PPDFile blank(static_cast<unsigned char>(0));
    EXPECT_FALSE(blank.valid());
    EXPECT_FALSE(blank.exists());
}

TEST(FileMac, DataForkReadToEnd) {
    TempFile temp("0123456789");
    FSSpec spec = temp.Spec();
    FileMac file(spec);
    char buffer[16] = {};
    unsigned long count = 4;

    // Not open: -38 and the count untouched.
    EXPECT_EQ(file.dataForkRead(buffer, &count), fnOpnErr);
    EXPECT_EQ(count, 4u);
    EXPECT_EQ(file.closeDataFork(), fnOpnErr);
    EXPECT_EQ(file.dataForkSize(), 10);

    ASSERT_EQ(file.openDataFork(1), noErr);
    EXPECT_TRUE(file.dataForkOpen());
    EXPECT_EQ(file.dataForkRead(buffer, &count), noErr);
    EXPECT_EQ(count, 4u);
    EXPECT_EQ(std::string(buffer, 4), "0123");
    count = 16;
    EXPECT_EQ(file.dataForkRead(buffer, &count), eofErr);
    EXPECT_EQ(count, 6u);
    EXPECT_EQ(std::string(buffer, 6), "456789");
    count = 16;
    EXPECT_EQ(file.dataForkRead(buffer, &count), eofErr);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(file.closeDataFork(), noErr);
    EXPECT_FALSE(file.dataForkOpen());
    EXPECT_EQ(file.getDataForkRefNum(), -1);

    FSSpec gone = TempFile::SpecFor("/tmp/zeqbase_not_there.ppd");
    FileMac missing(gone);
    EXPECT_FALSE(missing.exists());
    EXPECT_NE(missing.openDataFork(1), noErr);
    EXPECT_FALSE(missing.dataForkOpen());
    EXPECT_EQ(missing.dataForkSize(), 0);
}

TEST(FileMac, PPDFileFromURL) {
    TempFile temp("*PPD-Adobe: \"4.3\"\n");
    CFURLRef url = CFURLCreateFromFileSystemRepresentation(
        kCFAllocatorDefault, reinterpret_cast<const UInt8*>(temp.Path().c_str()),
        static_cast<CFIndex>(temp.Path().size()), false);
    ASSERT_NE(url, nullptr);
    PPDFile file(url);
    EXPECT_FALSE(file.valid());
    EXPECT_TRUE(file.exists());
    EXPECT_EQ(file.dataForkSize(), 18);
    CFRelease(url);

    // A URL with no file behind it gives an empty FSSpec that names nothing.
    CFURLRef none = CFURLCreateFromFileSystemRepresentation(
        kCFAllocatorDefault, reinterpret_cast<const UInt8*>("/tmp/zeqbase_absent/x.ppd"), 25,
        false);
    PPDFile absent(none);
    EXPECT_FALSE(absent.exists());
    EXPECT_NE(absent.openDataFork(1), noErr);
    if (none != nullptr)
        CFRelease(none);
}

TEST(FileMac, NameLongerThanASpecHolds) {
    // The PPD's file name does not fit the 63 bytes of an FSSpec: it still opens.
    TempFile dir("");
    std::string leaf = "QW4300_" + std::string(90, 'n') + ".ppd";
    std::string path = "/tmp/" + leaf;
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("*PPD-Adobe: \"4.3\"\n", f);
    std::fclose(f);
    FSSpec tmp = dir.Spec();
    PPDFile file(tmp.vRefNum, tmp.parID, leaf.data());
    EXPECT_TRUE(file.exists());
    EXPECT_EQ(file.dataForkSize(), 18);
    char buffer[32];
    unsigned long count = sizeof buffer;
    ASSERT_EQ(file.openDataFork(1), noErr);
    EXPECT_EQ(file.dataForkRead(buffer, &count), eofErr);
    EXPECT_EQ(count, 18u);
    file.closeDataFork();
    std::remove(path.c_str());
}
