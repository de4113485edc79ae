// The process-wide string-list registry behind GetIndString, with the parse-error
// descriptions of list -8900 built in.
#include "platform/Resources.h"

#include "platform/AllocationHook.h"
#include "platform/TextUtils.h"

#include <cstring>
#include <map>
#include <mutex>
#include <new>
#include <string>
#include <vector>

namespace {

// Descriptions of the PPD parser's error numbers 1 to 36. Numbers the parser never reports
// have an empty entry, so their errors carry no description.
const char* const kParseErrorDescriptions[] = {
    /*  1 */ "Not enough memory to build the PPD model",
    /*  2 */ "",
    /*  3 */ "",
    /*  4 */ "Property page statement without a name",
    /*  5 */ "Group statement without a keyword or without a following option statement",
    /*  6 */ "Job note keyword missing or different from the option keyword",
    /*  7 */ "Malformed range statement",
    /*  8 */ "Option statement without an option keyword",
    /*  9 */ "Boolean option other than True or False",
    /* 10 */ "",
    /* 11 */ "Option block without closing statement, or with a second default",
    /* 12 */ "Group name statement without a name",
    /* 13 */ "",
    /* 14 */ "Parent missing or of the wrong kind",
    /* 15 */ "Parent statement without child or parent name",
    /* 16 */ "Flags statement without a keyword or without an option block",
    /* 17 */ "",
    /* 18 */ "The PPD file cannot be opened or read",
    /* 19 */ "Shortcut to an unknown or refused keyword",
    /* 20 */ "",
    /* 21 */ "Option without a group",
    /* 22 */ "",
    /* 23 */ "Duplicate option, page or group name",
    /* 24 */ "",
    /* 25 */ "No property pages",
    /* 26 */ "No groups",
    /* 27 */ "No options",
    /* 28 */ "Not a version 4.3 PPD file",
    /* 29 */ "Option without a roll-down",
    /* 30 */ "",
    /* 31 */ "Missing or unknown user interface type",
    /* 32 */ "Job note setting not supported at this extension level",
    /* 33 */ "Option block without a default",
    /* 34 */ "",
    /* 35 */ "Range without PostScript code",
    /* 36 */ "Constraint without a second keyword",
};

struct Registry {
    std::mutex lock;
    std::map<short, std::vector<std::string>> lists;
    short currentFile = 1;

    Registry() {
        auto& list = lists[kZEQParseErrorStringListID];
        for (const char* entry : kParseErrorDescriptions) {
            list.emplace_back(entry);
        }
    }
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

thread_local OSErr gResError = noErr;

}  // namespace

OSErr ResError(void) {
    return gResError;
}

short CurResFile(void) {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> guard(r.lock);
    gResError = noErr;
    return r.currentFile;
}

void UseResFile(short refNum) {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> guard(r.lock);
    r.currentFile = refNum;
    gResError = noErr;
}

OSErr ZEQRegisterStringList(short id, const char* const* entries, int count) {
    if (count < 0 || (entries == nullptr && count > 0)) {
        return gResError = paramErr;
    }
    if (!ZEQPlatformAllocationAllowed()) {
        return gResError = memFullErr;
    }
    std::vector<std::string> copy;
    try {
        copy.reserve(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i) {
            const char* entry = entries[i] != nullptr ? entries[i] : "";
            copy.emplace_back(entry, strnlen(entry, 255));
        }
        Registry& r = TheRegistry();
        std::lock_guard<std::mutex> guard(r.lock);
        r.lists[id] = std::move(copy);
    } catch (const std::bad_alloc&) {
        return gResError = memFullErr;
    }
    return gResError = noErr;
}

OSErr ZEQUnregisterStringList(short id) {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> guard(r.lock);
    return gResError = r.lists.erase(id) != 0 ? noErr : resNotFound;
}

void GetIndString(Str255 theString, short strListID, short index) {
    if (theString == nullptr) {
        gResError = paramErr;
        return;
    }
    theString[0] = 0;
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> guard(r.lock);
    auto found = r.lists.find(strListID);
    if (found == r.lists.end() || index < 1 || static_cast<size_t>(index) > found->second.size()) {
        gResError = resNotFound;
        return;
    }
    const std::string& entry = found->second[static_cast<size_t>(index) - 1];
    std::memcpy(theString + 1, entry.data(), entry.size());
    theString[0] = static_cast<unsigned char>(entry.size());
    gResError = noErr;
}
