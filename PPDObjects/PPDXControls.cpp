// PPDXControls: filing by kind, counters under the display options, stateful walks and
// look-ups by keyword.
#include "PPDObjects/PPDXControls.h"

#include <cstring>
#include <typeinfo>

#include "PPDObjects/PPDXBooleanControl.h"
#include "PPDObjects/PPDXControl.h"
#include "PPDObjects/PPDXJobNote.h"
#include "PPDObjects/PPDXPopupControl.h"
#include "PPDObjects/PPDXRangeControl.h"
#include "PPDObjects/PPDXSpecialOption.h"
#include "parser/ZEQPPD.h"

namespace {
bool Matches(const PPDXControl* control, const char* keyword, bool exact) {
    const char* own = control != nullptr ? control->Keyword() : nullptr;
    if (own == nullptr) {
        return false;
    }
    return exact ? strcmp(own, keyword) == 0 : strstr(own, keyword) != nullptr;
}

// The entries of the lists are PPDXControl pointers.
template <class T>
T* As(void* entry) {
    return static_cast<T*>(static_cast<PPDXControl*>(entry));
}

// Puts the display options to `options` for the life of the object.
class DisplayOptionsScope {
public:
    explicit DisplayOptionsScope(_DISPLAY_OPTIONS_ options) : mSaved(ZEQPPD::Options()) {
        ZEQPPD::Options(options);
    }
    ~DisplayOptionsScope() { ZEQPPD::Options(mSaved); }

private:
    _DISPLAY_OPTIONS_ mSaved;
};
}  // namespace

PPDXControls::PPDXControls() {
    mAllCursor = mControls.Begin();
    for (KindList& kind : mKinds) {
        kind.cursor = kind.list.Begin();
    }
}

PPDXControls::~PPDXControls() {}

// The kind list a control is filed in, or -1 (a float range belongs to none). The five classes
// are final, so their exact type is the test: a model files every control twice, and a chain of
// casts was a few % of a parse.
int PPDXControls::KindOf(PPDXControl* control) {
    const std::type_info& type = typeid(*control);
    if (type == typeid(PPDXPopupControl)) {
        return kPopups;
    }
    if (type == typeid(PPDXBooleanControl)) {
        return kBooleans;
    }
    if (type == typeid(PPDXJobNote)) {
        return kJobNotes;
    }
    if (type == typeid(PPDXRangeControl)) {
        return kRanges;
    }
    if (type == typeid(PPDXSpecialOption)) {
        return kSpecialOptions;
    }
    return -1;
}

void PPDXControls::Add(PPDXControl* control) {
    if (control == nullptr) {
        return;
    }
    PPDXKeywordIndex::Entry entry{control, mControls.PushBack(control), -1, PointerListItr()};
    if (entry.position == PointerListItr()) {
        return;  // no node could be allocated
    }
    const int kind = KindOf(control);
    if (kind >= 0) {
        entry.kindPosition = mKinds[kind].list.PushBack(control);
        if (entry.kindPosition != PointerListItr()) {
            entry.kind = kind;
            Increment(control, mKinds[kind].counts);
        }
    }
    mIndex.Add(entry);
}

void PPDXControls::Increment(PPDXControl* control, CountArray& counts) {
    if (control == nullptr) {
        return;
    }
    const bool orphan = control->IsOrphan();
    const bool hidden = !control->IsVisible();
    ++counts.total;
    if (orphan) {
        ++counts.orphans;
    }
    if (hidden) {
        ++counts.hidden;
    }
    if (orphan && hidden) {
        ++counts.hiddenOrphans;
    }
}

long PPDXControls::Count(const CountArray& counts) const {
    switch (ZEQPPD::Options()) {
        case 0:
            return static_cast<long>(counts.total) - counts.orphans - counts.hidden +
                   counts.hiddenOrphans;
        case kDisplayIncludeOrphans:
            return static_cast<long>(counts.total) - counts.hidden;
        case kDisplayIncludeHidden:
            return static_cast<long>(counts.total) - counts.orphans;
        case kDisplayAll:
            return counts.total;
        default:
            return 0;
    }
}

long PPDXControls::PopupCount() const {
    return Count(mKinds[kPopups].counts);
}

long PPDXControls::BooleanCount() const {
    return Count(mKinds[kBooleans].counts);
}

long PPDXControls::RangeCount() const {
    return Count(mKinds[kRanges].counts);
}

long PPDXControls::JobNoteCount() const {
    DisplayOptionsScope scope(kDisplayIncludeOrphans);
    return Count(mKinds[kJobNotes].counts);
}

long PPDXControls::SpecialOptionsCount() const {
    DisplayOptionsScope scope(kDisplayAll);
    return Count(mKinds[kSpecialOptions].counts);
}

long PPDXControls::ControlCount() const {
    return PopupCount() + BooleanCount() + RangeCount() + JobNoteCount();
}

bool PPDXControls::Empty() const {
    return NoPopups() && NoBooleanControls() && NoRangeControls() && NoJobNotes();
}

long PPDXControls::Size() const {
    return static_cast<long>(mControls.Size());
}

PPDXControl* PPDXControls::SettleAll(CNTL_TYPE& type) {
    const _DISPLAY_OPTIONS_ options = ZEQPPD::Options();
    for (; mAllCursor != PointerListItr() && mAllCursor != mControls.End(); ++mAllCursor) {
        PPDXControl* control = static_cast<PPDXControl*>(*mAllCursor);
        if (control != nullptr && control->OkayToDisplay(options)) {
            type = control->Type();
            return control;
        }
    }
    return nullptr;
}

PPDXControl* PPDXControls::First(CNTL_TYPE& type) {
    mAllCursor = mControls.Begin();
    return SettleAll(type);
}

