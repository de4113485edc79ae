// Core Foundation URLs: file URLs held as decoded POSIX paths (relative ones with the current
// directory of their creation as base), other schemes held as their text.
#include "platform/CFURL.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cerrno>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "platform/CFInternal.h"
#include "platform/CFString.h"

struct __CFURL : __CFType {
    __CFURL() : __CFType(kCFTypeIDURL) {}
    ~__CFURL() override { CFRelease(mStringRef); }

    bool Equal(const __CFType* other) const override {
        const auto* o = static_cast<const __CFURL*>(other);
        return mString == o->mString && mBase == o->mBase;
    }
    CFHashCode Hash() const override { return std::hash<std::string>()(mString); }
    std::string Describe() const override {
        return mRelative && !mBase.empty() ? mString + " -- file://" + mBase + "/" : mString;
    }

    std::string mString;        // the URL text
    std::string mScheme;        // empty for a relative reference
    std::string mPath;          // decoded path, no trailing slash except for "/"
    std::string mBase;          // for a relative path: the absolute directory it hangs from
    bool mIsFile = false;       // a file URL or a relative path: mPath is a file-system path
    bool mRelative = false;     // mPath is relative to mBase
    bool mIsDirectory = false;  // the text ends with a slash
    CFStringRef mStringRef = nullptr;
};

namespace {

const __CFURL* Url(CFURLRef u) {
    return cfinternal::IsA(u, kCFTypeIDURL) ? static_cast<const __CFURL*>(u) : nullptr;
}

bool KeptInPath(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
           std::strchr("-._~!$&'()*+,;=:@/", c) != nullptr;
}

std::string PercentEncode(const std::string& path) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : path) {
        if (c != 0 && KeptInPath(c)) {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back('%');
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 15]);
        }
    }
    return out;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Decodes %XX escapes; false for a bad escape or an escaped NUL.
bool PercentDecode(const std::string& text, std::string& out) {
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out.push_back(text[i]);
            continue;
        }
        if (i + 2 >= text.size())
            return false;
        const int hi = HexValue(text[i + 1]);
        const int lo = HexValue(text[i + 2]);
        if (hi < 0 || lo < 0 || (hi == 0 && lo == 0))
            return false;
        out.push_back(static_cast<char>(hi * 16 + lo));
        i += 2;
    }
    return true;
}

std::string StripTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

