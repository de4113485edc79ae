// zeqppd: checks, dumps and queries vendor PPD files and emits the PostScript of their
// options, on the command line.
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <set>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "PPDObjects/PPDXBooleanControl.h"
#include "PPDObjects/PPDXControl.h"
#include "PPDObjects/PPDXControls.h"
#include "PPDObjects/PPDXFloatRangeControl.h"
#include "PPDObjects/PPDXJobNote.h"
#include "PPDObjects/PPDXPopupControl.h"
#include "PPDObjects/PPDXRangeControl.h"
#include "parser/UIConstraints.h"
#include "parser/ZEQPPD.h"
#include "platform/CFArray.h"
#include "platform/CFString.h"
#include "platform/CFURL.h"
#include "tools/CacheCommand.h"
#include "tools/ModelJson.h"
#include "tools/ZeqppdCommands.h"

namespace {

// The parse options of the system: keep orphans and hidden elements.
constexpr _PARSE_OPTIONS_ kToolParseOptions = kParseKeepOrphans | kParseKeepHidden;

// The commands, in the order --help lists them.
const ZeqppdCommand kCommands[] = {
    {"check", "Parse a PPD and report its main keywords, validity and errors", DeclareCheck},
    {"dump", "Print the whole parsed model, as a tree or as JSON", DeclareDump},
    {"emit", "Set option values and print the PostScript the options produce", DeclareEmit},
    {"constraints", "List the UI constraints (or requirements) of one option value",
     DeclareConstraints},
    {"cache", "Save a parsed PPD as a settings cache, or rebuild and print a model from one",
     DeclareCache},
};

// The control with exactly `keyword`, the first in flat-list order. A keyword given without
// its leading "*" is also looked up with it, so that "PageSize" finds "*PageSize".
PPDXControl* FindControl(ZEQPPD& ppd, const std::string& keyword) {
    PPDXControls* controls = ppd.GetControls();
    if (controls == nullptr || keyword.empty()) {
        return nullptr;
    }
    AllElementsVisible all;
    CNTL_TYPE type = kUnknownControl;
    PPDXControl* control = controls->Find(keyword.c_str(), type, true);
    if (control == nullptr && keyword[0] != '*') {
        const std::string starred = "*" + keyword;
        control = controls->Find(starred.c_str(), type, true);
    }
    return control;
}

// A whole decimal integer (optional sign, no other characters).
bool ParseInteger(const std::string& text, long& value) {
    if (text.empty()) {
        return false;
    }
    errno = 0;
    char* end = nullptr;
    const long parsed = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || end == text.c_str() || *end != '\0') {
        return false;
    }
    value = parsed;
    return true;
}

// 1-based number of the first item of `popup` with that keyword; 0 when none has it.
long PopupItemNumber(PPDXPopupControl* popup, const std::string& option) {
    long number = 1;
    for (_PopupItem* item = popup->FirstItem(); item != nullptr; item = popup->NextItem()) {
        if (item->Keyword() != nullptr && option == item->Keyword()) {
            return number;
        }
        ++number;
    }
    return 0;
}

// Writes every byte of the control's PostScript to standard output (size, then fill).
bool EmitControl(PPDXControl* control) {
    const long size = control->PostScript(nullptr);
    if (size <= 0) {
        return true;
    }
    std::vector<unsigned char> buffer(static_cast<size_t>(size));
    const long written = control->PostScript(buffer.data());
    const size_t count = static_cast<size_t>(written < size ? written : size);
    return std::fwrite(buffer.data(), 1, count, stdout) == count;
}

// ---- check

struct CheckArgs {
    std::string file;
    std::vector<std::string> pcFileNames;
};

int RunCheck(const CheckArgs& args) {
    ZEQPPDPtr ppd = LoadPPD(args.file, args.pcFileNames);
    if (!ppd) {
        return kExitUsage;
    }
    WriteSummaryText(stdout, *ppd, args.file);
    if (!ppd->IsValidPrinterName()) {
        ReportError(args.file, "PC file name is not one of the given names");
        return kExitFailed;
    }
    if (!ppd->IsValidPPD()) {
        ReportError(args.file, "not a valid PPD");
        return kExitFailed;
    }
    return kExitOK;
}

// ---- dump

struct DumpArgs {
    std::string file;
    std::vector<std::string> pcFileNames;
    bool json = false;
};

