// zeqppd dump --json on the small PPDs of tests/data: the model each statement form gives.
#include <set>
#include <tuple>

#include "tests/tools/ToolRunner.h"

using nlohmann::json;
using Strings = std::vector<std::string>;

namespace {

std::set<std::string> Members(const json& object) {
    std::set<std::string> names;
    for (auto it = object.begin(); it != object.end(); ++it) {
        names.insert(it.key());
    }
    return names;
}

}  // namespace

TEST(ZeqppdDump, MinimalPPDHasExactlyTheDocumentedMembers) {
    const std::string file = DataFile("minimal.ppd");
    const json model = DumpJson(file);
    EXPECT_EQ(Members(model),
              (std::set<std::string>{"file", "valid_ppd", "valid_printer_name", "main", "errors",
                                     "properties", "groups", "controls", "shortcuts"}));
    EXPECT_EQ(model["file"], file);
    EXPECT_EQ(model["valid_ppd"], true);
    EXPECT_EQ(model["valid_printer_name"], true);
    EXPECT_EQ(model["main"], json({{"FormatVersion", "4.3"},
                                   {"FileVersion", "1.0"},
                                   {"PCFileName", "QWMIN.PPD"},
                                   {"LanguageVersion", "English"},
                                   {"LanguageEncoding", "ISOLatin1"},
                                   {"ModelName", "Quillwork QW Minimal"},
                                   {"QWFileVersion", "2.1"},
                                   {"QWVersion", "5.0 beta"}}));
    EXPECT_EQ(model["errors"], json::array());
    EXPECT_EQ(model["properties"], json::parse(R"([{"keyword": "VPPage", "name": "Main Page",
        "visible": true, "show_in_print_props": true, "show_in_app": true,
        "scroll_pane": "VPPane"}])"));
    EXPECT_EQ(model["groups"], json::parse(R"([
        {"keyword": "VPPane", "kind": "scrollpane", "name": "Main Pane", "visible": true,
         "parent": "VPPage", "controls": []},
        {"keyword": "VPMain", "kind": "rolldown", "name": "Basics", "visible": true,
         "parent": "VPPane", "controls": ["*QWCollate"]}])"));
    EXPECT_EQ(model["controls"], json::parse(R"([
        {"keyword": "*QWCollate", "kind": "boolean", "name": "Collate", "visible": true,
         "parent": "VPMain", "flags": ["Setup", "Spooler"], "value": true, "default": true,
         "true_text": "Collated", "false_text": "Uncollated"}])"));
    EXPECT_EQ(model["shortcuts"], json::array());
}

TEST(ZeqppdDump, HeaderRules) {
    // Version 4.2: fatal error 28 and nothing parsed.
    json model = DumpJson(DataFile("header-version.ppd"));
    EXPECT_EQ(model["valid_ppd"], false);
    EXPECT_EQ(ErrorLines(model),
              (Strings{"28 fatal -", "25 non-fatal -", "26 non-fatal -", "27 non-fatal -"}));
    EXPECT_TRUE(model["properties"].empty());
    EXPECT_TRUE(model["main"]["FormatVersion"].is_null());

    // An empty first line: no header test, statements parsed, no error, still not valid.
    model = DumpJson(DataFile("header-missing.ppd"));
    EXPECT_EQ(model["valid_ppd"], false);
    EXPECT_EQ(model["errors"], json::array());
    EXPECT_EQ(Keywords(model["controls"]), (Strings{"*QWCollate"}));
    EXPECT_EQ(model["main"]["PCFileName"], "QWNOHEAD.PPD");

    // A 254-character line is read; a 255-character line ends the parse.
    model = DumpJson(DataFile("long-line.ppd"));
    EXPECT_EQ(model["valid_ppd"], true);
    EXPECT_EQ(Keywords(model["controls"]), (Strings{"*QWBefore", "*QWBetween"}));
}

