// Base PPD parser: construction and lifetime, main keywords, validity, the tokenizer and the
// PC-file-name check over the first 4096 bytes of the file.
#include "parser/PPDX.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <cstdint>
#include <cstring>
#include <new>

#include "PPDObjects/PPDXErrors.h"
#include "PPDUtils/FileMac.h"
#include "PPDUtils/PPDStream.h"
#include "PPDUtils/TextConverter.h"
#include "foundation/BoyerMoore.h"
#include "foundation/CString.h"
#include "platform/CFArray.h"
#include "platform/CFString.h"
#include "platform/CFURL.h"

namespace {

const char kPCFileNameKeyword[] = "*PCFileName";
const long kPCFileNameSearchBytes = 4096;  // how much of the file the printer check reads
const long kPCFileNameWindow = 32;         // bytes of the value the names are looked for in

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// The bytes that end a run of the tokenizer: CR, LF, NUL and the delimiters. Up to three
// delimiters (every caller's case) are compared sixteen bytes at a time where the processor
// has SSE2; more, or another processor, go through a 256-bit set, byte by byte.
class StopSet {
public:
    explicit StopSet(const char* delimiters) : mDelimiters(delimiters) {
        char d[3] = {'\n', '\n', '\n'};
        int count = 0;
        if (delimiters != nullptr) {
            for (; delimiters[count] != '\0'; ++count) {
                if (delimiters[count] == '\r')
                    mCRIsDelimiter = true;
                if (count < 3)
                    d[count] = delimiters[count];
            }
        }
#ifdef __SSE2__
        mVectorised = count <= 3;
        mD0 = _mm_set1_epi8(d[0]);
        mD1 = _mm_set1_epi8(d[1]);
        mD2 = _mm_set1_epi8(d[2]);
#else
        (void)d;
#endif
    }

    bool CRIsDelimiter() const {
        return mCRIsDelimiter;
    }

    // The first byte of [p, end) in the set, or end.
    const char* Scan(const char* p, const char* end) const {
#ifdef __SSE2__
        if (mVectorised)
            return ScanBlocks(p, end);
#endif
        return ScanBytes(p, end);
    }

private:
#ifdef __SSE2__
    // Reads the aligned 16-byte blocks that hold [p, end). A block may reach before p or past
    // end, but an aligned block never crosses into another page, so the read cannot fault; the
    // bytes outside [p, end) are masked off before anything depends on them. The address
    // sanitizer would take the read of a whole block for an overflow, so it is not told of it.
    __attribute__((no_sanitize_address)) const char* ScanBlocks(const char* p,
                                                                const char* end) const {
        if (p >= end)
            return end;
        const uintptr_t first = reinterpret_cast<uintptr_t>(p);
        const uintptr_t last = reinterpret_cast<uintptr_t>(end);
        uintptr_t block = first & ~uintptr_t(15);
        uint32_t mask = Matches(block) >> (first - block);
        uintptr_t base = first;  // the address of the mask's bit 0
        while (mask == 0) {
            block += 16;
            if (block >= last)
                return end;
            mask = Matches(block);
            base = block;
        }
        const uintptr_t at = base + static_cast<uintptr_t>(__builtin_ctz(mask));
        return at < last ? p + (at - first) : end;
    }

    __attribute__((no_sanitize_address)) uint32_t Matches(uintptr_t block) const {
        const __m128i bytes = _mm_load_si128(reinterpret_cast<const __m128i*>(block));
        const __m128i ends = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('\n')),
                                                       _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\r'))),
                                          _mm_cmpeq_epi8(bytes, _mm_setzero_si128()));
        const __m128i delimiters =
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, mD0), _mm_cmpeq_epi8(bytes, mD1)),
                         _mm_cmpeq_epi8(bytes, mD2));
        return static_cast<uint32_t>(_mm_movemask_epi8(_mm_or_si128(ends, delimiters)));
    }
#endif

    const char* ScanBytes(const char* p, const char* end) const {
        uint64_t bits[4] = {(uint64_t(1) << '\n') | (uint64_t(1) << '\r') | 1, 0, 0, 0};
        for (const unsigned char* d = reinterpret_cast<const unsigned char*>(mDelimiters);
             *d != '\0'; ++d)
            bits[*d >> 6] |= uint64_t(1) << (*d & 63);
        for (; p < end; ++p) {
            const unsigned char u = static_cast<unsigned char>(*p);
            if ((bits[u >> 6] >> (u & 63)) & 1)
                break;
        }
        return p;
    }

    const char* mDelimiters;
