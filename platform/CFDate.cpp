// Core Foundation dates.
#include "platform/CFDate.h"

#include <sys/time.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <new>

#include "platform/CFInternal.h"

struct __CFDate : __CFType {
    explicit __CFDate(CFAbsoluteTime at) : __CFType(kCFTypeIDDate), mTime(at) {}
    bool Equal(const __CFType* other) const override {
        return mTime == static_cast<const __CFDate*>(other)->mTime;
    }
    CFHashCode Hash() const override {
        return static_cast<CFHashCode>(static_cast<long long>(mTime));
    }
    std::string Describe() const override {
        const time_t t = static_cast<time_t>(mTime + kCFAbsoluteTimeIntervalSince1970);
        struct tm parts;
        char buffer[64];
        if (!gmtime_r(&t, &parts) ||
            !std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M:%S +0000", &parts))
            return "<CFDate>";
        return buffer;
    }
    const CFAbsoluteTime mTime;
};

CFAbsoluteTime CFAbsoluteTimeGetCurrent(void) {
    struct timeval tv;
    gettimeofday(&tv, nullptr);
    return static_cast<double>(tv.tv_sec) - kCFAbsoluteTimeIntervalSince1970 + tv.tv_usec / 1e6;
}

CFTypeID CFDateGetTypeID(void) {
    return kCFTypeIDDate;
}

CFDateRef CFDateCreate(CFAllocatorRef, CFAbsoluteTime at) {
    return new (std::nothrow) __CFDate(at);
}

CFAbsoluteTime CFDateGetAbsoluteTime(CFDateRef theDate) {
    return cfinternal::IsA(theDate, kCFTypeIDDate) ? theDate->mTime : 0.0;
}

CFComparisonResult CFDateCompare(CFDateRef theDate, CFDateRef otherDate, void*) {
    const double a = CFDateGetAbsoluteTime(theDate);
    const double b = CFDateGetAbsoluteTime(otherDate);
    if (a == b)
        return kCFCompareEqualTo;
    return a < b ? kCFCompareLessThan : kCFCompareGreaterThan;
}