TEST(ZeqppdDump, BooleanDefaultsAndBadOptions) {
    json model = DumpJson(DataFile("boolean-default.ppd"));
    EXPECT_EQ(ErrorLines(model), (Strings{"33 non-fatal *QWNoDefault"}));
    EXPECT_EQ(model["valid_ppd"], true);
    const json falseDefault = Find(model["controls"], "*QWFalse");
    EXPECT_EQ(falseDefault["default"], false);
    EXPECT_EQ(falseDefault["value"], false);
    const json noDefault = Find(model["controls"], "*QWNoDefault");
    EXPECT_EQ(noDefault["default"], false);
    EXPECT_EQ(noDefault["parent"], "VPMain");
    const json trueWins = Find(model["controls"], "*QWTrueWins");
    EXPECT_EQ(trueWins["default"], true);
    // A later line for the same option replaces the earlier one; no False line: no text.
    EXPECT_EQ(trueWins["true_text"], "Yes Again");
    EXPECT_TRUE(trueWins["false_text"].is_null());

    model = DumpJson(DataFile("boolean-bad-option.ppd"));
    EXPECT_EQ(ErrorLines(model), (Strings{"9 non-fatal *QWMaybe"}));
    EXPECT_EQ(Keywords(model["controls"]), (Strings{"*QWAfter"}));
}

TEST(ZeqppdDump, PopupItemsDefaultsAndPickMany) {
    const json model = DumpJson(DataFile("popup.ppd"));
    EXPECT_EQ(model["errors"], json::array());
    const json quality = Find(model["controls"], "*QWQuality");
    EXPECT_EQ(quality["kind"], "popup");
    EXPECT_EQ(quality["pick_many"], false);
    EXPECT_EQ(quality["default"], "Normal");
    EXPECT_EQ(quality["value"], 2);
    EXPECT_EQ(quality["flags"], json({"Setup", "Command"}));
    EXPECT_EQ(quality["items"], json::parse(R"([
        {"keyword": "Draft", "name": "Draft", "selected": false},
        {"keyword": "Normal", "name": "Normal", "selected": true},
        {"keyword": "Best", "name": "Best Quality", "selected": false}])"));
    // Named after the *%ZEQFlags keyword, not the *OpenUI one.
    const json bins = Find(model["controls"], "*QWBins");
    EXPECT_EQ(bins["pick_many"], true);
    EXPECT_EQ(bins["name"], "Output Bins");
    EXPECT_EQ(bins["default"], "Top");
    EXPECT_EQ(bins["value"], 1);

    const json spellings = DumpJson(DataFile("spellings.ppd"));
    EXPECT_EQ(spellings["errors"], json::array());
    EXPECT_EQ(Keywords(spellings["controls"]),
              (Strings{"*QWOne", "*QWTwo", "*QWThree", "*QWFour"}));
    EXPECT_EQ(Find(spellings["controls"], "*QWThree")["pick_many"], true);
    EXPECT_EQ(Find(spellings["controls"], "*QWTwo")["value"], 2);
}

TEST(ZeqppdDump, PopupFatalErrorsStopTheParse) {
    // The loop stops at the fatal error; the missing controls are reported after it.
    json model = DumpJson(DataFile("popup-two-defaults.ppd"));
    EXPECT_EQ(ErrorLines(model), (Strings{"11 fatal *QWQuality", "27 non-fatal -"}));
    EXPECT_EQ(model["valid_ppd"], false);
    EXPECT_TRUE(model["controls"].empty());

    model = DumpJson(DataFile("popup-no-close.ppd"));
    EXPECT_EQ(ErrorLines(model), (Strings{"11 fatal *QWQuality", "27 non-fatal -"}));
    EXPECT_EQ(model["valid_ppd"], false);
}

