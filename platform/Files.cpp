// File Manager stand-in over POSIX: the process-wide directory-id, alias and FSRef tables and
// the table of open files behind reference numbers.
#include "platform/Files.h"

#include "platform/AllocationHook.h"
#include "platform/CFURL.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <fcntl.h>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <vector>

namespace {

constexpr size_t kMaxSpecName = 63;
constexpr int32_t kFirstDirID = 16;           // ids below are reserved (0 working dir, 1, 2 root)
constexpr uint32_t kFSRefMagic = 0x5A514652;  // 'ZQFR'
constexpr size_t kMaxOpenFiles = 32767;

OSErr ErrnoToOSErr(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
        case EISDIR:
            return fnfErr;
        case EACCES:
        case EPERM:
        case EROFS:
            return permErr;
        case EMFILE:
        case ENFILE:
            return tmfoErr;
        case ENAMETOOLONG:
            return bdNamErr;
        case EEXIST:
            return dupFNErr;
        case ENOMEM:
            return memFullErr;
        default:
            return ioErr;
    }
}

// The File Manager's callers are C code: a call whose path work in standard strings and tables
// runs out of memory reports memFullErr instead of throwing through.
template <typename Body>
OSErr NoThrow(Body body) {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return memFullErr;
    }
}

// Process-wide tables, guarded by one mutex.
struct FileTables {
    std::mutex lock;
    // Directory ids.
    std::vector<std::string> dirPaths;  // index = id - kFirstDirID
    std::unordered_map<std::string, int32_t> dirIDs;
    // Aliases of long names, keyed by "<dirID>/<name>".
    std::unordered_map<std::string, std::string> aliasToReal;
    std::unordered_map<std::string, std::string> realToAlias;
    uint32_t nextAliasSerial = 1;
    // Paths named by FSRefs.
    std::vector<std::string> refPaths;
    std::unordered_map<std::string, uint32_t> refIndex;
    // Open files: refNum - 1 indexes this table; -1 marks a free slot.
    std::vector<int> openFiles;
};

// Makes `path` the root directory. A character fill rather than `path = "/"`: copying a
// one-character literal into a string that may hold anything makes GCC 12 at -O3 report an
// overlapping copy (-Wrestrict) that cannot happen.
void SetRootPath(std::string& path) {
    path.assign(1, '/');
}

FileTables& Tables() {
    static FileTables tables;
    return tables;
}

std::string DirKey(int32_t dirID, const std::string& name) {
    return std::to_string(dirID) + "/" + name;
}

// Caller holds the lock. The id of a canonical directory path, registering it when new.
int32_t DirIDForPathLocked(FileTables& t, const std::string& path) {
    if (path == "/") {
        return fsRtDirID;
    }
    auto found = t.dirIDs.find(path);
    if (found != t.dirIDs.end()) {
        return found->second;
    }
    int32_t id = kFirstDirID + static_cast<int32_t>(t.dirPaths.size());
    t.dirPaths.push_back(path);
    t.dirIDs.emplace(path, id);
    return id;
}

// Caller holds the lock. The path of a directory id; false when the id is unknown.
bool DirPathForIDLocked(FileTables& t, long dirID, std::string& path) {
    if (dirID == 0) {
        char buffer[PATH_MAX];
        if (getcwd(buffer, sizeof buffer) == nullptr) {
            return false;
        }
        path = buffer;
        return true;
    }
    if (dirID == fsRtDirID) {
        SetRootPath(path);
        return true;
    }
    if (dirID < kFirstDirID || static_cast<size_t>(dirID - kFirstDirID) >= t.dirPaths.size()) {
        return false;
    }
    path = t.dirPaths[static_cast<size_t>(dirID - kFirstDirID)];
    return true;
}

std::string JoinPath(const std::string& dir, const std::string& leaf) {
    if (leaf.empty()) {
        return dir;
    }
    return dir == "/" ? "/" + leaf : dir + "/" + leaf;
}

// Cuts a UTF-8 name to at most `limit` bytes without splitting a character.
size_t Utf8Prefix(const std::string& name, size_t limit) {
    size_t cut = name.size() < limit ? name.size() : limit;
    while (cut > 0 && cut < name.size() && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) {
        --cut;
    }
    return cut;
}

