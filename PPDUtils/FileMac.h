// FileMac: a handle on one file named by an FSSpec, with open/read/close of its data fork
// over the File Manager; PPDFile is the FileMac the parser keeps for its PPD.
#pragma once

#include "platform/Files.h"
#include "platform/MacTypes.h"

struct __CFURL;

class FileMac {
public:
    // Volume, directory and NUL-terminated name; valid when the name is non-empty.
    FileMac(short volume, long directory, char* name);
    // Copies the FSSpec; always valid.
    explicit FileMac(const FSSpec& spec);
    FileMac(const FileMac&) = delete;
    FileMac& operator=(const FileMac&) = delete;

    virtual ~FileMac();
    virtual void getFileInfo(FSSpec* spec);
    virtual void getFileInfo(short* volume, long* directory, char* name);
    virtual FSSpec* getFileInfo();
    virtual void getFileName(char* name);
    virtual bool exists();
    virtual OSErr openDataFork(char permission);
    virtual OSErr closeDataFork();
    virtual OSErr createDataFork(unsigned long creator, unsigned long type);
    virtual short getDataForkRefNum();
    virtual bool dataForkOpen();
    virtual OSErr dataForkWrite(char* buffer, unsigned long count);
    // Reads up to *count bytes; *count becomes the number read. -39 at the end of the file.
    virtual OSErr dataForkRead(char* buffer, unsigned long* count);

    bool valid() const { return mValid; }
    OSErr getError() const { return mError; }
    // Logical length of the data fork in bytes, 0 when it cannot be had.
    long dataForkSize();

    // Resource forks: files on this system have none; the operations report that.
    OSErr OpenResourceFork(char permission);
    bool ResourceForkOpen() const { return mResForkOpen; }
    OSErr CloseResourceFork();
    short GetResourceForkRefNum() const { return mResRefNum; }
    void Use();
    void Restore();

protected:
    FileMac();

    OSErr mError;
    Boolean mValid;
    FSSpec mSpec;
    Boolean mResForkOpen;
    short mResRefNum;
    short mSavedResFile;
    Boolean mDataForkOpen;
    short mDataRefNum;
};

class PPDFile : public FileMac {
public:
    PPDFile(short volume, long directory, char* name);
    explicit PPDFile(unsigned char empty);
    explicit PPDFile(const __CFURL* url);
    ~PPDFile() override;
};
