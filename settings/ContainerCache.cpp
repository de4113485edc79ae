// Settings cache of the model containers: the count and the numbered members of the
// property pages, groups and controls, the shortcut keywords, and the value restore.
#include <new>

#include "PPDObjects/PPDXBooleanControl.h"
#include "PPDObjects/PPDXControl.h"
#include "PPDObjects/PPDXControls.h"
#include "PPDObjects/PPDXFloatRangeControl.h"
#include "PPDObjects/PPDXGroup.h"
#include "PPDObjects/PPDXGroups.h"
#include "PPDObjects/PPDXJobNote.h"
#include "PPDObjects/PPDXPopupControl.h"
#include "PPDObjects/PPDXProperties.h"
#include "PPDObjects/PPDXProperty.h"
#include "PPDObjects/PPDXRangeControl.h"
#include "PPDObjects/PPDXRollDown.h"
#include "PPDObjects/PPDXScrollPane.h"
#include "PPDObjects/PPDXShortcuts.h"
#include "PPDObjects/PPDXSpecialOption.h"
#include "foundation/CString.h"
#include "settings/CacheFormat.h"
#include "settings/Settings.h"

using namespace ppdcache;

namespace {

// The count item of a collection; a list longer than 32 bits cannot be numbered.
OSErr AddCount(Settings& s, unsigned long tag, long id, long count) {
    return count <= INT32_MAX ? AddInt32(s, tag, id, static_cast<int32_t>(count))
                              : static_cast<OSErr>(paramErr);
}

}  // namespace

// ---- property pages ----

PPDXProperties::PPDXProperties(Settings& settings) : PPDXProperties() {
    try {
        // Every number up to the count gets a page, whatever items it has (within the bound
        // of SectionNumbers).
        SectionNumbers numbers(settings, kPropertiesTag, kPropertiesCountId, kFirstProperty,
                               {kKeyword, kUserName, kParentName, kVisible, kShowInPrintProp});
        for (long number = 0; numbers.Next(number);) {
            PPDXProperty* page = new (std::nothrow) PPDXProperty(settings, number);
            if (page == nullptr) {
                break;
            }
            const long before = Count();
            Add(page);
            if (Count() == before) {
                delete page;  // no room in the list
                break;
            }
        }
    } catch (const std::bad_alloc&) {
        // Nobody else holds the pages yet: they go before the failure is passed on.
        for (PointerListItr it = mProperties.Begin(); it != mProperties.End(); ++it) {
            delete static_cast<PPDXProperty*>(*it);
        }
        throw;
    }
}

// Pages beyond kMaxSectionObjects would take the numbers of the groups: such a model is not
// written (the caller keeps no cache and parses the file next time).
int16_t PPDXProperties::Save(Settings& settings) {
    const long count = Count();
    if (count > kMaxSectionObjects) {
        return paramErr;
    }
    OSErr result = AddCount(settings, kPropertiesTag, kPropertiesCountId, count);
    long number = kFirstProperty;
    for (PointerListItr it = mProperties.Begin(); result == noErr && it != mProperties.End();
         ++it) {
        PPDXProperty* page = static_cast<PPDXProperty*>(*it);
        if (page != nullptr) {
            result = page->Save(settings, number++);
        }
    }
    return result;
}

// ---- groups ----

