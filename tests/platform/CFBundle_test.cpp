// Tests of bundles: creation and look-up by identifier, the main bundle, the information
// dictionary, resources and localized strings as the locale variables choose them, and the
// executable.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/CFBundle.h"
#include "platform/CoreFoundation.h"
#include "tests/platform/CFTestSupport.h"
#include "tests/platform/LanguageEnvironment.h"
#include "tests/platform/TempFolder.h"

namespace {

const std::string kBundlePath = ZEQ_TEST_BUNDLE;
const std::string kResources = RealPath(kBundlePath) + "/Contents/Resources";

CFBundleRef CreateTestBundle() {
    return BundleAt(kBundlePath);
}

std::string Localized(CFBundleRef bundle, const char* key, CFStringRef value = nullptr,
                      CFStringRef table = nullptr) {
    CFStringRef k = CFStringCreateWithCString(nullptr, key, kCFStringEncodingUTF8);
    std::string text = Take(CFBundleCopyLocalizedString(bundle, k, value, table));
    CFRelease(k);
    return text;
}

std::string Resource(CFBundleRef bundle, CFStringRef name, CFStringRef type,
                     CFStringRef folder = nullptr) {
    return TakePath(CFBundleCopyResourceURL(bundle, name, type, folder));
}

std::string InfoPlist(const std::string& entries) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n" +
           entries + "</dict>\n</plist>\n";
}

}  // namespace

TEST(CFBundleTest, CreationLookUpAndInformation) {
    CFStringRef identifier = CFSTR("zeq.tests.TestPlugin");
    EXPECT_EQ(CFBundleGetBundleWithIdentifier(identifier), nullptr);

    CFBundleRef bundle = CreateTestBundle();
    ASSERT_NE(bundle, nullptr);
    EXPECT_EQ(CFGetTypeID(bundle), CFBundleGetTypeID());
    EXPECT_EQ(CFBundleGetBundleWithIdentifier(identifier), bundle);
    EXPECT_EQ(CFGetRetainCount(bundle), 1);

    // Another URL of the same folder gives the same bundle, retained once more.
    CFBundleRef same = BundleAt(kBundlePath + "/Contents/../");
    EXPECT_EQ(same, bundle);
    EXPECT_EQ(CFGetRetainCount(bundle), 2);
    CFRelease(same);

    EXPECT_EQ(Utf8(CFBundleGetIdentifier(bundle)), "zeq.tests.TestPlugin");
    EXPECT_EQ(Utf8(CFBundleGetDevelopmentRegion(bundle)), "en");
    EXPECT_EQ(Utf8(static_cast<CFStringRef>(
                  CFBundleGetValueForInfoDictionaryKey(bundle, CFSTR("CFBundleVersion")))),
              "2.1");
    CFTypeRef count = CFBundleGetValueForInfoDictionaryKey(bundle, CFSTR("TestPluginCount"));
    SInt32 number = 0;
    ASSERT_NE(count, nullptr);
    ASSERT_TRUE(CFNumberGetValue(static_cast<CFNumberRef>(count), kCFNumberSInt32Type, &number));
    EXPECT_EQ(number, 7);
    EXPECT_EQ(CFBundleGetValueForInfoDictionaryKey(bundle, CFSTR("NoSuchKey")), nullptr);
    EXPECT_EQ(CFDictionaryGetCount(CFBundleGetInfoDictionary(bundle)), 5);
    EXPECT_EQ(TakePath(CFBundleCopyBundleURL(bundle)), RealPath(kBundlePath));
    EXPECT_EQ(TakePath(CFBundleCopyResourcesDirectoryURL(bundle)), kResources);

    // The last release forgets the bundle.
    CFRelease(bundle);
    EXPECT_EQ(CFBundleGetBundleWithIdentifier(identifier), nullptr);

    // Only a folder that exists makes a bundle.
    EXPECT_EQ(BundleAt(kBundlePath + "/Nowhere"), nullptr);
    EXPECT_EQ(BundleAt(kBundlePath + "/Contents/Info.plist"), nullptr);
    CFURLRef web = CFURLCreateWithString(nullptr, CFSTR("http://example.com/x.plugin/"), nullptr);
    EXPECT_EQ(CFBundleCreate(nullptr, web), nullptr);
    CFRelease(web);
    EXPECT_EQ(CFBundleCreate(nullptr, nullptr), nullptr);
    EXPECT_EQ(CFBundleGetIdentifier(nullptr), nullptr);
}

