// The parsed-PPD model as a JSON object and as a readable indented tree, for `zeqppd dump`.
#include "tools/ModelJson.h"

#include <algorithm>
#include <cinttypes>
#include <unordered_set>
#include <vector>

#include "PPDObjects/PPDXBooleanControl.h"
#include "PPDObjects/PPDXControl.h"
#include "PPDObjects/PPDXControls.h"
#include "PPDObjects/PPDXErrors.h"
#include "PPDObjects/PPDXFloatRangeControl.h"
#include "PPDObjects/PPDXGroup.h"
#include "PPDObjects/PPDXGroups.h"
#include "PPDObjects/PPDXJobNote.h"
#include "PPDObjects/PPDXPopupControl.h"
#include "PPDObjects/PPDXProperties.h"
#include "PPDObjects/PPDXProperty.h"
#include "PPDObjects/PPDXRangeControl.h"
#include "PPDObjects/PPDXRollDown.h"
#include "PPDObjects/PPDXScrollPane.h"
#include "PPDObjects/PPDXShortcuts.h"
#include "PPDObjects/PPDXSpecialOption.h"
#include "foundation/CString.h"
#include "parser/ZEQPPD.h"
#include "platform/CFString.h"

using json = nlohmann::ordered_json;

AllElementsVisible::AllElementsVisible() : mSaved(ZEQPPD::Options()) {
    ZEQPPD::Options(kDisplayAll);
}

AllElementsVisible::~AllElementsVisible() {
    ZEQPPD::Options(mSaved);
}

