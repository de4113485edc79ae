// File Manager stand-in over POSIX: FSSpec file records (volume, directory id, name),
// file-system references, and the data fork of a file opened by reference number.
#pragma once

#include "platform/MacTypes.h"

typedef const struct __CFURL* CFURLRef;

enum {
    tmfoErr = -42,    // too many files open
    dupFNErr = -48,   // file already exists
    rfNumErr = -51,   // bad reference number
    permErr = -54,    // permission refused
    wrPermErr = -61,  // not opened for writing
    dirNFErr = -120,  // directory not found
};

// Open permissions.
enum { fsCurPerm = 0, fsRdPerm = 1, fsWrPerm = 2, fsRdWrPerm = 3, fsRdWrShPerm = 4 };

// Positioning modes of SetFPos.
enum { fsAtMark = 0, fsFromStart = 1, fsFromLEOF = 2, fsFromMark = 3 };

// Directory ids: the root directory and its (non-existent) parent. Volume numbers are ignored:
// every path is on one volume.
enum { fsRtParID = 1, fsRtDirID = 2 };

// A file named by volume, parent directory id and name: 70 bytes, no padding between vRefNum
// and parID, as in the platform's stored settings.
#pragma pack(push, 2)
struct FSSpec {
    SInt16 vRefNum;
    SInt32 parID;
    Str63 name;
};
#pragma pack(pop)
static_assert(sizeof(FSSpec) == 70, "FSSpec is a 70-byte wire format");
typedef FSSpec* FSSpecPtr;

// An opaque reference to an existing file or directory (an index into the process-wide table of
// referenced paths).
struct FSRef {
    UInt8 hidden[80];
};
typedef FSRef* FSRefPtr;

// Finder information of a file. Nothing on this platform keeps type or creator: both read 0.
struct FInfo {
    OSType fdType;
    OSType fdCreator;
    UInt16 fdFlags;
    Point fdLocation;
    SInt16 fdFldr;
};

// Directory ids: a process-wide table gives every directory the File Manager has met an id
// (fsRtDirID for "/"); id 0 is the current working directory.
//
// File names longer than 63 bytes do not fit an FSSpec. FSMakeFSSpec and FSGetCatalogInfo then
// store a short alias in the FSSpec: the first bytes of the real name (cut at a UTF-8 character
// boundary), '#' and an eight-digit hexadecimal serial number, at most 63 bytes. The alias is
// registered for its directory in the same process-wide table and every call that takes an
// FSSpec maps it back to the real name, so the FSSpec opens the file. Such an FSSpec is only
// meaningful within the process that made it.

// Makes an FSSpec for `fileName` in directory `dirID` (0: the working directory). The name is a
// leaf name, or (as an extension) a relative or absolute POSIX path. Returns noErr when the
// file exists, fnfErr when it does not (the FSSpec is still filled in, naming the file to be),
// dirNFErr when the directory is unknown or missing (FSSpec untouched), bdNamErr for a bad name.
// An empty or null name fills the FSSpec with the directory and an empty name and gives fnfErr.
OSErr FSMakeFSSpec(short vRefNum, long dirID, ConstStr255Param fileName, FSSpec* spec);

// Finder information of a regular file; fnfErr for a missing file or a directory.
OSErr FSpGetFInfo(const FSSpec* spec, FInfo* fndrInfo);

// Creates an empty file (mode 0666 less the umask); dupFNErr when it exists.
OSErr FSpCreate(const FSSpec* spec, OSType creator, OSType fileType, ScriptCode scriptTag);

// Opens the data fork. fsCurPerm asks for reading and writing and falls back to reading.
// The reference number is a small positive number (1 to 32767).
OSErr FSpOpenDF(const FSSpec* spec, SInt8 permission, short* refNum);

// Reads up to *count bytes from the current position; *count becomes the number read. A short
// read at the end of the file returns eofErr. rfNumErr for an unknown reference number.
OSErr FSRead(short refNum, long* count, void* buffPtr);

