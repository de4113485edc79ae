// PPDXKeywordIndex: the exact-keyword index of a model container, answering what a walk from
// the first entry would answer (the first entry in insertion order with that keyword).
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "foundation/PointerList.h"

class PPDXElement;

class PPDXKeywordIndex {
public:
    struct Entry {
        PPDXElement* element;
        PointerListItr position;      // node of the element in the container's main list
        int kind;                     // the kind list it was filed in (container's own numbering)
        PointerListItr kindPosition;  // node in that kind list
    };

    // Records `entry` under the element's keyword; elements without a keyword are not kept.
    // When memory runs out the index gives up and reports itself unusable.
    void Add(const Entry& entry);
    // The entries with exactly that keyword, in insertion order; null when none.
    const std::vector<Entry>* Lookup(const char* keyword) const;
    // False once an entry could not be recorded: the container then walks its list instead.
    bool Usable() const { return mUsable; }

private:
    bool mUsable = true;
    std::unordered_map<std::string, std::vector<Entry>> mEntries;
};
