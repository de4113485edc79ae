// Vendor value statements: integer ranges ("*%ZEQRange", "*%ZEQUnitRange") inside a control
// block, and job notes ("*%ZEQJobNote") in their block and stand-alone forms, with the
// extension levels of the job-note words and the look-ahead for a default or code line.
#include <cstdlib>
#include <cstring>
#include <new>

#include "PPDObjects/PPDXGroup.h"
#include "PPDObjects/PPDXErrors.h"
#include "PPDObjects/PPDXGroups.h"
#include "PPDObjects/PPDXJobNote.h"
#include "PPDObjects/PPDXRangeControl.h"
#include "PPDUtils/PPDStream.h"
#include "foundation/CString.h"
#include "parser/ZEQPPD.h"
#include "platform/CFString.h"

namespace {

// Job-note words in table order; the index of a word is also its bit number.
const char* const kJobNoteWords[] = {
    "Alpha",         "Numeric", "Decimal",      "Required",   "Remembered", "Password",
    "AlwaysDisplay", "Resume",  "Member",       "OnOfSwitch", "LengthReq",  "SecPrint",
    "Command",       "Space",   "Negative",     "Encrypt",    "MultiSpace", "MultiComma",
    "LCD",           "Hyphen",  "TwoCharField", "NoComma",    "MinLength",
};
const int kJobNoteWordCount = sizeof kJobNoteWords / sizeof kJobNoteWords[0];
const char kMinLength[] = "MinLength";
const char kNotesGroup[] = "VPQWNotes";

int FindJobNoteWord(const char* word) {
    for (int i = 0; i < kJobNoteWordCount; ++i)
        if (std::strcmp(word, kJobNoteWords[i]) == 0)
            return i;
    return -1;
}

// Levels 0, 1 and 2 accept the words up to index 8, 11 and 14; any other level all of them.
bool WordAllowed(int index, _EXTENSIONS_SUPPORT_ level) {
    switch (level) {
        case 0:
            return index <= 8;
        case 1:
            return index <= 11;
        case 2:
            return index <= 14;
        default:
            return true;
    }
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The minimum length written after "MinLength": nothing 0, a non-digit first -1, one digit
// its value, two digits their number, a digit and a non-digit -3, three or more -2.
long MinLengthDigits(const char* digits) {
    const size_t length = std::strlen(digits);
    if (length == 0)
        return 0;
    if (!IsDigit(digits[0]))
        return -1;
    if (length == 1)
        return digits[0] - '0';
    if (length == 2)
        return IsDigit(digits[1]) ? (digits[0] - '0') * 10 + (digits[1] - '0') : -3;
    return -2;
}

unsigned char* CopyCode(const char* code, long length) {
    if (length < 1)
        return nullptr;
    unsigned char* block =
        static_cast<unsigned char*>(ZEQArena::Malloc(static_cast<size_t>(length)));
    if (block != nullptr)
        std::memcpy(block, code, static_cast<size_t>(length));
    return block;
}

}  // namespace

PPDXErrorObj* ZEQPPD::ParseRange(PPDStream& stream, const char* controlKeyword, PointerList& flags,
                                 PPDXGroup* group) {
    char keyword[kTokenBufferSize];
    if (!NextToken(stream, keyword, "/:", true) || keyword[0] == '\0')
        return NewError(7, "", false);
    if (std::strcmp(keyword, controlKeyword) != 0)
        return NewError(7, keyword, false);

    char translationText[kTokenBufferSize];
    if (!NextToken(stream, translationText, ":", false))
        return nullptr;

    stream.SkipWhiteSpace();
    char c = 0;
    if (stream.PeekChar() != '(' || !stream.GetChar(c))
        return NewError(7, controlKeyword, false);
    // The four numbers are read from the text up to the closing parenthesis, so that a list
    // with only three of them is refused rather than taking its default from the code.
    char list[kTokenBufferSize];
    size_t listLength = 0;
    while (stream.GetChar(c) && c != ')' && c != '\n' && c != '\r') {
        if (listLength + 1 < sizeof list)
            list[listLength++] = c;
    }
    list[listLength] = '\0';
    PPDStream listStream(list, static_cast<long>(listLength));
    long numbers[4];
    char token[kTokenBufferSize];
    for (long& number : numbers) {
        if (!NextToken(listStream, token, ";(;)", true))
            return NewError(7, controlKeyword, false);
        number = std::atol(token);
    }

    char postScript[kPostScriptValueLimit];
    const long length = GetPostscriptString(stream, postScript, sizeof postScript);
    unsigned char* code = nullptr;
    if (length < 1)
        RecordError(NewError(35, controlKeyword, false));
    else
        code = CopyCode(postScript, length);
    const long codeLength = code != nullptr ? length : 0;

    if (group == nullptr && !ParseOrphans()) {
        ZEQArena::Free(code);
        return NewError(21, controlKeyword, false);
    }

    const __CFString* converted = ConvertText(translationText);
    const __CFString* name = ElementName(converted);
    if (converted != nullptr)
        CFRelease(converted);
    const bool visible = true;
    PPDXRangeControl* control =
        name == nullptr ? nullptr
                        : new (std::nothrow) PPDXRangeControl(controlKeyword, name, flags, code,
                                                              codeLength, numbers[0], numbers[1],
                                                              numbers[2], numbers[3], visible);
    if (name != nullptr)
        CFRelease(name);
    if (control == nullptr) {
        ZEQArena::Free(code);
        return NewError(1, controlKeyword, false);
    }
    flags.MakeEmpty();
    if (SetupControl(group, control, true))
        IndexControl(controlKeyword, control);
    return nullptr;
}

PPDXErrorObj* ZEQPPD::ParseJobNote(PPDStream& stream, const char* controlKeyword,
                                   PointerList& flags, PPDXGroup* group) {
    return ParseJobNoteCommon(stream, controlKeyword, &flags, group, true);
}

PPDXErrorObj* ZEQPPD::ParseJobNote(PPDStream& stream) {
    return ParseJobNoteCommon(stream, nullptr, nullptr, nullptr, false);
}

PPDXErrorObj* ZEQPPD::ParseJobNoteCommon(PPDStream& stream, const char* controlKeyword,
                                         PointerList* flags, PPDXGroup* group, bool blockForm) {
    char keyword[kTokenBufferSize];
    const bool haveKeyword = NextToken(stream, keyword, "/:", true) && keyword[0] != '\0';
    if (blockForm) {
        if (!haveKeyword)
            return NewError(6, "", false);
        if (std::strcmp(keyword, controlKeyword) != 0)
            return NewError(6, keyword, false);
    } else if (!haveKeyword) {
        return NewError(6, nullptr, false);
    }

    char translationText[kTokenBufferSize];
    if (!NextToken(stream, translationText, ":", false))
        return nullptr;
    char word[kTokenBufferSize];
    if (!NextWord(stream, word))
        return nullptr;
    const long maxLength = std::atol(word);

    JobNoteFlag noteFlags = 0;
    long minLength = 0;
    const _EXTENSIONS_SUPPORT_ level = sExtensionsSupport;
    while (NextWord(stream, word)) {
        // In a control block "MinLength" carries the minimum length in the characters that
        // follow it; the stand-alone statement knows the bare word only.
        if (blockForm && std::strncmp(word, kMinLength, sizeof kMinLength - 1) == 0) {
            minLength = MinLengthDigits(word + sizeof kMinLength - 1);
            word[sizeof kMinLength - 1] = '\0';
        }
        const int index = FindJobNoteWord(word);
        if (index < 0)
            continue;
        if (!WordAllowed(index, level))
            return NewError(32, keyword, false);
        noteFlags |= static_cast<JobNoteFlag>(1u << index);
    }

    // The line after the statement may hold the default notes or the code. It is looked at
    // through a copy of the file stream, which sees only what the current buffer holds.
    CString* defaultNotes = nullptr;
    unsigned char* code = nullptr;
    long codeLength = 0;
    if (mFileStream != nullptr && !mReadFailed) {
        PPDStream peek(static_cast<const PPDStream&>(*mFileStream));
        char line[kTokenBufferSize];
        char lineKeyword[kTokenBufferSize];
        if (peek.GetLine(line)) {
            PPDStream lineStream(line, static_cast<long>(std::strlen(line)));
            if (NextToken(lineStream, lineKeyword, " \t:", true) && lineKeyword[0] != '\0') {
                if (std::strncmp(lineKeyword, "*%Default", 4) == 0) {
                    if (NextWord(lineStream, word))
                        defaultNotes = new (std::nothrow) CString(word);
                    ReadFileLine(line);  // consumed
                } else if (std::strlen(lineKeyword) >= 2 &&
                           std::strcmp(lineKeyword + 2, keyword + 1) == 0) {
                    // The code line is consumed first and read from the consumed copy, so
                    // that a value continued over further lines finds them in the file.
                    char consumed[kTokenBufferSize];
                    if (ReadFileLine(consumed)) {
                        PPDStream codeStream(consumed, static_cast<long>(std::strlen(consumed)));
                        NextToken(codeStream, lineKeyword, " \t:", true);
                        char postScript[kPostScriptValueLimit];
                        const long length =
                            GetPostscriptString(codeStream, postScript, sizeof postScript);
                        code = CopyCode(postScript, length);
                        codeLength = code != nullptr ? length : 0;
                    }
                }
            }
        }
    }

    PPDXGroup* noteGroup = blockForm ? group : nullptr;
    if (noteGroup == nullptr)
        noteGroup = FindGroupAnywhere(kNotesGroup);

    const __CFString* converted = ConvertText(translationText);
    const __CFString* name = ElementName(converted);
    if (converted != nullptr)
        CFRelease(converted);
    PointerList noFlags;
    PointerList& flagWords = flags != nullptr ? *flags : noFlags;
    const bool visible = true;
    PPDXJobNote* note =
        name == nullptr ? nullptr
                        : new (std::nothrow) PPDXJobNote(keyword, name, flagWords, code, codeLength,
                                                         defaultNotes, mLanguageEncoding, visible,
                                                         maxLength, noteFlags, minLength);
    if (name != nullptr)
        CFRelease(name);
    if (note == nullptr) {
        ZEQArena::Free(code);
        delete defaultNotes;
        return NewError(1, keyword, false);
    }
    flagWords.MakeEmpty();
    if (SetupControl(noteGroup, note, false))
        IndexControl(keyword, note);
    return nullptr;
}
