// PPDXControl: the abstract base of every printer option: kind, control-flag words, raw
// PostScript code, and the feature-block and placeholder machinery every kind emits with.
#pragma once

#include <cstdint>

#include "PPDObjects/PPDXElement.h"
#include "foundation/PointerList.h"

class PPDXControl : public PPDXElement {
public:
    // Control-flag words the model interprets.
    static const char* const kCommand;      // "Command"
    static const char* const kSpooler;      // "Spooler"
    static const char* const kSetup;        // "Setup"
    static const char* const kMacJobnote;   // "MacVJN"
    static const char* const kMacImgShift;  // "MacIS"
    // The keywords ValidKeyword refuses, in order, and their number.
    static const char* const kInvalidKeywords[];
    static const int kInvalidKeywordCount = 30;

    // Element defaults; type 0, order 0, no flags, no code.
    PPDXControl();
    // Takes over the CString pointers of `flags` (the list of pointers is copied; the caller
    // must not delete the strings afterwards) and the `code` block (released with free).
    PPDXControl(const char* keyword, CFStringRef inLocalName, PointerList& flags,
                unsigned char* code, const long& codeLength, const bool& visible);
    // Deletes every flag word and releases the code block.
    ~PPDXControl() override;

    // Virtual slots added after those of PPDXElement: ResetToDefaultValue, PostScript,
    // Restore.
    virtual void ResetToDefaultValue() = 0;
    // The raw code: its length with a null buffer, else copies it and returns its length.
    virtual long PostScript(unsigned char* buffer);
    // ---- settings cache (settings/ControlCache.cpp) ----
    // The element and control part of cache object `id`.
    PPDXControl(Settings& settings, const long& id);
    // Element items, then order, code and control flags.
    OSErr Save(Settings& settings, const long& id) override;
    // Puts the user's value saved as object `id` back; 0 or the failing read.
    virtual OSErr Restore(Settings& settings, const long& id) = 0;
    // ---- end of settings cache ----

    CNTL_TYPE Type() const { return mType; }
    int16_t Order() const { return mOrder; }

    // False for null and for kInvalidKeywords, true otherwise.
    static bool ValidKeyword(const char* keyword);

    // Puts `itr` on the first entry of `list` and returns it; null for an empty list.
    static void* FirstString(PointerListItr& itr, PointerList& list);
    // Advances `itr` and returns the entry there; null at the end or for an empty list.
    static void* NextString(PointerListItr& itr, PointerList& list);

    long ControlFlagCount() const;
    const char* FirstControlFlag();
    const char* NextControlFlag();
    // Byte-exact search of the flag words with the flag cursor (which it moves).
    bool FindControlFlag(const char* word);
    bool IsCommand() { return FindControlFlag(kCommand); }
    bool IsSpooler() { return FindControlFlag(kSpooler); }
    bool IsSetup() { return FindControlFlag(kSetup); }
    bool IsMacVJN() { return FindControlFlag(kMacJobnote); }
    bool IsMacImgShift() { return FindControlFlag(kMacImgShift); }

    // The raw PostScript code exactly as the parser collected it (not NUL-terminated).
    const unsigned char* Code() const { return mCode; }
    long CodeLength() const { return mCodeLength; }

    // Builds the feature block "%%BeginFeature: " keyword " " option LF, the code (or a lone
    // LF), "%%EndFeature\n" (the begin and end lines only when `wrap`). Counts only when
    // `out` is null; otherwise writes the bytes without a NUL. Returns the byte count.
    long GeneratePSOutputData(unsigned char* out, const unsigned char* code, const long& codeLength,
                              const char* option, const bool& wrap);
    // Replaces every case-insensitive "<" tag ">" in the code by `value` into a new malloc'd,
    // NUL-terminated block stored in `out` (the caller frees it); returns its length without
    // the NUL. When the block cannot be allocated, `out` is null and the result 0.
    long Inject(const char* tag, const unsigned char* code, long codeLength, const char* value,
                unsigned char*& out);
    // The feature block of a value control: its code with the keyword's placeholder replaced
    // by `value`, injected once into `injected`/`injectedLength` (kept until the value changes)
    // and wrapped by GeneratePSOutputData. Counts only when `out` is null.
    long InjectedFeature(unsigned char* out, const char* value, unsigned char*& injected,
                         int32_t& injectedLength);
    // The control's code (when it has any) with `keyword`'s placeholder replaced by `value`,
    // stored in `injected`/`injectedLength`; both are left as they are when there is no code,
    // no memory, or the result is longer than 32 bits count.
    void InjectCode(const char* keyword, const char* value, unsigned char*& injected,
                    int32_t& injectedLength);

protected:
    CNTL_TYPE mType;
    int16_t mOrder;              // 0 in every constructor; carried through the cache
    PointerList mControlFlags;   // owned CString pointers, in PPD order
    PointerListItr mFlagCursor;  // cursor of FirstControlFlag / NextControlFlag
    unsigned char* mCode;        // owned (malloc or arena block: ZEQArena::Free), may be null
    int32_t mCodeLength;

    // Settings cache: reads the element and control items of object `id`.
    void LoadControlItems(Settings& settings, const long& id);
};
