// The exported plain functions over the PPD object model: each takes an untyped handle to one
// model object, forwards to one operation and answers a fixed value for a null handle.
#pragma once

#include "PPDObjects/PPDXTypes.h"
#include "platform/CFString.h"

// The record FirstItem / NextItem fill: the choice's keyword and user name (both owned by the
// model), null when not set.
struct PopupItemRecord {
    const char* keyword;
    CFStringRef userName;
};

extern "C" {

// Elements and controls.
const char* Keyword(void* element);
const char* UserName(void* element);
bool IsVisible(void* element);
bool IsOrphan(void* element);
void* GetParent(void* element);
bool EqualsElement(void* element, void* other);
bool EqualsKeyWord(void* element, const char* keyword);
bool IsPropertyPage(void* element);
long GetControlFlagCount(void* control);
const char* GetFirstControlFlag(void* control);
const char* GetNextControlFlag(void* control);
bool IsCommandControl(void* control);
bool IsSpoolerControl(void* control);
bool IsSetupControl(void* control);
bool IsMacVJNControl(void* control);
bool IsMacImgShiftControl(void* control);
bool IsValidControlKeyword(void* control, const char* keyword);
long GetPostScript(void* control, unsigned char* buffer);
void ResetControlToDefault(void* control);

// Boolean controls.
bool IsTrue(void* control);
void SetValue(void* control, const bool& value);
const char* TrueDisplayText(void* control);
const char* FalseDisplayText(void* control);
bool DefaultState(void* control);
long BooleanPostScript(void* control, unsigned char* buffer);

// Popup controls.
bool CanSelectMultipleItems(void* control);
const char* GetDefaultKeyword(void* control);
const char* GetKeywordLocalName(void* control, const char* keyword);
long GetKeywordPSData(void* control, const char* keyword, unsigned char* buffer);
bool IsKeywordSelected(void* control, const char* keyword);
bool SetKeywordSelect(void* control, const char* keyword, const bool& select);
long PopupItemCount(void* control);
bool FirstItem(void* control, PopupItemRecord* item);
bool NextItem(void* control, PopupItemRecord* item);
long GetPopupValue(void* control);
void SetPopupValue(void* control, long index);
long GetPopupDefaultValue(void* control);
long PopupPostScript(void* control, unsigned char* buffer);

// Range controls.
long GetRangeValue(void* control);
void SetRangeValue(void* control, const long& value);
long GetRangeMinimum(void* control);
long GetRangeMaximum(void* control);
long GetRangeIncrement(void* control);
long GetRangeDefaultVal(void* control);
long RangePostScript(void* control, unsigned char* buffer);

// Control containers.
long GetControlCount(void* controls);
long GetPopupCount(void* controls);
long GetBooleanCount(void* controls);
long GetRangeCount(void* controls);
long GetJobnoteCount(void* controls);
void* Find(void* controls, const char* keyword, CNTL_TYPE& type, const bool& exact);
void* GetFirst(void* controls, CNTL_TYPE& type);
void* GetNext(void* controls, CNTL_TYPE& type);
void* GetFirstPopupControl(void* controls);
void* GetNextPopupControl(void* controls);
void* GetFindPopup(void* controls, const char* keyword, const bool& exact);
void* GetFirstBooleanControl(void* controls);
void* GetNextBooleanControl(void* controls);
void* GetFindBoolean(void* controls, const char* keyword, const bool& exact);
void* GetFirstRangeControl(void* controls);
void* GetNextRangeControl(void* controls);
void* GetFindRangeControl(void* controls, const char* keyword, const bool& exact);
void* GetFirstJobNote(void* controls);
void* GetNextJobNote(void* controls);
void* GetFindJobNote(void* controls, const char* keyword, const bool& exact);
bool GetEmpty(void* controls);
bool GetNoPopups(void* controls);
bool GetNoBooleanControls(void* controls);
bool GetNoRangeControls(void* controls);
bool GetNoJobNotes(void* controls);

// Groups, roll-downs, scroll panes, property pages, shortcuts and errors.
void* FirstGroup(void* groups);
void* NextGroup(void* groups);
void* FindGroup(void* groups, const char* keyword, const bool& exact);
bool IsGrouPointerListEmpty(void* groups);
long GroupCount(void* groups);
void* GetRollDownControlList(void* rollDown);
bool IsRollDown(void* group);
void* GetScrollPaneRollDowns(void* scrollPane);
bool IsScrollPane(void* group);
void* FirstProperty(void* properties);
void* NextProperty(void* properties);
void* FindProperty(void* properties, const char* keyword, const bool& exact);
bool IsPropertyListEmpty(void* properties);
long PropertyCount(void* properties);
bool ShowPropInPrintProp(void* property);
bool ShowPropInApp(void* property);
void* GetPropertyScrollDown(void* property);
void SetPropertyScrollDown(void* property, void* scrollPane);
bool IsShortcutsListEmpty(void* shortcuts);
long GetShortcutCount(void* shortcuts);
void* GetPageSizeShortcut(void* shortcuts);
void* GetInputSlotShortcut(void* shortcuts);
void* GetDuplexShortcut(void* shortcuts);
void* GetOrientationShortcut(void* shortcuts);
void* GetPigmoraShortcut(void* shortcuts);
void* GetMediaSourceShortcut(void* shortcuts);
void* FindShortcut(void* shortcuts, const char* keyword, const bool& exact);
void* FirstShortcut(void* shortcuts);
void* NextShortcut(void* shortcuts);
void* FirstError(void* errors);
void* NextError(void* errors);
bool ErrorListIsEmpty(void* errors);
long ErrorCount(void* errors);
const char* GetErrorKeyword(void* error);
const char* GetErrorDescription(void* error);
bool IsErrorFatal(void* error);

}  // extern "C"
