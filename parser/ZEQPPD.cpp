// ZEQPPD driver: construction and destruction of a parsed PPD, the statement loop and its
// dispatch, vendor main keywords, the header test, control blocks, and the class-wide options.
#include "parser/ZEQPPD.h"

#include <cstring>
#include <new>

#include "PPDObjects/PPDXGroup.h"
#include "PPDObjects/PPDXRollDown.h"
#include "PPDObjects/PPDXProperty.h"
#include "PPDObjects/PPDXControl.h"
#include "PPDObjects/PPDXControls.h"
#include "PPDObjects/PPDXErrors.h"
#include "PPDObjects/PPDXGroups.h"
#include "PPDObjects/PPDXProperties.h"
#include "PPDObjects/PPDXShortcuts.h"
#include "PPDUtils/CStringSoup.h"
#include "PPDUtils/FileMac.h"
#include "PPDUtils/KeywordTo_PPDControl.h"
#include "PPDUtils/PPDStream.h"
#include "PPDUtils/TextConverter.h"
#include "foundation/CString.h"
#include "parser/UIConstraints.h"
#include "parser/ZEQPPDIndex.h"
#include "platform/CFString.h"

_DISPLAY_OPTIONS_ ZEQPPD::sDisplayOptions = 0;
_EXTENSIONS_SUPPORT_ ZEQPPD::sExtensionsSupport = 0xFFFFFFFFu;

namespace {

const char kAdobeLine[] = "*PPD-Adobe";
const char kAdobeVersLine[] = "4.3";
const char kInstallableOptions[] = "InstallableOptions";

// The four spellings that open and the four that close a UI block.
bool IsOpenUIKeyword(const char* keyword) {
    return std::strcmp(keyword, "*OpenUI") == 0 || std::strcmp(keyword, "*QWOpenUI") == 0 ||
           std::strcmp(keyword, "*OpenUIZEQ") == 0 || std::strcmp(keyword, "*BeginUI") == 0;
}

// Saves the display options, admits every element, and puts the saved value back.
class AllElementsVisible {
public:
    AllElementsVisible() : mSaved(ZEQPPD::Options()) { ZEQPPD::Options(kDisplayAll); }
    ~AllElementsVisible() { ZEQPPD::Options(mSaved); }
    AllElementsVisible(const AllElementsVisible&) = delete;
    AllElementsVisible& operator=(const AllElementsVisible&) = delete;

private:
    _DISPLAY_OPTIONS_ mSaved;
};

}  // namespace

// ---- construction ----

void ZEQPPD::InitFields(const _PARSE_OPTIONS_& options) {
    mParseOptions = options;
    mProperties = nullptr;
    mGroups = nullptr;
    mControls = nullptr;
    mShortcuts = nullptr;
    mInInstallableOptions = false;
    mInstallableRollDown = nullptr;
    mQWFileVersion = nullptr;
    mQWVersion = nullptr;
    mKeywordIndex = nullptr;
    mConstraints = nullptr;
    mRequires = nullptr;
    mState = nullptr;
    mFileStream = nullptr;
    mReadFailed = false;
    mReadStop = ZEQReadStop();
    mIsCopy = false;
}

ZEQPPD::ZEQPPD(const __CFURL* url, const _PARSE_OPTIONS_& options, const __CFArray* pcFileNames)
    : PPDX(url, pcFileNames) {
    InitFields(options);
    if (IsValidPrinterName())
        Build();
}

ZEQPPD::ZEQPPD(const FSSpec& spec, const _PARSE_OPTIONS_& options, const __CFArray* pcFileNames)
    : PPDX(spec, pcFileNames) {
    InitFields(options);
    if (IsValidPrinterName())
        Build();
}

ZEQPPD::ZEQPPD(const _PARSE_OPTIONS_& options) : PPDX() {
    InitFields(options);
    Build();
}

