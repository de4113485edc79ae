// The keys of the parsed-PPD cache (section tags and ids, the four-character codes of the
// object fields) and the checked writers and readers of its items, shared by the Save
// members and the constructors from Settings of the model classes.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "platform/CFString.h"
#include "platform/MacTypes.h"

class CString;
class Settings;

namespace ppdcache {

// A four-character code, first character in the most significant byte.
constexpr unsigned long Code(const char (&c)[5]) {
    return (static_cast<unsigned long>(static_cast<unsigned char>(c[0])) << 24) |
           (static_cast<unsigned long>(static_cast<unsigned char>(c[1])) << 16) |
           (static_cast<unsigned long>(static_cast<unsigned char>(c[2])) << 8) |
           static_cast<unsigned long>(static_cast<unsigned char>(c[3]));
}

// ---- sections: model header, vendor texts, counts of the collections ----
constexpr unsigned long kHeaderTag = 1000;
constexpr long kFormatMarkId = 1001;  // 4 bytes, the value kFormatMark
constexpr int32_t kFormatMark = 1024;
constexpr long kFileLocationId = 1002;  // 70 bytes, the PPD file's FSSpec
constexpr long kFormatVersionId = 1003;
constexpr long kFileVersionId = 1004;
constexpr long kPCFileNameId = 1005;
constexpr long kLanguageVersionId = 1006;
constexpr long kLanguageEncodingId = 1007;
constexpr long kModelNameId = 1008;

constexpr unsigned long kVendorTag = 2000;
constexpr long kQWFileVersionId = 2001;
constexpr long kQWVersionId = 2002;

constexpr unsigned long kPropertiesTag = 3000;
constexpr long kPropertiesCountId = 3002;
constexpr long kFirstProperty = 3001;
constexpr unsigned long kGroupsTag = 4000;
constexpr long kGroupsCountId = 4002;
constexpr long kFirstGroup = 4001;
constexpr unsigned long kControlsTag = 5000;
constexpr long kControlsCountId = 5002;
constexpr long kFirstControl = 5001;
constexpr unsigned long kShortcutTag = Code("StCt");
constexpr long kShortcutCountId = 6000;
constexpr long kFirstShortcut = 6001;

// Property and group numbers of neighbouring collections meet beyond this many entries.
constexpr long kMaxSectionObjects = 1000;
// Popup item k of control n has the id n x 100 + k.
constexpr long kItemsPerObject = 100;

// ---- element part ----
constexpr unsigned long kKeyword = Code("KyWd");
constexpr unsigned long kUserNameText = Code("LcNm");
constexpr unsigned long kUserName = Code("LcCF");
constexpr unsigned long kVisible = Code("isVs");
constexpr unsigned long kParentName = Code("PrNm");
// Property page.
constexpr unsigned long kShowInPrintProp = Code("SPPg");
constexpr unsigned long kShowInApp = Code("SApp");
// Group kinds (markers).
constexpr unsigned long kGroupMarker = Code("gGrp");
constexpr unsigned long kRollDownMarker = Code("RlDn");
constexpr unsigned long kScrollPaneMarker = Code("ScPn");

// ---- control part ----
constexpr unsigned long kOrder = Code("Ordr");
constexpr unsigned long kPostScript = Code("PSDt");
constexpr unsigned long kControlFlags = Code("CFlg");
// Boolean.
constexpr unsigned long kBooleanMarker = Code("BlnC");
constexpr unsigned long kBooleanValue = Code("BCcV");
constexpr unsigned long kBooleanDefault = Code("BCdV");
constexpr unsigned long kTrueText = Code("BCtT");
constexpr unsigned long kFalseText = Code("BCfT");
constexpr unsigned long kTrueCode = Code("BtPT");
constexpr unsigned long kFalseCode = Code("BfPT");
// Popup and its items.
constexpr unsigned long kPopupMarker = Code("PopC");
constexpr unsigned long kPickMany = Code("PCMS");
constexpr unsigned long kDefaultKeyword = Code("PCDK");
constexpr unsigned long kItemCount = Code("PCIC");
constexpr unsigned long kItemKeyword = Code("PCIK");
constexpr unsigned long kItemName = Code("PCFN");
constexpr unsigned long kItemNameText = Code("PCIN");
constexpr unsigned long kItemCode = Code("PCIP");
constexpr unsigned long kItemSelected = Code("PCIS");
// Integer and float ranges.
constexpr unsigned long kRangeMarker = Code("RngC");
constexpr unsigned long kRangeValue = Code("RCVl");
constexpr unsigned long kRangeMinimum = Code("RCMn");
constexpr unsigned long kRangeMaximum = Code("RCMx");
constexpr unsigned long kRangeIncrement = Code("RCIn");
constexpr unsigned long kRangeDefault = Code("RCDf");
// Written by a float range beside "RngC" so that the rebuild makes a float range again; a
// reader that does not know it rebuilds an integer range holding the floats' bit patterns.
constexpr unsigned long kFloatRangeMarker = Code("RCFt");
// Job note.
constexpr unsigned long kJobNoteMarker = Code("JbNt");
constexpr unsigned long kNotes = Code("jNtT");
constexpr unsigned long kDefaultNotes = Code("jNDT");
constexpr unsigned long kMaxLength = Code("jMxL");
constexpr unsigned long kMinLength = Code("jMnL");
constexpr unsigned long kNoteFlags = Code("jNtF");
constexpr unsigned long kNotesOn = Code("jNOn");
// Special option.
constexpr unsigned long kSpecialMarker = Code("soCN");
constexpr unsigned long kSpecialValue = Code("soVl");

// Longest text or code item the rebuild accepts. The model's texts come from PPD lines of at
// most 255 characters and PostScript values of at most 4096 bytes; anything far beyond that
// is not a cache this system wrote.
constexpr long kMaxItemBytes = 1L << 20;

// ---- writers: 0 or the failing result of Settings::Add ----
OSErr AddBytes(Settings& s, unsigned long tag, long id, const void* data, long size);
// One byte, 0 or 1.
OSErr AddFlag(Settings& s, unsigned long tag, long id, bool value);
// One byte whose content is never read.
OSErr AddMarker(Settings& s, unsigned long tag, long id);
OSErr AddInt16(Settings& s, unsigned long tag, long id, int16_t value);
OSErr AddInt32(Settings& s, unsigned long tag, long id, int32_t value);
OSErr AddFloat(Settings& s, unsigned long tag, long id, float value);
// The bytes of the text without its NUL; nothing is written for a null text.
OSErr AddText(Settings& s, unsigned long tag, long id, const char* text);
// The external representation of the string; nothing is written for a null string.
OSErr AddUnicode(Settings& s, unsigned long tag, long id, CFStringRef text);

// ---- readers ----
// 0 when the item exists, -5751 when it does not, another result when it cannot be asked.
OSStatus Probe(Settings& s, unsigned long tag, long id);
// True when the item exists with exactly `size` bytes, which are copied to `out`.
bool ReadExact(Settings& s, unsigned long tag, long id, void* out, long size);
// A 1-byte item as a flag (any byte but 0 is true); false when absent or of another length.
bool ReadFlag(Settings& s, unsigned long tag, long id, bool& out);
// A 4-byte item as a signed 32-bit number.
bool ReadInt32(Settings& s, unsigned long tag, long id, int32_t& out);
// A count: a 4-byte item, 0 when absent or of another length, negative counts taken as 0.
// The callers bound what they do with it by what the container holds.
long ReadCount(Settings& s, unsigned long tag, long id);
// A text item as a new CString (the caller deletes it), as GetSettingsString reads it: null
// when absent, empty or longer than kMaxItemBytes.
CString* ReadText(Settings& s, unsigned long tag, long id);
// A Unicode item as a new CFString (the caller releases it), as GetSettingsCFString reads it:
// null when absent, empty, too long or not a valid representation.
CFStringRef ReadUnicode(Settings& s, unsigned long tag, long id);
// A code item as a new malloc'd block (the caller frees it) of `length` bytes: null and 0
// when absent, empty or longer than kMaxItemBytes.
unsigned char* ReadData(Settings& s, unsigned long tag, long id, int32_t& length);

// The id n x 100 + k of popup item k of object n; false when it leaves the 32-bit range.
bool ItemId(long object, long item, long& id);

// The object numbers a collection is rebuilt from, in ascending order: the count item asks
// for first .. first + count - 1. A cache this system wrote has at least one item for each
// object, so its count never exceeds the items the container holds, and those numbers are
// visited one by one. A larger count comes from a damaged cache, where visiting every number
// could take far longer than the container has items: one walk over the items then finds
// the numbers of that range that hold one of `tags` (the items that make an object of the
// collection), and only they are visited, so the rebuild never runs longer than the items
// held. For groups and controls that is the same result, since a number without a marker
// makes nothing; a property number that holds no item at all, which would make an empty
// page, is passed over.
class SectionNumbers {
public:
    SectionNumbers(Settings& s, unsigned long countTag, long countId, long first,
                   std::initializer_list<unsigned long> tags);
    // The next number to visit; false after the last.
    bool Next(long& number);

private:
    long mFirst;
    long mCount;
    bool mWalked = false;
    size_t mNext = 0;         // index into the range, or into mHeld after a walk
    std::vector<long> mHeld;  // the numbers found by the walk, ascending
};

// Sets the process-wide display options to 3 (every element admitted) for its lifetime and
// puts the earlier value back.
class AllElements {
public:
    AllElements();
    ~AllElements();
    AllElements(const AllElements&) = delete;
    AllElements& operator=(const AllElements&) = delete;

private:
    uint32_t mSaved;
};

}  // namespace ppdcache
