// Core Foundation arrays: a vector of values with the callbacks given at creation.
#include "platform/CFArray.h"

#include <new>
#include <utility>
#include <vector>

#include "platform/CFInternal.h"

const CFArrayCallBacks kCFTypeArrayCallBacks = {0, cfinternal::TypeRetain, cfinternal::TypeRelease,
                                                CFCopyDescription, cfinternal::TypeEqual};

struct __CFArray : __CFType {
    __CFArray() : __CFType(kCFTypeIDArray) {}
    ~__CFArray() override { ReleaseAll(); }

    bool Equal(const __CFType* other) const override {
        const auto* o = static_cast<const __CFArray*>(other);
        if (o->mValues.size() != mValues.size())
            return false;
        for (size_t i = 0; i < mValues.size(); ++i) {
            if (!Same(mValues[i], o->mValues[i]))
                return false;
        }
        return true;
    }
    CFHashCode Hash() const override { return mValues.size(); }
    std::string Describe() const override {
        std::string out = "(";
        for (size_t i = 0; i < mValues.size(); ++i) {
            out += i ? ", " : "";
            out += mCallBacks.copyDescription ? cfinternal::Describe(mValues[i]) : "<value>";
        }
        return out + ")";
    }

    bool Same(const void* a, const void* b) const {
        return a == b || (mCallBacks.equal && mCallBacks.equal(a, b));
    }
    const void* Retain(const void* v) const {
        return mCallBacks.retain ? mCallBacks.retain(nullptr, v) : v;
    }
    void Release(const void* v) const {
        if (mCallBacks.release)
            mCallBacks.release(nullptr, v);
    }
    void ReleaseAll() {
        std::vector<const void*> values;
        values.swap(mValues);
        for (const void* v : values)
            Release(v);
    }
    bool RangeValid(CFRange r) const {
        return r.location >= 0 && r.length >= 0 &&
               static_cast<size_t>(r.location) <= mValues.size() &&
               static_cast<size_t>(r.length) <= mValues.size() - static_cast<size_t>(r.location);
    }

    CFArrayCallBacks mCallBacks{};
    std::vector<const void*> mValues;
    bool mMutable = false;
};

namespace {

const __CFArray* Arr(CFArrayRef a) {
    return cfinternal::IsA(a, kCFTypeIDArray) ? static_cast<const __CFArray*>(a) : nullptr;
}
__CFArray* MutableArr(CFMutableArrayRef a) {
    return (cfinternal::IsA(a, kCFTypeIDArray) && a->mMutable) ? a : nullptr;
}

__CFArray* NewArray(const CFArrayCallBacks* callBacks, const void* const* values, size_t count,
                    bool isMutable) {
    __CFArray* a = new (std::nothrow) __CFArray;
    if (!a)
        return nullptr;
    if (callBacks)
        a->mCallBacks = *callBacks;
    a->mMutable = isMutable;
    try {
        a->mValues.reserve(count);
    } catch (const std::bad_alloc&) {
        delete a;
        return nullptr;
    }
    for (size_t i = 0; i < count; ++i)
        a->mValues.push_back(a->Retain(values[i]));
    return a;
}

}  // namespace

CFTypeID CFArrayGetTypeID(void) {
    return kCFTypeIDArray;
}

CFArrayRef CFArrayCreate(CFAllocatorRef, const void** values, CFIndex numValues,
                         const CFArrayCallBacks* callBacks) {
    if (numValues < 0 || (numValues > 0 && !values))
        return nullptr;
    return NewArray(callBacks, values, static_cast<size_t>(numValues), false);
}

CFArrayRef CFArrayCreateCopy(CFAllocatorRef, CFArrayRef theArray) {
    const __CFArray* a = Arr(theArray);
    if (!a)
        return nullptr;
    return NewArray(&a->mCallBacks, a->mValues.data(), a->mValues.size(), false);
}

CFMutableArrayRef CFArrayCreateMutable(CFAllocatorRef, CFIndex, const CFArrayCallBacks* callBacks) {
    return NewArray(callBacks, nullptr, 0, true);
}

CFMutableArrayRef CFArrayCreateMutableCopy(CFAllocatorRef, CFIndex, CFArrayRef theArray) {
    const __CFArray* a = Arr(theArray);
    if (!a)
        return nullptr;
    return NewArray(&a->mCallBacks, a->mValues.data(), a->mValues.size(), true);
}

CFIndex CFArrayGetCount(CFArrayRef theArray) {
    const __CFArray* a = Arr(theArray);
    return a ? static_cast<CFIndex>(a->mValues.size()) : 0;
}

