// Core Foundation property lists to and from XML, through libplist's node trees.
#include "platform/CFPropertyList.h"

#include <plist/plist.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Base64.h"
#include "platform/CFArray.h"
#include "platform/CFDate.h"
#include "platform/CFDictionary.h"
#include "platform/CFInternal.h"
#include "platform/CFNumber.h"
#include "platform/CFString.h"

namespace {

// Frees a libplist tree when it goes out of scope.
struct PlistHolder {
    plist_t node = nullptr;
    ~PlistHolder() {
        if (node)
            plist_free(node);
    }
};

// --- CF objects -> libplist nodes ---

plist_t ToNode(CFTypeRef cf, CFIndex depth);

plist_t StringNode(CFStringRef s) {
    const std::string utf8 = cfinternal::UTF8FromString(s);
    // A lone surrogate has no UTF-8 form, and XML cannot carry a NUL.
    if (utf8.empty() && CFStringGetLength(s) > 0)
        return nullptr;
    if (utf8.find('\0') != std::string::npos)
        return nullptr;
    return plist_new_string(utf8.c_str());
}

plist_t ArrayNode(CFArrayRef a, CFIndex depth) {
    plist_t node = plist_new_array();
    if (!node)
        return nullptr;
    const CFIndex count = CFArrayGetCount(a);
    for (CFIndex i = 0; i < count; ++i) {
        plist_t item = ToNode(CFArrayGetValueAtIndex(a, i), depth + 1);
        if (!item) {
            plist_free(node);
            return nullptr;
        }
        plist_array_append_item(node, item);
    }
    return node;
}

plist_t DictNode(CFDictionaryRef d, CFIndex depth) {
    const CFIndex count = CFDictionaryGetCount(d);
    std::vector<const void*> keys(static_cast<size_t>(count));
    std::vector<const void*> values(static_cast<size_t>(count));
    CFDictionaryGetKeysAndValues(d, keys.data(), values.data());
    std::vector<size_t> order(static_cast<size_t>(count));
    for (size_t i = 0; i < order.size(); ++i) {
        if (!cfinternal::IsA(keys[i], kCFTypeIDString))
            return nullptr;  // keys must be strings
        order[i] = i;
    }
    // Keys are written in sorted order, so equal dictionaries give equal bytes.
    std::sort(order.begin(), order.end(), [&](size_t x, size_t y) {
        return CFStringCompare(static_cast<CFStringRef>(keys[x]), static_cast<CFStringRef>(keys[y]),
                               0) == kCFCompareLessThan;
    });
    plist_t node = plist_new_dict();
    if (!node)
        return nullptr;
    for (size_t i : order) {
        const std::string key = cfinternal::UTF8FromString(static_cast<CFStringRef>(keys[i]));
        plist_t item = ToNode(values[i], depth + 1);
        if (!item || (key.empty() && CFStringGetLength(static_cast<CFStringRef>(keys[i])) > 0) ||
            key.find('\0') != std::string::npos) {
            if (item)
                plist_free(item);
            plist_free(node);
            return nullptr;
        }
        plist_dict_set_item(node, key.c_str(), item);
    }
    return node;
}

plist_t ToNode(CFTypeRef cf, CFIndex depth) {
    if (!cf || depth > kCFPropertyListMaxDepth)
        return nullptr;
    switch (CFGetTypeID(cf)) {
        case kCFTypeIDString:
            return StringNode(static_cast<CFStringRef>(cf));
        case kCFTypeIDBoolean:
            return plist_new_bool(CFBooleanGetValue(static_cast<CFBooleanRef>(cf)) ? 1 : 0);
        case kCFTypeIDNumber: {
            CFNumberRef n = static_cast<CFNumberRef>(cf);
            if (CFNumberIsFloatType(n)) {
                double v = 0;
                CFNumberGetValue(n, kCFNumberFloat64Type, &v);
                return plist_new_real(v);
            }
            // libplist keeps integers as 64-bit patterns and writes them back signed.
            SInt64 v = 0;
            CFNumberGetValue(n, kCFNumberSInt64Type, &v);
            return plist_new_uint(static_cast<uint64_t>(v));
        }
        case kCFTypeIDData: {
            CFDataRef d = static_cast<CFDataRef>(cf);
            static const char kEmpty = 0;
            const char* bytes = reinterpret_cast<const char*>(CFDataGetBytePtr(d));
            return plist_new_data(bytes ? bytes : &kEmpty,
                                  static_cast<uint64_t>(CFDataGetLength(d)));
        }
        case kCFTypeIDDate: {
            const double t = CFDateGetAbsoluteTime(static_cast<CFDateRef>(cf));
            if (!(t > -2147483648.0 && t < 2147483647.0))
                return nullptr;  // libplist's range
            const double whole = t < 0 ? -static_cast<double>(static_cast<int64_t>(-t))
                                       : static_cast<double>(static_cast<int64_t>(t));
            return plist_new_date(static_cast<int32_t>(whole),
                                  static_cast<int32_t>((t - whole) * 1e6));
        }
        case kCFTypeIDArray:
            return ArrayNode(static_cast<CFArrayRef>(cf), depth);
        case kCFTypeIDDictionary:
            return DictNode(static_cast<CFDictionaryRef>(cf), depth);
        default:
            return nullptr;  // URLs, UUIDs and the like have no property-list form
    }
}

// --- libplist nodes -> CF objects ---

struct Reader {
    CFOptionFlags mutability;
    const char* error = nullptr;

