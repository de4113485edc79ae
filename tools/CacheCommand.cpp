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
#include <vector>

#include "parser/ZEQPPD.h"
#include "platform/CFData.h"
#include "platform/CFURL.h"
#include "settings/DataStream.h"
#include "settings/Settings.h"
#include "tools/ModelJson.h"

namespace {

struct CacheArgs {
    std::string ppd;     // save: the PPD to parse; load: the expected PPD location (may be "")
    std::string stream;  // the file of the settings stream
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
    std::fclose(in);
    if (failed) {
        reason = "read error";
        return false;
    }
    return true;
}

int RunSave(const CacheArgs& args) {
    ZEQPPDPtr ppd = LoadPPD(args.ppd, {});
    if (!ppd) {
        return kExitUsage;
    }
    Settings settings;
    if (!settings.Valid() || !ppd->Save(settings)) {
        ReportError(args.ppd, "the model cannot be written to a settings cache (result " +
                                  std::to_string(settings.LastError()) + ")");
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
        ReportError(args.stream,
                    "not a settings stream of this system (result " + std::to_string(result) + ")");
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
        const std::string text = JsonText(ModelToJson(*ppd, file));
        std::fwrite(text.data(), 1, text.size(), stdout);
        std::fputc('\n', stdout);
    } else {
        WriteModelText(stdout, *ppd, file);
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
    save->add_option("OUT", args->stream, "File to write the flattened settings to")->required();

    CLI::App* load = command.add_subcommand(
        "load", "Rebuild the model from a settings cache and print it as dump does");
    load->add_option("OUT", args->stream, "File holding the flattened settings")->required();
    load->add_option("--ppd", args->ppd, "Where the PPD is expected (also the name printed)");
    load->add_flag("--json", args->json, "Print one JSON object instead of the tree");

    command.footer(
        "Exit status: 0 on success; 1 when the model cannot be saved, or the file holds no "
        "cache from which a valid model can be rebuilt; 2 for a usage error or a file that "
        "cannot be read or written.");
    return [args, save] { return save->parsed() ? RunSave(*args) : RunLoad(*args); };
}
