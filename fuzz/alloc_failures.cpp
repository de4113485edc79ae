// alloc_failures: fails each allocation in turn (operator new in all its forms, replaced here,
// and the platform layer's allocations through its test hook) during a parse, a cache save and
// a cache rebuild of a synthetic PPD with every kind of statement. Each run must end without a
// crash and without a leak (every object allocated by new is deleted again; the sanitizer
// build asks LeakSanitizer after each run), and a save that reports success must have written
// exactly the complete cache. Prints a summary; exit status 1 on any finding.
//   alloc_failures [MAX_RUNS_PER_SCENARIO]     (default 1200; failures are spread evenly)
//   alloc_failures --only parse|save|rebuild[-platform] K     (one run, in this process)
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <new>
#include <string>
#include <vector>

#include "PPDObjects/PPDXControl.h"
#include "PPDObjects/PPDXControls.h"
#include "bench/SyntheticPPD.h"
#include "parser/ZEQPPD.h"
#include "platform/AllocationHook.h"
#include "platform/CFData.h"
#include "platform/CFURL.h"
#include "settings/DataStream.h"
#include "settings/Settings.h"

// Under AddressSanitizer every run also asks LeakSanitizer about malloc'd memory.
#if defined(__SANITIZE_ADDRESS__)
#define ZEQ_LEAK_CHECK 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZEQ_LEAK_CHECK 1
#endif
#endif
#ifdef ZEQ_LEAK_CHECK
#include <sanitizer/lsan_interface.h>
#endif

// ---- operator new, counted, with one chosen allocation failing ----

namespace {
long gNewCount = 0;      // allocations through operator new since the start
long gFailAt = 0;        // the allocation number that fails (0: none)
long gLive = 0;          // blocks from operator new not yet deleted
bool gTracking = false;  // --only mode: record which allocation made each live block
long gBreakAt = 0;       // --only mode: allocation number that stops in the debugger
void Track(void* p);

void* Allocate(size_t size, size_t align, bool nothrow) {
    ++gNewCount;
    if (gBreakAt != 0 && gNewCount == gBreakAt)
        raise(SIGTRAP);  // under gdb: the stack of the allocation that is left behind
    if (gFailAt != 0 && gNewCount == gFailAt) {
        if (nothrow)
            return nullptr;
        throw std::bad_alloc();
    }
    if (size == 0)
        size = 1;
    void* p = align > alignof(std::max_align_t)
                  ? aligned_alloc(align, (size + align - 1) / align * align)
                  : malloc(size);
    if (!p) {
        if (nothrow)
            return nullptr;
        throw std::bad_alloc();
    }
    ++gLive;
    if (gTracking)
        Track(p);
    return p;
}

// In --only mode every block's allocation number is recorded (in malloc'd storage, not
// through operator new), so that the blocks a run leaves behind can be named.
struct Tracked {
    void* block;
    long number;
};
Tracked* gTracked = nullptr;
size_t gTrackedCount = 0, gTrackedCapacity = 0;

void Track(void* p) {
    if (gTrackedCount == gTrackedCapacity) {
        size_t capacity = gTrackedCapacity ? gTrackedCapacity * 2 : 1024;
        void* grown = realloc(gTracked, capacity * sizeof(Tracked));
        if (!grown)
            return;
        gTracked = static_cast<Tracked*>(grown);
        gTrackedCapacity = capacity;
    }
    gTracked[gTrackedCount++] = {p, gNewCount};
}

void Untrack(void* p) {
    for (size_t i = gTrackedCount; i-- > 0;) {
        if (gTracked[i].block == p) {
            gTracked[i] = gTracked[--gTrackedCount];
            return;
        }
    }
}

void Release(void* p) {
    if (p) {
        --gLive;
        if (gTracking)
            Untrack(p);
        free(p);
    }
}
}  // namespace