TEST(CFBundleTest, MainBundleIsTheProgramsFolder) {
    CFBundleRef main = CFBundleGetMainBundle();
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(CFBundleGetMainBundle(), main);
    std::string program = RealPath("/proc/self/exe");
    EXPECT_EQ(TakePath(CFBundleCopyBundleURL(main)), program.substr(0, program.rfind('/')));
    // A program outside a bundle is a flat bundle: no identifier, its folder holds resources.
    EXPECT_EQ(CFBundleGetIdentifier(main), nullptr);
    EXPECT_EQ(TakePath(CFBundleCopyExecutableURL(main)), program);
    // Releasing it (one release too many) does not destroy it.
    CFRelease(main);
    EXPECT_EQ(CFBundleGetMainBundle(), main);
    EXPECT_EQ(Localized(main, "Hello"), "Hello");
    // Its executable is the running program with what it has loaded.
    EXPECT_NE(CFBundleGetFunctionPointerForName(main, CFSTR("getenv")), nullptr);
}

TEST(CFBundleTest, FlatAndDamagedBundles) {
    TempFolder folder;
    ASSERT_FALSE(folder.Path().empty());
    // No Contents folder and no Info.plist: a flat bundle with an empty information dictionary.
    folder.Write("en.lproj/Localizable.strings", "\"Hello\" = \"Flat hello\";");
    CFBundleRef flat = BundleAt(folder.Path());
    ASSERT_NE(flat, nullptr);
    EXPECT_EQ(CFDictionaryGetCount(CFBundleGetInfoDictionary(flat)), 0);
    EXPECT_EQ(CFBundleGetIdentifier(flat), nullptr);
    EXPECT_EQ(TakePath(CFBundleCopyResourcesDirectoryURL(flat)), RealPath(folder.Path()));
    {
        LanguageEnvironment environment(nullptr);
        EXPECT_EQ(Localized(flat, "Hello"), "Flat hello");  // "en" when no region is named
    }
    EXPECT_FALSE(CFBundleLoadExecutable(flat));
    EXPECT_EQ(CFBundleGetFunctionPointerForName(flat, CFSTR("TestPluginAnswer")), nullptr);
    CFRelease(flat);

    // Damaged files: an Info.plist that is no dictionary, a broken table, an executable that
    // is no library. Each is passed over.
    const std::string bundlePath = folder.Path() + "/Damaged.plugin";
    folder.Write("Damaged.plugin/Contents/Info.plist",
                 InfoPlist("<key>CFBundleIdentifier</key><string>zeq.tests.Damaged</string>\n"
                           "<key>CFBundleExecutable</key><string>Damaged</string>\n"
                           "<key>CFBundleDevelopmentRegion</key><string>de</string>\n"));
    folder.Write("Damaged.plugin/Contents/Linux/Damaged", "not a library");
    folder.Write("Damaged.plugin/Contents/Resources/de.lproj/Localizable.strings",
                 "\"Hello\" = \"Hallo\"\n\"Colour\" = \"Farbe\";");
    CFBundleRef damaged = BundleAt(bundlePath);
    ASSERT_NE(damaged, nullptr);
    EXPECT_EQ(CFBundleGetBundleWithIdentifier(CFSTR("zeq.tests.Damaged")), damaged);
    {
        LanguageEnvironment environment("de");
        EXPECT_EQ(Localized(damaged, "Hello"), "Hello");
        EXPECT_EQ(Localized(damaged, "Colour"), "Colour");
    }
    EXPECT_EQ(TakePath(CFBundleCopyExecutableURL(damaged)),
              RealPath(bundlePath) + "/Contents/Linux/Damaged");
    EXPECT_FALSE(CFBundleLoadExecutable(damaged));
    EXPECT_FALSE(CFBundleIsExecutableLoaded(damaged));
    CFRelease(damaged);

    folder.Write("Array.plugin/Contents/Info.plist",
                 "<?xml version=\"1.0\"?><plist version=\"1.0\"><array/></plist>");
    folder.Write("Garbage.plugin/Contents/Info.plist", "\x01\x02 not xml");
    for (const char* name : {"/Array.plugin", "/Garbage.plugin"}) {
        CFBundleRef bundle = BundleAt(folder.Path() + name);
        ASSERT_NE(bundle, nullptr);
        EXPECT_EQ(CFDictionaryGetCount(CFBundleGetInfoDictionary(bundle)), 0);
        CFRelease(bundle);
    }
}

