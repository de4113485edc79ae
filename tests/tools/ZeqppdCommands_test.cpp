// zeqppd check, emit and constraints, the command line itself, and the sample printer's PPD.
#include "tests/tools/ToolRunner.h"

using nlohmann::json;
using Strings = std::vector<std::string>;

TEST(ZeqppdCommandLine, HelpAndUsageErrors) {
    ToolResult result = RunTool({"--help"});
    EXPECT_EQ(result.status, 0);
    for (const char* command : {"check", "dump", "emit", "constraints"}) {
        EXPECT_NE(result.out.find(command), std::string::npos) << command;
    }
    for (const char* command : {"check", "dump", "emit", "constraints"}) {
        result = RunTool({command, "--help"});
        EXPECT_EQ(result.status, 0) << command;
        EXPECT_NE(result.out.find("FILE"), std::string::npos) << command;
    }
    EXPECT_NE(RunTool({"dump", "--help"}).out.find("--json"), std::string::npos);
    EXPECT_NE(RunTool({"constraints", "--help"}).out.find("--requires"), std::string::npos);

    EXPECT_EQ(RunTool({}).status, 2);
    EXPECT_EQ(RunTool({"frobnicate"}).status, 2);
    EXPECT_EQ(RunTool({"dump"}).status, 2);
    EXPECT_EQ(RunTool({"constraints", DataFile("constraints.ppd")}).status, 2);

    // Files that cannot be read: exit 2 and the file name on standard error.
    const std::string missing = DataFile("no-such-file.ppd");
    for (const char* command : {"check", "dump", "emit"}) {
        result = RunTool({command, missing});
        EXPECT_EQ(result.status, 2) << command;
        EXPECT_NE(result.err.find(missing), std::string::npos) << result.err;
        EXPECT_TRUE(result.out.empty());
    }
    result = RunTool({"dump", ZEQ_TEST_DATA});
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("directory"), std::string::npos) << result.err;
}

TEST(ZeqppdCheck, ValidityDecidesTheExitStatus) {
    ToolResult result = RunTool({"check", DataFile("minimal.ppd")});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("  PCFileName: QWMIN.PPD\n"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("  valid PPD: yes, valid printer name: not checked\n"),
              std::string::npos);
    EXPECT_NE(result.out.find("  errors: 0\n"), std::string::npos);

    // Non-fatal errors leave the PPD valid.
    EXPECT_EQ(RunTool({"check", DataFile("control-blocks.ppd")}).status, 0);

    const std::string refused = DataFile("header-version.ppd");
    result = RunTool({"check", refused});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.out.find("    28 fatal"), std::string::npos) << result.out;
    EXPECT_NE(result.err.find(refused), std::string::npos) << result.err;

    // The PC file name check: a part of the value matches, case matters.
    EXPECT_EQ(RunTool({"check", DataFile("minimal.ppd"), "--pcfilename", "QWMIN"}).status, 0);
    EXPECT_EQ(RunTool({"check", DataFile("minimal.ppd"), "--pcfilename", "OTHER", "--pcfilename",
                       "QWMIN.PPD"})
                  .status,
              0);
    // A name that does not match: one line on standard error, nothing else.
    result = RunTool({"check", DataFile("minimal.ppd"), "--pcfilename", "qwmin"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "zeqppd: " + DataFile("minimal.ppd") +
                              ": the PC file name is not one of qwmin; the PPD was not read\n");
}