// Caller holds the lock. The name to store in an FSSpec for `leaf` in `dirID`: the leaf itself
// when it fits, otherwise its registered alias.
std::string SpecNameLocked(FileTables& t, int32_t dirID, const std::string& leaf) {
    if (leaf.size() <= kMaxSpecName) {
        return leaf;
    }
    std::string key = DirKey(dirID, leaf);
    auto found = t.realToAlias.find(key);
    if (found != t.realToAlias.end()) {
        return found->second;
    }
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "#%08X", t.nextAliasSerial++);
    std::string alias = leaf.substr(0, Utf8Prefix(leaf, kMaxSpecName - std::strlen(suffix)));
    alias += suffix;
    t.realToAlias.emplace(key, alias);
    t.aliasToReal.emplace(DirKey(dirID, alias), leaf);
    return alias;
}

OSErr SpecToPathOrThrow(const FSSpec* spec, std::string& path);

// The POSIX path of the object an FSSpec names. The name may be empty (the directory itself).
OSErr SpecToPath(const FSSpec* spec, std::string& path) {
    return NoThrow([&] { return SpecToPathOrThrow(spec, path); });
}

OSErr SpecToPathOrThrow(const FSSpec* spec, std::string& path) {
    if (spec == nullptr) {
        return paramErr;
    }
    std::string name(reinterpret_cast<const char*>(spec->name + 1),
                     spec->name[0] <= kMaxSpecName ? spec->name[0] : kMaxSpecName);
    if (name.find('/') != std::string::npos || name.find('\0') != std::string::npos) {
        return bdNamErr;
    }
    if (spec->parID == fsRtParID && name.empty()) {
        SetRootPath(path);  // the root directory's own FSSpec
        return noErr;
    }
    FileTables& t = Tables();
    std::lock_guard<std::mutex> guard(t.lock);
    std::string dir;
    if (!DirPathForIDLocked(t, spec->parID, dir)) {
        return dirNFErr;
    }
    auto alias = t.aliasToReal.find(DirKey(spec->parID, name));
    if (alias != t.aliasToReal.end()) {
        name = alias->second;
    }
    path = JoinPath(dir, name);
    return noErr;
}

