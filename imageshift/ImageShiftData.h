// ImageShiftData: the model of the Image Shift feature (enable, units, the four offsets and
// their ranges, align), found in a parsed PPD, saved in the print settings and written out.
#pragma once

#include <cstdint>

#include "platform/CoreFoundation.h"

class ZEQPPD;
class PPDXRollDown;
class PrintSettingsTicket;
class ZEQJobTicket;

// The vendor's reverse-DNS prefix of the print-settings keys and the bundle identifier.
#define kVendorReverseDNS "com.vorel"

enum ImageShiftUnits : int32_t {
    kUnitsPoints = 1,
    kUnitsInches = 2,
    kUnitsMM = 3,
};

// One offset's range: limits in points, default and increment as the PPD gives them.
struct OffsetRange {
    double min;
    double max;
    double defaultValue;
    double increment;
};

// The value `text` reads as (0.0 when it is not a number), held within [minimum, maximum],
// as a new string formatted "%5.2f"; null when no string can be made.
CFStringRef ClampStringValue(CFStringRef text, double maximum, double minimum);

// The fields are open to the panel, which keeps its working state here so that it can be
// rebuilt over the same model.
class ImageShiftData {
public:
    // Finds the feature in `ppd`; the caller checks mControlsPresent. The model shares the
    // groups and controls of `ppd`, which must outlive it.
    explicit ImageShiftData(ZEQPPD& ppd);
    virtual ~ImageShiftData();
    ImageShiftData(const ImageShiftData&) = delete;
    ImageShiftData& operator=(const ImageShiftData&) = delete;

    // Loads mRange from the group's four range controls; true when all four are there.
    bool AreControlsPresent(PPDXRollDown* group);
    // A new string of `value` formatted "%5.2f" into *out.
    void GenerateRangeString(double value, CFStringRef* out);

    // Units and ranges; results in the current units.
    void setUnitsIndex(int units);
    double GetCurrentUnitsMultiple() const;
    double GetValueInCurrentUnits(double points) const;
    double GetMinAtIndex(int i) const;
    double GetMaxAtIndex(int i) const;
    // 0..3 the offsets' defaults; 4..7 front min, front max, back min, back max.
    double GetDefaultAtIndex(int i) const;
    double GetIncrementAtIndex(int i) const;
    // The localized name of the current units (a new string), or null.
    CFStringRef unitsString() const;
    // The committed offset i in hundredths of a point, rounded.
    int GetOneOffsetInPoints(int i) const;

    // Committed texts of the panel.
    void setFrontXString(CFStringRef text) { SetOffsetString(0, text); }
    void setFrontYString(CFStringRef text) { SetOffsetString(1, text); }
    void setBackXString(CFStringRef text) { SetOffsetString(2, text); }
    void setBackYString(CFStringRef text) { SetOffsetString(3, text); }
    void setFrontRangeMinBoxStr(CFStringRef text) { SetRangeBoxString(0, text); }
    void setFrontRangeMaxBoxStr(CFStringRef text) { SetRangeBoxString(1, text); }
    void setBackRangeMinBoxStr(CFStringRef text) { SetRangeBoxString(2, text); }
    void setBackRangeMaxBoxStr(CFStringRef text) { SetRangeBoxString(3, text); }

    // The seven settings in the print settings ticket.
    OSStatus SaveNonPSSettings(PrintSettingsTicket* ticket, CFStringRef clientID);
    OSStatus RestoreNonPSSettings(PrintSettingsTicket* ticket);

    // The summary: one line a call while `more`; false (and back to the first line) at the end.
    bool GetSummaryLine(CFMutableStringRef title, CFMutableStringRef value, bool& more);
    bool ReportSummaryData(CFMutableStringRef title, CFMutableStringRef value);

    // The feature's entries in the vendor job ticket.
    OSStatus OutPostscriptData(ZEQJobTicket& ticket);

    static constexpr double kNoValue = -99999.999;

    double mExactValue[4];
    double mTypedValue[4];
    int32_t mTypedUnits[4];
    int32_t mPanelUnits;
    int32_t mUnitsAtLastHit;
    double mRangeBoxValue[4];
    OffsetRange mRange[4];
    CFStringRef mOffsetString[4];    // owned
    CFStringRef mRangeBoxString[4];  // owned, null until set
    bool mAlign;
    bool mHasEnableControl;
    bool mEnable;
    int32_t mUnitsIndex;
    int32_t mDefaultUnitsIndex;
    int32_t mSummaryLine;
    ZEQPPD* mPPD;  // owned copy sharing the elements of the dialog's PPD
    bool mControlsPresent;

private:
    // The first of the feature's groups that holds the four range controls (mRange loaded),
    // or null.
    PPDXRollDown* FindFeatureGroup();
    void SetOffsetString(int i, CFStringRef text);
    void SetRangeBoxString(int k, CFStringRef text);
};