PPDXControl* PPDXControls::Next(CNTL_TYPE& type) {
    if (mAllCursor == PointerListItr() || mAllCursor == mControls.End()) {
        return nullptr;
    }
    ++mAllCursor;
    return SettleAll(type);
}

void* PPDXControls::FirstOfKind(int kind) {
    KindList& k = mKinds[kind];
    return PPDXControl::FirstString(k.cursor, k.list);
}

void* PPDXControls::NextOfKind(int kind) {
    KindList& k = mKinds[kind];
    return PPDXControl::NextString(k.cursor, k.list);
}

PPDXPopupControl* PPDXControls::FirstPopupControl() {
    return As<PPDXPopupControl>(FirstOfKind(kPopups));
}

PPDXPopupControl* PPDXControls::NextPopupControl() {
    return As<PPDXPopupControl>(NextOfKind(kPopups));
}

PPDXBooleanControl* PPDXControls::FirstBooleanControl() {
    return As<PPDXBooleanControl>(FirstOfKind(kBooleans));
}

PPDXBooleanControl* PPDXControls::NextBooleanControl() {
    return As<PPDXBooleanControl>(NextOfKind(kBooleans));
}

PPDXRangeControl* PPDXControls::FirstRangeControl() {
    return As<PPDXRangeControl>(FirstOfKind(kRanges));
}

PPDXRangeControl* PPDXControls::NextRangeControl() {
    return As<PPDXRangeControl>(NextOfKind(kRanges));
}

PPDXJobNote* PPDXControls::FirstJobNote() {
    return As<PPDXJobNote>(FirstOfKind(kJobNotes));
}

PPDXJobNote* PPDXControls::NextJobNote() {
    return As<PPDXJobNote>(NextOfKind(kJobNotes));
}

PPDXSpecialOption* PPDXControls::FirstSpecialOption() {
    return As<PPDXSpecialOption>(FirstOfKind(kSpecialOptions));
}

PPDXSpecialOption* PPDXControls::NextSpecialOption() {
    return As<PPDXSpecialOption>(NextOfKind(kSpecialOptions));
}

PPDXControl* PPDXControls::Find(const char* keyword, CNTL_TYPE& type, const bool& exact) {
    if (keyword == nullptr) {
        return nullptr;
    }
    if (exact && mIndex.Usable()) {
        // The answer and the cursor are those of a walk with First / Next: the first entry
        // with the keyword that the display options admit, or the end.
        const _DISPLAY_OPTIONS_ options = ZEQPPD::Options();
        for (const PPDXKeywordIndex::Entry* entry = mIndex.Lookup(keyword); entry != nullptr;
             entry = mIndex.NextMatch(entry)) {
            PPDXControl* control = static_cast<PPDXControl*>(entry->element);
            if (control->OkayToDisplay(options)) {
                mAllCursor = entry->position;
                type = control->Type();
                return control;
            }
        }
        mAllCursor = mControls.End();
        return nullptr;
    }
    CNTL_TYPE seen = kUnknownControl;
    for (PPDXControl* control = First(seen); control != nullptr; control = Next(seen)) {
        if (Matches(control, keyword, exact)) {
            type = seen;
            return control;
        }
    }
    return nullptr;
}

PPDXControl* PPDXControls::FindFirst(const char* keyword) const {
    if (keyword == nullptr) {
        return nullptr;
    }
    if (mIndex.Usable()) {
        const PPDXKeywordIndex::Entry* entry = mIndex.Lookup(keyword);
        return entry != nullptr ? static_cast<PPDXControl*>(entry->element) : nullptr;
    }
    for (ConstPointerListItr it = mControls.Begin(); it != mControls.End(); ++it) {
        PPDXControl* control = static_cast<PPDXControl*>(*it);
        if (Matches(control, keyword, true)) {
            return control;
        }
    }
    return nullptr;
}

void* PPDXControls::FindOfKind(int kind, const char* keyword, bool exact) {
    if (keyword == nullptr) {
        return nullptr;
    }
    KindList& k = mKinds[kind];
    if (exact && mIndex.Usable()) {
        // The first entry of this kind with the keyword, as the kind's walk would meet it.
        for (const PPDXKeywordIndex::Entry* entry = mIndex.Lookup(keyword); entry != nullptr;
             entry = mIndex.NextMatch(entry)) {
            if (entry->kind == kind) {
                k.cursor = entry->kindPosition;
                return static_cast<PPDXControl*>(entry->element);
            }
        }
        k.cursor = k.list.End();
        return nullptr;
    }
    for (void* entry = FirstOfKind(kind); entry != nullptr; entry = NextOfKind(kind)) {
        if (Matches(static_cast<PPDXControl*>(entry), keyword, exact)) {
            return entry;
        }
    }
    return nullptr;
}

PPDXPopupControl* PPDXControls::FindPopup(const char* keyword, const bool& exact) {
    return As<PPDXPopupControl>(FindOfKind(kPopups, keyword, exact));
}

PPDXBooleanControl* PPDXControls::FindBoolean(const char* keyword, const bool& exact) {
    return As<PPDXBooleanControl>(FindOfKind(kBooleans, keyword, exact));
}

PPDXRangeControl* PPDXControls::FindRangeControl(const char* keyword, const bool& exact) {
    return As<PPDXRangeControl>(FindOfKind(kRanges, keyword, exact));
}

PPDXJobNote* PPDXControls::FindJobNote(const char* keyword, const bool& exact) {
    return As<PPDXJobNote>(FindOfKind(kJobNotes, keyword, exact));
}

PPDXSpecialOption* PPDXControls::FindSpecialOption(const char* keyword, const bool& exact) {
    return As<PPDXSpecialOption>(FindOfKind(kSpecialOptions, keyword, exact));
}