namespace {

// The shortcut collection walks only its popups; the dump lists every entry, so it reads the
// list itself through a member pointer taken in a derived class.
struct ShortcutList : PPDXShortcuts {
    static constexpr PointerList PPDXShortcuts::*kList = &ShortcutList::mShortcuts;
};

json TextOrNull(const char* text) {
    return text != nullptr ? json(text) : json(nullptr);
}

json KeywordOf(const PPDXElement* element) {
    return element != nullptr ? TextOrNull(element->Keyword()) : json(nullptr);
}

const char* Text(const char* text) {
    return text != nullptr ? text : "";
}

std::vector<PPDXControl*> AllControls(PPDXControls* controls) {
    std::vector<PPDXControl*> result;
    if (controls == nullptr) {
        return result;
    }
    CNTL_TYPE type = kUnknownControl;
    for (PPDXControl* c = controls->First(type); c != nullptr; c = controls->Next(type)) {
        result.push_back(c);
    }
    return result;
}

// The items of a group or property-page collection (First, then Next until null), in order;
// none for a null collection.
template <class Collection>
auto AllItems(Collection* items) {
    std::vector<decltype(items->First())> result;
    if (items == nullptr) {
        return result;
    }
    for (auto* item = items->First(); item != nullptr; item = items->Next()) {
        result.push_back(item);
    }
    return result;
}

const char* GroupKindName(PPDXGroup* group) {
    if (dynamic_cast<PPDXRollDown*>(group) != nullptr) {
        return "rolldown";
    }
    if (dynamic_cast<PPDXScrollPane*>(group) != nullptr) {
        return "scrollpane";
    }
    return "group";
}

json ControlFlags(PPDXControl* control) {
    json flags = json::array();
    for (const char* word = control->FirstControlFlag(); word != nullptr;
         word = control->NextControlFlag()) {
        flags.push_back(word);
    }
    return flags;
}

json ControlToJson(PPDXControl* control) {
    json c;
    c["keyword"] = KeywordOf(control);
    c["kind"] = ControlKindName(control);
    c["name"] = CFStringToUtf8(control->CFStringUserName());
    c["visible"] = control->IsVisible();
    c["parent"] = KeywordOf(control->GetParent());
    c["flags"] = ControlFlags(control);
    if (auto* b = dynamic_cast<PPDXBooleanControl*>(control)) {
        c["value"] = b->IsTrue();
        c["default"] = b->DefaultState();
        c["true_text"] = TextOrNull(b->TrueDisplayText());
        c["false_text"] = TextOrNull(b->FalseDisplayText());
    } else if (auto* p = dynamic_cast<PPDXPopupControl*>(control)) {
        c["pick_many"] = p->CanSelectMultipleItems();
        c["default"] = TextOrNull(p->GetDefaultKeyword());
        c["value"] = p->GetValue();
        json items = json::array();
        for (_PopupItem* item = p->FirstItem(); item != nullptr; item = p->NextItem()) {
            items.push_back({{"keyword", TextOrNull(item->Keyword())},
                             {"name", CFStringToUtf8(item->mUserName)},
                             {"selected", item->mSelected}});
        }
        c["items"] = std::move(items);
    } else if (auto* r = dynamic_cast<PPDXRangeControl*>(control)) {
        c["min"] = r->MinVal();
        c["max"] = r->MaxVal();
        c["increment"] = r->Increment();
        c["default"] = r->DefaultValue();
        c["value"] = r->GetValue();
    } else if (auto* f = dynamic_cast<PPDXFloatRangeControl*>(control)) {
        c["min"] = f->MinVal();
        c["max"] = f->MaxVal();
        c["increment"] = f->Increment();
        c["default"] = f->DefaultValue();
        c["value"] = f->GetValue();
    } else if (auto* n = dynamic_cast<PPDXJobNote*>(control)) {
        c["max_length"] = n->MaxLength();
        c["min_length"] = n->MinLength();
        c["note_flags"] = static_cast<uint32_t>(n->Flags());
        c["default_notes"] = TextOrNull(n->GetDefaultNotes());
        c["notes"] = TextOrNull(n->GetNotes());
    } else if (auto* s = dynamic_cast<PPDXSpecialOption*>(control)) {
        c["value"] = TextOrNull(s->GetValue());
    }
    return c;
}

json GroupToJson(PPDXGroup* group) {
    json g;
    g["keyword"] = KeywordOf(group);
    g["kind"] = GroupKindName(group);
    g["name"] = CFStringToUtf8(group->CFStringUserName());
    g["visible"] = group->IsVisible();
    g["parent"] = KeywordOf(group->GetParent());
    json controls = json::array();
    if (auto* rollDown = dynamic_cast<PPDXRollDown*>(group)) {
        for (PPDXControl* control : AllControls(rollDown->Controls())) {
            controls.push_back(KeywordOf(control));
        }
    }
    g["controls"] = std::move(controls);
    return g;
}

json PageToJson(PPDXProperty* page) {
    json p;
    p["keyword"] = KeywordOf(page);
    p["name"] = CFStringToUtf8(page->CFStringUserName());
    p["visible"] = page->IsVisible();
    p["show_in_print_props"] = page->ShowInPrintProp();
    p["show_in_app"] = page->ShowInApp();
    p["scroll_pane"] = KeywordOf(page->GetScrollDown());
    return p;
}

// The main keywords of the file in the order of the dump: (name, text or null).
std::vector<std::pair<const char*, const char*>> MainKeywords(ZEQPPD& ppd) {
    const CString* qwFileVersion = ppd.QWFileVersion();
    const CString* qwVersion = ppd.QWVersion();
    return {
        {"FormatVersion", ppd.FormatVersion()},
        {"FileVersion", ppd.FileVersion()},
        {"PCFileName", ppd.PCFileName()},
        {"LanguageVersion", ppd.LanguageVersion()},
        {"LanguageEncoding", ppd.LanguageEncoding()},
        {"ModelName", ppd.ModelName()},
        {"QWFileVersion",
         qwFileVersion != nullptr ? static_cast<const char*>(*qwFileVersion) : nullptr},
        {"QWVersion", qwVersion != nullptr ? static_cast<const char*>(*qwVersion) : nullptr},
    };
}

json ErrorsToJson(PPDXErrors* errors) {
    json list = json::array();
    if (errors == nullptr) {
        return list;
    }
    for (ConstPointerListItr it = errors->List().Begin(); it != errors->List().End(); ++it) {
        const auto* error = static_cast<const PPDXErrorObj*>(*it);
        if (error == nullptr) {
            continue;
        }
        list.push_back({{"number", error->Number()},
                        {"fatal", error->IsFatal()},
                        {"keyword", TextOrNull(error->Keyword())},
                        {"description", TextOrNull(error->Description())},
                        {"line", error->LineNumber() > 0 ? json(error->LineNumber()) : json()}});
    }
    return list;
}

// ---- text form

void Indent(FILE* out, int depth) {
    for (int i = 0; i < depth; ++i) {
        std::fputs("  ", out);
    }
}

// Quoted user name and the marks shared by every element line.
void WriteElementTail(FILE* out, PPDXElement* element) {
    std::fprintf(out, " \"%s\"", CFStringToUtf8(element->CFStringUserName()).c_str());
    if (!element->IsVisible()) {
        std::fputs(" [hidden]", out);
    }
}

void WriteControlLine(FILE* out, PPDXControl* control, int depth) {
    Indent(out, depth);
    std::fprintf(out, "%s %s", ControlKindName(control), Text(control->Keyword()));
    WriteElementTail(out, control);
    if (auto* b = dynamic_cast<PPDXBooleanControl*>(control)) {
        std::fprintf(out, " = %s (default %s)", b->IsTrue() ? "True" : "False",
                     b->DefaultState() ? "True" : "False");
    } else if (auto* p = dynamic_cast<PPDXPopupControl*>(control)) {
        const char* current = nullptr;
        if (_PopupItem* item = p->CurrentItem()) {
            current = item->Keyword();
        }
        std::fprintf(out, " = %s (default %s%s)", current != nullptr ? current : "-",
                     p->GetDefaultKeyword() != nullptr ? p->GetDefaultKeyword() : "-",
                     p->CanSelectMultipleItems() ? ", pick many" : "");
    } else if (auto* r = dynamic_cast<PPDXRangeControl*>(control)) {
        std::fprintf(out, " = %ld (%ld to %ld, step %ld, default %ld)", r->GetValue(), r->MinVal(),
                     r->MaxVal(), r->Increment(), r->DefaultValue());
    } else if (auto* f = dynamic_cast<PPDXFloatRangeControl*>(control)) {
        std::fprintf(out, " = %g (%g to %g, step %g, default %g)", f->GetValue(), f->MinVal(),
                     f->MaxVal(), f->Increment(), f->DefaultValue());
    } else if (auto* n = dynamic_cast<PPDXJobNote*>(control)) {
        if (n->GetNotes() != nullptr) {
            std::fprintf(out, " = \"%s\"", n->GetNotes());
        } else {
            std::fputs(" = (none)", out);
        }
        std::fprintf(out, " (length %ld to %ld, note flags 0x%" PRIx32 ")", n->MinLength(),
                     n->MaxLength(), static_cast<uint32_t>(n->Flags()));
    } else if (auto* s = dynamic_cast<PPDXSpecialOption*>(control)) {
        std::fprintf(out, " = \"%s\"", Text(s->GetValue()));
    }
    if (control->ControlFlagCount() > 0) {
        std::fputs(" {", out);
        const char* separator = "";
        for (const char* word = control->FirstControlFlag(); word != nullptr;
             word = control->NextControlFlag()) {
            std::fprintf(out, "%s%s", separator, word);
            separator = "|";
        }
        std::fputs("}", out);
    }
    std::fputc('\n', out);
    if (auto* p = dynamic_cast<PPDXPopupControl*>(control)) {
        long number = 1;
        for (_PopupItem* item = p->FirstItem(); item != nullptr; item = p->NextItem()) {
            Indent(out, depth + 1);
            std::fprintf(out, "%ld %s \"%s\"%s\n", number++, Text(item->Keyword()),
                         CFStringToUtf8(item->mUserName).c_str(),
                         item->mSelected ? " (selected)" : "");
        }
    }
}

void WriteGroupLine(FILE* out, PPDXGroup* group, int depth) {
    static const char* const kLabels[] = {"Roll-down", "Scroll pane", "Group"};
    const char* kind = GroupKindName(group);
    const char* label = kind[0] == 'r' ? kLabels[0] : kind[0] == 's' ? kLabels[1] : kLabels[2];
    Indent(out, depth);
    std::fprintf(out, "%s %s", label, Text(group->Keyword()));
    WriteElementTail(out, group);
    if (depth == 0 && group->GetParent() != nullptr) {
        std::fprintf(out, " (parent %s)", Text(group->GetParent()->Keyword()));
    }
    std::fputc('\n', out);
}

}  // namespace