// Fills an FSSpec for a POSIX path: the parent directory is made canonical and registered, the
// leaf kept as written (a trailing ".", ".." or slash is resolved first). Returns noErr when
// the object exists, fnfErr when only its directory does, dirNFErr otherwise.
OSErr PathToSpec(const std::string& path, short vRefNum, FSSpec* spec) {
    std::string full = path;
    while (full.size() > 1 && full.back() == '/') {
        full.pop_back();
    }
    size_t slash = full.rfind('/');
    std::string parent = slash == std::string::npos ? "." : full.substr(0, slash == 0 ? 1 : slash);
    std::string leaf = slash == std::string::npos ? full : full.substr(slash + 1);
    if (leaf == "." || leaf == ".." || leaf.empty()) {
        char* resolved = realpath(full.c_str(), nullptr);
        if (resolved == nullptr) {
            return dirNFErr;
        }
        full = resolved;
        std::free(resolved);
        if (full == "/") {
            std::memset(spec->name, 0, sizeof spec->name);
            spec->vRefNum = vRefNum;
            spec->parID = fsRtParID;
            return noErr;
        }
        slash = full.rfind('/');
        parent = full.substr(0, slash == 0 ? 1 : slash);
        leaf = full.substr(slash + 1);
    }
    char* resolvedParent = realpath(parent.c_str(), nullptr);
    if (resolvedParent == nullptr) {
        return errno == ENOMEM ? static_cast<OSErr>(memFullErr) : static_cast<OSErr>(dirNFErr);
    }
    std::string dir = resolvedParent;
    std::free(resolvedParent);
    struct stat info;
    if (stat(dir.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        return dirNFErr;
    }
    std::string name;
    int32_t dirID;
    {
        FileTables& t = Tables();
        std::lock_guard<std::mutex> guard(t.lock);
        dirID = DirIDForPathLocked(t, dir);
        name = SpecNameLocked(t, dirID, leaf);
    }
    // Unused name bytes are zero, so that equal specs are equal byte for byte.
    std::memset(spec->name, 0, sizeof spec->name);
    spec->vRefNum = vRefNum;
    spec->parID = dirID;
    spec->name[0] = static_cast<unsigned char>(name.size());
    std::memcpy(spec->name + 1, name.data(), name.size());
    return lstat(JoinPath(dir, leaf).c_str(), &info) == 0 ? noErr : fnfErr;
}

// FSRef <-> path table.
void MakeRef(const std::string& path, FSRef* ref) {
    FileTables& t = Tables();
    uint32_t index;
    {
        std::lock_guard<std::mutex> guard(t.lock);
        auto found = t.refIndex.find(path);
        if (found != t.refIndex.end()) {
            index = found->second;
        } else {
            index = static_cast<uint32_t>(t.refPaths.size());
            t.refPaths.push_back(path);
            t.refIndex.emplace(path, index);
        }
    }
    std::memset(ref->hidden, 0, sizeof ref->hidden);
    std::memcpy(ref->hidden, &kFSRefMagic, sizeof kFSRefMagic);
    std::memcpy(ref->hidden + 4, &index, sizeof index);
}

bool RefToPath(const FSRef* ref, std::string& path) {
    if (ref == nullptr) {
        return false;
    }
    uint32_t magic;
    uint32_t index;
    std::memcpy(&magic, ref->hidden, sizeof magic);
    std::memcpy(&index, ref->hidden + 4, sizeof index);
    if (magic != kFSRefMagic) {
        return false;
    }
    FileTables& t = Tables();
    std::lock_guard<std::mutex> guard(t.lock);
    if (index >= t.refPaths.size()) {
        return false;
    }
    path = t.refPaths[index];
    return true;
}

// Open-file table.
int FileDescriptor(short refNum) {
    FileTables& t = Tables();
    std::lock_guard<std::mutex> guard(t.lock);
    if (refNum < 1 || static_cast<size_t>(refNum) > t.openFiles.size()) {
        return -1;
    }
    return t.openFiles[static_cast<size_t>(refNum) - 1];
}

// The checks FSRead and FSWrite share: *fd becomes the descriptor behind refNum, or the
// result is the error for a missing count (paramErr), an unknown reference number (rfNumErr)
// or a bad count or buffer (paramErr), with *count set to 0 for the last two.
OSErr TransferDescriptor(short refNum, long* count, const void* buffPtr, int* fd) {
    if (count == nullptr) {
        return paramErr;
    }
    *fd = FileDescriptor(refNum);
    if (*fd < 0) {
        *count = 0;
        return rfNumErr;
    }
    if (*count < 0 || (buffPtr == nullptr && *count > 0)) {
        *count = 0;
        return paramErr;
    }
    return noErr;
}

}  // namespace

static OSErr FSMakeFSSpecOrThrow(short vRefNum, long dirID, ConstStr255Param fileName,
                                 FSSpec* spec) {
    if (spec == nullptr) {
        return paramErr;
    }
    std::string dir;
    {
        FileTables& t = Tables();
        std::lock_guard<std::mutex> guard(t.lock);
        if (!DirPathForIDLocked(t, dirID, dir)) {
            return dirNFErr;
        }
    }
    std::string name;
    if (fileName != nullptr) {
        name.assign(reinterpret_cast<const char*>(fileName + 1), fileName[0]);
    }
    if (name.find('\0') != std::string::npos) {
        return bdNamErr;
    }
    if (name.empty()) {
        std::memset(spec->name, 0, sizeof spec->name);
        spec->vRefNum = vRefNum;
        spec->parID = static_cast<SInt32>(dirID);
        return fnfErr;
    }
    if (name.find('/') == std::string::npos) {
        // A plain leaf: it may be an alias of a long name in that directory.
        FileTables& t = Tables();
        std::lock_guard<std::mutex> guard(t.lock);
        auto alias = t.aliasToReal.find(DirKey(static_cast<int32_t>(dirID), name));
        if (alias != t.aliasToReal.end()) {
            name = alias->second;
        }
    }
    return PathToSpec(name[0] == '/' ? name : JoinPath(dir, name), vRefNum, spec);
}