    CFTypeRef Fail(const char* message) {
        if (!error)
            error = message;
        return nullptr;
    }

    CFTypeRef Convert(plist_t node, CFIndex depth) {
        if (depth > kCFPropertyListMaxDepth)
            return Fail("Property list nested too deeply");
        switch (plist_get_node_type(node)) {
            case PLIST_BOOLEAN: {
                uint8_t v = 0;
                plist_get_bool_val(node, &v);
                return v ? kCFBooleanTrue : kCFBooleanFalse;
            }
            case PLIST_UINT: {
                uint64_t v = 0;
                plist_get_uint_val(node, &v);
                const SInt64 s = static_cast<SInt64>(v);
                CFTypeRef n = CFNumberCreate(nullptr, kCFNumberSInt64Type, &s);
                return n ? n : Fail("Out of memory");
            }
            case PLIST_REAL: {
                double v = 0;
                plist_get_real_val(node, &v);
                CFTypeRef n = CFNumberCreate(nullptr, kCFNumberFloat64Type, &v);
                return n ? n : Fail("Out of memory");
            }
            case PLIST_STRING: {
                // The node's own buffer and length: no copy, and no assertion on a length
                // that differs from strlen (Read refuses NUL characters before this).
                uint64_t length = 0;
                const char* text = plist_get_string_ptr(node, &length);
                if (!text)
                    return Fail("Malformed XML property list");
                if (std::memchr(text, 0, length))
                    return Fail("Property list text contains a NUL character");
                CFStringRef s = CFStringCreateWithBytes(
                    nullptr, reinterpret_cast<const UInt8*>(text), static_cast<CFIndex>(length),
                    kCFStringEncodingUTF8, false);
                if (!s)
                    return Fail("Property list string is not valid UTF-8");
                if (mutability == kCFPropertyListMutableContainersAndLeaves) {
                    CFMutableStringRef m = CFStringCreateMutableCopy(nullptr, 0, s);
                    CFRelease(s);
                    return m ? m : Fail("Out of memory");
                }
                return s;
            }
            case PLIST_DATA: {
                char* bytes = nullptr;
                uint64_t length = 0;
                plist_get_data_val(node, &bytes, &length);
                CFTypeRef d;
                if (mutability == kCFPropertyListMutableContainersAndLeaves) {
                    CFMutableDataRef m = CFDataCreateMutable(nullptr, 0);
                    if (m && bytes)
                        CFDataAppendBytes(m, reinterpret_cast<UInt8*>(bytes),
                                          static_cast<CFIndex>(length));
                    d = m;
                } else {
                    d = CFDataCreate(nullptr, reinterpret_cast<UInt8*>(bytes),
                                     bytes ? static_cast<CFIndex>(length) : 0);
                }
                std::free(bytes);
                return d ? d : Fail("Out of memory");
            }
            case PLIST_DATE: {
                int32_t sec = 0, usec = 0;
                plist_get_date_val(node, &sec, &usec);
                CFTypeRef d = CFDateCreate(nullptr, sec + usec / 1e6);
                return d ? d : Fail("Out of memory");
            }
            case PLIST_ARRAY:
                return ConvertArray(node, depth);
            case PLIST_DICT:
                return ConvertDict(node, depth);
            default:
                return Fail("Unsupported value type in property list");
        }
    }