std::string CFStringToUtf8(CFStringRef text) {
    if (text == nullptr) {
        return std::string();
    }
    const CFIndex length = CFStringGetLength(text);
    const CFIndex size = CFStringGetMaximumSizeForEncoding(length, kCFStringEncodingUTF8) + 1;
    std::string buffer(static_cast<size_t>(size > 0 ? size : 1), '\0');
    if (!CFStringGetCString(text, buffer.data(), static_cast<CFIndex>(buffer.size()),
                            kCFStringEncodingUTF8)) {
        return std::string();
    }
    buffer.resize(std::char_traits<char>::length(buffer.c_str()));
    return buffer;
}

const char* ControlKindName(PPDXControl* control) {
    if (dynamic_cast<PPDXBooleanControl*>(control) != nullptr) {
        return "boolean";
    }
    if (dynamic_cast<PPDXPopupControl*>(control) != nullptr) {
        return "popup";
    }
    if (dynamic_cast<PPDXRangeControl*>(control) != nullptr) {
        return "range";
    }
    if (dynamic_cast<PPDXFloatRangeControl*>(control) != nullptr) {
        return "floatrange";
    }
    if (dynamic_cast<PPDXJobNote*>(control) != nullptr) {
        return "jobnote";
    }
    if (dynamic_cast<PPDXSpecialOption*>(control) != nullptr) {
        return "special";
    }
    return "unknown";
}