int RunDump(const DumpArgs& args) {
    ZEQPPDPtr ppd = LoadPPD(args.file, args.pcFileNames);
    if (!ppd) {
        return kExitUsage;
    }
    if (args.json) {
        const std::string text = JsonText(ModelToJson(*ppd, args.file));
        std::fwrite(text.data(), 1, text.size(), stdout);
        std::fputc('\n', stdout);
    } else {
        WriteModelText(stdout, *ppd, args.file);
    }
    return kExitOK;
}

// ---- emit

struct EmitArgs {
    std::string file;
    std::vector<std::string> assignments;
    std::vector<std::string> pcFileNames;
    bool only = false;
};

// Gives `control` the value written in `value`; returns the exit status of a failure, or
// kExitOK.
int SetControlValue(const std::string& file, const std::string& keyword, PPDXControl* control,
                    const std::string& value) {
    if (auto* popup = dynamic_cast<PPDXPopupControl*>(control)) {
        if (!popup->SetKeywordSelect(value.c_str(), true)) {
            ReportError(file, keyword + " has no option " + value);
            return kExitFailed;
        }
        return kExitOK;
    }
    if (auto* boolean = dynamic_cast<PPDXBooleanControl*>(control)) {
        if (value != "True" && value != "False") {
            ReportError(file, keyword + " takes True or False, not " + value);
            return kExitUsage;
        }
        boolean->SetValue(value == "True");
        return kExitOK;
    }
    if (auto* range = dynamic_cast<PPDXRangeControl*>(control)) {
        long number = 0;
        if (!ParseInteger(value, number)) {
            ReportError(file, keyword + " takes an integer, not " + value);
            return kExitUsage;
        }
        range->SetValue(number);
        return kExitOK;
    }
    if (auto* floatRange = dynamic_cast<PPDXFloatRangeControl*>(control)) {
        char* end = nullptr;
        const float number = std::strtof(value.c_str(), &end);
        if (value.empty() || *end != '\0') {
            ReportError(file, keyword + " takes a number, not " + value);
            return kExitUsage;
        }
        floatRange->SetValue(number);
        return kExitOK;
    }
    if (auto* note = dynamic_cast<PPDXJobNote*>(control)) {
        note->SetNotes(value.c_str());
        return kExitOK;
    }
    ReportError(file, keyword + " is a special option; its value cannot be set");
    return kExitUsage;
}

int RunEmit(const EmitArgs& args) {
    // Malformed assignments are usage errors, found before the file is read.
    std::vector<std::pair<std::string, std::string>> assignments;
    for (const std::string& assignment : args.assignments) {
        const size_t equals = assignment.find('=');
        if (equals == std::string::npos || equals == 0) {
            ReportError(args.file, "expected KEYWORD=VALUE, not " + assignment);
            return kExitUsage;
        }
        assignments.emplace_back(assignment.substr(0, equals), assignment.substr(equals + 1));
    }
    ZEQPPDPtr ppd = LoadPPD(args.file, args.pcFileNames);
    if (!ppd) {
        return kExitUsage;
    }
    AllElementsVisible all;
    std::set<PPDXControl*> named;
    for (const auto& [keyword, value] : assignments) {
        PPDXControl* control = FindControl(*ppd, keyword);
        if (control == nullptr) {
            ReportError(args.file, "no control " + keyword);
            return kExitFailed;
        }
        const int status = SetControlValue(args.file, keyword, control, value);
        if (status != kExitOK) {
            return status;
        }
        named.insert(control);
    }
    PPDXControls* controls = ppd->GetControls();
    if (controls == nullptr) {
        return kExitOK;
    }
    // Collected first: a control's PostScript does not walk the container, but a walk that
    // is not interleaved with other calls is the safe order.
    std::vector<PPDXControl*> order;
    CNTL_TYPE type = kUnknownControl;
    for (PPDXControl* c = controls->First(type); c != nullptr; c = controls->Next(type)) {
        order.push_back(c);
    }
    for (PPDXControl* control : order) {
        if (args.only && named.count(control) == 0) {
            continue;
        }
        if (!EmitControl(control)) {
            ReportError(args.file,
                        std::string("cannot write the PostScript: ") + std::strerror(errno));
            return kExitFailed;
        }
    }
    std::fflush(stdout);
    return kExitOK;
}

// ---- constraints

struct ConstraintArgs {
    std::string file;
    std::string keyword;
    std::string value;
    std::vector<std::string> pcFileNames;
    bool requirements = false;
};

