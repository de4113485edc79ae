// Google Benchmark suite of the PPD cache in the print settings, run by hand (never by CTest):
//   ZEQ_REAL_PPD=FILE-OR-FOLDER build/bin/printsys_bench
// RestorePPD (the cache item's XML property list, the printer list and the rebuild) against
// SetupPPD (the printer list and the parse), and SavePPD, on three PPDs: the sample
// (examples/QW4300.ppd), a real one (ZEQ_REAL_PPD: a file, or a folder whose largest *.ppd is
// taken; skipped without it) and a synthetic one of 10,000 controls. Each runs in a print
// session of its own whose current printer uses the PPD, with a plug-in bundle, made in the
// temporary folder, that lists the PPDs' PC file names.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "PPDObjects/PPDXControls.h"
#include "bench/SyntheticPPD.h"
#include "imageshift/PDEBundle.h"
#include "parser/ZEQPPD.h"
#include "printsys/PPDLocation.h"
#include "printsys/ZEQJobTicket.h"
#include "tests/printsys/PrintSystemFixture.h"

using namespace printsys_fixture;

namespace {

const char kBundleID[] = "com.example.ppdloc.bench";

enum Input { kSample, kReal, kSynthetic, kInputs };

// The largest *.ppd below `dir`, or `dir` itself when it is a file.
std::string LargestPPD(const std::string& dir) {
    namespace fs = std::filesystem;
    std::error_code error;
    if (fs::is_regular_file(dir, error))
        return dir;
    std::string best;
    uintmax_t bestSize = 0;
    for (fs::recursive_directory_iterator it(dir, error), end; !error && it != end;
         it.increment(error)) {
        if (!it->is_regular_file(error) || it->path().extension() != ".ppd")
            continue;
        const uintmax_t size = it->file_size(error);
        if (!error && size > bestSize) {
            bestSize = size;
            best = it->path().string();
        }
    }
    return best;
}

// The *PCFileName value of a PPD ("" when it has none in its first 4 KB).
std::string PCFileName(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string head(4096, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<size_t>(in.gcount()));
    const size_t at = head.find("*PCFileName:");
    const size_t open = at == std::string::npos ? at : head.find('"', at);
    const size_t close = open == std::string::npos ? open : head.find('"', open + 1);
    return close == std::string::npos ? "" : head.substr(open + 1, close - open - 1);
}

// The three PPDs, the bundle listing them and one session per PPD, made once per process.
struct Setting {
    TempFolder temp;
    std::string paths[kInputs];
    size_t controls[kInputs] = {};
    std::unique_ptr<TestBundle> bundle;
    std::unique_ptr<TestSession> sessions[kInputs];
    CFStringRef key = nullptr;