    CFTypeRef ConvertArray(plist_t node, CFIndex depth) {
        CFMutableArrayRef array = CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks);
        if (!array)
            return Fail("Out of memory");
        plist_array_iter iter = nullptr;
        plist_array_new_iter(node, &iter);
        if (!iter) {
            CFRelease(array);
            return Fail("Out of memory");
        }
        for (;;) {
            plist_t item = nullptr;
            plist_array_next_item(node, iter, &item);
            if (!item)
                break;
            CFTypeRef value = Convert(item, depth + 1);
            if (!value) {
                std::free(iter);
                CFRelease(array);
                return nullptr;
            }
            CFArrayAppendValue(array, value);
            CFRelease(value);
        }
        std::free(iter);
        return Finish(array);
    }

    CFTypeRef ConvertDict(plist_t node, CFIndex depth) {
        CFMutableDictionaryRef dict = CFDictionaryCreateMutable(
            nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
        if (!dict)
            return Fail("Out of memory");
        plist_dict_iter iter = nullptr;
        plist_dict_new_iter(node, &iter);
        if (!iter) {
            CFRelease(dict);
            return Fail("Out of memory");
        }
        bool ok = true;
        for (;;) {
            char* keyText = nullptr;
            plist_t item = nullptr;
            plist_dict_next_item(node, iter, &keyText, &item);
            if (!item) {
                std::free(keyText);
                break;
            }
            CFStringRef key =
                keyText ? CFStringCreateWithBytes(nullptr, reinterpret_cast<UInt8*>(keyText),
                                                  static_cast<CFIndex>(std::strlen(keyText)),
                                                  kCFStringEncodingUTF8, false)
                        : nullptr;
            std::free(keyText);
            if (!key) {
                ok = false;
                Fail("Property list key is not valid UTF-8");
                break;
            }
            CFTypeRef value = Convert(item, depth + 1);
            if (!value) {
                CFRelease(key);
                ok = false;
                break;
            }
            CFDictionarySetValue(dict, key, value);
            CFRelease(key);
            CFRelease(value);
        }
        std::free(iter);
        if (!ok) {
            CFRelease(dict);
            return nullptr;
        }
        return Finish(dict);
    }

    // Containers are read mutable and handed back immutable unless asked otherwise.
    CFTypeRef Finish(CFTypeRef container) {
        if (mutability != kCFPropertyListImmutable)
            return container;
        CFTypeRef copy = CFGetTypeID(container) == kCFTypeIDArray
                             ? static_cast<CFTypeRef>(
                                   CFArrayCreateCopy(nullptr, static_cast<CFArrayRef>(container)))
                             : static_cast<CFTypeRef>(CFDictionaryCreateCopy(
                                   nullptr, static_cast<CFDictionaryRef>(container)));
        CFRelease(container);
        return copy ? copy : Fail("Out of memory");
    }
};

// The deepest nesting of <array> and <dict> elements in XML text, found before libplist builds
// its tree so that a hostile document cannot make either side recurse without bound. Stops
// counting once past the limit.
CFIndex XMLNestingDepth(const char* text, size_t length) {
    CFIndex depth = 0;
    CFIndex deepest = 0;
    for (size_t i = 0; i < length && deepest <= kCFPropertyListMaxDepth; ++i) {
        if (text[i] != '<')
            continue;
        const bool closing = i + 1 < length && text[i + 1] == '/';
        const size_t nameStart = i + (closing ? 2 : 1);
        auto isName = [&](const char* name) {
            const size_t n = std::strlen(name);
            if (nameStart + n > length || std::memcmp(text + nameStart, name, n) != 0)
                return false;
            const char after = nameStart + n < length ? text[nameStart + n] : '>';
            return after == '>' || after == '/' || after == ' ' || after == '\t' || after == '\n' ||
                   after == '\r';
        };
        if (!isName("array") && !isName("dict"))
            continue;
        if (closing) {
            if (depth > 0)
                --depth;
            continue;
        }
        const void* end = std::memchr(text + i, '>', length - i);
        if (!end)
            break;
        if (static_cast<const char*>(end)[-1] == '/')
            continue;  // <array/>
        deepest = std::max(deepest, ++depth);
    }
    return deepest;
}

// XML has no NUL character, and libplist asserts on strings and keys that hold one (raw, or
// made by a character reference such as "&#0;" or "&#x00;"). Returns true when the text has
// neither, so that such a document is refused before libplist sees it.
bool FreeOfNUL(const char* text, size_t length) {
    if (std::memchr(text, 0, length))
        return false;
    const std::string_view all(text, length);
    for (size_t at = all.find("&#"); at != std::string_view::npos; at = all.find("&#", at + 2)) {
        size_t i = at + 2;
        const bool hex = i < length && (text[i] == 'x' || text[i] == 'X');
        if (hex)
            ++i;
        bool digits = false;
        bool nonZero = false;
        for (; i < length; ++i) {
            const unsigned char c = static_cast<unsigned char>(text[i]);
            if (!(hex ? std::isxdigit(c) : std::isdigit(c)))
                break;
            digits = true;
            nonZero = nonZero || c != '0';
        }
        if (digits && !nonZero)
            return false;
    }
    return true;
}

// The text of each <integer>, <real> and <data> element must be what its type allows;
// libplist would read "abc" as 0 and skip characters that are not base64. Returns the
// complaint, or null when every such element is well formed.
const char* CheckLeafText(const char* text, size_t length) {
    const std::string_view all(text, length);
    struct Kind {
        std::string_view open, close;
        int which;
    } kinds[] = {
        {"<integer>", "</integer>", 0}, {"<real>", "</real>", 1}, {"<data>", "</data>", 2}};
    for (const Kind& kind : kinds) {
        size_t at = 0;
        while ((at = all.find(kind.open, at)) != std::string_view::npos) {
            const size_t start = at + kind.open.size();
            const size_t end = all.find(kind.close, start);
            if (end == std::string_view::npos)
                return "Malformed XML property list";
            std::string_view body = all.substr(start, end - start);
            at = end;
            if (kind.which == 2) {
                for (char c : body) {
                    const bool base64 = std::isalnum(static_cast<unsigned char>(c)) || c == '+' ||
                                        c == '/' || c == '=' ||
                                        std::isspace(static_cast<unsigned char>(c));
                    if (!base64)
                        return "Property list data is not base64";
                }
                continue;
            }
            while (!body.empty() && std::isspace(static_cast<unsigned char>(body.front())))
                body.remove_prefix(1);
            while (!body.empty() && std::isspace(static_cast<unsigned char>(body.back())))
                body.remove_suffix(1);
            if (!body.empty() && (body.front() == '-' || body.front() == '+'))
                body.remove_prefix(1);
            if (body.empty())
                return "Property list number is empty";
            if (kind.which == 0) {
                if (body.size() > 2 && body[0] == '0' && (body[1] == 'x' || body[1] == 'X')) {
                    body.remove_prefix(2);
                    if (!std::all_of(body.begin(), body.end(), [](char c) {
                            return std::isxdigit(static_cast<unsigned char>(c));
                        }))
                        return "Property list integer is not a number";
                } else if (!std::all_of(body.begin(), body.end(),
                                        [](char c) { return c >= '0' && c <= '9'; })) {
                    return "Property list integer is not a number";
                }
            } else {
                if (body == "nan" || body == "inf" || body == "infinity")
                    continue;
                double value = 0;
                auto r = std::from_chars(body.data(), body.data() + body.size(), value);
                if (r.ec != std::errc() || r.ptr != body.data() + body.size())
                    return "Property list real is not a number";
            }
        }
    }
    return nullptr;
}

// --- a root that is one data element ---
//
// A property list whose root is a data element (a settings cache of several megabytes, say)
// is written and read here without a node tree: the base64 text goes straight from and into
// the data object's bytes. The text is the same, byte for byte, as libplist writes.

constexpr std::string_view kDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
constexpr std::string_view kDocumentType =
    "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
    "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">";
constexpr std::string_view kPlistOpen = "<plist version=\"1.0\">";
constexpr std::string_view kDataDocumentTail = "</data>\n</plist>\n";

CFDataRef WriteDataDocument(CFDataRef data) {
    const std::string_view head[] = {kDeclaration, "\n", kDocumentType, "\n",
                                     kPlistOpen,   "\n", "<data>",      "\n"};
    const size_t length = static_cast<size_t>(CFDataGetLength(data));
    size_t size = base64::EncodedLinesLength(length) + kDataDocumentTail.size();
    for (std::string_view part : head)
        size += part.size();
    UInt8* out = nullptr;
    CFMutableDataRef xml = cfinternal::NewDataToFill(size, &out);
    if (!xml)
        return nullptr;
    char* text = reinterpret_cast<char*>(out);
    for (std::string_view part : head)
        text = std::copy(part.begin(), part.end(), text);
    text += base64::EncodeLines(CFDataGetBytePtr(data), length, text);
    std::copy(kDataDocumentTail.begin(), kDataDocumentTail.end(), text);
    cfinternal::FreezeData(xml);
    return xml;
}

// Skips XML's blanks (space, tab, CR, LF) and then `expected`; false when the text does not
// continue so.
bool Expect(std::string_view& text, std::string_view expected) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\r' ||
                             text.front() == '\n'))
        text.remove_prefix(1);
    if (text.substr(0, expected.size()) != expected)
        return false;
    text.remove_prefix(expected.size());
    return true;
}

