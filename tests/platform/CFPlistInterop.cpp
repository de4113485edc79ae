// Helper program of the property-list interchange test: "write FILE" stores a sample property
// list through the Core Foundation layer, "read FILE" reads one and prints it as JSON (data
// as {"$data": hex}, reals as {"$real": value}) for the Python side to compare.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/CoreFoundation.h"

namespace {

CFNumberRef Int(long long v) {
    return CFNumberCreate(nullptr, kCFNumberLongLongType, &v);
}

CFDataRef Bytes(const std::vector<UInt8>& bytes) {
    return CFDataCreate(nullptr, bytes.data(), static_cast<CFIndex>(bytes.size()));
}

CFStringRef Text(const char* utf8) {
    return CFStringCreateWithCString(nullptr, utf8, kCFStringEncodingUTF8);
}

// Adds `value` to a container and drops the local reference.
void Append(CFMutableArrayRef array, CFTypeRef value) {
    CFArrayAppendValue(array, value);
    CFRelease(value);
}
void Set(CFMutableDictionaryRef dict, const char* key, CFTypeRef value) {
    CFStringRef k = Text(key);
    CFDictionarySetValue(dict, k, value);
    CFRelease(k);
    CFRelease(value);
}

// The sample the Python side expects (see SAMPLE in plist_interop.py).
CFPropertyListRef Sample() {
    CFMutableArrayRef injections = CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks);
    Append(injections, Int(-1));
    Append(injections, Bytes({0x00, 0xFF, 0x25, 0x21, 0x0A}));
    Append(injections, Int(-2));
    Append(injections, Bytes({}));
    Append(injections, Int(-65536));
    Append(injections, Bytes(std::vector<UInt8>(100, 0xA5)));
    Append(injections, Int(-4294967297LL));
    Append(injections, Bytes({'<', '/', 'd', 'a', 't', 'a', '>'}));

