// compare: times, on the same PPD files in one run, our parse and cache, the CUPS PPD API and
// a plain fgets loop (the floor); prints one table of medians, throughputs, ratios and peaks.
//
//   compare [-r ROUNDS] [--no-memory] PATH...
//
// Each PATH (a file, or a directory searched recursively for *.ppd files) is one row.
// The CUPS PPD API is deprecated upstream; it is exactly what is measured here.
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <cups/ppd.h>
#include <dirent.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <new>
#include <string>
#include <vector>

#ifdef ZEQ_HAVE_PARSER
#include "parser/ZEQPPD.h"
#include "platform/CFURL.h"
#endif
#ifdef ZEQ_HAVE_CACHE
#include "bench/SavedCache.h"
#include "platform/CFData.h"
#include "settings/DataStream.h"
#include "settings/Settings.h"
#endif

namespace {

using Clock = std::chrono::steady_clock;

struct FileSet {
    std::string label;
    std::vector<std::string> files;
    double bytes = 0;
    size_t controls = 0;  // vendor controls announced in the files (0 for other PPDs)
#ifdef ZEQ_HAVE_PARSER
    std::vector<CFURLRef> urls;
#endif
};

bool EndsWith(const std::string& s, const char* tail) {
    size_t n = strlen(tail);
    return s.size() >= n && strcasecmp(s.c_str() + s.size() - n, tail) == 0;
}

void Collect(const std::string& path, std::vector<std::string>& out) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0)
        return;
    if (S_ISREG(st.st_mode)) {
        out.push_back(path);
        return;
    }
    if (!S_ISDIR(st.st_mode))
        return;
    DIR* dir = opendir(path.c_str());
    if (!dir)
        return;
    std::vector<std::string> names;
    while (dirent* e = readdir(dir)) {
        if (strcmp(e->d_name, ".") == 0 || strcmp(e->d_name, "..") == 0)
            continue;
        names.push_back(e->d_name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        std::string child = path + "/" + name;
        struct stat cs;
        if (stat(child.c_str(), &cs) != 0)
            continue;
        if (S_ISDIR(cs.st_mode))
            Collect(child, out);
        else if (S_ISREG(cs.st_mode) && EndsWith(name, ".ppd"))
            out.push_back(child);
    }
}

// Controls the vendor parser makes: every *%ZEQFlags block, every *%ZEQSpecialOption and every
// *%ZEQJobNote that does not stand inside a block.
size_t CountControls(const std::string& path) {
    FILE* f = fopen(path.c_str(), "rb");
    if (!f)
        return 0;
    char line[1024];
    size_t count = 0;
    bool afterGroup = false;
    while (fgets(line, sizeof line, f)) {
        if (strncmp(line, "*%ZEQFlags", 10) == 0 || strncmp(line, "*%ZEQSpecialOption", 18) == 0)
            ++count;
        else if (strncmp(line, "*%ZEQJobNote", 12) == 0 && !afterGroup)
            ++count;
        afterGroup = strncmp(line, "*%ZEQGroup", 10) == 0;
    }
    fclose(f);
    return count;
}

double Seconds(Clock::time_point from) {
    return std::chrono::duration<double>(Clock::now() - from).count();
}

// ---- the four contestants: one round over a whole set; returns failures ----

size_t FloorRound(const FileSet& set) {
    size_t failures = 0;
    volatile size_t lines = 0;
    char buffer[1024];
    for (const std::string& path : set.files) {
        FILE* f = fopen(path.c_str(), "rb");
        if (!f) {
            ++failures;
            continue;
        }
        size_t n = 0;
        while (fgets(buffer, sizeof buffer, f))
            ++n;
        lines = lines + n;
        fclose(f);
    }
    return failures;
}

size_t CupsRound(const FileSet& set) {
    size_t failures = 0;
    for (const std::string& path : set.files) {
        ppd_file_t* ppd = ppdOpenFile(path.c_str());
        if (!ppd) {
            ++failures;
            continue;
        }
        ppdMarkDefaults(ppd);
        ppdClose(ppd);
    }
    return failures;
}

#ifdef ZEQ_HAVE_PARSER
const _PARSE_OPTIONS_ kOptions = 3;

ZEQPPD* Parse(CFURLRef url) {
    return new (std::nothrow) ZEQPPD(url, kOptions, nullptr);
}

