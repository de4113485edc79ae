// ZEQMutex over a POSIX mutex.
#include "foundation/ZEQMutex.h"

#include <cerrno>

ZEQMutex::ZEQMutex() : mValid(false), mLocked(false) {
    mValid = pthread_mutex_init(&mMutex, nullptr) == 0;
}

ZEQMutex::~ZEQMutex() {
    if (mValid) {
        pthread_mutex_destroy(&mMutex);
    }
}

int ZEQMutex::lock() {
    if (!mValid) {
        return EINVAL;
    }
    int result = pthread_mutex_lock(&mMutex);
    if (result == 0) {
        mLocked = true;
    }
    return result;
}

int ZEQMutex::trylock() {
    if (!mValid) {
        return EINVAL;
    }
    return pthread_mutex_trylock(&mMutex);
}

int ZEQMutex::unlock() {
    if (!mValid) {
        return EINVAL;
    }
    int result = pthread_mutex_unlock(&mMutex);
    if (result == 0) {
        mLocked = false;
    }
    return result;
}

bool ZEQMutex::islocked() {
    return mLocked;
}
