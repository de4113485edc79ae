// Core Foundation bundles: directory bundles found by URL or identifier, their information
// property list, resources, localized string tables (chosen by the user's locale settings)
// and executables, loaded with dlopen.
#include "platform/CFBundle.h"

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "platform/CFInternal.h"
#include "platform/StringsTable.h"
#include "platform/ZEQArena.h"

namespace {

// The folder of Contents that holds the executable (MacOS on the original platform).
constexpr char kExecutableFolder[] = "Linux";
// An information property list or string table larger than this is refused unread: the
// largest real ones are a few hundred kilobytes.
constexpr off_t kMaxFileBytes = off_t(16) << 20;

}  // namespace

struct __CFBundle : __CFType {
    __CFBundle() : __CFType(kCFTypeIDBundle) {}
    ~__CFBundle() override;
    std::string Describe() const override { return "<CFBundle " + mPath + ">"; }

    std::string mPath;            // the bundle's folder, absolute and without symbolic links
    std::string mContents;        // Info.plist lies here: mPath/Contents, or mPath when flat
    std::string mResources;       // mContents/Resources, or mPath when flat
    std::string mExecutablePath;  // empty when Info.plist names no executable
    std::vector<std::string> mLocalizations;  // the languages of the .lproj folders
    CFURLRef mURL = nullptr;
    CFDictionaryRef mInfo = nullptr;  // never null: empty when there is no Info.plist
    bool mMain = false;               // the running program: its executable is the process
    bool mRegistered = false;         // listed in the registry

    std::mutex mLock;                                // guards the two below
    std::map<std::string, CFDictionaryRef> mTables;  // "language/table" -> table (null: none)
    void* mHandle = nullptr;                         // dlopen handle of the executable
};

namespace {

// Every bundle alive, oldest first, so that look-up by identifier finds them. Never destroyed,
// so that bundles left at exit stay reachable rather than leaked.
struct Registry {
    std::mutex lock;
    std::vector<__CFBundle*> bundles;
    __CFBundle* main = nullptr;
};

Registry& TheRegistry() {
    static Registry* registry = new Registry;
    return *registry;
}

__CFBundle* Bundle(CFBundleRef b) {
    return cfinternal::IsA(b, kCFTypeIDBundle) ? b : nullptr;
}

// A reference to a bundle found in the registry, unless its last one is being released.
bool TryRetain(__CFBundle* b) {
    if (b->mImmortal)
        return true;
    int32_t count = b->mRefCount.load();
    while (count > 0) {
        if (b->mRefCount.compare_exchange_weak(count, count + 1))
            return true;
    }
    return false;
}

bool Exists(const std::string& path, bool* isDirectory = nullptr) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0)
        return false;
    if (isDirectory)
        *isDirectory = S_ISDIR(st.st_mode);
    return true;
}

bool IsDirectory(const std::string& path) {
    bool directory = false;
    return Exists(path, &directory) && directory;
}

CFURLRef URLForPath(const std::string& path, bool isDirectory) {
    return CFURLCreateFromFileSystemRepresentation(nullptr,
                                                   reinterpret_cast<const UInt8*>(path.c_str()),
                                                   static_cast<CFIndex>(path.size()), isDirectory);
}

// The whole of a regular file (never a device or pipe), up to kMaxFileBytes.
bool ReadFile(const std::string& path, std::string& bytes) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat st;
    bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (ok && st.st_size > kMaxFileBytes) {
        std::fprintf(stderr, "%s: larger than a bundle file may be; not read\n", path.c_str());
        ok = false;
    }
    if (ok) {
        bytes.resize(static_cast<size_t>(st.st_size));
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = read(fd, bytes.data() + done, bytes.size() - done);
            if (n > 0) {
                done += static_cast<size_t>(n);
            } else if (n == 0) {
                bytes.resize(done);  // the file shrank meanwhile
            } else if (errno != EINTR) {
                ok = false;
                break;
            }
        }
    }
    close(fd);
    return ok;
}

