// ZEQPPD members for UI constraints: the "*UIConstraints", "*%ZEQUIConstraints" and
// "*%ZEQUIRequires" statements, the forest queries and their records, and the diagnostic dump.
#include <cstdint>
#include <cstring>
#include <new>

#include "PPDObjects/PPDXBooleanControl.h"
#include "PPDObjects/PPDXControl.h"
#include "PPDObjects/PPDXErrors.h"
#include "PPDObjects/PPDXPopupControl.h"
#include "PPDUtils/CStringSoup.h"
#include "PPDUtils/KeywordTo_PPDControl.h"
#include "PPDUtils/PPDStream.h"
#include "parser/UIConstraints.h"
#include "parser/ZEQPPD.h"

namespace {

// Error number of a constraint statement without a second keyword.
constexpr short kErrorNoSecondKeyword = 36;

// Keyword of the option at 1-based `number` of `popup` (a number of 1 or less means the
// first); null when the popup has fewer items or none.
const char* PopupItemKeyword(PPDXPopupControl* popup, long number) {
    const long count = popup->ItemCount();
    if (count < 1 || number > count) {
        return nullptr;
    }
    _PopupItem* item = popup->FirstItem();
    for (long i = 1; i < number && item != nullptr; ++i) {
        item = popup->NextItem();
    }
    return item != nullptr ? item->Keyword() : nullptr;
}

// 1-based number of the first item of `popup` whose keyword is `option`, or kNoConstraintItem.
uint16_t PopupItemNumber(PPDXPopupControl* popup, const char* option) {
    if (popup->ItemCount() < 1) {
        return kNoConstraintItem;
    }
    long number = 1;
    for (_PopupItem* item = popup->FirstItem(); item != nullptr; item = popup->NextItem()) {
        const char* keyword = item->Keyword();
        if (keyword != nullptr && std::strcmp(keyword, option) == 0) {
            // Popups with 65535 or more items cannot name their last ones in a record.
            return number < kNoConstraintItem ? static_cast<uint16_t>(number) : kNoConstraintItem;
        }
        ++number;
    }
    return kNoConstraintItem;
}

// Text of a pool number, "" for a number the installed pool does not hold (a forest filled
// while another pool was installed).
const char* PoolText(long number) {
    const char* text = gConstraintStrings != nullptr ? gConstraintStrings->Find(number) : nullptr;
    return text != nullptr ? text : "";
}

}  // namespace

PPDXErrorObj* ZEQPPD::ParseUIConstraint(PPDStream& stream, bool isRequirement) {
    char key1[kPPDLineBufferSize] = "";
    char option1[kPPDLineBufferSize] = "";
    char key2[kPPDLineBufferSize] = "";
    char option2[kPPDLineBufferSize] = "";
    char second[kPPDLineBufferSize] = "";

    // A statement with nothing after its keyword, or with only the first keyword, names no
    // edge at all; it is passed over without an error.
    stream.SkipWhiteSpace();
    if (!NextToken(stream, key1, " \t", true) || key1[0] == '\0') {
        return nullptr;
    }
    stream.SkipWhiteSpace();
    if (!NextToken(stream, second, " \t", true) || second[0] == '\0') {
        return nullptr;
    }
    if (second[0] == '*') {
        std::strcpy(key2, second);
    } else {
        std::strcpy(option1, second);
        stream.SkipWhiteSpace();
        if (!NextToken(stream, key2, " \t", true)) {
            key2[0] = '\0';
        }
    }
    if (key2[0] == '\0') {
        return NewError(kErrorNoSecondKeyword, nullptr, false);
    }
    stream.SkipWhiteSpace();
    if (!NextToken(stream, option2, " \t", true)) {
        option2[0] = '\0';
    }

    ConstraintForest* forest = isRequirement ? mRequires : mConstraints;
    if (forest == nullptr || gConstraintStrings == nullptr) {
        return nullptr;
    }
    // New texts get their numbers in this order.
    const long option2Number = gConstraintStrings->Insert(option2);
    const long key2Number = gConstraintStrings->Insert(key2);
    const long option1Number = gConstraintStrings->Insert(option1);
    const long key1Number = gConstraintStrings->Insert(key1);
    if (option2Number < 0 || key2Number < 0 || option1Number < 0 || key1Number < 0) {
        // The pool could not hold a text: an edge with an invalid number would break every
        // later query, so the statement is dropped.
        return nullptr;
    }
    forest->insert(key1Number, option1Number, key2Number, option2Number);
    if (isRequirement) {
        ++gProcessedRequires;
    } else {
        ++gProcessedConstraints;
    }
    return nullptr;
}

long ZEQPPD::GetConstraintList(void* control, long value, SharedConstraintRec** records) {
    return CommonGetForestList(static_cast<PPDXControl*>(control), value, records, mConstraints);
}

long ZEQPPD::GetRequiresList(void* control, SharedConstraintRec** records) {
    return CommonGetForestList(static_cast<PPDXControl*>(control), 0, records, mRequires);
}