// A document that is exactly the declaration, the document type, and a plist element holding
// one data element of canonical base64, blanks between them allowed: true, with *result the
// data (null when memory ran out). Anything else, including what would be an error, is left
// to the general reader: false.
bool ReadDataDocument(const char* bytes, size_t length, CFOptionFlags mutability,
                      CFTypeRef* result) {
    std::string_view text(bytes, length);
    if (!Expect(text, kDeclaration) || !Expect(text, kDocumentType) || !Expect(text, kPlistOpen) ||
        !Expect(text, "<data>"))
        return false;
    const size_t close = text.find('<');
    if (close == std::string_view::npos)
        return false;
    const std::string_view body = text.substr(0, close);
    text.remove_prefix(close);
    if (!Expect(text, "</data>") || !Expect(text, "</plist>") || !Expect(text, ""))
        return false;
    if (!text.empty())
        return false;
    UInt8* out = nullptr;
    CFMutableDataRef data =
        cfinternal::NewDataToFill(base64::DecodedLengthBound(body.size()), &out);
    if (!data) {
        *result = nullptr;
        return true;
    }
    size_t written = 0;
    if (!base64::Decode(body.data(), body.size(), out, &written)) {
        CFRelease(data);
        return false;
    }
    CFDataSetLength(data, static_cast<CFIndex>(written));
    if (mutability != kCFPropertyListMutableContainersAndLeaves)
        cfinternal::FreezeData(data);
    *result = data;
    return true;
}

