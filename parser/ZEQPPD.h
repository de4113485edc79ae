// ZEQPPD: the vendor PPD parser and root of a parsed PPD model (statement loop,
// vendor statements, model assembly, constraint forests, class-wide display options).
#pragma once

#include <cstdint>
#include <cstdio>

#include "PPDObjects/PPDXTypes.h"
#include "foundation/PointerList.h"
#include "PPDUtils/PPDStream.h"
#include "parser/PPDX.h"
#include "platform/ZEQArena.h"
#include "platform/MacTypes.h"

class CString;
class CStringSoup;
class PPDStream;
class PPDFileStream;
class PPDXErrorObj;
class PPDXControl;
class PPDXGroup;
class PPDXRollDown;
class PPDXProperty;
class PPDXProperties;
class PPDXGroups;
class PPDXControls;
class PPDXShortcuts;
class KeywordTo_PPDControl;
class ConstraintForest;
class ItemConstraintList;
class Settings;
struct SharedConstraintRec;
struct __CFString;
struct __CFURL;
struct __CFArray;

// Level of job-note words the host supports: 0, 1 or 2 accept growing subsets
// of the words, any other value accepts all of them.
using _EXTENSIONS_SUPPORT_ = uint32_t;

// The process-wide string pool of constraint keywords and option names; every
// ZEQPPD::Build installs a fresh pool here.
extern CStringSoup* gConstraintStrings;

// A "*%ZEQGroupName" declaration, kept while the file is parsed.
class GroupName {
public:
    GroupName(const char* name, const __CFString* translation, bool visible);
    ~GroupName();
    GroupName(const GroupName&) = delete;
    GroupName& operator=(const GroupName&) = delete;

    CString* mName;                  // owned
    const __CFString* mTranslation;  // retained, may be null
    CString* mTranslationText;       // owned
    bool mVisible;
};

// How far the statement loop read the PPD file, kept beside the error list for diagnostics:
// the model is what the lines before a stop gave.
struct ZEQReadStop {
    PPDReadEnd end = PPDReadEnd::kReading;  // kReading: no file was read
    int32_t line = 0;                       // the line at which reading ended
    int32_t statementLine = 0;  // the line of the statement being read when it ended, or 0
    int32_t nulLine = 0;        // the first line cut short by a NUL byte, or 0
};

class ZEQPPD : public PPDX {
public:
    ZEQPPD(const __CFURL* url, const _PARSE_OPTIONS_& options, const __CFArray* pcFileNames);
    ZEQPPD(const FSSpec& spec, const _PARSE_OPTIONS_& options, const __CFArray* pcFileNames);
    explicit ZEQPPD(const _PARSE_OPTIONS_& options);
    // Member-by-member copy: shares every element with the source.
    ZEQPPD(const ZEQPPD& other);
    ZEQPPD& operator=(const ZEQPPD&) = delete;

    // ---- settings cache (settings/PPDCache.cpp) ----
    // Rebuilds a model from a cache: `ppdURL` is where the PPD is expected, `pcFileNames`
    // the acceptable PC file names (may be null). Test IsValidPrinterName and IsValidPPD.
    ZEQPPD(Settings& settings, const __CFURL* ppdURL, const __CFArray* pcFileNames);
    // Writes the whole model; true when every item was written.
    bool Save(Settings& settings);
    // Puts the saved user values back into this model; true when all were read.
    bool Restore(Settings& settings);
    // The vendor texts and the collections from the cache, then the parent links; true and
    // the model valid when they could be made.
    bool BuildFromSettings(Settings& settings);
    // Links every rebuilt element to its parent by the saved parent keyword.
    void ResolveHeirarchy();
    // ---- end of settings cache ----

    ~ZEQPPD() override;

    // Statement loop over the file.
    void Parse() override;
    PPDXErrorObj* ParsePSKeywords(PPDStream& stream, const char* keyword) override;
    virtual PPDXControl* PPDCreatePopupMenu(const char* groupName, const char* keyword,
                                            const char* translation, PointerList& items,
                                            CString* defaultOption);
    virtual bool PPDReconcilePopupMenu(const char* keyword, const char* translation,
                                       PointerList& items, CString* defaultOption);

