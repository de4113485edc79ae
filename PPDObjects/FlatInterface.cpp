// The exported plain functions over the PPD object model. Each forwards to one operation of
// the object behind its handle; a null handle never reaches an object and yields a fixed value.
#include "PPDObjects/FlatInterface.h"

#include "PPDObjects/PPDXBooleanControl.h"
#include "PPDObjects/PPDXControls.h"
#include "PPDObjects/PPDXErrors.h"
#include "PPDObjects/PPDXGroups.h"
#include "PPDObjects/PPDXPopupControl.h"
#include "PPDObjects/PPDXProperties.h"
#include "PPDObjects/PPDXProperty.h"
#include "PPDObjects/PPDXRangeControl.h"
#include "PPDObjects/PPDXRollDown.h"
#include "PPDObjects/PPDXScrollPane.h"
#include "PPDObjects/PPDXShortcuts.h"

namespace {
// Handles to elements of every kind arrive as untyped pointers; the element classes use
// single inheritance from PPDXElement, so the element part is at the object's address.
PPDXElement* E(void* h) {
    return static_cast<PPDXElement*>(h);
}
// The functions of controls, and those of one control or group kind, check the kind: a caller
// that only knows a control's CNTL_TYPE cannot tell a float range from a range (both 2), and
// a handle of another kind must not be read or written as this one. Such a handle answers as
// a null handle does.
PPDXControl* C(void* h) {
    return h != nullptr ? dynamic_cast<PPDXControl*>(E(h)) : nullptr;
}
PPDXBooleanControl* B(void* h) {
    return h != nullptr ? dynamic_cast<PPDXBooleanControl*>(E(h)) : nullptr;
}
PPDXPopupControl* P(void* h) {
    return h != nullptr ? dynamic_cast<PPDXPopupControl*>(E(h)) : nullptr;
}
PPDXRangeControl* R(void* h) {
    return h != nullptr ? dynamic_cast<PPDXRangeControl*>(E(h)) : nullptr;
}
PPDXControls* Cs(void* h) {
    return static_cast<PPDXControls*>(h);
}
PPDXGroups* Gs(void* h) {
    return static_cast<PPDXGroups*>(h);
}
PPDXProperties* Ps(void* h) {
    return static_cast<PPDXProperties*>(h);
}
PPDXProperty* Pp(void* h) {
    return h != nullptr ? dynamic_cast<PPDXProperty*>(E(h)) : nullptr;
}
PPDXRollDown* Rd(void* h) {
    return h != nullptr ? dynamic_cast<PPDXRollDown*>(E(h)) : nullptr;
}
PPDXScrollPane* Sp(void* h) {
    return h != nullptr ? dynamic_cast<PPDXScrollPane*>(E(h)) : nullptr;
}
PPDXShortcuts* Ss(void* h) {
    return static_cast<PPDXShortcuts*>(h);
}
PPDXErrors* Es(void* h) {
    return static_cast<PPDXErrors*>(h);
}
PPDXErrorObj* Eo(void* h) {
    return static_cast<PPDXErrorObj*>(h);
}

// Fills the item record from a choice; false for none.
bool FillItem(_PopupItem* source, PopupItemRecord* item) {
    if (source == nullptr) {
        return false;
    }
    if (item != nullptr) {
        item->keyword = source->Keyword();
        item->userName = source->mUserName;
    }
    return true;
}

void ClearItem(PopupItemRecord* item) {
    if (item != nullptr) {
        item->keyword = nullptr;
        item->userName = nullptr;
    }
}
}  // namespace