// A copy shares every element with its source. It never deletes them: the source owns the
// model, so destroying the copy must leave the source's elements alone.
ZEQPPD::ZEQPPD(const ZEQPPD& other)
    : PPDX(other),
      mParseOptions(other.mParseOptions),
      mProperties(other.mProperties),
      mGroups(other.mGroups),
      mControls(other.mControls),
      mShortcuts(other.mShortcuts),
      mInInstallableOptions(other.mInInstallableOptions),
      mInstallableRollDown(other.mInstallableRollDown),
      mQWFileVersion(other.mQWFileVersion),
      mQWVersion(other.mQWVersion),
      mShortcutKeywords(other.mShortcutKeywords),
      mGroupNames(other.mGroupNames),
      mKeywordIndex(other.mKeywordIndex),
      mConstraints(other.mConstraints),
      mRequires(other.mRequires),
      mState(nullptr),
      mFileStream(nullptr),
      mReadStop(other.mReadStop),
      mIsCopy(true) {}

ZEQPPD::~ZEQPPD() {
    if (mIsCopy) {
        // The work lists hold the source's entries; only the nodes of this copy go.
        mShortcutKeywords.MakeEmpty();
        mGroupNames.MakeEmpty();
        // The base part of a copy shares the file, the errors, the main-keyword strings and
        // the converter of the source as well: they stay with the source.
        mFile = nullptr;
        mErrors = nullptr;
        mFormatVersion = nullptr;
        mFileVersion = nullptr;
        mPCFileName = nullptr;
        mLanguageVersion = nullptr;
        mLanguageEncoding = nullptr;
        mModelName = nullptr;
        mTextConverter = nullptr;
        return;
    }
    {
        // The model's own blocks are settled in one step rather than one by one.
        ZEQArena::Scope teardown(mArena, false);
        DeleteConstraintMaps();
        DeleteModel();
    }
    // Blocks still held (the base part's strings, texts a client retained) keep the arena
    // alive until they go.
    if (mArena != nullptr)
        mArena->Release();
}

void ZEQPPD::DeleteModel() {
    delete mKeywordIndex;
    mKeywordIndex = nullptr;
    {
        AllElementsVisible all;
        if (mProperties != nullptr) {
            for (PPDXProperty* page = mProperties->First(); page != nullptr;
                 page = mProperties->Next())
                delete page;
            delete mProperties;
            mProperties = nullptr;
        }
        if (mGroups != nullptr) {
            for (PPDXGroup* group = mGroups->First(); group != nullptr; group = mGroups->Next())
                delete group;
            delete mGroups;
            mGroups = nullptr;
        }
        if (mControls != nullptr) {
            CNTL_TYPE type = kUnknownControl;
            for (PPDXControl* control = mControls->First(type); control != nullptr;
                 control = mControls->Next(type))
                delete control;
            delete mControls;
            mControls = nullptr;
        }
    }
    mInstallableRollDown = nullptr;
    delete mQWFileVersion;
    mQWFileVersion = nullptr;
    delete mQWVersion;
    mQWVersion = nullptr;
    delete mShortcuts;
    mShortcuts = nullptr;
    ClearStringList(mShortcutKeywords);
    ClearGroupNameList();
}

void ZEQPPD::Build() {
    mProperties = new (std::nothrow) PPDXProperties();
    mGroups = new (std::nothrow) PPDXGroups();
    mControls = new (std::nothrow) PPDXControls();
    // The pool is process-wide: the one a previous model installed is reached by nobody but
    // this pointer, so it is released here rather than leaked.
    delete gConstraintStrings;
    gConstraintStrings = new (std::nothrow) CStringSoup();
    mKeywordIndex = new (std::nothrow) KeywordTo_PPDControl();
    mConstraints = new (std::nothrow) ConstraintForest();
    mRequires = new (std::nothrow) ConstraintForest();

    if (mArena == nullptr)
        mArena = ZEQArena::Create();
    ZEQArena::Scope arena(mArena);
    if (mFile != nullptr) {
        // The statement loop handles a failed allocation itself; this is the last boundary,
        // so that no std::bad_alloc leaves the constructor with a half-built model that no
        // destructor would release. The model is left as far as it got, with error 1.
        try {
            Parse();
        } catch (const std::bad_alloc&) {
            // The parse's own state goes too, should the failure have come from outside
            // the statement loop.
            mStream = nullptr;
            delete mFileStream;
            mFileStream = nullptr;
            delete mState;
            mState = nullptr;
            ClearStringList(mShortcutKeywords);
            ClearGroupNameList();
            RecordError(NewError(1, nullptr, true));
        }
    }

    if (mErrors != nullptr) {
        AllElementsVisible all;
        if (mProperties == nullptr || mProperties->Empty())
            RecordError(NewError(25, nullptr, false));
        if (mGroups == nullptr || mGroups->Empty())
            RecordError(NewError(26, nullptr, false));
        if (mControls == nullptr || mControls->Empty())
            RecordError(NewError(27, nullptr, false));
    }
}