#ifdef __SSE2__
    __m128i mD0, mD1, mD2;  // the delimiters, each over all sixteen bytes (LF where fewer)
    bool mVectorised = true;
#endif
    bool mCRIsDelimiter = false;
};

// Replaces *slot by a copy of text; an allocation failure keeps the earlier value.
void StoreString(CString*& slot, const char* text) {
    CString* value = new (std::nothrow) CString(text);
    if (value == nullptr)
        return;
    delete slot;
    slot = value;
}

const char* Text(const CString* s) {
    return s == nullptr ? nullptr : static_cast<const char*>(*s);
}

}  // namespace

PPDX::PPDX()
    : mValidPPD(false),
      mValidPrinterName(true),
      mFile(nullptr),
      mErrors(nullptr),
      mAllErrorsFatal(false),
      mFormatVersion(nullptr),
      mFileVersion(nullptr),
      mPCFileName(nullptr),
      mLanguageVersion(nullptr),
      mLanguageEncoding(nullptr),
      mModelName(nullptr),
      mTextConverter(nullptr),
      mStream(nullptr),
      mPrinterNames(nullptr),
      mRefCount(0) {}

PPDX::PPDX(const FSSpec& spec, const __CFArray* printerNames) : PPDX() {
    mPrinterNames = printerNames;
    Build(spec);
}

PPDX::PPDX(const __CFURL* url, const __CFArray* printerNames) : PPDX() {
    mPrinterNames = printerNames;
    Build(url);
}

PPDX::PPDX(const PPDX& other)
    : mValidPPD(other.mValidPPD),
      mValidPrinterName(other.mValidPrinterName),
      mFile(other.mFile),
      mErrors(other.mErrors),
      mAllErrorsFatal(other.mAllErrorsFatal),
      mFormatVersion(other.mFormatVersion),
      mFileVersion(other.mFileVersion),
      mPCFileName(other.mPCFileName),
      mLanguageVersion(other.mLanguageVersion),
      mLanguageEncoding(other.mLanguageEncoding),
      mModelName(other.mModelName),
      mTextConverter(other.mTextConverter),
      mStream(other.mStream),
      mPrinterNames(other.mPrinterNames),
      mRefCount(other.mRefCount) {}

PPDX::~PPDX() {
    delete mFile;
    if (mErrors != nullptr) {
        for (PPDXErrorObj* e = mErrors->First(); e != nullptr; e = mErrors->Next())
            delete e;
        delete mErrors;
    }
    delete mFormatVersion;
    delete mFileVersion;
    delete mPCFileName;
    delete mLanguageVersion;
    delete mLanguageEncoding;
    delete mModelName;
    delete mTextConverter;
}

PPDX* PPDX::Retain() {
    ++mRefCount;
    return this;
}

// A fresh object has count 0: the Release that brings the count to 0 or below destroys it.
bool PPDX::Release() {
    --mRefCount;
    if (mRefCount > 0)
        return false;
    delete this;
    return true;
}

void PPDX::Parse() {}

void PPDX::Build(const FSSpec& spec) {
    if (mErrors == nullptr)
        mErrors = new (std::nothrow) PPDXErrors();
    char name[64];
    unsigned length = spec.name[0] < 63 ? spec.name[0] : 63;
    std::memcpy(name, spec.name + 1, length);
    name[length] = '\0';
    delete mFile;
    mFile = new (std::nothrow) PPDFile(spec.vRefNum, spec.parID, name);
    if (mPrinterNames != nullptr) {
        mValidPrinterName = ValidateAgainstPCFilename(mPrinterNames, mFile);
        mPrinterNames = nullptr;
    }
}

// A URL without a file-system reference gives the empty FSSpec: the file then cannot be
// opened, and the printer check and the parse report that.
void PPDX::Build(const __CFURL* url) {
    FSSpec spec;
    std::memset(&spec, 0, sizeof spec);
    FSRef ref;
    if (url != nullptr && CFURLGetFSRef(url, &ref))
        FSGetCatalogInfo(&ref, kFSCatInfoNone, nullptr, nullptr, &spec, nullptr);
    Build(spec);
}