extern "C" {

// Elements and controls.

const char* Keyword(void* element) {
    return element != nullptr ? E(element)->Keyword() : nullptr;
}

const char* UserName(void* element) {
    return element != nullptr ? E(element)->UserName() : nullptr;
}

bool IsVisible(void* element) {
    return element != nullptr ? E(element)->IsVisible() : false;
}

bool IsOrphan(void* element) {
    return element != nullptr ? E(element)->IsOrphan() : true;
}

void* GetParent(void* element) {
    return element != nullptr ? E(element)->GetParent() : nullptr;
}

bool EqualsElement(void* element, void* other) {
    if (element == nullptr || other == nullptr) {
        return false;
    }
    return *E(element) == *E(other);
}

bool EqualsKeyWord(void* element, const char* keyword) {
    return element != nullptr ? *E(element) == keyword : false;
}

bool IsPropertyPage(void* element) {
    return Pp(element) != nullptr;
}

long GetControlFlagCount(void* control) {
    return C(control) != nullptr ? C(control)->ControlFlagCount() : 0;
}

const char* GetFirstControlFlag(void* control) {
    return C(control) != nullptr ? C(control)->FirstControlFlag() : nullptr;
}

const char* GetNextControlFlag(void* control) {
    return C(control) != nullptr ? C(control)->NextControlFlag() : nullptr;
}

bool IsCommandControl(void* control) {
    return C(control) != nullptr ? C(control)->IsCommand() : false;
}

bool IsSpoolerControl(void* control) {
    return C(control) != nullptr ? C(control)->IsSpooler() : false;
}

bool IsSetupControl(void* control) {
    return C(control) != nullptr ? C(control)->IsSetup() : false;
}

bool IsMacVJNControl(void* control) {
    return C(control) != nullptr ? C(control)->IsMacVJN() : false;
}

bool IsMacImgShiftControl(void* control) {
    return C(control) != nullptr ? C(control)->IsMacImgShift() : false;
}

bool IsValidControlKeyword(void* control, const char* keyword) {
    return control != nullptr ? PPDXControl::ValidKeyword(keyword) : false;
}

long GetPostScript(void* control, unsigned char* buffer) {
    return C(control) != nullptr ? C(control)->PostScript(buffer) : 0;
}

void ResetControlToDefault(void* control) {
    if (PPDXControl* c = C(control)) {
        c->ResetToDefaultValue();
    }
}

// Boolean controls.

bool IsTrue(void* control) {
    return B(control) != nullptr ? B(control)->IsTrue() : false;
}

void SetValue(void* control, const bool& value) {
    if (PPDXBooleanControl* boolean = B(control)) {
        boolean->SetValue(value);
    }
}

const char* TrueDisplayText(void* control) {
    return B(control) != nullptr ? B(control)->TrueDisplayText() : nullptr;
}

const char* FalseDisplayText(void* control) {
    return B(control) != nullptr ? B(control)->FalseDisplayText() : nullptr;
}

bool DefaultState(void* control) {
    return B(control) != nullptr ? B(control)->DefaultState() : false;
}

long BooleanPostScript(void* control, unsigned char* buffer) {
    return C(control) != nullptr ? C(control)->PostScript(buffer) : 0;
}

// Popup controls.

bool CanSelectMultipleItems(void* control) {
    return P(control) != nullptr ? P(control)->CanSelectMultipleItems() : false;
}

const char* GetDefaultKeyword(void* control) {
    return P(control) != nullptr ? P(control)->GetDefaultKeyword() : nullptr;
}

const char* GetKeywordLocalName(void* control, const char* keyword) {
    return P(control) != nullptr ? P(control)->GetKeywordLocalName(keyword) : nullptr;
}

long GetKeywordPSData(void* control, const char* keyword, unsigned char* buffer) {
    return P(control) != nullptr ? P(control)->GetKeywordPSData(keyword, buffer) : 0;
}

bool IsKeywordSelected(void* control, const char* keyword) {
    return P(control) != nullptr ? P(control)->IsKeywordSelected(keyword) : false;
}

bool SetKeywordSelect(void* control, const char* keyword, const bool& select) {
    return P(control) != nullptr ? P(control)->SetKeywordSelect(keyword, select) : false;
}

long PopupItemCount(void* control) {
    return P(control) != nullptr ? P(control)->ItemCount() : 0;
}

bool FirstItem(void* control, PopupItemRecord* item) {
    ClearItem(item);
    PPDXPopupControl* popup = P(control);
    if (popup == nullptr) {
        return false;
    }
    return FillItem(popup->FirstItem(), item);
}

bool NextItem(void* control, PopupItemRecord* item) {
    ClearItem(item);
    PPDXPopupControl* popup = P(control);
    if (popup == nullptr) {
        return false;
    }
    return FillItem(popup->NextItem(), item);
}

long GetPopupValue(void* control) {
    return P(control) != nullptr ? P(control)->GetValue() : 0;
}

void SetPopupValue(void* control, long index) {
    if (PPDXPopupControl* popup = P(control)) {
        popup->SetValue(index);
    }
}

long GetPopupDefaultValue(void* control) {
    return P(control) != nullptr ? P(control)->DefaultValue() : 0;
}

long PopupPostScript(void* control, unsigned char* buffer) {
    return C(control) != nullptr ? C(control)->PostScript(buffer) : 0;
}

// Range controls.

long GetRangeValue(void* control) {
    return R(control) != nullptr ? R(control)->GetValue() : 0;
}

void SetRangeValue(void* control, const long& value) {
    if (PPDXRangeControl* range = R(control)) {
        range->SetValue(value);
    }
}

long GetRangeMinimum(void* control) {
    return R(control) != nullptr ? R(control)->MinVal() : 0;
}

long GetRangeMaximum(void* control) {
    return R(control) != nullptr ? R(control)->MaxVal() : 0;
}

long GetRangeIncrement(void* control) {
    return R(control) != nullptr ? R(control)->Increment() : 0;
}

long GetRangeDefaultVal(void* control) {
    return R(control) != nullptr ? R(control)->DefaultValue() : 0;
}

long RangePostScript(void* control, unsigned char* buffer) {
    return C(control) != nullptr ? C(control)->PostScript(buffer) : 0;
}

// Control containers.

long GetControlCount(void* controls) {
    return controls != nullptr ? Cs(controls)->ControlCount() : 0;
}

long GetPopupCount(void* controls) {
    return controls != nullptr ? Cs(controls)->PopupCount() : 0;
}

long GetBooleanCount(void* controls) {
    return controls != nullptr ? Cs(controls)->BooleanCount() : 0;
}

long GetRangeCount(void* controls) {
    return controls != nullptr ? Cs(controls)->RangeCount() : 0;
}

long GetJobnoteCount(void* controls) {
    return controls != nullptr ? Cs(controls)->JobNoteCount() : 0;
}

void* Find(void* controls, const char* keyword, CNTL_TYPE& type, const bool& exact) {
    return controls != nullptr ? Cs(controls)->Find(keyword, type, exact) : nullptr;
}

void* GetFirst(void* controls, CNTL_TYPE& type) {
    return controls != nullptr ? Cs(controls)->First(type) : nullptr;
}

void* GetNext(void* controls, CNTL_TYPE& type) {
    return controls != nullptr ? Cs(controls)->Next(type) : nullptr;
}

void* GetFirstPopupControl(void* controls) {
    return controls != nullptr ? Cs(controls)->FirstPopupControl() : nullptr;
}

void* GetNextPopupControl(void* controls) {
    return controls != nullptr ? Cs(controls)->NextPopupControl() : nullptr;
}

void* GetFindPopup(void* controls, const char* keyword, const bool& exact) {
    return controls != nullptr ? Cs(controls)->FindPopup(keyword, exact) : nullptr;
}

void* GetFirstBooleanControl(void* controls) {
    return controls != nullptr ? Cs(controls)->FirstBooleanControl() : nullptr;
}

void* GetNextBooleanControl(void* controls) {
    return controls != nullptr ? Cs(controls)->NextBooleanControl() : nullptr;
}

void* GetFindBoolean(void* controls, const char* keyword, const bool& exact) {
    return controls != nullptr ? Cs(controls)->FindBoolean(keyword, exact) : nullptr;
}

void* GetFirstRangeControl(void* controls) {
    return controls != nullptr ? Cs(controls)->FirstRangeControl() : nullptr;
}

void* GetNextRangeControl(void* controls) {
    return controls != nullptr ? Cs(controls)->NextRangeControl() : nullptr;
}

void* GetFindRangeControl(void* controls, const char* keyword, const bool& exact) {
    return controls != nullptr ? Cs(controls)->FindRangeControl(keyword, exact) : nullptr;
}

void* GetFirstJobNote(void* controls) {
    return controls != nullptr ? Cs(controls)->FirstJobNote() : nullptr;
}

void* GetNextJobNote(void* controls) {
    return controls != nullptr ? Cs(controls)->NextJobNote() : nullptr;
}

void* GetFindJobNote(void* controls, const char* keyword, const bool& exact) {
    return controls != nullptr ? Cs(controls)->FindJobNote(keyword, exact) : nullptr;
}

bool GetEmpty(void* controls) {
    return controls != nullptr ? Cs(controls)->Empty() : true;
}

bool GetNoPopups(void* controls) {
    return controls != nullptr ? Cs(controls)->NoPopups() : true;
}

bool GetNoBooleanControls(void* controls) {
    return controls != nullptr ? Cs(controls)->NoBooleanControls() : true;
}

bool GetNoRangeControls(void* controls) {
    return controls != nullptr ? Cs(controls)->NoRangeControls() : true;
}

bool GetNoJobNotes(void* controls) {
    return controls != nullptr ? Cs(controls)->NoJobNotes() : true;
}

// Groups, roll-downs, scroll panes, property pages, shortcuts and errors.

void* FirstGroup(void* groups) {
    return groups != nullptr ? Gs(groups)->First() : nullptr;
}

void* NextGroup(void* groups) {
    return groups != nullptr ? Gs(groups)->Next() : nullptr;
}

void* FindGroup(void* groups, const char* keyword, const bool& exact) {
    return groups != nullptr ? Gs(groups)->Find(keyword, exact) : nullptr;
}

bool IsGrouPointerListEmpty(void* groups) {
    return groups != nullptr ? Gs(groups)->Empty() : true;
}

long GroupCount(void* groups) {
    return groups != nullptr ? Gs(groups)->Count() : 0;
}

void* GetRollDownControlList(void* rollDown) {
    return Rd(rollDown) != nullptr ? Rd(rollDown)->Controls() : nullptr;
}

bool IsRollDown(void* group) {
    return Rd(group) != nullptr;
}

void* GetScrollPaneRollDowns(void* scrollPane) {
    return Sp(scrollPane) != nullptr ? Sp(scrollPane)->RollDowns() : nullptr;
}

bool IsScrollPane(void* group) {
    return Sp(group) != nullptr;
}

void* FirstProperty(void* properties) {
    return properties != nullptr ? Ps(properties)->First() : nullptr;
}

void* NextProperty(void* properties) {
    return properties != nullptr ? Ps(properties)->Next() : nullptr;
}

void* FindProperty(void* properties, const char* keyword, const bool& exact) {
    return properties != nullptr ? Ps(properties)->Find(keyword, exact) : nullptr;
}

bool IsPropertyListEmpty(void* properties) {
    return properties != nullptr ? Ps(properties)->Empty() : true;
}

long PropertyCount(void* properties) {
    return properties != nullptr ? Ps(properties)->Count() : 0;
}

bool ShowPropInPrintProp(void* property) {
    return Pp(property) != nullptr ? Pp(property)->ShowInPrintProp() : false;
}

bool ShowPropInApp(void* property) {
    return Pp(property) != nullptr ? Pp(property)->ShowInApp() : false;
}

void* GetPropertyScrollDown(void* property) {
    return Pp(property) != nullptr ? Pp(property)->GetScrollDown() : nullptr;
}

void SetPropertyScrollDown(void* property, void* scrollPane) {
    PPDXProperty* page = Pp(property);
    PPDXScrollPane* pane = Sp(scrollPane);
    if (page != nullptr && pane != nullptr) {
        page->SetScrollDown(pane);
    }
}

bool IsShortcutsListEmpty(void* shortcuts) {
    return shortcuts != nullptr ? Ss(shortcuts)->Empty() : true;
}

long GetShortcutCount(void* shortcuts) {
    return shortcuts != nullptr ? Ss(shortcuts)->Count() : 0;
}

void* GetPageSizeShortcut(void* shortcuts) {
    return shortcuts != nullptr ? Ss(shortcuts)->PageSize() : nullptr;
}

void* GetInputSlotShortcut(void* shortcuts) {
    return shortcuts != nullptr ? Ss(shortcuts)->InputSlot() : nullptr;
}

void* GetDuplexShortcut(void* shortcuts) {
    return shortcuts != nullptr ? Ss(shortcuts)->Duplex() : nullptr;
}

void* GetOrientationShortcut(void* shortcuts) {
    return shortcuts != nullptr ? Ss(shortcuts)->Orientation() : nullptr;
}

void* GetPigmoraShortcut(void* shortcuts) {
    return shortcuts != nullptr ? Ss(shortcuts)->Pigmora() : nullptr;
}

void* GetMediaSourceShortcut(void* shortcuts) {
    return shortcuts != nullptr ? Ss(shortcuts)->MediaSource() : nullptr;
}

void* FindShortcut(void* shortcuts, const char* keyword, const bool& exact) {
    return shortcuts != nullptr ? Ss(shortcuts)->Find(keyword, exact) : nullptr;
}

void* FirstShortcut(void* shortcuts) {
    return shortcuts != nullptr ? Ss(shortcuts)->First() : nullptr;
}

void* NextShortcut(void* shortcuts) {
    return shortcuts != nullptr ? Ss(shortcuts)->Next() : nullptr;
}

void* FirstError(void* errors) {
    return errors != nullptr ? Es(errors)->First() : nullptr;
}

void* NextError(void* errors) {
    return errors != nullptr ? Es(errors)->Next() : nullptr;
}

bool ErrorListIsEmpty(void* errors) {
    return errors != nullptr ? Es(errors)->Empty() : true;
}

long ErrorCount(void* errors) {
    return errors != nullptr ? static_cast<long>(Es(errors)->Count()) : 0;
}

const char* GetErrorKeyword(void* error) {
    return error != nullptr ? Eo(error)->Keyword() : nullptr;
}

const char* GetErrorDescription(void* error) {
    return error != nullptr ? Eo(error)->Description() : nullptr;
}

bool IsErrorFatal(void* error) {
    return error != nullptr ? Eo(error)->IsFatal() : false;
}

}  // extern "C"