// ---- small helpers ----

PPDXErrorObj* ZEQPPD::NewError(short number, const char* keyword, bool fatal) {
    const short n = number;
    const bool f = fatal;
    if (keyword == nullptr)
        return new (std::nothrow) PPDXErrorObj(n, f);
    return new (std::nothrow) PPDXErrorObj(n, CString(keyword), f);
}

void ZEQPPD::RecordError(PPDXErrorObj* error) {
    if (error == nullptr)
        return;
    // While the file is read, an error is recorded at the line last read.
    if (mFileStream != nullptr && error->LineNumber() == 0)
        error->SetLineNumber(mFileStream->LineNumber());
    if (mErrors != nullptr)
        mErrors->Add(error);
    else
        delete error;
}

// The statement parsers' own reading of the next line: NextStreamLine's rule, without its
// call through the base part on every line of a block.
bool ZEQPPD::ReadFileLine(char* line) {
    line[0] = '\0';
    if (mFileStream == nullptr || mReadFailed)
        return false;
    if (!mFileStream->GetLine(line)) {
        mReadFailed = true;
        return false;
    }
    return true;
}

// Double quotes around a word list are optional and "||" holds an empty word, so an empty
// token (a delimiter right after another one) does not end the list: only the end of the
// statement does. Every token read consumes at least one character, so the loop ends.
bool ZEQPPD::NextWord(PPDStream& stream, char* word) {
    for (;;) {
        if (NextToken(stream, word, "|:\"", true)) {
            if (word[0] != '\0')
                return true;
        } else if (stream.Cursor() == nullptr || stream.Cursor() >= stream.Limit()) {
            return false;
        }
    }
}

const __CFString* ZEQPPD::ConvertText(const char* text) {
    TextConverter* converter = mTextConverter != nullptr ? mTextConverter : FallbackConverter();
    if (converter == nullptr)
        return nullptr;
    return converter->ConvertToCFString(text != nullptr ? text : "", 256);
}

// The model's text converter is made once both *LanguageVersion and *LanguageEncoding are
// known. Translations read before that (a PPD that declares them late, or never) would lose
// their names, so they are read in the declared *LanguageEncoding, or, with none declared,
// in ISOLatin1, the PPD format's default encoding. This converter serves the parse only: the
// model's own converter, and the encoding it reports, stay as they are.
TextConverter* ZEQPPD::FallbackConverter() {
    if (mState == nullptr)
        return nullptr;
    const char* declared = LanguageEncoding();
    const char* name = declared != nullptr ? declared : "";
    if (mState->fallbackConverter == nullptr || mState->fallbackEncoding != name) {
        unsigned long encoding = declared != nullptr
                                     ? TextConverter::LanguageStringToEncoding(declared)
                                     : static_cast<unsigned long>(kTextEncodingISOLatin1);
        mState->fallbackConverter.reset(
            new (std::nothrow) TextConverter(encoding, TextConverter::GetCurrentEncoding()));
        mState->fallbackEncoding = name;
    }
    return mState->fallbackConverter.get();
}

// Elements need a user name; a translation that could not be made (no text converter yet)
// becomes an empty string. Returns a new reference either way.
const __CFString* ZEQPPD::ElementName(const __CFString* translation) {
    if (translation != nullptr) {
        CFRetain(translation);
        return translation;
    }
    return CFStringCreateWithCString(nullptr, "", kCFStringEncodingMacRoman);
}

bool ZEQPPD::ParseOrphans() const {
    return (mParseOptions & kParseKeepOrphans) != 0;
}

bool ZEQPPD::ParseHidden() const {
    return (mParseOptions & kParseKeepHidden) != 0;
}

// ---- statement loop ----

