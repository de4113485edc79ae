// PPDXJobNote: a free-text job note (operator note, instruction, account, password) with its
// limits, flag word and the DSC comment or substituted code it emits.
#pragma once

#include <cstdint>

#include "PPDObjects/PPDXControl.h"

class CString;
class TextConverter;

// The job-note flag word; the PPD word of each bit is given beside it.
typedef uint32_t JobNoteFlag;
enum : uint32_t {
    kJobNoteAlpha = 0x1,              // "Alpha"
    kJobNoteNumeric = 0x2,            // "Numeric"
    kJobNoteDecimal = 0x4,            // "Decimal"
    kJobNoteRequired = 0x8,           // "Required"
    kJobNoteRemembered = 0x10,        // "Remembered"
    kJobNotePassword = 0x20,          // "Password"
    kJobNoteAlwaysDisplay = 0x40,     // "AlwaysDisplay"
    kJobNoteResume = 0x80,            // "Resume"
    kJobNoteMember = 0x100,           // "Member"
    kJobNoteOnOffSwitch = 0x200,      // "OnOfSwitch"
    kJobNoteLengthReq = 0x400,        // "LengthReq"
    kJobNoteSecPrint = 0x800,         // "SecPrint"
    kJobNoteCommand = 0x1000,         // "Command"
    kJobNoteSpace = 0x2000,           // "Space"
    kJobNoteNegative = 0x4000,        // "Negative"
    kJobNoteEncrypt = 0x8000,         // "Encrypt"
    kJobNoteMultiSpace = 0x10000,     // "MultiSpace"
    kJobNoteMultiComma = 0x20000,     // "MultiComma"
    kJobNoteLCD = 0x40000,            // "LCD"
    kJobNoteHyphen = 0x80000,         // "Hyphen"
    kJobNoteTwoCharField = 0x100000,  // "TwoCharField"
    kJobNoteNoComma = 0x200000,       // "NoComma"
    kJobNoteMinLength = 0x400000,     // "MinLength"
    // Character classes: a note with none of them accepts any text.
    kJobNoteCharacterClasses = 0x36007,
};

class PPDXJobNote final : public PPDXControl {
public:
    // Longest part of the text that goes into the note code.
    static const long kMaxSubstitutionLength = 511;

    // Shared by every job note of the process: the converter from the system encoding to the
    // PPD's language encoding, made with the first job note and deleted with the last one.
    static TextConverter* mOutConverter;
    static long mOutConverterRefs;
    // Deletes the shared converter and sets the count to 0, whatever job notes are alive
    // (they then leave it without touching the count). For tests that need a known start.
    static void ResetSharedConverter();

    // Type 1, every field null, 0 or false; does not join the shared converter.
    PPDXJobNote();
    // Takes ownership of `defaultNotes` (the notes start as a separate copy of it); only reads
    // `languageEncoding` (the caller keeps it) to make the shared converter when this is the
    // first job note, otherwise adds a reference to it.
    PPDXJobNote(const char* keyword, CFStringRef inLocalName, PointerList& flagWords,
                unsigned char* code, const long& codeLength, CString* defaultNotes,
                CString* languageEncoding, const bool& visible, const long& maxLength,
                const JobNoteFlag& flags, const long& minLength);
    ~PPDXJobNote() override;
    // ---- settings cache (settings/ControlCache.cpp) ----
    // Joins the shared converter like the parsing constructor; only reads `languageEncoding`.
    PPDXJobNote(Settings& settings, const long& id, CString* languageEncoding);
    OSErr Save(Settings& settings, const long& id) override;
    OSErr Restore(Settings& settings, const long& id) override;
    // ---- end of settings cache ----

    const char* GetNotes() const;
    // Drops the note code, then copies `text` (null leaves no text).
    void SetNotes(const char* text);
    const char* GetDefaultNotes() const;
    void ResetToDefaultValue() override;
    bool GetNotesOnValue() const { return mNotesOn; }
    void SetNotesOnValue(bool on) { mNotesOn = on; }
    long MaxLength() const { return mMaxLength; }
    long MinLength() const { return mMinLength; }
    JobNoteFlag Flags() const { return mFlags; }

    bool IsAlpha() const { return (mFlags & kJobNoteAlpha) != 0; }
    bool IsNumeric() const { return (mFlags & kJobNoteNumeric) != 0; }
    bool IsDecimal() const { return (mFlags & kJobNoteDecimal) != 0; }
    bool IsRequired() const { return (mFlags & kJobNoteRequired) != 0; }
    bool Remember() const { return (mFlags & kJobNoteRemembered) != 0; }
    bool IsPassword() const { return (mFlags & kJobNotePassword) != 0; }
    bool AlwaysDisplay() const { return (mFlags & kJobNoteAlwaysDisplay) != 0; }
    bool Resume() const { return (mFlags & kJobNoteResume) != 0; }
    bool IsMember() const { return (mFlags & kJobNoteMember) != 0; }
    bool IsOnOffSwitch() const { return (mFlags & kJobNoteOnOffSwitch) != 0; }
    bool IsLengthReq() const { return (mFlags & kJobNoteLengthReq) != 0; }
    bool IsSecPrint() const { return (mFlags & kJobNoteSecPrint) != 0; }
    bool IsSpace() const { return (mFlags & kJobNoteSpace) != 0; }
    bool IsNegative() const { return (mFlags & kJobNoteNegative) != 0; }
    bool IsEncrypt() const { return (mFlags & kJobNoteEncrypt) != 0; }
    bool IsMultiSpace() const { return (mFlags & kJobNoteMultiSpace) != 0; }
    bool IsMultiComma() const { return (mFlags & kJobNoteMultiComma) != 0; }
    bool IsLCD() const { return (mFlags & kJobNoteLCD) != 0; }
    bool IsHyphen() const { return (mFlags & kJobNoteHyphen) != 0; }
    bool IsTwoCharFields() const { return (mFlags & kJobNoteTwoCharField) != 0; }
    bool IsNoComma() const { return (mFlags & kJobNoteNoComma) != 0; }
    bool IsAnyText() const { return (mFlags & kJobNoteCharacterClasses) == 0; }

    // Options 0 or 1: the visible flag; otherwise true. Never refused for being an orphan.
    bool OkayToDisplay(const _DISPLAY_OPTIONS_& options) override;
    // Makes the note code from one DSC comment line chosen by flags and keyword; returns its
    // length.
    long BuildPDLString(const char* text);
    // Feature block with the whole text as option; nothing without a text or a keyword.
    long PostScript(unsigned char* buffer) override;

protected:
    // Makes the shared converter for `languageEncoding` or adds a reference to it.
    void JoinSharedConverter(const CString* languageEncoding);
    void DiscardNoteCode();

    CString* mNotes;  // owned, may be null
    int32_t mMaxLength;
    int32_t mMinLength;
    JobNoteFlag mFlags;
    CString* mDefaultNotes;  // owned, may be null; separate from mNotes
    bool mNotesOn;
    unsigned char* mNoteCode;  // owned (ZEQArena::Free) cache of the emitted code, may be null
    int32_t mNoteCodeLength;
    // Whether this note holds a reference to the shared converter, and of which generation
    // (ResetSharedConverter starts a new one).
    bool mJoinedConverter;
    unsigned long mConverterGeneration;
};
