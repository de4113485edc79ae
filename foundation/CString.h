// CString: the owned, growable NUL-terminated byte string of the PPD library, and small
// helpers over C strings, Pascal strings and Core Foundation strings.
#pragma once

#include <cstdint>

#include "platform/CFString.h"
#include "platform/MacTypes.h"
#include "platform/ZEQArena.h"

// An owned byte string. A default-constructed string has no buffer (null) and length 0.
// The bytes carry no encoding. Allocation failures never throw: see each operation.
// A string made while a model is being built lives in the model's arena, with its text.
class CString : public ZEQArenaObject {
public:
    CString();
    CString(const char* text);
    CString(const CString& other);
    // Converts in the system encoding (UTF-8: up to three bytes per UTF-16 unit) into a block
    // sized for that encoding; on a failed conversion the string is left without a buffer.
    explicit CString(CFStringRef text);
    virtual ~CString();

    CString& operator=(const char* text);
    CString& operator=(const CString& other);
    // Converts in the application text encoding through a block sized for that encoding; a
    // null CFString or a failed conversion makes the text "".
    CString& operator=(CFStringRef text);

    void Initialize();
    void ClearBuffer();
    // Replaces the text by a copy of src (src may be null: no buffer). Allocation failure
    // leaves no buffer and length 0.
    void SetBuffer(const char* src);

    uint32_t Size() const { return mLength; }
    operator const char*() const { return mBuffer; }
    bool Empty() const { return mBuffer == nullptr || mBuffer[0] == '\0'; }

    // Byte-exact comparison; a string without a buffer compares as "".
    bool operator==(const CString& other) const;
    bool operator==(const char* text) const;

    // Appends text in place and returns this string (not a new one). Allocation failure
    // leaves the string unchanged.
    CString& operator+(const char* text);

    // 1 when text occurs in this string ignoring case, else 0.
    int Contains(const char* text) const;

    // at points into the buffer; at + count must not pass the terminating NUL.
    void Remove(char* at, unsigned long count);
    // at points into the buffer (the end is allowed); nothing happens without a buffer, for
    // an empty text, or when the new block cannot be allocated.
    void Insert(char* at, char* text);
    // Replaces the first case-sensitive occurrence of find by with.
    void Replace(const CString& find, const CString& with);

private:
    char* mBuffer;
    uint32_t mLength;
};

// Blocks returned by newInitalizedCString and CFStringToExternal are allocated with
// new[] and are released by the caller with delete[].
extern "C" {
char* num2String(long n, char* out);
char* deleteCharRangeInStr(char* s, short from, short to);
char* findChar(char* s, char ch);
char* newInitalizedCString(unsigned long count, char ch);
int validateRangeValues(char* s, long maxDigits);
unsigned char* ctoPStr(char* c, unsigned char* p);
long string2Number(char* s);
char* ptoCStr(unsigned char* p, char* c);
char* getIndString(short listID, short index, char* out);
}

unsigned char* CFStringToExternal(CFStringRef s, long* outLength);
CFStringRef ExtenalToCFString(unsigned char* bytes, long length);
CString* CFStringToCString(CFStringRef s);
