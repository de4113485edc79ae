// The parsed-PPD model as a JSON object and as a readable indented tree, for `zeqppd dump`.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "PPDObjects/PPDXTypes.h"
#include "platform/CFBase.h"

class ZEQPPD;
class PPDXControl;

// Sets the process-wide display options to 3 for the lifetime of the object, so that walks and
// look-ups over the containers see every element whatever its parent and visibility, and puts
// the old value back.
class AllElementsVisible {
public:
    AllElementsVisible();
    ~AllElementsVisible();
    AllElementsVisible(const AllElementsVisible&) = delete;
    AllElementsVisible& operator=(const AllElementsVisible&) = delete;

private:
    _DISPLAY_OPTIONS_ mSaved;
};

// UTF-8 text of a Core Foundation string; "" for null.
std::string CFStringToUtf8(CFStringRef text);

// The control's kind word: "boolean", "popup", "range", "floatrange", "jobnote", "special",
// or "unknown".
const char* ControlKindName(PPDXControl* control);

// A place where the file was not read as written: reading stopped before its end, the end cut
// a statement off, or a NUL byte cut a line short.
struct ReadProblem {
    int32_t line;
    const char* kind;     // "long-line", "byte-ff", "no-line-end", "read-error", "open-statement"
                          // or "nul-byte"
    const char* message;  // "longer than 254 characters; the rest of the file was not read"
};

// The read problems of a parsed model, by line.
std::vector<ReadProblem> ReadProblems(const ZEQPPD& ppd);

// The whole model: file, validity, main keywords, errors, read problems, property pages,
// groups, controls and shortcuts. Walks every element whatever the display options (they are
// set to 3 while it runs and restored afterwards). `printerChecked`: PC file names were given,
// so the printer-name check means something (otherwise "valid_printer_name" is null).
nlohmann::ordered_json ModelToJson(ZEQPPD& ppd, const std::string& file,
                                   bool printerChecked = false);

// The file name, main keywords, validity, the error list (each error with its line) and the
// read problems, as indented lines.
void WriteSummaryText(FILE* out, ZEQPPD& ppd, const std::string& file, bool printerChecked);

// The summary, then the model as an indented tree: page, scroll pane, roll-down, control; then the
// groups and controls that hang below no page.
void WriteModelText(FILE* out, ZEQPPD& ppd, const std::string& file, bool printerChecked);

// JSON text with invalid UTF-8 replaced, so that any PPD can be dumped.
std::string JsonText(const nlohmann::ordered_json& value);
