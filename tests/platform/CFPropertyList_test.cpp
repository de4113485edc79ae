// Tests of XML property lists: writing, reading back, mutability and hostile input.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include <plist/plist.h>

#include "platform/CoreFoundation.h"

namespace {

CFDataRef DataOf(const std::string& text) {
    return CFDataCreate(nullptr, reinterpret_cast<const UInt8*>(text.data()),
                        static_cast<CFIndex>(text.size()));
}

std::string TextOf(CFDataRef data) {
    return std::string(reinterpret_cast<const char*>(CFDataGetBytePtr(data)),
                       static_cast<size_t>(CFDataGetLength(data)));
}

// Reads `xml`, expecting failure with an error text.
void ExpectRejected(const std::string& xml) {
    SCOPED_TRACE(xml.substr(0, 80));
    CFDataRef data = DataOf(xml);
    CFStringRef error = nullptr;
    CFPropertyListRef plist =
        CFPropertyListCreateFromXMLData(nullptr, data, kCFPropertyListImmutable, &error);
    EXPECT_EQ(plist, nullptr);
    EXPECT_NE(error, nullptr);
    if (plist)
        CFRelease(plist);
    if (error)
        CFRelease(error);
    CFRelease(data);
}

// `head` followed by `depth` nested empty arrays.
std::string NestedArrays(const std::string& head, int depth) {
    std::string xml = head;
    for (int i = 0; i < depth; ++i)
        xml += "<array>";
    for (int i = 0; i < depth; ++i)
        xml += "</array>";
    return xml;
}

}  // namespace

