// UI option blocks of the vendor parser: the opening statement in its four spellings, the
// Boolean and PickOne/PickMany blocks with their option, default and closing lines, and the
// attachment of a new control to its roll-down.
#include <cstdlib>
#include <cstring>
#include <new>

#include "PPDObjects/PPDXRollDown.h"
#include "PPDObjects/PPDXGroup.h"
#include "PPDObjects/PPDXBooleanControl.h"
#include "PPDObjects/PPDXControls.h"
#include "PPDObjects/PPDXErrors.h"
#include "PPDObjects/PPDXGroups.h"
#include "PPDObjects/PPDXPopupControl.h"
#include "PPDUtils/KeywordTo_PPDControl.h"
#include "PPDUtils/PPDStream.h"
#include "foundation/CString.h"
#include "parser/ZEQPPD.h"
#include "parser/ZEQPPDIndex.h"
#include "platform/CFString.h"

namespace {

bool IsCloseUIKeyword(const char* token) {
    // Asked of every token in a block: the second byte settles most of them.
    if (token[0] != '*' || (token[1] != 'C' && token[1] != 'Q' && token[1] != 'E'))
        return false;
    return std::strcmp(token, "*CloseUI") == 0 || std::strcmp(token, "*QWCloseUI") == 0 ||
           std::strcmp(token, "*CloseUIZEQ") == 0 || std::strcmp(token, "*EndUI") == 0;
}

// A default statement is any token that starts like "*Default"; the rest of its keyword is
// not compared with anything.
bool IsDefaultStatement(const char* token) {
    return std::strncmp(token, "*Default", 4) == 0;
}

// Splits an option-line token ("*Keyword option/translation") into option name and
// translation; false when the token names no option.
// Copies [begin, end) without its leading and trailing blanks into `out` (a token buffer).
void CopyStripped(const char* begin, const char* end, char* out) {
    while (begin < end && (*begin == ' ' || *begin == '\t'))
        ++begin;
    while (end > begin && (end[-1] == ' ' || end[-1] == '\t'))
        --end;
    std::memcpy(out, begin, static_cast<size_t>(end - begin));
    out[end - begin] = '\0';
}

bool SplitOptionToken(const char* token, char* option, char* translation) {
    // The tokens of the option lines hold no colon, CR or LF and fit one token buffer: the
    // tokenizer's three steps (keyword up to a blank, option up to '/', translation up to
    // ':') then come down to finding the first blank and the first '/' after it.
    const size_t length = std::strlen(token);
    if (length < PPDX::kTokenBufferSize - 1 && std::strpbrk(token, ":\r\n") == nullptr) {
        const char* blank = std::strpbrk(token, " \t");
        if (blank == nullptr) {
            option[0] = '\0';
            translation[0] = '\0';
            return false;
        }
        const char* rest = blank + 1;
        const char* end = token + length;
        const char* slash = static_cast<const char*>(std::memchr(rest, '/', end - rest));
        CopyStripped(rest, slash != nullptr ? slash : end, option);
        if (slash != nullptr)
            CopyStripped(slash + 1, end, translation);
        else
            translation[0] = '\0';
        return option[0] != '\0';
    }
    PPDStream tokenStream(token, static_cast<long>(std::strlen(token)));
    char skipped[PPDX::kTokenBufferSize];
    PPDX::NextToken(tokenStream, skipped, " \t:", true);
    if (!PPDX::NextToken(tokenStream, option, "/:", true))
        option[0] = '\0';
    if (!PPDX::NextToken(tokenStream, translation, ":", true))
        translation[0] = '\0';
    return option[0] != '\0';
}

// The collected PostScript bytes in a block of exactly their length (null for none).
unsigned char* CopyCode(const char* code, long length) {
    if (length < 1)
        return nullptr;
    unsigned char* block =
        static_cast<unsigned char*>(ZEQArena::Malloc(static_cast<size_t>(length)));
    if (block != nullptr)
        std::memcpy(block, code, static_cast<size_t>(length));
    return block;
}

void DeleteItems(PointerList& items) {
    while (!items.Empty()) {
        delete static_cast<_PopupItem*>(items.Back());
        items.PopBack();
    }
}

}  // namespace

PPDXErrorObj* ZEQPPD::ParseOpenUI(PPDStream& stream, const char* controlKeyword, PointerList& flags,
                                  PPDXGroup* group) {
    char optionKeyword[kTokenBufferSize];
    if (!NextToken(stream, optionKeyword, "/:", true) || optionKeyword[0] == '\0')
        return NewError(8, controlKeyword, false);
    // The option keyword is not compared with the control keyword: the control is named
    // after its *%ZEQFlags line.
    char translationText[kTokenBufferSize];
    if (!NextToken(stream, translationText, ":", true))
        translationText[0] = '\0';
    char uiType[kTokenBufferSize];
    if (!NextToken(stream, uiType, ";(;)", true))
        uiType[0] = '\0';

    const bool isBoolean = std::strcmp(uiType, "Boolean") == 0;
    const bool isPickOne = std::strcmp(uiType, "PickOne") == 0;
    const bool isPickMany = std::strcmp(uiType, "PickMany") == 0;
    if (!isBoolean && !isPickOne && !isPickMany)
        return NewError(31, controlKeyword, false);

    const __CFString* translation = ConvertText(translationText);
    PPDXErrorObj* error = nullptr;
    if (isBoolean)
        error = ParseBooleanControl(controlKeyword, translation, flags, group);
    else
        error = ParsePopupControl(controlKeyword, translation, flags, group, isPickMany);
    if (translation != nullptr)
        CFRelease(translation);
    return error;
}