// The dictionary of Info.plist, or an empty one when it is missing or not a dictionary.
CFDictionaryRef ReadInfo(const std::string& path) {
    std::string bytes;
    CFPropertyListRef list = nullptr;
    if (ReadFile(path, bytes)) {
        CFDataRef data = CFDataCreate(nullptr, reinterpret_cast<const UInt8*>(bytes.data()),
                                      static_cast<CFIndex>(bytes.size()));
        CFErrorRef error = nullptr;
        list = data ? CFPropertyListCreateWithData(nullptr, data, kCFPropertyListImmutable, nullptr,
                                                   &error)
                    : nullptr;
        if (list && CFGetTypeID(list) != CFDictionaryGetTypeID()) {
            CFRelease(list);
            list = nullptr;
        }
        if (!list && data)
            std::fprintf(stderr, "%s: not a property list of a dictionary\n", path.c_str());
        if (error)
            CFRelease(error);
        if (data)
            CFRelease(data);
    }
    if (list)
        return static_cast<CFDictionaryRef>(list);
    return CFDictionaryCreate(nullptr, nullptr, nullptr, 0, &kCFTypeDictionaryKeyCallBacks,
                              &kCFTypeDictionaryValueCallBacks);
}

CFStringRef InfoString(const __CFBundle* b, const char* key) {
    CFTypeRef value = CFDictionaryGetValue(b->mInfo, __CFStringMakeConstantString(key));
    return value && CFGetTypeID(value) == CFStringGetTypeID() ? static_cast<CFStringRef>(value)
                                                              : nullptr;
}

// A bundle over the canonical folder `path`: "Contents" laid out as on the original platform
// when there is such a folder, else a flat bundle that is its own contents and resources.
__CFBundle* NewBundle(const std::string& path) {
    // A bundle lives as long as the process may look it up, never in a model's arena.
    ZEQArena::Scope heap(nullptr);
    __CFBundle* b = new (std::nothrow) __CFBundle;
    if (!b)
        return nullptr;
    try {
        b->mPath = path;
        std::string executableFolder;
        if (IsDirectory(path + "/Contents")) {
            b->mContents = path + "/Contents";
            b->mResources = b->mContents + "/Resources";
            executableFolder = b->mContents + "/" + kExecutableFolder;
        } else {
            b->mContents = b->mResources = executableFolder = path;
        }
        b->mURL = URLForPath(path, true);
        b->mInfo = ReadInfo(b->mContents + "/Info.plist");
        if (!b->mURL || !b->mInfo) {
            delete b;
            return nullptr;
        }
        const std::string executable =
            cfinternal::UTF8FromString(InfoString(b, "CFBundleExecutable"));
        if (!executable.empty() && executable.find('/') == std::string::npos && executable != "." &&
            executable != "..")
            b->mExecutablePath = executableFolder + "/" + executable;
        if (DIR* dir = opendir(b->mResources.c_str())) {
            while (const dirent* entry = readdir(dir)) {
                const std::string name = entry->d_name;
                if (name.size() > 6 && name.compare(name.size() - 6, 6, ".lproj") == 0)
                    b->mLocalizations.push_back(name.substr(0, name.size() - 6));
            }
            closedir(dir);
            std::sort(b->mLocalizations.begin(), b->mLocalizations.end());
        }
    } catch (const std::bad_alloc&) {
        delete b;
        return nullptr;
    }
    return b;
}

// Lists a new bundle; the caller holds the registry's lock.
bool Register(Registry& registry, __CFBundle* b) {
    try {
        registry.bundles.push_back(b);
    } catch (const std::bad_alloc&) {
        return false;
    }
    b->mRegistered = true;
    return true;
}

// The absolute path of the folder a file URL names, symbolic links resolved.
bool CanonicalFolder(CFURLRef url, std::string& path) {
    UInt8 given[PATH_MAX];
    char resolved[PATH_MAX];
    if (!CFURLGetFileSystemRepresentation(url, true, given, sizeof given) ||
        !realpath(reinterpret_cast<const char*>(given), resolved))
        return false;
    path = resolved;
    return IsDirectory(path);
}

// Locale names compare without regard to case, and "pt-BR" names the same as "pt_BR".
bool SameLanguage(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = static_cast<char>(std::tolower(static_cast<unsigned char>(a[i])));
        char y = static_cast<char>(std::tolower(static_cast<unsigned char>(b[i])));
        if (x == '-')
            x = '_';
        if (y == '-')
            y = '_';
        if (x != y)
            return false;
    }
    return true;
}

void AddLanguage(std::vector<std::string>& list, const std::string& language) {
    for (const std::string& known : list) {
        if (SameLanguage(known, language))
            return;
    }
    list.push_back(language);
}

