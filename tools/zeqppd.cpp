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
#include "PPDObjects/PPDXErrors.h"
#include "PPDObjects/PPDXFloatRangeControl.h"
#include "PPDObjects/PPDXJobNote.h"
#include "PPDObjects/PPDXPopupControl.h"
#include "PPDObjects/PPDXRangeControl.h"
#include "parser/ZEQPPD.h"
#include "platform/CFArray.h"
#include "platform/CFString.h"
#include "platform/CFURL.h"
#include "tools/CacheCommand.h"
#include "tools/ModelJson.h"
#include "tools/ToolOutput.h"
#include "tools/ZeqppdCommands.h"
#include "tools/ZeqppdConstraints.h"

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

// Writes every byte of the control's PostScript to the program's output (size, then fill).
bool EmitControl(PPDXControl* control) {
    const long size = control->PostScript(nullptr);
    if (size <= 0) {
        return true;
    }
    std::vector<unsigned char> buffer(static_cast<size_t>(size));
    const long written = control->PostScript(buffer.data());
    const size_t count = static_cast<size_t>(written < size ? written : size);
    return std::fwrite(buffer.data(), 1, count, ToolOutput()) == count;
}

// Writes "line N: PROBLEM" to standard error for each read problem; true when there was one.
bool ReportReadProblems(const std::string& file, const ZEQPPD& ppd) {
    const std::vector<ReadProblem> problems = ReadProblems(ppd);
    for (const ReadProblem& problem : problems) {
        ReportError(file, "line " + std::to_string(problem.line) + ": " + problem.message);
    }
    return !problems.empty();
}

// ---- check

struct CheckArgs {
    std::string file;
    std::vector<std::string> pcFileNames;
};

int RunCheck(const CheckArgs& args) {
    int status = kExitOK;
    ZEQPPDPtr ppd = LoadPPD(args.file, args.pcFileNames, status);
    if (!ppd) {
        return status;
    }
    WriteSummaryText(ToolOutput(), *ppd, args.file, !args.pcFileNames.empty());
    if (!ppd->IsValidPPD()) {
        ReportError(args.file, "not a valid PPD: " + InvalidReason(*ppd));
        status = kExitFailed;
    }
    // A file that was not read as written is not what the printer would be described by.
    if (ReportReadProblems(args.file, *ppd)) {
        status = kExitFailed;
    }
    return status;
}

// ---- dump

struct DumpArgs {
    std::string file;
    std::vector<std::string> pcFileNames;
    bool json = false;
};