    CFMutableArrayRef list = CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks);
    Append(list, Text("a"));
    Append(list, Int(1));
    CFMutableDictionaryRef nested = CFDictionaryCreateMutable(
        nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
    Set(nested, "Flag", CFRetain(kCFBooleanTrue));
    Set(nested, "Off", CFRetain(kCFBooleanFalse));
    double real = -0.5;
    Set(nested, "Real", CFNumberCreate(nullptr, kCFNumberDoubleType, &real));
    Set(nested, "List", list);

    CFMutableDictionaryRef root = CFDictionaryCreateMutable(
        nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
    Set(root, "Injections", injections);
    Set(root, "Name",
        Text("Caf\xC3\xA9 \xE2\x80\x93 \xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E \xF0\x9D\x84\x9E <&>"));
    Set(root, "Nested", nested);
    Set(root, "Empty", Text(""));
    Set(root,
        "Gr\xC3\xBC\xC3\x9F"
        "e",
        Text("\xCE\xB1\xCE\xB2\xCE\xB3"));
    return root;
}

void JsonString(std::string& out, CFStringRef s) {
    const CFIndex max =
        CFStringGetMaximumSizeForEncoding(CFStringGetLength(s), kCFStringEncodingUTF8) + 1;
    std::vector<char> buffer(static_cast<size_t>(max));
    CFStringGetCString(s, buffer.data(), max, kCFStringEncodingUTF8);
    out.push_back('"');
    for (const char* p = buffer.data(); *p; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c == '"' || c == '\\') {
            out.push_back('\\');
            out.push_back(static_cast<char>(c));
        } else if (c < 0x20) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04x", c);
            out += esc;
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
    out.push_back('"');
}

bool Json(std::string& out, CFTypeRef v) {
    const CFTypeID type = CFGetTypeID(v);
    if (type == CFStringGetTypeID()) {
        JsonString(out, static_cast<CFStringRef>(v));
    } else if (type == CFBooleanGetTypeID()) {
        out += CFBooleanGetValue(static_cast<CFBooleanRef>(v)) ? "true" : "false";
    } else if (type == CFNumberGetTypeID()) {
        CFNumberRef n = static_cast<CFNumberRef>(v);
        char text[64];
        if (CFNumberIsFloatType(n)) {
            double d = 0;
            CFNumberGetValue(n, kCFNumberDoubleType, &d);
            std::snprintf(text, sizeof text, "{\"$real\": %.17g}", d);
        } else {
            long long i = 0;
            CFNumberGetValue(n, kCFNumberLongLongType, &i);
            std::snprintf(text, sizeof text, "%lld", i);
        }
        out += text;
    } else if (type == CFDataGetTypeID()) {
        CFDataRef d = static_cast<CFDataRef>(v);
        out += "{\"$data\": \"";
        for (CFIndex i = 0; i < CFDataGetLength(d); ++i) {
            char hex[3];
            std::snprintf(hex, sizeof hex, "%02x", CFDataGetBytePtr(d)[i]);
            out += hex;
        }
        out += "\"}";
    } else if (type == CFArrayGetTypeID()) {
        CFArrayRef a = static_cast<CFArrayRef>(v);
        out.push_back('[');
        for (CFIndex i = 0; i < CFArrayGetCount(a); ++i) {
            if (i)
                out += ", ";
            if (!Json(out, CFArrayGetValueAtIndex(a, i)))
                return false;
        }
        out.push_back(']');
    } else if (type == CFDictionaryGetTypeID()) {
        CFDictionaryRef d = static_cast<CFDictionaryRef>(v);
        const CFIndex count = CFDictionaryGetCount(d);
        std::vector<const void*> keys(static_cast<size_t>(count)),
            values(static_cast<size_t>(count));
        CFDictionaryGetKeysAndValues(d, keys.data(), values.data());
        out.push_back('{');
        for (CFIndex i = 0; i < count; ++i) {
            if (i)
                out += ", ";
            JsonString(out, static_cast<CFStringRef>(keys[i]));
            out += ": ";
            if (!Json(out, values[i]))
                return false;
        }
        out.push_back('}');
    } else {
        return false;
    }
    return true;
}

CFURLRef UrlOf(const char* path) {
    return CFURLCreateFromFileSystemRepresentation(nullptr, reinterpret_cast<const UInt8*>(path),
                                                   static_cast<CFIndex>(std::strlen(path)), false);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 || (std::strcmp(argv[1], "write") != 0 && std::strcmp(argv[1], "read") != 0)) {
        std::fprintf(stderr, "usage: %s write|read FILE\n", argv[0]);
        return 2;
    }
    CFURLRef url = UrlOf(argv[2]);
    if (!url)
        return 1;
    int status = 1;
    if (std::strcmp(argv[1], "write") == 0) {
        CFPropertyListRef sample = Sample();
        CFDataRef xml = CFPropertyListCreateXMLData(nullptr, sample);
        SInt32 error = 0;
        if (xml && CFURLWriteDataAndPropertiesToResource(url, xml, nullptr, &error))
            status = 0;
        if (xml)
            CFRelease(xml);
        CFRelease(sample);
    } else {
        CFDataRef data = nullptr;
        SInt32 error = 0;
        if (CFURLCreateDataAndPropertiesFromResource(nullptr, url, &data, nullptr, nullptr,
                                                     &error)) {
            CFStringRef message = nullptr;
            CFPropertyListRef plist =
                CFPropertyListCreateFromXMLData(nullptr, data, kCFPropertyListImmutable, &message);
            std::string out;
            if (plist && Json(out, plist)) {
                std::printf("%s\n", out.c_str());
                status = 0;
            } else if (message) {
                std::fprintf(stderr, "%s\n", CFStringGetCStringPtr(message, kCFStringEncodingUTF8));
            }
            if (plist)
                CFRelease(plist);
            if (message)
                CFRelease(message);
            CFRelease(data);
        }
    }
    CFRelease(url);
    return status;
}
