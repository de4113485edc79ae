// PPDXControls: the list of controls of a model or a roll-down, filed by kind at insertion,
// with counters per kind, stateful walks and look-ups by keyword.
#pragma once

#include <cstdint>

#include "PPDObjects/PPDXKeywordIndex.h"
#include "PPDObjects/PPDXTypes.h"
#include "foundation/PointerList.h"

class PPDXControl;
class PPDXPopupControl;
class PPDXBooleanControl;
class PPDXRangeControl;
class PPDXJobNote;
class PPDXSpecialOption;
class Settings;

// Counters of the controls of one kind, sampled at insertion.
struct CountArray {
    CountArray() : total(0), orphans(0), hidden(0), hiddenOrphans(0) {}
    uint32_t total;
    uint32_t orphans;
    uint32_t hidden;
    uint32_t hiddenOrphans;
};

class PPDXControls {
public:
    PPDXControls();
    // Deletes nothing but the lists: the controls belong to the model root.
    virtual ~PPDXControls();
    // ---- settings cache (settings/ContainerCache.cpp) ----
    // Told of each control the settings constructor makes, while the control is still warm:
    // Making before it is filed (it is deleted again when the lists have no room for it),
    // Filed once it is.
    class Observer {
    public:
        virtual void Making(PPDXControl* control) = 0;
        virtual void Filed(PPDXControl* control) = 0;

    protected:
        ~Observer() = default;
    };
    // The controls of cache objects 5001 upward, each of the kind its marker names.
    explicit PPDXControls(Settings& settings, Observer* observer = nullptr);
    // The count, then every control as objects 5001 upward; 0 or the failing result.
    int16_t Save(Settings& settings);
    // Each control's saved value back, in the numbering of Save; stops at the first failure.
    int16_t Restore(Settings& settings);
    // Counts every control again as it is now (orphan, visible): for controls whose parent
    // was linked after they were added.
    void Recount();
    // ---- end of settings cache ----

    // Appends a control (null is ignored) and files it in the list of its kind.
    void Add(PPDXControl* control);
    // Counts `control` into `counts` as it is now (orphan, visible).
    void Increment(PPDXControl* control, CountArray& counts);
    // The number of counted controls the current display options admit.
    long Count(const CountArray& counts) const;

    long PopupCount() const;
    long BooleanCount() const;
    long RangeCount() const;
    // As under display options 1, which are restored afterwards.
    long JobNoteCount() const;
    // As under display options 3, which are restored afterwards.
    long SpecialOptionsCount() const;
    // Popups, Booleans, ranges and job notes; special options are not included.
    long ControlCount() const;
    bool NoPopups() const { return PopupCount() == 0; }
    bool NoBooleanControls() const { return BooleanCount() == 0; }
    bool NoRangeControls() const { return RangeCount() == 0; }
    bool NoJobNotes() const { return JobNoteCount() == 0; }
    bool NoSpecialOptions() const { return SpecialOptionsCount() == 0; }
    bool Empty() const;
    // Number of entries of the all-controls list, whatever the display options.
    long Size() const;

    // Walk of all controls the current display options admit; stores the kind in `type`.
    PPDXControl* First(CNTL_TYPE& type);
    PPDXControl* Next(CNTL_TYPE& type);
    // Walks of one kind, without display filtering.
    PPDXPopupControl* FirstPopupControl();
    PPDXPopupControl* NextPopupControl();
    PPDXBooleanControl* FirstBooleanControl();
    PPDXBooleanControl* NextBooleanControl();
    PPDXRangeControl* FirstRangeControl();
    PPDXRangeControl* NextRangeControl();
    PPDXJobNote* FirstJobNote();
    PPDXJobNote* NextJobNote();
    PPDXSpecialOption* FirstSpecialOption();
    PPDXSpecialOption* NextSpecialOption();

    // First control the walk First/Next meets whose keyword matches (byte-equal when `exact`,
    // case-sensitive substring otherwise); moves the all cursor as that walk would.
    PPDXControl* Find(const char* keyword, CNTL_TYPE& type, const bool& exact);
    // The first control with exactly this keyword in insertion order, whatever the display
    // options; moves no cursor.
    PPDXControl* FindFirst(const char* keyword) const;
    // The same over the walk of one kind; moves that kind's cursor.
    PPDXPopupControl* FindPopup(const char* keyword, const bool& exact);
    PPDXBooleanControl* FindBoolean(const char* keyword, const bool& exact);
    PPDXRangeControl* FindRangeControl(const char* keyword, const bool& exact);
    PPDXJobNote* FindJobNote(const char* keyword, const bool& exact);
    PPDXSpecialOption* FindSpecialOption(const char* keyword, const bool& exact);

    PPDXControls(const PPDXControls&) = delete;
    PPDXControls& operator=(const PPDXControls&) = delete;

protected:
    // The kind lists, in field order (Add tests the kinds in another order).
    enum Kind { kPopups = 0, kBooleans, kRanges, kJobNotes, kSpecialOptions, kKindCount };
    // The kind list Add files a control in, or -1.
    static int KindOf(PPDXControl* control);
    struct KindList {
        PointerList list;
        PointerListItr cursor;
        CountArray counts;
    };
    void* FirstOfKind(int kind);
    void* NextOfKind(int kind);
    void* FindOfKind(int kind, const char* keyword, bool exact);
    // From the all cursor on, the first control the display options admit (the cursor stays
    // on it); null at the end.
    PPDXControl* SettleAll(CNTL_TYPE& type);

    PointerList mControls;  // every control, in insertion order
    PointerListItr mAllCursor;
    KindList mKinds[kKindCount];  // popups, Booleans, ranges, job notes, special options
    PPDXKeywordIndex mIndex;
};