CFPropertyListRef Read(CFDataRef data, CFOptionFlags mutability, const char** error) {
    *error = nullptr;
    if (!cfinternal::IsA(data, kCFTypeIDData)) {
        *error = "No property list data";
        return nullptr;
    }
    const size_t length = static_cast<size_t>(CFDataGetLength(data));
    const char* bytes = reinterpret_cast<const char*>(CFDataGetBytePtr(data));
    if (length == 0 || !bytes) {
        *error = "Property list data is empty";
        return nullptr;
    }
    CFTypeRef dataRoot = nullptr;
    if (ReadDataDocument(bytes, length, mutability, &dataRoot)) {
        if (!dataRoot)
            *error = "Out of memory";
        return dataRoot;
    }
    if (length >= 6 && std::memcmp(bytes, "bplist", 6) == 0) {
        *error = "Binary property lists are not supported";
        return nullptr;
    }
    if (length > UINT32_MAX - 1) {
        *error = "Property list data is too large";
        return nullptr;
    }
    if (XMLNestingDepth(bytes, length) > kCFPropertyListMaxDepth) {
        *error = "Property list nested too deeply";
        return nullptr;
    }
    if (!FreeOfNUL(bytes, length)) {
        *error = "Property list text contains a NUL character";
        return nullptr;
    }
    if (const char* complaint = CheckLeafText(bytes, length)) {
        *error = complaint;
        return nullptr;
    }
    // libplist is given a NUL-terminated copy so that nothing it does can read past the end.
    std::string text;
    try {
        text.assign(bytes, length);
    } catch (const std::bad_alloc&) {
        *error = "Out of memory";
        return nullptr;
    }
    PlistHolder root;
    plist_from_xml(text.c_str(), static_cast<uint32_t>(length), &root.node);
    if (!root.node) {
        *error = "Malformed XML property list";
        return nullptr;
    }
    Reader reader{mutability};
    CFTypeRef result = reader.Convert(root.node, 0);
    if (!result)
        *error = reader.error ? reader.error : "Malformed XML property list";
    return result;
}