// Writes *count bytes at the current position; *count becomes the number written.
OSErr FSWrite(short refNum, long* count, const void* buffPtr);

OSErr FSClose(short refNum);

// Logical length of an open file.
OSErr GetEOF(short refNum, long* logEOF);

OSErr SetFPos(short refNum, short posMode, long posOff);
OSErr GetFPos(short refNum, long* filePos);

// The parameter block of PBHGetFInfoSync, reduced to the fields this platform fills. In:
// ioNamePtr, ioVRefNum, ioDirID (the file's parent), ioFDirIndex 0 (indexed look-up is not
// supported: paramErr). Out: ioResult, ioFlFndrInfo, ioDirID (the file number), ioFlLgLen and
// ioFlPyLen (data fork; lengths beyond 2^31 - 1 are clamped), ioFlRLgLen and ioFlRPyLen (0: no
// resource forks), ioFlCrDat and ioFlMdDat (seconds since 1970).
struct HFileParam {
    OSErr ioResult;
    StringPtr ioNamePtr;
    SInt16 ioVRefNum;
    SInt16 ioFRefNum;
    SInt16 ioFDirIndex;
    FInfo ioFlFndrInfo;
    SInt32 ioDirID;
    SInt32 ioFlLgLen;
    SInt32 ioFlPyLen;
    SInt32 ioFlRLgLen;
    SInt32 ioFlRPyLen;
    UInt32 ioFlCrDat;
    UInt32 ioFlMdDat;
};
union HParamBlockRec {
    HFileParam fileParam;
};
typedef HParamBlockRec* HParmBlkPtr;

OSErr PBHGetFInfoSync(HParmBlkPtr paramBlock);

// Catalogue information, reduced to the fields this platform fills.
typedef UInt32 FSCatalogInfoBitmap;
enum {
    kFSCatInfoNone = 0x00000000,
    kFSCatInfoNodeFlags = 0x00000002,
    kFSCatInfoVolume = 0x00000004,
    kFSCatInfoParentDirID = 0x00000008,
    kFSCatInfoNodeID = 0x00000010,
    kFSCatInfoDataSizes = 0x00004000,
    kFSCatInfoRsrcSizes = 0x00008000,
};
enum { kFSNodeIsDirectoryMask = 0x0010 };

struct FSCatalogInfo {
    UInt16 nodeFlags;
    SInt16 volume;
    UInt32 parentDirID;
    UInt32 nodeID;  // the directory id of a directory, 0 for a file
    UInt64 dataLogicalSize;
    UInt64 dataPhysicalSize;
    UInt64 rsrcLogicalSize;
    UInt64 rsrcPhysicalSize;
};

struct HFSUniStr255 {
    UInt16 length;
    UniChar unicode[255];
};

// The FSRef of a file URL naming an existing file or directory; false otherwise.
Boolean CFURLGetFSRef(CFURLRef url, FSRef* fsRef);

// Information on the object an FSRef names. Every output may be null; catalogInfo is filled
// for the bits of whichInfo listed above, outName receives the leaf name in UTF-16, fsSpec the
// object's FSSpec, parentRef the FSRef of its directory.
OSErr FSGetCatalogInfo(const FSRef* ref, FSCatalogInfoBitmap whichInfo, FSCatalogInfo* catalogInfo,
                       HFSUniStr255* outName, FSSpec* fsSpec, FSRef* parentRef);

// FSRef <-> POSIX path (UTF-8, NUL-terminated). FSPathMakeRef needs an existing object
// (fnfErr otherwise); isDirectory may be null. FSRefMakePath gives paramErr for a bad FSRef or
// when the path and its NUL do not fit maxPathSize.
OSStatus FSPathMakeRef(const UInt8* path, FSRef* ref, Boolean* isDirectory);
OSStatus FSRefMakePath(const FSRef* ref, UInt8* path, UInt32 maxPathSize);

// The FSRef of the object an FSSpec names (fnfErr when it does not exist).
OSErr FSpMakeFSRef(const FSSpec* source, FSRef* newRef);