TEST(CFPropertyListTest, WritesThePublishedFormatAndReadsItBack) {
    CFMutableArrayRef injections = CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks);
    for (int site = -1; site >= -3; --site) {
        CFNumberRef n = CFNumberCreate(nullptr, kCFNumberIntType, &site);
        const UInt8 bytes[] = {0x00, 0xFF, static_cast<UInt8>(-site), '%', '!'};
        CFDataRef d = CFDataCreate(nullptr, bytes, sizeof bytes);
        CFArrayAppendValue(injections, n);
        CFArrayAppendValue(injections, d);
        CFRelease(n);
        CFRelease(d);
    }
    CFMutableDictionaryRef root = CFDictionaryCreateMutable(
        nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
    CFDictionarySetValue(root, CFSTR("Injections"), injections);
    CFDictionarySetValue(root, CFSTR("Name"), CFSTR("Caf\xC3\xA9 <&> \xE6\x97\xA5\xE6\x9C\xAC"));
    CFDictionarySetValue(root, CFSTR("Enabled"), kCFBooleanTrue);
    double real = -2.5;
    CFNumberRef r = CFNumberCreate(nullptr, kCFNumberDoubleType, &real);
    CFDictionarySetValue(root, CFSTR("Offset"), r);
    CFRelease(r);
    CFDateRef date = CFDateCreate(nullptr, 123456789.0);
    CFDictionarySetValue(root, CFSTR("When"), date);
    CFRelease(date);
    CFArrayRef empty = CFArrayCreate(nullptr, nullptr, 0, &kCFTypeArrayCallBacks);
    CFDictionarySetValue(root, CFSTR("Empty"), empty);
    CFRelease(empty);

    CFDataRef xml = CFPropertyListCreateXMLData(nullptr, root);
    ASSERT_NE(xml, nullptr);
    const std::string text = TextOf(xml);
    EXPECT_EQ(text.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>", 0), 0u);
    EXPECT_NE(text.find("<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\""),
              std::string::npos);
    EXPECT_NE(text.find("<plist version=\"1.0\">"), std::string::npos);
    EXPECT_NE(text.find("<integer>-3</integer>"), std::string::npos);
    EXPECT_NE(text.find("&lt;&amp;&gt;"), std::string::npos);
    // Keys come out sorted.
    EXPECT_LT(text.find("<key>Empty</key>"), text.find("<key>Injections</key>"));

    CFStringRef error = nullptr;
    CFPropertyListRef back =
        CFPropertyListCreateFromXMLData(nullptr, xml, kCFPropertyListImmutable, &error);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(error, nullptr);
    EXPECT_TRUE(CFEqual(back, root));
    // Immutable by request: the mutators leave the containers alone.
    CFArrayRef readInjections = static_cast<CFArrayRef>(
        CFDictionaryGetValue(static_cast<CFDictionaryRef>(back), CFSTR("Injections")));
    CFArrayAppendValue(const_cast<CFMutableArrayRef>(readInjections), CFSTR("x"));
    EXPECT_EQ(CFArrayGetCount(readInjections), 6);
    CFRelease(back);

    CFErrorRef err = nullptr;
    CFPropertyListFormat format = 0;
    back = CFPropertyListCreateWithData(nullptr, xml, kCFPropertyListMutableContainersAndLeaves,
                                        &format, &err);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(format, kCFPropertyListXMLFormat_v1_0);
    CFMutableStringRef name = const_cast<CFMutableStringRef>(static_cast<CFStringRef>(
        CFDictionaryGetValue(static_cast<CFDictionaryRef>(back), CFSTR("Name"))));
    CFStringAppend(name, CFSTR("!"));
    EXPECT_TRUE(CFStringHasSuffix(name, CFSTR("!")));
    CFRelease(back);

    CFRelease(xml);
    CFRelease(root);
    CFRelease(injections);
}

TEST(CFPropertyListTest, RefusesWhatIsNotAPropertyList) {
    // A dictionary with a non-string key, a URL, and deep nesting cannot be written.
    CFMutableDictionaryRef d = CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks,
                                                         &kCFTypeDictionaryValueCallBacks);
    int one = 1;
    CFNumberRef key = CFNumberCreate(nullptr, kCFNumberIntType, &one);
    CFDictionarySetValue(d, key, key);
    EXPECT_EQ(CFPropertyListCreateXMLData(nullptr, d), nullptr);
    EXPECT_FALSE(CFPropertyListIsValid(d, kCFPropertyListXMLFormat_v1_0));
    CFRelease(key);
    CFRelease(d);
    CFURLRef url =
        CFURLCreateWithFileSystemPath(nullptr, CFSTR("/tmp"), kCFURLPOSIXPathStyle, true);
    CFErrorRef error = nullptr;
    EXPECT_EQ(CFPropertyListCreateData(nullptr, url, kCFPropertyListXMLFormat_v1_0, 0, &error),
              nullptr);
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(CFErrorGetCode(error), kCFPropertyListWriteStreamError);
    CFRelease(error);
    CFRelease(url);

    CFArrayRef nested = CFArrayCreate(nullptr, nullptr, 0, &kCFTypeArrayCallBacks);
    for (int i = 0; i < kCFPropertyListMaxDepth + 5; ++i) {
        const void* inner[] = {nested};
        CFArrayRef outer = CFArrayCreate(nullptr, inner, 1, &kCFTypeArrayCallBacks);
        CFRelease(nested);
        nested = outer;
    }
    EXPECT_EQ(CFPropertyListCreateXMLData(nullptr, nested), nullptr);
    CFRelease(nested);
}