TEST(CFBundleTest, PreferredLocalizationsFollowTheLocaleVariables) {
    struct Case {
        const char* language;
        const char* lcAll;
        const char* lcMessages;
        const char* lang;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"fr_CA:de", nullptr, nullptr, "ja_JP.UTF-8", {"fr_CA", "fr", "de", "ja", "en"}},
        {nullptr, "de_DE.UTF-8", "fr", "ja", {"de", "en"}},
        {nullptr, nullptr, "fr_CA.UTF-8@euro", "de", {"fr_CA", "fr", "en"}},
        {nullptr, "", nullptr, "ja_JP.UTF-8", {"ja", "en"}},
        {nullptr, "C", nullptr, "de_DE", {"en"}},
        {"", nullptr, nullptr, "C.UTF-8", {"en"}},
        {"xx:zz_ZZ", nullptr, nullptr, "POSIX", {"en"}},
        {"../../etc:de/x:DE-ch", nullptr, nullptr, nullptr, {"de", "en"}},
        {"pt-BR:FR", nullptr, nullptr, nullptr, {"fr", "en"}},
        {"en_GB:de", nullptr, nullptr, nullptr, {"en", "de"}},
        {nullptr, nullptr, nullptr, nullptr, {"en"}},
    };
    CFBundleRef bundle = CreateTestBundle();
    ASSERT_NE(bundle, nullptr);
    for (const Case& c : cases) {
        LanguageEnvironment environment(c.language, c.lcAll, c.lcMessages, c.lang);
        CFArrayRef list = CFBundleCopyPreferredLocalizations(bundle);
        ASSERT_NE(list, nullptr);
        std::vector<std::string> got;
        for (CFIndex i = 0; i < CFArrayGetCount(list); ++i)
            got.push_back(Utf8(static_cast<CFStringRef>(CFArrayGetValueAtIndex(list, i))));
        CFRelease(list);
        EXPECT_EQ(got, c.expected)
            << (c.language ? c.language : "-") << " " << (c.lcAll ? c.lcAll : "-") << " "
            << (c.lcMessages ? c.lcMessages : "-") << " " << (c.lang ? c.lang : "-");
    }
    CFRelease(bundle);
}

