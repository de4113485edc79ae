// PPDXControl: control-flag words, the raw code, the feature block and placeholder
// substitution shared by every control kind.
#include "PPDObjects/PPDXControl.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "foundation/CString.h"

const char* const PPDXControl::kCommand = "Command";
const char* const PPDXControl::kSpooler = "Spooler";
const char* const PPDXControl::kSetup = "Setup";
const char* const PPDXControl::kMacJobnote = "MacVJN";
const char* const PPDXControl::kMacImgShift = "MacIS";

const char* const PPDXControl::kInvalidKeywords[] = {
    "*QWPigmora",
    "*QW_PROP_COLORMODE",
    "*QW_PROP_PG_PURE_BLACK",
    "*QW_PROP_PG_OVER_PRINT",
    "*QW_PROP_PG_RGB_SEPARATION",
    "*QW_PROP_PG_SOURCE_PROFILES",
    "*QW_PROP_PG_SIMULATION",
    "*QW_PROP_PG_SPOTCOLORS",
    "*QW_PROP_PG_OUTPUT_PROFILE",
    "*QW_PROP_PG_SIM_SPEED",
    "*QW_PROP_PG_KALDOR",
    "*QW_PROP_PG_GAMMA",
    "*QW_PROP_PG_WHITEPOINT",
    "*QW_PROP_PG_PHOSPHORS",
    "*QW_PROP_PG_CRD",
    "*QW_PROP_PG_CRD_IMAGES",
    "*QW_PROP_PG_CRD_GRAPHICS",
    "*QW_PROP_PG_CRD_TEXT",
    "*QW_PROP_PG_CRD_IMAGES_HT",
    "*QW_PROP_PG_CRD_GRAPHICS_HT",
    "*QW_PROP_PG_CRD_TEXT_HT",
    "*QW_LOCAL_PROP_FIRSTPAGESOURCE",
    "*QW_LOCAL_PROP_FIRSTPAGEMEDIA",
    "*QW_LOCAL_PROP_BACKPAGESOURCE",
    "*QW_LOCAL_PROP_BACKPAGEMEDIA",
    "*QW_PROP_WATERMARK_FIRSTPAGEONLY",
    "*QW_PROP_WATERMARK_FOREGROUND",
    "*QW_PROP_WATERMARK_OUTLINE",
    "*QW_PROP_WATERMARK",
    "*QW_PROP_LOCAL_QWLANDSCAPE",
};

static_assert(sizeof(PPDXControl::kInvalidKeywords) / sizeof(PPDXControl::kInvalidKeywords[0]) ==
              PPDXControl::kInvalidKeywordCount);

namespace {
const char kBeginFeature[] = "%%BeginFeature: ";
const char kEndFeature[] = "%%EndFeature\n";
}  // namespace

PPDXControl::PPDXControl()
    : PPDXElement(),
      mType(kUnknownControl),
      mOrder(0),
      mFlagCursor(),
      mCode(nullptr),
      mCodeLength(0) {
    mFlagCursor = mControlFlags.Begin();
}

PPDXControl::PPDXControl(const char* keyword, CFStringRef inLocalName, PointerList& flags,
                         unsigned char* code, const long& codeLength, const bool& visible)
    : PPDXElement(keyword, inLocalName, visible),
      mType(kUnknownControl),
      mOrder(0),
      mControlFlags(flags),
      mFlagCursor(),
      mCode(code),
      mCodeLength(0) {
    // The control owns the flag strings handed to it, and the caller forgets them. A flag the
    // copy had no node for (memory ran out) is released here, not lost: the copy keeps the
    // order and skips only those, so one walk of both lists finds them.
    if (mControlFlags.Size() != flags.Size()) {
        PointerListItr kept = mControlFlags.Begin();
        for (PointerListItr it = flags.Begin(); it != flags.End(); ++it) {
            if (kept != mControlFlags.End() && *kept == *it)
                ++kept;
            else
                delete static_cast<CString*>(*it);
        }
    }
    mFlagCursor = mControlFlags.Begin();
    // The parser's code blocks hold at most a few kilobytes; a length outside 32 bits or below
    // 0 is taken as no code.
    mCodeLength = (code != nullptr && codeLength > 0 && codeLength <= INT32_MAX)
                      ? static_cast<int32_t>(codeLength)
                      : 0;
}

PPDXControl::~PPDXControl() {
    for (PointerListItr it = mControlFlags.Begin(); it != mControlFlags.End(); ++it) {
        delete static_cast<CString*>(*it);
    }
    mControlFlags.MakeEmpty();
    ZEQArena::Free(mCode);
}

long PPDXControl::PostScript(unsigned char* buffer) {
    if (buffer != nullptr && mCode != nullptr && mCodeLength >= 1) {
        memcpy(buffer, mCode, static_cast<size_t>(mCodeLength));
    }
    return mCode != nullptr ? mCodeLength : 0;
}

bool PPDXControl::ValidKeyword(const char* keyword) {
    if (keyword == nullptr) {
        return false;
    }
    for (int i = 0; i < kInvalidKeywordCount; ++i) {
        if (strcmp(keyword, kInvalidKeywords[i]) == 0) {
            return false;
        }
    }
    return true;
}

void* PPDXControl::FirstString(PointerListItr& itr, PointerList& list) {
    itr = list.Begin();
    return *itr;  // the tail sentinel of an empty list yields null
}