bool PPDX::IsValidPPD() {
    if (!mValidPPD)
        return false;
    if (mErrors == nullptr)
        return true;
    if (mAllErrorsFatal)
        return mErrors->Count() == 0;
    for (PPDXErrorObj* e = mErrors->First(); e != nullptr; e = mErrors->Next())
        if (e->IsFatal())
            return false;
    return true;
}

const char* PPDX::FormatVersion() const {
    return Text(mFormatVersion);
}
const char* PPDX::FileVersion() const {
    return Text(mFileVersion);
}
const char* PPDX::PCFileName() const {
    return Text(mPCFileName);
}
const char* PPDX::LanguageVersion() const {
    return Text(mLanguageVersion);
}
const char* PPDX::LanguageEncoding() const {
    return Text(mLanguageEncoding);
}
const char* PPDX::ModelName() const {
    return Text(mModelName);
}

TextEncoding PPDX::GetStringTextEncoding() const {
    return mTextConverter == nullptr ? 0 : mTextConverter->GetOutputEncoding();
}

PPDXErrorObj* PPDX::ParsePSKeywords(PPDStream& stream, const char* keyword) {
    if (keyword == nullptr)
        return nullptr;
    char value[kTokenBufferSize];
    const unsigned long limit = kQuotedValueLimit;

    CString** quoted = nullptr;
    if (std::strcmp(keyword, "*PCFileName") == 0)
        quoted = &mPCFileName;
    else if (std::strcmp(keyword, "*FormatVersion") == 0)
        quoted = &mFormatVersion;
    else if (std::strcmp(keyword, "*FileVersion") == 0)
        quoted = &mFileVersion;
    else if (std::strcmp(keyword, "*ModelName") == 0)
        quoted = &mModelName;
    if (quoted != nullptr) {
        if (GetQuotedString(stream, value, limit) > 0)
            StoreString(*quoted, value);
        return nullptr;
    }

    CString** line = nullptr;
    if (std::strcmp(keyword, "*LanguageVersion") == 0)
        line = &mLanguageVersion;
    else if (std::strcmp(keyword, "*LanguageEncoding") == 0)
        line = &mLanguageEncoding;
    if (line != nullptr && NextToken(stream, value, "\n\r", true)) {
        StoreString(*line, value);
        UpdateTextConverter();
    }
    return nullptr;
}

void PPDX::UpdateTextConverter() {
    if (mLanguageVersion == nullptr || mLanguageEncoding == nullptr)
        return;
    TextConverter* converter = new (std::nothrow) TextConverter(this);
    if (converter == nullptr)
        return;
    delete mTextConverter;
    mTextConverter = converter;
}

// A line that cannot be read (the end of the file, a line of 255 or more characters, a 0xFF
// byte) ends the parse there: the value being read ends, and no later line is read, by a
// value or by the statement loop.
bool PPDX::NextStreamLine(char* line) {
    if (mStream == nullptr || mReadFailed)
        return false;
    if (!mStream->GetLine(line)) {
        mReadFailed = true;
        return false;
    }
    return true;
}

// ---- tokenizer ----

