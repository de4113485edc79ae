// Core Foundation dictionaries: entries in insertion order with a hash index over the keys.
#include "platform/CFDictionary.h"

#include <new>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/CFInternal.h"
#include "platform/CFString.h"

namespace {

using cfinternal::TypeEqual;
using cfinternal::TypeHash;
using cfinternal::TypeRelease;
using cfinternal::TypeRetain;

const void* CopyStringRetain(CFAllocatorRef, const void* value) {
    if (cfinternal::IsA(value, kCFTypeIDString))
        return CFStringCreateCopy(nullptr, static_cast<CFStringRef>(value));
    return CFRetain(value);
}

}  // namespace

const CFDictionaryKeyCallBacks kCFTypeDictionaryKeyCallBacks = {
    0, TypeRetain, TypeRelease, CFCopyDescription, TypeEqual, TypeHash};
const CFDictionaryKeyCallBacks kCFCopyStringDictionaryKeyCallBacks = {
    0, CopyStringRetain, TypeRelease, CFCopyDescription, TypeEqual, TypeHash};
const CFDictionaryValueCallBacks kCFTypeDictionaryValueCallBacks = {0, TypeRetain, TypeRelease,
                                                                    CFCopyDescription, TypeEqual};

struct __CFDictionary : __CFType {
    __CFDictionary() : __CFType(kCFTypeIDDictionary) {}
    ~__CFDictionary() override { RemoveAll(); }

    bool Equal(const __CFType* other) const override {
        const auto* o = static_cast<const __CFDictionary*>(other);
        if (o->mEntries.size() != mEntries.size())
            return false;
        for (const auto& [key, value] : mEntries) {
            const long at = o->Find(key);
            if (at < 0)
                return false;
            const void* v = o->mEntries[at].second;
            if (v != value && !(mValueCallBacks.equal && mValueCallBacks.equal(value, v)))
                return false;
        }
        return true;
    }
    CFHashCode Hash() const override { return mEntries.size(); }
    std::string Describe() const override {
        std::string out = "{";
        for (size_t i = 0; i < mEntries.size(); ++i) {
            out += i ? ", " : "";
            out +=
                mKeyCallBacks.copyDescription ? cfinternal::Describe(mEntries[i].first) : "<key>";
            out += " = ";
            out += mValueCallBacks.copyDescription ? cfinternal::Describe(mEntries[i].second)
                                                   : "<value>";
        }
        return out + "}";
    }

    CFHashCode HashOf(const void* key) const {
        return mKeyCallBacks.hash ? mKeyCallBacks.hash(key) : reinterpret_cast<CFHashCode>(key);
    }
    bool SameKey(const void* a, const void* b) const {
        return a == b || (mKeyCallBacks.equal && mKeyCallBacks.equal(a, b));
    }
    // Index of the entry with an equal key, or -1.
    long Find(const void* key) const {
        auto [first, last] = mIndex.equal_range(HashOf(key));
        for (auto it = first; it != last; ++it) {
            if (SameKey(mEntries[it->second].first, key))
                return static_cast<long>(it->second);
        }
        return -1;
    }
    void Add(const void* key, const void* value) {
        const void* k = mKeyCallBacks.retain ? mKeyCallBacks.retain(nullptr, key) : key;
        const void* v = mValueCallBacks.retain ? mValueCallBacks.retain(nullptr, value) : value;
        mEntries.emplace_back(k, v);
        mIndex.emplace(HashOf(k), mEntries.size() - 1);
    }
    void Replace(long at, const void* value) {
        const void* v = mValueCallBacks.retain ? mValueCallBacks.retain(nullptr, value) : value;
        const void* old = mEntries[at].second;
        mEntries[at].second = v;
        if (mValueCallBacks.release)
            mValueCallBacks.release(nullptr, old);
    }
    void Remove(long at) {
        auto entry = mEntries[at];
        mEntries.erase(mEntries.begin() + at);
        mIndex.clear();
        for (size_t i = 0; i < mEntries.size(); ++i)
            mIndex.emplace(HashOf(mEntries[i].first), i);
        ReleaseEntry(entry);
    }
    void RemoveAll() {
        std::vector<std::pair<const void*, const void*>> entries;
        entries.swap(mEntries);
        mIndex.clear();
        for (const auto& e : entries)
            ReleaseEntry(e);
    }
    void ReleaseEntry(const std::pair<const void*, const void*>& e) const {
        if (mKeyCallBacks.release)
            mKeyCallBacks.release(nullptr, e.first);
        if (mValueCallBacks.release)
            mValueCallBacks.release(nullptr, e.second);
    }