size_t OursRound(const FileSet& set) {
    size_t failures = 0;
    for (CFURLRef url : set.urls) {
        ZEQPPD* ppd = Parse(url);
        if (!ppd || !ppd->IsValidPPD())
            ++failures;
        delete ppd;
    }
    return failures;
}
#endif

#ifdef ZEQ_HAVE_CACHE
// Time to save every model of the set (its parse not counted); fills `caches` when given.
double SaveRound(const FileSet& set, size_t& failures, std::vector<CFDataRef>* caches) {
    double total = 0;
    for (CFURLRef url : set.urls) {
        ZEQPPD* ppd = Parse(url);
        CFDataRef data = nullptr;
        if (ppd) {
            auto start = Clock::now();
            data = SaveCache(*ppd);
            total += Seconds(start);
            // Kept as print settings keep it, immutable (a rebuild reads it without a copy);
            // not part of the save.
            if (data) {
                CFDataRef kept = CFDataCreateCopy(nullptr, data);
                CFRelease(data);
                data = kept;
            }
        }
        delete ppd;
        if (!data)
            ++failures;
        if (caches)
            caches->push_back(data);
        else if (data)
            CFRelease(data);
    }
    return total;
}

// A rebuild as the dialog does it: unflatten the stream into a Settings object, rebuild the
// model from it, and (like the other contestants) dispose of the model.
size_t RebuildRound(const FileSet& set, const std::vector<CFDataRef>& caches) {
    size_t failures = 0;
    for (size_t i = 0; i < caches.size(); ++i) {
        if (!caches[i]) {
            ++failures;
            continue;
        }
        CFDataStream stream(caches[i]);
        Settings settings;
        if (settings.Read(&stream, 0) != 0) {
            ++failures;
            continue;
        }
        ZEQPPD* ppd = new (std::nothrow) ZEQPPD(settings, set.urls[i], nullptr);
        if (!ppd || !ppd->IsValidPPD())
            ++failures;
        delete ppd;
    }
    return failures;
}
#endif