CFDataRef WriteXML(CFPropertyListRef propertyList) {
    if (cfinternal::IsA(propertyList, kCFTypeIDData))
        return WriteDataDocument(static_cast<CFDataRef>(propertyList));
    PlistHolder root;
    root.node = ToNode(propertyList, 0);
    if (!root.node)
        return nullptr;
    char* xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(root.node, &xml, &length);
    if (!xml)
        return nullptr;
    CFDataRef data = CFDataCreate(nullptr, reinterpret_cast<const UInt8*>(xml), length);
    plist_to_xml_free(xml);
    return data;
}

CFErrorRef MakeError(CFIndex code, const char* message) {
    CFStringRef description = CFStringCreateWithCString(nullptr, message, kCFStringEncodingUTF8);
    const void* keys[] = {kCFErrorDescriptionKey};
    const void* values[] = {description};
    CFDictionaryRef info =
        description ? CFDictionaryCreate(nullptr, keys, values, 1, &kCFTypeDictionaryKeyCallBacks,
                                         &kCFTypeDictionaryValueCallBacks)
                    : nullptr;
    CFErrorRef error = CFErrorCreate(nullptr, kCFErrorDomainCocoa, code, info);
    CFRelease(info);
    CFRelease(description);
    return error;
}

CFTypeRef DeepCopy(CFTypeRef cf, CFOptionFlags mutability, CFIndex depth) {
    if (!cf || depth > kCFPropertyListMaxDepth)
        return nullptr;
    const bool mutableLeaves = mutability == kCFPropertyListMutableContainersAndLeaves;
    const bool mutableContainers = mutability != kCFPropertyListImmutable;
    switch (CFGetTypeID(cf)) {
        case kCFTypeIDString:
            return mutableLeaves ? static_cast<CFTypeRef>(CFStringCreateMutableCopy(
                                       nullptr, 0, static_cast<CFStringRef>(cf)))
                                 : CFStringCreateCopy(nullptr, static_cast<CFStringRef>(cf));
        case kCFTypeIDData:
            return mutableLeaves ? static_cast<CFTypeRef>(CFDataCreateMutableCopy(
                                       nullptr, 0, static_cast<CFDataRef>(cf)))
                                 : CFDataCreateCopy(nullptr, static_cast<CFDataRef>(cf));
        case kCFTypeIDNumber:
        case kCFTypeIDBoolean:
        case kCFTypeIDDate:
            return CFRetain(cf);
        case kCFTypeIDArray: {
            CFArrayRef a = static_cast<CFArrayRef>(cf);
            CFMutableArrayRef out = CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks);
            if (!out)
                return nullptr;
            for (CFIndex i = 0; i < CFArrayGetCount(a); ++i) {
                CFTypeRef v = DeepCopy(CFArrayGetValueAtIndex(a, i), mutability, depth + 1);
                if (!v) {
                    CFRelease(out);
                    return nullptr;
                }
                CFArrayAppendValue(out, v);
                CFRelease(v);
            }
            if (mutableContainers)
                return out;
            CFArrayRef frozen = CFArrayCreateCopy(nullptr, out);
            CFRelease(out);
            return frozen;
        }
        case kCFTypeIDDictionary: {
            CFDictionaryRef d = static_cast<CFDictionaryRef>(cf);
            const CFIndex count = CFDictionaryGetCount(d);
            std::vector<const void*> keys(static_cast<size_t>(count));
            std::vector<const void*> values(static_cast<size_t>(count));
            CFDictionaryGetKeysAndValues(d, keys.data(), values.data());
            CFMutableDictionaryRef out = CFDictionaryCreateMutable(
                nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
            if (!out)
                return nullptr;
            for (size_t i = 0; i < keys.size(); ++i) {
                if (!cfinternal::IsA(keys[i], kCFTypeIDString)) {
                    CFRelease(out);
                    return nullptr;
                }
                CFStringRef key = CFStringCreateCopy(nullptr, static_cast<CFStringRef>(keys[i]));
                CFTypeRef v = DeepCopy(values[i], mutability, depth + 1);
                if (!key || !v) {
                    CFRelease(key);
                    CFRelease(v);
                    CFRelease(out);
                    return nullptr;
                }
                CFDictionarySetValue(out, key, v);
                CFRelease(key);
                CFRelease(v);
            }
            if (mutableContainers)
                return out;
            CFDictionaryRef frozen = CFDictionaryCreateCopy(nullptr, out);
            CFRelease(out);
            return frozen;
        }
        default:
            return nullptr;
    }
}

}  // namespace

