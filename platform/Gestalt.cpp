// Gestalt registry stand-in: one process-wide table of values under four-character selectors,
// shared by a host and every plug-in it loads (the platform library is one shared object).
#include "platform/Gestalt.h"

#include <map>
#include <mutex>
#include <new>

namespace {

// The table and its lock live as long as the process; they are never destroyed, so that a
// plug-in unloading late still finds them.
struct Registry {
    std::mutex lock;
    std::map<OSType, GestaltValue> values;
};

Registry& TheRegistry() {
    static Registry* registry = new Registry;
    return *registry;
}

}  // namespace

OSErr Gestalt(OSType selector, GestaltValue* response) {
    if (response == nullptr) {
        return paramErr;
    }
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> guard(r.lock);
    auto found = r.values.find(selector);
    if (found == r.values.end()) {
        return gestaltUndefSelectorErr;
    }
    *response = found->second;
    return noErr;
}

OSErr NewGestaltValue(OSType selector, GestaltValue newValue) {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> guard(r.lock);
    if (r.values.count(selector) != 0) {
        return gestaltDupSelectorErr;
    }
    try {
        r.values.emplace(selector, newValue);
    } catch (const std::bad_alloc&) {
        return memFullErr;
    }
    return noErr;
}

OSErr ReplaceGestaltValue(OSType selector, GestaltValue replacementValue) {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> guard(r.lock);
    auto found = r.values.find(selector);
    if (found == r.values.end()) {
        return gestaltUndefSelectorErr;
    }
    found->second = replacementValue;
    return noErr;
}

OSErr DeleteGestaltValue(OSType selector) {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> guard(r.lock);
    if (r.values.erase(selector) == 0) {
        return gestaltUndefSelectorErr;
    }
    return noErr;
}