OSErr FSpGetFInfo(const FSSpec* spec, FInfo* fndrInfo) {
    std::string path;
    OSErr err = SpecToPath(spec, path);
    if (err != noErr) {
        return err;
    }
    struct stat info;
    if (spec->name[0] == 0 || stat(path.c_str(), &info) != 0) {
        return fnfErr;
    }
    if (!S_ISREG(info.st_mode)) {
        return fnfErr;
    }
    if (fndrInfo != nullptr) {
        std::memset(fndrInfo, 0, sizeof *fndrInfo);
    }
    return noErr;
}

OSErr FSpCreate(const FSSpec* spec, OSType, OSType, ScriptCode) {
    std::string path;
    OSErr err = SpecToPath(spec, path);
    if (err != noErr) {
        return err;
    }
    if (spec->name[0] == 0) {
        return bdNamErr;
    }
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        return ErrnoToOSErr(errno);
    }
    close(fd);
    return noErr;
}

static OSErr FSpOpenDFOrThrow(const FSSpec* spec, SInt8 permission, short* refNum) {
    if (refNum == nullptr) {
        return paramErr;
    }
    *refNum = 0;
    std::string path;
    OSErr err = SpecToPath(spec, path);
    if (err != noErr) {
        return err;
    }
    if (spec->name[0] == 0) {
        return fnfErr;
    }
    int flags;
    switch (permission) {
        case fsCurPerm:
        case fsRdWrPerm:
        case fsRdWrShPerm:
            flags = O_RDWR;
            break;
        case fsRdPerm:
            flags = O_RDONLY;
            break;
        case fsWrPerm:
            flags = O_WRONLY;
            break;
        default:
            return paramErr;
    }
    // Opened without blocking: a named pipe in the file's place would otherwise hold a
    // read-only open until a writer comes. Regular files ignore the flag.
    int fd = open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0 && permission == fsCurPerm && (errno == EACCES || errno == EROFS)) {
        fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    }
    if (fd < 0) {
        return ErrnoToOSErr(errno);
    }
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return fnfErr;  // directories, pipes and devices have no data fork
    }
    int statusFlags = fcntl(fd, F_GETFL);
    if (statusFlags >= 0) {
        fcntl(fd, F_SETFL, statusFlags & ~O_NONBLOCK);
    }
    if (!ZEQPlatformAllocationAllowed()) {
        close(fd);
        return memFullErr;
    }
    FileTables& t = Tables();
    std::lock_guard<std::mutex> guard(t.lock);
    size_t slot = 0;
    while (slot < t.openFiles.size() && t.openFiles[slot] >= 0) {
        ++slot;
    }
    if (slot == t.openFiles.size()) {
        if (slot >= kMaxOpenFiles) {
            close(fd);
            return tmfoErr;
        }
        try {
            t.openFiles.push_back(fd);
        } catch (const std::bad_alloc&) {
            close(fd);
            return memFullErr;
        }
    } else {
        t.openFiles[slot] = fd;
    }
    *refNum = static_cast<short>(slot + 1);
    return noErr;
}

OSErr FSRead(short refNum, long* count, void* buffPtr) {
    int fd = -1;
    OSErr err = TransferDescriptor(refNum, count, buffPtr, &fd);
    if (err != noErr) {
        return err;
    }
    size_t wanted = static_cast<size_t>(*count);
    size_t done = 0;
    auto* buffer = static_cast<char*>(buffPtr);
    while (done < wanted) {
        ssize_t n = read(fd, buffer + done, wanted - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            *count = static_cast<long>(done);
            return ErrnoToOSErr(errno);
        }
        if (n == 0) {
            break;
        }
        done += static_cast<size_t>(n);
    }
    *count = static_cast<long>(done);
    return done < wanted ? eofErr : noErr;
}

OSErr FSWrite(short refNum, long* count, const void* buffPtr) {
    int fd = -1;
    OSErr err = TransferDescriptor(refNum, count, buffPtr, &fd);
    if (err != noErr) {
        return err;
    }
    size_t wanted = static_cast<size_t>(*count);
    size_t done = 0;
    auto* buffer = static_cast<const char*>(buffPtr);
    while (done < wanted) {
        ssize_t n = write(fd, buffer + done, wanted - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            *count = static_cast<long>(done);
            return errno == EBADF ? static_cast<OSErr>(wrPermErr) : ErrnoToOSErr(errno);
        }
        done += static_cast<size_t>(n);
    }
    *count = static_cast<long>(done);
    return noErr;
}