// Reads the stream's text directly rather than character by character: the stop characters
// (LF, CR, NUL and the delimiters) are looked up in a table built once per call, and the run
// of ordinary characters before the next stop is copied at once. The result, the position
// and the status left behind are those of the character-by-character reading: every
// character up to and including the one that ends the token is consumed, and the status is
// good after a consumed character or end of file after running into the end.
bool PPDX::NextToken(PPDStream& stream, char* token, const char* delimiters, bool stripBlanks) {
    if (token == nullptr)
        return false;
    const StopSet stop(delimiters);
    const bool crIsDelimiter = stop.CRIsDelimiter();

    const char* const start = stream.Cursor();
    const char* p = start;
    const char* end = stream.Limit();
    if (p == nullptr || p > end)
        p = end = nullptr;
    size_t n = 0;
    bool endedAtLF = false;
    bool ranOut = false;  // a read ran into the end of the text
    for (;;) {
        const size_t room = kTokenBufferSize - 1 - n;
        const size_t avail = static_cast<size_t>(end - p);
        if (room == 0)
            break;
        if (avail == 0) {
            ranOut = true;
            break;
        }
        const char* const runEnd = p + (room < avail ? room : avail);
        const char* const q = stop.Scan(p, runEnd);
        std::memcpy(token + n, p, static_cast<size_t>(q - p));
        n += static_cast<size_t>(q - p);
        p = q;
        if (q == runEnd)
            continue;
        const char c = *p++;
        if (c == '\n') {
            endedAtLF = true;
            break;
        }
        if (c == '\r') {
            if (p >= end || *p != '\n')
                break;
            // CR LF: ends here when CR is a delimiter; otherwise the CR is kept for now and
            // the LF ends the token.
            if (crIsDelimiter)
                break;
            token[n++] = c;
            continue;
        }
        // A NUL byte ends the token like a delimiter, so tokens never hold one.
        break;
    }
    if (ranOut)
        stream.MoveTo(p == nullptr ? start : p, PPDStream::kEndOfFile);
    else if (p != start)
        stream.MoveTo(p, PPDStream::kGood);
    token[n] = '\0';
    if (endedAtLF && n > 0 && token[n - 1] == '\r')
        token[--n] = '\0';
    if (n == 0)
        return false;
    if (stripBlanks) {
        // The token holds no NUL, so its length is n.
        size_t first = 0;
        while (first < n && IsBlank(token[first]))
            ++first;
        while (n > first && IsBlank(token[n - 1]))
            --n;
        if (first > 0)
            std::memmove(token, token + first, n - first);
        token[n - first] = '\0';
    }
    return true;
}

void PPDX::StripLeadingWhiteSpace(char* text) {
    if (text == nullptr)
        return;
    char* p = text;
    while (IsBlank(*p))
        ++p;
    if (p != text)
        std::memmove(text, p, std::strlen(p) + 1);
}

void PPDX::StripTrailingWhiteSpace(char* text) {
    if (text == nullptr)
        return;
    size_t n = std::strlen(text);
    while (n > 0 && IsBlank(text[n - 1]))
        --n;
    text[n] = '\0';
}

long PPDX::GetQuotedString(PPDStream& stream, char* buffer, const unsigned long& limit) {
    if (buffer == nullptr || limit < 1)
        return 0;
    const unsigned long last = limit - 1;
    unsigned long count = 0;
    char c;

    // Stores one byte; true when the buffer is full (it is then terminated).
    auto put = [&](char ch) {
        buffer[count++] = ch;
        if (count >= last) {
            buffer[last] = '\0';
            return true;
        }
        return false;
    };
    auto close = [&]() -> long {
        buffer[count] = '\0';
        return count == 0 ? 0 : static_cast<long>(count + 1);
    };
    if (last == 0) {
        buffer[0] = '\0';
        return 0;
    }

    bool open = false;
    while (stream.GetChar(c)) {
        if (c == '"') {
            open = true;
            break;
        }
    }
    if (open) {
        while (stream.GetChar(c)) {
            if (c == '"')
                return close();
            if (put(c))
                return static_cast<long>(count + 1);
        }
    }

    // The value goes on over the following lines of the file; a NUL separates them, so the
    // value as a string is its first line.
    char line[kPPDLineBufferSize];
    while (NextStreamLine(line)) {
        if (line[0] == '\0')
            continue;
        if (line[0] == '*')
            return close();
        if (put('\0'))
            return static_cast<long>(count + 1);
        for (const char* p = line; *p != '\0'; ++p) {
            if (*p == '"')
                return close();
            if (put(*p))
                return static_cast<long>(count + 1);
        }
    }
    buffer[count] = '\0';
    return 0;
}

