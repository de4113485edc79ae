// PPDXElement: keyword, user name, visibility, parent and the display rule.
#include "PPDObjects/PPDXElement.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "PPDUtils/TextConverter.h"
#include "foundation/CString.h"
#include "foundation/ZEQAssert.h"

PPDXElement::PPDXElement()
    : mKeyword(nullptr),
      mUserNameText(nullptr),
      mUserName(nullptr),
      mVisible(false),
      mParent(nullptr) {}

PPDXElement::PPDXElement(const char* keyword, CFStringRef inLocalName, const bool& visible)
    : mKeyword(nullptr),
      mUserNameText(nullptr),
      mUserName(nullptr),
      mVisible(visible),
      mParent(nullptr) {
    ZEQ_ASSERT(inLocalName != NULL);
    if (keyword != nullptr && keyword[0] != '\0') {
        mKeyword = new (std::nothrow) CString(keyword);
    }
    mUserName = static_cast<CFStringRef>(CFRetain(inLocalName));
}

PPDXElement::~PPDXElement() {
    delete mKeyword;
    delete mUserNameText;
    if (mUserName != nullptr) {
        CFRelease(mUserName);
    }
}

bool PPDXElement::OkayToDisplay(const _DISPLAY_OPTIONS_& options) {
    switch (options) {
        case 0:
            return !IsOrphan() && mVisible;
        case kDisplayIncludeOrphans:
            return mVisible;
        case kDisplayIncludeHidden:
            return !IsOrphan();
        default:
            return true;
    }
}

const char* PPDXElement::Keyword() const {
    if (mKeyword == nullptr || mKeyword->Empty()) {
        return nullptr;
    }
    return *mKeyword;
}

const char* PPDXElement::UserName() {
    if (mUserName == nullptr) {
        return nullptr;
    }
    if (mUserNameText == nullptr) {
        // Four bytes per UTF-16 unit hold the text in any system encoding, plus the NUL.
        long size = 4 * static_cast<long>(CFStringGetLength(mUserName)) + 1;
        char* block = static_cast<char*>(malloc(static_cast<size_t>(size)));
        if (block == nullptr) {
            return nullptr;
        }
        TextConverter::CFStringToCstring(mUserName, block, size);
        mUserNameText = new (std::nothrow) CString(block);
        free(block);
        if (mUserNameText == nullptr) {
            return nullptr;
        }
    }
    return *mUserNameText;
}

void PPDXElement::ReplaceUserName(CFStringRef name) {
    delete mUserNameText;
    mUserNameText = nullptr;
    if (mUserName != nullptr) {
        CFRelease(mUserName);
    }
    mUserName = name;
}

bool PPDXElement::operator==(const PPDXElement& other) const {
    const char* mine = Keyword();
    const char* theirs = other.Keyword();
    return mine != nullptr && theirs != nullptr && strcmp(mine, theirs) == 0;
}

bool PPDXElement::operator==(const char* keyword) const {
    const char* mine = Keyword();
    return mine != nullptr && keyword != nullptr && strcmp(mine, keyword) == 0;
}
