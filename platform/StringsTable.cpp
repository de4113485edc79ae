// String tables: the old-style "key" = "value"; format of a bundle's Localizable.strings,
// decoded from UTF-8 or UTF-16 and read entry by entry into a dictionary.
#include "platform/StringsTable.h"

#include <cstdio>
#include <new>
#include <string>

namespace {

// Counts lines over UTF-16 text: LF, CR LF and a lone CR each end one.
CFIndex LinesBefore(const std::u16string& text, size_t end) {
    CFIndex line = 1;
    for (size_t i = 0; i < end; ++i) {
        if (text[i] == u'\n' ||
            (text[i] == u'\r' && (i + 1 >= text.size() || text[i + 1] != u'\n')))
            ++line;
    }
    return line;
}

std::u16string UnitsOf(CFStringRef s) {
    std::u16string units(static_cast<size_t>(CFStringGetLength(s)), u'\0');
    CFStringGetCharacters(s, CFRangeMake(0, CFStringGetLength(s)),
                          reinterpret_cast<UniChar*>(units.data()));
    return units;
}

// The text of the table as UTF-16, or false with the line of the first bytes that cannot be
// decoded.
bool Decode(const UInt8* bytes, size_t n, std::u16string& text, std::string& error,
            CFIndex& errorLine) {
    const bool utf16 = n >= 2 && ((bytes[0] == 0xFE && bytes[1] == 0xFF) ||
                                  (bytes[0] == 0xFF && bytes[1] == 0xFE));
    if (utf16) {
        // An odd count leaves one byte over at the end: everything before it names the line.
        CFStringRef s = CFStringCreateWithBytes(
            nullptr, bytes, static_cast<CFIndex>(n & ~size_t(1)), kCFStringEncodingUnicode, true);
        if (!s) {
            error = "out of memory";
            return false;
        }
        text = UnitsOf(s);
        CFRelease(s);
        if (n % 2 != 0) {
            error = "the UTF-16 text ends in half a character";
            errorLine = LinesBefore(text, text.size());
            return false;
        }
        return true;
    }
    CFStringRef s = CFStringCreateWithBytes(nullptr, bytes, static_cast<CFIndex>(n),
                                            kCFStringEncodingUTF8, true);
    if (s) {
        text = UnitsOf(s);
        CFRelease(s);
        return true;
    }
    // Bad UTF-8: CR and LF are never part of a multi-byte sequence, so the first line that
    // does not decode on its own holds the fault (unless memory ran out).
    size_t start = (n >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) ? 3 : 0;
    CFIndex line = 1;
    for (;;) {
        size_t end = start;
        while (end < n && bytes[end] != '\n' && bytes[end] != '\r')
            ++end;
        CFStringRef piece =
            CFStringCreateWithBytes(nullptr, bytes + start, static_cast<CFIndex>(end - start),
                                    kCFStringEncodingUTF8, false);
        if (!piece) {
            error = "the text is not valid UTF-8";
            errorLine = line;
            return false;
        }
        CFRelease(piece);
        if (end >= n)
            break;
        if (bytes[end] == '\n' || end + 1 >= n || bytes[end + 1] != '\n')
            ++line;  // the LF of a CR LF pair counts the line
        start = end + 1;
    }
    error = "out of memory";
    return false;
}

bool IsSpace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\v' || c == u'\f' ||
           c == 0xFEFF;
}

bool IsWordCharacter(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
           c == u'_' || c == u'$' || c == u'/' || c == u':' || c == u'.' || c == u'-';
}

int HexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

// A character of the text for a message: itself when printable ASCII, else its code.
std::string Describe(const std::u16string& text, size_t at) {
    if (at >= text.size())
        return "the end of the text";
    const char16_t c = text[at];
    char buffer[16];
    if (c > 0x20 && c < 0x7F)
        std::snprintf(buffer, sizeof buffer, "'%c'", static_cast<char>(c));
    else
        std::snprintf(buffer, sizeof buffer, "U+%04X", static_cast<unsigned>(c));
    return buffer;
}

class Reader {
public:
    explicit Reader(const std::u16string& text) : mText(text) {}