PPDXGroups::PPDXGroups(Settings& settings) : PPDXGroups() {
    try {
        SectionNumbers numbers(settings, kGroupsTag, kGroupsCountId, kFirstGroup,
                               {kGroupMarker, kRollDownMarker, kScrollPaneMarker});
        for (long number = 0; numbers.Next(number);) {
            // The markers are probed in this order; a number with none of them, or one whose
            // probe fails otherwise than "absent", is skipped.
            PPDXGroup* group = nullptr;
            OSStatus found = Probe(settings, kGroupMarker, number);
            if (found == noErr) {
                group = new (std::nothrow) PPDXGroup(settings, number);
            } else if (found == collectionItemNotFoundErr) {
                found = Probe(settings, kRollDownMarker, number);
                if (found == noErr) {
                    group = new (std::nothrow) PPDXRollDown(settings, number);
                } else if (found == collectionItemNotFoundErr) {
                    found = Probe(settings, kScrollPaneMarker, number);
                    if (found == noErr) {
                        group = new (std::nothrow) PPDXScrollPane(settings, number);
                    }
                }
            }
            const long before = Size();
            Add(group);
            if (group != nullptr && Size() == before) {
                delete group;  // no room in the list
            }
        }
    } catch (const std::bad_alloc&) {
        // Nobody else holds the groups yet: they go before the failure is passed on.
        for (PointerListItr it = mGroups.Begin(); it != mGroups.End(); ++it) {
            delete static_cast<PPDXGroup*>(*it);
        }
        throw;
    }
}

// Groups beyond kMaxSectionObjects would take the numbers of the controls: such a model is
// not written.
int16_t PPDXGroups::Save(Settings& settings) {
    const long count = Size();
    if (count > kMaxSectionObjects) {
        return paramErr;
    }
    OSErr result = AddCount(settings, kGroupsTag, kGroupsCountId, count);
    long number = kFirstGroup;
    for (PointerListItr it = mGroups.Begin(); result == noErr && it != mGroups.End(); ++it) {
        PPDXGroup* group = static_cast<PPDXGroup*>(*it);
        if (group != nullptr) {
            result = group->Save(settings, number++);
        }
    }
    return result;
}

// ---- controls ----

PPDXControls::PPDXControls(Settings& settings, Observer* observer) : PPDXControls() {
    // Job notes get the PPD's language encoding; it is read once, for the first of them.
    CString* languageEncoding = nullptr;
    bool encodingRead = false;
    // The popup items that the popups of this collection may make together: no more than the
    // container holds items.
    long itemBudget = settings.Count();
    try {
        const std::initializer_list<unsigned long> markers = {
            kBooleanMarker, kJobNoteMarker, kPopupMarker, kRangeMarker, kSpecialMarker};
        SectionNumbers numbers(settings, kControlsTag, kControlsCountId, kFirstControl, markers);
        for (long number = 0; numbers.Next(number);) {
            unsigned long marker = 0;
            for (unsigned long candidate : markers) {
                const OSStatus found = Probe(settings, candidate, number);
                if (found == noErr) {
                    marker = candidate;
                }
                if (found != collectionItemNotFoundErr) {
                    break;
                }
            }
            PPDXControl* control = nullptr;
            if (marker == kBooleanMarker) {
                control = new (std::nothrow) PPDXBooleanControl(settings, number);
            } else if (marker == kJobNoteMarker) {
                if (!encodingRead) {
                    languageEncoding = ReadText(settings, kHeaderTag, kLanguageEncodingId);
                    encodingRead = true;
                }
                control = new (std::nothrow) PPDXJobNote(settings, number, languageEncoding);
            } else if (marker == kPopupMarker) {
                control = new (std::nothrow) PPDXPopupControl(settings, number, itemBudget);
            } else if (marker == kRangeMarker) {
                if (Probe(settings, kFloatRangeMarker, number) == noErr) {
                    control = new (std::nothrow) PPDXFloatRangeControl(settings, number);
                } else {
                    control = new (std::nothrow) PPDXRangeControl(settings, number);
                }
            } else if (marker == kSpecialMarker) {
                control = new (std::nothrow) PPDXSpecialOption(settings, number);
            }
            if (control != nullptr && observer != nullptr) {
                observer->Making(control);
            }
            const long before = Size();
            Add(control);
            if (control != nullptr && Size() == before) {
                delete control;  // no room in the list
            } else if (control != nullptr && observer != nullptr) {
                observer->Filed(control);
            }
        }
    } catch (const std::bad_alloc&) {
        // The container does not own its controls, but nobody else holds these yet: they go,
        // with the encoding text, before the failure is passed on.
        for (PointerListItr it = mControls.Begin(); it != mControls.End(); ++it) {
            delete static_cast<PPDXControl*>(*it);
        }
        delete languageEncoding;
        throw;
    }
    delete languageEncoding;
}