std::vector<ReadProblem> ReadProblems(const ZEQPPD& ppd) {
    const ZEQReadStop& stop = ppd.ReadStop();
    std::vector<ReadProblem> problems;
    if (stop.nulLine > 0) {
        problems.push_back(
            {stop.nulLine, "nul-byte", "a NUL byte; the rest of the line was not read"});
    }
    switch (stop.end) {
        case PPDReadEnd::kReading:
            break;
        case PPDReadEnd::kEndOfFile:
            if (stop.statementLine > 0) {
                problems.push_back({stop.statementLine, "open-statement",
                                    "the statement that begins here is still open at the end of "
                                    "the file (a quoted value or a block without its end)"});
            }
            break;
        case PPDReadEnd::kNoLineEnd:
            problems.push_back(
                {stop.line, "no-line-end", "the last line has no line end and was not read"});
            break;
        case PPDReadEnd::kLongLine:
            problems.push_back({stop.line, "long-line",
                                "longer than 254 characters; the rest of the file was not read"});
            break;
        case PPDReadEnd::kByteFF:
            problems.push_back(
                {stop.line, "byte-ff", "a 0xFF byte; the rest of the file was not read"});
            break;
        case PPDReadEnd::kReadError:
            problems.push_back({stop.line, "read-error",
                                "the file could not be read further; the rest was not read"});
            break;
    }
    std::stable_sort(problems.begin(), problems.end(),
                     [](const ReadProblem& a, const ReadProblem& b) { return a.line < b.line; });
    return problems;
}

json ModelToJson(ZEQPPD& ppd, const std::string& file, bool printerChecked) {
    AllElementsVisible all;
    json model;
    model["file"] = file;
    model["valid_ppd"] = ppd.IsValidPPD();
    model["valid_printer_name"] = printerChecked ? json(ppd.IsValidPrinterName()) : json();

    json main = json::object();
    for (const auto& [name, value] : MainKeywords(ppd)) {
        main[name] = TextOrNull(value);
    }
    model["main"] = std::move(main);
    model["errors"] = ErrorsToJson(ppd.GetErrors());
    json problems = json::array();
    for (const ReadProblem& problem : ReadProblems(ppd)) {
        problems.push_back(
            {{"line", problem.line}, {"kind", problem.kind}, {"message", problem.message}});
    }
    model["read_problems"] = std::move(problems);

    json pages = json::array();
    for (PPDXProperty* page : AllItems(ppd.GetProperties())) {
        pages.push_back(PageToJson(page));
    }
    model["properties"] = std::move(pages);

    json groups = json::array();
    for (PPDXGroup* group : AllItems(ppd.GetGroups())) {
        groups.push_back(GroupToJson(group));
    }
    model["groups"] = std::move(groups);

    json controls = json::array();
    for (PPDXControl* control : AllControls(ppd.GetControls())) {
        controls.push_back(ControlToJson(control));
    }
    model["controls"] = std::move(controls);

    json shortcuts = json::array();
    if (PPDXShortcuts* list = ppd.GetShortcuts()) {
        const PointerList& entries = list->*ShortcutList::kList;
        for (ConstPointerListItr it = entries.Begin(); it != entries.End(); ++it) {
            shortcuts.push_back(KeywordOf(static_cast<PPDXControl*>(*it)));
        }
    }
    model["shortcuts"] = std::move(shortcuts);
    return model;
}