TEST(ZeqppdDump, Ranges) {
    const json model = DumpJson(DataFile("range.ppd"));
    EXPECT_EQ(ErrorLines(model), (Strings{"35 non-fatal *QWNoCode", "7 non-fatal *QWNoDefault",
                                          "7 non-fatal *QWOtherName"}));
    EXPECT_EQ(Keywords(model["controls"]), (Strings{"*QWDarkness", "*QWGutter", "*QWNoCode"}));
    const json darkness = Find(model["controls"], "*QWDarkness");
    EXPECT_EQ(darkness["kind"], "range");
    EXPECT_EQ(darkness["min"], 0);
    EXPECT_EQ(darkness["max"], 100);
    EXPECT_EQ(darkness["increment"], 5);
    EXPECT_EQ(darkness["default"], 50);
    EXPECT_EQ(darkness["value"], 50);
    const json gutter = Find(model["controls"], "*QWGutter");
    EXPECT_EQ(gutter["min"], -7200);
    EXPECT_EQ(gutter["default"], -300);
    EXPECT_EQ(gutter["flags"], json({"Setup", "MacIS"}));
    EXPECT_EQ(Find(model["controls"], "*QWNoCode")["parent"], "VPMain");
}

TEST(ZeqppdDump, BlockJobNotes) {
    const json model = DumpJson(DataFile("jobnote-block.ppd"));
    EXPECT_EQ(ErrorLines(model), (Strings{"6 non-fatal *QWOther"}));
    const json notes1 = Find(model["controls"], "*Notes1");
    EXPECT_EQ(notes1["kind"], "jobnote");
    EXPECT_EQ(notes1["parent"], "VPQWNotes");
    EXPECT_EQ(notes1["flags"], json({"MacVJN"}));
    EXPECT_EQ(notes1["max_length"], 31);
    EXPECT_EQ(notes1["min_length"], 4);
    EXPECT_EQ(notes1["note_flags"], 0x2 | 0x400000);
    EXPECT_EQ(notes1["default_notes"], "Rush");
    EXPECT_EQ(notes1["notes"], "Rush");
    const json notes2 = Find(model["controls"], "*Notes2");
    EXPECT_EQ(notes2["min_length"], 12);
    EXPECT_EQ(notes2["note_flags"], 0x1 | 0x2000 | 0x400000);
    EXPECT_TRUE(notes2["default_notes"].is_null());
    EXPECT_TRUE(notes2["notes"].is_null());
    // MinLength followed by three digits, a letter, a digit and a letter, nothing.
    const std::vector<std::tuple<const char*, int, int>> lengths = {
        {"*QWLong", -2, 0x400000},
        {"*QWLetter", -1, 0x20 | 0x80 | 0x400000},
        {"*QWTwoChars", -3, 0x100 | 0x200000 | 0x400000},
        {"*QWBare", 0, 0x400000}};
    for (const auto& [keyword, minLength, flags] : lengths) {
        const json note = Find(model["controls"], keyword);
        EXPECT_EQ(note["min_length"], minLength) << keyword;
        EXPECT_EQ(note["note_flags"], flags) << keyword;
    }
    EXPECT_EQ(Find(model["groups"], "VPQWNotes")["controls"],
              json({"*Notes1", "*Notes2", "*QWLong", "*QWLetter", "*QWTwoChars", "*QWBare"}));
}

TEST(ZeqppdDump, StandAloneJobNotes) {
    const json model = DumpJson(DataFile("jobnote-standalone.ppd"));
    EXPECT_EQ(ErrorLines(model), (Strings{"6 non-fatal -"}));
    EXPECT_EQ(Keywords(model["controls"]), (Strings{"*Instruc", "*Notes3", "*Notes4"}));
    const json instruc = Find(model["controls"], "*Instruc");
    EXPECT_EQ(instruc["parent"], "VPQWNotes");
    EXPECT_EQ(instruc["flags"], json::array());
    EXPECT_EQ(instruc["max_length"], 127);
    EXPECT_EQ(instruc["min_length"], 0);
    // "MinLength5" is not a word of the table; "MinLength" is.
    EXPECT_EQ(instruc["note_flags"], 0x400 | 0x400000);
    EXPECT_EQ(instruc["default_notes"], "Deliver to room 12");
    EXPECT_EQ(Find(model["controls"], "*Notes3")["note_flags"], 0x1F);
    EXPECT_EQ(Find(model["controls"], "*Notes4")["note_flags"], 0x1FDBC0);
}

