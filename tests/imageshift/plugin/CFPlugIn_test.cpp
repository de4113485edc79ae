// The plug-in registry: factories and types read from a bundle's information property list,
// identifiers in any spelling, malformed entries passed over, and the live instance counts.
#include <gtest/gtest.h>

#include <string>

#include "platform/CFPlugIn.h"
#include "platform/CoreFoundation.h"
#include "tests/platform/TempFolder.h"

namespace {

CFUUIDRef NewUUID(const char* text) {
    CFStringRef s = CFStringCreateWithCString(nullptr, text, kCFStringEncodingASCII);
    CFUUIDRef uuid = CFUUIDCreateFromString(nullptr, s);
    CFRelease(s);
    return uuid;
}

CFPlugInRef NewPlugIn(const std::string& path) {
    CFURLRef url = CFURLCreateFromFileSystemRepresentation(
        nullptr, reinterpret_cast<const UInt8*>(path.c_str()), static_cast<CFIndex>(path.size()),
        true);
    CFPlugInRef plugIn = CFPlugInCreate(nullptr, url);
    CFRelease(url);
    return plugIn;
}

std::string InfoPlist(const std::string& identifier, const std::string& entries) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
           "<key>CFBundleIdentifier</key><string>" +
           identifier + "</string>" + entries + "</dict></plist>\n";
}

// Identifiers of this test only, so that the process-wide registry holds nothing else of them.
#define kFactoryA "5A1D0C2E-0001-4B00-8000-00000000000A"
#define kFactoryB "5A1D0C2E-0001-4B00-8000-00000000000B"
#define kTypeT "5A1D0C2E-0002-4B00-8000-000000000001"
#define kTypeU "5A1D0C2E-0002-4B00-8000-000000000002"

TEST(CFPlugInRegistry, FactoriesAndTypesFromTheInfoDictionary) {
    TempFolder folder;
    ASSERT_FALSE(folder.Path().empty());
    // Factory A is written in lower case; B in braces; one key is no identifier and one
    // function name is no string. Type T lists A twice (once in another spelling), garbage,
    // and B; type U is no array.
    folder.Write(
        "One.plugin/Contents/Info.plist",
        InfoPlist("zeq.tests.PlugInOne",
                  "<key>CFPlugInFactories</key><dict>"
                  "<key>5a1d0c2e-0001-4b00-8000-00000000000a</key><string>MakeA</string>"
                  "<key>{" kFactoryB "}</key><string>MakeB</string>"
                  "<key>not-an-identifier</key><string>MakeC</string>"
                  "<key>5A1D0C2E-0001-4B00-8000-00000000000C</key><integer>1</integer>"
                  "</dict><key>CFPlugInTypes</key><dict>"
                  "<key>" kTypeT "</key><array><string>" kFactoryA "</string>"
                  "<string>nonsense</string><string>5a1d0c2e-0001-4b00-8000-00000000000a</string>"
                  "<string>" kFactoryB "</string></array>"
                  "<key>" kTypeU "</key><string>" kFactoryA "</string>"
                  "</dict>"));
    folder.Write("Two.plugin/Contents/Info.plist", InfoPlist("zeq.tests.PlugInTwo", ""));

    EXPECT_EQ(NewPlugIn(folder.Path() + "/Missing.plugin"), nullptr);
    CFPlugInRef one = NewPlugIn(folder.Path() + "/One.plugin");
    CFPlugInRef two = NewPlugIn(folder.Path() + "/Two.plugin");
    ASSERT_NE(one, nullptr);
    ASSERT_NE(two, nullptr);
    EXPECT_EQ(CFPlugInGetBundle(one), one);

    CFUUIDRef a = NewUUID(kFactoryA), b = NewUUID(kFactoryB), t = NewUUID(kTypeT),
              u = NewUUID(kTypeU);
    CFArrayRef found = CFPlugInFindFactoriesForPlugInType(t);
    ASSERT_EQ(CFArrayGetCount(found), 2);
    EXPECT_TRUE(CFEqual(CFArrayGetValueAtIndex(found, 0), a));
    EXPECT_TRUE(CFEqual(CFArrayGetValueAtIndex(found, 1), b));
    CFRelease(found);
    found = CFPlugInFindFactoriesForPlugInTypeInPlugIn(t, one);
    EXPECT_EQ(CFArrayGetCount(found), 2);
    CFRelease(found);
    found = CFPlugInFindFactoriesForPlugInTypeInPlugIn(t, two);
    EXPECT_EQ(CFArrayGetCount(found), 0);
    CFRelease(found);
    found = CFPlugInFindFactoriesForPlugInType(u);
    EXPECT_EQ(CFArrayGetCount(found), 0);
    CFRelease(found);

    // The bundle has no executable: no function, no instance.
    EXPECT_EQ(CFPlugInInstanceCreate(nullptr, a, t), nullptr);
    EXPECT_EQ(CFPlugInInstanceCreate(nullptr, u, t), nullptr);

    // Instance counts never go below zero; a factory never registered counts none.
    EXPECT_EQ(CFPlugInGetInstanceCountForFactory(a), 0);
    CFPlugInAddInstanceForFactory(a);
    CFPlugInAddInstanceForFactory(a);
    EXPECT_EQ(CFPlugInGetInstanceCountForFactory(a), 2);
    CFPlugInRemoveInstanceForFactory(a);
    CFPlugInRemoveInstanceForFactory(a);
    CFPlugInRemoveInstanceForFactory(a);
    EXPECT_EQ(CFPlugInGetInstanceCountForFactory(a), 0);
    CFPlugInRemoveInstanceForFactory(u);
    EXPECT_EQ(CFPlugInGetInstanceCountForFactory(u), 0);
    CFPlugInAddInstanceForFactory(nullptr);
    EXPECT_EQ(CFPlugInGetInstanceCountForFactory(nullptr), 0);

    for (CFTypeRef object :
         {CFTypeRef(a), CFTypeRef(b), CFTypeRef(t), CFTypeRef(u), CFTypeRef(one), CFTypeRef(two)})
        CFRelease(object);
}

}  // namespace
