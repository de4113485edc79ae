// Memory Manager stand-in: relocatable blocks (handles), non-relocatable blocks and the
// memory error of the last call.
#pragma once

#include "platform/MacTypes.h"

// A handle points at a master pointer that points at the block. Handles never move here,
// so HLock/HUnlock have nothing to do. The memory error is per thread.

Handle NewHandle(Size byteCount);
Handle NewHandleClear(Size byteCount);
// Temporary memory is the ordinary heap here; resultCode may be null.
Handle TempNewHandle(Size logicalSize, OSErr* resultCode);
Size GetHandleSize(Handle h);
// Grows or shrinks the block keeping its contents; MemError reports memFullErr on failure
// (the block is then unchanged).
void SetHandleSize(Handle h, Size newSize);
void DisposeHandle(Handle h);
void TempDisposeHandle(Handle h, OSErr* resultCode);
void HLock(Handle h);
void HUnlock(Handle h);
// A new handle holding a copy of the block; MemError tells the result.
OSErr HandToHand(Handle* theHndl);
OSErr PtrToHand(const void* srcPtr, Handle* dstHndl, long size);

Ptr NewPtr(Size byteCount);
Ptr NewPtrClear(Size byteCount);
void DisposePtr(Ptr p);

// Result of the last Memory Manager call on this thread.
OSErr MemError(void);

// Copies byteCount bytes; the ranges may overlap.
void BlockMoveData(const void* srcPtr, void* destPtr, Size byteCount);
void BlockMove(const void* srcPtr, void* destPtr, Size byteCount);
