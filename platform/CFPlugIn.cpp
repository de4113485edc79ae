// The plug-in registry: factories and types read from plug-in bundles, factory functions
// found by name in the loaded executable, and the count of live instances per factory.
#include "platform/CFPlugIn.h"

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/CFArray.h"
#include "platform/CFDictionary.h"
#include "platform/CFString.h"

namespace {

// Identifiers are kept as their upper-case string form, which CFUUIDCreateString gives.
std::string Key(CFUUIDRef uuid) {
    std::string key;
    if (CFStringRef s = uuid ? CFUUIDCreateString(kCFAllocatorDefault, uuid) : nullptr) {
        char buffer[64];
        if (CFStringGetCString(s, buffer, sizeof buffer, kCFStringEncodingASCII))
            key = buffer;
        CFRelease(s);
    }
    return key;
}

// The same form for an identifier written in a property list (either case, braces allowed).
std::string Key(CFTypeRef text) {
    if (!text || CFGetTypeID(text) != CFStringGetTypeID())
        return {};
    CFUUIDRef uuid = CFUUIDCreateFromString(kCFAllocatorDefault, static_cast<CFStringRef>(text));
    std::string key = Key(uuid);
    if (uuid)
        CFRelease(uuid);
    return key;
}

struct Factory {
    CFPlugInRef plugIn = nullptr;  // retained while registered
    std::string function;
    CFIndex instances = 0;
};

struct Registry {
    std::mutex lock;
    std::map<std::string, Factory> factories;
    // type -> factories, in the order the plug-in lists them
    std::map<std::string, std::vector<std::string>> types;
};

Registry& TheRegistry() {
    static Registry* registry = new Registry;  // lives as long as the process
    return *registry;
}

std::string Text(CFTypeRef value) {
    std::string text;
    if (!value || CFGetTypeID(value) != CFStringGetTypeID())
        return text;
    CFStringRef s = static_cast<CFStringRef>(value);
    CFIndex size =
        CFStringGetMaximumSizeForEncoding(CFStringGetLength(s), kCFStringEncodingUTF8) + 1;
    text.resize(static_cast<size_t>(size));
    if (!CFStringGetCString(s, text.data(), size, kCFStringEncodingUTF8))
        return {};
    text.resize(std::char_traits<char>::length(text.c_str()));
    return text;
}

struct RegisterContext {
    Registry* registry;
    CFPlugInRef plugIn;
};

void RegisterFactory(const void* key, const void* value, void* context) {
    auto* c = static_cast<RegisterContext*>(context);
    std::string id = Key(static_cast<CFTypeRef>(key));
    std::string function = Text(static_cast<CFTypeRef>(value));
    if (id.empty() || function.empty())
        return;  // a malformed entry is passed over
    Factory& f = c->registry->factories[id];
    if (f.plugIn == c->plugIn) {
        f.function = function;
        return;
    }
    // A factory already served by another plug-in keeps its first registration.
    if (f.plugIn)
        return;
    f.plugIn = static_cast<CFPlugInRef>(const_cast<void*>(CFRetain(c->plugIn)));
    f.function = function;
}

void RegisterType(const void* key, const void* value, void* context) {
    auto* c = static_cast<RegisterContext*>(context);
    std::string type = Key(static_cast<CFTypeRef>(key));
    if (type.empty() || !value || CFGetTypeID(value) != CFArrayGetTypeID())
        return;
    CFArrayRef list = static_cast<CFArrayRef>(value);
    std::vector<std::string>& factories = c->registry->types[type];
    for (CFIndex i = 0; i < CFArrayGetCount(list); ++i) {
        std::string id = Key(static_cast<CFTypeRef>(CFArrayGetValueAtIndex(list, i)));
        if (id.empty())
            continue;
        bool known = false;
        for (const std::string& f : factories)
            known = known || f == id;
        if (!known)
            factories.push_back(id);
    }
}

CFArrayRef FindFactories(CFUUIDRef typeUUID, CFPlugInRef only) {
    CFMutableArrayRef result = CFArrayCreateMutable(kCFAllocatorDefault, 0, &kCFTypeArrayCallBacks);
    if (!result)
        return nullptr;
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> guard(r.lock);
    auto type = r.types.find(Key(typeUUID));
    if (type == r.types.end())
        return result;
    for (const std::string& id : type->second) {
        auto f = r.factories.find(id);
        if (f == r.factories.end() || (only && f->second.plugIn != only))
            continue;
        CFStringRef text =
            CFStringCreateWithCString(kCFAllocatorDefault, id.c_str(), kCFStringEncodingASCII);
        CFUUIDRef uuid = text ? CFUUIDCreateFromString(kCFAllocatorDefault, text) : nullptr;
        if (uuid)
            CFArrayAppendValue(result, uuid);
        if (uuid)
            CFRelease(uuid);
        if (text)
            CFRelease(text);
    }
    return result;
}

}  // namespace

