// `zeqppd constraints`: the constraints or requirements of one choice of a control, in words
// or as the model's records; and the choices of `zeqppd emit` that a constraint forbids.
#include "tools/ZeqppdConstraints.h"

#include <cstdio>
#include <memory>
#include <utility>

#include "PPDObjects/PPDXBooleanControl.h"
#include "PPDObjects/PPDXControl.h"
#include "PPDObjects/PPDXPopupControl.h"
#include "PPDUtils/CStringSoup.h"
#include "PPDUtils/KeywordTo_PPDControl.h"
#include "parser/UIConstraints.h"
#include "parser/ZEQPPD.h"
#include "tools/ModelJson.h"
#include "tools/ToolOutput.h"

namespace {

struct ConstraintArgs {
    std::string file;
    std::string keyword;
    std::string value;
    std::vector<std::string> pcFileNames;
    bool requirements = false;
    bool numbers = false;
};

// One target of a statement as the PPD wrote it; the option is "" when it names none.
struct Target {
    std::string keyword;
    std::string option;
    bool operator==(const Target& other) const {
        return keyword == other.keyword && option == other.option;
    }
};

// The pool number of a text (-1 when the pool does not hold it), and the text of a number.
long PoolNumber(const char* text) {
    return gConstraintStrings != nullptr && text != nullptr ? gConstraintStrings->Find(text) : -1;
}

const char* PoolText(long number) {
    const char* text = gConstraintStrings != nullptr ? gConstraintStrings->Find(number) : nullptr;
    return text != nullptr ? text : "";
}

// A choice that a statement naming a keyword without an option applies to: every choice but
// False, None and Off, as PPD files use such statements.
bool IsOn(const std::string& choice) {
    return choice != "False" && choice != "None" && choice != "Off";
}

// Appends the targets of the statements written for keyword number `key` with `option`.
void AppendTargets(ConstraintForest* forest, long key, const char* option,
                   std::vector<Target>& targets) {
    const long number = PoolNumber(option);
    if (forest == nullptr || key < 0 || number < 0) {
        return;
    }
    std::unique_ptr<ItemConstraintList> list(forest->GetConstraintList(key, number));
    for (unsigned long i = 0; list != nullptr && i < list->size(); ++i) {
        const std::pair<long, long> entry = (*list)[i];
        targets.push_back({PoolText(entry.first), PoolText(entry.second)});
    }
}

// The targets the statements give for `keyword` at `choice`: those written for that choice,
// then, when the choice is on, those written for the keyword without an option. A control
// that has no choices ("") has only the latter.
std::vector<Target> TargetsOf(ConstraintForest* forest, const char* keyword,
                              const std::string& choice) {
    std::vector<Target> targets;
    const long key = PoolNumber(keyword);
    AppendTargets(forest, key, choice.c_str(), targets);
    if (!choice.empty() && IsOn(choice)) {
        AppendTargets(forest, key, "", targets);
    }
    return targets;
}

// The current choices of a control: the selected items of a popup, True or False for a
// Boolean; none for the other kinds.
std::vector<std::string> Choices(PPDXControl* control) {
    std::vector<std::string> choices;
    if (auto* popup = dynamic_cast<PPDXPopupControl*>(control)) {
        for (_PopupItem* item = popup->FirstItem(); item != nullptr; item = popup->NextItem()) {
            if (item->mSelected && item->Keyword() != nullptr) {
                choices.emplace_back(item->Keyword());
            }
        }
    } else if (auto* boolean = dynamic_cast<PPDXBooleanControl*>(control)) {
        choices.emplace_back(boolean->IsTrue() ? "True" : "False");
    }
    return choices;
}

// The choice of `control` that a target option names ("" names every choice that is on);
// empty when none is chosen.
std::string ChosenMatch(PPDXControl* control, const std::string& option) {
    for (const std::string& choice : Choices(control)) {
        if (option.empty() ? IsOn(choice) : choice == option) {
            return choice;
        }
    }
    return std::string();
}

// The option text under which the model looks `control` up at query value `value`: the
// keyword of popup item `value` (the first for 1 or less; none beyond the last), True or False
// for a Boolean, "" for the other kinds. False when there is none.
bool QueryChoice(PPDXControl* control, long value, std::string& choice) {
    if (auto* popup = dynamic_cast<PPDXPopupControl*>(control)) {
        long number = 1;
        for (_PopupItem* item = popup->FirstItem(); item != nullptr; item = popup->NextItem()) {
            if (number++ >= value) {
                choice = item->Keyword() != nullptr ? item->Keyword() : "";
                return true;
            }
        }
        return false;
    }
    if (dynamic_cast<PPDXBooleanControl*>(control) != nullptr) {
        choice = value != 0 ? "True" : "False";
        return true;
    }
    choice.clear();
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

// The model's records, one line each: target keyword (- without a control) and item number.
void WriteRecords(ZEQPPD& ppd, PPDXControl* control, long value, const ConstraintArgs& args) {
    SharedConstraintRec* records = nullptr;
    long count = 0;
    if (!args.requirements) {
        count = ppd.GetConstraintList(control, value, &records);
    } else if (args.value.empty()) {
        count = ppd.GetRequiresList(control, &records);
    } else {
        // The requirement query of the model always asks for value 0 (the first item); with
        // a value given, the requirement forest is asked for that value instead.
        count = ppd.CommonGetForestList(control, value, &records, ppd.GetRequiresForest());
    }
    for (long i = 0; i < count && records != nullptr; ++i) {
        const PPDXControl* target = records[i].control;
        const unsigned item = records[i].item;
        const char* keyword = target != nullptr ? target->Keyword() : nullptr;
        std::fprintf(ToolOutput(), "%s %u\n", keyword != nullptr ? keyword : "-", item);
    }
    if (args.requirements) {
        ppd.ReleaseRequiresList(records);
    } else {
        ppd.ReleaseConstraintList(records);
    }
}

// The targets for the queried choice, each once: "KEYWORD OPTION", or "KEYWORD" for a
// statement without an option, with a remark when the PPD has no such control or option.
void WriteTargets(ZEQPPD& ppd, PPDXControl* control, long value, const ConstraintArgs& args) {
    KeywordTo_PPDControl* index = ppd.GetKeywordIndex();
    const char* keyword = index != nullptr ? index->Lookup(control) : nullptr;
    std::string choice;
    if (keyword == nullptr || !QueryChoice(control, value, choice)) {
        return;
    }
    ConstraintForest* forest =
        args.requirements ? ppd.GetRequiresForest() : ppd.GetConstraintForest();
    std::vector<Target> shown;
    for (const Target& target : TargetsOf(forest, keyword, choice)) {
        bool seen = false;
        for (const Target& earlier : shown) {
            seen = seen || earlier == target;
        }
        if (seen) {
            continue;
        }
        shown.push_back(target);
        std::string line = target.keyword;
        if (!target.option.empty()) {
            line += " " + target.option;
        }
        PPDXControl* other = index->Lookup(target.keyword.c_str());
        auto* popup = dynamic_cast<PPDXPopupControl*>(other);
        if (other == nullptr) {
            line += " (the PPD has no such control)";
        } else if (popup != nullptr && !target.option.empty() &&
                   PopupItemNumber(popup, target.option) == 0) {
            line += " (not one of its options)";
        }
        std::fprintf(ToolOutput(), "%s\n", line.c_str());
    }
}

int RunConstraints(const ConstraintArgs& args) {
    int status = kExitOK;
    ZEQPPDPtr ppd = LoadPPD(args.file, args.pcFileNames, status);
    if (!ppd) {
        return status;
    }
    AllElementsVisible all;
    PPDXControl* control = FindControl(*ppd, args.keyword);
    if (control == nullptr) {
        ReportError(args.file, "no control " + args.keyword);
        return kExitFailed;
    }
    long value = 0;
    if (!args.value.empty()) {
        status = QueryValue(args.file, args.keyword, control, args.value, value);
        if (status != kExitOK) {
            return status;
        }
    }
    if (args.numbers) {
        WriteRecords(*ppd, control, value, args);
    } else {
        WriteTargets(*ppd, control, value, args);
    }
    return kExitOK;
}

}  // namespace

std::vector<std::string> ConstraintConflicts(ZEQPPD& ppd, const std::set<PPDXControl*>& named) {
    std::vector<std::string> conflicts;
    KeywordTo_PPDControl* index = ppd.GetKeywordIndex();
    if (index == nullptr || named.empty()) {
        return conflicts;
    }
    std::set<std::pair<std::string, std::string>> reported;
    // Every control with its current choices, in the index's order: one pass over the model
    // and the statements of each choice.
    for (size_t i = 0; i < index->size(); ++i) {
        const KeywordTo_PPDControl::Entry& entry = (*index)[i];
        PPDXControl* source = entry.second;
        if (entry.first == nullptr || source == nullptr) {
            continue;
        }
        for (const std::string& choice : Choices(source)) {
            for (const Target& target : TargetsOf(ppd.GetConstraintForest(), entry.first, choice)) {
                PPDXControl* other = index->Lookup(target.keyword.c_str());
                if (other == nullptr || (named.count(source) == 0 && named.count(other) == 0)) {
                    continue;
                }
                const std::string match = ChosenMatch(other, target.option);
                if (match.empty()) {
                    continue;
                }
                std::string first = std::string(entry.first) + " " + choice;
                std::string second = target.keyword + " " + match;
                const auto key =
                    first < second ? std::make_pair(first, second) : std::make_pair(second, first);
                if (reported.insert(key).second) {
                    conflicts.push_back(first + " conflicts with " + second);
                }
            }
        }
    }
    return conflicts;
}

CommandRunner DeclareConstraints(CLI::App& command) {
    auto args = std::make_shared<ConstraintArgs>();
    DeclareFileOptions(command, args->file, args->pcFileNames);
    command.add_option("KEYWORD", args->keyword, "Keyword of the control to query")->required();
    command.add_option("VALUE", args->value,
                       "Option keyword (popup), True or False (Boolean) or a number; 0 when "
                       "absent (the first option, or False)");
    command.add_flag("--requires", args->requirements, "Query the requirements instead");
    command.add_flag("--numbers", args->numbers,
                     "Print the model's query records: keyword and item number");
    command.footer(
        "Prints, once each, the targets that the PPD's statements give for KEYWORD at VALUE: "
        "the statements written for that option, and, when it is not False, None or Off, those "
        "written for KEYWORD without an option. A line holds the target keyword and option "
        "(\"*QWDuplex DuplexTumble\"), or the keyword alone for a statement without an option."
        "\nWith --numbers, prints the records of the model's query as they are: the target "
        "keyword (or - when no control has it), a space, and the 1-based item number (65535 "
        "for none); they include the statements of KEYWORD's other options.\nExit status: 0 "
        "on success, 1 for a keyword or option that the PPD does not have, 2 for a usage error "
        "or a file that cannot be read.");
    return [args] { return RunConstraints(*args); };
}