    CFDictionaryKeyCallBacks mKeyCallBacks{};
    CFDictionaryValueCallBacks mValueCallBacks{};
    std::vector<std::pair<const void*, const void*>> mEntries;
    std::unordered_multimap<CFHashCode, size_t> mIndex;
    bool mMutable = false;
};

namespace {

const __CFDictionary* Dict(CFDictionaryRef d) {
    return cfinternal::IsA(d, kCFTypeIDDictionary) ? static_cast<const __CFDictionary*>(d)
                                                   : nullptr;
}
__CFDictionary* MutableDict(CFMutableDictionaryRef d) {
    return (cfinternal::IsA(d, kCFTypeIDDictionary) && d->mMutable) ? d : nullptr;
}

__CFDictionary* NewDict(const CFDictionaryKeyCallBacks* keyCallBacks,
                        const CFDictionaryValueCallBacks* valueCallBacks, bool isMutable) {
    __CFDictionary* d = new (std::nothrow) __CFDictionary;
    if (!d)
        return nullptr;
    if (keyCallBacks)
        d->mKeyCallBacks = *keyCallBacks;
    if (valueCallBacks)
        d->mValueCallBacks = *valueCallBacks;
    d->mMutable = isMutable;
    return d;
}

__CFDictionary* Copy(const __CFDictionary* source, bool isMutable) {
    __CFDictionary* d = NewDict(&source->mKeyCallBacks, &source->mValueCallBacks, isMutable);
    if (!d)
        return nullptr;
    try {
        d->mEntries.reserve(source->mEntries.size());
        for (const auto& [key, value] : source->mEntries)
            d->Add(key, value);
    } catch (const std::bad_alloc&) {
        CFRelease(d);
        return nullptr;
    }
    return d;
}

}  // namespace

CFTypeID CFDictionaryGetTypeID(void) {
    return kCFTypeIDDictionary;
}

CFDictionaryRef CFDictionaryCreate(CFAllocatorRef, const void** keys, const void** values,
                                   CFIndex numValues, const CFDictionaryKeyCallBacks* keyCallBacks,
                                   const CFDictionaryValueCallBacks* valueCallBacks) {
    if (numValues < 0 || (numValues > 0 && (!keys || !values)))
        return nullptr;
    __CFDictionary* d = NewDict(keyCallBacks, valueCallBacks, false);
    if (!d)
        return nullptr;
    try {
        for (CFIndex i = 0; i < numValues; ++i) {
            const long at = d->Find(keys[i]);
            if (at >= 0)
                d->Replace(at, values[i]);  // a repeated key keeps the last value
            else
                d->Add(keys[i], values[i]);
        }
    } catch (const std::bad_alloc&) {
        CFRelease(d);
        return nullptr;
    }
    return d;
}

CFDictionaryRef CFDictionaryCreateCopy(CFAllocatorRef, CFDictionaryRef theDict) {
    const __CFDictionary* d = Dict(theDict);
    return d ? Copy(d, false) : nullptr;
}

CFMutableDictionaryRef CFDictionaryCreateMutable(CFAllocatorRef, CFIndex,
                                                 const CFDictionaryKeyCallBacks* keyCallBacks,
                                                 const CFDictionaryValueCallBacks* valueCallBacks) {
    return NewDict(keyCallBacks, valueCallBacks, true);
}

