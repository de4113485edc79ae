// UI_Panel, the offset fields: showing and rescaling values, validation against the ranges,
// mirroring of front and back, initial alignment, defaults, stepping with its three sources
// (arrow action, auto-repeat timer, arrow keys), the key filter and paste.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "imageshift/ImageShiftData.h"
#include "imageshift/UI_Panel.h"
#include "platform/controls/Scrap.h"

namespace {

// x × 100 rounded, halves away from zero: comparisons "at two decimals".
double Hundredths(double x) {
    return std::round(x * 100);
}
bool SameAtTwoDecimals(double a, double b) {
    return Hundredths(a) == Hundredths(b);
}
bool ExceedsAtTwoDecimals(double a, double b) {
    return Hundredths(a) > Hundredths(b);
}
// x × 100 truncated toward zero.
long long TruncatedHundredths(double x) {
    return static_cast<long long>(x * 100);
}

CFStringRef NewFormatted(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return CFStringCreateWithCString(kCFAllocatorDefault, text, kCFStringEncodingUTF8);
}

CFStringRef NewFormattedInt(int value) {
    char text[32];
    std::snprintf(text, sizeof text, "%d", value);
    return CFStringCreateWithCString(kCFAllocatorDefault, text, kCFStringEncodingUTF8);
}

bool IsNumericByte(unsigned char c) {
    return (c >= '0' && c <= '9') || c == '.' || c == ',' || c == '-';
}

// Character codes of the keys the filter knows.
enum : SInt16 {
    kBackspaceChar = 8,
    kLeftArrowChar = 28,
    kRightArrowChar = 29,
    kUpArrowChar = 30,
    kDownArrowChar = 31,
};

}  // namespace

double truncDoubleNDecimalPlaces(double x, int places) {
    double scaled = x;
    for (int i = 0; i < places; ++i)
        scaled *= 10;
    double result = static_cast<double>(static_cast<long long>(scaled));
    for (int i = 0; i < places; ++i)
        result /= 10;
    return result;
}

void UI_Panel::SetTextDoubleValue(double* exact, ControlRef field, double value) {
    if (field == nullptr)
        return;
    if (exact != nullptr)
        *exact = value;
    double shown = value;
    const int i = OffsetIndexOf(field);
    if (i >= 0 && mData != nullptr && SameAtTwoDecimals(value, mData->mTypedValue[i]))
        shown = mData->mTypedValue[i];
    if (CFStringRef text = NewFormatted("%5.2f", shown)) {
        SetText(field, text);
        CFRelease(text);
    }
    Draw1Control(field);
}

// A slot that holds no value yet (an offset never typed, validated or stepped) would turn
// the marker itself into a number; the field's own text stands in for it.
double UI_Panel::ExactOrText(int slot, ControlRef field) const {
    const double exact = mData->mExactValue[slot];
    if (exact != ImageShiftData::kNoValue)
        return exact;
    CFStringRef text = CopyText(field);
    const double value = text != nullptr ? CFStringGetDoubleValue(text) : 0.0;
    if (text != nullptr)
        CFRelease(text);
    return value;
}

void UI_Panel::MultiplyTextField(double* exact, ControlRef field, double multiplier,
                                 double divisor) {
    CFStringRef text = CopyText(field);
    if (text == nullptr)
        return;
    double value = CFStringGetDoubleValue(text);
    CFRelease(text);
    // The exact value when there is one (a slot without a value yet takes the text, as in
    // ExactOrText).
    if (exact != nullptr && *exact != ImageShiftData::kNoValue)
        value = *exact;
    if (value == 0)
        return;
    if (multiplier != 0)
        value *= multiplier;
    if (divisor != 0)
        value /= divisor;
    SetTextDoubleValue(exact, field, value);
}