void WriteSummaryText(FILE* out, ZEQPPD& ppd, const std::string& file, bool printerChecked) {
    std::fprintf(out, "%s\n", file.c_str());
    for (const auto& [name, value] : MainKeywords(ppd)) {
        std::fprintf(out, "  %s: %s\n", name, value != nullptr ? value : "(none)");
    }
    const char* printer = !printerChecked ? "not checked" : ppd.IsValidPrinterName() ? "yes" : "no";
    std::fprintf(out, "  valid PPD: %s, valid printer name: %s\n", ppd.IsValidPPD() ? "yes" : "no",
                 printer);
    const json errors = ErrorsToJson(ppd.GetErrors());
    std::fprintf(out, "  errors: %zu\n", errors.size());
    for (const json& error : errors) {
        std::string line = std::to_string(error["number"].get<int>());
        line += error["fatal"].get<bool>() ? " fatal" : " non-fatal";
        if (!error["keyword"].is_null()) {
            line += ' ';
            line += error["keyword"].get<std::string>();
        }
        if (!error["line"].is_null()) {
            line += " on line " + std::to_string(error["line"].get<int>());
        }
        if (!error["description"].is_null()) {
            line += ": " + error["description"].get<std::string>();
        }
        std::fprintf(out, "    %s\n", line.c_str());
    }
    for (const ReadProblem& problem : ReadProblems(ppd)) {
        std::fprintf(out, "  not read as written: line %d: %s\n", static_cast<int>(problem.line),
                     problem.message);
    }
}

void WriteModelText(FILE* out, ZEQPPD& ppd, const std::string& file, bool printerChecked) {
    AllElementsVisible all;
    WriteSummaryText(out, ppd, file, printerChecked);

    // Page -> scroll pane -> roll-downs -> controls; what was printed is remembered so that
    // the rest can be listed afterwards.
    std::unordered_set<const void*> shown;
    for (PPDXProperty* page : AllItems(ppd.GetProperties())) {
        std::fprintf(out, "Property page %s", Text(page->Keyword()));
        WriteElementTail(out, page);
        if (!page->ShowInPrintProp()) {
            std::fputs(" [not in print properties]", out);
        }
        if (!page->ShowInApp()) {
            std::fputs(" [not in application]", out);
        }
        std::fputc('\n', out);
        PPDXScrollPane* pane = page->GetScrollDown();
        if (pane == nullptr) {
            continue;
        }
        WriteGroupLine(out, pane, 1);
        shown.insert(pane);
        for (PPDXGroup* group : AllItems(pane->RollDowns())) {
            WriteGroupLine(out, group, 2);
            shown.insert(group);
            if (auto* rollDown = dynamic_cast<PPDXRollDown*>(group)) {
                for (PPDXControl* control : AllControls(rollDown->Controls())) {
                    WriteControlLine(out, control, 3);
                    shown.insert(control);
                }
            }
        }
    }
    bool heading = false;
    for (PPDXGroup* group : AllItems(ppd.GetGroups())) {
        if (shown.count(group) != 0) {
            continue;
        }
        if (!heading) {
            std::fputs("Groups outside the pages\n", out);
            heading = true;
        }
        WriteGroupLine(out, group, 1);
        shown.insert(group);
        if (auto* rollDown = dynamic_cast<PPDXRollDown*>(group)) {
            for (PPDXControl* control : AllControls(rollDown->Controls())) {
                WriteControlLine(out, control, 2);
                shown.insert(control);
            }
        }
    }
    heading = false;
    for (PPDXControl* control : AllControls(ppd.GetControls())) {
        if (shown.count(control) != 0) {
            continue;
        }
        if (!heading) {
            std::fputs("Controls outside the roll-downs\n", out);
            heading = true;
        }
        WriteControlLine(out, control, 1);
    }
    if (PPDXShortcuts* list = ppd.GetShortcuts()) {
        const PointerList& entries = list->*ShortcutList::kList;
        if (!entries.Empty()) {
            std::fputs("Shortcuts:", out);
            for (ConstPointerListItr it = entries.Begin(); it != entries.End(); ++it) {
                const auto* control = static_cast<const PPDXControl*>(*it);
                std::fprintf(out, " %s", control != nullptr ? Text(control->Keyword()) : "-");
            }
            std::fputc('\n', out);
        }
    }
}

std::string JsonText(const json& value) {
    return value.dump(2, ' ', false, json::error_handler_t::replace);
}