TEST(CFBundleTest, LocalizedStringsAndTheirFallbacks) {
    CFBundleRef bundle = CreateTestBundle();
    ASSERT_NE(bundle, nullptr);
    {
        LanguageEnvironment environment("de");
        EXPECT_EQ(Localized(bundle, "Hello"), "Hallo");
        EXPECT_EQ(Localized(bundle, "Colour"), "Farbe");
        EXPECT_EQ(Localized(bundle, "Only English"), "Only in English");  // development region
        EXPECT_EQ(Localized(bundle, "Shared"), "Shared by all");          // unlocalized table
        EXPECT_EQ(Localized(bundle, "Missing"), "Missing");
        EXPECT_EQ(Localized(bundle, "Missing", CFSTR("Given")), "Given");
        EXPECT_EQ(Localized(bundle, "Missing", CFSTR("")), "Missing");
        EXPECT_EQ(Localized(bundle, "Hello", nullptr, CFSTR("Other")),
                  "Hello from the other table");
        EXPECT_EQ(Localized(bundle, "Hello", nullptr, CFSTR("NoSuchTable")), "Hello");
        EXPECT_EQ(Take(CFCopyLocalizedStringFromTableInBundle(CFSTR("Colour"), nullptr, bundle,
                                                              "a comment")),
                  "Farbe");
    }
    {
        // A region's table first, then its language's.
        LanguageEnvironment environment(nullptr, nullptr, nullptr, "fr_CA.UTF-8");
        EXPECT_EQ(Localized(bundle, "Hello"), "All\xC3\xB4");
        EXPECT_EQ(Localized(bundle, "Colour"), "Couleur");
    }
    {
        // The order of LANGUAGE decides, and a language that lacks a text passes it on.
        LanguageEnvironment environment("de:fr");
        EXPECT_EQ(Localized(bundle, "Hello"), "Hallo");
        EXPECT_EQ(Localized(bundle, "Only French"),
                  "Seulement en fran\xC3\xA7"
                  "ais");
    }
    {
        LanguageEnvironment environment("fr:de");
        EXPECT_EQ(Localized(bundle, "Hello"), "Bonjour");
    }
    {
        LanguageEnvironment environment("ja");  // a table in UTF-16
        EXPECT_EQ(Localized(bundle, "Hello"),
                  "\xE3\x81\x93\xE3\x82\x93\xE3\x81\xAB\xE3\x81\xA1\xE3\x81\xAF");
        EXPECT_EQ(Localized(bundle, "Colour"), "\xE8\x89\xB2");
    }
    {
        LanguageEnvironment environment("xx", nullptr, nullptr, "zz_ZZ.UTF-8");
        EXPECT_EQ(Localized(bundle, "Hello"), "Hello");
        EXPECT_EQ(Localized(bundle, "Colour"), "Color");
    }
    EXPECT_EQ(CFBundleCopyLocalizedString(bundle, nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(Localized(nullptr, "Hello"), "Hello");
    CFRelease(bundle);
}

TEST(CFBundleTest, ResourcesLocalizedFirst) {
    CFBundleRef bundle = CreateTestBundle();
    ASSERT_NE(bundle, nullptr);
    {
        LanguageEnvironment environment("de_AT");
        const std::string german = kResources + "/de.lproj/portrait_f.tif";
        EXPECT_EQ(Resource(bundle, CFSTR("portrait_f"), CFSTR("tif")), german);
        EXPECT_EQ(Resource(bundle, CFSTR("portrait_f"), CFSTR(".tif")), german);
        EXPECT_EQ(Resource(bundle, CFSTR("portrait_f.tif"), nullptr), german);
        EXPECT_EQ(Resource(bundle, CFSTR("arrow"), CFSTR("tif"), CFSTR("Pictures")),
                  kResources + "/de.lproj/Pictures/arrow.tif");
        EXPECT_EQ(Resource(bundle, CFSTR("only-global"), CFSTR("png"), CFSTR("Pictures")),
                  kResources + "/Pictures/only-global.png");
        EXPECT_EQ(Resource(bundle, CFSTR("portrait_f"), CFSTR("png")), "<null>");
        EXPECT_EQ(Resource(bundle, CFSTR("arrow"), CFSTR("tif")), "<null>");
        EXPECT_EQ(Resource(bundle, CFSTR(""), CFSTR("tif")), "<null>");
        EXPECT_EQ(Resource(bundle, nullptr, CFSTR("tif")), "<null>");
        CFURLRef folder = CFBundleCopyResourceURL(bundle, CFSTR("Pictures"), nullptr, nullptr);
        ASSERT_NE(folder, nullptr);
        EXPECT_TRUE(CFURLHasDirectoryPath(folder));
        EXPECT_EQ(TakePath(folder), kResources + "/de.lproj/Pictures");
    }
    {
        LanguageEnvironment environment("ja");
        EXPECT_EQ(Resource(bundle, CFSTR("portrait_f"), CFSTR("tif")),
                  kResources + "/portrait_f.tif");
        EXPECT_EQ(Resource(bundle, CFSTR("Localizable"), CFSTR("strings")),
                  kResources + "/ja.lproj/Localizable.strings");
    }
    CFRelease(bundle);
}

TEST(CFBundleTest, ExecutableLoadsAndFindsFunctions) {
    CFBundleRef bundle = CreateTestBundle();
    ASSERT_NE(bundle, nullptr);
    EXPECT_EQ(TakePath(CFBundleCopyExecutableURL(bundle)),
              RealPath(kBundlePath) + "/Contents/Linux/TestPlugin.so");
    EXPECT_FALSE(CFBundleIsExecutableLoaded(bundle));

    using Answer = int (*)();
    using Name = const char* (*)();
    auto answer = reinterpret_cast<Answer>(
        CFBundleGetFunctionPointerForName(bundle, CFSTR("TestPluginAnswer")));
    ASSERT_NE(answer, nullptr);
    EXPECT_TRUE(CFBundleIsExecutableLoaded(bundle));
    EXPECT_EQ(answer(), 42);
    auto name =
        reinterpret_cast<Name>(CFBundleGetFunctionPointerForName(bundle, CFSTR("TestPluginName")));
    ASSERT_NE(name, nullptr);
    EXPECT_STREQ(name(), "TestPlugin");
    EXPECT_EQ(CFBundleGetFunctionPointerForName(bundle, CFSTR("NoSuchFunction")), nullptr);
    EXPECT_EQ(CFBundleGetFunctionPointerForName(bundle, nullptr), nullptr);
    // The plug-in's symbols stay its own: they do not join the program's global scope.
    EXPECT_EQ(dlsym(RTLD_DEFAULT, "TestPluginAnswer"), nullptr);

    CFBundleUnloadExecutable(bundle);
    EXPECT_FALSE(CFBundleIsExecutableLoaded(bundle));
    EXPECT_TRUE(CFBundleLoadExecutable(bundle));
    EXPECT_TRUE(CFBundleLoadExecutable(bundle));
    EXPECT_TRUE(CFBundleIsExecutableLoaded(bundle));
    CFRelease(bundle);  // unloads it with the bundle
}