    // Reads every entry into `table`; false with mError and mErrorLine set.
    bool Read(CFMutableDictionaryRef table) {
        std::u16string key;
        std::u16string value;
        for (;;) {
            if (!SkipSpace())
                return false;
            if (mAt >= mText.size())
                return true;
            key.clear();
            if (!ReadWord(key, "a key"))
                return false;
            // A missing '=' or ';' is reported on the line of what it should have followed.
            CFIndex last = mLine;
            if (!SkipSpace())
                return false;
            if (Peek() == u';') {
                ++mAt;
                value = key;
            } else if (Peek() == u'=') {
                ++mAt;
                if (!SkipSpace())
                    return false;
                value.clear();
                if (!ReadWord(value, "a value after '='"))
                    return false;
                last = mLine;
                if (!SkipSpace())
                    return false;
                if (Peek() != u';')
                    return Fail(last,
                                "expected ';' after the value, found " + Describe(mText, mAt));
                ++mAt;
            } else {
                return Fail(last,
                            "expected '=' or ';' after the key, found " + Describe(mText, mAt));
            }
            if (!Add(table, key, value))
                return Fail(mLine, "out of memory");
        }
    }

    std::string mError;
    CFIndex mErrorLine = 0;

private:
    char16_t Peek() const { return mAt < mText.size() ? mText[mAt] : u'\0'; }

    bool Fail(CFIndex line, const std::string& what) {
        mError = what;
        mErrorLine = line;
        return false;
    }

    // Steps over one character, counting the line it ends.
    void Advance() {
        const char16_t c = mText[mAt++];
        if (c == u'\n' || (c == u'\r' && Peek() != u'\n'))
            ++mLine;
    }

    // White space and comments up to the next token; false for a comment left open.
    bool SkipSpace() {
        while (mAt < mText.size()) {
            const char16_t c = mText[mAt];
            if (IsSpace(c)) {
                Advance();
            } else if (c == u'/' && mAt + 1 < mText.size() && mText[mAt + 1] == u'*') {
                const CFIndex start = mLine;
                mAt += 2;
                while (mAt < mText.size() &&
                       !(mText[mAt] == u'*' && mAt + 1 < mText.size() && mText[mAt + 1] == u'/'))
                    Advance();
                if (mAt >= mText.size())
                    return Fail(start, "a comment begun here is never closed");
                mAt += 2;
            } else if (c == u'/' && mAt + 1 < mText.size() && mText[mAt + 1] == u'/') {
                while (mAt < mText.size() && mText[mAt] != u'\n' && mText[mAt] != u'\r')
                    ++mAt;
            } else {
                return true;
            }
        }
        return true;
    }

    // A quoted text or an unquoted word, appended to `out`.
    bool ReadWord(std::u16string& out, const char* what) {
        const char16_t c = Peek();
        if (mAt < mText.size() && (c == u'"' || c == u'\''))
            return ReadQuoted(out, c);
        if (mAt >= mText.size() || !IsWordCharacter(c))
            return Fail(mLine, std::string("expected ") + what + ", found " + Describe(mText, mAt));
        while (mAt < mText.size() && IsWordCharacter(mText[mAt]))
            out.push_back(mText[mAt++]);
        return true;
    }

    bool ReadQuoted(std::u16string& out, char16_t quote) {
        const CFIndex start = mLine;
        ++mAt;
        for (;;) {
            if (mAt >= mText.size())
                return Fail(start, "a quoted text begun here is never closed");
            const char16_t c = mText[mAt];
            if (c == quote) {
                ++mAt;
                break;
            }
            if (c != u'\\') {
                out.push_back(c);
                Advance();
                continue;
            }
            ++mAt;
            if (mAt >= mText.size())
                return Fail(start, "a quoted text begun here is never closed");
            if (!ReadEscape(out))
                return false;
        }
        // Escapes may build surrogate pairs; what comes out must be whole characters.
        for (size_t i = 0; i < out.size(); ++i) {
            const char16_t u = out[i];
            if (u >= 0xD800 && u <= 0xDBFF && i + 1 < out.size() && out[i + 1] >= 0xDC00 &&
                out[i + 1] <= 0xDFFF)
                ++i;
            else if (u >= 0xD800 && u <= 0xDFFF)
                return Fail(start, "a quoted text holds half of a UTF-16 surrogate pair");
        }
        return true;
    }