OSErr FSClose(short refNum) {
    FileTables& t = Tables();
    int fd;
    {
        std::lock_guard<std::mutex> guard(t.lock);
        if (refNum < 1 || static_cast<size_t>(refNum) > t.openFiles.size() ||
            t.openFiles[static_cast<size_t>(refNum) - 1] < 0) {
            return rfNumErr;
        }
        fd = t.openFiles[static_cast<size_t>(refNum) - 1];
        t.openFiles[static_cast<size_t>(refNum) - 1] = -1;
    }
    return close(fd) == 0 ? noErr : ioErr;
}

OSErr GetEOF(short refNum, long* logEOF) {
    if (logEOF == nullptr) {
        return paramErr;
    }
    int fd = FileDescriptor(refNum);
    if (fd < 0) {
        return rfNumErr;
    }
    struct stat info;
    if (fstat(fd, &info) != 0) {
        return ErrnoToOSErr(errno);
    }
    *logEOF = static_cast<long>(info.st_size);
    return noErr;
}

OSErr SetFPos(short refNum, short posMode, long posOff) {
    int fd = FileDescriptor(refNum);
    if (fd < 0) {
        return rfNumErr;
    }
    int whence;
    switch (posMode) {
        case fsAtMark:
            return noErr;
        case fsFromStart:
            whence = SEEK_SET;
            break;
        case fsFromLEOF:
            whence = SEEK_END;
            break;
        case fsFromMark:
            whence = SEEK_CUR;
            break;
        default:
            return paramErr;
    }
    off_t target = lseek(fd, static_cast<off_t>(posOff), whence);
    if (target < 0) {
        return posErr;
    }
    // The mark may not pass the end of the file: it stops there with eofErr.
    struct stat info;
    if (fstat(fd, &info) == 0 && target > info.st_size) {
        lseek(fd, info.st_size, SEEK_SET);
        return eofErr;
    }
    return noErr;
}

OSErr GetFPos(short refNum, long* filePos) {
    if (filePos == nullptr) {
        return paramErr;
    }
    int fd = FileDescriptor(refNum);
    if (fd < 0) {
        return rfNumErr;
    }
    off_t position = lseek(fd, 0, SEEK_CUR);
    if (position < 0) {
        return ioErr;
    }
    *filePos = static_cast<long>(position);
    return noErr;
}

static OSErr PBHGetFInfoSyncOrThrow(HParmBlkPtr paramBlock) {
    if (paramBlock == nullptr) {
        return paramErr;
    }
    HFileParam& pb = paramBlock->fileParam;
    if (pb.ioFDirIndex > 0 || pb.ioNamePtr == nullptr) {
        return pb.ioResult = paramErr;
    }
    FSSpec spec;
    spec.vRefNum = pb.ioVRefNum;
    spec.parID = pb.ioDirID;
    size_t length = pb.ioNamePtr[0] <= kMaxSpecName ? pb.ioNamePtr[0] : kMaxSpecName;
    spec.name[0] = static_cast<unsigned char>(length);
    std::memcpy(spec.name + 1, pb.ioNamePtr + 1, length);
    std::string path;
    OSErr err = SpecToPath(&spec, path);
    if (err != noErr) {
        return pb.ioResult = err;
    }
    struct stat info;
    if (length == 0 || stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return pb.ioResult = fnfErr;
    }
    auto clamp = [](long long value) {
        return static_cast<SInt32>(value > INT32_MAX ? INT32_MAX : value);
    };
    std::memset(&pb.ioFlFndrInfo, 0, sizeof pb.ioFlFndrInfo);
    pb.ioDirID = static_cast<SInt32>(info.st_ino & 0x7FFFFFFF);
    pb.ioFlLgLen = clamp(static_cast<long long>(info.st_size));
    pb.ioFlPyLen = clamp(static_cast<long long>(info.st_blocks) * 512);
    pb.ioFlRLgLen = 0;
    pb.ioFlRPyLen = 0;
    pb.ioFlCrDat = static_cast<UInt32>(info.st_ctime);
    pb.ioFlMdDat = static_cast<UInt32>(info.st_mtime);
    return pb.ioResult = noErr;
}

