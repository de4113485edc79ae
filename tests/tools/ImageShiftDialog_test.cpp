// imageshift-dialog run as a person runs it: scripts over the PPDs of tests/data/dialog, the
// JSON it writes (panel, summary, print settings, job ticket), what the print settings keep
// for the next run, declined printers and usage errors.
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <regex>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "tests/platform/TempFolder.h"
#include "tests/tools/ToolRunner.h"

namespace {

using nlohmann::json;

#define kBundleID "com.vorel.print.pde.4B7D2E91-6C3A-11DB-9F05-00A0C9D4E2B7.ImSh"
const std::string kJobTicketKey = "ZEQ.PSData." kBundleID;
const std::string kCacheKey = kBundleID;
const std::string kSettingPrefix = "com.vorel.imageshift.";

std::string Printer(const std::string& name) {
    return std::string(ZEQ_TEST_DATA) + "/dialog/" + name;
}

// An entry of the job ticket: its site and its bytes.
json Entry(int site, const std::string& text) {
    return json::array({site, text});
}
json Feature(const std::string& keyword, const std::string& option, const std::string& code) {
    return Entry(81,
                 "%%BeginFeature: " + keyword + " " + option + "\n" + code + "\n%%EndFeature\n");
}

class ImageShiftDialog : public ::testing::Test {
protected:
    // Every job-ticket file a run names is removed at the end.
    void TearDown() override {
        std::error_code ignored;
        for (const std::string& path : mTickets)
            std::filesystem::remove(path, ignored);
    }

    // The script comes on standard input unless the arguments name a script file.
    ToolResult Run(std::vector<std::string> args, const std::string& script) {
        if (std::find(args.begin(), args.end(), "--script") == args.end())
            args.insert(args.end(), {"--script", "-"});
        ToolResult result = RunProgram(DIALOG_PATH, args, script);
        static const std::regex kTicket("/tmp/Vorel\\.temp[0-9]+");
        for (std::sregex_iterator it(result.out.begin(), result.out.end(), kTicket), end; it != end;
             ++it)
            mTickets.insert(it->str());
        return result;
    }

    // The JSON objects a --json run wrote, one a line (its dumps, then the final state).
    std::vector<json> States(std::vector<std::string> args, const std::string& script,
                             int expectedStatus = 0) {
        args.push_back("--json");
        const ToolResult result = Run(args, script);
        EXPECT_EQ(result.status, expectedStatus) << result.err;
        std::vector<json> states;
        std::istringstream lines(result.out);
        for (std::string line; std::getline(lines, line);) {
            states.push_back(json::parse(line, nullptr, false));
            EXPECT_FALSE(states.back().is_discarded()) << line;
        }
        if (states.empty())
            states.push_back(json::object());
        return states;
    }
    json Final(const std::vector<std::string>& args, const std::string& script,
               int expectedStatus = 0) {
        return States(args, script, expectedStatus).back();
    }

    json Entries(const std::string& ppd, const std::string& script) {
        const json state = Final({"--ppd", Printer(ppd)}, script);
        if (!state["jobTicket"].is_object()) {
            ADD_FAILURE() << "no job ticket for: " << script;
            return json::array();
        }
        return state["jobTicket"]["entries"];
    }

    std::string Settings() const { return mFolder.Path() + "/settings.xml"; }