TEST(CFPropertyListTest, HostileInputGivesNullAndAnError) {
    const std::string head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">";
    ExpectRejected("");
    ExpectRejected("not xml at all");
    ExpectRejected(head + "<array><string>unterminated</array></plist>");
    ExpectRejected(head + "<dict><string>a</string><string>b</string></dict></plist>");
    ExpectRejected(head + "<array><integer>1</integer>");
    ExpectRejected(head + "<data>!!!not base64</data></plist>");
    ExpectRejected(head + "<array><integer>12abc</integer></array></plist>");
    ExpectRejected(head + "<real>1.5.5</real></plist>");
    ExpectRejected(head + "<unknown/></plist>");
    ExpectRejected("bplist00\x01\x02");
    ExpectRejected(head + "<string>\xC3(</string></plist>");
    ExpectRejected(NestedArrays(head, 100000) + "</plist>");
    std::string dicts = head;
    for (int i = 0; i < 600; ++i)
        dicts += "<dict><key>k</key>";
    ExpectRejected(dicts);
    ExpectRejected(std::string("<plist>\0<array/></plist>", 25));
    // A NUL in a string or key, raw or from a character reference, is refused (not an abort).
    ExpectRejected(head + std::string("<string>a\0b</string></plist>", 28));
    ExpectRejected(head + std::string("<dict><key>k\0</key><true/></dict></plist>", 41));
    ExpectRejected(head + "<string>a&#0;b</string></plist>");
    ExpectRejected(head + "<string>&#x000;</string></plist>");
    ExpectRejected(head + "<dict><key>&#00;</key><true/></dict></plist>");

    // Nesting within the limit is fine, and a repeated key keeps one entry.
    CFDataRef data = DataOf(NestedArrays(head, 100) + "</plist>");
    CFPropertyListRef plist = CFPropertyListCreateFromXMLData(nullptr, data, 0, nullptr);
    EXPECT_NE(plist, nullptr);
    if (plist)
        CFRelease(plist);
    CFRelease(data);
}

TEST(CFPropertyListTest, DeepCopyFollowsMutability) {
    const void* values[] = {CFSTR("a"), kCFBooleanFalse};
    CFArrayRef array = CFArrayCreate(nullptr, values, 2, &kCFTypeArrayCallBacks);
    CFMutableArrayRef copy = const_cast<CFMutableArrayRef>(static_cast<CFArrayRef>(
        CFPropertyListCreateDeepCopy(nullptr, array, kCFPropertyListMutableContainers)));
    ASSERT_NE(copy, nullptr);
    EXPECT_TRUE(CFEqual(copy, array));
    CFArrayAppendValue(copy, CFSTR("b"));
    EXPECT_EQ(CFArrayGetCount(copy), 3);
    CFRelease(copy);
    CFRelease(array);
}

// A root that is one data element is written and read without libplist's node tree; the text
// must stay what libplist writes, and whatever the short way cannot take must still get the
// general reader's answer.
TEST(CFPropertyListTest, DataRootMatchesLibplistAndRoundTrips) {
    for (size_t n : {0u, 1u, 2u, 3u, 56u, 57u, 58u, 113u, 114u, 115u, 1000u, 65537u}) {
        SCOPED_TRACE(n);
        std::string bytes(n, '\0');
        for (size_t i = 0; i < n; ++i)
            bytes[i] = static_cast<char>(i * 131 + n);
        plist_t node = plist_new_data(bytes.data(), n);
        char* expected = nullptr;
        uint32_t expectedLength = 0;
        plist_to_xml(node, &expected, &expectedLength);
        CFDataRef data = DataOf(bytes);
        CFDataRef xml = CFPropertyListCreateXMLData(nullptr, data);
        ASSERT_NE(xml, nullptr);
        EXPECT_EQ(TextOf(xml), std::string(expected, expectedLength));
        for (CFOptionFlags m :
             {kCFPropertyListImmutable, kCFPropertyListMutableContainersAndLeaves}) {
            CFPropertyListRef back = CFPropertyListCreateFromXMLData(nullptr, xml, m, nullptr);
            ASSERT_NE(back, nullptr);
            EXPECT_TRUE(CFEqual(back, data));
            // Only mutable leaves can be changed.
            UInt8* writable =
                CFDataGetMutableBytePtr(static_cast<CFMutableDataRef>(const_cast<void*>(back)));
            if (n > 0) {
                EXPECT_EQ(writable != nullptr, m == kCFPropertyListMutableContainersAndLeaves);
            }
            CFRelease(back);
        }
        CFRelease(xml);
        CFRelease(data);
        plist_to_xml_free(expected);
        plist_free(node);
    }
}