void ZEQPPD::Parse() {
    if (mProperties == nullptr || mGroups == nullptr || mControls == nullptr) {
        if (mErrors != nullptr)
            RecordError(NewError(1, nullptr, true));
        return;
    }
    if (mFile == nullptr) {
        if (mKeywordIndex != nullptr)
            mKeywordIndex->EndInsertion();
        return;
    }
    PPDFileStream* fileStream = new (std::nothrow) PPDFileStream(mFile, true);
    if (fileStream == nullptr || fileStream->Bad()) {
        delete fileStream;
        RecordError(NewError(18, nullptr, true));
        if (mKeywordIndex != nullptr)
            mKeywordIndex->EndInsertion();
        return;
    }
    ParseState* state = new (std::nothrow) ParseState();
    if (state == nullptr) {
        delete fileStream;
        RecordError(NewError(1, nullptr, true));
        if (mKeywordIndex != nullptr)
            mKeywordIndex->EndInsertion();
        return;
    }
    mState = state;
    mFileStream = fileStream;
    mReadFailed = false;
    mStream = fileStream;

    PPDXErrorObj* headerError = nullptr;
    char token[kTokenBufferSize];
    if (NextToken(*fileStream, token, " \t:", true))
        headerError = TestPPDFile(*fileStream, token);
    if (headerError != nullptr)
        headerError->SetLineNumber(fileStream->LineNumber());

    char line[kTokenBufferSize];
    char keyword[kTokenBufferSize];
    while (headerError == nullptr && !mReadFailed) {
        if (!fileStream->GetLine(line))
            break;
        if (line[0] == '\0')
            continue;
        PPDStream lineStream(line, static_cast<long>(std::strlen(line)));
        if (!NextToken(lineStream, keyword, " \t:", true) || keyword[0] == '\0')
            continue;

        // Where a statement that runs into a stop of the reading began, for the diagnostics.
        const int32_t statementLine = fileStream->LineNumber();
        const bool reading = fileStream->ReadEnd() == PPDReadEnd::kReading;
        PPDXErrorObj* error = nullptr;
        // A standard container that cannot grow throws std::bad_alloc. That is caught here,
        // once per statement: the statement parsers release what they built on the way out,
        // and the parse stops with a fatal "out of memory" (error 1) naming the statement.
        try {
            error = ParseStatement(lineStream, keyword);
        } catch (const std::bad_alloc&) {
            error = NewError(1, keyword, true);
            if (error == nullptr) {
                break;
            }
        }

        if (reading && fileStream->ReadEnd() != PPDReadEnd::kReading)
            mReadStop.statementLine = statementLine;
        if (error != nullptr) {
            const bool stop = error->IsFatal() || mAllErrorsFatal;
            RecordError(error);
            if (stop)
                break;
        }
    }

    mReadStop.end = fileStream->ReadEnd();
    mReadStop.line = fileStream->ReadEndLine();
    mReadStop.nulLine = fileStream->NulLine();
    // Errors from here on concern the whole file, not the line last read: they get no line.
    mFileStream = nullptr;

    // Shortcuts and orphan groups are made only from a complete file; when memory runs out
    // here the model keeps what it has and the parse records the failure.
    try {
        ResolveShortcuts();
        CollectOrphanGroups();
    } catch (const std::bad_alloc&) {
        RecordError(NewError(1, nullptr, true));
    }
    ClearStringList(mShortcutKeywords);
    ClearGroupNameList();
    mStream = nullptr;
    delete fileStream;
    mState = nullptr;
    delete state;
    RecordError(headerError);
    if (mKeywordIndex != nullptr)
        mKeywordIndex->EndInsertion();
}

PPDXErrorObj* ZEQPPD::ParseStatement(PPDStream& lineStream, const char* keyword) {
    PPDXErrorObj* error = nullptr;
    {
        if (keyword[0] == '*' && keyword[1] == '%') {
            const char* k = keyword + 2;
            if (std::strcmp(k, "ZEQUIConstraints") == 0)
                error = ParseUIConstraint(lineStream, false);
            else if (std::strcmp(k, "ZEQPropPage") == 0)
                error = ParsePropertyPage(lineStream);
            else if (std::strcmp(k, "ZEQGroupName") == 0)
                error = ParseGroupName(lineStream);
            else if (std::strcmp(k, "ZEQParent") == 0)
                error = ParseParent(lineStream);
            else if (std::strcmp(k, "ZEQFlags") == 0)
                error = ParseControl(lineStream);
            else if (std::strcmp(k, "QWShortcut") == 0)
                error = ParseShortcut(lineStream);
            else if (std::strcmp(k, "ZEQSpecialOption") == 0)
                error = ParseSpecialOption(lineStream);
            else if (std::strcmp(k, "ZEQJobNote") == 0)
                error = ParseJobNote(lineStream);
            else if (std::strcmp(k, "ZEQUIRequires") == 0)
                error = ParseUIConstraint(lineStream, true);
            else
                error = ParsePSKeywords(lineStream, keyword);
        } else if (std::strcmp(keyword, "*UIConstraints") == 0) {
            error = ParseUIConstraint(lineStream, false);
        } else {
            error = ParsePSKeywords(lineStream, keyword);
        }
    }
    return error;
}