TEST(ZeqppdDump, LayoutStatements) {
    const json model = DumpJson(DataFile("layout.ppd"));
    EXPECT_EQ(ErrorLines(model),
              (Strings{"23 non-fatal VPPaper", "4 non-fatal -", "23 non-fatal VPMedia",
                       "12 non-fatal -", "14 non-fatal VPPlain", "14 non-fatal VPPaper",
                       "14 non-fatal VPNoPage", "15 non-fatal VPBadParent", "15 non-fatal -"}));
    EXPECT_EQ(model["properties"], json::parse(R"([
        {"keyword": "VPPaper", "name": "Paper", "visible": true, "show_in_print_props": true,
         "show_in_app": true, "scroll_pane": "VPPaperPane"},
        {"keyword": "VPOutput", "name": "Output Options", "visible": true,
         "show_in_print_props": false, "show_in_app": true, "scroll_pane": "VPEarly"},
        {"keyword": "VPNowhere", "name": "Nowhere", "visible": true,
         "show_in_print_props": false, "show_in_app": false, "scroll_pane": null},
        {"keyword": "VPService", "name": "Service", "visible": false,
         "show_in_print_props": true, "show_in_app": false, "scroll_pane": null}])"));
    // Panes and roll-downs in creation order, then the declared names that never got a
    // parent as plain groups.
    EXPECT_EQ(Keywords(model["groups"]),
              (Strings{"VPPaperPane", "VPMedia", "VPHiddenRoll", "VPEarly", "VPPlain",
                       "VPHiddenName", "VPBadParent"}));
    const json hiddenRoll = Find(model["groups"], "VPHiddenRoll");
    EXPECT_EQ(hiddenRoll["kind"], "rolldown");
    EXPECT_EQ(hiddenRoll["visible"], false);
    EXPECT_EQ(hiddenRoll["parent"], "VPPaperPane");
    const json early = Find(model["groups"], "VPEarly");
    EXPECT_EQ(early["kind"], "scrollpane");
    EXPECT_EQ(early["parent"], "VPOutput");
    const json plain = Find(model["groups"], "VPPlain");
    EXPECT_EQ(plain["kind"], "group");
    EXPECT_TRUE(plain["parent"].is_null());
    EXPECT_EQ(Find(model["groups"], "VPHiddenName")["visible"], false);
    EXPECT_EQ(Find(model["groups"], "VPMedia")["controls"], json({"*QWTray"}));
}

TEST(ZeqppdDump, ControlBlockErrors) {
    const json model = DumpJson(DataFile("control-blocks.ppd"));
    EXPECT_EQ(ErrorLines(model), (Strings{"16 non-fatal -", "16 non-fatal *QWNoOpen",
                                          "23 non-fatal *QWFirst", "5 non-fatal *QWBadGroupLine",
                                          "8 non-fatal *QWNoOption", "31 non-fatal *QWNoType",
                                          "29 non-fatal *QWOrphan", "29 non-fatal *QWInPlain"}));
    EXPECT_EQ(model["valid_ppd"], true);
    EXPECT_EQ(Keywords(model["controls"]), (Strings{"*QWFirst", "*QWOrphan", "*QWInPlain"}));
    // The first block wins over the refused second one.
    EXPECT_EQ(Find(model["controls"], "*QWFirst")["flags"], json({"Setup"}));
    EXPECT_TRUE(Find(model["controls"], "*QWOrphan")["parent"].is_null());
    EXPECT_TRUE(Find(model["controls"], "*QWInPlain")["parent"].is_null());
    // The group line created the plain group at once.
    EXPECT_EQ(Find(model["groups"], "VPPlain")["kind"], "group");
}

