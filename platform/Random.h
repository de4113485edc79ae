// The platform's 16-bit pseudo-random numbers, seeded once per process from a real random source.
#pragma once

#include <cstdint>

#include "platform/MacTypes.h"

// A pseudo-random number from -32767 to 32767.
SInt16 Random(void);

// For tests only: restarts this process's sequence from `seed`, so that a test can know the
// numbers (and so the file names) that follow. Programs never call it.
void ZEQSeedRandom(uint32_t seed);