PPDXErrorObj* ZEQPPD::ParseBooleanControl(const char* controlKeyword, const __CFString* translation,
                                          PointerList& flags, PPDXGroup* group) {
    bool defaultValue = false;
    bool sawDefault = false;
    CString* text[2] = {nullptr, nullptr};  // [0] "True", [1] "False"
    unsigned char* code[2] = {nullptr, nullptr};
    long codeLength[2] = {0, 0};
    PPDXErrorObj* error = nullptr;
    bool closed = false;
    const size_t keywordLength = std::strlen(controlKeyword);

    char line[kTokenBufferSize];
    char token[kTokenBufferSize];
    char value[kTokenBufferSize];
    char option[kTokenBufferSize];
    char optionTranslation[kTokenBufferSize];
    char postScript[kPostScriptValueLimit];
    while (!closed && error == nullptr && ReadFileLine(line)) {
        PPDStream lineStream(line, static_cast<long>(std::strlen(line)));
        while (!closed && error == nullptr && NextToken(lineStream, token, ":", true)) {
            if (IsCloseUIKeyword(token)) {
                closed = true;
            } else if (std::strcmp(token, "*OrderDependency") == 0) {
                break;
            } else if (IsDefaultStatement(token)) {
                sawDefault = true;
                // Only "True" changes the default; a later "False" does not undo it.
                if (NextToken(lineStream, value, "/:", true) && std::strcmp(value, "True") == 0)
                    defaultValue = true;
            } else if (std::strncmp(token, controlKeyword, keywordLength) == 0) {
                SplitOptionToken(token, option, optionTranslation);
                int which = -1;
                if (std::strcmp(option, "True") == 0)
                    which = 0;
                else if (std::strcmp(option, "False") == 0)
                    which = 1;
                if (which < 0) {
                    error = NewError(9, controlKeyword, false);
                    break;
                }
                const long length = GetPostscriptString(lineStream, postScript, sizeof postScript);
                // A later line for the same option replaces the earlier one.
                delete text[which];
                text[which] = optionTranslation[0] != '\0' ? new (std::nothrow)
                                                                 CString(optionTranslation)
                                                           : nullptr;
                ZEQArena::Free(code[which]);
                code[which] = CopyCode(postScript, length);
                codeLength[which] = code[which] != nullptr ? length : 0;
            }
        }
    }

    if (error == nullptr && !closed) {
        // End of file inside the block: no control and no error.
    } else if (error == nullptr) {
        if (!sawDefault)
            RecordError(NewError(33, controlKeyword, false));
        if (group == nullptr && !ParseOrphans()) {
            error = NewError(21, controlKeyword, false);
        } else {
            const __CFString* name = ElementName(translation);
            const bool visible = true;
            PPDXBooleanControl* control =
                name == nullptr ? nullptr
                                : new (std::nothrow) PPDXBooleanControl(
                                      controlKeyword, name, flags, visible, text[0], code[0],
                                      codeLength[0], text[1], code[1], codeLength[1], defaultValue);
            if (name != nullptr)
                CFRelease(name);
            if (control == nullptr) {
                error = NewError(1, controlKeyword, true);
            } else {
                flags.MakeEmpty();  // the control owns the flag words now
                if (SetupControl(group, control, true))
                    IndexControl(controlKeyword, control);
                return nullptr;
            }
        }
    }
    for (int i = 0; i < 2; ++i) {
        delete text[i];
        ZEQArena::Free(code[i]);
    }
    return error;
}

