// FileMac and PPDFile: one file named by an FSSpec, its data fork opened, read and closed
// through the File Manager.
#include "PPDUtils/FileMac.h"

#include <cstring>
#include <new>

#include "platform/Resources.h"

namespace {

const OSErr kResourceFileNotFound = -193;  // resFNotFound
const unsigned kSpecNameMax = 63;

}  // namespace

FileMac::FileMac()
    : mError(noErr),
      mValid(false),
      mResForkOpen(false),
      mResRefNum(-1),
      mSavedResFile(-1),
      mDataForkOpen(false),
      mDataRefNum(-1) {
    std::memset(&mSpec, 0, sizeof mSpec);
}

FileMac::FileMac(short volume, long directory, char* name) : FileMac() {
    mSpec.vRefNum = volume;
    mSpec.parID = static_cast<SInt32>(directory);
    if (name == nullptr || name[0] == '\0')
        return;
    size_t length = std::strlen(name);
    if (length > kSpecNameMax && length <= 255) {
        // A name longer than an FSSpec holds: the File Manager makes the FSSpec with its short
        // alias for the name, which opens the same file.
        Str255 pascal;
        pascal[0] = static_cast<unsigned char>(length);
        std::memcpy(pascal + 1, name, length);
        FSSpec spec;
        OSErr err = FSMakeFSSpec(volume, directory, pascal, &spec);
        if (err == noErr || err == fnfErr) {
            mSpec = spec;
            mValid = true;
            return;
        }
    }
    if (length > kSpecNameMax)
        length = kSpecNameMax;
    mSpec.name[0] = static_cast<unsigned char>(length);
    std::memcpy(mSpec.name + 1, name, length);
    mValid = true;
}

FileMac::FileMac(const FSSpec& spec) : FileMac() {
    std::memcpy(&mSpec, &spec, sizeof mSpec);
    mValid = true;
}

FileMac::~FileMac() {
    if (mDataForkOpen)
        closeDataFork();
}

void FileMac::getFileInfo(FSSpec* spec) {
    if (spec != nullptr)
        std::memcpy(spec, &mSpec, sizeof mSpec);
}

void FileMac::getFileInfo(short* volume, long* directory, char* name) {
    if (volume != nullptr)
        *volume = mSpec.vRefNum;
    if (directory != nullptr)
        *directory = mSpec.parID;
    getFileName(name);
}

FSSpec* FileMac::getFileInfo() {
    return &mSpec;
}

// `name` must hold 64 bytes.
void FileMac::getFileName(char* name) {
    if (name == nullptr)
        return;
    unsigned length = mSpec.name[0] <= kSpecNameMax ? mSpec.name[0] : kSpecNameMax;
    std::memcpy(name, mSpec.name + 1, length);
    name[length] = '\0';
}

bool FileMac::exists() {
    FInfo info;
    return FSpGetFInfo(&mSpec, &info) == noErr;
}

// Opening an open data fork keeps the existing reference.
OSErr FileMac::openDataFork(char permission) {
    if (mDataForkOpen)
        return noErr;
    short ref = -1;
    mError = FSpOpenDF(&mSpec, static_cast<SInt8>(permission), &ref);
    if (mError == noErr) {
        mDataForkOpen = true;
        mDataRefNum = ref;
    }
    return mError;
}

OSErr FileMac::closeDataFork() {
    if (!mDataForkOpen)
        return fnOpnErr;
    mError = FSClose(mDataRefNum);
    mDataForkOpen = false;
    mDataRefNum = -1;
    return mError;
}

OSErr FileMac::createDataFork(unsigned long creator, unsigned long type) {
    mError = FSpCreate(&mSpec, static_cast<OSType>(creator), static_cast<OSType>(type), -1);
    return mError;
}

short FileMac::getDataForkRefNum() {
    return mDataRefNum;
}

bool FileMac::dataForkOpen() {
    return mDataForkOpen;
}

OSErr FileMac::dataForkWrite(char* buffer, unsigned long count) {
    if (!mDataForkOpen)
        return fnOpnErr;
    long n = static_cast<long>(count);
    mError = FSWrite(mDataRefNum, &n, buffer);
    return mError;
}

OSErr FileMac::dataForkRead(char* buffer, unsigned long* count) {
    if (!mDataForkOpen)
        return fnOpnErr;
    if (buffer == nullptr || count == nullptr) {
        mError = paramErr;
        return mError;
    }
    long n = static_cast<long>(*count);
    mError = FSRead(mDataRefNum, &n, buffer);
    *count = n < 0 ? 0 : static_cast<unsigned long>(n);
    return mError;
}

long FileMac::dataForkSize() {
    HParamBlockRec* pb = new (std::nothrow) HParamBlockRec;
    if (pb == nullptr)
        return 0;
    std::memset(pb, 0, sizeof *pb);
    pb->fileParam.ioNamePtr = mSpec.name;
    pb->fileParam.ioVRefNum = mSpec.vRefNum;
    pb->fileParam.ioDirID = mSpec.parID;
    pb->fileParam.ioFDirIndex = 0;
    long size = 0;
    if (PBHGetFInfoSync(pb) == noErr)
        size = pb->fileParam.ioFlLgLen;
    delete pb;
    return size;
}

// Files here have no resource forks: opening one reports that it is not there.
OSErr FileMac::OpenResourceFork(char /*permission*/) {
    mError = kResourceFileNotFound;
    return mError;
}

OSErr FileMac::CloseResourceFork() {
    if (!mResForkOpen)
        return fnOpnErr;
    mResForkOpen = false;
    mResRefNum = -1;
    return noErr;
}

void FileMac::Use() {
    if (!mResForkOpen)
        return;
    mSavedResFile = CurResFile();
    UseResFile(mResRefNum);
}

void FileMac::Restore() {
    if (mSavedResFile == -1)
        return;
    UseResFile(mSavedResFile);
    mSavedResFile = -1;
}

// Every PPDFile reads invalid: whether the file is there is asked with exists().
PPDFile::PPDFile(short volume, long directory, char* name) : FileMac(volume, directory, name) {
    mValid = false;
}

PPDFile::PPDFile(unsigned char /*empty*/) : FileMac() {
    mValid = false;
}

PPDFile::PPDFile(const __CFURL* url) : FileMac() {
    FSRef ref;
    if (url != nullptr && CFURLGetFSRef(url, &ref)) {
        FSGetCatalogInfo(&ref, kFSCatInfoNone, nullptr, nullptr, &mSpec, nullptr);
    } else {
        FSMakeFSSpec(0, 0, reinterpret_cast<const unsigned char*>(""), &mSpec);
    }
    mValid = false;
}

PPDFile::~PPDFile() {}