long ZEQPPD::CommonGetForestList(PPDXControl* control, long value, SharedConstraintRec** records,
                                 ConstraintForest* forest) {
    if (control == nullptr) {
        return 0;
    }
    // A control missing from the keyword index (or a model without forests or pool) cannot
    // be queried: the answer is empty.
    const char* keyword = nullptr;
    if (mKeywordIndex != nullptr) {
        keyword = mKeywordIndex->Lookup(control);
    }
    if (keyword == nullptr || forest == nullptr || gConstraintStrings == nullptr) {
        if (records != nullptr) {
            *records = nullptr;
        }
        return 0;
    }
    const long keyNumber = gConstraintStrings->Find(keyword);

    const char* optionText = nullptr;
    if (PPDXPopupControl* popup = dynamic_cast<PPDXPopupControl*>(control)) {
        optionText = PopupItemKeyword(popup, value);
    } else if (dynamic_cast<PPDXBooleanControl*>(control) != nullptr) {
        optionText = value != 0 ? "True" : "False";
    } else {
        optionText = "";
    }

    ItemConstraintList* specific = nullptr;
    if (optionText != nullptr) {
        const long optionNumber = gConstraintStrings->Find(optionText);
        if (optionNumber != -1) {
            specific = forest->GetConstraintList(keyNumber, optionNumber);
        }
    }
    ItemConstraintList* general = forest->GetConstraintList(keyNumber, -1);

    const unsigned long specificCount = specific != nullptr ? specific->size() : 0;
    const unsigned long generalCount = general != nullptr ? general->size() : 0;
    unsigned long count = specificCount + generalCount;

    if (records != nullptr) {
        *records = nullptr;
        if (count > 0) {
            SharedConstraintRec* array = new (std::nothrow) SharedConstraintRec[count];
            if (array == nullptr) {
                // Out of memory: the query answers nothing rather than a count without records.
                count = 0;
            } else {
                ProcessConstraintList(specific, array, 0, specificCount);
                ProcessConstraintList(general, array, specificCount, generalCount);
                *records = array;
            }
        }
    }
    delete specific;
    delete general;
    return static_cast<long>(count);
}

void ZEQPPD::ProcessConstraintList(const ItemConstraintList* list, SharedConstraintRec* records,
                                   unsigned long first, unsigned long count) {
    if (list == nullptr || records == nullptr || gConstraintStrings == nullptr) {
        return;
    }
    for (unsigned long i = 0; i < count && i < list->size(); ++i) {
        const std::pair<long, long> entry = (*list)[i];
        const char* targetKeyword = gConstraintStrings->Find(entry.first);
        const char* targetOption = gConstraintStrings->Find(entry.second);

        PPDXControl* target = nullptr;
        if (mKeywordIndex != nullptr && targetKeyword != nullptr) {
            target = mKeywordIndex->Lookup(const_cast<char*>(targetKeyword));
        }
        // A target option on a control that is not a popup (or on no control) names no item;
        // it gets the same "no item" value as a statement without target option.
        uint16_t item = kNoConstraintItem;
        if (targetOption != nullptr && targetOption[0] != '\0') {
            if (PPDXPopupControl* popup = dynamic_cast<PPDXPopupControl*>(target)) {
                item = PopupItemNumber(popup, targetOption);
            }
        }
        SharedConstraintRec& record = records[first + i];
        record.control = target;
        record.item = item;
    }
}

void ZEQPPD::ReleaseConstraintList(SharedConstraintRec*& records) {
    delete[] records;
    records = nullptr;
}

void ZEQPPD::ReleaseRequiresList(SharedConstraintRec*& records) {
    delete[] records;
    records = nullptr;
}

void ZEQPPD::DeleteConstraintMaps() {
    delete mConstraints;
    mConstraints = nullptr;
    delete mRequires;
    mRequires = nullptr;
    delete gConstraintStrings;
    gConstraintStrings = nullptr;
}

long ZEQPPD::DumpConstraintMap(FILE* stream, ConstraintForest* forest, char* title) {
    if (stream == nullptr) {
        return 0;
    }
    std::fprintf(stream, "--- %s ---\n", title != nullptr ? title : "");
    if (mKeywordIndex == nullptr || mKeywordIndex->size() == 0) {
        return 0;
    }
    const unsigned long entries = mKeywordIndex->size();
    for (unsigned long e = 0; e < entries; ++e) {
        const auto& entry = (*mKeywordIndex)[e];
        const char* keyword = entry.first != nullptr ? entry.first : "";
        // The control pointer is printed in 8 hexadecimal digits (its low 32 bits).
        std::fprintf(stream, "%s = %08x\n", keyword,
                     static_cast<unsigned int>(reinterpret_cast<uintptr_t>(entry.second)));
        if (gConstraintStrings == nullptr) {
            continue;
        }
        const long keyNumber = gConstraintStrings->Find(keyword);
        const long poolSize = gConstraintStrings->size();
        for (long j = 0; j < poolSize; ++j) {
            const char* option = PoolText(j);
            std::fprintf(stream, "GetConstraintList: %s(%d), %s(%d)\n", keyword,
                         static_cast<int>(keyNumber), option, static_cast<int>(j));
            if (forest == nullptr) {
                continue;
            }
            ItemConstraintList* list = forest->GetConstraintList(keyNumber, j);
            if (list == nullptr) {
                continue;
            }
            for (unsigned long i = 0; i < list->size(); ++i) {
                const std::pair<long, long> target = (*list)[i];
                std::fprintf(stream, "*UIConstraints: %s %s %s %s\n", keyword, option,
                             PoolText(target.first), PoolText(target.second));
            }
            delete list;
        }
    }
    return static_cast<long>(entries);
}
