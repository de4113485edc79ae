// ZEQThread: abstract worker-thread base over POSIX threads, with a start gate so that a
// thread may be created suspended and released later with run().
#pragma once

#include <pthread.h>

#include <atomic>

#include "foundation/ZEQMutex.h"

// The thread runs execute(arg) and then finish(arg). A thread created with startNow true may
// enter execute before a derived constructor has finished: derived classes that need their
// own members in the body pass false and call run() at the end of their constructor. A derived
// destructor calls teardown() so that the body has ended before its members go away.
class ZEQThread {
public:
    ZEQThread(void* arg, bool startNow);

    // Opens the gate: a thread created suspended begins. Later calls do nothing.
    virtual void run();
    // The thread body.
    virtual void execute(void* arg) = 0;
    // Asks the body to end (and the body sets mStopped when it has).
    virtual void stop() = 0;
    // teardown(true).
    virtual void cancel();
    // Called on the thread after the body.
    virtual void finish(void* arg) = 0;
    // Waits for the thread's end when one is running, then clears running and stopped. The
    // argument is not used. A thread still waiting at its gate is released without running
    // its body, so that joining never waits for a run() that cannot come.
    virtual void join(void* unused);
    // Nothing when no thread is running; otherwise stop() first (when asked and not yet
    // stopped), then join.
    virtual void teardown(bool stopFirst);
    virtual ~ZEQThread();

    bool running() const { return mRunning; }
    bool stopped() const { return mStopped; }

protected:
    static void* start(void* self);

    pthread_t mThread;
    void* mArg;  // not owned
    ZEQMutex mGate;
    bool mRunning;
    std::atomic<bool> mStopped;

private:
    ZEQThread(const ZEQThread&) = delete;
    ZEQThread& operator=(const ZEQThread&) = delete;

    void OpenGate();

    bool mGateHeld;                // the creating thread still holds the gate
    std::atomic<bool> mAbandoned;  // released at the gate only to end: skip the body
};