// The query value of `text` for `control`: an option keyword of a popup (its 1-based number),
// True or False for a Boolean (1 or 0), or a number. Returns kExitOK or a failure status.
int QueryValue(const std::string& file, const std::string& keyword, PPDXControl* control,
               const std::string& text, long& value) {
    if (auto* popup = dynamic_cast<PPDXPopupControl*>(control)) {
        value = PopupItemNumber(popup, text);
        if (value != 0 || ParseInteger(text, value)) {
            return kExitOK;
        }
        ReportError(file, keyword + " has no option " + text);
        return kExitFailed;
    }
    if (dynamic_cast<PPDXBooleanControl*>(control) != nullptr) {
        if (text == "True" || text == "False") {
            value = text == "True" ? 1 : 0;
            return kExitOK;
        }
        if (ParseInteger(text, value)) {
            return kExitOK;
        }
        ReportError(file, keyword + " takes True, False or a number, not " + text);
        return kExitUsage;
    }
    if (ParseInteger(text, value)) {
        return kExitOK;
    }
    ReportError(file, keyword + " takes a number, not " + text);
    return kExitUsage;
}

int RunConstraints(const ConstraintArgs& args) {
    ZEQPPDPtr ppd = LoadPPD(args.file, args.pcFileNames);
    if (!ppd) {
        return kExitUsage;
    }
    AllElementsVisible all;
    PPDXControl* control = FindControl(*ppd, args.keyword);
    if (control == nullptr) {
        ReportError(args.file, "no control " + args.keyword);
        return kExitFailed;
    }
    long value = 0;
    if (!args.value.empty()) {
        const int status = QueryValue(args.file, args.keyword, control, args.value, value);
        if (status != kExitOK) {
            return status;
        }
    }
    SharedConstraintRec* records = nullptr;
    long count = 0;
    if (!args.requirements) {
        count = ppd->GetConstraintList(control, value, &records);
    } else if (args.value.empty()) {
        count = ppd->GetRequiresList(control, &records);
    } else {
        // The requirement query of the model always asks for value 0 (the first item); with
        // a value given, the requirement forest is asked for that value instead.
        count = ppd->CommonGetForestList(control, value, &records, ppd->GetRequiresForest());
    }
    for (long i = 0; i < count && records != nullptr; ++i) {
        const PPDXControl* target = records[i].control;
        const unsigned item = records[i].item;
        const char* keyword = target != nullptr ? target->Keyword() : nullptr;
        std::printf("%s %u\n", keyword != nullptr ? keyword : "-", item);
    }
    if (args.requirements) {
        ppd->ReleaseRequiresList(records);
    } else {
        ppd->ReleaseConstraintList(records);
    }
    return kExitOK;
}

// Declares the FILE argument and the --pcfilename option shared by every command.
void DeclareFileOptions(CLI::App& command, std::string& file,
                        std::vector<std::string>& pcFileNames) {
    command.add_option("FILE", file, "PPD file to read")->required();
    command
        .add_option("--pcfilename", pcFileNames,
                    "Acceptable PC file name (repeatable); without any, the printer check "
                    "is skipped")
        ->allow_extra_args(false);
}

}  // namespace

// ---- command declarations

CommandRunner DeclareCheck(CLI::App& command) {
    auto args = std::make_shared<CheckArgs>();
    DeclareFileOptions(command, args->file, args->pcFileNames);
    command.footer(
        "Exit status: 0 when the PPD is valid, 1 when it is not, 2 for a usage error or a "
        "file that cannot be read.");
    return [args] { return RunCheck(*args); };
}

CommandRunner DeclareDump(CLI::App& command) {
    auto args = std::make_shared<DumpArgs>();
    DeclareFileOptions(command, args->file, args->pcFileNames);
    command.add_flag("--json", args->json, "Print one JSON object instead of the tree");
    command.footer(
        "Exit status: 0 when the file could be read (valid or not), 2 for a usage error or a "
        "file that cannot be read.");
    return [args] { return RunDump(*args); };
}

CommandRunner DeclareEmit(CLI::App& command) {
    auto args = std::make_shared<EmitArgs>();
    DeclareFileOptions(command, args->file, args->pcFileNames);
    command.add_option("KEYWORD=VALUE", args->assignments,
                       "Value to set: an option keyword for a popup, True or False for a "
                       "Boolean, an integer for a range, a text for a job note");
    command.add_flag("--only", args->only,
                     "Emit only the controls named on the command line (in model order)");
    command.footer(
        "Writes the PostScript of every control in the order of the model's control list, "
        "byte for byte.\nExit status: 0 on success, 1 for a keyword or option that the PPD "
        "does not have, 2 for a usage error or a file that cannot be read.");
    return [args] { return RunEmit(*args); };
}