bool UI_Panel::ClampControlWithinLimits(double* exact, ControlRef field, int index) {
    CFStringRef text = CopyText(field);
    if (text == nullptr || mData == nullptr) {
        if (text != nullptr)
            CFRelease(text);
        return false;
    }
    const double v = CFStringGetDoubleValue(text);
    const bool exactlyZeroText = CFStringCompare(text, CFSTR("0"), 0) == kCFCompareEqualTo;
    CFRelease(text);
    if (v == 0 && !exactlyZeroText)
        SetText(field, CFSTR("0"));

    double w = v;
    if (index >= 0 && index < 4) {
        ImageShiftData& d = *mData;
        if (d.mTypedUnits[index] != d.mPanelUnits) {
            // Typed in other units (or never): a value that differs from the converted one
            // both at two decimals and in its truncated hundredths is a new entry; otherwise
            // the full-precision converted value stands behind the rounded text.
            if (!SameAtTwoDecimals(v, d.mExactValue[index]) &&
                TruncatedHundredths(v) != TruncatedHundredths(d.mExactValue[index])) {
                d.mTypedValue[index] = d.mExactValue[index] = v;
                d.mTypedUnits[index] = d.mPanelUnits;
            } else if (d.mTypedUnits[index] != d.mUnitsAtLastHit) {
                w = d.mExactValue[index];
            }
        } else if (v != d.mTypedValue[index]) {
            d.mTypedValue[index] = d.mExactValue[index] = v;
        } else if (v != d.mExactValue[index]) {
            w = d.mExactValue[index];
        }
    }

    const double maximum = mData->GetMaxAtIndex(index);
    if (ExceedsAtTwoDecimals(w, maximum)) {
        SetTextDoubleValue(exact, field, truncDoubleNDecimalPlaces(maximum, 2));
        ShowOutOfRangeErr();
        return false;
    }
    if (index >= 0 && index < 4 && w > maximum)
        mData->mTypedValue[index] = mData->mExactValue[index] = maximum;
    const double minimum = mData->GetMinAtIndex(index);
    if (ExceedsAtTwoDecimals(minimum, w)) {
        SetTextDoubleValue(exact, field, truncDoubleNDecimalPlaces(minimum, 2));
        ShowOutOfRangeErr();
        return false;
    }
    if (index >= 0 && index < 4 && minimum > w)
        mData->mTypedValue[index] = mData->mExactValue[index] = minimum;
    return true;
}

bool UI_Panel::ValidateUISettings(long preferredControlNumber) {
    if (mData == nullptr)
        return false;
    for (int i = 0; i < 4; ++i) {
        const SInt32 number = kFrontXField + i;
        double* exact = number == preferredControlNumber ? &mData->mExactValue[i] : nullptr;
        if (!ClampControlWithinLimits(exact, GetControl(number), i))
            return false;
    }
    return true;
}

void UI_Panel::MirrorHorizontally(ControlRef source, ControlRef target) {
    CFStringRef text = CopyText(source);
    if (text == nullptr)
        return;
    CFMutableStringRef mirrored = CFStringCreateMutableCopy(kCFAllocatorDefault, 0, text);
    if (mirrored != nullptr && CFStringGetLength(mirrored) > 0) {
        if (CFStringHasPrefix(mirrored, CFSTR("-"))) {
            CFStringDelete(mirrored, CFRangeMake(0, 1));
        } else {
            if (CFStringHasPrefix(mirrored, CFSTR(" ")))
                CFStringDelete(mirrored, CFRangeMake(0, 1));
            if (CFStringGetDoubleValue(mirrored) != 0)
                CFStringInsert(mirrored, 0, CFSTR("-"));
        }
    }
    SetText(target, mirrored != nullptr ? mirrored : text);
    if (mirrored != nullptr)
        CFRelease(mirrored);
    CFRelease(text);
}

OSStatus UI_Panel::ProcessControlLoseFocus(EventRef, ControlRef control) {
    if (mData == nullptr)
        return eventNotHandledErr;
    ControlRef align = GetControl(kAlignCheckBox);
    const bool aligned = align != nullptr && GetControl32BitValue(align) != 0;
    // Slots 0 front X, 1 front Y, 2 back X, 3 back Y; the other page's slot is two away.
    const int slot = NumberOf(control) - kFrontXField;
    if (slot < 0 || slot > 3)
        return eventNotHandledErr;
    double* exact = mData->mExactValue;
    ClampControlWithinLimits(&exact[slot], control, slot);
    const int mirrorSlot = (slot + 2) % 4;
    ControlRef mirror = GetControl(kFrontXField + mirrorSlot);
    if (!aligned || mirror == nullptr)
        return eventNotHandledErr;
    if (slot % 2 == 0) {
        MirrorHorizontally(control, mirror);
        exact[mirrorSlot] = -exact[slot];
    } else {
        if (CFStringRef text = CopyText(control)) {
            SetText(mirror, text);
            CFRelease(text);
        }
        exact[mirrorSlot] = exact[slot];
    }
    return eventNotHandledErr;
}