std::string CurrentDirectory() {
    std::vector<char> buffer(4096);
    while (!getcwd(buffer.data(), buffer.size())) {
        if (errno != ERANGE || buffer.size() > (1u << 20))
            return "/";
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

// Makes a file URL of a decoded path; a relative path hangs from `base` (the current
// directory when empty).
__CFURL* NewFileURL(const std::string& rawPath, bool isDirectory, const std::string& base) {
    if (rawPath.empty() || rawPath.find('\0') != std::string::npos)
        return nullptr;
    __CFURL* u = new (std::nothrow) __CFURL;
    if (!u)
        return nullptr;
    try {
        u->mIsFile = true;
        u->mIsDirectory = isDirectory;
        u->mPath = StripTrailingSlashes(rawPath);
        u->mRelative = u->mPath[0] != '/';
        const std::string slash = (isDirectory && u->mPath != "/") ? "/" : "";
        if (u->mRelative) {
            u->mBase = base.empty() ? StripTrailingSlashes(CurrentDirectory()) : base;
            u->mString = PercentEncode(u->mPath) + slash;
        } else {
            u->mScheme = "file";
            u->mString = "file://" + PercentEncode(u->mPath) + slash;
        }
        u->mStringRef = cfinternal::StringFromUTF8(u->mString);
        if (!u->mStringRef) {
            delete u;
            return nullptr;
        }
    } catch (const std::bad_alloc&) {
        delete u;
        return nullptr;
    }
    return u;
}

// The absolute path of a file URL, with "." and ".." segments resolved by name.
std::string AbsolutePath(const __CFURL* u) {
    std::string joined = u->mRelative ? u->mBase + "/" + u->mPath : u->mPath;
    std::vector<std::string> parts;
    size_t i = 0;
    while (i < joined.size()) {
        size_t j = joined.find('/', i);
        if (j == std::string::npos)
            j = joined.size();
        std::string part = joined.substr(i, j - i);
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        i = j + 1;
    }
    std::string out;
    for (const std::string& p : parts)
        out += "/" + p;
    return out.empty() ? "/" : out;
}

bool ValidURLText(const std::string& text) {
    if (text.empty())
        return false;
    for (unsigned char c : text) {
        if (c <= 0x20 || c >= 0x7F || std::strchr("\"<>\\^`{|}", c))
            return false;
    }
    return true;
}

std::string ParentPath(const std::string& path) {
    if (path == "/")
        return "/";
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

}  // namespace

CFTypeID CFURLGetTypeID(void) {
    return kCFTypeIDURL;
}

CFURLRef CFURLCreateWithFileSystemPath(CFAllocatorRef, CFStringRef filePath,
                                       CFURLPathStyle pathStyle, Boolean isDirectory) {
    // Only POSIX paths exist on this platform.
    if (!filePath || pathStyle != kCFURLPOSIXPathStyle)
        return nullptr;
    return NewFileURL(cfinternal::UTF8FromString(filePath), isDirectory, std::string());
}

CFURLRef CFURLCreateFromFileSystemRepresentation(CFAllocatorRef, const UInt8* buffer,
                                                 CFIndex bufLen, Boolean isDirectory) {
    if (!buffer || bufLen <= 0)
        return nullptr;
    size_t length = 0;
    while (length < static_cast<size_t>(bufLen) && buffer[length] != 0)
        ++length;
    return NewFileURL(std::string(reinterpret_cast<const char*>(buffer), length), isDirectory,
                      std::string());
}

CFURLRef CFURLCreateWithString(CFAllocatorRef, CFStringRef URLString, CFURLRef baseURL) {
    if (!URLString)
        return nullptr;
    try {
        const std::string text = cfinternal::UTF8FromString(URLString);
        if (!ValidURLText(text))
            return nullptr;
        // scheme = ALPHA *( ALPHA / DIGIT / "+" / "-" / "." ), then ':'
        size_t colon = 0;
        if (std::isalpha(static_cast<unsigned char>(text[0]))) {
            size_t i = 1;
            while (i < text.size() && (std::isalnum(static_cast<unsigned char>(text[i])) ||
                                       text[i] == '+' || text[i] == '-' || text[i] == '.'))
                ++i;
            if (i < text.size() && text[i] == ':')
                colon = i;
        }
        if (colon == 0) {
            // A relative reference: a path under the base URL's directory.
            std::string path;
            if (!PercentDecode(text, path))
                return nullptr;
            const bool isDirectory = text.back() == '/';
            const __CFURL* base = Url(baseURL);
            if (base && base->mIsFile) {
                const std::string baseAbs = AbsolutePath(base);
                const std::string dir = base->mIsDirectory ? baseAbs : ParentPath(baseAbs);
                if (path[0] == '/')
                    return NewFileURL(path, isDirectory, std::string());
                if (dir == "/")
                    return NewFileURL("/" + path, isDirectory, std::string());
                return NewFileURL(path, isDirectory, dir);
            }
            return NewFileURL(path, isDirectory, std::string());
        }
        std::string scheme = text.substr(0, colon);
        for (char& c : scheme)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        std::string rest = text.substr(colon + 1);
        if (scheme == "file") {
            if (rest.compare(0, 2, "//") == 0) {
                const size_t pathStart = rest.find('/', 2);
                const std::string host = rest.substr(
                    2, pathStart == std::string::npos ? std::string::npos : pathStart - 2);
                if (!host.empty() && host != "localhost")
                    return nullptr;
                rest = pathStart == std::string::npos ? "/" : rest.substr(pathStart);
            }
            if (rest.empty() || rest[0] != '/')
                return nullptr;
            std::string path;
            if (!PercentDecode(rest, path))
                return nullptr;
            return NewFileURL(path, rest.back() == '/', std::string());
        }
        // Another scheme: kept as text, its path decoded for CFURLCopyFileSystemPath.
        __CFURL* u = new (std::nothrow) __CFURL;
        if (!u)
            return nullptr;
        u->mString = text;
        u->mScheme = text.substr(0, colon);
        std::string pathPart = rest;
        if (pathPart.compare(0, 2, "//") == 0) {
            const size_t slash = pathPart.find('/', 2);
            pathPart = slash == std::string::npos ? std::string() : pathPart.substr(slash);
        }
        const size_t end = pathPart.find_first_of("?#");
        if (end != std::string::npos)
            pathPart.resize(end);
        std::string decoded;
        if (PercentDecode(pathPart, decoded))
            u->mPath = StripTrailingSlashes(decoded);
        u->mIsDirectory = !pathPart.empty() && pathPart.back() == '/';
        u->mStringRef = CFStringCreateCopy(nullptr, URLString);
        if (!u->mStringRef) {
            delete u;
            return nullptr;
        }
        return u;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

CFURLRef CFURLCopyAbsoluteURL(CFURLRef relativeURL) {
    const __CFURL* u = Url(relativeURL);
    if (!u)
        return nullptr;
    if (!u->mRelative)
        return static_cast<CFURLRef>(CFRetain(u));
    try {
        return NewFileURL(AbsolutePath(u), u->mIsDirectory, std::string());
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

CFURLRef CFURLCreateCopyAppendingPathComponent(CFAllocatorRef, CFURLRef url,
                                               CFStringRef pathComponent, Boolean isDirectory) {
    const __CFURL* u = Url(url);
    if (!u || !u->mIsFile || !pathComponent)
        return nullptr;
    try {
        const std::string component = cfinternal::UTF8FromString(pathComponent);
        if (component.empty())
            return nullptr;
        std::string path = u->mPath;
        if (path.back() != '/')
            path.push_back('/');
        path += component;
        return NewFileURL(path, isDirectory, u->mBase);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

CFURLRef CFURLCreateCopyDeletingLastPathComponent(CFAllocatorRef, CFURLRef url) {
    const __CFURL* u = Url(url);
    if (!u || !u->mIsFile)
        return nullptr;
    try {
        return NewFileURL(ParentPath(u->mPath), true, u->mBase);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

CFStringRef CFURLGetString(CFURLRef anURL) {
    const __CFURL* u = Url(anURL);
    return u ? u->mStringRef : nullptr;
}

CFStringRef CFURLCopyScheme(CFURLRef anURL) {
    const __CFURL* u = Url(anURL);
    if (!u || u->mScheme.empty())
        return nullptr;
    return cfinternal::StringFromUTF8(u->mScheme);
}

CFStringRef CFURLCopyFileSystemPath(CFURLRef anURL, CFURLPathStyle pathStyle) {
    const __CFURL* u = Url(anURL);
    if (!u || pathStyle != kCFURLPOSIXPathStyle)
        return nullptr;
    return cfinternal::StringFromUTF8(u->mPath);
}

CFStringRef CFURLCopyLastPathComponent(CFURLRef url) {
    const __CFURL* u = Url(url);
    if (!u)
        return nullptr;
    if (u->mPath.empty() || u->mPath == "/")
        return cfinternal::StringFromUTF8(u->mPath);
    const size_t slash = u->mPath.rfind('/');
    return cfinternal::StringFromUTF8(slash == std::string::npos ? u->mPath
                                                                 : u->mPath.substr(slash + 1));
}

CFStringRef CFURLCopyPathExtension(CFURLRef url) {
    const __CFURL* u = Url(url);
    if (!u)
        return nullptr;
    const size_t slash = u->mPath.rfind('/');
    const std::string last = slash == std::string::npos ? u->mPath : u->mPath.substr(slash + 1);
    const size_t dot = last.rfind('.');
    if (dot == std::string::npos || dot == 0 || dot + 1 == last.size())
        return nullptr;
    return cfinternal::StringFromUTF8(last.substr(dot + 1));
}

Boolean CFURLHasDirectoryPath(CFURLRef anURL) {
    const __CFURL* u = Url(anURL);
    return u && u->mIsDirectory;
}

Boolean CFURLGetFileSystemRepresentation(CFURLRef url, Boolean resolveAgainstBase, UInt8* buffer,
                                         CFIndex maxBufLen) {
    const __CFURL* u = Url(url);
    if (!u || !u->mIsFile || !buffer || maxBufLen <= 0)
        return false;
    try {
        const std::string path = (resolveAgainstBase && u->mRelative) ? AbsolutePath(u) : u->mPath;
        if (path.size() + 1 > static_cast<size_t>(maxBufLen))
            return false;
        std::memcpy(buffer, path.c_str(), path.size() + 1);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

namespace {

SInt32 ErrorFromErrno(int err) {
    switch (err) {
        case ENOENT:
        case ENOTDIR:
            return kCFURLResourceNotFoundError;
        case EACCES:
        case EPERM:
        case EROFS:
            return kCFURLResourceAccessViolationError;
        default:
            return kCFURLUnknownError;
    }
}

// Writes all of `data` to fd and closes it; false with the error otherwise (fd closed).
bool WriteAndClose(int fd, CFDataRef data, SInt32* errorCode) {
    const UInt8* p = CFDataGetBytePtr(data);
    size_t left = static_cast<size_t>(CFDataGetLength(data));
    while (left > 0) {
        const ssize_t put = write(fd, p, left);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0) {
            *errorCode = put < 0 ? ErrorFromErrno(errno) : SInt32{kCFURLUnknownError};
            close(fd);
            return false;
        }
        p += put;
        left -= static_cast<size_t>(put);
    }
    if (close(fd) != 0) {
        *errorCode = ErrorFromErrno(errno);
        return false;
    }
    return true;
}

}  // namespace

Boolean CFURLCreateDataAndPropertiesFromResource(CFAllocatorRef alloc, CFURLRef url,
                                                 CFDataRef* resourceData,
                                                 CFDictionaryRef* properties, CFArrayRef,
                                                 SInt32* errorCode) {
    SInt32 scratch;
    if (!errorCode)
        errorCode = &scratch;
    *errorCode = 0;
    if (resourceData)
        *resourceData = nullptr;
    if (properties)
        *properties = nullptr;
    const __CFURL* u = Url(url);
    if (!u) {
        *errorCode = kCFURLImproperArgumentsError;
        return false;
    }
    if (!u->mIsFile) {
        *errorCode = kCFURLUnknownSchemeError;
        return false;
    }
    if (!resourceData)
        return true;
    const std::string path = AbsolutePath(u);
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        *errorCode = ErrorFromErrno(errno);
        return false;
    }
    CFMutableDataRef data = CFDataCreateMutable(alloc, 0);
    bool ok = data != nullptr;
    UInt8 chunk[65536];
    while (ok) {
        const ssize_t got = read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            *errorCode = ErrorFromErrno(errno);
            ok = false;
            break;
        }
        if (got == 0)
            break;
        CFDataAppendBytes(data, chunk, got);
    }
    close(fd);
    if (!ok) {
        if (!data)
            *errorCode = kCFURLUnknownError;
        CFRelease(data);
        return false;
    }
    *resourceData = data;
    return true;
}

Boolean CFURLWriteDataAndPropertiesToResource(CFURLRef url, CFDataRef dataToWrite, CFDictionaryRef,
                                              SInt32* errorCode) {
    SInt32 scratch;
    if (!errorCode)
        errorCode = &scratch;
    *errorCode = 0;
    const __CFURL* u = Url(url);
    if (!u) {
        *errorCode = kCFURLImproperArgumentsError;
        return false;
    }
    if (!u->mIsFile) {
        *errorCode = kCFURLUnknownSchemeError;
        return false;
    }
    const std::string path = AbsolutePath(u);
    if (u->mIsDirectory) {
        // A directory URL makes the directory.
        if (mkdir(path.c_str(), 0777) != 0 && errno != EEXIST) {
            *errorCode = ErrorFromErrno(errno);
            return false;
        }
        return true;
    }
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        *errorCode = ErrorFromErrno(errno);
        return false;
    }
    return WriteAndClose(fd, dataToWrite, errorCode);
}

Boolean ZEQURLWriteDataReplacing(CFURLRef url, CFDataRef dataToWrite, SInt32 mode,
                                 SInt32* errorCode) {
    SInt32 scratch;
    if (!errorCode)
        errorCode = &scratch;
    *errorCode = 0;
    const __CFURL* u = Url(url);
    if (!u || u->mIsDirectory) {
        *errorCode = kCFURLImproperArgumentsError;
        return false;
    }
    if (!u->mIsFile) {
        *errorCode = kCFURLUnknownSchemeError;
        return false;
    }
    const std::string path = AbsolutePath(u);
    const size_t slash = path.rfind('/');
    // The private file: a hidden name beside the target, made with O_EXCL | O_NOFOLLOW so that
    // nothing planted in the folder is opened in its place; readable only by its owner until
    // it has its mode.
    std::string temp = path.substr(0, slash + 1) + "." + path.substr(slash + 1) + ".";
    const size_t stem = temp.size();
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        uint64_t bits = 0;
        if (getrandom(&bits, sizeof bits, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof bits))
            bits = static_cast<uint64_t>(getpid()) * 1000003u + static_cast<uint64_t>(attempt);
        char suffix[17];
        snprintf(suffix, sizeof suffix, "%016llx", static_cast<unsigned long long>(bits));
        temp.replace(stem, std::string::npos, suffix);
        fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                  mode == kZEQModeFromUmask ? 0666 : 0600);
        if (fd < 0 && errno != EEXIST) {
            *errorCode = ErrorFromErrno(errno);
            return false;
        }
    }
    if (fd < 0) {
        *errorCode = kCFURLUnknownError;
        return false;
    }
    // fchmod acts on the file just made, whatever the process's umask.
    if (mode != kZEQModeFromUmask && fchmod(fd, static_cast<mode_t>(mode) & 07777) != 0) {
        *errorCode = ErrorFromErrno(errno);
        close(fd);
        unlink(temp.c_str());
        return false;
    }
    if (!WriteAndClose(fd, dataToWrite, errorCode)) {
        unlink(temp.c_str());
        return false;
    }
    // rename() replaces the name itself, never following a link there. In a sticky folder
    // such as /tmp it refuses to replace another user's file or link (EPERM): the write fails
    // and what was there stays.
    if (rename(temp.c_str(), path.c_str()) != 0) {
        *errorCode = ErrorFromErrno(errno);
        unlink(temp.c_str());
        return false;
    }
    return true;
}
