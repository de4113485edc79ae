// ImageShiftData: finding the feature in the PPD, unit conversions, the committed texts, the
// settings in the print settings ticket, the summary lines and the PostScript output.
#include "imageshift/ImageShiftData.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "PPDObjects/PPDXBooleanControl.h"
#include "PPDObjects/PPDXControls.h"
#include "PPDObjects/PPDXGroups.h"
#include "PPDObjects/PPDXPopupControl.h"
#include "PPDObjects/PPDXRangeControl.h"
#include "PPDObjects/PPDXRollDown.h"
#include "imageshift/PDEBundle.h"
#include "parser/ZEQPPD.h"
#include "printsys/JobTicket.h"
#include "printsys/ZEQJobTicket.h"

namespace {

// The groups that may hold the feature, in the order they are tried.
const char* const gImageShiftGroupNames[] = {"VPImageShift", "VPFinishing", "VPLayout"};

// The four range controls, by offset index.
const char* const gGroupRangeNames[4] = {"*QWImageFrontX", "*QWImageFrontY", "*QWImageBackX",
                                         "*QWImageBackY"};
const char* const gImageShiftOnName = "*QWImageFlag";
const char* const gImageShiftUnitName = "*QWImageUnit";
const char* const gImageShiftAlignName = "*QWImageAlign";

const bool kExact = true;

// Points to the current units, with the multiples rounded to nine decimals.
constexpr double kPointsToInches = 0.013888889;
constexpr double kPointsToMM = 0.352777778;

// Print-settings keys of the seven non-PostScript settings.
#define kSettingsKey(suffix) CFSTR(kVendorReverseDNS ".imageshift." suffix)

CFStringRef NewFormatted(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%5.2f", value);
    return CFStringCreateWithCString(kCFAllocatorDefault, text, kCFStringEncodingUTF8);
}

double NumericValue(CFStringRef text) {
    return text != nullptr ? CFStringGetDoubleValue(text) : 0.0;
}

// The localized text of `key`, or null without a bundle.
CFStringRef Localized(const char* key) {
    CFStringRef cfKey = CFStringCreateWithCString(kCFAllocatorDefault, key, kCFStringEncodingUTF8);
    if (cfKey == nullptr)
        return nullptr;
    CFStringRef text = PDEBundle::GetLocalizedCFString(cfKey, nullptr);
    CFRelease(cfKey);
    return text;
}

// Replaces the contents of `target` by the localized `key`; false when it has no text.
bool ReplaceWithLocalized(CFMutableStringRef target, const char* key) {
    CFStringRef text = Localized(key);
    if (text == nullptr)
        return false;
    CFStringReplaceAll(target, text);
    CFRelease(text);
    return true;
}

}  // namespace

CFStringRef ClampStringValue(CFStringRef text, double maximum, double minimum) {
    double value = NumericValue(text);
    if (value > maximum)
        value = maximum;
    if (value < minimum)
        value = minimum;
    return NewFormatted(value);
}

ImageShiftData::ImageShiftData(ZEQPPD& ppd)
    : mPanelUnits(kUnitsPoints),
      mUnitsAtLastHit(0),
      mRangeBoxValue{0.0, 0.0, 0.0, 0.0},
      mRange{},
      mOffsetString{},
      mRangeBoxString{},
      mAlign(false),
      mHasEnableControl(false),
      mEnable(true),
      mUnitsIndex(kUnitsPoints),
      mDefaultUnitsIndex(kUnitsPoints),
      mSummaryLine(0),
      mPPD(nullptr),
      mControlsPresent(false) {
    mPPD = new (std::nothrow) ZEQPPD(ppd);
    for (int i = 0; i < 4; ++i) {
        mExactValue[i] = kNoValue;
        mTypedValue[i] = kNoValue;
        mTypedUnits[i] = 0;
        mOffsetString[i] =
            CFStringCreateWithCString(kCFAllocatorDefault, "0", kCFStringEncodingUTF8);
    }
    if (mPPD == nullptr || ppd.GetGroups() == nullptr)
        return;
    if (FindFeatureGroup() == nullptr)
        return;

    // The enable and units controls may sit anywhere in the PPD.
    PPDXControls* controls = ppd.GetControls();
    PPDXBooleanControl* flag =
        controls != nullptr ? controls->FindBoolean(gImageShiftOnName, kExact) : nullptr;
    if (flag != nullptr) {
        mEnable = flag->IsTrue();
        mHasEnableControl = true;
    }
    PPDXPopupControl* units =
        controls != nullptr ? controls->FindPopup(gImageShiftUnitName, kExact) : nullptr;
    mUnitsIndex = kUnitsPoints;
    if (units != nullptr) {
        const char* keyword = units->GetDefaultKeyword();
        if (keyword != nullptr && std::strcmp(keyword, "MM") == 0)
            mUnitsIndex = kUnitsMM;
        else if (keyword != nullptr && std::strcmp(keyword, "Inches") == 0)
            mUnitsIndex = kUnitsInches;
    }
    mDefaultUnitsIndex = mPanelUnits = mUnitsIndex;

    // Range boxes of the X offsets only: front min, front max, back min, back max.
    const double limits[4] = {mRange[0].min, mRange[0].max, mRange[2].min, mRange[2].max};
    for (int k = 0; k < 4; ++k) {
        mRangeBoxValue[k] = GetValueInCurrentUnits(limits[k]);
        GenerateRangeString(mRangeBoxValue[k], &mRangeBoxString[k]);
    }
    mControlsPresent = true;
}