TEST(ZeqppdEmit, ByteExactFeatureBlocks) {
    // Every control in flat-list order, at its default.
    ToolResult result = RunTool({"emit", DataFile("minimal.ppd")});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out,
              "%%BeginFeature: *QWCollate True\n<< /Collate true >> setpagedevice\n"
              "%%EndFeature\n");
    result = RunTool({"emit", DataFile("minimal.ppd"), "*QWCollate=False"});
    EXPECT_EQ(result.out,
              "%%BeginFeature: *QWCollate False\n<< /Collate false >> setpagedevice\n"
              "%%EndFeature\n");

    // A popup choice whose code spans three lines; the keyword may omit its "*".
    result = RunTool({"emit", DataFile("popup.ppd"), "QWQuality=Best", "--only"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out,
              "%%BeginFeature: *QWQuality Best\n/Q 3 def\n/Q2 Q def\nQ2 pop\n%%EndFeature\n");

    // Ranges: the value snaps to the increment and replaces the placeholder in any case.
    result = RunTool({"emit", DataFile("range.ppd"), "*QWDarkness=37", "*QWGutter=-250", "--only"});
    EXPECT_EQ(result.out,
              "%%BeginFeature: *QWDarkness 35\n/darkness 35 def\n%%EndFeature\n"
              "%%BeginFeature: *QWGutter -200\n/gutter -200 100 div def\n%%EndFeature\n");
    // A range without code: the begin line, one line feed, the end line.
    result = RunTool({"emit", DataFile("range.ppd"), "*QWNoCode=4", "--only"});
    EXPECT_EQ(result.out, "%%BeginFeature: *QWNoCode 4\n\n%%EndFeature\n");

    // Job notes: the default text with the comment line, and typed text in the PPD's code.
    result = RunTool(
        {"emit", DataFile("jobnote-block.ppd"), "*Notes1=Rush", "*Notes2=Sales Office", "--only"});
    EXPECT_EQ(result.out,
              "%%BeginFeature: *Notes1 Rush\n%%ZEQCustom1: Rush\n%%EndFeature\n"
              "%%BeginFeature: *Notes2 Sales Office\n(Sales Office) /QWNote2 exch def\n"
              "%%EndFeature\n");
    result = RunTool({"emit", DataFile("jobnote-standalone.ppd"), "*Instruc=Room 7", "--only"});
    EXPECT_EQ(result.out, "%%BeginFeature: *Instruc Room 7\n%%ZEQCustom3: Room 7\n%%EndFeature\n");

    // A special option emits its raw code (none), so nothing.
    result = RunTool({"emit", DataFile("installable.ppd")});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out,
              "%%BeginFeature: *QWTray3 False\n\n%%EndFeature\n"
              "%%BeginFeature: *QWFinisher None\n\n%%EndFeature\n");
}

TEST(ZeqppdEmit, RefusedAssignments) {
    const std::string file = DataFile("minimal.ppd");
    ToolResult result = RunTool({"emit", file, "*QWNothing=1"});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find(file), std::string::npos);
    EXPECT_TRUE(result.out.empty());
    EXPECT_EQ(RunTool({"emit", file, "*QWCollate=Maybe"}).status, 2);
    EXPECT_EQ(RunTool({"emit", file, "QWCollate"}).status, 2);
    EXPECT_EQ(RunTool({"emit", DataFile("popup.ppd"), "*QWQuality=Ultra"}).status, 1);
    EXPECT_EQ(RunTool({"emit", DataFile("range.ppd"), "*QWDarkness=lots"}).status, 2);
    EXPECT_EQ(RunTool({"emit", DataFile("installable.ppd"), "*QWMemory=1 GB"}).status, 2);
}