    // The escape after a backslash.
    bool ReadEscape(std::u16string& out) {
        const char16_t e = mText[mAt];
        // The escapes of C for control characters.
        static const char16_t kLetters[] = u"abfnrtv";
        static const char16_t kControls[] = u"\a\b\f\n\r\t\v";
        for (size_t k = 0; kLetters[k] != u'\0'; ++k) {
            if (e == kLetters[k]) {
                out.push_back(kControls[k]);
                ++mAt;
                return true;
            }
        }
        if (e == u'U' || e == u'u') {
            ++mAt;
            unsigned value = 0;
            int digits = 0;
            while (digits < 4 && mAt < mText.size() && HexDigit(mText[mAt]) >= 0) {
                value = value * 16 + static_cast<unsigned>(HexDigit(mText[mAt++]));
                ++digits;
            }
            if (digits == 0)
                return Fail(mLine, "\\U must be followed by hexadecimal digits");
            out.push_back(static_cast<char16_t>(value));
            return true;
        }
        if (e >= u'0' && e <= u'7') {
            unsigned value = 0;
            for (int digits = 0;
                 digits < 3 && mAt < mText.size() && mText[mAt] >= u'0' && mText[mAt] <= u'7';
                 ++digits)
                value = value * 8 + (mText[mAt++] - u'0');
            if (value > 0xFF)
                return Fail(mLine, "an octal escape above \\377");
            out.push_back(static_cast<char16_t>(value));
            return true;
        }
        // \" \' \\ and any other character stand for themselves; a backslash before a line
        // break keeps the break.
        out.push_back(e);
        Advance();
        return true;
    }

    static bool Add(CFMutableDictionaryRef table, const std::u16string& key,
                    const std::u16string& value) {
        CFStringRef k =
            CFStringCreateWithCharacters(nullptr, reinterpret_cast<const UniChar*>(key.data()),
                                         static_cast<CFIndex>(key.size()));
        CFStringRef v =
            CFStringCreateWithCharacters(nullptr, reinterpret_cast<const UniChar*>(value.data()),
                                         static_cast<CFIndex>(value.size()));
        bool added = false;
        if (k && v) {
            CFDictionarySetValue(table, k, v);
            added = CFDictionaryGetValue(table, k) == v;
        }
        CFRelease(k);
        CFRelease(v);
        return added;
    }

    const std::u16string& mText;
    size_t mAt = 0;
    CFIndex mLine = 1;
};

}  // namespace

CFDictionaryRef ZEQStringsTableCreate(const UInt8* bytes, CFIndex length, CFStringRef* errorString,
                                      CFIndex* errorLine) {
    if (errorString)
        *errorString = nullptr;
    if (errorLine)
        *errorLine = 0;
    std::string error;
    CFIndex line = 0;
    CFMutableDictionaryRef table = nullptr;
    try {
        if (length < 0 || (length > 0 && !bytes)) {
            error = "no text";
        } else {
            std::u16string text;
            if (Decode(bytes, static_cast<size_t>(length), text, error, line)) {
                table = CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks,
                                                  &kCFTypeDictionaryValueCallBacks);
                Reader reader(text);
                if (!table) {
                    error = "out of memory";
                } else if (!reader.Read(table)) {
                    error = reader.mError;
                    line = reader.mErrorLine;
                    CFRelease(table);
                    table = nullptr;
                }
            }
        }
    } catch (const std::bad_alloc&) {
        if (table)
            CFRelease(table);
        table = nullptr;
        error = "out of memory";
        line = 0;
    }
    if (table)
        return table;
    if (errorLine)
        *errorLine = line;
    if (errorString) {
        char prefix[32] = "";
        if (line > 0)
            std::snprintf(prefix, sizeof prefix, "line %ld: ", static_cast<long>(line));
        *errorString =
            CFStringCreateWithFormat(nullptr, nullptr, CFSTR("%s%s"), prefix, error.c_str());
    }
    return nullptr;
}