void UI_Panel::DoInitialAlignment() {
    if (mData == nullptr)
        return;
    double* exact = mData->mExactValue;
    ControlRef frontX = GetControl(kFrontXField);
    ControlRef frontY = GetControl(kFrontYField);
    ControlRef backX = GetControl(kBackXField);
    ControlRef backY = GetControl(kBackYField);
    const double fx = ExactOrText(0, frontX);
    const double fy = ExactOrText(1, frontY);
    const double bx = ExactOrText(2, backX);
    const double by = ExactOrText(3, backY);
    // A non-zero front value wins; a zero front adopts the back.
    if (fx == 0)
        SetTextDoubleValue(&exact[0], frontX, bx == 0 ? 0.0 : -bx);
    else
        SetTextDoubleValue(&exact[2], backX, -fx);
    if (fy == 0)
        SetTextDoubleValue(&exact[1], frontY, by);
    else
        SetTextDoubleValue(&exact[3], backY, fy);
}

void UI_Panel::ConvertOffsetDisplays(int oldUnits, int newUnits) {
    if (mData == nullptr)
        return;
    // Exact factors (72 points an inch, 25.4 millimetres an inch).
    double multiplier = 1;
    double divisor = 1;
    if (oldUnits == kUnitsPoints && newUnits == kUnitsInches) {
        divisor = 72;
    } else if (oldUnits == kUnitsPoints && newUnits == kUnitsMM) {
        multiplier = 25.4;
        divisor = 72;
    } else if (oldUnits == kUnitsInches && newUnits == kUnitsPoints) {
        multiplier = 72;
    } else if (oldUnits == kUnitsInches && newUnits == kUnitsMM) {
        multiplier = 25.4;
    } else if (oldUnits == kUnitsMM && newUnits == kUnitsPoints) {
        multiplier = 72;
        divisor = 25.4;
    } else if (oldUnits == kUnitsMM && newUnits == kUnitsInches) {
        divisor = 25.4;
    }
    double* exact = mData->mExactValue;
    MultiplyTextField(&exact[1], GetControl(kFrontYField), multiplier, divisor);
    MultiplyTextField(&exact[0], GetControl(kFrontXField), multiplier, divisor);
    MultiplyTextField(&exact[3], GetControl(kBackYField), multiplier, divisor);
    MultiplyTextField(&exact[2], GetControl(kBackXField), multiplier, divisor);
    if (newUnits != kUnitsPoints) {
        for (int k = 0; k < 4; ++k)
            MultiplyTextField(&mData->mRangeBoxValue[k], GetControl(kFrontRangeMinBox + k),
                              multiplier, divisor);
    } else {
        // Back in points the limits are taken afresh, without the error of the round trip.
        const double limits[4] = {mData->GetMinAtIndex(0), mData->GetMaxAtIndex(0),
                                  mData->GetMinAtIndex(2), mData->GetMaxAtIndex(2)};
        for (int k = 0; k < 4; ++k)
            SetTextDoubleValue(&mData->mRangeBoxValue[k], GetControl(kFrontRangeMinBox + k),
                               limits[k]);
    }
}

void UI_Panel::SetOffsetsToDefaults() {
    if (mData == nullptr)
        return;
    for (int i = 0; i < 4; ++i) {
        ControlRef field = GetControl(kFrontXField + i);
        if (field == nullptr)
            continue;
        const double d = mData->GetDefaultAtIndex(i);
        mData->mExactValue[i] = mData->mTypedValue[i] = d;
        const int whole = static_cast<int>(d);
        if (CFStringRef text = NewFormattedInt(whole)) {
            SetText(field, text);
            CFRelease(text);
        }
        if (ControlRef stepper = GetControl(kFrontXStepper + i))
            SetControl32BitValue(stepper, whole);
    }
    for (int k = 0; k < 4; ++k) {
        ControlRef box = GetControl(kFrontRangeMinBox + k);
        if (box == nullptr)
            continue;
        const double d = mData->GetDefaultAtIndex(4 + k);
        mData->mRangeBoxValue[k] = d;
        if (CFStringRef text = NewFormatted("%5.2f", d)) {
            SetText(box, text);
            CFRelease(text);
        }
        SetControl32BitValue(box, static_cast<SInt32>(d));
    }
}

