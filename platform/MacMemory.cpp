// Memory Manager stand-in over the C heap: a handle is the address of a small master record
// whose first field is the block pointer.
#include "platform/MacMemory.h"

#include "platform/AllocationHook.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr uint32_t kHandleMagic = 0x48646C21;  // 'Hdl!'

struct MasterRecord {
    Ptr block;  // must stay first: a Handle points here
    size_t size;
    uint32_t magic;
};

thread_local OSErr gMemError = noErr;

MasterRecord* Master(Handle h) {
    if (h == nullptr) {
        return nullptr;
    }
    auto* m = reinterpret_cast<MasterRecord*>(h);
    return m->magic == kHandleMagic ? m : nullptr;
}

// One counted allocation: the master record and its block. The block always has at least one
// byte so that *h is never null.
Handle AllocateHandle(Size byteCount, bool clear) {
    if (byteCount < 0) {
        gMemError = paramErr;
        return nullptr;
    }
    if (!ZEQPlatformAllocationAllowed()) {
        gMemError = memFullErr;
        return nullptr;
    }
    auto* m = static_cast<MasterRecord*>(std::malloc(sizeof(MasterRecord)));
    if (m == nullptr) {
        gMemError = memFullErr;
        return nullptr;
    }
    size_t size = static_cast<size_t>(byteCount);
    m->block = static_cast<Ptr>(clear ? std::calloc(size == 0 ? 1 : size, 1)
                                      : std::malloc(size == 0 ? 1 : size));
    if (m->block == nullptr) {
        std::free(m);
        gMemError = memFullErr;
        return nullptr;
    }
    m->size = size;
    m->magic = kHandleMagic;
    gMemError = noErr;
    return &m->block;
}

}  // namespace

Handle NewHandle(Size byteCount) {
    return AllocateHandle(byteCount, false);
}

Handle NewHandleClear(Size byteCount) {
    return AllocateHandle(byteCount, true);
}

Handle TempNewHandle(Size logicalSize, OSErr* resultCode) {
    Handle h = AllocateHandle(logicalSize, false);
    if (resultCode != nullptr) {
        *resultCode = gMemError;
    }
    return h;
}

Size GetHandleSize(Handle h) {
    MasterRecord* m = Master(h);
    if (m == nullptr) {
        gMemError = nilHandleErr;
        return 0;
    }
    gMemError = noErr;
    return static_cast<Size>(m->size);
}

void SetHandleSize(Handle h, Size newSize) {
    MasterRecord* m = Master(h);
    if (m == nullptr) {
        gMemError = nilHandleErr;
        return;
    }
    if (newSize < 0) {
        gMemError = paramErr;
        return;
    }
    size_t size = static_cast<size_t>(newSize);
    if (size == m->size) {
        gMemError = noErr;
        return;
    }
    void* grown = ZEQPlatformRealloc(m->block, size);
    if (grown == nullptr) {
        gMemError = memFullErr;  // the old block stays as it was
        return;
    }
    m->block = static_cast<Ptr>(grown);
    m->size = size;
    gMemError = noErr;
}

void DisposeHandle(Handle h) {
    MasterRecord* m = Master(h);
    if (m == nullptr) {
        gMemError = h == nullptr ? noErr : nilHandleErr;
        return;
    }
    m->magic = 0;
    std::free(m->block);
    std::free(m);
    gMemError = noErr;
}

void TempDisposeHandle(Handle h, OSErr* resultCode) {
    DisposeHandle(h);
    if (resultCode != nullptr) {
        *resultCode = gMemError;
    }
}

void HLock(Handle) {
    gMemError = noErr;
}

void HUnlock(Handle) {
    gMemError = noErr;
}

OSErr HandToHand(Handle* theHndl) {
    if (theHndl == nullptr || Master(*theHndl) == nullptr) {
        return gMemError = nilHandleErr;
    }
    Handle source = *theHndl;
    Size size = GetHandleSize(source);
    Handle copy = NewHandle(size);
    if (copy == nullptr) {
        return gMemError;
    }
    std::memcpy(*copy, *source, static_cast<size_t>(size));
    *theHndl = copy;
    return gMemError = noErr;
}

OSErr PtrToHand(const void* srcPtr, Handle* dstHndl, long size) {
    if (dstHndl == nullptr || (srcPtr == nullptr && size > 0)) {
        return gMemError = paramErr;
    }
    *dstHndl = nullptr;
    Handle copy = NewHandle(size);
    if (copy == nullptr) {
        return gMemError;
    }
    if (size > 0) {
        std::memcpy(*copy, srcPtr, static_cast<size_t>(size));
    }
    *dstHndl = copy;
    return gMemError = noErr;
}

Ptr NewPtr(Size byteCount) {
    if (byteCount < 0) {
        gMemError = paramErr;
        return nullptr;
    }
    auto p = static_cast<Ptr>(ZEQPlatformMalloc(static_cast<size_t>(byteCount)));
    gMemError = p == nullptr ? memFullErr : noErr;
    return p;
}

Ptr NewPtrClear(Size byteCount) {
    Ptr p = NewPtr(byteCount);
    if (p != nullptr) {
        std::memset(p, 0, static_cast<size_t>(byteCount));
    }
    return p;
}

void DisposePtr(Ptr p) {
    ZEQPlatformFree(p);
    gMemError = noErr;
}

OSErr MemError(void) {
    return gMemError;
}

void BlockMoveData(const void* srcPtr, void* destPtr, Size byteCount) {
    if (byteCount > 0 && srcPtr != nullptr && destPtr != nullptr) {
        std::memmove(destPtr, srcPtr, static_cast<size_t>(byteCount));
    }
}

void BlockMove(const void* srcPtr, void* destPtr, Size byteCount) {
    BlockMoveData(srcPtr, destPtr, byteCount);
}