double Median(std::vector<double> v) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Median wall time of up to `rounds` rounds after a warm-up round (which fills the page
// cache). A contestant that needs more than a second a round has its warm-up round counted
// as a sample, and its rounds stop once a minute has been spent on it (one sample at least).
double Time(int rounds, const std::function<size_t()>& round, size_t& failures) {
    std::vector<double> times;
    auto start = Clock::now();
    failures = round();
    double first = Seconds(start), spent = first;
    if (first > 1.0)
        times.push_back(first);
    while (static_cast<int>(times.size()) < rounds && (times.empty() || spent < 60.0)) {
        start = Clock::now();
        round();
        times.push_back(Seconds(start));
        spent += times.back();
    }
    return Median(times);
}

long ResidentBytes() {
    FILE* f = fopen("/proc/self/statm", "r");
    long pages = 0, resident = 0;
    if (f) {
        if (fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        fclose(f);
    }
    return resident * sysconf(_SC_PAGESIZE);
}

// Peak memory that one round adds to a fresh process: this program runs itself again
// ("--peak KIND FILE..."), which does the preparation, resets its high-water mark, runs one
// round and prints what the round added (ru_maxrss minus the resident set before it). A fresh
// process keeps the heap of earlier measurements out of the figure. -1 when not measured.
double PeakMiB(const char* kind, const FileSet& set) {
    int fds[2];
    if (pipe(fds) != 0)
        return -1;
    fflush(nullptr);
    pid_t pid = fork();
    if (pid < 0) {
        close(fds[0]);
        close(fds[1]);
        return -1;
    }
    if (pid == 0) {
        close(fds[0]);
        dup2(fds[1], 1);
        std::vector<std::string> args = {"compare", "--peak", kind};
        args.insert(args.end(), set.files.begin(), set.files.end());
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        execv("/proc/self/exe", argv.data());
        _exit(127);
    }
    close(fds[1]);
    std::string text;
    char buffer[256];
    ssize_t n;
    while ((n = read(fds[0], buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<size_t>(n));
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || text.empty())
        return -1;
    return atof(text.c_str()) / (1024.0 * 1024.0);
}

struct Row {
    const FileSet* set;
    double floor = 0, cups = 0, ours = 0, save = 0, rebuild = 0;
    size_t floorFail = 0, cupsFail = 0, oursFail = 0, saveFail = 0, rebuildFail = 0;
    double floorPeak = -1, cupsPeak = -1, oursPeak = -1, rebuildPeak = -1;
};

std::string Num(double v, const char* format = "%.1f") {
    if (v < 0)
        return "-";
    char buffer[64];
    snprintf(buffer, sizeof buffer, format, v);
    return buffer;
}

std::string Ms(double seconds) {
    return Num(seconds * 1000.0, seconds < 0.01 ? "%.2f" : "%.1f");
}

std::string Rate(double bytes, double seconds) {
    return seconds > 0 ? Num(bytes / 1e6 / seconds, "%.0f") : "-";
}

std::string Ratio(double slower, double faster) {
    return faster > 0 && slower > 0 ? Num(slower / faster, "%.2fx") : "-";
}

int Usage(const char* program) {
    fprintf(stderr, "usage: %s [-r ROUNDS] [--no-memory] PPD-FILE-OR-DIRECTORY...\n", program);
    return 2;
}

}  // namespace

// The child side of PeakMiB: prepare, reset the high-water mark, one round, print the bytes.
int PeakMode(const char* kind, FileSet& set) {
#ifdef ZEQ_HAVE_CACHE
    std::vector<CFDataRef> caches;
    if (strcmp(kind, "rebuild") == 0) {
        size_t failures = 0;
        SaveRound(set, failures, &caches);
    }
#endif
    if (FILE* clear = fopen("/proc/self/clear_refs", "w")) {
        fputs("5", clear);
        fclose(clear);
    }
    long before = ResidentBytes();
    if (strcmp(kind, "floor") == 0)
        FloorRound(set);
    else if (strcmp(kind, "cups") == 0)
        CupsRound(set);
#ifdef ZEQ_HAVE_PARSER
    else if (strcmp(kind, "ours") == 0)
        OursRound(set);
#endif
#ifdef ZEQ_HAVE_CACHE
    else if (strcmp(kind, "rebuild") == 0)
        RebuildRound(set, caches);
#endif
    else
        return 1;
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    printf("%.0f\n", usage.ru_maxrss * 1024.0 - static_cast<double>(before));
    return 0;
}

int main(int argc, char** argv) {
    if (argc >= 4 && strcmp(argv[1], "--peak") == 0) {
        FileSet set;
        for (int i = 3; i < argc; ++i) {
            set.files.push_back(argv[i]);
#ifdef ZEQ_HAVE_PARSER
            set.urls.push_back(CFURLCreateFromFileSystemRepresentation(
                nullptr, reinterpret_cast<const UInt8*>(argv[i]),
                static_cast<CFIndex>(strlen(argv[i])), false));
#endif
        }
        return PeakMode(argv[2], set);
    }
    int rounds = 5;
    bool memory = true;
    std::vector<FileSet> sets;
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "-r") == 0 && i + 1 < argc) {
            rounds = atoi(argv[++i]);
            if (rounds < 1)
                return Usage(argv[0]);
        } else if (strcmp(argv[i], "--no-memory") == 0) {
            memory = false;
        } else if (argv[i][0] == '-') {
            return Usage(argv[0]);
        } else {
            FileSet set;
            set.label = argv[i];
            Collect(argv[i], set.files);
            if (set.files.empty()) {
                fprintf(stderr, "%s: no PPD files found\n", argv[i]);
                return 1;
            }
            sets.push_back(std::move(set));
        }
    }
    if (sets.empty())
        return Usage(argv[0]);

    ppdSetConformance(PPD_CONFORM_RELAXED);
    for (FileSet& set : sets) {
        for (const std::string& path : set.files) {
            struct stat st;
            if (stat(path.c_str(), &st) == 0)
                set.bytes += static_cast<double>(st.st_size);
            set.controls += CountControls(path);
#ifdef ZEQ_HAVE_PARSER
            set.urls.push_back(CFURLCreateFromFileSystemRepresentation(
                nullptr, reinterpret_cast<const UInt8*>(path.c_str()),
                static_cast<CFIndex>(path.size()), false));
#endif
        }
    }

    std::vector<Row> rows;
    for (const FileSet& set : sets) {
        Row row;
        row.set = &set;
        // Peaks first, while this process is still small.
        if (memory) {
            row.floorPeak = PeakMiB("floor", set);
            row.cupsPeak = PeakMiB("cups", set);
#ifdef ZEQ_HAVE_PARSER
            row.oursPeak = PeakMiB("ours", set);
#endif
        }
        fprintf(stderr, "%s: %zu files, %.1f MB, %d rounds...\n", set.label.c_str(),
                set.files.size(), set.bytes / 1e6, rounds);
        row.floor = Time(
            rounds, [&] { return FloorRound(set); }, row.floorFail);
        row.cups = Time(
            rounds, [&] { return CupsRound(set); }, row.cupsFail);
#ifdef ZEQ_HAVE_PARSER
        row.ours = Time(
            rounds, [&] { return OursRound(set); }, row.oursFail);
#endif
#ifdef ZEQ_HAVE_CACHE
        {
            std::vector<CFDataRef> caches;
            std::vector<double> saves;
            SaveRound(set, row.saveFail, &caches);
            for (int r = 0; r < rounds; ++r) {
                size_t ignored = 0;
                saves.push_back(SaveRound(set, ignored, nullptr));
            }
            row.save = Median(saves);
            row.rebuild = Time(
                rounds, [&] { return RebuildRound(set, caches); }, row.rebuildFail);
            if (memory)
                row.rebuildPeak = PeakMiB("rebuild", set);
            for (CFDataRef data : caches)
                if (data)
                    CFRelease(data);
        }
#endif
        rows.push_back(row);
    }

    printf(
        "Medians of %d rounds (fewer for a contestant that needs over a second a round: at "
        "most a minute each); MB = 10^6 bytes; speed ratios are throughput ratios (higher "
        "is better for ours).\n\n",
        rounds);
    printf(
        "| set | files | MB | controls | floor ms | floor MB/s | CUPS ms | CUPS MB/s "
        "| ours ms | ours MB/s | ours µs/control | ours/CUPS | ours/floor "
        "| save ms | rebuild ms | parse/rebuild | CUPS peak MiB | ours peak MiB "
        "| rebuild peak MiB |\n");
    printf("|---|--:|--:|--:|--:|--:|--:|--:|--:|--:|--:|--:|--:|--:|--:|--:|--:|--:|--:|\n");
    for (const Row& r : rows) {
        const FileSet& s = *r.set;
        std::string perControl =
            s.controls && r.ours > 0 ? Num(r.ours * 1e6 / s.controls, "%.2f") : "-";
        printf(
            "| %s | %zu | %.2f | %zu | %s | %s | %s | %s | %s | %s | %s | %s | %s | %s | %s "
            "| %s | %s | %s | %s |\n",
            s.label.c_str(), s.files.size(), s.bytes / 1e6, s.controls, Ms(r.floor).c_str(),
            Rate(s.bytes, r.floor).c_str(), Ms(r.cups).c_str(), Rate(s.bytes, r.cups).c_str(),
            r.ours > 0 ? Ms(r.ours).c_str() : "-", Rate(s.bytes, r.ours).c_str(),
            perControl.c_str(), Ratio(r.cups, r.ours).c_str(), Ratio(r.floor, r.ours).c_str(),
            r.save > 0 ? Ms(r.save).c_str() : "-", r.rebuild > 0 ? Ms(r.rebuild).c_str() : "-",
            Ratio(r.ours, r.rebuild).c_str(), Num(r.cupsPeak).c_str(), Num(r.oursPeak).c_str(),
            Num(r.rebuildPeak).c_str());
    }
    printf("\n");
    bool notes = false;
    for (const Row& r : rows) {
        if (r.floorFail + r.cupsFail + r.oursFail + r.saveFail + r.rebuildFail == 0)
            continue;
        notes = true;
        printf(
            "%s: not read by fgets %zu, refused by CUPS %zu, not valid for ours %zu, "
            "not saved %zu, not rebuilt %zu\n",
            r.set->label.c_str(), r.floorFail, r.cupsFail, r.oursFail, r.saveFail, r.rebuildFail);
    }
    if (notes)
        printf("\n");
    printf(
        "Peaks are what one round adds to the resident set of a fresh process (ru_maxrss "
        "minus the resident set before the round).\n");
#ifndef ZEQ_HAVE_PARSER
    printf("This build has no PPD parser yet: only the floor and CUPS were measured.\n");
#endif
#ifdef ZEQ_HAVE_PARSER
    for (FileSet& set : sets)
        for (CFURLRef url : set.urls)
            if (url)
                CFRelease(url);
#endif
    return 0;
}