OSStatus FSPathMakeRef(const UInt8* path, FSRef* ref, Boolean* isDirectory) {
    if (path == nullptr || ref == nullptr || path[0] == 0) {
        return paramErr;
    }
    return NoThrow([&]() -> OSErr {
        // The directory part is made canonical and the leaf kept, as for an FSSpec.
        FSSpec spec;
        OSErr err = PathToSpec(reinterpret_cast<const char*>(path), 0, &spec);
        if (err != noErr) {
            return err == dirNFErr ? static_cast<OSErr>(fnfErr) : err;
        }
        err = FSpMakeFSRef(&spec, ref);
        if (err == noErr && isDirectory != nullptr) {
            FSCatalogInfo info;
            err = FSGetCatalogInfo(ref, kFSCatInfoNodeFlags, &info, nullptr, nullptr, nullptr);
            *isDirectory = err == noErr && (info.nodeFlags & kFSNodeIsDirectoryMask) != 0;
        }
        return err;
    });
}

static OSStatus FSRefMakePathOrThrow(const FSRef* ref, UInt8* path, UInt32 maxPathSize) {
    std::string found;
    if (path == nullptr || !RefToPath(ref, found) || found.size() + 1 > maxPathSize) {
        return paramErr;
    }
    std::memcpy(path, found.c_str(), found.size() + 1);
    return noErr;
}

static OSErr FSpMakeFSRefOrThrow(const FSSpec* source, FSRef* newRef) {
    if (newRef == nullptr) {
        return paramErr;
    }
    std::string path;
    OSErr err = SpecToPath(source, path);
    if (err != noErr) {
        return err;
    }
    struct stat info;
    if (stat(path.c_str(), &info) != 0) {
        return fnfErr;
    }
    if (!ZEQPlatformAllocationAllowed()) {
        return memFullErr;
    }
    MakeRef(path, newRef);
    return noErr;
}

