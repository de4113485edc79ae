// Test hook over the platform layer's allocations: makes the Nth allocation from now fail so
// that tests can drive every allocation failure path in turn.
#pragma once

#include <cstddef>

// Every allocation the platform layer makes for its callers (handles, pointers, collections,
// converters, file tables) goes through ZEQPlatformMalloc/ZEQPlatformRealloc or counts itself
// against the same counter.

// Makes the nth counted allocation from now fail (n = 1: the very next one). n <= 0 clears.
// The failure happens once; later allocations succeed again.
void ZEQSetAllocationFailure(long n);

// Clears a pending failure.
void ZEQClearAllocationFailure();

// Number of counted allocations made since the process started (lets a test find out how many
// allocations an operation makes, so it can fail each one).
unsigned long ZEQAllocationCount();

// malloc that honours the failure hook; nullptr on failure. A size of 0 allocates 1 byte.
void* ZEQPlatformMalloc(size_t size);

// realloc that honours the failure hook (counts as one allocation); on failure returns nullptr
// and leaves `block` untouched.
void* ZEQPlatformRealloc(void* block, size_t size);

// Frees a block from ZEQPlatformMalloc/ZEQPlatformRealloc (nullptr is accepted).
void ZEQPlatformFree(void* block);

// Counts one allocation against the hook without allocating: true when it may go ahead.
// For platform code that allocates through other means (containers) but must still fail on cue.
bool ZEQPlatformAllocationAllowed();