ImageShiftData::~ImageShiftData() {
    for (int i = 0; i < 4; ++i) {
        if (mOffsetString[i] != nullptr)
            CFRelease(mOffsetString[i]);
        if (mRangeBoxString[i] != nullptr)
            CFRelease(mRangeBoxString[i]);
    }
    delete mPPD;  // a copy: the elements stay with the dialog's PPD
}

PPDXRollDown* ImageShiftData::FindFeatureGroup() {
    mControlsPresent = false;
    PPDXGroups* groups = mPPD != nullptr ? mPPD->GetGroups() : nullptr;
    if (groups == nullptr)
        return nullptr;
    for (const char* name : gImageShiftGroupNames) {
        PPDXRollDown* group = dynamic_cast<PPDXRollDown*>(groups->Find(name, kExact));
        mControlsPresent = AreControlsPresent(group);
        if (mControlsPresent)
            return group;
    }
    return nullptr;
}

bool ImageShiftData::AreControlsPresent(PPDXRollDown* group) {
    if (group == nullptr)
        return false;
    PPDXControls* controls = group->Controls();
    // A group without a control list is accepted with the ranges as they are; the output
    // then writes nothing for it.
    if (controls == nullptr)
        return true;
    for (int i = 0; i < 4; ++i) {
        PPDXRangeControl* range = controls->FindRangeControl(gGroupRangeNames[i], kExact);
        if (range == nullptr)
            return false;
        mRange[i].min = static_cast<double>(range->MinVal()) / 100;
        mRange[i].max = static_cast<double>(range->MaxVal()) / 100;
        mRange[i].defaultValue = static_cast<double>(range->DefaultValue());
        mRange[i].increment = static_cast<double>(range->Increment());
    }
    return true;
}

void ImageShiftData::GenerateRangeString(double value, CFStringRef* out) {
    if (out != nullptr)
        *out = NewFormatted(value);
}

void ImageShiftData::setUnitsIndex(int units) {
    if (units < kUnitsPoints || units > kUnitsMM)
        return;
    mUnitsIndex = units;
    mPanelUnits = units;
}

double ImageShiftData::GetCurrentUnitsMultiple() const {
    switch (mUnitsIndex) {
        case kUnitsInches:
            return kPointsToInches;
        case kUnitsMM:
            return kPointsToMM;
        default:
            return 1.0;
    }
}

double ImageShiftData::GetValueInCurrentUnits(double points) const {
    return points * GetCurrentUnitsMultiple();
}

double ImageShiftData::GetMinAtIndex(int i) const {
    return i >= 0 && i < 4 ? GetValueInCurrentUnits(mRange[i].min) : 0.0;
}

double ImageShiftData::GetMaxAtIndex(int i) const {
    return i >= 0 && i < 4 ? GetValueInCurrentUnits(mRange[i].max) : 0.0;
}