bool UI_Panel::MoveOffset(int page, int direction) {
    if (mData == nullptr || (page != kFrontPage && page != kBackPage) || direction < kUp ||
        direction > kRight)
        return false;
    ControlRef align = GetControl(kAlignCheckBox);
    const bool aligned = align != nullptr && GetControl32BitValue(align) != 0;
    ControlRef focus = nullptr;
    if (mWindow != nullptr)
        GetKeyboardFocus(mWindow, &focus);

    const bool xAxis = direction == kLeft || direction == kRight;
    // Slots: 0 front X, 1 front Y, 2 back X, 3 back Y; the mirror is the other page's slot.
    const int slot = (page == kFrontPage ? 0 : 2) + (xAxis ? 0 : 1);
    const int mirrorSlot = (slot + 2) % 4;
    ControlRef field = GetControl(kFrontXField + slot);
    ControlRef stepper = GetControl(kFrontXStepper + slot);
    ControlRef mirror = aligned ? GetControl(kFrontXField + mirrorSlot) : nullptr;
    ControlRef mirrorStepper = aligned ? GetControl(kFrontXStepper + mirrorSlot) : nullptr;

    if (field != nullptr && focus != field && (mirror == nullptr || focus != mirror))
        SetKeyboardFocus(mWindow, field, kControlEditTextPart);

    const double increment = mData->GetIncrementAtIndex(slot);
    const double minimum = mData->GetMinAtIndex(slot);
    const double maximum = mData->GetMaxAtIndex(slot);
    const double step = direction == kUp || direction == kRight ? increment : -increment;
    if (field == nullptr || !TextIsReadable(field))
        return false;

    double value = ExactOrText(slot, field) + step;
    if (value > maximum || value < minimum) {
        if (direction == kUp || direction == kRight) {
            const bool overshoot = ExceedsAtTwoDecimals(value, maximum);
            value = maximum;
            if (overshoot)
                ShowOutOfRangeErr();
        } else {
            const bool overshoot = ExceedsAtTwoDecimals(minimum, value);
            value = minimum;
            if (overshoot)
                ShowOutOfRangeErr();
        }
    }
    mData->mTypedValue[slot] = value;
    SetTextDoubleValue(&mData->mExactValue[slot], field, value);
    if (mirror != nullptr)
        SetTextDoubleValue(nullptr, mirror, xAxis ? -value : value);
    const SInt32 whole = static_cast<SInt32>(value);
    if (stepper != nullptr)
        SetControl32BitValue(stepper, whole);
    if (mirrorStepper != nullptr)
        SetControl32BitValue(mirrorStepper, whole);
    return value != maximum && value != minimum;
}

void UI_Panel::StepFromControl(int page, int direction) {
    CommitUserChanges();
    MoveOffset(page, direction);
}

void UI_Panel::ArrowActionProcPtr(ControlRef control, ControlPartCode part) {
    UI_Panel* panel = static_cast<UI_Panel*>(GetControlReference(control));
    if (panel == nullptr)
        return;
    const SInt32 number = NumberOf(control);
    const bool down = part == kControlDownButtonPart;
    switch (number) {
        case kFrontXStepper:
            panel->StepFromControl(kFrontPage, down ? kLeft : kRight);
            break;
        case kFrontYStepper:
            panel->StepFromControl(kFrontPage, down ? kDown : kUp);
            break;
        case kBackXStepper:
            panel->StepFromControl(kBackPage, down ? kLeft : kRight);
            break;
        case kBackYStepper:
            panel->StepFromControl(kBackPage, down ? kDown : kUp);
            break;
        default:
            if (number >= kFrontUpArrow && number < kFrontUpArrow + 8) {
                const int index = number - kFrontUpArrow;
                panel->StepFromControl(index < 4 ? kFrontPage : kBackPage, index % 4 + 1);
            }
            break;
    }
}