static OSErr FSGetCatalogInfoOrThrow(const FSRef* ref, FSCatalogInfoBitmap whichInfo,
                                     FSCatalogInfo* catalogInfo, HFSUniStr255* outName,
                                     FSSpec* fsSpec, FSRef* parentRef) {
    std::string path;
    if (!RefToPath(ref, path)) {
        return paramErr;
    }
    struct stat info;
    if (stat(path.c_str(), &info) != 0) {
        return fnfErr;  // the object went away since the reference was made
    }
    FSSpec spec;
    OSErr err = PathToSpec(path, 0, &spec);
    if (err != noErr) {
        return err;
    }
    if (catalogInfo != nullptr) {
        if (whichInfo & kFSCatInfoNodeFlags) {
            catalogInfo->nodeFlags = S_ISDIR(info.st_mode) ? kFSNodeIsDirectoryMask : 0;
        }
        if (whichInfo & kFSCatInfoVolume) {
            catalogInfo->volume = 0;
        }
        if (whichInfo & kFSCatInfoParentDirID) {
            catalogInfo->parentDirID = static_cast<UInt32>(spec.parID);
        }
        if (whichInfo & kFSCatInfoNodeID) {
            catalogInfo->nodeID = 0;
            if (S_ISDIR(info.st_mode)) {
                FileTables& t = Tables();
                std::lock_guard<std::mutex> guard(t.lock);
                catalogInfo->nodeID = static_cast<UInt32>(DirIDForPathLocked(t, path));
            }
        }
        if (whichInfo & kFSCatInfoDataSizes) {
            bool file = S_ISREG(info.st_mode);
            catalogInfo->dataLogicalSize = file ? static_cast<UInt64>(info.st_size) : 0;
            catalogInfo->dataPhysicalSize = file ? static_cast<UInt64>(info.st_blocks) * 512 : 0;
        }
        if (whichInfo & kFSCatInfoRsrcSizes) {
            catalogInfo->rsrcLogicalSize = 0;
            catalogInfo->rsrcPhysicalSize = 0;
        }
    }
    if (outName != nullptr) {
        // The leaf name in UTF-16; a byte that is not valid UTF-8 becomes U+FFFD.
        size_t slash = path.rfind('/');
        std::string leaf = path == "/" ? std::string() : path.substr(slash + 1);
        outName->length = 0;
        for (size_t i = 0; i < leaf.size() && outName->length < 255;) {
            auto byte = static_cast<unsigned char>(leaf[i]);
            uint32_t code = 0xFFFD;
            size_t extra = byte < 0x80    ? 0
                           : byte >= 0xF0 ? 3
                           : byte >= 0xE0 ? 2
                           : byte >= 0xC2 ? 1
                                          : 9;
            if (extra == 0) {
                code = byte;
                i += 1;
            } else if (extra <= 3) {
                code = byte & (0x3F >> extra);
                size_t k = 1;
                for (; k <= extra && i + k < leaf.size() &&
                       (static_cast<unsigned char>(leaf[i + k]) & 0xC0) == 0x80;
                     ++k) {
                    code = (code << 6) | (static_cast<unsigned char>(leaf[i + k]) & 0x3F);
                }
                if (k <= extra || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
                    code = 0xFFFD;
                    i += k;
                } else {
                    i += extra + 1;
                }
            } else {
                i += 1;
            }
            if (code >= 0x10000) {
                if (outName->length + 2 > 255) {
                    break;
                }
                code -= 0x10000;
                outName->unicode[outName->length++] = static_cast<UniChar>(0xD800 + (code >> 10));
                outName->unicode[outName->length++] = static_cast<UniChar>(0xDC00 + (code & 0x3FF));
            } else {
                outName->unicode[outName->length++] = static_cast<UniChar>(code);
            }
        }
    }
    if (parentRef != nullptr) {
        size_t slash = path.rfind('/');
        std::string parent = slash == 0 || slash == std::string::npos ? "/" : path.substr(0, slash);
        MakeRef(parent, parentRef);
    }
    if (fsSpec != nullptr) {
        *fsSpec = spec;
    }
    return noErr;
}

Boolean CFURLGetFSRef(CFURLRef url, FSRef* fsRef) {
    if (url == nullptr || fsRef == nullptr) {
        return false;
    }
    UInt8 path[PATH_MAX];
    if (!CFURLGetFileSystemRepresentation(url, true, path, sizeof path)) {
        return false;  // not a file URL, or a path too long for the platform
    }
    return FSPathMakeRef(path, fsRef, nullptr) == noErr;
}

// The public calls that do path work in standard strings and tables (see NoThrow).
OSErr FSMakeFSSpec(short vRefNum, long dirID, ConstStr255Param fileName, FSSpec* spec) {
    return NoThrow([&] { return FSMakeFSSpecOrThrow(vRefNum, dirID, fileName, spec); });
}

OSErr FSpOpenDF(const FSSpec* spec, SInt8 permission, short* refNum) {
    return NoThrow([&] { return FSpOpenDFOrThrow(spec, permission, refNum); });
}

OSErr PBHGetFInfoSync(HParmBlkPtr paramBlock) {
    const OSErr err = NoThrow([&] { return PBHGetFInfoSyncOrThrow(paramBlock); });
    if (err == memFullErr && paramBlock != nullptr)
        paramBlock->fileParam.ioResult = memFullErr;
    return err;
}

OSStatus FSRefMakePath(const FSRef* ref, UInt8* path, UInt32 maxPathSize) {
    return NoThrow([&] { return FSRefMakePathOrThrow(ref, path, maxPathSize); });
}

OSErr FSpMakeFSRef(const FSSpec* source, FSRef* newRef) {
    return NoThrow([&] { return FSpMakeFSRefOrThrow(source, newRef); });
}

OSErr FSGetCatalogInfo(const FSRef* ref, FSCatalogInfoBitmap whichInfo, FSCatalogInfo* catalogInfo,
                       HFSUniStr255* outName, FSSpec* fsSpec, FSRef* parentRef) {
    return NoThrow([&] {
        return FSGetCatalogInfoOrThrow(ref, whichInfo, catalogInfo, outName, fsSpec, parentRef);
    });
}
