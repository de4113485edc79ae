// Settings cache of the two model roots: the header and vendor items, the whole model
// written and rebuilt through the collections, the parent links of a rebuilt model, and the
// restore of the user's values.
#include <cstring>
#include <new>

#include "PPDObjects/PPDXControl.h"
#include "PPDObjects/PPDXControls.h"
#include "PPDObjects/PPDXErrors.h"
#include "PPDObjects/PPDXGroup.h"
#include "PPDObjects/PPDXGroups.h"
#include "PPDObjects/PPDXProperties.h"
#include "PPDObjects/PPDXProperty.h"
#include "PPDObjects/PPDXRollDown.h"
#include "PPDObjects/PPDXScrollPane.h"
#include "PPDObjects/PPDXShortcuts.h"
#include "PPDObjects/PPDXSpecialOption.h"
#include "PPDUtils/FileMac.h"
#include "PPDUtils/KeywordTo_PPDControl.h"
#include "foundation/CString.h"
#include "parser/PPDX.h"
#include "parser/UIConstraints.h"
#include "parser/ZEQPPD.h"
#include "platform/Files.h"
#include "settings/CacheFormat.h"
#include "settings/Settings.h"

using namespace ppdcache;

namespace {

const char* Text(const CString* s) {
    return s != nullptr ? static_cast<const char*>(*s) : nullptr;
}

// Replaces an owned text by the item's text when the item is there.
void LoadText(Settings& s, unsigned long tag, long id, CString*& slot) {
    CString* text = ReadText(s, tag, id);
    if (text != nullptr) {
        delete slot;
        slot = text;
    }
}

// Links every rebuilt scroll pane to its page and every roll-down to its scroll pane, by the
// saved parent keyword.
void LinkGroups(PPDXProperties* properties, PPDXGroups* groups) {
    const bool exact = true;
    for (PPDXGroup* group = groups->First(); group != nullptr; group = groups->Next()) {
        const char* name = group->SavedParentName();
        if (name == nullptr) {
            continue;
        }
        if (PPDXScrollPane* pane = dynamic_cast<PPDXScrollPane*>(group)) {
            pane->SetParent(nullptr);
            if (PPDXProperty* page = properties->Find(name, exact)) {
                pane->SetParent(page);
                page->SetScrollDown(pane);
            }
            pane->DropSavedParentName();
        } else if (PPDXRollDown* rollDown = dynamic_cast<PPDXRollDown*>(group)) {
            rollDown->SetParent(nullptr);
            PPDXScrollPane* pane = dynamic_cast<PPDXScrollPane*>(groups->Find(name, exact));
            if (pane != nullptr) {
                rollDown->SetParent(pane);
                if (pane->RollDowns() != nullptr) {
                    pane->RollDowns()->Add(rollDown);
                }
            }
            rollDown->DropSavedParentName();
        }
    }
}

// The roll-down a rebuilt control's saved parent keyword names, when it can hold controls.
PPDXRollDown* SavedRollDown(PPDXGroups* groups, PPDXControl* control) {
    const char* name = control->SavedParentName();
    if (name == nullptr || groups == nullptr) {
        return nullptr;
    }
    const bool exact = true;
    PPDXRollDown* rollDown = dynamic_cast<PPDXRollDown*>(groups->Find(name, exact));
    return rollDown != nullptr && rollDown->Controls() != nullptr ? rollDown : nullptr;
}

// Links each control to its roll-down and files it in the model's keyword index as the
// controls are rebuilt, while each is still in the cache, instead of walking the 10,000
// controls of a large model again for each (a cache miss or two a control and walk). The
// parent is set before the control is filed, so that the controls' counts take it as linked;
// the roll-down and the index get it once it is filed, in the order of the controls.
class LinkAsMade : public PPDXControls::Observer {
public:
    LinkAsMade(PPDXGroups* groups, KeywordTo_PPDControl* keywordIndex)
        : mGroups(groups), mKeywordIndex(keywordIndex) {}

    void Making(PPDXControl* control) override {
        if (control->SavedParentName() != nullptr) {
            control->SetParent(SavedRollDown(mGroups, control));
        }
    }
    void Filed(PPDXControl* control) override {
        if (control->SavedParentName() != nullptr) {
            if (PPDXRollDown* rollDown = static_cast<PPDXRollDown*>(control->GetParent())) {
                rollDown->Controls()->Add(control);
            }
            control->DropSavedParentName();
        }
        // The keyword index lists what a parse lists: every control but the special options.
        if (mKeywordIndex != nullptr && control->Type() != kSpecialOptionControl &&
            control->Keyword() != nullptr) {
            mKeywordIndex->insert(control->Keyword(), control);
        }
    }

private:
    PPDXGroups* mGroups;
    KeywordTo_PPDControl* mKeywordIndex;
};

}  // namespace