// A name of letters, digits, '_' and '-': anything else is no language, and would otherwise
// become part of a path.
bool IsLanguageName(const std::string& name) {
    for (char c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '-')
            return false;
    }
    return !name.empty();
}

// Adds one locale name of the environment: "de_DE.UTF-8@euro" adds "de_DE", then "de". The
// codeset and modifier say nothing about the language; "C" and "POSIX" ask for none.
void AddLocale(std::vector<std::string>& list, std::string name) {
    name = name.substr(0, name.find_first_of(".@"));
    if (!IsLanguageName(name) || name == "C" || name == "POSIX")
        return;
    AddLanguage(list, name);
    const size_t region = name.find_first_of("_-");
    if (region != std::string::npos && region > 0)
        AddLanguage(list, name.substr(0, region));
}

// The languages the user asks for, most wanted first: every entry of the colon-separated
// LANGUAGE, then the locale of messages, which is the first of LC_ALL, LC_MESSAGES and LANG
// that is set and not empty. Unlike gettext, LANGUAGE counts even when that locale is "C": a
// user who sets it has said which languages to read. The environment is read at each
// look-up, so that a host that sets it after start is followed.
std::vector<std::string> UserLanguages() {
    std::vector<std::string> list;
    if (const char* language = std::getenv("LANGUAGE")) {
        const std::string entries = language;
        size_t start = 0;
        while (start <= entries.size()) {
            size_t end = entries.find(':', start);
            if (end == std::string::npos)
                end = entries.size();
            AddLocale(list, entries.substr(start, end - start));
            start = end + 1;
        }
    }
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value && *value) {
            AddLocale(list, value);
            break;
        }
    }
    return list;
}

// The bundle's localizations in the order the user wants them, then its development region
// ("en" when Info.plist names none or no language), looked in whether or not it has a folder.
std::vector<std::string> PreferredLocalizations(const __CFBundle* b) {
    std::vector<std::string> list;
    for (const std::string& wanted : UserLanguages()) {
        for (const std::string& present : b->mLocalizations) {
            if (SameLanguage(wanted, present))
                AddLanguage(list, present);
        }
    }
    const std::string region =
        cfinternal::UTF8FromString(InfoString(b, "CFBundleDevelopmentRegion"));
    AddLanguage(list, IsLanguageName(region) ? region : "en");
    return list;
}

// The table `name` of one localization (the unlocalized one for an empty language), read
// once and kept with the bundle; null when it is missing or broken (the fault is reported).
CFDictionaryRef Table(__CFBundle* b, const std::string& language, const std::string& name) {
    const std::string key = language + "/" + name;
    std::lock_guard<std::mutex> hold(b->mLock);
    auto found = b->mTables.find(key);
    if (found != b->mTables.end())
        return found->second;
    const std::string path = b->mResources + (language.empty() ? "" : "/" + language + ".lproj") +
                             "/" + name + ".strings";
    ZEQArena::Scope heap(nullptr);  // kept with the bundle, not with a model being built
    std::string bytes;
    CFDictionaryRef table = nullptr;
    if (ReadFile(path, bytes)) {
        CFStringRef error = nullptr;
        table = ZEQStringsTableCreate(reinterpret_cast<const UInt8*>(bytes.data()),
                                      static_cast<CFIndex>(bytes.size()), &error, nullptr);
        if (!table)
            std::fprintf(stderr, "%s: %s\n", path.c_str(),
                         cfinternal::UTF8FromString(error).c_str());
        if (error)
            CFRelease(error);
    }
    try {
        b->mTables.emplace(key, table);
    } catch (const std::bad_alloc&) {
        CFRelease(table);
        throw;
    }
    return table;
}

CFStringRef CopyString(CFStringRef s) {
    return CFStringCreateCopy(nullptr, s);
}

}  // namespace

__CFBundle::~__CFBundle() {
    if (mRegistered) {
        Registry& registry = TheRegistry();
        std::lock_guard<std::mutex> hold(registry.lock);
        registry.bundles.erase(std::find(registry.bundles.begin(), registry.bundles.end(), this));
    }
    // The executable goes with its bundle: whoever calls into it holds the bundle.
    if (mHandle)
        dlclose(mHandle);
    for (auto& entry : mTables)
        CFRelease(entry.second);
    CFRelease(mInfo);
    CFRelease(mURL);
}