    Setting() {
        paths[kSample] = std::string(ZEQ_EXAMPLES) + "/QW4300.ppd";
        const char* real = getenv("ZEQ_REAL_PPD");
        if (real != nullptr && *real != '\0')
            paths[kReal] = LargestPPD(real);
        paths[kSynthetic] = temp.Path() + "/synthetic-10000.ppd";
        SyntheticPPDStats stats;
        if (!WriteSyntheticPPD(10000, paths[kSynthetic].c_str(), &stats)) {
            fprintf(stderr, "cannot write %s\n", paths[kSynthetic].c_str());
            exit(1);
        }
        std::vector<std::string> names;
        for (const std::string& path : paths)
            if (!path.empty())
                names.push_back(PCFileName(path));
        bundle = std::make_unique<TestBundle>(temp.Path(), kBundleID, &names);
        key = NewString(kBundleID);
        for (int i = 0; i < kInputs; ++i) {
            if (paths[i].empty())
                continue;
            sessions[i] = std::make_unique<TestSession>("QW", "usb://QW", paths[i]);
            ZEQPPD* ppd = SetupPPD(sessions[i]->Session(), key);
            if (ppd == nullptr || !ppd->IsValidPPD() || !ppd->IsValidPrinterName()) {
                fprintf(stderr, "%s does not set up as a valid PPD\n", paths[i].c_str());
                exit(1);
            }
            controls[i] = ppd->GetControls() ? ppd->GetControls()->Size() : 0;
            delete ppd;
        }
    }
};

Setting& Get() {
    static Setting setting;
    return setting;
}

// The session of an input, with its PPD's URL; null (and the benchmark skipped) when the
// input is missing.
TestSession* SessionFor(benchmark::State& state, CFURLRef& url) {
    Setting& s = Get();
    const int input = static_cast<int>(state.range(0));
    static const char* const kNames[] = {"sample", "real", "synthetic 10000"};
    if (!s.sessions[input]) {
        state.SkipWithError("no real PPD: set ZEQ_REAL_PPD to a PPD file or folder");
        return nullptr;
    }
    state.SetLabel(kNames[input]);
    state.counters["controls"] = static_cast<double>(s.controls[input]);
    state.counters["ppd_bytes"] = static_cast<double>(std::filesystem::file_size(s.paths[input]));
    FSRef ref;
    GetPPDFile(s.sessions[input]->Session(), url, ref);
    return s.sessions[input].get();
}

bool SaveCache(TestSession& session, CFURLRef url) {
    ZEQPPD* ppd = SetupPPD(session.Session(), Get().key);
    PrintSettingsTicket settings(session.Session());
    ZEQJobTicket ticket(&settings, CFSTR("ZEQ.PSData.com.example.ppdloc.bench"));
    const bool saved = ppd != nullptr && ticket.SavePPD(ppd, Get().key, url);
    delete ppd;
    return saved;
}

// A set-up and a restore as the dialog makes them (a restore over the print settings and the
// job ticket the dialog makes for it), the model deleted; false when there was no model.
bool SetupRound(TestSession& session) {
    ZEQPPD* ppd = SetupPPD(session.Session(), Get().key);
    benchmark::DoNotOptimize(ppd);
    delete ppd;
    return ppd != nullptr;
}

bool RestoreRound(TestSession& session, CFURLRef url) {
    PrintSettingsTicket settings(session.Session());
    ZEQJobTicket ticket(&settings, CFSTR("ZEQ.PSData.com.example.ppdloc.bench"));
    ZEQPPD* ppd = ticket.RestorePPD(Get().key, url);
    delete ppd;
    return ppd != nullptr;
}

// Each benchmark makes one round before it starts timing, so that neither starts with the
// memory the one before it left behind.
void BM_SetupPPD(benchmark::State& state) {
    CFURLRef url = nullptr;
    TestSession* session = SessionFor(state, url);
    if (session == nullptr)
        return;
    SetupRound(*session);
    for (auto _ : state)
        SetupRound(*session);
}
BENCHMARK(BM_SetupPPD)->DenseRange(0, kInputs - 1)->Unit(benchmark::kMillisecond);

void BM_RestorePPD(benchmark::State& state) {
    CFURLRef url = nullptr;
    TestSession* session = SessionFor(state, url);
    if (session == nullptr)
        return;
    if (!SaveCache(*session, url) || !RestoreRound(*session, url)) {
        state.SkipWithError("the cache could not be saved or was refused");
        return;
    }
    for (auto _ : state)
        RestoreRound(*session, url);
    CFTypeRef item = nullptr;
    PMTicketGetItem(session->PrintSettings(), kPMTopLevel, kPMTopLevel, Get().key, &item);
    if (item != nullptr)
        state.counters["cache_bytes"] =
            static_cast<double>(CFDataGetLength(static_cast<CFDataRef>(item)));
}
BENCHMARK(BM_RestorePPD)->DenseRange(0, kInputs - 1)->Unit(benchmark::kMillisecond);

void BM_SavePPD(benchmark::State& state) {
    CFURLRef url = nullptr;
    TestSession* session = SessionFor(state, url);
    if (session == nullptr)
        return;
    ZEQPPD* ppd = SetupPPD(session->Session(), Get().key);
    for (auto _ : state) {
        PrintSettingsTicket settings(session->Session());
        ZEQJobTicket ticket(&settings, CFSTR("ZEQ.PSData.com.example.ppdloc.bench"));
        if (!ticket.SavePPD(ppd, Get().key, url)) {
            state.SkipWithError("the cache could not be saved");
            break;
        }
    }
    delete ppd;
}
BENCHMARK(BM_SavePPD)->DenseRange(0, kInputs - 1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