void UI_Panel::TimerMouseDownAction(EventLoopTimerRef timer, void* userData) {
    UI_Panel* panel = static_cast<UI_Panel*>(userData);
    if (panel == nullptr || panel->mRepeatEnded)
        return;
    if (!panel->MoveOffset(panel->mRepeatPage, panel->mRepeatDirection)) {
        RemoveEventLoopTimer(timer);
        if (timer == panel->mRepeatTimer)
            panel->mRepeatTimer = nullptr;
        panel->mRepeatEnded = true;
    }
}

ControlKeyFilterResult UI_Panel::NumericKeyFilterProcPtr(ControlRef control, SInt16*,
                                                         SInt16* charCode, EventModifiers*) {
    UI_Panel* panel = static_cast<UI_Panel*>(GetControlReference(control));
    if (panel == nullptr || charCode == nullptr)
        return kControlKeyFilterBlockKey;
    const SInt16 c = *charCode;
    if ((c >= '0' && c <= '9') || c == '.' || c == ',' || c == '-' || c == kBackspaceChar ||
        c == kLeftArrowChar || c == kRightArrowChar)
        return kControlKeyFilterPassKey;
    if (c != kUpArrowChar && c != kDownArrowChar)
        return kControlKeyFilterBlockKey;
    // Up and down arrows step the field: an X field right or left, a Y field up or down.
    // The field's text is taken in first, as for the arrow controls, so that a value just
    // typed is stepped from.
    const bool up = c == kUpArrowChar;
    switch (NumberOf(control)) {
        case kFrontXField:
            panel->StepFromControl(kFrontPage, up ? kRight : kLeft);
            break;
        case kFrontYField:
            panel->StepFromControl(kFrontPage, up ? kUp : kDown);
            break;
        case kBackXField:
            panel->StepFromControl(kBackPage, up ? kRight : kLeft);
            break;
        case kBackYField:
            panel->StepFromControl(kBackPage, up ? kUp : kDown);
            break;
        default:
            break;  // range boxes: no effect
    }
    return kControlKeyFilterBlockKey;
}

void UI_Panel::DoPaste(ControlRef field) {
    ScrapRef scrap = nullptr;
    if (GetCurrentScrap(&scrap) != noErr)
        return;
    Size size = 0;
    if (GetScrapFlavorSize(scrap, kScrapFlavorTypeText, &size) != noErr)
        size = 0;
    if (size < 1 || size > 29) {
        ShowOutOfRangeErr();
        return;
    }
    unsigned char bytes[29];
    Size read = size;
    if (GetScrapFlavorData(scrap, kScrapFlavorTypeText, &read, bytes) != noErr || read < 1 ||
        read > size)
        return;
    for (Size i = 0; i < read; ++i) {
        if (!IsNumericByte(bytes[i])) {
            ShowOutOfRangeErr();
            return;
        }
    }
    if (field == nullptr || mData == nullptr)
        return;
    ControlEditTextSelectionRec selection{};
    if (GetControlData(field, kControlEntireControl, kControlEditTextSelectionTag, sizeof selection,
                       &selection, nullptr) != noErr)
        return;
    CFStringRef text = CopyText(field);
    if (text == nullptr)
        return;
    const CFIndex length = CFStringGetLength(text);
    const CFIndex start = std::clamp<CFIndex>(selection.selStart, 0, length);
    const CFIndex end = std::clamp<CFIndex>(selection.selEnd, start, length);
    CFMutableStringRef candidate = CFStringCreateMutableCopy(kCFAllocatorDefault, 0, text);
    CFRelease(text);
    CFStringRef pasted =
        CFStringCreateWithBytes(kCFAllocatorDefault, bytes, read, kCFStringEncodingUTF8, false);
    if (candidate == nullptr || pasted == nullptr) {
        if (candidate != nullptr)
            CFRelease(candidate);
        if (pasted != nullptr)
            CFRelease(pasted);
        return;
    }
    CFStringDelete(candidate, CFRangeMake(start, end - start));
    CFStringInsert(candidate, start, pasted);
    CFRelease(pasted);
    // Only the offset fields take a paste: the range boxes show limits, which are not the
    // user's to change.
    const int index = OffsetIndexOf(field);
    if (index >= 0) {
        const double value = CFStringGetDoubleValue(candidate);
        if (value >= mData->GetMinAtIndex(index) && value <= mData->GetMaxAtIndex(index))
            SetText(field, candidate);
        else
            ShowOutOfRangeErr();
    }
    CFRelease(candidate);
}