TEST(ZeqppdSample, ModelOfTheSamplePrinter) {
    const json model = DumpJson(SampleFile());
    EXPECT_EQ(model["valid_ppd"], true);
    EXPECT_EQ(model["errors"], json::array());
    EXPECT_EQ(model["main"]["PCFileName"], "QW4300.PPD");
    EXPECT_EQ(model["shortcuts"],
              json({"*PageSize", "*InputSlot", "*QWDuplex", "*QW_PAPER_ORIENTATION"}));

    const json imageShift = Find(model["groups"], "VPImageShift");
    EXPECT_EQ(imageShift["kind"], "rolldown");
    EXPECT_EQ(imageShift["parent"], "VPOutputPane");
    EXPECT_EQ(imageShift["controls"],
              json({"*QWImageUnit", "*QWImageFrontX", "*QWImageFrontY", "*QWImageBackX",
                    "*QWImageBackY", "*QWImageAlign", "*QWImageFlag"}));
    for (const char* keyword :
         {"*QWImageFrontX", "*QWImageFrontY", "*QWImageBackX", "*QWImageBackY"}) {
        const json range = Find(model["controls"], keyword);
        EXPECT_EQ(range["kind"], "range") << keyword;
        EXPECT_EQ(range["min"], -14400) << keyword;
        EXPECT_EQ(range["max"], 14400) << keyword;
        EXPECT_EQ(range["increment"], 1) << keyword;
        EXPECT_EQ(range["flags"], json({"MacIS"})) << keyword;
    }
    const json unit = Find(model["controls"], "*QWImageUnit");
    EXPECT_EQ(Keywords(unit["items"]), (Strings{"MM", "Inches", "Points"}));
    EXPECT_EQ(unit["default"], "Points");
    EXPECT_EQ(Find(model["controls"], "*QWImageFlag")["kind"], "boolean");
    EXPECT_EQ(Find(model["controls"], "*QWImageAlign")["kind"], "boolean");
    for (const char* group : {"VPFinishing", "VPLayout"}) {
        EXPECT_EQ(Find(model["groups"], group)["kind"], "rolldown") << group;
    }
    // ISO Latin 1 translations, with Latin 1 bytes and hexadecimal runs.
    EXPECT_EQ(Find(model["controls"], "*QWPaperType")["items"][1]["name"], "V\xC3\xA9lin");
    const json quality = Find(model["controls"], "*QWQuality")["items"];
    EXPECT_EQ(quality[0]["name"], "Draft (toner saver)");
    EXPECT_EQ(quality[2]["name"], "Fine 1200 dpi");
    EXPECT_EQ(quality[3]["name"], "Qualit\xC3\xA9 Photo");
    // Every control kind the parser makes is in the sample.
    std::set<std::string> kinds;
    for (const json& control : model["controls"]) {
        kinds.insert(control["kind"].get<std::string>());
    }
    EXPECT_EQ(kinds, (std::set<std::string>{"boolean", "popup", "range", "jobnote", "special"}));
    EXPECT_EQ(model["groups"].back()["keyword"], "VPAdvanced");
    EXPECT_EQ(model["groups"].back()["kind"], "group");
}

TEST(ZeqppdSample, ImageShiftPostScript) {
    // In model order: units, the offsets (each stores its value and applies the shift again
    // once the flag has defined /Apply), then the flag, which sets /PageOffset. The offsets
    // are one-line values with the injected number in place.
    const ToolResult result =
        RunTool({"emit", SampleFile(), "*QWImageFlag=True", "*QWImageFrontX=150",
                 "*QWImageBackY=-14400", "*QWImageUnit=MM", "--only"});
    ASSERT_EQ(result.status, 0) << result.err;
    const std::string shiftDict =
        "userdict /QWShift 2 copy known {get} {16 dict dup 4 1 roll put} ifelse ";
    const std::string reapply = " /Apply 2 copy known {get exec} {pop pop} ifelse\n";
    const std::string expectedStart = "%%BeginFeature: *QWImageUnit MM\n" + shiftDict +
                                      "/Unit /MM put\n%%EndFeature\n"
                                      "%%BeginFeature: *QWImageFrontX 150\n" +
                                      shiftDict + "dup /FX 150 100 div put" + reapply +
                                      "%%EndFeature\n"
                                      "%%BeginFeature: *QWImageBackY -14400\n" +
                                      shiftDict + "dup /BY -14400 100 div put" + reapply +
                                      "%%EndFeature\n"
                                      "%%BeginFeature: *QWImageFlag True\n" +
                                      shiftDict + "begin\n";
    EXPECT_EQ(result.out.substr(0, expectedStart.size()), expectedStart);
    EXPECT_NE(result.out.find("<< /PageOffset [FX FY]\n"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("\nApply end\n%%EndFeature\n"), std::string::npos) << result.out;

    // Switched off, the flag takes /Apply away so that later offsets do not shift again.
    EXPECT_EQ(RunTool({"emit", SampleFile(), "*QWImageFlag=False", "--only"}).out,
              "%%BeginFeature: *QWImageFlag False\n"
              "userdict /QWShift known {userdict /QWShift get /Apply undef} if\n"
              "<< /PageOffset [0 0] /BeginPage {pop} >> setpagedevice\n%%EndFeature\n");
}

TEST(ZeqppdSample, ConstraintsOfTheSample) {
    EXPECT_EQ(RunTool({"constraints", SampleFile(), "*PageSize", "Env10", "--numbers"}).out,
              "*QWDuplex 2\n*QWDuplex 3\n*QWDuplex 2\n*QWDuplex 3\n");
    EXPECT_EQ(
        RunTool({"constraints", SampleFile(), "*QWStaple", "TopLeft", "--requires", "--numbers"})
            .out,
        "*QWOptFinisher 2\n*QWOptFinisher 2\n");
}
