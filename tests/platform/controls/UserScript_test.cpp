// Tests of the simulated person's scripts: every error named with its line before anything
// runs, the control actions through the panel's events, the dumped state, and the actions and
// state keys an application adds.
#include <gtest/gtest.h>

#include <sstream>

#include "FakePanel.h"
#include "platform/controls/UserScript.h"

namespace {

std::vector<std::string> Messages(const std::vector<ScriptError>& errors) {
    std::vector<std::string> out;
    for (const ScriptError& error : errors) {
        out.push_back(FormatScriptError(error));
    }
    return out;
}

TEST(UserScript, ErrorsNameTheirLinesAndNothingRuns) {
    FakePanel panel;
    SimulatedUser user(HeadlessBackend::Default(), panel.dialog);
    UserScript script(user);
    std::vector<ScriptError> errors;
    std::ostringstream out;
    const char* text =
        "# a comment\n"
        "click align   # and another\n"
        "clik align\n"
        "click nowhere\n"
        "hold frontUp 1,5\n"
        "hold frontUp -1\n"
        "hold frontUp nan\n"
        "click units feet\n"
        "key frontX sideways\n"
        "blur now\n"
        "type 0 1\n"
        "type frontX \xc3\x28\n"
        "hold frontXStepper sideways 1\n"
        "click\n"
        "orientation portrait\n";
    EXPECT_FALSE(script.Run(text, out, &errors));
    EXPECT_EQ((std::vector<std::string>{
                  "line 3: unknown action \"clik\"",
                  "line 4: unknown control \"nowhere\"",
                  "line 5: hold: \"1,5\" is not a number of seconds from 0 to 3600",
                  "line 6: hold: \"-1\" is not a number of seconds from 0 to 3600",
                  "line 7: hold: \"nan\" is not a number of seconds from 0 to 3600",
                  "line 8: click: \"feet\" is none of up, down, points, inches, mm",
                  "line 9: key: \"sideways\" is none of up, down, left, right",
                  "line 10: blur: too many words, from \"now\"",
                  "line 11: unknown control \"0\"",
                  "line 12: type: the text is not UTF-8",
                  "line 13: hold: \"sideways\" is neither up nor down",
                  "line 14: click: words are missing",
                  "line 15: unknown action \"orientation\"",
              }),
              Messages(errors));
    EXPECT_EQ(0, GetControl32BitValue(panel.Get(4201)));  // line 2 did not run
    EXPECT_EQ("", out.str());
}

TEST(UserScript, ActionsDriveThePanelAndDumpItsState) {
    FakePanel panel;
    SimulatedUser user(HeadlessBackend::Default(), panel.dialog);
    UserScript script(user);
    std::vector<ScriptError> errors;
    std::ostringstream out;
    const char* text =
        "type frontX 1a2.5#3 # the # after a blank starts the comment\n"
        "click align\n"
        "click units mm\n"
        "click frontYStepper down\n"
        "hold frontUp 1.25\n"
        "key backY up\n"
        "paste 12,5\n"
        "blur\n"
        "dump\n";
    ASSERT_TRUE(script.Run(text, out, &errors)) << Messages(errors)[0];
    EXPECT_EQ(-1 + 9 + 1, panel.steps);
    auto state = nlohmann::ordered_json::parse(out.str());
    EXPECT_EQ((std::vector<std::string>{"controls", "alerts"}),
              (std::vector<std::string>{state.begin().key(), std::next(state.begin()).key()}));
    auto& controls = state["controls"];
    EXPECT_EQ(29u, controls.size());
    EXPECT_EQ("12.53", controls["4203"]["text"]);
    EXPECT_EQ(1, controls["4201"]["value"]);
    EXPECT_EQ(nullptr, controls["4201"]["text"]);
    EXPECT_EQ("Align front and back images", controls["4201"]["title"]);
    EXPECT_EQ(3, controls["4202"]["value"]);
    EXPECT_EQ((std::vector<int>{10, 174, 260, 194}), controls["4201"]["bounds"]);
    EXPECT_EQ(true, controls["4201"]["enabled"]);
    EXPECT_EQ("Units", controls["4224"]["text"]);
    EXPECT_EQ(nlohmann::ordered_json::array(), state["alerts"]);
    EXPECT_EQ("paste 12,5", panel.log[panel.log.size() - 2]);
    // One line, keys in the order of a control's description.
    std::string line = out.str();
    EXPECT_EQ(1, std::count(line.begin(), line.end(), '\n'));
    EXPECT_NE(std::string::npos,
              line.find("\"4201\":{\"value\":1,\"min\":0,\"max\":1,\"text\":null,"
                        "\"title\":\"Align front and back images\",\"enabled\":true,"
                        "\"visible\":true,\"bounds\":[10,174,260,194]}"));
}

TEST(UserScript, ApplicationActionsAndStateKeys) {
    FakePanel panel;
    SimulatedUser user(HeadlessBackend::Default(), panel.dialog);
    UserScript script(user);
    std::vector<std::string> seen;
    script.AddAction("orientation", [&](const ScriptLine& line) -> std::string {
        if (line.words.size() != 1 ||
            (line.words[0] != "portrait" && line.words[0] != "landscape")) {
            return "orientation: portrait or landscape";
        }
        seen.push_back(line.words[0]);
        return "";
    });
    script.SetDumpHook([](nlohmann::ordered_json& state) { state["dialog"] = {{"printed", 0}}; });
    std::vector<ScriptError> errors;
    std::ostringstream out;
    EXPECT_FALSE(
        script.Run("orientation landscape\ndump\norientation sideways\ndump\n", out, &errors));
    EXPECT_EQ((std::vector<std::string>{"landscape"}), seen);
    EXPECT_EQ((std::vector<std::string>{"line 3: orientation: portrait or landscape"}),
              Messages(errors));
    auto state = nlohmann::ordered_json::parse(out.str());  // one dump: the run stopped
    EXPECT_EQ(0, state["dialog"]["printed"]);
    EXPECT_EQ("dialog", std::prev(state.end()).key());

    // A control the window lacks, and a part the control lacks, stop the run.
    errors.clear();
    DisposeControl(panel.Get(4206));
    EXPECT_FALSE(script.Run("click 4201\ntype backY 1\nclick 4201\n", out, &errors));
    EXPECT_EQ((std::vector<std::string>{"line 2: control 4206 is not in the window"}),
              Messages(errors));
    EXPECT_EQ(1, GetControl32BitValue(panel.Get(4201)));
    errors.clear();
    EXPECT_FALSE(script.Run("click frontXStepper\n", out, &errors));
    EXPECT_FALSE(script.Run("click align up\n", out, &errors));
    EXPECT_FALSE(script.Run("hold units 1\n", out, &errors));
    EXPECT_FALSE(script.Run("key align up\n", out, &errors));
    EXPECT_EQ((std::vector<std::string>{"line 1: control 4207 is a stepper: say up or down",
                                        "line 1: control 4201 has no part \"up\"",
                                        "line 1: control 4202 is a radio group: say points, "
                                        "inches or mm",
                                        "line 1: control 4201 is not a text field"}),
              Messages(errors));
}

}  // namespace
