// `zeqppd cache save` and `zeqppd cache load`: the parsed-PPD cache as a file.
#include "tools/CacheCommand.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "PPDObjects/PPDXGroups.h"
#include "PPDObjects/PPDXProperties.h"
#include "parser/ZEQPPD.h"
#include "platform/CFData.h"
#include "platform/CFURL.h"
#include "platform/Collections.h"
#include "settings/CacheFormat.h"
#include "settings/DataStream.h"
#include "settings/Settings.h"
#include "tools/ModelJson.h"
#include "tools/ToolOutput.h"

namespace {

struct CacheArgs {
    std::string ppd;     // save: the PPD to parse; load: the expected PPD location (may be "")
    std::string stream;  // CACHE: the file of the settings stream
    bool json = false;
};

// A file URL for `path` (made absolute when it exists); null when it cannot be made.
CFURLRef FileURL(const std::string& path) {
    char absolute[PATH_MAX];
    const char* location = ::realpath(path.c_str(), absolute) != nullptr ? absolute : path.c_str();
    return CFURLCreateFromFileSystemRepresentation(
        nullptr, reinterpret_cast<const UInt8*>(location),
        static_cast<CFIndex>(std::strlen(location)), false);
}

bool WriteFile(const std::string& path, const UInt8* bytes, size_t count, std::string& reason) {
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) {
        reason = std::strerror(errno);
        return false;
    }
    const bool written = count == 0 || std::fwrite(bytes, 1, count, out) == count;
    const int savedErrno = errno;
    if (std::fclose(out) != 0 || !written) {
        reason = std::strerror(written ? errno : savedErrno);
        return false;
    }
    return true;
}

bool ReadFile(const std::string& path, std::vector<UInt8>& bytes, std::string& reason) {
    struct stat info;
    if (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        reason = "is a directory";
        return false;
    }
    std::FILE* in = std::fopen(path.c_str(), "rb");
    if (in == nullptr) {
        reason = std::strerror(errno);
        return false;
    }
    UInt8 buffer[65536];
    size_t count = 0;
    while ((count = std::fread(buffer, 1, sizeof buffer, in)) > 0) {
        bytes.insert(bytes.end(), buffer, buffer + count);
    }
    const bool failed = std::ferror(in) != 0;
    const int savedErrno = errno;
    std::fclose(in);
    if (failed) {
        reason = std::strerror(savedErrno);
        return false;
    }
    return true;
}

// Why a model does not fit the cache format, in words: the format numbers the objects of a
// collection from its section number up to the next section's (kMaxSectionObjects), so more
// pages or groups than that cannot be written. Empty when the sizes are not the reason.
std::string CacheLimitProblem(ZEQPPD& ppd) {
    AllElementsVisible all;
    const struct {
        const char* what;
        long count;
    } sections[] = {
        {"property pages", ppd.GetProperties() != nullptr ? ppd.GetProperties()->Count() : 0},
        {"groups", ppd.GetGroups() != nullptr ? ppd.GetGroups()->Size() : 0},
    };
    for (const auto& section : sections) {
        if (section.count > ppdcache::kMaxSectionObjects) {
            return "the model has " + std::to_string(section.count) + " " + section.what +
                   ", more than the " + std::to_string(ppdcache::kMaxSectionObjects) +
                   " a settings cache can number";
        }
    }
    return std::string();
}

// What is wrong with bytes that do not unflatten (paramErr): the flattened form is a 12-byte
// header (magic, version, item count) and items of a 16-byte header (tag, id, attributes,
// length) and their bytes, all numbers 32-bit little-endian (platform/Collections.h).
std::string DamageOf(const std::vector<UInt8>& bytes) {
    auto u32 = [&bytes](size_t at) {
        return static_cast<uint32_t>(bytes[at]) | static_cast<uint32_t>(bytes[at + 1]) << 8 |
               static_cast<uint32_t>(bytes[at + 2]) << 16 |
               static_cast<uint32_t>(bytes[at + 3]) << 24;
    };
    const size_t size = bytes.size();
    if (size < 12) {
        // The magic, 0x5A51434C, begins the stream with these bytes.
        static const UInt8 kMagic[4] = {0x4C, 0x43, 0x51, 0x5A};
        return std::memcmp(bytes.data(), kMagic, size < 4 ? size : 4) == 0
                   ? "truncated: shorter than the header of a settings stream"
                   : "not a settings stream";
    }
    const uint32_t count = u32(8);
    size_t offset = 12;
    for (uint32_t i = 0; i < count; ++i) {
        if (size - offset < 16 || size - offset - 16 < u32(offset + 12)) {
            return "truncated: the settings stream ends inside item " + std::to_string(i + 1) +
                   " of " + std::to_string(count);
        }
        offset += 16 + u32(offset + 12);
    }
    if (offset != size) {
        return "damaged: " + std::to_string(size - offset) +
               " bytes follow the last item of the settings stream";
    }
    return "damaged settings stream";
}

