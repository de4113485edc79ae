// ZEQMutex: a POSIX mutex that remembers whether it is locked.
#pragma once

#include <pthread.h>

#include <atomic>

class ZEQMutex {
public:
    ZEQMutex();
    virtual ~ZEQMutex();

    // POSIX results, 0 on success; lock and unlock update the locked flag on success only,
    // trylock leaves it alone.
    virtual int lock();
    virtual int trylock();
    virtual int unlock();
    virtual bool islocked();

    bool valid() const { return mValid; }

private:
    ZEQMutex(const ZEQMutex&) = delete;
    ZEQMutex& operator=(const ZEQMutex&) = delete;

    pthread_mutex_t mMutex;
    bool mValid;
    // Read by other threads (a thread's start gate), so kept atomic.
    std::atomic<bool> mLocked;
};
