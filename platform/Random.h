// The platform's 16-bit pseudo-random numbers, seeded once per process from a real random source.
#pragma once

#include "platform/MacTypes.h"

// A pseudo-random number from -32767 to 32767.
SInt16 Random(void);