PPDXErrorObj* ZEQPPD::ParsePopupControl(const char* controlKeyword, const __CFString* translation,
                                        PointerList& flags, PPDXGroup* group,
                                        const bool& pickMany) {
    PointerList items;
    CString* defaultOption = nullptr;
    PPDXErrorObj* error = nullptr;
    bool closed = false;
    const size_t keywordLength = std::strlen(controlKeyword);

    char line[kTokenBufferSize];
    char token[kTokenBufferSize];
    char value[kTokenBufferSize];
    char option[kTokenBufferSize];
    char optionTranslation[kTokenBufferSize];
    char postScript[kPostScriptValueLimit];
    while (!closed && ReadFileLine(line)) {
        PPDStream lineStream(line, static_cast<long>(std::strlen(line)));
        while (!closed && NextToken(lineStream, token, ":", true)) {
            if (IsCloseUIKeyword(token)) {
                closed = true;
            } else if (std::strcmp(token, "*OrderDependency") == 0) {
                break;
            } else if (IsDefaultStatement(token)) {
                bool found = false;
                if (std::strcmp(token, "*Default") == 0) {
                    // "*Default: *Keyword ..." names its control; another control's default
                    // is ignored.
                    if (NextToken(lineStream, value, "/:", true) &&
                        std::strcmp(value, controlKeyword) == 0)
                        found = NextWord(lineStream, value);
                } else {
                    found = NextToken(lineStream, value, "/:", true) && value[0] != '\0';
                    if (!found)
                        NextToken(lineStream, token, "/:", true);
                }
                if (found) {
                    if (defaultOption == nullptr) {
                        defaultOption = new (std::nothrow) CString(value);
                    } else if (error == nullptr) {
                        // The block is still read to its end.
                        error = NewError(11, controlKeyword, true);
                    }
                }
            } else if (std::strncmp(token, controlKeyword, keywordLength) == 0) {
                SplitOptionToken(token, option, optionTranslation);
                const long length = GetPostscriptString(lineStream, postScript, sizeof postScript);
                _PopupItem* item = new (std::nothrow) _PopupItem();
                if (item == nullptr)
                    continue;
                item->mKeyword = new (std::nothrow) CString(option);
                item->mUserName = ConvertText(optionTranslation);
                item->mCode = CopyCode(postScript, length);
                item->mCodeLength = item->mCode != nullptr ? static_cast<int32_t>(length) : 0;
                if (items.PushBack(item) == PointerListItr())
                    delete item;
            }
        }
    }

    if (!closed && error == nullptr)
        error = NewError(11, controlKeyword, true);
    if (error == nullptr) {
        if (defaultOption == nullptr)
            RecordError(NewError(33, controlKeyword, false));
        if (group == nullptr && !ParseOrphans()) {
            error = NewError(21, controlKeyword, false);
        } else {
            const __CFString* name = ElementName(translation);
            const bool visible = true;
            PPDXPopupControl* control = name == nullptr ? nullptr
                                                        : new (std::nothrow) PPDXPopupControl(
                                                              controlKeyword, name, flags, visible,
                                                              pickMany, items, defaultOption);
            if (name != nullptr)
                CFRelease(name);
            if (control == nullptr) {
                error = NewError(1, controlKeyword, false);
            } else {
                flags.MakeEmpty();
                items.MakeEmpty();
                if (SetupControl(group, control, true))
                    IndexControl(controlKeyword, control);
                return nullptr;
            }
        }
    }
    delete defaultOption;
    DeleteItems(items);
    return error;
}

// Controls hang only below roll-downs; every control is also in the flat list. Inside the
// "InstallableOptions" group a control without group goes below the installable roll-down,
// but only while orphans are kept, as the special-option and job-note statements expect;
// with orphans dropped it stays in the flat list only.
// The flat list owns the control: when it has no room (memory ran out) the control is released
// and false tells the caller to keep no pointer to it.
bool ZEQPPD::SetupControl(PPDXGroup* group, PPDXControl* control, bool reportNoRollDown) {
    if (control == nullptr)
        return false;
    if (mControls == nullptr) {
        delete control;
        return false;
    }
    if (group == nullptr) {
        if (!ParseOrphans())
            return AddToControlList(control);
        if (mInInstallableOptions && mInstallableRollDown != nullptr)
            group = mInstallableRollDown;
    }
    if (PPDXRollDown* rollDown = dynamic_cast<PPDXRollDown*>(group)) {
        if (rollDown->Controls() == nullptr)
            return AddToControlList(control);
        control->SetParent(rollDown);
        if (!AddToControlList(control))
            return false;
        rollDown->Controls()->Add(control);
        return true;
    }
    if (reportNoRollDown)
        RecordError(NewError(29, control->Keyword(), false));
    return AddToControlList(control);
}

PPDXControl* ZEQPPD::PPDCreatePopupMenu(const char* groupName, const char* keyword,
                                        const char* translation, PointerList& items,
                                        CString* defaultOption) {
    PPDXGroup* group = nullptr;
    if (groupName != nullptr) {
        AddConvertedGroupName(groupName, groupName, true);
        group = FindGroupAnywhere(groupName);
    }
    const __CFString* converted = ConvertText(translation);
    const __CFString* name = ElementName(converted);
    if (converted != nullptr)
        CFRelease(converted);
    PointerList noFlags;
    const bool visible = true;
    const bool pickMany = false;
    PPDXPopupControl* control =
        name == nullptr
            ? nullptr
            : new (std::nothrow)
                  PPDXPopupControl(keyword, name, noFlags, visible, pickMany, items, defaultOption);
    if (name != nullptr)
        CFRelease(name);
    if (control == nullptr) {
        // The items and the default were handed over; nobody else releases them now.
        delete defaultOption;
        DeleteItems(items);
        return nullptr;
    }
    return SetupControl(group, control, true) ? control : nullptr;
}

bool ZEQPPD::PPDReconcilePopupMenu(const char* keyword, const char* translation, PointerList& items,
                                   CString* defaultOption) {
    PPDXPopupControl* popup = dynamic_cast<PPDXPopupControl*>(FindControlAnywhere(keyword));
    if (popup == nullptr)
        return false;
    return popup->Rebuild(translation, items, defaultOption);
}
