// zeqppd and ppdinfo as people meet them: standard output that holds only the tool's own
// output, the lines at which reading stopped and errors were recorded, values the PPD does not
// allow, constraints in words, exit statuses and what the cache commands say is wrong.
#include <sys/stat.h>

#include <algorithm>

#include "tests/tools/ToolRunner.h"

using nlohmann::json;

namespace {

std::string Minimal() {
    return ReadWholeFile(DataFile("minimal.ppd"));
}

// `text` with its line `number` (1-based) replaced by `line`, which may hold several lines or
// none; the line ends of `text` are LF.
std::string ReplaceLine(const std::string& text, int number, const std::string& line) {
    size_t start = 0;
    for (int i = 1; i < number; ++i) {
        start = text.find('\n', start) + 1;
    }
    const size_t end = text.find('\n', start);
    return text.substr(0, start) + line + text.substr(end);
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

}  // namespace

TEST(ZeqppdOutput, LibraryLinesStayOffStandardOutput) {
    // The library notes a UTF-8 PPD on standard output; the tools move it to standard error.
    const TempFile utf8(Replace(Minimal(), "ISOLatin1", "UTF-8"));
    const std::string note = "CFStringGetMostCompatibleMacStringEncoding theEncoding = 100 (256)\n";
    ToolResult result = RunTool({"dump", utf8.Path(), "--json"});
    ASSERT_EQ(result.status, 0) << result.err;
    const json model = json::parse(result.out, nullptr, false);
    ASSERT_FALSE(model.is_discarded()) << result.out;
    EXPECT_EQ(model["main"]["LanguageEncoding"], "UTF-8");
    EXPECT_NE(result.err.find(note), std::string::npos) << result.err;

    result = RunTool({"emit", utf8.Path()});
    EXPECT_EQ(result.out,
              "%%BeginFeature: *QWCollate True\n<< /Collate true >> setpagedevice\n"
              "%%EndFeature\n");
    EXPECT_NE(result.err.find(note), std::string::npos);

    const std::string cache = utf8.Folder() + "/model.cache";
    EXPECT_EQ(RunTool({"cache", "save", utf8.Path(), cache}).out, "");
    result = RunTool({"cache", "load", cache, "--json"});
    unlink(cache.c_str());
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_FALSE(json::parse(result.out, nullptr, false).is_discarded()) << result.out;

    result = RunProgram(PPDINFO_PATH, {utf8.Path()});
    EXPECT_EQ(result.out.rfind("File:", 0), 0u) << result.out;
    EXPECT_NE(result.err.find(note), std::string::npos);
}

TEST(ZeqppdCheck, ReadingThatStopsEarlySaysWhereAndWhy) {
    const std::string minimal = Minimal();
    struct Case {
        std::string name;
        std::string content;
        int line;
        std::string kind;
        std::string message;
        bool collateRead;  // the control after the problem is in the model
    } cases[] = {
        {"long line", ReplaceLine(minimal, 10, "*% " + std::string(252, 'x')), 10, "long-line",
         "longer than 254 characters; the rest of the file was not read", false},
        {"0xFF byte", ReplaceLine(minimal, 12, "*%ZEQGroupName VPPane/Main \xFFPane: \"True\""), 12,
         "byte-ff", "a 0xFF byte; the rest of the file was not read", false},
        {"NUL byte", ReplaceLine(minimal, 10, std::string("*%QWVer\0sion: 5.0 beta", 22)), 10,
         "nul-byte", "a NUL byte; the rest of the line was not read", true},
        {"open value", minimal + "*ModelName: \"Quillwork\nQW Minimal\n", 25, "open-statement",
         "the statement that begins here is still open at the end of the file (a quoted value "
         "or a block without its end)",
         true},
        {"no line end", minimal.substr(0, minimal.size() - 1), 24, "no-line-end",
         "the last line has no line end and was not read", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TempFile file(c.content);
        const std::string where = "line " + std::to_string(c.line) + ": " + c.message;
        ToolResult result = RunTool({"check", file.Path()});
        EXPECT_EQ(result.status, 1);
        EXPECT_NE(result.out.find("  not read as written: " + where + "\n"), std::string::npos)
            << result.out;
        EXPECT_NE(result.err.find("zeqppd: " + file.Path() + ": " + where + "\n"),
                  std::string::npos)
            << result.err;

        // The model keeps what was read; dump reports the problem and succeeds.
        const json model = DumpJson(file.Path());
        EXPECT_EQ(model["read_problems"],
                  json::array({{{"line", c.line}, {"kind", c.kind}, {"message", c.message}}}));
        EXPECT_EQ(model["main"]["PCFileName"], "QWMIN.PPD");
        EXPECT_EQ(model["controls"].size(), c.collateRead ? 1u : 0u);
    }
}

TEST(ZeqppdCheck, EveryErrorFoundInTheFileCarriesItsLine) {
    // A refused control block: the error is recorded at the line that refuses it.
    const std::string broken =
        ReplaceLine(Minimal(), 17, "*%ZEQGroup *QWCollate: VPMain\n*Bogus: x");
    TempFile file(broken);
    ToolResult result = RunTool({"check", file.Path()});
    EXPECT_NE(result.out.find("    5 non-fatal *QWCollate on line 18: "), std::string::npos)
        << result.out;
    // Errors about the whole model have no line.
    EXPECT_NE(result.out.find("    27 non-fatal: "), std::string::npos) << result.out;
    const json errors = DumpJson(file.Path())["errors"];
    ASSERT_FALSE(errors.empty());
    EXPECT_EQ(errors[0]["line"], 18);
    EXPECT_EQ(errors.back()["number"], 27);
    EXPECT_EQ(errors.back()["line"], nullptr);

    // The header error is on line 1.
    result = RunTool({"check", DataFile("header-version.ppd")});
    EXPECT_NE(result.out.find("    28 fatal on line 1"), std::string::npos) << result.out;
    EXPECT_NE(result.err.find("not a valid PPD: error 28 on line 1"), std::string::npos);

    // Line numbers hold across the pieces the file is read in, for LF, CR LF and CR line ends,
    // with a CR LF split by the first piece boundary (10000 bytes).
    std::string body = Minimal();
    body = body.substr(0, body.find("*% End of file"));
    for (int i = 0; body.size() < 30000; ++i) {
        body += "*% filler line " + std::to_string(i) + " " + std::string(i % 70, '-') + "\n";
    }
    const int plantedLine = static_cast<int>(std::count(body.begin(), body.end(), '\n')) + 2;
    body += "*%ZEQFlags *QWPlanted: \"Setup\"\n*Bogus: x\n";
    std::string crlf;
    for (char c : body) {
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    // Widen the comment line that ends before byte 9999 so that its CR lands exactly there.
    const size_t lineEnd = crlf.rfind("\r\n", 9998);
    crlf.insert(lineEnd, 9999 - lineEnd, ' ');
    ASSERT_EQ(crlf.substr(9999, 2), "\r\n");
    std::string cr = crlf;
    for (size_t at = cr.find("\r\n"); at != std::string::npos; at = cr.find("\r\n", at)) {
        cr.erase(at + 1, 1);
    }
    for (const std::string* text : {&body, &crlf, &cr}) {
        const TempFile big(*text);
        const json model = DumpJson(big.Path());
        ASSERT_FALSE(model["errors"].empty());
        EXPECT_EQ(model["errors"][0]["number"], 16);
        EXPECT_EQ(model["errors"][0]["line"], plantedLine);
        EXPECT_EQ(model["read_problems"], json::array());
    }
}

TEST(ZeqppdEmit, RefusesValuesThePPDDoesNotAllow) {
    const std::string range = DataFile("range.ppd");
    ToolResult result = RunTool({"emit", range, "*QWDarkness=120"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "zeqppd: " + range + ": *QWDarkness takes 0 to 100, not 120\n");
    EXPECT_EQ(RunTool({"emit", range, "*QWDarkness=-5"}).status, 1);
    EXPECT_EQ(RunTool({"emit", range, "*QWDarkness=100"}).status, 0);
    // A value between the steps is rounded as the model does, and the tool says so.
    result = RunTool({"emit", range, "*QWDarkness=37", "--only"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "%%BeginFeature: *QWDarkness 35\n/darkness 35 def\n%%EndFeature\n");
    EXPECT_NE(result.err.find("note: *QWDarkness moves in steps of 5; 37 is taken as 35"),
              std::string::npos)
        << result.err;

    // Job notes: one line, within the length limits (4 to 31 characters for *Notes1).
    const std::string notes = DataFile("jobnote-block.ppd");
    result = RunTool({"emit", notes, "*Notes1=Rush\nshowpage"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find("*Notes1 takes one line of text"), std::string::npos);
    EXPECT_EQ(RunTool({"emit", notes, "*Notes1=Rush\rnow"}).status, 1);
    result = RunTool({"emit", notes, "*Notes1=abc"});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("*Notes1 takes 4 to 31 characters, not 3"), std::string::npos);
    EXPECT_EQ(RunTool({"emit", notes, "*Notes1=" + std::string(32, '7')}).status, 1);
    // Characters, not bytes, are counted.
    result = RunTool({"emit", notes, std::string("*Notes1=R\xC3\xA9") + "12", "--only"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(RunTool({"emit", notes, "*Notes1=" + std::string(31, '7')}).status, 0);
}

TEST(ZeqppdEmit, ReportsChoicesThatAConstraintForbids) {
    ToolResult result =
        RunTool({"emit", SampleFile(), "*PageSize=Env10", "*QWDuplex=DuplexTumble", "--only"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "zeqppd: " + SampleFile() +
                              ": warning: *PageSize Env10 conflicts with *QWDuplex DuplexTumble\n");
    EXPECT_NE(result.out.find("%%BeginFeature: *QWDuplex DuplexTumble\n"), std::string::npos);

    // A statement without a target option forbids every choice but None, False and Off.
    result = RunTool({"emit", SampleFile(), "*InputSlot=Manual", "*QWDuplex=DuplexNoTumble"});
    EXPECT_NE(result.err.find("*InputSlot Manual conflicts with *QWDuplex DuplexNoTumble"),
              std::string::npos)
        << result.err;
    EXPECT_EQ(RunTool({"emit", SampleFile(), "*InputSlot=Manual", "*QWDuplex=None"}).err, "");
    // A chosen value against a default: Boolean options as True and False.
    result = RunTool({"emit", SampleFile(), "*QWImageFlag=False", "*QWImageAlign=True"});
    EXPECT_NE(result.err.find("*QWImageFlag False conflicts with *QWImageAlign True"),
              std::string::npos)
        << result.err;
}

TEST(ZeqppdConstraints, WordsForPeopleAndNumbersAsBefore) {
    auto words = [](const std::vector<std::string>& args) {
        std::vector<std::string> full = {"constraints"};
        full.insert(full.end(), args.begin(), args.end());
        return RunTool(full).out;
    };
    const std::string sample = SampleFile();
    EXPECT_EQ(words({sample, "*PageSize", "Env10"}),
              "*QWDuplex DuplexNoTumble\n*QWDuplex DuplexTumble\n");
    // Only what the statements give for that choice; the records also hold other choices'.
    EXPECT_EQ(words({sample, "*PageSize", "Letter"}), "");
    EXPECT_EQ(words({sample, "*PageSize", "Letter", "--numbers"}), "*QWDuplex 2\n*QWDuplex 3\n");
    EXPECT_EQ(words({sample, "*QWImageFlag", "False"}), "*QWImageAlign True\n");
    EXPECT_EQ(words({sample, "*QWImageFlag", "False", "--numbers"}),
              "*QWImageAlign 65535\n*QWImageAlign 65535\n");
    EXPECT_EQ(words({sample, "*InputSlot", "Tray3"}), "*QWOptTray3 False\n");
    EXPECT_EQ(words({sample, "*InputSlot", "Manual"}), "*QWDuplex\n");
    EXPECT_EQ(words({sample, "*QWStaple", "TopLeft", "--requires"}), "*QWOptFinisher Stapler\n");

    const std::string file = DataFile("constraints.ppd");
    EXPECT_EQ(words({file, "*QWStaple", "True"}),
              "*PageSize Envelope\n*Duplex Booklet (not one of its options)\n*QWStaple\n");
    EXPECT_EQ(words({file, "*QWDarkness"}), "*QWNoSuchControl Foo (the PPD has no such control)\n");
    EXPECT_EQ(words({file, "*QWDarkness", "--numbers"}), "- 65535\n- 65535\n");
}

TEST(ZeqppdCommandLine, VersionsUnknownCommandsAndExitStatuses) {
    ToolResult result = RunTool({"--version"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out.rfind("zeqppd ", 0), 0u) << result.out;
    result = RunProgram(PPDINFO_PATH, {"--version"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out.rfind("ppdinfo ", 0), 0u) << result.out;
    result = RunProgram(PPDINFO_PATH, {"--help"});
    EXPECT_EQ(result.status, 0);
    EXPECT_NE(result.out.find("usage: ppdinfo FILE [PCFILENAME...]"), std::string::npos);
    EXPECT_EQ(RunProgram(PPDINFO_PATH, {"--frobnicate"}).status, 2);

    result = RunTool({"frobnicate", DataFile("minimal.ppd")});
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("unknown command 'frobnicate'"), std::string::npos) << result.err;
    result = RunTool({"cache", "store", DataFile("minimal.ppd")});
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("unknown command 'store'"), std::string::npos) << result.err;
    EXPECT_NE(RunTool({"cache", "load", "--help"}).out.find("CACHE"), std::string::npos);

    // An empty file cannot be read: 2 everywhere, as for a missing one.
    const TempFile empty("");
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"check", empty.Path()},
          {"dump", empty.Path()},
          {"emit", empty.Path()},
          {"constraints", empty.Path(), "*QWCollate"},
          {"cache", "save", empty.Path(), empty.Folder() + "/out.cache"}}) {
        result = RunTool(args);
        EXPECT_EQ(result.status, 2) << args[0];
        EXPECT_NE(result.err.find("cannot read file: the file is empty"), std::string::npos);
        EXPECT_EQ(result.out, "");
    }
    EXPECT_EQ(RunProgram(PPDINFO_PATH, {empty.Path()}).status, 2);

    // A PC file name that is not among those given: 1, the same line for every command.
    for (const char* command : {"dump", "emit"}) {
        result = RunTool({command, DataFile("minimal.ppd"), "--pcfilename", "OTHER"});
        EXPECT_EQ(result.status, 1) << command;
        EXPECT_EQ(result.out, "");
        EXPECT_NE(result.err.find("the PC file name is not one of OTHER; the PPD was not read"),
                  std::string::npos);
    }
    result = RunTool({"check", DataFile("minimal.ppd"), "--pcfilename", "QWMIN"});
    EXPECT_NE(result.out.find("valid printer name: yes"), std::string::npos);
    EXPECT_EQ(RunProgram(PPDINFO_PATH, {DataFile("minimal.ppd"), "OTHER"}).status, 1);
}

TEST(ZeqppdCache, SaveAndLoadSayWhatIsWrong) {
    const TempFile folder("");
    const std::string cache = folder.Folder() + "/model.cache";
    // A PPD that is not valid is refused, and nothing is written.
    ToolResult result = RunTool({"cache", "save", DataFile("header-version.ppd"), cache});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("not a valid PPD: error 28 on line 1"), std::string::npos)
        << result.err;
    struct stat info;
    EXPECT_NE(stat(cache.c_str(), &info), 0);

    // More groups than the cache format can number.
    std::string many = Minimal();
    for (int i = 0; i < 1000; ++i) {
        const std::string name = "G" + std::to_string(i);
        many += "*%ZEQGroupName " + name + "/Group: \"True\"\n*%ZEQParent " + name +
                "/VPPane: \"True|Rolldown\"\n";
    }
    const TempFile large(many);
    result = RunTool({"cache", "save", large.Path(), cache});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("the model has 1002 groups, more than the 1000 a settings cache "
                              "can number; no cache is written"),
              std::string::npos)
        << result.err;

    ASSERT_EQ(RunTool({"cache", "save", DataFile("minimal.ppd"), cache}).status, 0);
    const std::string bytes = ReadWholeFile(cache);
    unlink(cache.c_str());
    struct Case {
        std::string content;
        std::string message;
    } cases[] = {
        {bytes.substr(0, bytes.size() - 5), "truncated: the settings stream ends inside item"},
        {bytes.substr(0, 7), "truncated: shorter than the header of a settings stream"},
        {bytes + "xx", "damaged: 2 bytes follow the last item of the settings stream"},
        {Minimal(), ": not a settings stream\n"},
        {"", "not a settings stream: the file is empty"},
    };
    for (const Case& c : cases) {
        const TempFile damaged(c.content, "damaged.cache");
        result = RunTool({"cache", "load", damaged.Path()});
        EXPECT_EQ(result.status, 1) << c.message;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
        EXPECT_EQ(result.out, "");
    }
    result = RunTool({"cache", "load", folder.Folder()});
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("cannot read file: is a directory"), std::string::npos);
}

TEST(ZeqppdDump, NamesWithoutLanguageKeywordsReadAsISOLatin1) {
    // No *LanguageVersion or *LanguageEncoding: the translations are read as ISO Latin 1.
    std::string text = Minimal();
    text = Replace(text, "*LanguageVersion: English\n", "");
    text = Replace(text, "*LanguageEncoding: ISOLatin1\n", "");
    text = Replace(text, "*QWCollate/Collate:", "*QWCollate/Collat\xE9:");
    const TempFile file(text);
    const json model = DumpJson(file.Path());
    EXPECT_EQ(model["main"]["LanguageEncoding"], nullptr);
    EXPECT_EQ(model["properties"][0]["name"], "Main Page");
    EXPECT_EQ(model["groups"][1]["name"], "Basics");
    EXPECT_EQ(Find(model["controls"], "*QWCollate")["name"], "Collat\xC3\xA9");

    // Only the encoding declared: the translations are read in it.
    text = Replace(Minimal(), "*LanguageVersion: English\n", "");
    text = Replace(text, "*LanguageEncoding: ISOLatin1", "*LanguageEncoding: MacStandard");
    text = Replace(text, "*QWCollate/Collate:", "*QWCollate/Collat\x8E:");
    const TempFile mac(text);
    EXPECT_EQ(Find(DumpJson(mac.Path())["controls"], "*QWCollate")["name"], "Collat\xC3\xA9");
}