TEST(ZeqppdDump, Shortcuts) {
    const json model = DumpJson(DataFile("shortcuts.ppd"));
    // Refused keywords at once, unknown ones after the statement loop.
    EXPECT_EQ(ErrorLines(model),
              (Strings{"19 non-fatal *QWPigmora", "19 non-fatal *QW_PROP_LOCAL_QWLANDSCAPE",
                       "19 non-fatal *QWMissing"}));
    EXPECT_EQ(model["shortcuts"], json({"*QWDuplex", "*PageSize", "*QW_PAPER_ORIENTATION"}));
    // A refused shortcut keyword is still a usable control keyword.
    EXPECT_EQ(Find(model["controls"], "*QW_PROP_LOCAL_QWLANDSCAPE")["kind"], "boolean");
}

TEST(ZeqppdDump, InstallableOptionsAndSpecialOptions) {
    const json model = DumpJson(DataFile("installable.ppd"));
    EXPECT_EQ(model["errors"], json::array());
    EXPECT_EQ(Keywords(model["groups"]), (Strings{"VPPane", "VPMain", "InstallableOptions"}));
    const json installable = Find(model["groups"], "InstallableOptions");
    EXPECT_EQ(installable["kind"], "rolldown");
    EXPECT_EQ(installable["name"], "Options Installed");
    EXPECT_TRUE(installable["parent"].is_null());
    EXPECT_EQ(installable["controls"], json({"*QWTray3", "*QWMemory", "*QWFinisher"}));
    EXPECT_EQ(Find(model["controls"], "*QWFirmware"),
              json::parse(R"({"keyword": "*QWFirmware", "kind": "special",
                  "name": "*QWFirmware", "visible": false, "parent": null, "flags": [],
                  "value": "4.2.1 build 7"})"));
    EXPECT_EQ(Find(model["controls"], "*QWMemory")["parent"], "InstallableOptions");
    EXPECT_TRUE(Find(model["controls"], "*QWDisk")["parent"].is_null());
    EXPECT_EQ(Keywords(model["controls"]),
              (Strings{"*QWFirmware", "*QWTray3", "*QWMemory", "*QWFinisher", "*QWDisk"}));
}

TEST(ZeqppdDump, ConstraintStatementErrors) {
    const json model = DumpJson(DataFile("constraints.ppd"));
    EXPECT_EQ(ErrorLines(model), (Strings{"36 non-fatal -"}));
    EXPECT_EQ(model["valid_ppd"], true);
}

TEST(ZeqppdDump, TextTreeFollowsPagesPanesAndRollDowns) {
    const ToolResult result = RunTool({"dump", DataFile("installable.ppd")});
    ASSERT_EQ(result.status, 0) << result.err;
    const std::string& out = result.out;
    const size_t page = out.find("Property page VPPage \"Main Page\"\n");
    const size_t pane = out.find("  Scroll pane VPPane \"Main Pane\"\n");
    const size_t rollDown = out.find("    Roll-down VPMain \"Basics\"\n");
    const size_t outside = out.find("Groups outside the pages\n");
    const size_t tray =
        out.find("    boolean *QWTray3 \"Tray 3\" = False (default False) {Setup}\n");
    const size_t orphans = out.find("Controls outside the roll-downs\n");
    const size_t firmware =
        out.find("  special *QWFirmware \"*QWFirmware\" [hidden] = \"4.2.1 build 7\"\n");
    EXPECT_NE(page, std::string::npos) << out;
    EXPECT_LT(page, pane);
    EXPECT_LT(pane, rollDown);
    EXPECT_LT(rollDown, outside);
    EXPECT_LT(outside, tray);
    EXPECT_LT(tray, orphans);
    EXPECT_LT(orphans, firmware);
    EXPECT_NE(out.find("  ModelName: Quillwork QW Test\n"), std::string::npos) << out;
}
