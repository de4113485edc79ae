// Core Foundation UUIDs.
#include "platform/CFUUID.h"

#include <sys/random.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <new>
#include <random>
#include <string>

#include "platform/CFInternal.h"
#include "platform/CFString.h"

struct __CFUUID : __CFType {
    __CFUUID() : __CFType(kCFTypeIDUUID) {}
    bool Equal(const __CFType* other) const override {
        return std::memcmp(mBytes, static_cast<const __CFUUID*>(other)->mBytes, 16) == 0;
    }
    CFHashCode Hash() const override {
        CFHashCode h;
        std::memcpy(&h, mBytes, sizeof h);
        return h;
    }
    std::string Describe() const override {
        char text[37];
        std::snprintf(text, sizeof text,
                      "%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X",
                      mBytes[0], mBytes[1], mBytes[2], mBytes[3], mBytes[4], mBytes[5], mBytes[6],
                      mBytes[7], mBytes[8], mBytes[9], mBytes[10], mBytes[11], mBytes[12],
                      mBytes[13], mBytes[14], mBytes[15]);
        return text;
    }
    UInt8 mBytes[16] = {};
};

namespace {

const __CFUUID* Uuid(CFUUIDRef u) {
    return cfinternal::IsA(u, kCFTypeIDUUID) ? static_cast<const __CFUUID*>(u) : nullptr;
}

__CFUUID* NewUUID(const UInt8* bytes, bool constant = false) {
    __CFUUID* u =
        constant ? new (std::nothrow, cfinternal::uncounted) __CFUUID : new (std::nothrow) __CFUUID;
    if (u)
        std::memcpy(u->mBytes, bytes, 16);
    return u;
}

}  // namespace

CFTypeID CFUUIDGetTypeID(void) {
    return kCFTypeIDUUID;
}

CFUUIDRef CFUUIDCreate(CFAllocatorRef) {
    UInt8 bytes[16];
    if (getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes)) {
        std::random_device device;
        for (UInt8& b : bytes)
            b = static_cast<UInt8>(device());
    }
    bytes[6] = static_cast<UInt8>((bytes[6] & 0x0F) | 0x40);  // version 4
    bytes[8] = static_cast<UInt8>((bytes[8] & 0x3F) | 0x80);  // RFC 4122 variant
    return NewUUID(bytes);
}

CFUUIDRef CFUUIDCreateWithBytes(CFAllocatorRef, UInt8 byte0, UInt8 byte1, UInt8 byte2, UInt8 byte3,
                                UInt8 byte4, UInt8 byte5, UInt8 byte6, UInt8 byte7, UInt8 byte8,
                                UInt8 byte9, UInt8 byte10, UInt8 byte11, UInt8 byte12, UInt8 byte13,
                                UInt8 byte14, UInt8 byte15) {
    const UInt8 bytes[16] = {byte0, byte1, byte2,  byte3,  byte4,  byte5,  byte6,  byte7,
                             byte8, byte9, byte10, byte11, byte12, byte13, byte14, byte15};
    return NewUUID(bytes);
}

CFUUIDRef CFUUIDCreateFromString(CFAllocatorRef, CFStringRef uuidStr) {
    if (!uuidStr)
        return nullptr;
    std::string text = cfinternal::UTF8FromString(uuidStr);
    if (text.size() == 38 && text.front() == '{' && text.back() == '}')
        text = text.substr(1, 36);
    if (text.size() != 36)
        return nullptr;
    UInt8 bytes[16];
    size_t out = 0;
    for (size_t i = 0; i < 36;) {
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            if (text[i] != '-')
                return nullptr;
            ++i;
            continue;
        }
        int value = 0;
        for (int k = 0; k < 2; ++k) {
            const char c = text[i + k];
            int digit;
            if (c >= '0' && c <= '9')
                digit = c - '0';
            else if (c >= 'a' && c <= 'f')
                digit = c - 'a' + 10;
            else if (c >= 'A' && c <= 'F')
                digit = c - 'A' + 10;
            else
                return nullptr;
            value = value * 16 + digit;
        }
        bytes[out++] = static_cast<UInt8>(value);
        i += 2;
    }
    return NewUUID(bytes);
}

CFStringRef CFUUIDCreateString(CFAllocatorRef, CFUUIDRef uuid) {
    const __CFUUID* u = Uuid(uuid);
    return u ? cfinternal::StringFromUTF8(u->Describe()) : nullptr;
}

CFUUIDRef CFUUIDGetConstantUUIDWithBytes(CFAllocatorRef, UInt8 byte0, UInt8 byte1, UInt8 byte2,
                                         UInt8 byte3, UInt8 byte4, UInt8 byte5, UInt8 byte6,
                                         UInt8 byte7, UInt8 byte8, UInt8 byte9, UInt8 byte10,
                                         UInt8 byte11, UInt8 byte12, UInt8 byte13, UInt8 byte14,
                                         UInt8 byte15) {
    const UInt8 bytes[16] = {byte0, byte1, byte2,  byte3,  byte4,  byte5,  byte6,  byte7,
                             byte8, byte9, byte10, byte11, byte12, byte13, byte14, byte15};
    // Constants live for the whole process, one per value.
    static std::mutex* lock = new std::mutex;
    static auto* constants = new std::map<std::string, __CFUUID*>;
    std::lock_guard<std::mutex> guard(*lock);
    const std::string key(reinterpret_cast<const char*>(bytes), 16);
    auto found = constants->find(key);
    if (found != constants->end())
        return found->second;
    __CFUUID* u = NewUUID(bytes, true);
    if (!u)
        return nullptr;
    u->mImmortal = true;
    constants->emplace(key, u);
    return u;
}

CFUUIDBytes CFUUIDGetUUIDBytes(CFUUIDRef uuid) {
    CFUUIDBytes out{};
    const __CFUUID* u = Uuid(uuid);
    if (u)
        std::memcpy(&out, u->mBytes, sizeof out);
    return out;
}

CFUUIDRef CFUUIDCreateFromUUIDBytes(CFAllocatorRef, CFUUIDBytes bytes) {
    UInt8 raw[16];
    std::memcpy(raw, &bytes, sizeof raw);
    return NewUUID(raw);
}