    void Build();
    PPDXErrorObj* TestPPDFile(PPDStream& stream, const char* keyword);
    PPDXErrorObj* ParseControl(PPDStream& stream);
    PPDXErrorObj* ParseGroup(PPDStream& stream, const char* controlKeyword, PointerList& flags);

    // UI option statements.
    PPDXErrorObj* ParseOpenUI(PPDStream& stream, const char* controlKeyword, PointerList& flags,
                              PPDXGroup* group);
    PPDXErrorObj* ParseBooleanControl(const char* controlKeyword, const __CFString* translation,
                                      PointerList& flags, PPDXGroup* group);
    PPDXErrorObj* ParsePopupControl(const char* controlKeyword, const __CFString* translation,
                                    PointerList& flags, PPDXGroup* group, const bool& pickMany);
    bool SetupControl(PPDXGroup* group, PPDXControl* control, bool reportNoRollDown);

    // Vendor range and job note statements.
    PPDXErrorObj* ParseRange(PPDStream& stream, const char* controlKeyword, PointerList& flags,
                             PPDXGroup* group);
    PPDXErrorObj* ParseJobNote(PPDStream& stream, const char* controlKeyword, PointerList& flags,
                               PPDXGroup* group);
    PPDXErrorObj* ParseJobNote(PPDStream& stream);

    // Vendor extension statements.
    PPDXErrorObj* ParsePropertyPage(PPDStream& stream);
    PPDXErrorObj* ParseGroupName(PPDStream& stream);
    PPDXErrorObj* ParseParent(PPDStream& stream);
    PPDXErrorObj* ParseShortcut(PPDStream& stream);
    PPDXErrorObj* ParseSpecialOption(PPDStream& stream);
    void AddGroupNameToList(const char* name, const __CFString* translation, bool visible);
    // AddGroupNameToList with the translation converted from the PPD's text (and released
    // afterwards, also when a std::bad_alloc passes through).
    void AddConvertedGroupName(const char* name, const char* translationText, bool visible);
    GroupName* FindGroupNameFromList(const char* name);
    void ClearStringList(PointerList& list);
    void ClearGroupNameList();

    // Model assembly.
    PPDXGroup* FindAndCreateParent(const char* name);
    void ResolveShortcuts();
    void CollectOrphanGroups();

    // ---- UI constraints: helper "tool" defines these in parser/UIConstraints*.cpp ----
    // ("requires" is a C++20 keyword, so the flag is called isRequirement.)
    PPDXErrorObj* ParseUIConstraint(PPDStream& stream, bool isRequirement);
    long GetConstraintList(void* control, long value, SharedConstraintRec** records);
    long GetRequiresList(void* control, SharedConstraintRec** records);
    long CommonGetForestList(PPDXControl* control, long value, SharedConstraintRec** records,
                             ConstraintForest* forest);
    void ProcessConstraintList(const ItemConstraintList* list, SharedConstraintRec* records,
                               unsigned long first, unsigned long count);
    void ReleaseConstraintList(SharedConstraintRec*& records);
    void ReleaseRequiresList(SharedConstraintRec*& records);
    void DeleteConstraintMaps();
    long DumpConstraintMap(FILE* stream, ConstraintForest* forest, char* title);
    // The two forests, for callers that query one with CommonGetForestList.
    ConstraintForest* GetConstraintForest() const { return mConstraints; }
    ConstraintForest* GetRequiresForest() const { return mRequires; }
    // ---- end of UI constraints ----

    // Parse options of this model.
    bool ParseOrphans() const;
    bool ParseHidden() const;

    // Class-wide display options and extension level.
    static _DISPLAY_OPTIONS_ Options();
    static void Options(_DISPLAY_OPTIONS_ options);
    static void IncludeOrphans();
    static void IncludeHidden();
    static void ExcludeOrphans();
    static void ExcludeHidden();
    static _EXTENSIONS_SUPPORT_ GetExtensions();
    static void SetExtensions(_EXTENSIONS_SUPPORT_ level);