int RunSave(const CacheArgs& args) {
    int status = kExitOK;
    ZEQPPDPtr ppd = LoadPPD(args.ppd, {}, status);
    if (!ppd) {
        return status;
    }
    // The dialog throws away a model that is not valid; its cache would be of no use.
    if (!ppd->IsValidPPD()) {
        ReportError(args.ppd, "not a valid PPD: " + InvalidReason(*ppd) + "; no cache is written");
        return kExitFailed;
    }
    for (const ReadProblem& problem : ReadProblems(*ppd)) {
        ReportError(args.ppd,
                    "warning: line " + std::to_string(problem.line) + ": " + problem.message);
    }
    Settings settings;
    if (!settings.Valid() || !ppd->Save(settings)) {
        std::string reason = CacheLimitProblem(*ppd);
        if (reason.empty()) {
            reason = settings.LastError() == memFullErr
                         ? std::string("out of memory")
                         : "the model cannot be written to a settings cache (result " +
                               std::to_string(settings.LastError()) + ")";
        }
        ReportError(args.ppd, reason + "; no cache is written");
        return kExitFailed;
    }
    CFDataStream stream;
    const OSStatus result = settings.Save(&stream);
    if (result != noErr || stream.data() == nullptr) {
        ReportError(args.stream,
                    "the settings cannot be flattened (result " + std::to_string(result) + ")");
        return kExitFailed;
    }
    std::string reason;
    if (!WriteFile(args.stream, CFDataGetBytePtr(stream.data()),
                   static_cast<size_t>(CFDataGetLength(stream.data())), reason)) {
        ReportError(args.stream, "cannot write file: " + reason);
        return kExitUsage;
    }
    return kExitOK;
}

int RunLoad(const CacheArgs& args) {
    std::vector<UInt8> bytes;
    std::string reason;
    if (!ReadFile(args.stream, bytes, reason)) {
        ReportError(args.stream, "cannot read file: " + reason);
        return kExitUsage;
    }
    if (bytes.empty()) {
        ReportError(args.stream, "not a settings stream: the file is empty");
        return kExitFailed;
    }
    CFDataRef data = CFDataCreate(nullptr, bytes.data(), static_cast<CFIndex>(bytes.size()));
    if (data == nullptr) {
        ReportError(args.stream, "out of memory");
        return kExitFailed;
    }
    CFDataStream stream(data);
    CFRelease(data);
    Settings settings;
    const OSStatus result = settings.Read(&stream, 0);
    if (result != noErr) {
        if (result == paramErr) {
            reason = DamageOf(bytes);
        } else if (result == memFullErr) {
            reason = "out of memory";
        } else if (result == collectionVersionErr) {
            reason = "not a settings stream";
        } else {
            reason = "not a settings stream (result " + std::to_string(result) + ")";
        }
        ReportError(args.stream, reason);
        return kExitFailed;
    }
    // Every cache the system writes begins with its format mark; a settings stream without it
    // holds something else, and would rebuild an empty model.
    long markSize = 0;
    if (settings.Get(ppdcache::kHeaderTag, ppdcache::kFormatMarkId, nullptr, markSize) != noErr) {
        ReportError(args.stream, "a settings stream, but not a parsed-PPD cache (no format mark)");
        return kExitFailed;
    }

    CFURLRef url = args.ppd.empty() ? nullptr : FileURL(args.ppd);
    std::unique_ptr<ZEQPPD> ppd(new (std::nothrow) ZEQPPD(settings, url, nullptr));
    if (url != nullptr) {
        CFRelease(url);
    }
    if (!ppd) {
        ReportError(args.stream, "out of memory");
        return kExitFailed;
    }
    const std::string& file = args.ppd.empty() ? args.stream : args.ppd;
    if (args.json) {
        const std::string text = JsonText(ModelToJson(*ppd, file, false));
        std::fwrite(text.data(), 1, text.size(), ToolOutput());
        std::fputc('\n', ToolOutput());
    } else {
        WriteModelText(ToolOutput(), *ppd, file, false);
    }
    if (!ppd->IsValidPPD()) {
        ReportError(args.stream, "no valid model could be rebuilt from the cache");
        return kExitFailed;
    }
    return kExitOK;
}

}  // namespace

CommandRunner DeclareCache(CLI::App& command) {
    auto args = std::make_shared<CacheArgs>();
    command.require_subcommand(1);

    CLI::App* save = command.add_subcommand("save", "Parse a PPD and write its settings cache");
    save->add_option("PPD", args->ppd, "PPD file to parse")->required();
    save->add_option("CACHE", args->stream, "File to write the flattened settings to")->required();

    CLI::App* load = command.add_subcommand(
        "load", "Rebuild the model from a settings cache and print it as dump does");
    load->add_option("CACHE", args->stream, "File holding the flattened settings")->required();
    load->add_option("--ppd", args->ppd, "Where the PPD is expected (also the name printed)");
    load->add_flag("--json", args->json, "Print one JSON object instead of the tree");

    command.footer(
        "Exit status: 0 on success; 1 when the model cannot be saved (a PPD that is not valid, "
        "or one too large for the cache format), or the file holds no cache from which a "
        "valid model can be rebuilt; 2 for a usage error or a file that cannot be read or "
        "written.");
    return [args, save] { return save->parsed() ? RunSave(*args) : RunLoad(*args); };
}
