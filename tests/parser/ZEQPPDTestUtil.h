// Helpers for the vendor parser tests: parse a PPD text through a temporary file, list the
// recorded errors, and read user names as UTF-8.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "PPDObjects/PPDXControl.h"
#include "PPDObjects/PPDXControls.h"
#include "PPDObjects/PPDXErrors.h"
#include "parser/ZEQPPD.h"
#include "platform/CFString.h"
#include "tests/PPDUtils/TestFiles.h"

namespace zeqtest {

// The usual head of a test PPD: version, encoding and one page with a scroll pane and the
// roll-down "VPLayout".
inline const char* kHead =
    "*PPD-Adobe: \"4.3\"\n"
    "*FormatVersion: \"4.3\"\n"
    "*LanguageVersion: English\n"
    "*LanguageEncoding: ISOLatin1\n"
    "*PCFileName: \"ZEQTEST.PPD\"\n"
    "*ModelName: \"Test Printer\"\n"
    "*%ZEQPropPage PageSetup/Page Setup: True\n"
    "*%ZEQGroupName VPLayoutPane/Layout: True\n"
    "*%ZEQParent VPLayoutPane/PageSetup: Scrollpane|True\n"
    "*%ZEQGroupName VPLayout/Layout Options: True\n"
    "*%ZEQParent VPLayout/VPLayoutPane: Rolldown|True\n";

struct PPDDeleter {
    void operator()(ZEQPPD* ppd) const { delete ppd; }
};

// A parsed PPD together with its file (kept until the model is gone).
struct Parsed {
    std::unique_ptr<TempFile> file;
    std::unique_ptr<ZEQPPD, PPDDeleter> ppd;
    ZEQPPD* operator->() const { return ppd.get(); }
};

inline Parsed Parse(const std::string& text, _PARSE_OPTIONS_ options = 3) {
    Parsed parsed;
    parsed.file = std::make_unique<TempFile>(text);
    parsed.ppd.reset(new ZEQPPD(parsed.file->Spec(), options, nullptr));
    return parsed;
}

// The recorded errors in order, as "number[!][ keyword]" joined by ", " ("!" marks a fatal
// error), so that a whole list is compared in one line.
inline std::string ErrorText(ZEQPPD* ppd) {
    std::string text;
    PPDXErrors* list = ppd->GetErrors();
    if (list == nullptr)
        return text;
    for (PPDXErrorObj* e = list->First(); e != nullptr; e = list->Next()) {
        if (!text.empty())
            text += ", ";
        text += std::to_string(e->Number());
        if (e->IsFatal())
            text += "!";
        if (e->Keyword() != nullptr)
            text += std::string(" ") + e->Keyword();
    }
    return text;
}

inline std::string Utf8(CFStringRef s) {
    if (s == nullptr)
        return "<null>";
    char buffer[1024];
    if (!CFStringGetCString(s, buffer, sizeof buffer, kCFStringEncodingUTF8))
        return "<bad>";
    return buffer;
}

// Every control in flat-list order, whatever the display options.
inline std::vector<PPDXControl*> AllControls(ZEQPPD* ppd) {
    std::vector<PPDXControl*> controls;
    if (ppd->GetControls() == nullptr)
        return controls;
    const _DISPLAY_OPTIONS_ saved = ZEQPPD::Options();
    ZEQPPD::Options(3);
    CNTL_TYPE type = kUnknownControl;
    for (PPDXControl* c = ppd->GetControls()->First(type); c != nullptr;
         c = ppd->GetControls()->Next(type))
        controls.push_back(c);
    ZEQPPD::Options(saved);
    return controls;
}

inline PPDXControl* Control(ZEQPPD* ppd, const char* keyword) {
    for (PPDXControl* c : AllControls(ppd))
        if (c->Keyword() != nullptr && std::string(c->Keyword()) == keyword)
            return c;
    return nullptr;
}

inline std::vector<std::string> Flags(PPDXControl* control) {
    std::vector<std::string> words;
    for (const char* w = control->FirstControlFlag(); w != nullptr; w = control->NextControlFlag())
        words.emplace_back(w);
    return words;
}

inline std::string KeywordOf(const PPDXElement* element) {
    return element != nullptr && element->Keyword() != nullptr ? element->Keyword() : "";
}

}  // namespace zeqtest