    PPDXControls* GetControls() const { return mControls; }
    PPDXProperties* GetProperties() const { return mProperties; }
    PPDXGroups* GetGroups() const { return mGroups; }
    PPDXShortcuts* GetShortcuts() const { return mShortcuts; }
    KeywordTo_PPDControl* GetKeywordIndex() const { return mKeywordIndex; }
    const CString* QWFileVersion() const { return mQWFileVersion; }
    const CString* QWVersion() const { return mQWVersion; }
    const ZEQReadStop& ReadStop() const { return mReadStop; }
    bool GetFileSpec(FSSpec& spec);
    bool operator==(const ZEQPPD& other) const;

    // Control with that keyword anywhere in the model, whatever the display
    // options (hashed, so the existence check stays linear over a whole parse).
    PPDXControl* FindControlAnywhere(const char* keyword) const;

protected:
    _PARSE_OPTIONS_ mParseOptions;
    PPDXProperties* mProperties;
    PPDXGroups* mGroups;
    PPDXControls* mControls;
    PPDXShortcuts* mShortcuts;
    bool mInInstallableOptions;
    PPDXRollDown* mInstallableRollDown;
    CString* mQWFileVersion;
    CString* mQWVersion;
    PointerList mShortcutKeywords;  // owned CString*
    PointerList mGroupNames;        // owned GroupName*
    KeywordTo_PPDControl* mKeywordIndex;
    ConstraintForest* mConstraints;
    ConstraintForest* mRequires;

    static _DISPLAY_OPTIONS_ sDisplayOptions;
    static _EXTENSIONS_SUPPORT_ sExtensionsSupport;

private:
    struct ParseState;  // per-parse hash indexes (parser/ZEQPPDIndex.h), alive during Parse
    ParseState* mState;
    PPDFileStream* mFileStream;  // the file stream while Parse runs
    ZEQReadStop mReadStop;       // where and why reading stopped
    bool mIsCopy;                // a copy shares the elements of its source and deletes none
    // The arena the model's small blocks are made in while it is parsed or rebuilt
    // (platform/ZEQArena.h); null for a copy or when none could be had.
    ZEQArena* mArena = nullptr;

    void InitFields(const _PARSE_OPTIONS_& options);
    // One statement of the file, dispatched on its keyword; returns its error, if any.
    PPDXErrorObj* ParseStatement(PPDStream& lineStream, const char* keyword);
    // The block after a control's flags (group, range, job note or UI block); line and
    // keyword are buffers of kTokenBufferSize characters.
    PPDXErrorObj* ParseControlBlock(const char* controlKeyword, PointerList& flags, char* line,
                                    char* keyword);
    static PPDXErrorObj* NewError(short number, const char* keyword, bool fatal);
    void RecordError(PPDXErrorObj* error);
    // Next line of the file; false at the end or for a line that cannot be read.
    bool ReadFileLine(char* line);
    // Next word of a word list (up to a vertical bar, colon or double quote, stripped); empty
    // words are skipped up to the end of the statement, where it returns false.
    static bool NextWord(PPDStream& stream, char* word);
    // Translation text converted with the text converter, or, before the PPD has declared
    // both language keywords, with the parse's fallback converter (null without either); and
    // the user name given to an element (an empty string stands in for a missing one).
    const __CFString* ConvertText(const char* text);
    TextConverter* FallbackConverter();
    static const __CFString* ElementName(const __CFString* translation);
    // Append to the groups or properties container and the parse-time name index.
    // False when the element could not be added: it has been released.
    bool AddGroup(PPDXGroup* group);
    bool AddPage(PPDXProperty* page);
    PPDXGroup* FindGroupAnywhere(const char* name);
    PPDXProperty* FindPageAnywhere(const char* name);
    void IndexControl(const char* keyword, PPDXControl* control);
    // Appends to the flat control list (and the parse-time index of control keywords).
    bool AddToControlList(PPDXControl* control);
    PPDXErrorObj* ParseJobNoteCommon(PPDStream& stream, const char* controlKeyword,
                                     PointerList* flags, PPDXGroup* group, bool blockForm);
    void DeleteModel();
};