double ImageShiftData::GetDefaultAtIndex(int i) const {
    if (i >= 0 && i < 4)
        return GetValueInCurrentUnits(mRange[i].defaultValue);
    switch (i) {
        case 4:
            return GetValueInCurrentUnits(mRange[0].min);
        case 5:
            return GetValueInCurrentUnits(mRange[0].max);
        case 6:
            return GetValueInCurrentUnits(mRange[2].min);
        case 7:
            return GetValueInCurrentUnits(mRange[2].max);
        default:
            return 0.0;
    }
}

double ImageShiftData::GetIncrementAtIndex(int i) const {
    switch (mUnitsIndex) {
        case kUnitsInches:
            return 0.01;
        case kUnitsMM:
            return 0.1;
        default:
            return i >= 0 && i < 4 ? mRange[i].increment : 0.0;
    }
}

CFStringRef ImageShiftData::unitsString() const {
    switch (mUnitsIndex) {
        case kUnitsPoints:
            return Localized("Points");
        case kUnitsInches:
            return Localized("Inches");
        case kUnitsMM:
            return Localized("MM");
        default:
            return nullptr;
    }
}

int ImageShiftData::GetOneOffsetInPoints(int i) const {
    double value = i >= 0 && i < 4 ? NumericValue(mOffsetString[i]) : 0.0;
    switch (mUnitsIndex) {
        case kUnitsInches:
            value *= 72.0;
            break;
        case kUnitsMM:
            value *= 72.0;
            value /= 25.4;
            break;
        default:
            break;
    }
    return static_cast<int>(value * 100 + 0.5);
}

void ImageShiftData::SetOffsetString(int i, CFStringRef text) {
    CFStringRef clamped = ClampStringValue(text, GetMaxAtIndex(i), GetMinAtIndex(i));
    if (mOffsetString[i] != nullptr)
        CFRelease(mOffsetString[i]);
    mOffsetString[i] = clamped;
}

void ImageShiftData::SetRangeBoxString(int k, CFStringRef text) {
    if (text != nullptr)
        CFRetain(text);
    if (mRangeBoxString[k] != nullptr)
        CFRelease(mRangeBoxString[k]);
    mRangeBoxString[k] = text;
}

OSStatus ImageShiftData::SaveNonPSSettings(PrintSettingsTicket* ticket, CFStringRef clientID) {
    if (ticket == nullptr || !ticket->IsValid() || clientID == nullptr)
        return -1;
    const struct {
        CFStringRef key;
        long value;
    } numbers[] = {
        {kSettingsKey("ImageFlag"), mEnable ? 1 : 0},
        {kSettingsKey("FrontBackAlign"), mAlign ? 1 : 0},
        {kSettingsKey("Units"), mUnitsIndex},
    };
    for (const auto& item : numbers) {
        if (OSStatus status = ticket->Set(clientID, item.key, item.value, 0); status != 0)
            return status;
    }
    const CFStringRef texts[4] = {kSettingsKey("frontX"), kSettingsKey("frontY"),
                                  kSettingsKey("backX"), kSettingsKey("backY")};
    for (int i = 0; i < 4; ++i) {
        if (OSStatus status = ticket->Set(clientID, texts[i], mOffsetString[i], 0); status != 0)
            return status;
    }
    return 0;
}

OSStatus ImageShiftData::RestoreNonPSSettings(PrintSettingsTicket* ticket) {
    if (ticket == nullptr || !ticket->IsValid())
        return -1;
    long value = 0;
    if (ticket->GetInt(kSettingsKey("ImageFlag"), value) == 0)
        mEnable = value == 1;
    if (ticket->GetInt(kSettingsKey("FrontBackAlign"), value) == 0)
        mAlign = value == 1;
    // The units are taken as stored: a value outside 1..3 behaves as points.
    if (ticket->GetInt(kSettingsKey("Units"), value) == 0)
        mUnitsIndex = static_cast<int32_t>(value);
    const CFStringRef texts[4] = {kSettingsKey("frontX"), kSettingsKey("frontY"),
                                  kSettingsKey("backX"), kSettingsKey("backY")};
    for (int i = 0; i < 4; ++i) {
        CFStringRef stored = nullptr;
        if (ticket->Get(texts[i], stored) != 0 || stored == nullptr)
            continue;
        CFStringRef copy = CFStringCreateCopy(kCFAllocatorDefault, stored);
        if (copy == nullptr)
            continue;
        if (mOffsetString[i] != nullptr)
            CFRelease(mOffsetString[i]);
        mOffsetString[i] = copy;
    }
    return 0;
}