void* operator new(size_t n) {
    return Allocate(n, 0, false);
}
void* operator new[](size_t n) {
    return Allocate(n, 0, false);
}
void* operator new(size_t n, const std::nothrow_t&) noexcept {
    try {
        return Allocate(n, 0, true);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](size_t n, const std::nothrow_t&) noexcept {
    try {
        return Allocate(n, 0, true);
    } catch (...) {
        return nullptr;
    }
}
void* operator new(size_t n, std::align_val_t a) {
    return Allocate(n, size_t(a), false);
}
void* operator new[](size_t n, std::align_val_t a) {
    return Allocate(n, size_t(a), false);
}
void* operator new(size_t n, std::align_val_t a, const std::nothrow_t&) noexcept {
    try {
        return Allocate(n, size_t(a), true);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](size_t n, std::align_val_t a, const std::nothrow_t&) noexcept {
    try {
        return Allocate(n, size_t(a), true);
    } catch (...) {
        return nullptr;
    }
}
void operator delete(void* p) noexcept {
    Release(p);
}
void operator delete[](void* p) noexcept {
    Release(p);
}
void operator delete(void* p, size_t) noexcept {
    Release(p);
}
void operator delete[](void* p, size_t) noexcept {
    Release(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    Release(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    Release(p);
}
void operator delete(void* p, std::align_val_t) noexcept {
    Release(p);
}
void operator delete[](void* p, std::align_val_t) noexcept {
    Release(p);
}
void operator delete(void* p, size_t, std::align_val_t) noexcept {
    Release(p);
}
void operator delete[](void* p, size_t, std::align_val_t) noexcept {
    Release(p);
}
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept {
    Release(p);
}
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept {
    Release(p);
}

namespace {

struct Findings {
    long runs = 0, escaped = 0, leaks = 0, wrongSaves = 0, crashes = 0;
};

// What the model says about itself, walked the way the dialog walks it.
void Walk(ZEQPPD& ppd) {
    (void)ppd.IsValidPPD();
    PPDXControls* controls = ppd.GetControls();
    if (!controls)
        return;
    _DISPLAY_OPTIONS_ saved = ZEQPPD::Options();
    ZEQPPD::Options(3);
    CNTL_TYPE type;
    unsigned char buffer[8192];
    for (PPDXControl* c = controls->First(type); c; c = controls->Next(type)) {
        long size = c->PostScript(nullptr);
        if (size > 0 && size <= static_cast<long>(sizeof buffer))
            (void)c->PostScript(buffer);
    }
    ZEQPPD::Options(saved);
}

std::vector<UInt8> Bytes(CFDataRef data) {
    if (!data)
        return {};
    const UInt8* p = CFDataGetBytePtr(data);
    return std::vector<UInt8>(p, p + CFDataGetLength(data));
}

// The complete cache of a model, flattened; empty when some step failed.
std::vector<UInt8> SaveFlat(ZEQPPD& ppd, bool* reported) {
    Settings settings;
    bool ok = ppd.Save(settings);
    if (reported)
        *reported = ok;
    if (!ok)
        return {};
    CFDataStream stream;
    if (!stream.valid() || settings.Save(&stream) != 0)
        return {};
    return Bytes(stream.data());
}

// Runs `scenario` once counting allocations, then again failing allocation k for k spread
// over 1..count (every one when there are at most `maxRuns`). `hook` chooses the platform
// hook instead of operator new. Leaks and wrong results (the scenario returns false) are
// counted into `f`.
void Drive(const char* name, bool hook, long maxRuns, const std::function<bool()>& scenario,
           Findings& f) {
    long before = hook ? static_cast<long>(ZEQAllocationCount()) : gNewCount;
    scenario();
    long count = (hook ? static_cast<long>(ZEQAllocationCount()) : gNewCount) - before;
    long step = count > maxRuns ? (count + maxRuns - 1) / maxRuns : 1;
    long runs = 0, escaped = 0, leaks = 0, wrong = 0, crashes = 0;
    for (long k = 1; k <= count; k += step) {
        // Each run in a child process, so that a crash is one finding among others.
        fflush(nullptr);
        pid_t pid = fork();
        if (pid == 0) {
            long live = gLive;
            if (hook) {
                ZEQSetAllocationFailure(k);
            } else {
                gFailAt = gNewCount + k;
            }
            bool right = true, threw = false;
            try {
                right = scenario();
            } catch (const std::bad_alloc&) {
                threw = true;  // allowed when everything built on the way was released
            }
            gFailAt = 0;
            ZEQClearAllocationFailure();
            int code = (gLive != live ? 1 : 0) | (right ? 0 : 2) | (threw ? 4 : 0);
#ifdef ZEQ_LEAK_CHECK
            if (__lsan_do_recoverable_leak_check() != 0)
                code |= 1;
#endif
            _exit(64 | code);  // other statuses (a sanitizer's report) count as crashes
        }
        int status = 0;
        if (pid < 0 || waitpid(pid, &status, 0) != pid) {
            perror("fork");
            exit(1);
        }
        ++runs;
        if (!WIFEXITED(status) || (WEXITSTATUS(status) & ~7) != 64) {
            if (++crashes <= 5)
                printf("  %s: failing allocation %ld of %ld crashes (%s %d)\n", name, k, count,
                       WIFSIGNALED(status) ? "signal" : "exit status",
                       WIFSIGNALED(status) ? WTERMSIG(status) : WEXITSTATUS(status));
            continue;
        }
        int code = WEXITSTATUS(status);
        escaped += (code & 4) != 0;
        if ((code & 1) && ++leaks <= 5)
            printf("  %s: failing allocation %ld of %ld leaks\n", name, k, count);
        if ((code & 2) && ++wrong <= 5)
            printf("  %s: failing allocation %ld of %ld gives a wrong result\n", name, k, count);
    }
    printf(
        "%-22s %6ld allocations, %5ld runs, %4ld bad_alloc passed through, %ld crashes, "
        "%ld leaks, %ld wrong results\n",
        name, count, runs, escaped, crashes, leaks, wrong);
    f.runs += runs;
    f.escaped += escaped;
    f.crashes += crashes;
    f.leaks += leaks;
    f.wrongSaves += wrong;
}

}  // namespace

int main(int argc, char** argv) {
    // --only SCENARIO K: one run of one scenario failing allocation K, in this process, so
    // that a leak checker (the sanitizer build, valgrind) shows where the leaked objects
    // were made. SCENARIO is parse, save or rebuild, with -platform for the platform hook.
    const char* only = nullptr;
    long onlyK = 0;
    if (argc == 4 && strcmp(argv[1], "--only") == 0) {
        only = argv[2];
        onlyK = atol(argv[3]);
    }
    long maxRuns = argc > 1 && !only ? atol(argv[1]) : 1200;
    if (maxRuns < 1)
        maxRuns = 1;
    char path[] = "/tmp/zeq-alloc-XXXXXX";
    int fd = mkstemp(path);
    if (fd < 0) {
        perror("mkstemp");
        return 1;
    }
    close(fd);
    SyntheticPPDStats stats;
    if (!WriteSyntheticPPD(80, path, &stats)) {
        perror(path);
        return 1;
    }
    CFURLRef url = CFURLCreateFromFileSystemRepresentation(
        nullptr, reinterpret_cast<const UInt8*>(path), static_cast<CFIndex>(strlen(path)), false);

    // Process-wide state that lives until exit is made before the runs, so that it does not
    // count as a leak of the run that happens to make it first: the error descriptions (a
    // file with one error of each common kind), and below the reference model and cache.
    {
        char bad[] = "/tmp/zeq-alloc-bad-XXXXXX";
        int bfd = mkstemp(bad);
        if (bfd >= 0) {
            static const char kBad[] =
                "*PPD-Adobe: \"4.3\"\n*%ZEQFlags\n*%ZEQGroupName\n*%ZEQParent\n"
                "*UIConstraints: *A\n*%ZEQFlags *B: Setup\n*OpenUI *B/B: Bogus\n";
            bool written = write(bfd, kBad, sizeof kBad - 1) == sizeof kBad - 1;
            close(bfd);
            CFURLRef badURL = CFURLCreateFromFileSystemRepresentation(
                nullptr, reinterpret_cast<const UInt8*>(bad), static_cast<CFIndex>(strlen(bad)),
                false);
            if (written && badURL) {
                ZEQPPD* errors = new ZEQPPD(badURL, 3, nullptr);
                delete errors;
            }
            if (badURL)
                CFRelease(badURL);
            unlink(bad);
        }
    }
    // The reference: a parse and a cache without failures.
    ZEQPPD* reference = new ZEQPPD(url, 3, nullptr);
    if (!reference->IsValidPPD()) {
        fprintf(stderr, "the sample PPD does not parse\n");
        return 1;
    }
    Walk(*reference);
    std::vector<UInt8> cache = SaveFlat(*reference, nullptr);
    if (cache.empty()) {
        fprintf(stderr, "the sample PPD cannot be saved\n");
        return 1;
    }
    CFDataRef cacheData = CFDataCreate(nullptr, cache.data(), static_cast<CFIndex>(cache.size()));
    {
        CFDataStream stream(cacheData);
        Settings settings;
        settings.Read(&stream, 0);
        ZEQPPD* rebuilt = new ZEQPPD(settings, url, nullptr);
        Walk(*rebuilt);
        delete rebuilt;
    }

    std::function<bool()> parseFn = [&] {
        ZEQPPD* ppd = new (std::nothrow) ZEQPPD(url, 3, nullptr);
        if (ppd) {
            Walk(*ppd);
            delete ppd;
        }
        return true;
    };
    // A save that says it succeeded has written the whole cache.
    std::function<bool()> saveFn = [&] {
        bool reported = false;
        std::vector<UInt8> bytes = SaveFlat(*reference, &reported);
        return !reported || bytes.empty() || bytes == cache;
    };
    std::function<bool()> rebuildFn = [&] {
        CFDataStream stream(cacheData);
        Settings settings;
        if (settings.Read(&stream, 0) != 0)
            return true;
        ZEQPPD* ppd = new (std::nothrow) ZEQPPD(settings, url, nullptr);
        if (ppd) {
            Walk(*ppd);
            delete ppd;
        }
        return true;
    };

    if (only) {
        const std::string name = only;
        bool hook = name.find("-platform") != std::string::npos;
        const std::function<bool()>* scenario = name.rfind("parse", 0) == 0  ? &parseFn
                                                : name.rfind("save", 0) == 0 ? &saveFn
                                                                             : &rebuildFn;
        (*scenario)();  // as Drive does: one run without failure first (same numbering)
        long live = gLive, first = gNewCount;
        gTracking = true;
        if (const char* b = getenv("ZEQ_ALLOC_BREAK"))
            gBreakAt = first + atol(b);
        if (hook)
            ZEQSetAllocationFailure(onlyK);
        else
            gFailAt = gNewCount + onlyK;
        try {
            (*scenario)();
        } catch (const std::bad_alloc&) {
            printf("bad_alloc passed through\n");
        }
        gFailAt = 0;
        ZEQClearAllocationFailure();
        gTracking = false;
        printf("%ld block(s) of operator new left behind\n", gLive - live);
        for (size_t i = 0; i < gTrackedCount; ++i)
            printf("  allocation %ld of the run (break with: ZEQ_ALLOC_BREAK=%ld)\n",
                   gTracked[i].number - first, gTracked[i].number - first);
        delete reference;
        CFRelease(cacheData);
        CFRelease(url);
        unlink(path);
        return 0;
    }

    Findings f;
    printf("sample: %zu controls, %zu bytes of cache\n", stats.controls, cache.size());
    Drive("parse (new)", false, maxRuns, parseFn, f);
    Drive("parse (platform)", true, maxRuns, parseFn, f);
    Drive("cache save (new)", false, maxRuns, saveFn, f);
    Drive("cache save (platform)", true, maxRuns, saveFn, f);
    Drive("rebuild (new)", false, maxRuns, rebuildFn, f);
    Drive("rebuild (platform)", true, maxRuns, rebuildFn, f);

    delete reference;
    CFRelease(cacheData);
    CFRelease(url);
    unlink(path);
    printf("%ld runs: %ld crashes, %ld leaks, %ld wrong results, %ld bad_alloc passed through\n",
           f.runs, f.crashes, f.leaks, f.wrongSaves, f.escaped);
    return f.crashes || f.leaks || f.wrongSaves ? 1 : 0;
}