CommandRunner DeclareConstraints(CLI::App& command) {
    auto args = std::make_shared<ConstraintArgs>();
    command.add_option("FILE", args->file, "PPD file to read")->required();
    command.add_option("KEYWORD", args->keyword, "Keyword of the control to query")->required();
    command.add_option("VALUE", args->value,
                       "Option keyword (popup), True or False (Boolean) or a number; 0 when "
                       "absent");
    command.add_flag("--requires", args->requirements, "Query the requirements instead");
    command
        .add_option("--pcfilename", args->pcFileNames,
                    "Acceptable PC file name (repeatable); without any, the printer check "
                    "is skipped")
        ->allow_extra_args(false);
    command.footer(
        "Prints one line per record: the target keyword (or - when no control has it), a "
        "space, and the 1-based item number (65535 for none).\nExit status: 0 on success, 1 "
        "for a keyword or option that the PPD does not have, 2 for a usage error or a file "
        "that cannot be read.");
    return [args] { return RunConstraints(*args); };
}

// ---- shared helpers

void ZEQPPDDeleter::operator()(ZEQPPD* ppd) const {
    delete ppd;
}

void ReportError(const std::string& path, const std::string& message) {
    std::fprintf(stderr, "zeqppd: %s: %s\n", path.c_str(), message.c_str());
}

ZEQPPDPtr LoadPPD(const std::string& path, const std::vector<std::string>& pcFileNames) {
    // The parser reports an unreadable file only as a parse error; the tool tells the user
    // why before parsing.
    struct stat info;
    if (::stat(path.c_str(), &info) != 0) {
        ReportError(path, std::string("cannot read file: ") + std::strerror(errno));
        return nullptr;
    }
    if (S_ISDIR(info.st_mode)) {
        ReportError(path, "cannot read file: is a directory");
        return nullptr;
    }
    std::FILE* probe = std::fopen(path.c_str(), "rb");
    if (probe == nullptr) {
        ReportError(path, std::string("cannot read file: ") + std::strerror(errno));
        return nullptr;
    }
    std::fclose(probe);

    char absolute[PATH_MAX];
    const char* location = ::realpath(path.c_str(), absolute) != nullptr ? absolute : path.c_str();
    CFURLRef url =
        CFURLCreateFromFileSystemRepresentation(nullptr, reinterpret_cast<const UInt8*>(location),
                                                static_cast<CFIndex>(std::strlen(location)), false);
    if (url == nullptr) {
        ReportError(path, "cannot read file: the path cannot be made into a URL");
        return nullptr;
    }
    CFMutableArrayRef names = nullptr;
    if (!pcFileNames.empty()) {
        names = CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks);
        for (const std::string& name : pcFileNames) {
            CFStringRef text =
                CFStringCreateWithCString(nullptr, name.c_str(), kCFStringEncodingUTF8);
            if (text != nullptr && names != nullptr) {
                CFArrayAppendValue(names, text);
            }
            if (text != nullptr) {
                CFRelease(text);
            }
        }
    }
    ZEQPPD* ppd = new (std::nothrow) ZEQPPD(url, kToolParseOptions, names);
    if (names != nullptr) {
        CFRelease(names);
    }
    CFRelease(url);
    if (ppd == nullptr) {
        ReportError(path, "out of memory");
    }
    return ZEQPPDPtr(ppd);
}

int main(int argc, char** argv) {
    CLI::App app{
        "zeqppd: reads a vendor PPD 4.3 file into the model of property pages, scroll panes, "
        "roll-downs and controls, and checks, dumps, queries or emits it.",
        "zeqppd"};
    app.require_subcommand(1);
    app.footer(
        "Run 'zeqppd COMMAND --help' for the arguments of a command.\nExit status: 0 on "
        "success, 1 for an invalid PPD (check) or a keyword or value the PPD does not have, 2 "
        "for a usage error or a file that cannot be read.");

    std::vector<std::pair<CLI::App*, CommandRunner>> runners;
    for (const ZeqppdCommand& command : kCommands) {
        CLI::App* sub = app.add_subcommand(command.name, command.help);
        runners.emplace_back(sub, command.declare(*sub));
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return kExitUsage;
    }
    for (const auto& [sub, run] : runners) {
        if (sub->parsed()) {
            return run();
        }
    }
    return kExitUsage;
}
