// Tests of the plug-in's bundle services: the cached bundle reference and its counts, the
// "Contents" URL, and PDEBundle's look-up before and after it is given a bundle.
#include <gtest/gtest.h>

#include <string>

#include "imageshift/PDEBundle.h"
#include "platform/CoreFoundation.h"
#include "tests/platform/CFTestSupport.h"
#include "tests/platform/LanguageEnvironment.h"
#include "tests/platform/TempFolder.h"

namespace {

const CFStringRef kMainID = CFSTR("zeq.tests.ImageShiftTests");

// The path of a folder URL the caller owns, releasing it; "<not a folder>" for any other.
std::string TakeFolderPath(CFURLRef url) {
    if (url && !CFURLHasDirectoryPath(url)) {
        CFRelease(url);
        return "<not a folder>";
    }
    return TakePath(url);
}

}  // namespace

TEST(PDEBundleTest, LocalizedTextNeedsABundle) {
    // As at load time: no bundle has been given.
    PDEBundle::mBundle = nullptr;
    PDEBundle::mInit = false;
    EXPECT_EQ(PDEBundle::GetLocalizedCFString(CFSTR("Yes"), nullptr), nullptr);

    LanguageEnvironment environment("de");
    CFBundleRef main = CFBundleGetMainBundle();
    ASSERT_TRUE(CFEqual(CFBundleGetIdentifier(main), kMainID)) << "the tests run in their bundle";
    EXPECT_EQ(Take(PDEBundle::GetLocalizedCFString(CFSTR("Yes"), main)), "Ja");
    PDEBundle::InitBundle(main);
    EXPECT_TRUE(PDEBundle::mInit);
    EXPECT_EQ(PDEBundle::mBundle, main);
    EXPECT_EQ(Take(PDEBundle::GetLocalizedCFString(CFSTR("No"), nullptr)), "Nein");
    EXPECT_EQ(Take(PDEBundle::GetLocalizedCFString(CFSTR("Not a key"), nullptr)), "Not a key");

    // A bundle passed in is used instead of the one given before.
    TempFolder folder;
    folder.Write("Other.plugin/Contents/Resources/de.lproj/Localizable.strings",
                 "\"Yes\" = \"Jawohl\";");
    CFBundleRef other = BundleAt(folder.Path() + "/Other.plugin");
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(Take(PDEBundle::GetLocalizedCFString(CFSTR("Yes"), other)), "Jawohl");
    EXPECT_EQ(Take(PDEBundle::GetLocalizedCFString(CFSTR("Yes"), nullptr)), "Ja");
    CFRelease(other);
}

TEST(PDEBundleTest, CachedBundleAndContentsURL) {
    MyFreeBundle(nullptr);
    EXPECT_EQ(CreatePDEContentsURL(CFSTR("zeq.tests.Unknown")), nullptr);
    EXPECT_EQ(MyGetBundle(CFSTR("zeq.tests.Unknown")), nullptr);  // caches nothing

    // The first bundle found stays cached, whatever identifier comes later.
    CFBundleRef main = MyGetBundle(kMainID);
    ASSERT_EQ(main, CFBundleGetMainBundle());
    EXPECT_EQ(MyGetBundle(CFSTR("zeq.tests.Unknown")), main);
    EXPECT_EQ(TakeFolderPath(CreatePDEContentsURL(CFSTR("zeq.tests.Unknown"))),
              RealPath(ZEQ_TEST_MAIN_BUNDLE) + "/Contents");
    EXPECT_EQ(MyFreeBundle(kMainID), nullptr);
    EXPECT_EQ(CreatePDEContentsURL(CFSTR("zeq.tests.Unknown")), nullptr);
    EXPECT_EQ(MyFreeBundle(nullptr), nullptr);  // an empty cache is left alone

    // The cache holds one reference of its own.
    TempFolder folder;
    folder.Write("Temp.plugin/Contents/Info.plist",
                 "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>CFBundleIdentifier"
                 "</key><string>zeq.tests.Temp</string></dict></plist>");
    const std::string path = folder.Path() + "/Temp.plugin";
    CFBundleRef temp = BundleAt(path);
    ASSERT_NE(temp, nullptr);
    EXPECT_EQ(MyGetBundle(CFSTR("zeq.tests.Temp")), temp);
    EXPECT_EQ(CFGetRetainCount(temp), 2);
    EXPECT_EQ(TakeFolderPath(CreatePDEContentsURL(nullptr)), RealPath(path) + "/Contents");
    MyFreeBundle(nullptr);
    EXPECT_EQ(CFGetRetainCount(temp), 1);
    CFRelease(temp);
}