CFTypeID CFBundleGetTypeID(void) {
    return kCFTypeIDBundle;
}

CFBundleRef CFBundleCreate(CFAllocatorRef, CFURLRef bundleURL) {
    try {
        std::string path;
        if (!CanonicalFolder(bundleURL, path))
            return nullptr;
        Registry& registry = TheRegistry();
        std::lock_guard<std::mutex> hold(registry.lock);
        for (__CFBundle* b : registry.bundles) {
            if (b->mPath == path && TryRetain(b))
                return b;
        }
        __CFBundle* b = NewBundle(path);
        if (b && !Register(registry, b)) {
            delete b;
            b = nullptr;
        }
        return b;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

CFBundleRef CFBundleGetMainBundle(void) {
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> hold(registry.lock);
    if (registry.main)
        return registry.main;
    try {
        char exe[PATH_MAX];
        const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
        if (n <= 0)
            return nullptr;
        exe[n] = '\0';
        std::string executable = exe;
        // Name.app/Contents/Linux/program is the bundle Name.app; any other program is a flat
        // bundle of its own folder.
        std::string folder = executable.substr(0, executable.rfind('/'));
        const std::string inside = std::string("/Contents/") + kExecutableFolder;
        if (folder.size() > inside.size() &&
            folder.compare(folder.size() - inside.size(), inside.size(), inside) == 0)
            folder.resize(folder.size() - inside.size());
        char resolved[PATH_MAX];
        if (!realpath(folder.empty() ? "/" : folder.c_str(), resolved))
            return nullptr;
        __CFBundle* b = NewBundle(resolved);
        if (!b)
            return nullptr;
        b->mMain = true;
        b->mExecutablePath = executable;
        if (!Register(registry, b)) {
            delete b;
            return nullptr;
        }
        b->mImmortal = true;
        registry.main = b;
        return b;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

CFBundleRef CFBundleGetBundleWithIdentifier(CFStringRef bundleID) {
    if (!bundleID)
        return nullptr;
    CFBundleGetMainBundle();  // the running program's bundle is always known
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> hold(registry.lock);
    for (__CFBundle* b : registry.bundles) {
        CFStringRef identifier = InfoString(b, "CFBundleIdentifier");
        if (identifier && CFEqual(identifier, bundleID) && (b->mImmortal || b->mRefCount > 0))
            return b;
    }
    return nullptr;
}

CFStringRef CFBundleGetIdentifier(CFBundleRef bundle) {
    const __CFBundle* b = Bundle(bundle);
    return b ? InfoString(b, "CFBundleIdentifier") : nullptr;
}

CFDictionaryRef CFBundleGetInfoDictionary(CFBundleRef bundle) {
    const __CFBundle* b = Bundle(bundle);
    return b ? b->mInfo : nullptr;
}

CFTypeRef CFBundleGetValueForInfoDictionaryKey(CFBundleRef bundle, CFStringRef key) {
    const __CFBundle* b = Bundle(bundle);
    return b && key ? CFDictionaryGetValue(b->mInfo, key) : nullptr;
}

CFStringRef CFBundleGetDevelopmentRegion(CFBundleRef bundle) {
    const __CFBundle* b = Bundle(bundle);
    return b ? InfoString(b, "CFBundleDevelopmentRegion") : nullptr;
}

CFURLRef CFBundleCopyBundleURL(CFBundleRef bundle) {
    const __CFBundle* b = Bundle(bundle);
    return b ? static_cast<CFURLRef>(CFRetain(b->mURL)) : nullptr;
}

CFURLRef CFBundleCopyResourcesDirectoryURL(CFBundleRef bundle) {
    const __CFBundle* b = Bundle(bundle);
    return b ? URLForPath(b->mResources, true) : nullptr;
}

CFURLRef CFBundleCopyExecutableURL(CFBundleRef bundle) {
    const __CFBundle* b = Bundle(bundle);
    if (!b || b->mExecutablePath.empty() || !Exists(b->mExecutablePath))
        return nullptr;
    return URLForPath(b->mExecutablePath, false);
}

CFURLRef CFBundleCopyResourceURL(CFBundleRef bundle, CFStringRef resourceName,
                                 CFStringRef resourceType, CFStringRef subDirName) {
    const __CFBundle* b = Bundle(bundle);
    if (!b || !resourceName || CFStringGetLength(resourceName) == 0)
        return nullptr;
    try {
        std::string file = cfinternal::UTF8FromString(resourceName);
        const std::string type = cfinternal::UTF8FromString(resourceType);
        if (!type.empty())
            file += (type[0] == '.' ? "" : ".") + type;
        const std::string folder = cfinternal::UTF8FromString(subDirName);
        const std::string relative = folder.empty() ? file : folder + "/" + file;
        std::vector<std::string> places;
        for (const std::string& language : PreferredLocalizations(b))
            places.push_back(b->mResources + "/" + language + ".lproj/" + relative);
        places.push_back(b->mResources + "/" + relative);
        for (const std::string& place : places) {
            bool directory = false;
            if (Exists(place, &directory))
                return URLForPath(place, directory);
        }
    } catch (const std::bad_alloc&) {
    }
    return nullptr;
}

CFArrayRef CFBundleCopyPreferredLocalizations(CFBundleRef bundle) {
    const __CFBundle* b = Bundle(bundle);
    if (!b)
        return nullptr;
    CFMutableArrayRef array = CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks);
    if (!array)
        return nullptr;
    try {
        for (const std::string& language : PreferredLocalizations(b)) {
            CFStringRef name = cfinternal::StringFromUTF8(language);
            if (!name)
                throw std::bad_alloc();
            CFArrayAppendValue(array, name);
            CFRelease(name);
        }
    } catch (const std::bad_alloc&) {
        CFRelease(array);
        return nullptr;
    }
    return array;
}

CFStringRef CFBundleCopyLocalizedString(CFBundleRef bundle, CFStringRef key, CFStringRef value,
                                        CFStringRef tableName) {
    __CFBundle* b = Bundle(bundle);
    if (b && key) {
        try {
            std::string table = cfinternal::UTF8FromString(tableName);
            if (table.empty())
                table = "Localizable";
            // The preferred localizations in order, then the unlocalized table: a text that one
            // translation lacks comes from the next, before the key itself is shown.
            std::vector<std::string> languages = PreferredLocalizations(b);
            languages.push_back(std::string());
            for (const std::string& language : languages) {
                CFDictionaryRef strings = Table(b, language, table);
                const void* text = strings ? CFDictionaryGetValue(strings, key) : nullptr;
                if (text)
                    return CopyString(static_cast<CFStringRef>(text));
            }
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
    }
    if (value && CFStringGetLength(value) > 0)
        return CopyString(value);
    return key ? CopyString(key) : nullptr;
}

Boolean CFBundleLoadExecutable(CFBundleRef bundle) {
    __CFBundle* b = Bundle(bundle);
    if (!b)
        return false;
    std::lock_guard<std::mutex> hold(b->mLock);
    if (b->mHandle)
        return true;
    if (b->mMain) {
        b->mHandle = dlopen(nullptr, RTLD_NOW);  // the running program and what it loaded
    } else if (!b->mExecutablePath.empty() && Exists(b->mExecutablePath)) {
        b->mHandle = dlopen(b->mExecutablePath.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!b->mHandle)
            std::fprintf(stderr, "%s\n", dlerror());
    }
    return b->mHandle != nullptr;
}

Boolean CFBundleIsExecutableLoaded(CFBundleRef bundle) {
    __CFBundle* b = Bundle(bundle);
    if (!b)
        return false;
    std::lock_guard<std::mutex> hold(b->mLock);
    return b->mHandle != nullptr;
}

void CFBundleUnloadExecutable(CFBundleRef bundle) {
    __CFBundle* b = Bundle(bundle);
    if (!b)
        return;
    std::lock_guard<std::mutex> hold(b->mLock);
    if (b->mHandle)
        dlclose(b->mHandle);
    b->mHandle = nullptr;
}

void* CFBundleGetFunctionPointerForName(CFBundleRef bundle, CFStringRef functionName) {
    __CFBundle* b = Bundle(bundle);
    if (!b || !functionName || !CFBundleLoadExecutable(bundle))
        return nullptr;
    try {
        const std::string name = cfinternal::UTF8FromString(functionName);
        std::lock_guard<std::mutex> hold(b->mLock);
        return b->mHandle && !name.empty() ? dlsym(b->mHandle, name.c_str()) : nullptr;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
