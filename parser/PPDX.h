// PPDX: the base PPD parser and root of a parsed PPD: the file, its error list, the main
// keywords, the text converter, the tokenizer every statement parser uses, the PC-file-name
// check and the reference count.
#pragma once

#include <cstdint>

#include "platform/Files.h"
#include "platform/MacTypes.h"

class CString;
class PPDFile;
class PPDStream;
class PPDXErrorObj;
class PPDXErrors;
class Settings;
class TextConverter;
struct __CFArray;
struct __CFURL;

class PPDX {
public:
    // Fixed sizes of the tokenizer: token buffers, quoted main-keyword values, PostScript
    // values.
    enum { kTokenBufferSize = 256, kQuotedValueLimit = 256, kPostScriptValueLimit = 4096 };

    // Empty parser: no file, no error list.
    PPDX();
    // Keep the list of acceptable PC file names, then Build with the FSSpec or URL.
    PPDX(const FSSpec& spec, const __CFArray* printerNames);
    PPDX(const __CFURL* url, const __CFArray* printerNames);
    // Member-by-member copy: shares file, errors, strings and converter with `other`.
    PPDX(const PPDX& other);
    PPDX& operator=(const PPDX&) = delete;

    virtual ~PPDX();
    virtual PPDX* Retain();
    // Drops one reference; destroys the object (and returns true) when none is left.
    virtual bool Release();
    // The statement loop; the vendor parser supplies it.
    virtual void Parse();
    // Main keywords; the stream is positioned after the keyword and its delimiter.
    virtual PPDXErrorObj* ParsePSKeywords(PPDStream& stream, const char* keyword);

    void Build(const FSSpec& spec);
    void Build(const __CFURL* url);

    // ---- settings cache (settings/PPDCache.cpp) ----
    // The base part of a model rebuilt from a cache; keeps `pcFileNames` for the check.
    PPDX(Settings& settings, const __CFURL* ppdURL, const __CFArray* pcFileNames);
    // The header items 1001 to 1008; true when all were written.
    bool Save(Settings& settings);
    // Format mark, error list, file, PC file name check and the main keywords.
    void BuildFromSettings(Settings& settings, const __CFURL* ppdURL);
    // ---- end of settings cache ----

    bool IsValidPPD();
    bool IsValidPrinterName() const { return mValidPrinterName; }
    PPDXErrors* GetErrors() const { return mErrors; }
    void AllErrorsFatal(const bool& fatal) { mAllErrorsFatal = fatal; }
    bool AllErrorsFatal() const { return mAllErrorsFatal; }

    const char* FormatVersion() const;
    const char* FileVersion() const;
    const char* PCFileName() const;
    const char* LanguageVersion() const;
    const char* LanguageEncoding() const;
    const char* ModelName() const;
    // Output encoding of the text converter, 0 without one.
    TextEncoding GetStringTextEncoding() const;
    TextConverter* GetTextConverter() const { return mTextConverter; }
    PPDFile* GetFile() const { return mFile; }

    // ---- tokenizer ----
    // One token up to a character of `delimiters` (may be null), LF, a lone CR or the end of
    // the stream; at most 255 characters. False when the token is empty.
    static bool NextToken(PPDStream& stream, char* token, const char* delimiters, bool stripBlanks);
    // A "..." value of at most limit - 1 bytes; continues over the file stream's lines.
    // 0 when there is no value, otherwise a positive count.
    long GetQuotedString(PPDStream& stream, char* buffer, const unsigned long& limit);
    // A "..." value that may span lines, lines joined by LF and ending with LF, not
    // NUL-terminated. 0 when there is no value, otherwise the byte count.
    long GetPostscriptString(PPDStream& stream, char* buffer, const unsigned long& limit);
    static void StripLeadingWhiteSpace(char* text);
    static void StripTrailingWhiteSpace(char* text);

    // ---- printer check ----
    // True when one of `names` occurs in the *PCFileName value within the file's first
    // 4096 bytes.
    static bool ValidateAgainstPCFilename(const __CFArray* names, PPDFile* file);
    // True when `names` is null; otherwise checks `file`, or a file made from `url`.
    static bool ValidateFileName(const __CFURL* url, const __CFArray* names, PPDFile* file);

protected:
    // Replaces the text converter once both language version and encoding are known.
    void UpdateTextConverter();
    // The next line of the file stream (a multi-line value's continuation); false at the end
    // and for a line that cannot be read, and from then on for the rest of the parse.
    bool NextStreamLine(char* line);

    Boolean mValidPPD;
    Boolean mValidPrinterName;
    PPDFile* mFile;
    PPDXErrors* mErrors;
    Boolean mAllErrorsFatal;
    CString* mFormatVersion;
    CString* mFileVersion;
    CString* mPCFileName;
    CString* mLanguageVersion;
    CString* mLanguageEncoding;
    CString* mModelName;
    TextConverter* mTextConverter;
    PPDStream* mStream;
    const __CFArray* mPrinterNames;
    int32_t mRefCount;
    // A line of the file stream could not be read: the parse stops there. Set by
    // NextStreamLine, cleared when a parse starts.
    bool mReadFailed = false;
};