TEST(CFPropertyListTest, DataRootReadsLikeTheGeneralReader) {
    const std::string head =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST "
        "1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n<plist version=\"1.0\">\n";
    auto read = [](const std::string& xml) -> std::string {
        CFDataRef data = DataOf(xml);
        CFPropertyListRef plist = CFPropertyListCreateFromXMLData(nullptr, data, 0, nullptr);
        CFRelease(data);
        if (!plist)
            return "(null)";
        std::string out = CFGetTypeID(plist) == CFDataGetTypeID()
                              ? TextOf(static_cast<CFDataRef>(plist))
                              : "(not data)";
        CFRelease(plist);
        return out;
    };
    // Blanks anywhere between the groups, and between the elements.
    EXPECT_EQ(read(head + "<data>\n\tSGVs bG8s\r\n IHdv cmxk\n</data>\n</plist>\n"),
              "Hello, world");
    EXPECT_EQ(read(head + "  <data>SGk=</data>   </plist>"), "Hi");
    EXPECT_EQ(read(head + "<data>SA==\n\n</data></plist>"), "H");
    EXPECT_EQ(read(head + "<data></data></plist>"), "");
    // Whatever the short way does not take goes to the general reader, with its answer: the
    // same document behind a comment (which only the general reader takes) reads the same.
    for (const char* body :
         {"<data>SGk=</data></plist>", "<data>SGk</data></plist>", "<data>S=k=</data></plist>",
          "<data>SA==SGk=</data></plist>", "<data>SGk=</data>", "<data>SG*=</data></plist>",
          "<data>SGk=", "<data>SGk=</data></plist><data/>", "<data>\vSGk=</data></plist>"}) {
        SCOPED_TRACE(body);
        EXPECT_EQ(read(head + body), read(head + "<!-- general -->" + body));
    }
    EXPECT_EQ(read(head + "<data>SG*=</data></plist>"), "(null)");
}

// Long data goes through the decoder's wide path: every character outside the alphabet is
// refused wherever it stands, and blanks anywhere read as the general reader reads them.
TEST(CFPropertyListTest, LongDataRootChecksEveryCharacter) {
    std::string bytes(3000, '\0');
    uint32_t state = 12345;
    for (char& c : bytes) {
        state = state * 1103515245 + 12345;
        c = static_cast<char>(state >> 16);
    }
    CFDataRef data = DataOf(bytes);
    CFDataRef xmlData = CFPropertyListCreateXMLData(nullptr, data);
    const std::string xml = TextOf(xmlData);
    CFRelease(xmlData);
    const size_t body = xml.find("<data>\n") + 7;
    const size_t bodyEnd = xml.find("</data>");
    auto read = [](const std::string& text) -> CFPropertyListRef {
        CFDataRef d = DataOf(text);
        CFPropertyListRef plist = CFPropertyListCreateFromXMLData(nullptr, d, 0, nullptr);
        CFRelease(d);
        return plist;
    };
    for (size_t at = body; at < bodyEnd; at += 37) {
        if (xml[at] == '\n')
            continue;
        for (char bad :
             {'*', '-', '_', '.', ':', '@', '[', '`', '{', '\x7F', '\x80', '\xC3', '\xFF'}) {
            std::string broken = xml;
            broken[at] = bad;
            CFPropertyListRef plist = read(broken);
            EXPECT_EQ(plist, nullptr) << "position " << at - body << " byte " << int(bad & 0xFF);
            if (plist)
                CFRelease(plist);
        }
        std::string spaced = xml;
        spaced.insert(at, at % 2 ? " " : "\r\n\t");
        CFPropertyListRef plist = read(spaced);
        ASSERT_NE(plist, nullptr);
        EXPECT_TRUE(CFEqual(plist, data)) << "position " << at - body;
        CFRelease(plist);
    }
    CFRelease(data);
}
