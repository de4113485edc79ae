// The scrap: one current scrap of flavours; a clear starts a new one, so a reference taken
// before it no longer reads or writes.
#include "platform/controls/Scrap.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <string>

namespace {

struct ScrapState {
    uintptr_t generation = 1;
    std::map<ScrapFlavorType, std::string> flavors;
};

ScrapState& Current() {
    static ScrapState state;
    return state;
}

bool IsCurrent(ScrapRef scrap) {
    return reinterpret_cast<uintptr_t>(scrap) == Current().generation;
}

}  // namespace

OSStatus GetCurrentScrap(ScrapRef* scrap) {
    if (scrap == nullptr) {
        return paramErr;
    }
    *scrap = reinterpret_cast<ScrapRef>(Current().generation);
    return noErr;
}

OSStatus ClearCurrentScrap(void) {
    ScrapState& state = Current();
    state.flavors.clear();
    ++state.generation;
    return noErr;
}

OSStatus GetScrapFlavorSize(ScrapRef scrap, ScrapFlavorType flavorType, Size* byteCount) {
    if (byteCount == nullptr) {
        return paramErr;
    }
    if (!IsCurrent(scrap)) {
        return noScrapErr;
    }
    auto found = Current().flavors.find(flavorType);
    if (found == Current().flavors.end()) {
        return noTypeErr;
    }
    *byteCount = static_cast<Size>(found->second.size());
    return noErr;
}

OSStatus GetScrapFlavorData(ScrapRef scrap, ScrapFlavorType flavorType, Size* byteCount,
                            void* destination) {
    if (byteCount == nullptr || *byteCount < 0 || (destination == nullptr && *byteCount > 0)) {
        return paramErr;
    }
    if (!IsCurrent(scrap)) {
        return noScrapErr;
    }
    auto found = Current().flavors.find(flavorType);
    if (found == Current().flavors.end()) {
        return noTypeErr;
    }
    size_t count = std::min(static_cast<size_t>(*byteCount), found->second.size());
    if (count > 0) {
        std::memcpy(destination, found->second.data(), count);
    }
    *byteCount = static_cast<Size>(count);
    return noErr;
}

OSStatus PutScrapFlavor(ScrapRef scrap, ScrapFlavorType flavorType, ScrapFlavorFlags,
                        Size flavorSize, const void* flavorData) {
    if (flavorSize < 0 || (flavorData == nullptr && flavorSize > 0)) {
        return paramErr;
    }
    if (!IsCurrent(scrap)) {
        return noScrapErr;
    }
    Current().flavors[flavorType] =
        flavorSize > 0
            ? std::string(static_cast<const char*>(flavorData), static_cast<size_t>(flavorSize))
            : std::string();
    return noErr;
}