CFDataRef CFPropertyListCreateXMLData(CFAllocatorRef, CFPropertyListRef propertyList) {
    return WriteXML(propertyList);
}

CFDataRef CFPropertyListCreateData(CFAllocatorRef, CFPropertyListRef propertyList,
                                   CFPropertyListFormat format, CFOptionFlags, CFErrorRef* error) {
    if (error)
        *error = nullptr;
    if (format != kCFPropertyListXMLFormat_v1_0) {
        if (error)
            *error =
                MakeError(kCFPropertyListWriteStreamError, "Only XML property lists are written");
        return nullptr;
    }
    CFDataRef data = WriteXML(propertyList);
    if (!data && error)
        *error = MakeError(kCFPropertyListWriteStreamError,
                           "Value cannot be written as a property list");
    return data;
}

CFPropertyListRef CFPropertyListCreateFromXMLData(CFAllocatorRef, CFDataRef xmlData,
                                                  CFOptionFlags mutabilityOption,
                                                  CFStringRef* errorString) {
    if (errorString)
        *errorString = nullptr;
    const char* message = nullptr;
    CFPropertyListRef result = Read(xmlData, mutabilityOption, &message);
    if (!result && errorString)
        *errorString = CFStringCreateWithCString(nullptr, message, kCFStringEncodingUTF8);
    return result;
}

CFPropertyListRef CFPropertyListCreateWithData(CFAllocatorRef, CFDataRef data,
                                               CFOptionFlags options, CFPropertyListFormat* format,
                                               CFErrorRef* error) {
    if (error)
        *error = nullptr;
    const char* message = nullptr;
    CFPropertyListRef result = Read(data, options, &message);
    if (result && format)
        *format = kCFPropertyListXMLFormat_v1_0;
    if (!result && error)
        *error = MakeError(kCFPropertyListReadCorruptError, message);
    return result;
}

CFPropertyListRef CFPropertyListCreateDeepCopy(CFAllocatorRef, CFPropertyListRef propertyList,
                                               CFOptionFlags mutabilityOption) {
    return DeepCopy(propertyList, mutabilityOption, 0);
}

Boolean CFPropertyListIsValid(CFPropertyListRef plist, CFPropertyListFormat format) {
    if (format != kCFPropertyListXMLFormat_v1_0 && format != kCFPropertyListBinaryFormat_v1_0)
        return false;
    PlistHolder root;
    root.node = ToNode(plist, 0);
    return root.node != nullptr;
}