// ---- base part ----

PPDX::PPDX(Settings& settings, const __CFURL* ppdURL, const __CFArray* pcFileNames) : PPDX() {
    mPrinterNames = pcFileNames;
    // Memory that runs out while the header is read leaves the header as far as it got and
    // the model not valid; every member stays one the destructor can release.
    try {
        BuildFromSettings(settings, ppdURL);
    } catch (const std::bad_alloc&) {
        mPrinterNames = nullptr;
        mValidPPD = false;
    }
}

void PPDX::BuildFromSettings(Settings& settings, const __CFURL* ppdURL) {
    int32_t mark = 0;
    if (!ReadInt32(settings, kHeaderTag, kFormatMarkId, mark)) {
        // Not a header this system wrote: nothing of the base part is taken from it, and the
        // printer name stays accepted.
        mPrinterNames = nullptr;
        return;
    }
    if (mErrors == nullptr) {
        mErrors = new (std::nothrow) PPDXErrors();
    }

    FSSpec spec;
    std::memset(&spec, 0, sizeof spec);
    delete mFile;
    mFile = nullptr;
    if (ReadExact(settings, kHeaderTag, kFileLocationId, &spec, sizeof spec)) {
        char name[64];
        const unsigned length = spec.name[0] < 63 ? spec.name[0] : 63;
        std::memcpy(name, spec.name + 1, length);
        name[length] = '\0';
        mFile = new (std::nothrow) PPDFile(spec.vRefNum, spec.parID, name);
        // A file object reads as not valid (the file is asked with exists()), so the saved
        // location gives way to the expected one.
        if (mFile != nullptr && (!mFile->valid() || !mFile->exists())) {
            delete mFile;
            mFile = nullptr;
            mFile = new (std::nothrow) PPDFile(ppdURL);
        }
    }

    LoadText(settings, kHeaderTag, kPCFileNameId, mPCFileName);
    if (mPrinterNames != nullptr) {
        mValidPrinterName = ValidateAgainstPCFilename(mPrinterNames, mFile);
        mPrinterNames = nullptr;
    }
    if (!mValidPrinterName) {
        return;
    }
    LoadText(settings, kHeaderTag, kFormatVersionId, mFormatVersion);
    LoadText(settings, kHeaderTag, kFileVersionId, mFileVersion);
    LoadText(settings, kHeaderTag, kLanguageVersionId, mLanguageVersion);
    LoadText(settings, kHeaderTag, kLanguageEncodingId, mLanguageEncoding);
    LoadText(settings, kHeaderTag, kModelNameId, mModelName);
    // No text converter is made: a rebuilt model parses nothing, and its texts came converted.
}

bool PPDX::Save(Settings& settings) {
    if (AddInt32(settings, kHeaderTag, kFormatMarkId, kFormatMark) != noErr) {
        return false;
    }
    if (mFile != nullptr) {
        FSSpec spec;
        std::memset(&spec, 0, sizeof spec);
        mFile->getFileInfo(&spec);
        if (AddBytes(settings, kHeaderTag, kFileLocationId, &spec, sizeof spec) != noErr) {
            return false;
        }
    }
    const struct {
        long id;
        const CString* text;
    } texts[] = {
        {kFormatVersionId, mFormatVersion},
        {kFileVersionId, mFileVersion},
        {kPCFileNameId, mPCFileName},
        {kLanguageVersionId, mLanguageVersion},
        {kLanguageEncodingId, mLanguageEncoding},
        {kModelNameId, mModelName},
    };
    for (const auto& item : texts) {
        if (AddText(settings, kHeaderTag, item.id, Text(item.text)) != noErr) {
            return false;
        }
    }
    return true;
}

// ---- vendor part ----

ZEQPPD::ZEQPPD(Settings& settings, const __CFURL* ppdURL, const __CFArray* pcFileNames)
    : PPDX(settings, ppdURL, pcFileNames) {
    // A rebuilt model is what a parse with the system's options made.
    InitFields(kParseKeepOrphans | kParseKeepHidden);
    // A printer the list rejects gets no model at all.
    if (!IsValidPrinterName()) {
        return;
    }
    // The containers release what they built before a std::bad_alloc leaves them; here the
    // model built so far goes too, and the rebuilt model is not valid.
    try {
        BuildFromSettings(settings);
    } catch (const std::bad_alloc&) {
        delete mConstraints;
        mConstraints = nullptr;
        delete mRequires;
        mRequires = nullptr;
        DeleteModel();
        mValidPPD = false;
    }
}

