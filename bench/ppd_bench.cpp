// Google Benchmark suite of the PPD library, run by hand (never by CTest):
//   build/bin/ppd_bench [--benchmark_filter=Parse]
// Parse of synthetic PPDs of 1,000, 10,000 and 50,000 controls; cache save, rebuild and
// Restore; the PostScript of every control; settings look-ups; hexadecimal decoding and
// encoding conversion. The synthetic files are written once to the temporary folder.
#include <benchmark/benchmark.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "PPDObjects/PPDXControl.h"
#include "PPDObjects/PPDXControls.h"
#include "PPDUtils/TextConverter.h"
#include "bench/SyntheticPPD.h"
#include "parser/ZEQPPD.h"
#include "platform/CFData.h"
#include "platform/CFString.h"
#include "platform/CFURL.h"
#ifdef ZEQ_HAVE_CACHE
#include "bench/SavedCache.h"
#include "settings/DataStream.h"
#include "settings/Settings.h"
#endif

namespace {

struct Sample {
    std::string path;
    CFURLRef url = nullptr;
    size_t bytes = 0;
    size_t controls = 0;
};

void RemoveSamples();

// The synthetic PPD of `controls` controls, written once per process.
const Sample& SampleFor(size_t controls) {
    static std::map<size_t, Sample> samples;
    auto found = samples.find(controls);
    if (found != samples.end())
        return found->second;
    static bool registered = atexit(RemoveSamples) == 0;
    (void)registered;
    Sample s;
    const char* dir = getenv("TMPDIR");
    s.path = std::string(dir && *dir ? dir : "/tmp") + "/zeq-bench-" + std::to_string(getpid()) +
             "-" + std::to_string(controls) + ".ppd";
    SyntheticPPDStats stats;
    if (!WriteSyntheticPPD(controls, s.path.c_str(), &stats)) {
        fprintf(stderr, "cannot write %s\n", s.path.c_str());
        exit(1);
    }
    struct stat st;
    s.bytes = stat(s.path.c_str(), &st) == 0 ? static_cast<size_t>(st.st_size) : 0;
    s.controls = stats.controls;
    s.url = CFURLCreateFromFileSystemRepresentation(nullptr,
                                                    reinterpret_cast<const UInt8*>(s.path.c_str()),
                                                    static_cast<CFIndex>(s.path.size()), false);
    return samples.emplace(controls, s).first->second;
}

void RemoveSamples() {
    for (size_t n : {1000u, 10000u, 50000u}) {
        const char* dir = getenv("TMPDIR");
        std::string path = std::string(dir && *dir ? dir : "/tmp") + "/zeq-bench-" +
                           std::to_string(getpid()) + "-" + std::to_string(n) + ".ppd";
        unlink(path.c_str());
    }
}

ZEQPPD* Parse(const Sample& s) {
    return new ZEQPPD(s.url, 3, nullptr);
}

void Report(benchmark::State& state, const Sample& s) {
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(s.bytes));
    state.counters["controls"] = static_cast<double>(s.controls);
    // Seconds per control (printed with an SI prefix: "12.5u" is 12.5 microseconds).
    state.counters["per_control"] = benchmark::Counter(
        static_cast<double>(s.controls),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// ---- parse ----

void BM_Parse(benchmark::State& state) {
    const Sample& s = SampleFor(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        ZEQPPD* ppd = Parse(s);
        benchmark::DoNotOptimize(ppd);
        delete ppd;
    }
    Report(state, s);
}
BENCHMARK(BM_Parse)->Arg(1000)->Arg(10000)->Arg(50000)->Unit(benchmark::kMillisecond);

// ---- PostScript of every control ----

void BM_PostScriptAllControls(benchmark::State& state) {
    const Sample& s = SampleFor(static_cast<size_t>(state.range(0)));
    ZEQPPD* ppd = Parse(s);
    _DISPLAY_OPTIONS_ saved = ZEQPPD::Options();
    ZEQPPD::Options(3);
    std::vector<unsigned char> buffer(1 << 16);
    int64_t produced = 0;
    for (auto _ : state) {
        CNTL_TYPE type;
        PPDXControls* controls = ppd->GetControls();
        for (PPDXControl* c = controls->First(type); c; c = controls->Next(type)) {
            long size = c->PostScript(nullptr);
            if (size > static_cast<long>(buffer.size()))
                buffer.resize(static_cast<size_t>(size));
            produced += c->PostScript(buffer.data());
        }
    }
    ZEQPPD::Options(saved);
    state.SetBytesProcessed(produced);
    state.counters["controls"] = static_cast<double>(s.controls);
    delete ppd;
}
BENCHMARK(BM_PostScriptAllControls)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

#ifdef ZEQ_HAVE_CACHE
// ---- cache ----

// The saved cache as print settings keep it: immutable, so that a rebuild reads it in place.
CFDataRef Flatten(ZEQPPD& ppd) {
    CFDataRef data = SaveCache(ppd);
    if (data == nullptr)
        return nullptr;
    CFDataRef kept = CFDataCreateCopy(nullptr, data);
    CFRelease(data);
    return kept;
}

void BM_CacheSave(benchmark::State& state) {
    const Sample& s = SampleFor(static_cast<size_t>(state.range(0)));
    ZEQPPD* ppd = Parse(s);
    for (auto _ : state) {
        CFDataRef data = SaveCache(*ppd);
        if (!data) {
            state.SkipWithError("the model could not be saved");
            break;
        }
        CFRelease(data);
    }
    Report(state, s);
    delete ppd;
}
BENCHMARK(BM_CacheSave)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_CacheRebuild(benchmark::State& state) {
    const Sample& s = SampleFor(static_cast<size_t>(state.range(0)));
    ZEQPPD* ppd = Parse(s);
    CFDataRef data = Flatten(*ppd);
    delete ppd;
    if (!data) {
        state.SkipWithError("the model could not be saved");
        return;
    }
    for (auto _ : state) {
        CFDataStream stream(data);
        Settings settings;
        settings.Read(&stream, 0);
        ZEQPPD* rebuilt = new ZEQPPD(settings, s.url, nullptr);
        benchmark::DoNotOptimize(rebuilt);
        delete rebuilt;
    }
    Report(state, s);
    state.counters["cache_bytes"] = static_cast<double>(CFDataGetLength(data));
    CFRelease(data);
}
BENCHMARK(BM_CacheRebuild)->Arg(1000)->Arg(10000)->Arg(50000)->Unit(benchmark::kMillisecond);

void BM_Restore(benchmark::State& state) {
    const Sample& s = SampleFor(static_cast<size_t>(state.range(0)));
    ZEQPPD* ppd = Parse(s);
    Settings settings;
    ppd->Save(settings);
    for (auto _ : state)
        benchmark::DoNotOptimize(ppd->Restore(settings));
    Report(state, s);
    delete ppd;
}
BENCHMARK(BM_Restore)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// Keyed look-ups in the cache of the 1,000-control file: the keyword of every control (as the
// rebuild reads it), and as many look-ups of absent items.
void BM_SettingsLookup(benchmark::State& state) {
    const Sample& s = SampleFor(1000);
    ZEQPPD* ppd = Parse(s);
    Settings settings;
    ppd->Save(settings);
    delete ppd;
    const unsigned long kKeyword = 0x4B795764;  // 'KyWd'
    const unsigned long kAbsent = 0x4E6F6E65;   // 'None'
    char buffer[512];
    int64_t lookups = 0;
    for (auto _ : state) {
        for (long id = 5001; id <= 5000 + static_cast<long>(s.controls); ++id) {
            long size = sizeof buffer;
            benchmark::DoNotOptimize(settings.Get(kKeyword, id, buffer, size));
            long none = 0;
            benchmark::DoNotOptimize(settings.Get(kAbsent, id, nullptr, none));
            lookups += 2;
        }
    }
    state.SetItemsProcessed(lookups);
    state.counters["items"] = static_cast<double>(settings.Count());
}
BENCHMARK(BM_SettingsLookup)->Unit(benchmark::kMicrosecond);
#endif

// ---- text ----

// A translation of typical length with two hexadecimal runs.
const char kTranslation[] =
    "Qualit<E9> d'impression <2D> R<E9>solution <48656C6C6F 20 57 6F 72 6C 64> "
    "Papier recycl\xE9 et grammage lourd";

void BM_DehexBufferFill(benchmark::State& state) {
    std::vector<char> in(kTranslation, kTranslation + sizeof kTranslation);
    std::vector<char> out(sizeof kTranslation);
    for (auto _ : state)
        benchmark::DoNotOptimize(TextConverter::DehexBufferFill(in.data(), out.data()));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * (sizeof kTranslation - 1));
}
BENCHMARK(BM_DehexBufferFill);

const char* const kEncodingNames[] = {"ISOLatin1", "MacStandard", "WindowsANSI",
                                      "ISOLatin2", "JIS83-RKSJ",  "UTF-8"};

void BM_ConvertToCFString(benchmark::State& state) {
    const char* name = kEncodingNames[state.range(0)];
    unsigned long input = TextConverter::LanguageStringToEncoding(name);
    TextConverter converter(input, TextConverter::GetCurrentEncoding());
    for (auto _ : state) {
        CFStringRef s = converter.ConvertToCFString(kTranslation, sizeof kTranslation - 1);
        benchmark::DoNotOptimize(s);
        if (s)
            CFRelease(s);
    }
    state.SetLabel(name);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * (sizeof kTranslation - 1));
}
BENCHMARK(BM_ConvertToCFString)->DenseRange(0, 5);

void BM_ConvertInPlace(benchmark::State& state) {
    const char* name = kEncodingNames[state.range(0)];
    unsigned long input = TextConverter::LanguageStringToEncoding(name);
    TextConverter converter(input, TextConverter::GetCurrentEncoding());
    char buffer[256];
    for (auto _ : state) {
        memcpy(buffer, kTranslation, sizeof kTranslation);
        benchmark::DoNotOptimize(converter.Convert(buffer, sizeof buffer));
    }
    state.SetLabel(name);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * (sizeof kTranslation - 1));
}
BENCHMARK(BM_ConvertInPlace)->DenseRange(0, 5);

}  // namespace

BENCHMARK_MAIN();
