// PPDXJobNote: the note text, its code (substituted PPD code or a DSC comment line) and the
// output converter shared by every job note of the process.
#include "PPDObjects/PPDXJobNote.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "PPDUtils/TextConverter.h"
#include "foundation/CString.h"

TextConverter* PPDXJobNote::mOutConverter = nullptr;
long PPDXJobNote::mOutConverterRefs = 0;

namespace {
// Counts the resets of the shared converter, so that notes that joined before a reset do not
// take references from the converter made after it.
unsigned long sConverterGeneration = 0;

int32_t To32(long value) {
    if (value > INT32_MAX) {
        return INT32_MAX;
    }
    if (value < INT32_MIN) {
        return INT32_MIN;
    }
    return static_cast<int32_t>(value);
}
}  // namespace

void PPDXJobNote::ResetSharedConverter() {
    delete mOutConverter;
    mOutConverter = nullptr;
    mOutConverterRefs = 0;
    ++sConverterGeneration;
}

PPDXJobNote::PPDXJobNote()
    : PPDXControl(),
      mNotes(nullptr),
      mMaxLength(0),
      mMinLength(0),
      mFlags(0),
      mDefaultNotes(nullptr),
      mNotesOn(false),
      mNoteCode(nullptr),
      mNoteCodeLength(0),
      mJoinedConverter(false),
      mConverterGeneration(0) {
    mType = kJobNoteControl;
}

PPDXJobNote::PPDXJobNote(const char* keyword, CFStringRef inLocalName, PointerList& flagWords,
                         unsigned char* code, const long& codeLength, CString* defaultNotes,
                         CString* languageEncoding, const bool& visible, const long& maxLength,
                         const JobNoteFlag& flags, const long& minLength)
    : PPDXControl(keyword, inLocalName, flagWords, code, codeLength, visible),
      mNotes(nullptr),
      mMaxLength(To32(maxLength)),
      mMinLength(To32(minLength)),
      mFlags(flags),
      mDefaultNotes(defaultNotes),
      mNotesOn(false),
      mNoteCode(nullptr),
      mNoteCodeLength(0),
      mJoinedConverter(false),
      mConverterGeneration(0) {
    mType = kJobNoteControl;
    if (defaultNotes != nullptr) {
        mNotes = new (std::nothrow) CString(*defaultNotes);
    }
    JoinSharedConverter(languageEncoding);
}

void PPDXJobNote::JoinSharedConverter(const CString* languageEncoding) {
    if (mJoinedConverter) {
        return;
    }
    if (mOutConverter == nullptr) {
        // The system's text encoding: the system script with no language and no region
        // preference, as the converter class itself determines it.
        unsigned long systemEncoding = TextConverter::GetCurrentEncoding();
        const char* name =
            languageEncoding != nullptr ? static_cast<const char*>(*languageEncoding) : nullptr;
        unsigned long ppdEncoding =
            name != nullptr ? TextConverter::LanguageStringToEncoding(name) : 0xFFFF;
        mOutConverter = new (std::nothrow) TextConverter(systemEncoding, ppdEncoding);
        // Without a converter this note stays out of the count; the next job note tries again.
        if (mOutConverter == nullptr) {
            return;
        }
        mOutConverterRefs = 1;
    } else {
        ++mOutConverterRefs;
    }
    mJoinedConverter = true;
    mConverterGeneration = sConverterGeneration;
}

PPDXJobNote::~PPDXJobNote() {
    delete mNotes;
    delete mDefaultNotes;
    DiscardNoteCode();
    if (mJoinedConverter && mConverterGeneration == sConverterGeneration && mOutConverterRefs > 0) {
        if (--mOutConverterRefs == 0) {
            delete mOutConverter;
            mOutConverter = nullptr;
        }
    }
}

void PPDXJobNote::DiscardNoteCode() {
    ZEQArena::Free(mNoteCode);
    mNoteCode = nullptr;
    mNoteCodeLength = 0;
}

const char* PPDXJobNote::GetNotes() const {
    return mNotes != nullptr ? static_cast<const char*>(*mNotes) : nullptr;
}

void PPDXJobNote::SetNotes(const char* text) {
    DiscardNoteCode();
    if (mNotes == nullptr) {
        // A null text with no string leaves the note without text.
        if (text != nullptr) {
            mNotes = new (std::nothrow) CString(text);
        }
    } else {
        mNotes->SetBuffer(text);
    }
}

const char* PPDXJobNote::GetDefaultNotes() const {
    return mDefaultNotes != nullptr ? static_cast<const char*>(*mDefaultNotes) : nullptr;
}

void PPDXJobNote::ResetToDefaultValue() {
    SetNotes(GetDefaultNotes());
}

bool PPDXJobNote::OkayToDisplay(const _DISPLAY_OPTIONS_& options) {
    if (options == 0 || options == kDisplayIncludeOrphans) {
        return mVisible;
    }
    return true;
}

long PPDXJobNote::BuildPDLString(const char* text) {
    DiscardNoteCode();
    if (text == nullptr) {
        text = "";
    }
    const char* prefix = nullptr;
    if (Resume()) {
        prefix = "%%PersPassword: ";
    } else if (IsMember()) {
        prefix = "%%DeptPassword: ";
    } else if (*this == "*Notes1") {
        prefix = "%%ZEQCustom1: ";
    } else if (*this == "*Notes2") {
        prefix = "%%ZEQCustom2: ";
    } else if (*this == "*Instruc") {
        prefix = "%%ZEQCustom3: ";
    }
    const char* body = prefix != nullptr ? text : "";
    if (prefix == nullptr) {
        prefix = "%%EmptyOption\n";
    }
    const size_t prefixLength = strlen(prefix);
    const size_t bodyLength = strlen(body);
    // The note code length is a 32-bit field: a text too long for it gives no code.
    if (bodyLength > static_cast<size_t>(INT32_MAX) - prefixLength - 1) {
        return 0;
    }
    const size_t length = prefixLength + bodyLength + 1;
    unsigned char* code = static_cast<unsigned char*>(malloc(length));
    if (code == nullptr) {
        return 0;
    }
    memcpy(code, prefix, prefixLength);
    memcpy(code + prefixLength, body, bodyLength);
    code[length - 1] = '\n';
    mNoteCode = code;
    mNoteCodeLength = static_cast<int32_t>(length);
    return mNoteCodeLength;
}

long PPDXJobNote::PostScript(unsigned char* buffer) {
    const char* text = GetNotes();
    const char* keyword = Keyword();
    if (text == nullptr || keyword == nullptr) {
        return 0;
    }
    if (mNoteCode == nullptr) {
        mNoteCodeLength = 0;
        const size_t textLength = strlen(text);
        const size_t cutLength =
            textLength > kMaxSubstitutionLength ? kMaxSubstitutionLength : textLength;
        char cut[kMaxSubstitutionLength + 1];
        memcpy(cut, text, cutLength);
        cut[cutLength] = '\0';
        if (mCode != nullptr && mCodeLength >= 1) {
            InjectCode(keyword, cut, mNoteCode, mNoteCodeLength);
        } else {
            BuildPDLString(cut);
        }
    }
    return GeneratePSOutputData(buffer, mNoteCode, mNoteCodeLength, text, true);
}
