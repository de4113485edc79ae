// Character streams over PPD text and the chunked file stream the parser reads lines from.
#include "PPDUtils/PPDStream.h"

#include <cstring>

#include "PPDUtils/FileMac.h"
#include "platform/MacMemory.h"

PPDStream::PPDStream() : mBegin(nullptr), mEnd(nullptr), mCurrent(nullptr), mStatus(kGood) {}

PPDStream::PPDStream(const char* text, long length)
    : mBegin(nullptr), mEnd(nullptr), mCurrent(nullptr), mStatus(kGood) {
    Setup(text, length);
}

PPDStream::PPDStream(const PPDStream& other)
    : mBegin(other.mBegin), mEnd(other.mEnd), mCurrent(other.mCurrent), mStatus(other.mStatus) {}

PPDStream::~PPDStream() {}

void PPDStream::Setup(const char* text, long length) {
    if (text == nullptr || length < 1) {
        mStatus = kBad;
        return;
    }
    mBegin = mCurrent = text;
    mEnd = text + length;
    mStatus = kGood;
}

void PPDStream::SkipWhiteSpace() {
    while (mCurrent != nullptr && mCurrent < mEnd && (*mCurrent == ' ' || *mCurrent == '\t'))
        ++mCurrent;
}

bool PPDStream::GetLine(char* line) {
    return ReadLine(line);
}

// Scans the text directly instead of going through GetChar per character; the results and
// the status left behind are those of reading character by character: a consumed character
// leaves the stream good, running into the end leaves it at end of file.
bool PPDStream::ReadLine(char* line) {
    const char* p = mCurrent;
    size_t avail = (p != nullptr && p < mEnd) ? static_cast<size_t>(mEnd - p) : 0;
    size_t limit = avail < kPPDMaxLineChars ? avail : kPPDMaxLineChars;
    // The line ends at the first LF, CR or 0xFF within the limit: three memchr passes, each
    // over what the previous one left, instead of a test of every byte for all three.
    size_t n = limit;
    if (n > 0) {
        if (const void* lf = std::memchr(p, '\n', n))
            n = static_cast<const char*>(lf) - p;
        if (const void* cr = std::memchr(p, '\r', n))
            n = static_cast<const char*>(cr) - p;
        if (const void* ff = std::memchr(p, 0xFF, n))
            n = static_cast<const char*>(ff) - p;
    }
    if (n > 0)
        std::memcpy(line, p, n);
    line[n] = '\0';

    if (n < limit) {
        // Stopped at a terminator or a 0xFF byte; both are consumed.
        unsigned char c = static_cast<unsigned char>(p[n]);
        mCurrent = p + n + 1;
        mStatus = kGood;
        if (c == '\r' && mCurrent < mEnd && *mCurrent == '\n')
            ++mCurrent;
        return c != 0xFF;
    }
    if (n == kPPDMaxLineChars) {
        // 255 characters stored: the next character stays for the next call.
        mCurrent = p + n;
        mStatus = kGood;
        return false;
    }
    // Ran into the end of the text.
    if (p != nullptr)
        mCurrent = p + n;
    mStatus = kEndOfFile;
    return false;
}

PPDFileStream::PPDFileStream(PPDFile* file, bool chunked)
    : PPDStream(),
      mBuffer(nullptr),
      mTemporary(true),
      mChunked(false),
      mFile(file),
      mCounted(nullptr),
      mNul(nullptr),
      mNextLine(1),
      mLineNumber(1),
      mReadEndLine(0),
      mNulLine(0),
      mReadEnd(PPDReadEnd::kReading) {
    if (file == nullptr)
        mStatus = kBad;

    if (chunked) {
        OSErr err = noErr;
        mBuffer = TempNewHandle(kChunkSize, &err);
        if (mBuffer == nullptr) {
            mBuffer = NewHandle(kChunkSize);
            mTemporary = false;
        }
        mChunked = true;
        Setup();
        return;
    }

    if (file == nullptr)
        return;
    long size = file->dataForkSize();
    if (size < 1)
        return;
    // Ask for the whole file; halve the request while memory is short. Files of 256 bytes or
    // less get no buffer and read as empty.
    while (size > 256 && mBuffer == nullptr) {
        OSErr err = noErr;
        mBuffer = TempNewHandle(size, &err);
        if (mBuffer == nullptr) {
            mBuffer = NewHandle(size);
            if (mBuffer != nullptr) {
                mTemporary = false;
            } else {
                mChunked = true;
                size >>= 1;
            }
        }
    }
    Setup();
}

PPDFileStream::~PPDFileStream() {
    if (mBuffer != nullptr) {
        if (mTemporary) {
            OSErr err = noErr;
            TempDisposeHandle(mBuffer, &err);
        } else {
            DisposeHandle(mBuffer);
        }
        mBuffer = nullptr;
    }
}