PPDXErrorObj* ZEQPPD::ParsePSKeywords(PPDStream& stream, const char* keyword) {
    char token[kTokenBufferSize];
    if (std::strcmp(keyword, "*%QWFileVersion") == 0) {
        if (NextToken(stream, token, "\n\r", true)) {
            CString* value = new (std::nothrow) CString(token);
            if (value != nullptr) {
                delete mQWFileVersion;
                mQWFileVersion = value;
            }
        }
        return nullptr;
    }
    if (std::strcmp(keyword, "*%QWVersion") == 0) {
        if (NextToken(stream, token, "\n\r", true)) {
            CString* value = new (std::nothrow) CString(token);
            if (value != nullptr) {
                delete mQWVersion;
                mQWVersion = value;
            }
        }
        return nullptr;
    }
    if (std::strcmp(keyword, "*OpenGroup") == 0) {
        if (!NextToken(stream, token, "/:", true) || std::strcmp(token, kInstallableOptions) != 0)
            return nullptr;
        mInInstallableOptions = true;
        char translation[kTokenBufferSize];
        if (!NextToken(stream, translation, "/:", true))
            translation[0] = '\0';
        if (mInstallableRollDown == nullptr && mGroups != nullptr) {
            const __CFString* converted = ConvertText(translation);
            const __CFString* name = ElementName(converted);
            if (converted != nullptr)
                CFRelease(converted);
            if (name == nullptr)
                return nullptr;
            const bool visible = true;
            PPDXRollDown* rollDown = new (std::nothrow) PPDXRollDown(token, name, visible);
            CFRelease(name);
            if (AddGroup(rollDown))
                mInstallableRollDown = rollDown;
        }
        return nullptr;
    }
    if (std::strcmp(keyword, "*CloseGroup") == 0) {
        if (NextToken(stream, token, "/:", true) && std::strcmp(token, kInstallableOptions) == 0)
            mInInstallableOptions = false;
        return nullptr;
    }
    return PPDX::ParsePSKeywords(stream, keyword);
}

PPDXErrorObj* ZEQPPD::TestPPDFile(PPDStream& stream, const char* keyword) {
    // Only version 4.3 files are read; error 28 names no statement.
    if (std::strcmp(keyword, kAdobeLine) == 0) {
        char value[kQuotedValueLimit];
        value[0] = '\0';
        if (GetQuotedString(stream, value, kQuotedValueLimit) > 0 &&
            std::strcmp(value, kAdobeVersLine) == 0) {
            mValidPPD = true;
            return nullptr;
        }
    }
    return NewError(28, nullptr, true);
}

// ---- control blocks ----

PPDXErrorObj* ZEQPPD::ParseControl(PPDStream& stream) {
    char controlKeyword[kTokenBufferSize];
    if (!NextToken(stream, controlKeyword, " \t:", true) || controlKeyword[0] == '\0')
        return NewError(16, "", false);
    if (FindControlAnywhere(controlKeyword) != nullptr)
        return NewError(23, controlKeyword, false);

    PointerList flags;
    char word[kTokenBufferSize];
    while (NextWord(stream, word)) {
        CString* flag = new (std::nothrow) CString(word);
        if (flag != nullptr && flags.PushBack(flag) == PointerListItr())
            delete flag;
    }

    PPDXErrorObj* error = nullptr;
    char line[kTokenBufferSize];
    char keyword[kTokenBufferSize];
    // The flags are released before a std::bad_alloc goes on to the statement loop.
    try {
        error = ParseControlBlock(controlKeyword, flags, line, keyword);
    } catch (const std::bad_alloc&) {
        ClearStringList(flags);
        throw;
    }
    // A control that was made emptied the list; whatever is left is discarded.
    ClearStringList(flags);
    return error;
}