    TempFolder mFolder;
    std::set<std::string> mTickets;
};

TEST_F(ImageShiftDialog, JobTicketEntriesForEnableAndAlign) {
    const std::string offsets =
        "type frontX 10\ntype frontY -5\ntype backX 3\ntype backY 2\nblur\n";
    const json flagOn = Feature("*QWImageFlag", "True", "/isOn true def");
    const json flagOff = Feature("*QWImageFlag", "False", "/isOn false def");
    const json points = Feature("*QWImageUnit", "Points", "/isUnit /Points def");
    const json alignOn = Feature("*QWImageAlign", "True", "/isAlign true def");
    const json alignOff = Feature("*QWImageAlign", "False", "/isAlign false def");
    const json frontX = Feature("*QWImageFrontX", "1000", "/isFX 1000 def");
    // -5 points: -500 + 0.5 truncated toward zero.
    const json frontY = Feature("*QWImageFrontY", "-499", "/isFY -499 def");

    // Image shift on (the PPD's default), not aligned: every control, the four offsets last.
    EXPECT_EQ(Entries("QW4350.ppd", offsets + "print\n"),
              json::array({Entry(-9, "*QWImageFlag"), flagOn, Entry(-9, "*QWImageUnit"), points,
                           Entry(-9, "*QWImageAlign"), alignOff, frontX, frontY,
                           Feature("*QWImageBackX", "300", "/isBX 300 def"),
                           Feature("*QWImageBackY", "200", "/isBY 200 def")}));
    // Aligned: the back follows the front, only the front offsets go out.
    EXPECT_EQ(Entries("QW4350.ppd", offsets + "click align\nprint\n"),
              json::array({Entry(-9, "*QWImageFlag"), flagOn, Entry(-9, "*QWImageUnit"), points,
                           Entry(-9, "*QWImageAlign"), alignOn, frontX, frontY}));
    // Switched off, aligned or not: the flag and the units only.
    const json off =
        json::array({Entry(-9, "*QWImageFlag"), flagOff, Entry(-9, "*QWImageUnit"), points});
    EXPECT_EQ(Entries("QW4350.ppd", offsets + "click enable\nprint\n"), off);
    EXPECT_EQ(Entries("QW4350.ppd", offsets + "click align\nclick enable\nprint\n"), off);

    // Without the enable control the feature cannot be switched off: no flag, no units, the
    // alignment and the offsets, here typed in the PPD's millimetres.
    EXPECT_EQ(Entries("QW5200-noflag.ppd", "type frontX 3\ntype frontY -2.5\nblur\nprint\n"),
              json::array({Entry(-9, "*QWImageAlign"), alignOff,
                           Feature("*QWImageFrontX", "850", "/isFX 850 def"),
                           Feature("*QWImageFrontY", "-708", "/isFY -708 def"),
                           Feature("*QWImageBackX", "0", "/isBX 0 def"),
                           Feature("*QWImageBackY", "0", "/isBY 0 def")}));
}

TEST_F(ImageShiftDialog, SevenSettingsAndTheSummary) {
    const json state =
        Final({"--ppd", Printer("QW4350.ppd")},
              "click units mm\ntype frontX 3\ntype frontY -2.5\ntype backX 1.5\nblur\nprint\n");
    EXPECT_EQ(state["active"], true);
    const json& settings = state["printSettings"];
    json mine = json::object();
    for (const auto& [key, value] : settings.items())
        if (key.rfind(kSettingPrefix, 0) == 0)
            mine[key.substr(kSettingPrefix.size())] = value;
    EXPECT_EQ(mine, json({{"ImageFlag", 1},
                          {"FrontBackAlign", 0},
                          {"Units", 3},
                          {"frontX", " 3.00"},
                          {"frontY", "-2.50"},
                          {"backX", " 1.50"},
                          {"backY", " 0.00"}}));
    // The job ticket's path, and the parsed PPD as data (base64 of an XML property list).
    ASSERT_TRUE(state["jobTicket"].is_object());
    EXPECT_EQ(settings[kJobTicketKey], state["jobTicket"]["path"]);
    EXPECT_TRUE(std::regex_match(state["jobTicket"]["path"].get<std::string>(),
                                 std::regex("/tmp/Vorel\\.temp[0-9]{1,5}")));
    ASSERT_TRUE(settings[kCacheKey].is_string());
    EXPECT_EQ(settings[kCacheKey].get<std::string>().rfind("PD94bWwg", 0), 0u);  // "<?xml "

    EXPECT_EQ(state["summary"], json::array({json::array({"Enable Image Shift", "Yes"}),
                                             json::array({"Front X Offset", " 3.00  Millimeters"}),
                                             json::array({"Front Y Offset", "-2.50  Millimeters"}),
                                             json::array({"Back X Offset", " 1.50  Millimeters"}),
                                             json::array({"Back Y Offset", " 0.00  Millimeters"}),
                                             json::array({"Align front and back images", "No"})}));

    // Without "*QWImageFlag" there are five lines, from "Front X Offset".
    const json noFlag = Final({"--ppd", Printer("QW5200-noflag.ppd")}, "print\n");
    ASSERT_EQ(noFlag["summary"].size(), 5u);
    EXPECT_EQ(noFlag["summary"][0], json({"Front X Offset", " 0.00  Millimeters"}));
    EXPECT_EQ(noFlag["summary"][4], json({"Align front and back images", "No"}));
    EXPECT_EQ(noFlag["printSettings"].count(kSettingPrefix + "ImageFlag"), 1u);
}

TEST_F(ImageShiftDialog, PrintRefusedOnAnInvalidValueThenAccepted) {
    // 100 points is beyond the front range of 72: the click on Print is swallowed with an
    // alert and the dialog stays open; with a valid value it prints.
    const std::vector<json> states = States(
        {"--ppd", Printer("QW4350.ppd")}, "type frontX 100\nprint\ndump\ntype frontX 50\nprint\n");
    ASSERT_EQ(states.size(), 2u);
    EXPECT_EQ(states[0]["alerts"], json({"Image Shift:Value is out of range."}));
    EXPECT_TRUE(states[0]["jobTicket"].is_null());
    EXPECT_EQ(states[0]["printSettings"], json::object());
    const json& printed = states[1];
    ASSERT_TRUE(printed["jobTicket"].is_object());
    const json& entries = printed["jobTicket"]["entries"];
    ASSERT_EQ(entries.size(), 10u);
    EXPECT_EQ(entries[6], Feature("*QWImageFrontX", "5000", "/isFX 5000 def"));
    EXPECT_EQ(printed["summary"][1], json({"Front X Offset", "50.00  Points"}));

    // A script that ends without printing cancels: nothing is written.
    const ToolResult cancelled = Run({"--ppd", Printer("QW4350.ppd")}, "type frontX 5\n");
    EXPECT_EQ(cancelled.status, 0) << cancelled.err;
    EXPECT_NE(cancelled.out.find("Cancelled."), std::string::npos) << cancelled.out;
    EXPECT_EQ(cancelled.out.find("Job ticket"), std::string::npos) << cancelled.out;
}

TEST_F(ImageShiftDialog, SettingsKeepValuesAndTheParsedPPD) {
    const std::string ppd = mFolder.Path() + "/QW4350.ppd";
    std::filesystem::copy_file(Printer("QW4350.ppd"), ppd);
    const std::vector<std::string> args = {"--ppd", ppd, "--settings", Settings()};

    json first = Final(args, "click units inches\ntype frontX 0.5\nblur\nprint\n");
    EXPECT_EQ(first["restoredFromCache"], false);
    ASSERT_TRUE(std::filesystem::exists(Settings()));

    // The second run rebuilds the PPD from the print settings and shows the saved values;
    // typing and then reloading goes back to them.
    const std::vector<json> second = States(args, "dump\ntype frontX 0.25\nreload\ndump\nprint\n");
    ASSERT_EQ(second.size(), 3u);
    for (const json& state : second) {
        EXPECT_EQ(state["restoredFromCache"], true);
        EXPECT_EQ(state["controls"]["4203"]["text"], " 0.50");
        EXPECT_EQ(state["controls"]["4202"]["value"], 2);
    }
    EXPECT_EQ(second[2]["jobTicket"]["entries"][6],
              Feature("*QWImageFrontX", "3600", "/isFX 3600 def"));

    // A PPD touched or changed since is parsed again, with the saved values kept.
    auto expectParsedThenCached = [&](const char* what) {
        SCOPED_TRACE(what);
        const json parsed = Final(args, "print\n");
        EXPECT_EQ(parsed["restoredFromCache"], false);
        EXPECT_EQ(parsed["summary"][1], json({"Front X Offset", " 0.50  Inches"}));
        EXPECT_EQ(Final(args, "cancel\n")["restoredFromCache"], true);
    };
    std::filesystem::last_write_time(
        ppd, std::filesystem::last_write_time(ppd) + std::chrono::seconds(5));
    expectParsedThenCached("touched");
    std::ofstream(ppd, std::ios::app) << "*% a line more\n";
    expectParsedThenCached("changed");

    // A damaged cache item: the first half of its data only.
    std::string text = ReadWholeFile(Settings());
    const size_t key = text.find("<key>" + kCacheKey + "</key>");
    ASSERT_NE(key, std::string::npos);
    const size_t data = text.find("<data>", key) + 6;
    const size_t end = text.find("</data>", data);
    text.erase(data + (end - data) / 2, (end - data) / 2);
    std::ofstream(Settings(), std::ios::trunc) << text;
    expectParsedThenCached("damaged cache");

    // A settings file that is none: reported, and the run starts from empty settings.
    std::ofstream(Settings(), std::ios::trunc) << "<plist><dict><key>x</key>";
    const ToolResult damaged = Run({"--ppd", ppd, "--settings", Settings(), "--json"}, "print\n");
    EXPECT_EQ(damaged.status, 0);
    EXPECT_NE(damaged.err.find("not a print settings file"), std::string::npos) << damaged.err;
    const json fresh = json::parse(damaged.out, nullptr, false);
    EXPECT_EQ(fresh["restoredFromCache"], false);
    EXPECT_EQ(fresh["summary"][1], json({"Front X Offset", " 0.00  Points"}));
}

TEST_F(ImageShiftDialog, DeclinedPrinters) {
    const std::string script = "click enable\ntype frontX 5\nblur\nprint\n";
    Final({"--ppd", Printer("QW4350.ppd"), "--settings", Settings()}, script);
    ASSERT_NE(ReadWholeFile(Settings()).find(kJobTicketKey), std::string::npos);

    // A PC file name missing from PrinterList.plist: the job ticket of the earlier printer is
    // withdrawn from the print settings, the person is told why, the panel is never shown.
    const ToolResult unlisted =
        Run({"--ppd", Printer("QW9999-unlisted.ppd"), "--settings", Settings()}, script);
    EXPECT_EQ(unlisted.status, 1) << unlisted.err;
    EXPECT_NE(unlisted.out.find("\"QW9999.PPD\" is not in the extension's list of supported"),
              std::string::npos)
        << unlisted.out;
    EXPECT_NE(unlisted.err.find("line 1: skipped"), std::string::npos) << unlisted.err;
    const std::string kept = ReadWholeFile(Settings());
    EXPECT_EQ(kept.find(kJobTicketKey), std::string::npos);
    EXPECT_NE(kept.find(kSettingPrefix + "frontX"), std::string::npos);

    const json state = Final({"--ppd", Printer("QW9999-unlisted.ppd")}, script, 1);
    EXPECT_EQ(state["active"], false);
    EXPECT_EQ(state["controls"], json::object());
    EXPECT_TRUE(state["summary"].empty());
    EXPECT_TRUE(state["jobTicket"].is_null());

    // Supported, but without the Image Shift controls.
    const ToolResult noRanges = Run({"--ppd", Printer("QW6100-noranges.ppd")}, script);
    EXPECT_EQ(noRanges.status, 1) << noRanges.err;
    EXPECT_NE(noRanges.out.find("lacks the Image Shift controls"), std::string::npos)
        << noRanges.out;

    // Picking another printer in the dialog: a new panel for each, which the person uses.
    const json switched =
        Final({"--ppd", Printer("QW9999-unlisted.ppd")},
              "printer " + Printer("QW5200-noflag.ppd") + "\ntype frontX 9\nprinter " +
                  Printer("QW4350.ppd") + "\ntype frontX 5\nblur\nprint\n");
    EXPECT_EQ(switched["active"], true);
    ASSERT_TRUE(switched["jobTicket"].is_object());
    EXPECT_EQ(switched["jobTicket"]["entries"][6],
              Feature("*QWImageFrontX", "500", "/isFX 500 def"));
    const json declined = Final(
        {"--ppd", Printer("QW4350.ppd")},
        "type frontX 5\nprinter " + Printer("QW6100-noranges.ppd") + "\ntype frontX 5\nprint\n", 1);
    EXPECT_EQ(declined["active"], false);
    EXPECT_EQ(declined["controls"], json::object());
}

TEST_F(ImageShiftDialog, UsageErrorsAndUnreadableFiles) {
    const ToolResult badScript = Run({}, "click enable\n# a comment\nclik align\ntype nowhere 3\n");
    EXPECT_EQ(badScript.status, 2);
    EXPECT_NE(badScript.err.find("line 3: unknown action \"clik\""), std::string::npos)
        << badScript.err;
    EXPECT_NE(badScript.err.find("line 4: unknown control \"nowhere\""), std::string::npos);
    EXPECT_EQ(badScript.out, "");

    // An action that fails while running stops the dialog at its line.
    const ToolResult missingPrinter = Run({}, "click enable\nprinter /nonexistent.ppd\nprint\n");
    EXPECT_EQ(missingPrinter.status, 2);
    EXPECT_NE(missingPrinter.err.find("line 2: /nonexistent.ppd: cannot read the PPD"),
              std::string::npos)
        << missingPrinter.err;

    EXPECT_EQ(Run({"--ppd", "/nonexistent.ppd"}, "").status, 2);
    EXPECT_EQ(Run({"--ppd", mFolder.Path()}, "").status, 2);
    EXPECT_EQ(Run({"--settings", mFolder.Path()}, "").status, 2);
    EXPECT_EQ(Run({"--plugin", mFolder.Path()}, "").status, 2);
    EXPECT_EQ(Run({"--settings", "/dev/null"}, "").status, 2);
    EXPECT_EQ(Run({"--bogus"}, "").status, 2);

    // A job-ticket path in the print settings that names no job ticket is not read.
    const json printed = Final({"--settings", Settings()}, "print\n");
    const std::string path = printed["jobTicket"].value("path", "");
    std::string text = ReadWholeFile(Settings());
    ASSERT_NE(path, "");
    ASSERT_NE(text.find(path), std::string::npos);
    text.replace(text.find(path), path.size(), "/dev/zero");
    std::ofstream(Settings(), std::ios::trunc) << text;
    EXPECT_EQ(Final({"--settings", Settings()}, "cancel\n")["jobTicket"],
              json({{"path", "/dev/zero"}, {"entries", json::array()}}));
    EXPECT_EQ(RunProgram(DIALOG_PATH, {"--script", "/nonexistent.script"}).status, 2);
    EXPECT_EQ(RunProgram(DIALOG_PATH, {"--help"}).status, 0);
}

TEST_F(ImageShiftDialog, SamplePrinterForAPerson) {
    // The README's main job: the sample printer with the example script.
    const ToolResult result =
        Run({"--script", std::string(ZEQ_EXAMPLES) + "/imageshift.script"}, "");
    ASSERT_EQ(result.status, 0) << result.err;
    for (const char* line :
         {"Printer: QW4300 (", "Printed.\n", "  Enable Image Shift: Yes\n",
          "  Front X Offset:  3.00  Millimeters\n", "  Back X Offset: -3.00  Millimeters\n",
          "  Align front and back images: Yes\n", "Job ticket: /tmp/Vorel.temp",
          "    -9  *QWImageFlag\n", "    81  %%BeginFeature: *QWImageFrontX 850\n",
          "    81  %%BeginFeature: *QWImageFrontY -708\n"})
        EXPECT_NE(result.out.find(line), std::string::npos) << line << "\n" << result.out;
    // Aligned: the back offsets are not sent.
    EXPECT_EQ(result.out.find("*QWImageBackX"), std::string::npos) << result.out;
}

}  // namespace
