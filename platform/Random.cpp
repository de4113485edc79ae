// The platform's 16-bit pseudo-random numbers: the multiplicative generator of the classic
// Random (seed x 16807 modulo 2^31 - 1), seeded once per process from the kernel's random source.
#include "platform/Random.h"

#include <sys/random.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>

namespace {

constexpr uint64_t kModulus = 2147483647;  // 2^31 - 1
constexpr uint64_t kMultiplier = 16807;

// The generator's state (1 .. 2^31 - 2) and the process it was seeded in. A child made by
// fork() inherits the parent's state; comparing the process id makes it draw its own seed, so
// two processes never produce the same sequence of job-ticket names.
std::atomic<uint32_t> gState{0};
std::atomic<pid_t> gSeededIn{0};

// Any 32-bit value mapped onto the generator's range.
uint32_t ToState(uint32_t seed) {
    const uint32_t state = static_cast<uint32_t>(seed % (kModulus - 1)) + 1;
    return state;
}

uint32_t FreshSeed() {
    uint32_t seed = 0;
    if (getrandom(&seed, sizeof seed, GRND_NONBLOCK) == static_cast<ssize_t>(sizeof seed)) {
        return seed;
    }
    // Without the kernel's source (very early boot, old kernels): the clock and the process id.
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<uint32_t>(now.tv_nsec) ^ static_cast<uint32_t>(now.tv_sec) ^
           (static_cast<uint32_t>(getpid()) << 16);
}

uint32_t Step(uint32_t state) {
    return static_cast<uint32_t>((state * kMultiplier) % kModulus);
}

}  // namespace

SInt16 Random(void) {
    const pid_t self = getpid();
    if (gSeededIn.load(std::memory_order_acquire) != self) {
        gState.store(ToState(FreshSeed()), std::memory_order_relaxed);
        gSeededIn.store(self, std::memory_order_release);
    }
    uint32_t state = gState.load(std::memory_order_relaxed);
    uint32_t next;
    do {
        next = Step(state);
    } while (!gState.compare_exchange_weak(state, next, std::memory_order_relaxed));
    // The low 16 bits as a signed number; -32768 is not in the range and reads as 0.
    const SInt16 value = static_cast<SInt16>(static_cast<uint16_t>(next & 0xFFFF));
    return value == -32768 ? 0 : value;
}

void ZEQSeedRandom(uint32_t seed) {
    gState.store(ToState(seed), std::memory_order_relaxed);
    gSeededIn.store(getpid(), std::memory_order_release);
}