int RunDump(const DumpArgs& args) {
    int status = kExitOK;
    ZEQPPDPtr ppd = LoadPPD(args.file, args.pcFileNames, status);
    if (!ppd) {
        return status;
    }
    const bool printerChecked = !args.pcFileNames.empty();
    if (args.json) {
        const std::string text = JsonText(ModelToJson(*ppd, args.file, printerChecked));
        std::fwrite(text.data(), 1, text.size(), ToolOutput());
        std::fputc('\n', ToolOutput());
    } else {
        WriteModelText(ToolOutput(), *ppd, args.file, printerChecked);
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

// Characters of UTF-8 text (bytes that do not continue a sequence).
long CharacterCount(const std::string& text) {
    long count = 0;
    for (unsigned char c : text) {
        count += (c & 0xC0) != 0x80 ? 1 : 0;
    }
    return count;
}

// A job note's text as a person typed it: one line, within the note's length limits (a limit
// of 0 or below, which the PPD did not give or gave in a malformed word, limits nothing).
// Returns an empty text when it is acceptable, otherwise why not.
std::string JobNoteProblem(PPDXJobNote* note, const std::string& keyword, const std::string& text) {
    if (text.find_first_of("\r\n") != std::string::npos) {
        return keyword + " takes one line of text; the value holds a line break";
    }
    const long length = CharacterCount(text);
    const long most = note->MaxLength();
    const long least = note->MinLength();
    if ((most > 0 && length > most) || (least > 0 && length < least)) {
        std::string limits;
        if (most > 0 && least > 0) {
            limits = std::to_string(least) + " to " + std::to_string(most);
        } else if (most > 0) {
            limits = "at most " + std::to_string(most);
        } else {
            limits = "at least " + std::to_string(least);
        }
        return keyword + " takes " + limits + " characters, not " + std::to_string(length);
    }
    return std::string();
}

// Gives `control` the value written in `value`; returns the exit status of a failure, or
// kExitOK. Values the PPD does not allow are refused rather than clamped; a range value that
// is not a multiple of the increment is rounded as the model does, with a note.
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
        if (number < range->MinVal() || number > range->MaxVal()) {
            ReportError(file, keyword + " takes " + std::to_string(range->MinVal()) + " to " +
                                  std::to_string(range->MaxVal()) + ", not " + value);
            return kExitFailed;
        }
        range->SetValue(number);
        if (range->GetValue() != number) {
            ReportError(file, "note: " + keyword + " moves in steps of " +
                                  std::to_string(range->Increment()) + "; " + value +
                                  " is taken as " + std::to_string(range->GetValue()));
        }
        return kExitOK;
    }
    if (auto* floatRange = dynamic_cast<PPDXFloatRangeControl*>(control)) {
        char* end = nullptr;
        const float number = std::strtof(value.c_str(), &end);
        if (value.empty() || *end != '\0') {
            ReportError(file, keyword + " takes a number, not " + value);
            return kExitUsage;
        }
        if (!(number >= floatRange->MinVal() && number <= floatRange->MaxVal())) {
            char limits[96];
            std::snprintf(limits, sizeof limits, " takes %g to %g, not ",
                          static_cast<double>(floatRange->MinVal()),
                          static_cast<double>(floatRange->MaxVal()));
            ReportError(file, keyword + limits + value);
            return kExitFailed;
        }
        floatRange->SetValue(number);
        return kExitOK;
    }
    if (auto* note = dynamic_cast<PPDXJobNote*>(control)) {
        const std::string problem = JobNoteProblem(note, keyword, value);
        if (!problem.empty()) {
            ReportError(file, problem);
            return kExitFailed;
        }
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
    int status = kExitOK;
    ZEQPPDPtr ppd = LoadPPD(args.file, args.pcFileNames, status);
    if (!ppd) {
        return status;
    }
    AllElementsVisible all;
    std::set<PPDXControl*> named;
    for (const auto& [keyword, value] : assignments) {
        PPDXControl* control = FindControl(*ppd, keyword);
        if (control == nullptr) {
            ReportError(args.file, "no control " + keyword);
            return kExitFailed;
        }
        status = SetControlValue(args.file, keyword, control, value);
        if (status != kExitOK) {
            return status;
        }
        named.insert(control);
    }
    // Choices the PPD's constraints forbid are reported; the PostScript is written all the same.
    for (const std::string& conflict : ConstraintConflicts(*ppd, named)) {
        ReportError(args.file, "warning: " + conflict);
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
    if (std::fflush(ToolOutput()) != 0) {
        ReportError(args.file, std::string("cannot write the PostScript: ") + std::strerror(errno));
        return kExitFailed;
    }
    return kExitOK;
}

}  // namespace

void DeclareFileOptions(CLI::App& command, std::string& file,
                        std::vector<std::string>& pcFileNames) {
    command.add_option("FILE", file, "PPD file to read")->required();
    command
        .add_option("--pcfilename", pcFileNames,
                    "Acceptable PC file name (repeatable); without any, the printer check "
                    "is skipped")
        ->allow_extra_args(false);
}

// ---- command declarations

CommandRunner DeclareCheck(CLI::App& command) {
    auto args = std::make_shared<CheckArgs>();
    DeclareFileOptions(command, args->file, args->pcFileNames);
    command.footer(
        "Prints the main keywords, the validity and the errors, each with the line it was "
        "found at; a file that was not read as written (a line of 255 or more characters, a "
        "0xFF or NUL byte, a statement open at the end) is reported with its line.\nExit "
        "status: 0 when the PPD is valid and was read to its end, 1 when it is not valid, was "
        "not read as written or its PC file name is not one of those given, 2 for a usage "
        "error or a file that cannot be read.");
    return [args] { return RunCheck(*args); };
}

CommandRunner DeclareDump(CLI::App& command) {
    auto args = std::make_shared<DumpArgs>();
    DeclareFileOptions(command, args->file, args->pcFileNames);
    command.add_flag("--json", args->json, "Print one JSON object instead of the tree");
    command.footer(
        "Exit status: 0 when the file could be read (valid or not), 1 when its PC file name is "
        "not one of those given, 2 for a usage error or a file that cannot be read.");
    return [args] { return RunDump(*args); };
}

CommandRunner DeclareEmit(CLI::App& command) {
    auto args = std::make_shared<EmitArgs>();
    DeclareFileOptions(command, args->file, args->pcFileNames);
    command.add_option("KEYWORD=VALUE", args->assignments,
                       "Value to set: an option keyword for a popup, True or False for a "
                       "Boolean, a number within the range for a range, one line of text "
                       "within the length limits for a job note");
    command.add_flag("--only", args->only,
                     "Emit only the controls named on the command line (in model order)");
    command.footer(
        "Writes the PostScript of every control in the order of the model's control list, "
        "byte for byte. Choices that a UI constraint of the PPD forbids are reported on "
        "standard error; the PostScript is written all the same.\nExit status: 0 on success, "
        "1 for a keyword or option that the PPD does not have or a value it does not allow "
        "(outside a range, a job note of several lines or outside its length limits), 2 for a "
        "usage error or a file that cannot be read.");
    return [args] { return RunEmit(*args); };
}

// ---- shared helpers

namespace {

// The first recorded error that `match` accepts, or null.
template <class Match>
const PPDXErrorObj* FindError(ZEQPPD& ppd, Match match) {
    PPDXErrors* errors = ppd.GetErrors();
    if (errors == nullptr) {
        return nullptr;
    }
    for (ConstPointerListItr it = errors->List().Begin(); it != errors->List().End(); ++it) {
        const auto* error = static_cast<const PPDXErrorObj*>(*it);
        if (error != nullptr && match(*error)) {
            return error;
        }
    }
    return nullptr;
}

}  // namespace

std::string InvalidReason(ZEQPPD& ppd) {
    const PPDXErrorObj* error =
        FindError(ppd, [](const PPDXErrorObj& candidate) { return candidate.IsFatal(); });
    if (error == nullptr) {
        return "the file does not begin with the *PPD-Adobe: \"4.3\" header";
    }
    std::string reason = "error " + std::to_string(error->Number());
    if (error->LineNumber() > 0) {
        reason += " on line " + std::to_string(error->LineNumber());
    }
    if (error->Description() != nullptr) {
        reason += std::string(": ") + error->Description();
    }
    return reason;
}

void ZEQPPDDeleter::operator()(ZEQPPD* ppd) const {
    delete ppd;
}

void ReportError(const std::string& path, const std::string& message) {
    std::fprintf(stderr, "zeqppd: %s: %s\n", path.c_str(), message.c_str());
}

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

ZEQPPDPtr LoadPPD(const std::string& path, const std::vector<std::string>& pcFileNames,
                  int& status) {
    // The parser reports an unreadable file only as a parse error; the tool tells the user
    // why before parsing.
    status = kExitUsage;
    struct stat info;
    if (::stat(path.c_str(), &info) != 0) {
        ReportError(path, std::string("cannot read file: ") + std::strerror(errno));
        return nullptr;
    }
    if (S_ISDIR(info.st_mode)) {
        ReportError(path, "cannot read file: is a directory");
        return nullptr;
    }
    if (S_ISREG(info.st_mode) && info.st_size == 0) {
        ReportError(path, "cannot read file: the file is empty");
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
    ZEQPPDPtr model(ppd);
    if (!model) {
        ReportError(path, "out of memory");
        status = kExitFailed;
        return nullptr;
    }
    if (!model->IsValidPrinterName()) {
        std::string list;
        for (const std::string& name : pcFileNames) {
            list += (list.empty() ? "" : ", ") + name;
        }
        ReportError(path, "the PC file name is not one of " + list + "; the PPD was not read");
        status = kExitFailed;
        return nullptr;
    }
    // Error 18: the parser could not open or read the file after all.
    if (FindError(*model, [](const PPDXErrorObj& error) { return error == 18; }) != nullptr) {
        ReportError(path, "cannot read file: the parser could not read it");
        return nullptr;
    }
    status = kExitOK;
    return model;
}

namespace {

// CLI11 takes a word that names no command for a missing command; such a word is named here.
// Returns true, having reported it, when the command line holds one.
bool ReportUnknownCommand(const CLI::App& app, int argc, char** argv) {
    const CLI::App* level = &app;
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        const auto commands = level->get_subcommands(std::function<bool(const CLI::App*)>());
        if (word.empty() || word[0] == '-' || commands.empty()) {
            return false;
        }
        const CLI::App* next = nullptr;
        std::string names;
        for (const CLI::App* command : commands) {
            names += (names.empty() ? "" : ", ") + command->get_name();
            if (command->get_name() == word) {
                next = command;
            }
        }
        if (next == nullptr) {
            std::fprintf(stderr, "zeqppd: unknown command '%s' (the commands%s are %s)\n",
                         word.c_str(), level == &app ? "" : (" of " + level->get_name()).c_str(),
                         names.c_str());
            return true;
        }
        level = next;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{
        "zeqppd: reads a vendor PPD 4.3 file into the model of property pages, scroll panes, "
        "roll-downs and controls, and checks, dumps, queries or emits it.",
        "zeqppd"};
    app.require_subcommand(1);
    app.set_version_flag("--version", "zeqppd " ZEQ_VERSION);
    app.footer(
        "Run 'zeqppd COMMAND --help' for the arguments of a command.\nExit status: 0 on "
        "success; 1 for an invalid PPD or one not read as written (check), a PC file name not "
        "among those given, a keyword or value the PPD does not have or allow, or a cache that "
        "cannot be saved or used; 2 for a usage error or a file that cannot be read.");

    std::vector<std::pair<CLI::App*, CommandRunner>> runners;
    for (const ZeqppdCommand& command : kCommands) {
        CLI::App* sub = app.add_subcommand(command.name, command.help);
        runners.emplace_back(sub, command.declare(*sub));
    }
    if (ReportUnknownCommand(app, argc, argv)) {
        return kExitUsage;
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // Help and version exit 0; every other parse error is a usage error.
        return app.exit(e) == 0 ? kExitOK : kExitUsage;
    }
    // From here on the library runs: what it prints goes to standard error.
    SeparateLibraryOutput();
    for (const auto& [sub, run] : runners) {
        if (sub->parsed()) {
            return run();
        }
    }
    return kExitUsage;
}