CFPlugInRef CFPlugInCreate(CFAllocatorRef allocator, CFURLRef plugInURL) {
    CFBundleRef bundle = CFBundleCreate(allocator, plugInURL);
    if (!bundle)
        return nullptr;
    CFDictionaryRef info = CFBundleGetInfoDictionary(bundle);
    if (!info)
        return bundle;
    Registry& r = TheRegistry();
    RegisterContext context{&r, bundle};
    std::lock_guard<std::mutex> guard(r.lock);
    CFTypeRef factories = CFDictionaryGetValue(info, kCFPlugInFactoriesKey);
    if (factories && CFGetTypeID(factories) == CFDictionaryGetTypeID())
        CFDictionaryApplyFunction(static_cast<CFDictionaryRef>(factories), RegisterFactory,
                                  &context);
    CFTypeRef types = CFDictionaryGetValue(info, kCFPlugInTypesKey);
    if (types && CFGetTypeID(types) == CFDictionaryGetTypeID())
        CFDictionaryApplyFunction(static_cast<CFDictionaryRef>(types), RegisterType, &context);
    return bundle;
}

CFBundleRef CFPlugInGetBundle(CFPlugInRef plugIn) {
    return plugIn;
}

CFArrayRef CFPlugInFindFactoriesForPlugInType(CFUUIDRef typeUUID) {
    return FindFactories(typeUUID, nullptr);
}

CFArrayRef CFPlugInFindFactoriesForPlugInTypeInPlugIn(CFUUIDRef typeUUID, CFPlugInRef plugIn) {
    if (!plugIn)
        return CFArrayCreate(kCFAllocatorDefault, nullptr, 0, &kCFTypeArrayCallBacks);
    return FindFactories(typeUUID, plugIn);
}

void* CFPlugInInstanceCreate(CFAllocatorRef allocator, CFUUIDRef factoryUUID, CFUUIDRef typeUUID) {
    CFPlugInRef plugIn = nullptr;
    std::string function;
    {
        Registry& r = TheRegistry();
        std::lock_guard<std::mutex> guard(r.lock);
        auto f = r.factories.find(Key(factoryUUID));
        if (f == r.factories.end() || !f->second.plugIn)
            return nullptr;
        plugIn = f->second.plugIn;
        function = f->second.function;
    }
    CFStringRef name =
        CFStringCreateWithCString(kCFAllocatorDefault, function.c_str(), kCFStringEncodingUTF8);
    if (!name)
        return nullptr;
    // The factory function runs without the registry's lock: it registers its instance.
    auto factory =
        reinterpret_cast<CFPlugInFactoryFunction>(CFBundleGetFunctionPointerForName(plugIn, name));
    CFRelease(name);
    return factory ? factory(allocator, typeUUID) : nullptr;
}

// The executable is never unloaded when the last instance goes: code of a plug-in may still
// be on the stack of the instance's own Release when the count reaches zero.
void CFPlugInAddInstanceForFactory(CFUUIDRef factoryID) {
    std::string id = Key(factoryID);
    if (id.empty())
        return;
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> guard(r.lock);
    ++r.factories[id].instances;
}

void CFPlugInRemoveInstanceForFactory(CFUUIDRef factoryID) {
    std::string id = Key(factoryID);
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> guard(r.lock);
    auto f = r.factories.find(id);
    if (f != r.factories.end() && f->second.instances > 0)
        --f->second.instances;
}

CFIndex CFPlugInGetInstanceCountForFactory(CFUUIDRef factoryID) {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> guard(r.lock);
    auto f = r.factories.find(Key(factoryID));
    return f == r.factories.end() ? 0 : f->second.instances;
}
