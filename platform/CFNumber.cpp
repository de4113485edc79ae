// Core Foundation numbers and Booleans.
#include "platform/CFNumber.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>

#include "platform/CFInternal.h"

struct __CFBoolean : __CFType {
    explicit __CFBoolean(bool value) : __CFType(kCFTypeIDBoolean), mValue(value) {
        mImmortal = true;
    }
    bool Equal(const __CFType* other) const override {
        return mValue == static_cast<const __CFBoolean*>(other)->mValue;
    }
    CFHashCode Hash() const override { return mValue ? 1 : 0; }
    std::string Describe() const override { return mValue ? "true" : "false"; }
    const bool mValue;
};

namespace {
__CFBoolean gTrue(true);
__CFBoolean gFalse(false);
}  // namespace

const CFBooleanRef kCFBooleanTrue = &gTrue;
const CFBooleanRef kCFBooleanFalse = &gFalse;

CFTypeID CFBooleanGetTypeID(void) {
    return kCFTypeIDBoolean;
}

Boolean CFBooleanGetValue(CFBooleanRef boolean) {
    return cfinternal::IsA(boolean, kCFTypeIDBoolean) && boolean->mValue;
}

// A number keeps a 64-bit integer or a double, and the kind it was made as.
struct __CFNumber : __CFType {
    __CFNumber() : __CFType(kCFTypeIDNumber) {}
    bool Equal(const __CFType* other) const override;
    CFHashCode Hash() const override {
        if (mIsFloat) {
            if (mDouble == std::floor(mDouble) && std::fabs(mDouble) < 9.2e18)
                return static_cast<CFHashCode>(static_cast<long long>(mDouble));
            CFHashCode h;
            std::memcpy(&h, &mDouble, sizeof h);
            return h;
        }
        return static_cast<CFHashCode>(mInt);
    }
    std::string Describe() const override {
        char buffer[64];
        if (mIsFloat) {
            auto r = std::to_chars(buffer, buffer + sizeof buffer, mDouble);
            return std::string(buffer, r.ptr);
        }
        auto r = std::to_chars(buffer, buffer + sizeof buffer, mInt);
        return std::string(buffer, r.ptr);
    }

    bool mIsFloat = false;
    long long mInt = 0;
    double mDouble = 0.0;
    CFNumberType mType = kCFNumberSInt32Type;
};

namespace {

const __CFNumber* Num(CFNumberRef n) {
    return cfinternal::IsA(n, kCFTypeIDNumber) ? static_cast<const __CFNumber*>(n) : nullptr;
}

// The stored kind of a requested type, with its size.
CFNumberType Canonical(CFNumberType t) {
    switch (t) {
        case kCFNumberSInt8Type:
        case kCFNumberCharType:
            return kCFNumberSInt8Type;
        case kCFNumberSInt16Type:
        case kCFNumberShortType:
            return kCFNumberSInt16Type;
        case kCFNumberSInt32Type:
        case kCFNumberIntType:
            return kCFNumberSInt32Type;
        case kCFNumberSInt64Type:
        case kCFNumberLongType:
        case kCFNumberLongLongType:
        case kCFNumberCFIndexType:
        case kCFNumberNSIntegerType:
            return kCFNumberSInt64Type;
        case kCFNumberFloat32Type:
        case kCFNumberFloatType:
            return kCFNumberFloat32Type;
        case kCFNumberFloat64Type:
        case kCFNumberDoubleType:
        case kCFNumberCGFloatType:
            return kCFNumberFloat64Type;
        default:
            return 0;
    }
}

template <typename T>
bool StoreInt(const __CFNumber* n, void* out) {
    T v;
    bool exact;
    if (n->mIsFloat) {
        const double d = n->mDouble;
        if (std::isnan(d)) {
            v = 0;
            exact = false;
        } else if (d <= static_cast<double>(std::numeric_limits<T>::min())) {
            v = std::numeric_limits<T>::min();
            exact = d == static_cast<double>(v);
        } else if (d >= static_cast<double>(std::numeric_limits<T>::max())) {
            v = std::numeric_limits<T>::max();
            exact = false;
        } else {
            v = static_cast<T>(d);
            exact = static_cast<double>(v) == d;
        }
    } else {
        const long long i = n->mInt;
        if (i < static_cast<long long>(std::numeric_limits<T>::min())) {
            v = std::numeric_limits<T>::min();
            exact = false;
        } else if (i > static_cast<long long>(std::numeric_limits<T>::max())) {
            v = std::numeric_limits<T>::max();
            exact = false;
        } else {
            v = static_cast<T>(i);
            exact = true;
        }
    }
    std::memcpy(out, &v, sizeof v);
    return exact;
}

template <typename T>
bool StoreFloat(const __CFNumber* n, void* out) {
    T v;
    bool exact;
    if (n->mIsFloat) {
        v = static_cast<T>(n->mDouble);
        exact = std::isnan(n->mDouble) || static_cast<double>(v) == n->mDouble;
    } else {
        v = static_cast<T>(n->mInt);
        exact = static_cast<long long>(v) == n->mInt;
    }
    std::memcpy(out, &v, sizeof v);
    return exact;
}

}  // namespace

bool __CFNumber::Equal(const __CFType* other) const {
    return CFNumberCompare(this, static_cast<const __CFNumber*>(other), nullptr) ==
           kCFCompareEqualTo;
}

CFTypeID CFNumberGetTypeID(void) {
    return kCFTypeIDNumber;
}