// The value is copied run by run (memchr finds the closing quote) rather than character by
// character; what is stored, consumed and returned is the same.
long PPDX::GetPostscriptString(PPDStream& stream, char* buffer, const unsigned long& limit) {
    if (buffer == nullptr || limit < 2)
        return 0;
    const unsigned long last = limit - 1;
    unsigned long count = 0;

    auto finish = [&]() -> long {
        if (count == 0)
            return 0;
        buffer[count] = '\n';
        return static_cast<long>(count + 1);
    };
    enum Run { kQuote, kFull, kRanOut };
    // Stores the bytes of [p, p + avail) up to the closing quote; `used` is how many bytes were
    // read, the quote included. A full buffer gets its final LF at limit - 1.
    auto copyRun = [&](const char* p, size_t avail, size_t& used) -> Run {
        const size_t room = last - count;
        const size_t span = avail < room ? avail : room;
        const void* quote = span > 0 ? std::memchr(p, '"', span) : nullptr;
        const size_t n =
            quote != nullptr ? static_cast<size_t>(static_cast<const char*>(quote) - p) : span;
        std::memcpy(buffer + count, p, n);
        count += n;
        if (quote != nullptr) {
            used = n + 1;
            return kQuote;
        }
        used = n;
        if (count >= last) {
            buffer[last] = '\n';
            return kFull;
        }
        return kRanOut;
    };

    const char* p = stream.Cursor();
    const char* end = stream.Limit();
    if (p == nullptr || p >= end) {
        stream.MoveTo(p, PPDStream::kEndOfFile);
        return 0;
    }
    const void* open = std::memchr(p, '"', static_cast<size_t>(end - p));
    if (open == nullptr) {
        stream.MoveTo(end, PPDStream::kEndOfFile);
        return 0;
    }
    p = static_cast<const char*>(open) + 1;
    if (p >= end) {
        stream.MoveTo(p, PPDStream::kEndOfFile);
    } else {
        size_t used = 0;
        const Run run = copyRun(p, static_cast<size_t>(end - p), used);
        if (run != kRanOut) {
            stream.MoveTo(p + used, PPDStream::kGood);
            return run == kQuote ? finish() : static_cast<long>(count + 1);
        }
        stream.MoveTo(end, PPDStream::kEndOfFile);
    }

    char line[kPPDLineBufferSize];
    while (NextStreamLine(line)) {
        if (line[0] == '\0')
            continue;
        const char* q = line;
        if (line[0] == '*') {
            if (line[1] != '%')
                return finish();
            q = line + 2;
        }
        buffer[count++] = '\n';
        if (count >= last) {
            buffer[last] = '\n';
            return static_cast<long>(count + 1);
        }
        size_t used = 0;
        const Run run = copyRun(q, std::strlen(q), used);
        if (run == kQuote)
            return finish();
        if (run == kFull)
            return static_cast<long>(count + 1);
    }
    return finish();
}

// ---- printer check ----

bool PPDX::ValidateAgainstPCFilename(const __CFArray* names, PPDFile* file) {
    if (file == nullptr)
        return false;
    if (file->openDataFork(0) != noErr)
        return false;
    char data[kPCFileNameSearchBytes];
    std::memset(data, 0, sizeof data);
    unsigned long count = sizeof data;
    file->dataForkRead(data, &count);
    file->closeDataFork();
    if (count > sizeof data)
        count = sizeof data;

    BoyerMoore searcher;
    searcher.SetSearchString(kPCFileNameKeyword, static_cast<short>(sizeof kPCFileNameKeyword - 1));
    searcher.SetSearchData(data, static_cast<long>(count));
    long found = searcher.Search();
    if (found < 0)
        return false;

    // Past the keyword and the character after it (normally the colon), then blanks.
    long at = found + static_cast<long>(sizeof kPCFileNameKeyword - 1) + 1;
    while (at < kPCFileNameSearchBytes && IsBlank(data[at]))
        ++at;
    if (at >= kPCFileNameSearchBytes)
        return false;
    long window = kPCFileNameSearchBytes - at;
    if (window > kPCFileNameWindow)
        window = kPCFileNameWindow;

    if (names == nullptr)
        return false;
    CFIndex n = CFArrayGetCount(names);
    for (CFIndex i = 0; i < n; ++i) {
        CFTypeRef item = CFArrayGetValueAtIndex(names, i);
        if (item == nullptr || CFGetTypeID(item) != CFStringGetTypeID())
            continue;
        Str255 name;
        if (!CFStringGetPascalString(static_cast<CFStringRef>(item), name, sizeof name,
                                     kCFStringEncodingMacRoman))
            continue;
        searcher.SetSearchData(data + at, window);
        if (searcher.Search(0, name) >= 0)
            return true;
    }
    return false;
}

bool PPDX::ValidateFileName(const __CFURL* url, const __CFArray* names, PPDFile* file) {
    if (names == nullptr)
        return true;
    if (file != nullptr)
        return ValidateAgainstPCFilename(names, file);
    PPDFile* own = new (std::nothrow) PPDFile(url);
    if (own == nullptr)
        return false;
    bool result = ValidateAgainstPCFilename(names, own);
    delete own;
    return result;
}
