// ZEQThread over POSIX threads.
#include "foundation/ZEQThread.h"

ZEQThread::ZEQThread(void* arg, bool startNow)
    : mThread(),
      mArg(arg),
      mGate(),
      mRunning(false),
      mStopped(false),
      mGateHeld(false),
      mAbandoned(false) {
    mGateHeld = mGate.lock() == 0;
    if (pthread_create(&mThread, nullptr, &ZEQThread::start, this) == 0) {
        mRunning = true;
        mStopped = false;
        if (startNow) {
            OpenGate();
        }
    }
}

ZEQThread::~ZEQThread() {
    // A derived class should have joined already; a thread still at its gate is let go here
    // without its body.
    if (mRunning) {
        if (mGateHeld) {
            mAbandoned = true;
        }
        OpenGate();
        pthread_join(mThread, nullptr);
        mRunning = false;
    }
    OpenGate();
}

void ZEQThread::OpenGate() {
    if (mGateHeld) {
        mGateHeld = false;
        mGate.unlock();
    }
}

void* ZEQThread::start(void* self) {
    ZEQThread* thread = static_cast<ZEQThread*>(self);
    // Wait at the gate, then give it back at once: the gate only orders the start, and an
    // unlocked mutex can be destroyed with the object.
    thread->mGate.lock();
    thread->mGate.unlock();
    if (!thread->mAbandoned) {
        thread->execute(thread->mArg);
        thread->finish(thread->mArg);
    }
    return nullptr;
}

void ZEQThread::run() {
    OpenGate();
}

void ZEQThread::cancel() {
    teardown(true);
}

void ZEQThread::join(void* unused) {
    (void)unused;
    if (mRunning) {
        if (mGateHeld) {
            mAbandoned = true;
            OpenGate();
        }
        pthread_join(mThread, nullptr);
    }
    mRunning = false;
    mStopped = false;
}

void ZEQThread::teardown(bool stopFirst) {
    if (!mRunning) {
        return;
    }
    if (stopFirst && !mStopped) {
        stop();
    }
    join(nullptr);
}