CFNumberRef CFNumberCreate(CFAllocatorRef, CFNumberType theType, const void* valuePtr) {
    if (!valuePtr)
        return nullptr;
    __CFNumber* n = new (std::nothrow) __CFNumber;
    if (!n)
        return nullptr;
    n->mType = Canonical(theType);
    switch (theType) {
        case kCFNumberSInt8Type: {
            SInt8 v;
            std::memcpy(&v, valuePtr, sizeof v);
            n->mInt = v;
            break;
        }
        case kCFNumberCharType: {
            char v;
            std::memcpy(&v, valuePtr, sizeof v);
            n->mInt = v;
            break;
        }
        case kCFNumberSInt16Type: {
            SInt16 v;
            std::memcpy(&v, valuePtr, sizeof v);
            n->mInt = v;
            break;
        }
        case kCFNumberShortType: {
            short v;
            std::memcpy(&v, valuePtr, sizeof v);
            n->mInt = v;
            break;
        }
        case kCFNumberSInt32Type: {
            SInt32 v;
            std::memcpy(&v, valuePtr, sizeof v);
            n->mInt = v;
            break;
        }
        case kCFNumberIntType: {
            int v;
            std::memcpy(&v, valuePtr, sizeof v);
            n->mInt = v;
            break;
        }
        case kCFNumberSInt64Type: {
            SInt64 v;
            std::memcpy(&v, valuePtr, sizeof v);
            n->mInt = v;
            break;
        }
        case kCFNumberLongType:
        case kCFNumberCFIndexType:
        case kCFNumberNSIntegerType: {
            long v;
            std::memcpy(&v, valuePtr, sizeof v);
            n->mInt = v;
            break;
        }
        case kCFNumberLongLongType: {
            long long v;
            std::memcpy(&v, valuePtr, sizeof v);
            n->mInt = v;
            break;
        }
        case kCFNumberFloat32Type:
        case kCFNumberFloatType: {
            float v;
            std::memcpy(&v, valuePtr, sizeof v);
            n->mIsFloat = true;
            n->mDouble = v;
            break;
        }
        case kCFNumberFloat64Type:
        case kCFNumberDoubleType:
        case kCFNumberCGFloatType: {
            double v;
            std::memcpy(&v, valuePtr, sizeof v);
            n->mIsFloat = true;
            n->mDouble = v;
            break;
        }
        default:
            delete n;
            return nullptr;
    }
    return n;
}

CFNumberType CFNumberGetType(CFNumberRef number) {
    const __CFNumber* n = Num(number);
    return n ? n->mType : 0;
}

CFIndex CFNumberGetByteSize(CFNumberRef number) {
    switch (CFNumberGetType(number)) {
        case kCFNumberSInt8Type:
            return 1;
        case kCFNumberSInt16Type:
            return 2;
        case kCFNumberSInt32Type:
        case kCFNumberFloat32Type:
            return 4;
        case kCFNumberSInt64Type:
        case kCFNumberFloat64Type:
            return 8;
        default:
            return 0;
    }
}

Boolean CFNumberIsFloatType(CFNumberRef number) {
    const __CFNumber* n = Num(number);
    return n && n->mIsFloat;
}

Boolean CFNumberGetValue(CFNumberRef number, CFNumberType theType, void* valuePtr) {
    const __CFNumber* n = Num(number);
    if (!n || !valuePtr)
        return false;
    switch (theType) {
        case kCFNumberSInt8Type:
            return StoreInt<SInt8>(n, valuePtr);
        case kCFNumberCharType:
            return StoreInt<char>(n, valuePtr);
        case kCFNumberSInt16Type:
            return StoreInt<SInt16>(n, valuePtr);
        case kCFNumberShortType:
            return StoreInt<short>(n, valuePtr);
        case kCFNumberSInt32Type:
            return StoreInt<SInt32>(n, valuePtr);
        case kCFNumberIntType:
            return StoreInt<int>(n, valuePtr);
        case kCFNumberSInt64Type:
            return StoreInt<SInt64>(n, valuePtr);
        case kCFNumberLongType:
        case kCFNumberCFIndexType:
        case kCFNumberNSIntegerType:
            return StoreInt<long>(n, valuePtr);
        case kCFNumberLongLongType:
            return StoreInt<long long>(n, valuePtr);
        case kCFNumberFloat32Type:
        case kCFNumberFloatType:
            return StoreFloat<float>(n, valuePtr);
        case kCFNumberFloat64Type:
        case kCFNumberDoubleType:
        case kCFNumberCGFloatType:
            return StoreFloat<double>(n, valuePtr);
        default:
            return false;
    }
}

CFComparisonResult CFNumberCompare(CFNumberRef number, CFNumberRef otherNumber, void*) {
    const __CFNumber* a = Num(number);
    const __CFNumber* b = Num(otherNumber);
    if (!a || !b)
        return a ? kCFCompareGreaterThan : (b ? kCFCompareLessThan : kCFCompareEqualTo);
    if (!a->mIsFloat && !b->mIsFloat) {
        if (a->mInt == b->mInt)
            return kCFCompareEqualTo;
        return a->mInt < b->mInt ? kCFCompareLessThan : kCFCompareGreaterThan;
    }
    const double x = a->mIsFloat ? a->mDouble : static_cast<double>(a->mInt);
    const double y = b->mIsFloat ? b->mDouble : static_cast<double>(b->mInt);
    if (x == y)
        return kCFCompareEqualTo;
    return x < y ? kCFCompareLessThan : kCFCompareGreaterThan;
}