const void* CFArrayGetValueAtIndex(CFArrayRef theArray, CFIndex idx) {
    const __CFArray* a = Arr(theArray);
    if (!a || idx < 0 || static_cast<size_t>(idx) >= a->mValues.size())
        return nullptr;
    return a->mValues[static_cast<size_t>(idx)];
}

void CFArrayGetValues(CFArrayRef theArray, CFRange range, const void** values) {
    const __CFArray* a = Arr(theArray);
    if (!a || !values || !a->RangeValid(range))
        return;
    for (CFIndex i = 0; i < range.length; ++i)
        values[i] = a->mValues[range.location + i];
}

CFIndex CFArrayGetFirstIndexOfValue(CFArrayRef theArray, CFRange range, const void* value) {
    const __CFArray* a = Arr(theArray);
    if (!a || !a->RangeValid(range))
        return kCFNotFound;
    for (CFIndex i = range.location; i < range.location + range.length; ++i) {
        if (a->Same(a->mValues[i], value))
            return i;
    }
    return kCFNotFound;
}

Boolean CFArrayContainsValue(CFArrayRef theArray, CFRange range, const void* value) {
    return CFArrayGetFirstIndexOfValue(theArray, range, value) != kCFNotFound;
}

CFIndex CFArrayGetCountOfValue(CFArrayRef theArray, CFRange range, const void* value) {
    const __CFArray* a = Arr(theArray);
    if (!a || !a->RangeValid(range))
        return 0;
    CFIndex count = 0;
    for (CFIndex i = range.location; i < range.location + range.length; ++i) {
        if (a->Same(a->mValues[i], value))
            ++count;
    }
    return count;
}

void CFArrayApplyFunction(CFArrayRef theArray, CFRange range, CFArrayApplierFunction applier,
                          void* context) {
    const __CFArray* a = Arr(theArray);
    if (!a || !applier || !a->RangeValid(range))
        return;
    for (CFIndex i = range.location; i < range.location + range.length; ++i)
        applier(a->mValues[i], context);
}

void CFArrayAppendValue(CFMutableArrayRef theArray, const void* value) {
    __CFArray* a = MutableArr(theArray);
    if (!a)
        return;
    a->mValues.push_back(a->Retain(value));
}

void CFArrayInsertValueAtIndex(CFMutableArrayRef theArray, CFIndex idx, const void* value) {
    __CFArray* a = MutableArr(theArray);
    if (!a || idx < 0 || static_cast<size_t>(idx) > a->mValues.size())
        return;
    a->mValues.insert(a->mValues.begin() + idx, a->Retain(value));
}

void CFArraySetValueAtIndex(CFMutableArrayRef theArray, CFIndex idx, const void* value) {
    __CFArray* a = MutableArr(theArray);
    if (!a || idx < 0 || static_cast<size_t>(idx) > a->mValues.size())
        return;
    if (static_cast<size_t>(idx) == a->mValues.size()) {  // one past the end appends
        a->mValues.push_back(a->Retain(value));
        return;
    }
    const void* old = a->mValues[idx];
    a->mValues[idx] = a->Retain(value);
    a->Release(old);
}

void CFArrayRemoveValueAtIndex(CFMutableArrayRef theArray, CFIndex idx) {
    __CFArray* a = MutableArr(theArray);
    if (!a || idx < 0 || static_cast<size_t>(idx) >= a->mValues.size())
        return;
    const void* old = a->mValues[idx];
    a->mValues.erase(a->mValues.begin() + idx);
    a->Release(old);
}

void CFArrayRemoveAllValues(CFMutableArrayRef theArray) {
    __CFArray* a = MutableArr(theArray);
    if (a)
        a->ReleaseAll();
}

void CFArrayAppendArray(CFMutableArrayRef theArray, CFArrayRef otherArray, CFRange otherRange) {
    __CFArray* a = MutableArr(theArray);
    const __CFArray* o = Arr(otherArray);
    if (!a || !o || !o->RangeValid(otherRange))
        return;
    // Copy first: the other array may be this one.
    std::vector<const void*> values(o->mValues.begin() + otherRange.location,
                                    o->mValues.begin() + otherRange.location + otherRange.length);
    for (const void* v : values)
        a->mValues.push_back(a->Retain(v));
}

void CFArrayExchangeValuesAtIndices(CFMutableArrayRef theArray, CFIndex idx1, CFIndex idx2) {
    __CFArray* a = MutableArr(theArray);
    const CFIndex n = CFArrayGetCount(theArray);
    if (!a || idx1 < 0 || idx2 < 0 || idx1 >= n || idx2 >= n)
        return;
    std::swap(a->mValues[idx1], a->mValues[idx2]);
}
