// KeywordTo_PPDControl: the parser's index from a main keyword ("*PageSize") to the control
// made for it; filled while the file is read, sorted once at the end of the parse.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

class PPDXControl;

class KeywordTo_PPDControl {
public:
    // (keyword copy owned by the index, control not owned)
    typedef std::pair<char*, PPDXControl*> Entry;

    KeywordTo_PPDControl();
    virtual ~KeywordTo_PPDControl();

    // Appends a pair with a private copy of the keyword; duplicates stay. A pair whose
    // keyword cannot be copied is dropped.
    void insert(const char* keyword, PPDXControl* control);
    // Sorts the pairs by keyword, byte-wise; pairs without a keyword go last.
    void EndInsertion();
    bool sorted() const { return mSorted; }

    // The control of the first pair with exactly this keyword, or null. Needs a sorted index.
    PPDXControl* Lookup(const char* keyword) const;
    PPDXControl* operator[](const char* keyword) const { return Lookup(keyword); }
    // The keyword under which the control was entered, or null (a walk over all pairs).
    const char* Lookup(const PPDXControl* control) const;

    size_t size() const { return mEntries.size(); }
    // The i-th pair in the current order; past the end, a pair of nulls.
    const Entry& operator[](size_t i) const;

    // Releases every keyword copy and the array.
    void DeleteKeyVector();

private:
    KeywordTo_PPDControl(const KeywordTo_PPDControl&) = delete;
    KeywordTo_PPDControl& operator=(const KeywordTo_PPDControl&) = delete;

    std::vector<Entry> mEntries;
    bool mSorted;
};