bool ImageShiftData::GetSummaryLine(CFMutableStringRef title, CFMutableStringRef value,
                                    bool& more) {
    more = true;
    if (mSummaryLine < 6 && ReportSummaryData(title, value)) {
        ++mSummaryLine;
        return true;
    }
    mSummaryLine = 0;
    more = false;
    return false;
}

bool ImageShiftData::ReportSummaryData(CFMutableStringRef title, CFMutableStringRef value) {
    if (title == nullptr || value == nullptr)
        return false;
    if (mSummaryLine == 0 && !mHasEnableControl)
        mSummaryLine = 1;
    static const char* const kOffsetTitles[4] = {"Front X Offset", "Front Y Offset",
                                                 "Back X Offset", "Back Y Offset"};
    switch (mSummaryLine) {
        case 0:
            ReplaceWithLocalized(title, "Enable Image Shift");
            ReplaceWithLocalized(value, mEnable ? "Yes" : "No");
            return true;
        case 1:
        case 2:
        case 3:
        case 4: {
            const int i = mSummaryLine - 1;
            ReplaceWithLocalized(title, kOffsetTitles[i]);
            if (mOffsetString[i] == nullptr)
                return true;
            CFStringReplaceAll(value, mOffsetString[i]);
            if (CFStringRef units = unitsString(); units != nullptr) {
                CFStringAppend(value, CFSTR("  "));
                CFStringAppend(value, units);
                CFRelease(units);
            }
            return true;
        }
        case 5:
            ReplaceWithLocalized(title, "Align front and back images");
            ReplaceWithLocalized(value, mAlign ? "Yes" : "No");
            return true;
        default:
            return false;
    }
}

OSStatus ImageShiftData::OutPostscriptData(ZEQJobTicket& ticket) {
    if (!ticket.IsReady())
        return -50;
    PPDXRollDown* group = FindFeatureGroup();
    if (group == nullptr)
        return -50;
    PPDXControls* controls = group->Controls();
    if (controls == nullptr)
        return 0;

    // (-9, the control's keyword), the control set to its new value, (81, its code for it).
    auto addControl = [&ticket](PPDXControl* control, auto setValue) {
        const char* keyword = control->Keyword();
        const unsigned long length = keyword != nullptr ? std::strlen(keyword) : 0;
        // Add copies the bytes; it only takes them through a non-const pointer.
        if (!ticket.Add(kPSInjectionControlKeyword,
                        reinterpret_cast<unsigned char*>(const_cast<char*>(keyword)), length))
            return false;
        setValue();
        return ticket.Add(kPSInjectionFeatureCode, control);
    };

    if (mHasEnableControl) {
        if (PPDXBooleanControl* flag = controls->FindBoolean(gImageShiftOnName, kExact)) {
            if (!addControl(flag, [&] { flag->SetValue(mEnable); }))
                return 0;
            // The option list runs millimetres, inches, points.
            PPDXPopupControl* units = controls->FindPopup(gImageShiftUnitName, kExact);
            if (units != nullptr && !addControl(units, [&] { units->SetValue(4 - mUnitsIndex); }))
                return 0;
        }
        if (!mEnable)
            return 0;
    }

    int last = 3;
    if (PPDXBooleanControl* align = controls->FindBoolean(gImageShiftAlignName, kExact)) {
        if (!addControl(align, [&] { align->SetValue(mAlign); }))
            return 0;
        last = mAlign ? 1 : 3;
    }

    for (int i = 0; i <= last; ++i) {
        PPDXRangeControl* range = controls->FindRangeControl(gGroupRangeNames[i], kExact);
        if (range == nullptr)
            continue;
        range->SetValue(GetOneOffsetInPoints(i));
        const long length = range->PostScript(nullptr);
        if (length <= 0)
            continue;
        unsigned char local[256];
        unsigned char* buffer = local;
        if (length > static_cast<long>(sizeof local)) {
            buffer = static_cast<unsigned char*>(std::malloc(static_cast<size_t>(length)));
            if (buffer == nullptr)
                continue;
        }
        range->PostScript(buffer);
        const bool added =
            ticket.Add(kPSInjectionFeatureCode, buffer, static_cast<unsigned long>(length));
        if (buffer != local)
            std::free(buffer);
        if (!added)
            return 0;
    }
    return 0;
}