PPDXErrorObj* ZEQPPD::ParseControlBlock(const char* controlKeyword, PointerList& flags, char* line,
                                        char* keyword) {
    PPDXErrorObj* error = nullptr;
    if (ReadFileLine(line)) {
        PPDStream lineStream(line, static_cast<long>(std::strlen(line)));
        if (NextToken(lineStream, keyword, " \t:", true) && keyword[0] != '\0') {
            if (std::strcmp(keyword, "*%ZEQGroup") == 0)
                error = ParseGroup(lineStream, controlKeyword, flags);
            else if (IsOpenUIKeyword(keyword))
                error = ParseOpenUI(lineStream, controlKeyword, flags, nullptr);
            else
                error = NewError(16, controlKeyword, false);
        }
    }
    return error;
}

PPDXErrorObj* ZEQPPD::ParseGroup(PPDStream& stream, const char* controlKeyword,
                                 PointerList& flags) {
    char token[kTokenBufferSize];
    if (!NextToken(stream, token, " \t:", true) || token[0] == '\0')
        return NewError(5, "", false);
    if (std::strcmp(token, controlKeyword) != 0)
        return nullptr;  // the caller discards flags

    char groupName[kTokenBufferSize];
    if (!NextToken(stream, groupName, "/:", true) || groupName[0] == '\0')
        return nullptr;
    PPDXGroup* group = FindGroupAnywhere(groupName);
    if (group == nullptr)
        group = FindAndCreateParent(groupName);
    NextToken(stream, token, nullptr, false);  // the rest of the line is not used

    char line[kTokenBufferSize];
    if (!ReadFileLine(line))
        return nullptr;
    PPDStream lineStream(line, static_cast<long>(std::strlen(line)));
    char keyword[kTokenBufferSize];
    if (!NextToken(lineStream, keyword, " \t:", true) || keyword[0] == '\0')
        return nullptr;

    if (std::strcmp(keyword, "*%ZEQJobNote") == 0)
        return ParseJobNote(lineStream, controlKeyword, flags, dynamic_cast<PPDXRollDown*>(group));
    if (std::strcmp(keyword, "*%ZEQRange") == 0 || std::strcmp(keyword, "*%ZEQUnitRange") == 0)
        return ParseRange(lineStream, controlKeyword, flags, group);
    if (IsOpenUIKeyword(keyword))
        return ParseOpenUI(lineStream, controlKeyword, flags, group);
    return NewError(5, controlKeyword, false);
}

// ---- queries and class-wide options ----

bool ZEQPPD::GetFileSpec(FSSpec& spec) {
    if (mFile == nullptr)
        return false;
    mFile->getFileInfo(&spec);
    return true;
}

bool ZEQPPD::operator==(const ZEQPPD& other) const {
    if (mFile == nullptr || other.mFile == nullptr)
        return mFile == other.mFile;
    FSSpec a;
    FSSpec b;
    mFile->getFileInfo(&a);
    other.mFile->getFileInfo(&b);
    if (a.vRefNum != b.vRefNum || a.parID != b.parID)
        return false;
    if (a.name[0] != b.name[0] || std::memcmp(a.name + 1, b.name + 1, a.name[0]) != 0)
        return false;
    if (mPCFileName == nullptr || other.mPCFileName == nullptr)
        return mPCFileName == other.mPCFileName;
    return *mPCFileName == *other.mPCFileName;
}

_DISPLAY_OPTIONS_ ZEQPPD::Options() {
    return sDisplayOptions;
}

void ZEQPPD::Options(_DISPLAY_OPTIONS_ options) {
    sDisplayOptions = options;
}

void ZEQPPD::IncludeOrphans() {
    sDisplayOptions |= kDisplayIncludeOrphans;
}

void ZEQPPD::IncludeHidden() {
    sDisplayOptions |= kDisplayIncludeHidden;
}

// Both exclusions clear every bit, as the display code of the model expects.
void ZEQPPD::ExcludeOrphans() {
    sDisplayOptions = 0;
}

void ZEQPPD::ExcludeHidden() {
    sDisplayOptions = 0;
}

_EXTENSIONS_SUPPORT_ ZEQPPD::GetExtensions() {
    return sExtensionsSupport;
}

void ZEQPPD::SetExtensions(_EXTENSIONS_SUPPORT_ level) {
    sExtensionsSupport = level;
}