// The items of popup n take the ids n x 100 upward. A popup with more than a hundred items
// would take ids of the next popup's items; the model is then not written, unless the controls
// in between are no popups and leave room.
int16_t PPDXControls::Save(Settings& settings) {
    OSErr result = AddCount(settings, kControlsTag, kControlsCountId, Size());
    long number = kFirstControl;
    long firstFreeItemId = 0;
    for (PointerListItr it = mControls.Begin(); result == noErr && it != mControls.End(); ++it) {
        PPDXControl* control = static_cast<PPDXControl*>(*it);
        if (control == nullptr) {
            continue;
        }
        if (PPDXPopupControl* popup = dynamic_cast<PPDXPopupControl*>(control)) {
            const long items = popup->ItemCount();
            long first = 0;
            long last = 0;
            if (items > 0) {
                if (!ItemId(number, 0, first) || !ItemId(number, items - 1, last) ||
                    first < firstFreeItemId) {
                    return paramErr;
                }
                firstFreeItemId = last + 1;
            }
        }
        result = control->Save(settings, number++);
    }
    return result;
}

int16_t PPDXControls::Restore(Settings& settings) {
    long number = kFirstControl;
    for (PointerListItr it = mControls.Begin(); it != mControls.End(); ++it) {
        PPDXControl* control = static_cast<PPDXControl*>(*it);
        if (control == nullptr) {
            continue;
        }
        const OSErr result = control->Restore(settings, number++);
        if (result != noErr) {
            return result;
        }
    }
    return noErr;
}

void PPDXControls::Recount() {
    for (KindList& kind : mKinds) {
        kind.counts = CountArray();
        for (PointerListItr it = kind.list.Begin(); it != kind.list.End(); ++it) {
            Increment(static_cast<PPDXControl*>(*it), kind.counts);
        }
    }
}

// ---- shortcuts ----

PPDXShortcuts::PPDXShortcuts(Settings& settings, PPDXControls* controls) : PPDXShortcuts() {
    if (controls == nullptr) {
        return;
    }
    AllElements all;  // nested, hidden and orphan controls are found too
    const long count = ReadCount(settings, kShortcutTag, kShortcutCountId);
    long id = kFirstShortcut;
    for (long j = 0; j < count; ++j) {
        CString* keyword = ReadText(settings, kShortcutTag, id);
        // The number moves on only past a keyword that was read; a missing one would be
        // asked for again each time and change nothing, so the walk ends there. Every turn
        // before it read an item of its own: the walk never runs longer than the items held.
        if (keyword == nullptr) {
            break;
        }
        ++id;
        CNTL_TYPE type = kUnknownControl;
        PPDXControl* control = controls->Find(*keyword, type, true);
        delete keyword;
        // A keyword no rebuilt control has is dropped: the parser keeps no such entry either.
        if (control != nullptr) {
            mShortcuts.PushBack(control);
        }
    }
    mCursor = mShortcuts.Begin();
}

int16_t PPDXShortcuts::Save(Settings& settings) {
    OSErr result = AddCount(settings, kShortcutTag, kShortcutCountId, Count());
    long id = kFirstShortcut;
    for (PointerListItr it = mShortcuts.Begin(); result == noErr && it != mShortcuts.End(); ++it) {
        const PPDXControl* control = static_cast<const PPDXControl*>(*it);
        const char* keyword = control != nullptr ? control->Keyword() : nullptr;
        if (keyword != nullptr) {
            result = AddText(settings, kShortcutTag, id++, keyword);
        }
    }
    return result;
}
