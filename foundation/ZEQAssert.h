// Fatal assertions and the two debug outputs (MyDebugMessage, DebugPrintf).
#pragma once

class ZEQAssert {
public:
    virtual ~ZEQAssert();
};

// Writes "<file>:<line>: failed assertion `<condition>'" to standard error, flushes it and
// aborts. The file is shown relative to the source tree ("PPDUtils/TextConverter.cpp").
[[noreturn]] void ZEQAssertFailed(const char* file, unsigned line, const char* condition);

#define ZEQ_ASSERT(cond) \
    ((cond) ? static_cast<void>(0) : ZEQAssertFailed(__FILE__, __LINE__, #cond))

// Writes "<text> (<value>)" and a newline to standard output, and flushes it, only when the
// environment variable "PDEDebug" is set (to any value).
void MyDebugMessage(const char* text, long value);

// Trace points of the ticket code: takes a format and its arguments and writes nothing.
void DebugPrintf(const char* format, ...);

// The source path without the directories above the source tree.
const char* ZEQSourcePath(const char* file);
