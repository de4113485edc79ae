// The shared PPD manager: a process-wide list of parsed models, in installation order, that
// the plug-ins of one process reach through the Gestalt registry under "QWPd".
#include <new>

#include "foundation/PointerList.h"
#include "parser/ZEQPPD.h"
#include "platform/Gestalt.h"
#include "printsys/PPDLocation.h"

namespace {

constexpr OSType kSharedPPDSelector = 0x51575064;  // 'QWPd'

// The registry holds the list's address as a pointer-sized value (see platform/Gestalt.h).
PointerList* RegisteredList(OSErr& result) {
    GestaltValue value = 0;
    result = Gestalt(kSharedPPDSelector, &value);
    return result == noErr ? reinterpret_cast<PointerList*>(value) : nullptr;
}

GestaltValue AsValue(PointerList* list) {
    return reinterpret_cast<GestaltValue>(list);
}

}  // namespace

// The list never owns the models: each holds one more reference of its own for every entry.
bool InstallSharedPPDManager(ZEQPPD* ppd) {
    if (ppd == nullptr)
        return false;
    OSErr lookup = noErr;
    PointerList* list = RegisteredList(lookup);
    if (list != nullptr) {
        if (*list->PushBack(ppd) == nullptr)
            return false;
        ppd->Retain();
        return true;
    }
    list = new (std::nothrow) PointerList();
    if (list == nullptr)
        return false;
    if (*list->PushBack(ppd) == nullptr) {
        delete list;
        return false;
    }
    // Not registered: a new registration; registered with no list: the value is replaced.
    const OSErr registered = lookup != noErr
                                 ? NewGestaltValue(kSharedPPDSelector, AsValue(list))
                                 : ReplaceGestaltValue(kSharedPPDSelector, AsValue(list));
    if (registered != noErr) {
        delete list;
        return false;
    }
    ppd->Retain();
    return true;
}

// Every model listed gets one more reference, and the caller the most recent one.
ZEQPPD* GetSharedPPDManager() {
    OSErr lookup = noErr;
    PointerList* list = RegisteredList(lookup);
    if (list == nullptr || list->Empty())
        return nullptr;
    ZEQPPD* last = nullptr;
    for (PointerListItr it = list->Begin(); it != list->End(); ++it) {
        last = static_cast<ZEQPPD*>(*it);
        last->Retain();
    }
    return last;
}

// One Release for every entry, from the first; after a model is destroyed the walk starts
// again at the first entry. A model installed more than once is listed more than once: when
// it is destroyed, every entry naming it goes, so that no later step releases it again.
void ReleasePPDManager() {
    OSErr lookup = noErr;
    PointerList* list = RegisteredList(lookup);
    if (list == nullptr)
        return;
    PointerListItr it = list->Begin();
    while (it != list->End()) {
        ZEQPPD* ppd = static_cast<ZEQPPD*>(*it);
        if (!ppd->Release()) {
            ++it;
            continue;
        }
        for (PointerListItr at = list->Begin(); at != list->End();)
            at = *at == ppd ? list->Erase(at) : ++at;
        it = list->Begin();
    }
    if (list->Empty() && DeleteGestaltValue(kSharedPPDSelector) == noErr)
        delete list;
}
