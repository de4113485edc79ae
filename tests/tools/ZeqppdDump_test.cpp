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
    EXPECT_EQ(
        Members(model),
        (std::set<std::string>{"file", "valid_ppd", "valid_printer_name", "main", "errors",
                               "read_problems", "properties", "groups", "controls", "shortcuts"}));
    EXPECT_EQ(model["file"], file);
    EXPECT_EQ(model["valid_ppd"], true);
    // Without PC file names the printer name is not checked.
    EXPECT_EQ(model["valid_printer_name"], nullptr);
    EXPECT_EQ(model["main"], json({{"FormatVersion", "4.3"},
                                   {"FileVersion", "1.0"},
                                   {"PCFileName", "QWMIN.PPD"},
                                   {"LanguageVersion", "English"},
                                   {"LanguageEncoding", "ISOLatin1"},
                                   {"ModelName", "Quillwork QW Minimal"},
                                   {"QWFileVersion", "2.1"},
                                   {"QWVersion", "5.0 beta"}}));
    EXPECT_EQ(model["errors"], json::array());
    EXPECT_EQ(model["read_problems"], json::array());
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