CFMutableDictionaryRef CFDictionaryCreateMutableCopy(CFAllocatorRef, CFIndex,
                                                     CFDictionaryRef theDict) {
    const __CFDictionary* d = Dict(theDict);
    return d ? Copy(d, true) : nullptr;
}

CFIndex CFDictionaryGetCount(CFDictionaryRef theDict) {
    const __CFDictionary* d = Dict(theDict);
    return d ? static_cast<CFIndex>(d->mEntries.size()) : 0;
}

Boolean CFDictionaryGetValueIfPresent(CFDictionaryRef theDict, const void* key,
                                      const void** value) {
    const __CFDictionary* d = Dict(theDict);
    if (!d)
        return false;
    const long at = d->Find(key);
    if (at < 0)
        return false;
    if (value)
        *value = d->mEntries[at].second;
    return true;
}

const void* CFDictionaryGetValue(CFDictionaryRef theDict, const void* key) {
    const void* value = nullptr;
    return CFDictionaryGetValueIfPresent(theDict, key, &value) ? value : nullptr;
}

Boolean CFDictionaryContainsKey(CFDictionaryRef theDict, const void* key) {
    return CFDictionaryGetValueIfPresent(theDict, key, nullptr);
}

CFIndex CFDictionaryGetCountOfKey(CFDictionaryRef theDict, const void* key) {
    return CFDictionaryContainsKey(theDict, key) ? 1 : 0;
}

Boolean CFDictionaryContainsValue(CFDictionaryRef theDict, const void* value) {
    const __CFDictionary* d = Dict(theDict);
    if (!d)
        return false;
    for (const auto& e : d->mEntries) {
        if (e.second == value ||
            (d->mValueCallBacks.equal && d->mValueCallBacks.equal(e.second, value)))
            return true;
    }
    return false;
}

void CFDictionaryGetKeysAndValues(CFDictionaryRef theDict, const void** keys, const void** values) {
    const __CFDictionary* d = Dict(theDict);
    if (!d)
        return;
    for (size_t i = 0; i < d->mEntries.size(); ++i) {
        if (keys)
            keys[i] = d->mEntries[i].first;
        if (values)
            values[i] = d->mEntries[i].second;
    }
}

void CFDictionaryApplyFunction(CFDictionaryRef theDict, CFDictionaryApplierFunction applier,
                               void* context) {
    const __CFDictionary* d = Dict(theDict);
    if (!d || !applier)
        return;
    for (const auto& e : d->mEntries)
        applier(e.first, e.second, context);
}

void CFDictionaryAddValue(CFMutableDictionaryRef theDict, const void* key, const void* value) {
    __CFDictionary* d = MutableDict(theDict);
    if (d && d->Find(key) < 0)
        d->Add(key, value);
}

void CFDictionarySetValue(CFMutableDictionaryRef theDict, const void* key, const void* value) {
    __CFDictionary* d = MutableDict(theDict);
    if (!d)
        return;
    const long at = d->Find(key);
    if (at >= 0)
        d->Replace(at, value);
    else
        d->Add(key, value);
}

void CFDictionaryReplaceValue(CFMutableDictionaryRef theDict, const void* key, const void* value) {
    __CFDictionary* d = MutableDict(theDict);
    if (!d)
        return;
    const long at = d->Find(key);
    if (at >= 0)
        d->Replace(at, value);
}

void CFDictionaryRemoveValue(CFMutableDictionaryRef theDict, const void* key) {
    __CFDictionary* d = MutableDict(theDict);
    if (!d)
        return;
    const long at = d->Find(key);
    if (at >= 0)
        d->Remove(at);
}

void CFDictionaryRemoveAllValues(CFMutableDictionaryRef theDict) {
    __CFDictionary* d = MutableDict(theDict);
    if (d)
        d->RemoveAll();
}