OSErr PPDFileStream::Setup() {
    if (mBuffer == nullptr || mFile == nullptr)
        return noErr;

    unsigned long count = static_cast<unsigned long>(GetHandleSize(mBuffer));
    if (!mFile->dataForkOpen()) {
        OSErr err = mFile->openDataFork(1);
        if (err != noErr) {
            mStatus = kBad;
            return err;
        }
    }
    OSErr err = mFile->dataForkRead(*mBuffer, &count);
    if (err != noErr && err != eofErr) {
        mStatus = kBad;
        return err;
    }
    PPDStream::Setup(*mBuffer, static_cast<long>(count));
    if (count > 0) {
        // A new piece: counting starts at its beginning. Until the first NUL byte of the file
        // has been found, each piece is searched for one (one pass per piece, not per line).
        mCounted = mBegin;
        mNul = mNulLine == 0 ? static_cast<const char*>(std::memchr(mBegin, '\0', count)) : nullptr;
    }
    return err;
}

bool PPDFileStream::GetLine(char* line) {
    if (mCounted != mCurrent)
        CountLineEnds();  // the tokenizer read the text since the last line character by character
    mLineNumber = mNextLine;
    if (ReadLine(line)) {
        ++mNextLine;
        if (mNul != nullptr)
            NoteNul();
        mCounted = mCurrent;
        return true;
    }
    return EndOfLines(line);
}

bool PPDFileStream::EndOfLines(char* line) {
    bool read = false;
    bool splitLineEnd = false;
    if (!mChunked || !EndOfFile()) {
        // An overlong line or a 0xFF byte: not the end of the buffer.
        NoteStop(line, false, noErr);
    } else {
        // The buffer ran out in the middle of a line. A CR that ended the buffer and an LF
        // that begins the next piece are one line end, though the LF comes back as an empty
        // line of its own: that line is not counted.
        const bool endedAtCR =
            line[0] == '\0' && mCurrent != nullptr && mCurrent > mBegin && mCurrent[-1] == '\r';
        NoteNul();
        const OSErr refill = Setup();
        const bool refilled = !Bad();
        read = FixLine(line);
        if (!read)
            NoteStop(line, refilled, refill);
        splitLineEnd =
            read && endedAtCR && line[0] == '\0' && mCurrent == mBegin + 1 && mBegin[0] == '\n';
    }
    NoteNul();
    if (read && !splitLineEnd)
        ++mNextLine;
    mCounted = mCurrent;
    return read;
}

void PPDFileStream::CountLineEnds() {
    if (mCounted != nullptr && mCurrent != nullptr && mCounted < mCurrent) {
        for (const char* p = mCounted; p < mCurrent; ++p) {
            // CR LF is one line end: its LF counts.
            if (*p == '\n' || (*p == '\r' && !(p + 1 < mCurrent && p[1] == '\n')))
                ++mNextLine;
        }
    }
    mCounted = mCurrent;
}

void PPDFileStream::NoteNul() {
    if (mNul != nullptr && mNul < mCurrent) {
        mNulLine = mLineNumber;
        mNul = nullptr;
    }
}

// `refilled`: a further piece of the file was read for the rest of the line; `refill`: the
// result of reading it.
void PPDFileStream::NoteStop(const char* line, bool refilled, OSErr refill) {
    if (mReadEnd != PPDReadEnd::kReading)
        return;
    mReadEndLine = mLineNumber;
    if (refill != noErr && refill != eofErr)
        mReadEnd = PPDReadEnd::kReadError;
    else if (EndOfFile() || Bad())
        mReadEnd = line[0] != '\0' || refilled ? PPDReadEnd::kNoLineEnd : PPDReadEnd::kEndOfFile;
    else if (static_cast<unsigned char>(mCurrent[-1]) == 0xFF)
        mReadEnd = PPDReadEnd::kByteFF;  // a 0xFF byte is consumed; 255 characters are not
    else
        mReadEnd = PPDReadEnd::kLongLine;
}

// The two pieces of a split line must fit the caller's 256-byte buffer under the same rule
// as any line: a joined line of 255 or more characters is refused like an overlong line
// (false, the first piece left in the buffer), so the result does not depend on where the
// piece boundary falls.
bool PPDFileStream::FixLine(char* line) {
    char scratch[kPPDLineBufferSize];
    if (!ReadLine(scratch))
        return false;
    size_t have = std::strlen(line);
    size_t more = std::strlen(scratch);
    if (have + more >= kPPDMaxLineChars)
        return false;
    std::memcpy(line + have, scratch, more + 1);
    return true;
}
