// Character streams over PPD text: PPDStream reads a block of text in memory, PPDFileStream
// fills one reusable block from a PPDFile piece by piece and hands the file out line by line.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/MacTypes.h"

class PPDFile;

// Longest line (characters before the terminator) that GetLine stores, and the size of every
// line and token buffer of the parser.
inline constexpr size_t kPPDMaxLineChars = 255;
inline constexpr size_t kPPDLineBufferSize = 256;

// Read cursor over text the stream does not own.
class PPDStream {
public:
    enum { kGood = 0, kBad = 1, kEndOfFile = 2 };

    PPDStream();
    PPDStream(const char* text, long length);
    PPDStream(const PPDStream& other);
    PPDStream& operator=(const PPDStream& other) = default;
    virtual ~PPDStream();

    // Points the stream at `length` bytes of `text`; null text or length below 1 only marks
    // the stream bad and leaves the read position where it was.
    void Setup(const char* text, long length);

    // Next character; at the end delivers 0xFF, sets end of file and returns false.
    bool GetChar(char& c) {
        if (mCurrent == nullptr || mCurrent >= mEnd) {
            c = static_cast<char>(-1);
            mStatus = kEndOfFile;
            return false;
        }
        c = *mCurrent++;
        mStatus = kGood;
        return true;
    }
    // The character at the read position, or 0xFF at the end; changes nothing.
    char PeekChar() const {
        return (mCurrent == nullptr || mCurrent >= mEnd) ? static_cast<char>(-1) : *mCurrent;
    }
    // Advances over spaces and tabs.
    void SkipWhiteSpace();

    // Direct access for scanners that read many characters at once (the tokenizer): the
    // read position and the end of the text, and the move to a new position. A scanner
    // that reads as GetChar would leaves the status GetChar would: good after a consumed
    // character, end of file after running into the end.
    const char* Cursor() const { return mCurrent; }
    const char* Limit() const { return mEnd; }
    void MoveTo(const char* position, int32_t status) {
        mCurrent = position;
        mStatus = status;
    }

    // Copies the next line (at most 255 characters) into `line`, which must hold 256 bytes,
    // and terminates it. True only when the line ended at CR, LF or CR LF.
    virtual bool GetLine(char* line);

    int32_t Status() const { return mStatus; }
    bool EndOfFile() const { return mStatus == kEndOfFile; }
    bool Good() const { return mStatus == kGood; }
    bool Bad() const { return mStatus == kBad; }

protected:
    // The line reader without the virtual dispatch, shared with PPDFileStream.
    bool ReadLine(char* line);

    const char* mBegin;
    const char* mEnd;
    const char* mCurrent;
    int32_t mStatus;
};

// Why a file stream's GetLine first returned false: the file's end, or a stop before it.
enum class PPDReadEnd : uint8_t {
    kReading,    // GetLine has not returned false yet
    kEndOfFile,  // the file ended after a complete line
    kNoLineEnd,  // the last line has no line end, so it was not returned
    kLongLine,   // a line of 255 or more characters
    kByteFF,     // a 0xFF byte
    kReadError,  // the file could not be read further
};

// Stream over a PPD file, filled from its data fork into one owned Memory Manager block.
// Beside the lines it keeps count of line numbers and notes where and why reading stopped,
// for diagnostics; neither changes what is read.
class PPDFileStream : public PPDStream {
public:
    enum { kChunkSize = 10000 };

    // `chunked` reads the file in 10000-byte pieces (the parser's mode); otherwise the whole
    // data fork is read at once when memory allows.
    PPDFileStream(PPDFile* file, bool chunked);
    ~PPDFileStream() override;

    PPDFileStream(const PPDFileStream&) = delete;
    PPDFileStream& operator=(const PPDFileStream&) = delete;

    // Reads the next piece of the file into the buffer and points the stream at it.
    OSErr Setup();

    bool GetLine(char* line) override;
    // Completes a line that the end of the buffer cut: reads the rest from the next piece.
    bool FixLine(char* line);

    // 1-based number of the line GetLine last returned (1 before the first call). Lines end
    // at LF, CR or CR LF, also those read character by character before a GetLine.
    int32_t LineNumber() const { return mLineNumber; }
    // Why GetLine first returned false, and the number of that line; kReading and 0 while it
    // has not.
    PPDReadEnd ReadEnd() const { return mReadEnd; }
    int32_t ReadEndLine() const { return mReadEndLine; }
    // The first line that held a NUL byte (its text ends there), 0 when none did.
    int32_t NulLine() const { return mNulLine; }

private:
    // GetLine after the line reader returned false: a stop, or a line that goes on in the
    // next piece of the file.
    bool EndOfLines(char* line);
    // Adds the line ends of the text read since the last count to the line numbers.
    void CountLineEnds();
    // Notes the first NUL byte once GetLine has read past it.
    void NoteNul();
    // Records why GetLine returned false for `line`, unless a reason is recorded already.
    void NoteStop(const char* line, bool refilled, OSErr refill);

    Handle mBuffer;
    Boolean mTemporary;
    Boolean mChunked;
    PPDFile* mFile;

    const char* mCounted;  // the line ends before this point of the buffer are counted
    const char* mNul;      // the first NUL byte not yet read past, or null
    int32_t mNextLine;     // number of the line the next GetLine starts in
    int32_t mLineNumber;
    int32_t mReadEndLine;
    int32_t mNulLine;
    PPDReadEnd mReadEnd;
};
