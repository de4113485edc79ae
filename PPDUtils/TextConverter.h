// TextConverter: PPD text (hexadecimal runs, the PPD's *LanguageEncoding) to display strings
// and back; HexLanguageExceptions: the languages whose PPD text is expected to hold 8-bit bytes.
#pragma once

#include "foundation/CString.h"
#include "platform/CFString.h"
#include "platform/MacTypes.h"
#include "platform/TextEncodingConverter.h"

class PPDX;

// Languages for which 8-bit bytes are expected in PPD text.
class HexLanguageExceptions {
public:
    HexLanguageExceptions();
    virtual ~HexLanguageExceptions();

    bool IsException(const char* language) const;

private:
    const char* const* mNames;  // sorted, kCount entries
    unsigned long mCount;
};

class TextConverter {
public:
    // Means "no encoding" for every encoding number here.
    enum : TextEncoding { kNoEncoding = 0xFFFF };

    // Input encoding and language from the PPD, output encoding the system's.
    explicit TextConverter(PPDX* ppd);
    TextConverter(PPDX* ppd, const unsigned long& outputEncoding);
    TextConverter(unsigned long& inputEncoding, const unsigned long& outputEncoding);
    TextConverter(const TextConverter&) = delete;
    TextConverter& operator=(const TextConverter&) = delete;
    virtual ~TextConverter();

    // Creates the input-to-output converter; returns the platform status.
    OSStatus Create();
    bool ValidConverter() const { return mValid; }
    OSStatus Status() const { return mStatus; }
    TextEncoding GetInputEncoding() const { return mInputEncoding; }
    TextEncoding GetOutputEncoding() const { return mOutputEncoding; }

    // Text encoding of the system script.
    static TextEncoding GetCurrentEncoding();
    static TextEncoding GetPPDEncoding(PPDX* ppd);
    // The encoding number of a *LanguageEncoding value, kNoEncoding when unrecognised.
    static TextEncoding LanguageStringToEncoding(const char* name);

    // PPD text (hexadecimal runs decoded) to a new string the caller releases. `size` is
    // accepted and not used.
    CFStringRef ConvertToCFString(const char* text, long size);
    // A string into `buffer` in the system encoding, NUL-terminated, at most `size` bytes.
    static void CFStringToCstring(CFStringRef string, char* buffer, long size);
    // In-place conversion of a NUL-terminated string from the input to the output encoding.
    OSStatus Convert(char* text, long size);
    // Decodes the hexadecimal runs of `in` into `out`; returns the bytes written including
    // the terminating NUL. `out` needs strlen(in) + 1 bytes.
    static long DehexBufferFill(char* in, char* out);

    static HexLanguageExceptions mExceptionsList;

private:
    void Init();
    void DisposeConverter(TECObjectRef& converter);
    OSStatus ppdStringConvert(const char* text, Handle output, ByteCount* outputLength);

    TextEncoding mInputEncoding;
    TextEncoding mOutputEncoding;
    TECObjectRef mConverter;
    OSStatus mStatus;
    bool mValid;
    TECObjectRef mToUnicodeConverter;
    TextEncoding mToUnicodeSource;
    CString mLanguage;
};