bool ZEQPPD::BuildFromSettings(Settings& settings) {
    // A copy shares its source's elements and must not replace them.
    if (mIsCopy) {
        return false;
    }
    auto DropConstraintForests = [this] {
        delete mConstraints;
        mConstraints = nullptr;
        delete mRequires;
        mRequires = nullptr;
    };
    // A model that was there before goes first (the process-wide string pool stays: other
    // models may use it).
    DropConstraintForests();
    DeleteModel();
    mValidPPD = false;
    // A fresh arena: the blocks of the model that was there are not reused.
    if (mArena != nullptr)
        mArena->Release();
    mArena = ZEQArena::Create();
    ZEQArena::Scope arena(mArena);

    LoadText(settings, kVendorTag, kQWFileVersionId, mQWFileVersion);
    LoadText(settings, kVendorTag, kQWVersionId, mQWVersion);

    AllElements all;
    // What the cache holds is rebuilt, also under a damaged count (each collection bounds
    // its walk by the items held).
    mProperties = new (std::nothrow) PPDXProperties(settings);
    mGroups = new (std::nothrow) PPDXGroups(settings);
    mKeywordIndex = new (std::nothrow) KeywordTo_PPDControl();
    LinkAsMade linker(mGroups, mKeywordIndex);
    mControls = new (std::nothrow) PPDXControls(settings, &linker);
    mShortcuts = new (std::nothrow) PPDXShortcuts(settings, mControls);
    // Constraints are not cached: a rebuilt model answers every constraint query with none.
    mConstraints = new (std::nothrow) ConstraintForest();
    mRequires = new (std::nothrow) ConstraintForest();
    if (mProperties == nullptr || mGroups == nullptr || mControls == nullptr ||
        mShortcuts == nullptr || mKeywordIndex == nullptr || mConstraints == nullptr ||
        mRequires == nullptr) {
        DropConstraintForests();
        DeleteModel();
        return false;
    }

    // The controls were linked and indexed as they were made (LinkAsMade); the groups now.
    mKeywordIndex->EndInsertion();
    LinkGroups(mProperties, mGroups);
    mValidPPD = true;
    return true;
}

void ZEQPPD::ResolveHeirarchy() {
    AllElements all;
    if (mGroups != nullptr && mProperties != nullptr) {
        LinkGroups(mProperties, mGroups);
    }
    if (mControls != nullptr && mGroups != nullptr) {
        CNTL_TYPE type = kUnknownControl;
        for (PPDXControl* control = mControls->First(type); control != nullptr;
             control = mControls->Next(type)) {
            const char* name = control->SavedParentName();
            if (name == nullptr) {
                continue;
            }
            PPDXRollDown* rollDown = SavedRollDown(mGroups, control);
            control->SetParent(rollDown);
            if (rollDown != nullptr) {
                rollDown->Controls()->Add(control);
            }
            control->DropSavedParentName();
        }
        // The controls were counted as orphans when they were added; now they have parents.
        mControls->Recount();
    }
}

bool ZEQPPD::Save(Settings& settings) {
    // A model's cache is a couple of dozen items per control, some 30 bytes each: the room is
    // made at once rather than by doubling through a million items.
    if (mControls != nullptr) {
        AllElements all;
        const unsigned long controls = static_cast<unsigned long>(mControls->Size());
        const unsigned long groups =
            mGroups != nullptr ? static_cast<unsigned long>(mGroups->Size()) : 0;
        const unsigned long items = 24 * controls + 8 * groups + 64;
        settings.Reserve(items, 32 * items);
    }
    if (!PPDX::Save(settings)) {
        return false;
    }
    if (AddText(settings, kVendorTag, kQWFileVersionId, Text(mQWFileVersion)) != noErr ||
        AddText(settings, kVendorTag, kQWVersionId, Text(mQWVersion)) != noErr) {
        return false;
    }
    AllElements all;
    if (mProperties != nullptr && mProperties->Save(settings) != noErr) {
        return false;
    }
    if (mGroups != nullptr && mGroups->Save(settings) != noErr) {
        return false;
    }
    if (mControls != nullptr && mControls->Save(settings) != noErr) {
        return false;
    }
    if (mShortcuts != nullptr && mShortcuts->Save(settings) != noErr) {
        return false;
    }
    return true;
}

bool ZEQPPD::Restore(Settings& settings) {
    AllElements all;
    if (mControls == nullptr) {
        return true;
    }
    return mControls->Restore(settings) == noErr;
}