void* PPDXControl::NextString(PointerListItr& itr, PointerList& list) {
    // A cursor that holds no node, or already stands on the tail sentinel, stays at the end.
    if (list.Empty() || itr == PointerListItr() || itr == list.End()) {
        return nullptr;
    }
    ++itr;
    return *itr;
}

long PPDXControl::ControlFlagCount() const {
    return static_cast<long>(mControlFlags.Size());
}

const char* PPDXControl::FirstControlFlag() {
    CString* word = static_cast<CString*>(FirstString(mFlagCursor, mControlFlags));
    return word != nullptr ? static_cast<const char*>(*word) : nullptr;
}

const char* PPDXControl::NextControlFlag() {
    CString* word = static_cast<CString*>(NextString(mFlagCursor, mControlFlags));
    return word != nullptr ? static_cast<const char*>(*word) : nullptr;
}

bool PPDXControl::FindControlFlag(const char* word) {
    if (word == nullptr) {
        return false;
    }
    for (CString* flag = static_cast<CString*>(FirstString(mFlagCursor, mControlFlags));
         flag != nullptr; flag = static_cast<CString*>(NextString(mFlagCursor, mControlFlags))) {
        const char* text = *flag;
        if (text != nullptr && strcmp(text, word) == 0) {
            return true;
        }
    }
    return false;
}

long PPDXControl::GeneratePSOutputData(unsigned char* out, const unsigned char* code,
                                       const long& codeLength, const char* option,
                                       const bool& wrap) {
    // The control kinds never come here without a keyword or option; should one, its text
    // counts as empty rather than failing.
    const char* keyword = Keyword();
    if (keyword == nullptr) {
        keyword = "";
    }
    if (option == nullptr) {
        option = "";
    }
    const size_t keywordLength = strlen(keyword);
    const size_t optionLength = strlen(option);
    const bool hasCode = code != nullptr && codeLength >= 1;

    long total = 0;
    auto put = [&](const void* bytes, size_t count) {
        if (out != nullptr && count > 0) {
            memcpy(out + total, bytes, count);
        }
        total += static_cast<long>(count);
    };
    if (wrap) {
        put(kBeginFeature, sizeof(kBeginFeature) - 1);
        put(keyword, keywordLength);
        put(" ", 1);
        put(option, optionLength);
        put("\n", 1);
    }
    if (hasCode) {
        put(code, static_cast<size_t>(codeLength));
    } else {
        put("\n", 1);
    }
    if (wrap) {
        put(kEndFeature, sizeof(kEndFeature) - 1);
    }
    return total;
}

long PPDXControl::Inject(const char* tag, const unsigned char* code, long codeLength,
                         const char* value, unsigned char*& out) {
    out = nullptr;
    if (code == nullptr || codeLength < 0) {
        codeLength = 0;
    }
    if (tag == nullptr) {
        tag = "";
    }
    if (value == nullptr) {
        value = "";
    }
    const size_t tagLength = strlen(tag);
    const size_t placeLength = tagLength + 2;  // "<" tag ">"
    const size_t valueLength = strlen(value);
    const size_t length = static_cast<size_t>(codeLength);

    // Letters are compared without regard to case in ASCII only; every other byte (0x80 and
    // above included) must be equal, and bytes outside placeholders are carried unchanged.
    auto same = [](unsigned char a, unsigned char b) {
        if (a < 0x80 && b < 0x80) {
            return tolower(a) == tolower(b);
        }
        return a == b;
    };
    auto matchesAt = [&](size_t at) {
        if (length - at < placeLength || code[at] != '<' || code[at + placeLength - 1] != '>') {
            return false;
        }
        for (size_t k = 0; k < tagLength; ++k) {
            if (!same(code[at + 1 + k], static_cast<unsigned char>(tag[k]))) {
                return false;
            }
        }
        return true;
    };

    // First pass: the size of the result; second pass: the bytes.
    size_t resultLength = 0;
    for (size_t at = 0; at < length;) {
        if (matchesAt(at)) {
            resultLength += valueLength;
            at += placeLength;
        } else {
            ++resultLength;
            ++at;
        }
    }
    unsigned char* block = static_cast<unsigned char*>(malloc(resultLength + 1));
    if (block == nullptr) {
        return 0;
    }
    size_t written = 0;
    for (size_t at = 0; at < length;) {
        if (matchesAt(at)) {
            memcpy(block + written, value, valueLength);
            written += valueLength;
            at += placeLength;
        } else {
            block[written++] = code[at++];
        }
    }
    block[written] = '\0';
    out = block;
    return static_cast<long>(written);
}

long PPDXControl::InjectedFeature(unsigned char* out, const char* value, unsigned char*& injected,
                                  int32_t& injectedLength) {
    const char* keyword = Keyword();
    if (keyword == nullptr) {
        return 0;
    }
    if (injected == nullptr) {
        injectedLength = 0;
        InjectCode(keyword, value, injected, injectedLength);
    }
    return GeneratePSOutputData(out, injected, injectedLength, value, true);
}

void PPDXControl::InjectCode(const char* keyword, const char* value, unsigned char*& injected,
                             int32_t& injectedLength) {
    if (mCode == nullptr || mCodeLength < 1) {
        return;
    }
    unsigned char* block = nullptr;
    long length = Inject(keyword, mCode, mCodeLength, value, block);
    if (block != nullptr && length <= INT32_MAX) {
        injected = block;
        injectedLength = static_cast<int32_t>(length);
    } else {
        free(block);
    }
}
