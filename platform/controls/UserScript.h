// Scripts for the simulated person: one action a line, "#" starting a comment (at the start
// of a line or after a blank). The runner knows the control actions (type, blur, click, hold,
// key, paste) and dump; the application that owns the panel adds its own actions
// (orientation, ...) and keys of the dumped state.
#pragma once

#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/controls/SimulatedUser.h"

struct ScriptError {
    int line;
    std::string message;
};
// "line 3: unknown action \"clik\"".
std::string FormatScriptError(const ScriptError& error);

// One action: its words after the action name, and the rest of the line after the action
// name with the separating blanks and the trailing blanks removed (the text of type and
// paste).
struct ScriptLine {
    int line;
    std::string action;
    std::vector<std::string> words;
    std::string rest;
};

class UserScript {
public:
    // An application action: returns "" when done, else the error message.
    using Action = std::function<std::string(const ScriptLine& line)>;
    // Adds keys to the state object that dump writes.
    using DumpHook = std::function<void(nlohmann::ordered_json& state)>;

    // The signature of the panel's control identifiers.
    static constexpr OSType kSignature = 'ImSh';
    // The names of the panel's controls in scripts (enable 4225, align 4201, ...).
    static const std::map<std::string, SInt32, std::less<>>& ControlNames();

    explicit UserScript(SimulatedUser& user);

    void AddAction(const std::string& name, Action action);
    void SetDumpHook(DumpHook hook) { mDumpHook = std::move(hook); }

    // Reads a script: its actions, or every error (unknown action or control, bad number or
    // word, text that is not UTF-8); false when there is any.
    bool Parse(std::string_view text, std::vector<ScriptLine>* lines,
               std::vector<ScriptError>* errors) const;
    // Parses, then runs the actions in order, writing each dump as one line to `out`; nothing
    // runs when the script does not parse, and the run stops at the first action that fails
    // (a control missing from the window, a hook's error). False on any error.
    bool Run(std::string_view text, std::ostream& out, std::vector<ScriptError>* errors);
    // The state that dump writes, with the hook's keys.
    nlohmann::ordered_json State() const;

private:
    std::string RunLine(const ScriptLine& line, std::ostream& out);

    SimulatedUser& mUser;
    std::map<std::string, Action, std::less<>> mActions;
    DumpHook mDumpHook;
};
