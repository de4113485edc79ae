// The parsed-PPD model as a JSON object and as a readable indented tree, for `zeqppd dump`.
#pragma once

#include <cstdio>
#include <string>

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

// The whole model: file, validity, main keywords, errors, property pages, groups, controls
// and shortcuts. Walks every element whatever the display options (they are set to 3 while
// it runs and restored afterwards).
nlohmann::ordered_json ModelToJson(ZEQPPD& ppd, const std::string& file);

// The file name, main keywords, validity and the error list, as indented lines.
void WriteSummaryText(FILE* out, ZEQPPD& ppd, const std::string& file);

// The summary, then the model as an indented tree: page, scroll pane, roll-down, control; then the
// groups and controls that hang below no page.
void WriteModelText(FILE* out, ZEQPPD& ppd, const std::string& file);

// JSON text with invalid UTF-8 replaced, so that any PPD can be dumped.
std::string JsonText(const nlohmann::ordered_json& value);
