// Tests of the vendor parser's driver: header test, statement loop, control-block errors,
// vendor versions, the installable-options group, overlong lines and class-wide options.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "PPDObjects/PPDXBooleanControl.h"
#include "PPDObjects/PPDXGroups.h"
#include "PPDObjects/PPDXProperties.h"
#include "PPDObjects/PPDXRollDown.h"
#include "platform/CFArray.h"
#include "platform/CFURL.h"
#include "platform/ZEQArena.h"
#include "tests/parser/ZEQPPDTestUtil.h"

using namespace zeqtest;

namespace {

const char* kBoolBlock =
    "*%ZEQFlags *QWImageFlag: Setup|MacIS\n"
    "*%ZEQGroup *QWImageFlag: VPLayout/Layout\n"
    "*OpenUI *QWImageFlag/Image Shift: Boolean\n"
    "*DefaultQWImageFlag: False\n"
    "*QWImageFlag True/On: \"true\"\n"
    "*QWImageFlag False/Off: \"false\"\n"
    "*CloseUI: *QWImageFlag\n";

int LineCount(const std::string& text) {
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

}  // namespace

TEST(ZEQPPDDriver, AcceptsVersion43AndBuildsTheModel) {
    Parsed p = Parse(std::string(kHead) + kBoolBlock);
    EXPECT_TRUE(p->IsValidPPD());
    EXPECT_EQ(ErrorText(p.ppd.get()), "");
    EXPECT_STREQ(p->PCFileName(), "ZEQTEST.PPD");
    EXPECT_STREQ(p->ModelName(), "Test Printer");
    ASSERT_NE(Control(p.ppd.get(), "*QWImageFlag"), nullptr);
    EXPECT_NE(p->GetShortcuts(), nullptr);
}

TEST(ZEQPPDDriver, RefusesOtherVersionsAndParsesNothing) {
    Parsed p = Parse(std::string("*PPD-Adobe: \"4.2\"\n") + (kHead + 18) + kBoolBlock);
    EXPECT_FALSE(p->IsValidPPD());
    EXPECT_EQ(ErrorText(p.ppd.get()), "28!, 25, 26, 27");
    EXPECT_TRUE(AllControls(p.ppd.get()).empty());
    EXPECT_EQ(p->PCFileName(), nullptr);

    // A first line without a first token skips the header test: statements are read, but
    // the file is not a valid PPD.
    Parsed q = Parse(std::string("\n") + (kHead + 18) + kBoolBlock);
    EXPECT_FALSE(q->IsValidPPD());
    EXPECT_EQ(ErrorText(q.ppd.get()), "");
    EXPECT_NE(Control(q.ppd.get(), "*QWImageFlag"), nullptr);
}

TEST(ZEQPPDDriver, MissingFileAndEmptyModelRecordTheirErrors) {
    TempFile gone("");
    FSSpec spec = TempFile::SpecFor(gone.Path() + ".missing");
    ZEQPPD* ppd = new ZEQPPD(spec, 3, nullptr);
    EXPECT_EQ(ErrorText(ppd), "18!, 25, 26, 27");
    EXPECT_FALSE(ppd->IsValidPPD());
    delete ppd;

    ZEQPPD empty(3);
    EXPECT_NE(empty.GetControls(), nullptr);
    EXPECT_NE(empty.GetGroups(), nullptr);
    EXPECT_NE(empty.GetProperties(), nullptr);
    EXPECT_EQ(empty.GetErrors(), nullptr);
    FSSpec none;
    EXPECT_FALSE(empty.GetFileSpec(none));
}

TEST(ZEQPPDDriver, ControlBlockErrors) {
    std::string text = std::string(kHead) + kBoolBlock +
                       // no keyword: error 16, the next line goes to the statement loop
                       "*%ZEQFlags \n"
                       // neither group nor opening statement after the flags
                       "*%ZEQFlags *QWA: Setup\n"
                       "*QWA Something: \"x\"\n"
                       // a second control block for an existing keyword
                       "*%ZEQFlags *QWImageFlag: Setup\n"
                       // a group line without keyword
                       "*%ZEQFlags *QWB: Setup\n"
                       "*%ZEQGroup \n"
                       // a group line followed by an unknown statement
                       "*%ZEQFlags *QWC: Setup\n"
                       "*%ZEQGroup *QWC: VPLayout/Layout\n"
                       "*Whatever: 1\n"
                       // a group line for another keyword: no error, block dropped
                       "*%ZEQFlags *QWD: Setup\n"
                       "*%ZEQGroup *QWX: VPLayout\n"
                       // flags followed by a blank line: nothing
                       "*%ZEQFlags *QWE: Setup\n"
                       "\n";
    Parsed p = Parse(text);
    EXPECT_EQ(ErrorText(p.ppd.get()), "16, 16 *QWA, 23 *QWImageFlag, 5, 5 *QWC");
    EXPECT_EQ(AllControls(p.ppd.get()).size(), 1u);
    EXPECT_TRUE(p->IsValidPPD());  // none of them is fatal

    // Each error carries the line it was recorded at (the line that refused the statement);
    // the errors about the whole model (25 to 27) carry none.
    const int first = LineCount(std::string(kHead) + kBoolBlock) + 1;
    std::vector<int32_t> lines;
    for (PPDXErrorObj* e = p->GetErrors()->First(); e != nullptr; e = p->GetErrors()->Next())
        lines.push_back(e->LineNumber());
    EXPECT_EQ(lines, (std::vector<int32_t>{first, first + 2, first + 3, first + 5, first + 8}));
    Parsed empty = Parse("*PPD-Adobe: \"4.3\"\n");
    EXPECT_EQ(empty->GetErrors()->First()->LineNumber(), 0);
}

TEST(ZEQPPDDriver, VendorVersionsAndInstallableOptions) {
    std::string text = std::string(kHead) +
                       "*%QWFileVersion: 2.5 \n"
                       "*%QWVersion: 1.0\n"
                       "*%QWVersion: 1.1\n"
                       "*OpenGroup: InstallableOptions/Options Installed\n"
                       "*%ZEQFlags *QWTray: Setup\n"
                       "*OpenUI *QWTray/Extra Tray: Boolean\n"
                       "*DefaultQWTray: True\n"
                       "*QWTray True/Installed: \"\"\n"
                       "*QWTray False/Not Installed: \"\"\n"
                       "*CloseUI: *QWTray\n"
                       "*CloseGroup: InstallableOptions\n"
                       "*OpenGroup: InstallableOptions/Again\n"
                       "*CloseGroup: InstallableOptions\n"
                       "*%ZEQFlags *QWAfter: Setup\n"
                       "*OpenUI *QWAfter/After: Boolean\n"
                       "*DefaultQWAfter: True\n"
                       "*CloseUI: *QWAfter\n";
    Parsed p = Parse(text);
    ASSERT_NE(p->QWFileVersion(), nullptr);
    EXPECT_STREQ(*p->QWFileVersion(), "2.5");
    EXPECT_STREQ(*p->QWVersion(), "1.1");

    PPDXGroup* installable = p->GetGroups()->Find("InstallableOptions", true);
    ASSERT_NE(installable, nullptr);
    EXPECT_EQ(Utf8(installable->CFStringUserName()), "Options Installed");
    EXPECT_EQ(p->GetGroups()->Size(), 3);  // pane, roll-down, one installable roll-down
    PPDXControl* tray = Control(p.ppd.get(), "*QWTray");
    ASSERT_NE(tray, nullptr);
    EXPECT_EQ(tray->GetParent(), installable);
    EXPECT_EQ(static_cast<PPDXRollDown*>(installable)->Controls()->Size(), 1);
    // After the group is closed a control without group is an orphan (error 29).
    PPDXControl* after = Control(p.ppd.get(), "*QWAfter");
    ASSERT_NE(after, nullptr);
    EXPECT_TRUE(after->IsOrphan());
    EXPECT_EQ(ErrorText(p.ppd.get()), "29 *QWAfter");

    // Without the keep-orphans option the installable roll-down is not used: error 21, and
    // the model ends up without controls (27).
    Parsed q = Parse(text, 2);
    EXPECT_EQ(Control(q.ppd.get(), "*QWTray"), nullptr);
    EXPECT_EQ(ErrorText(q.ppd.get()), "21 *QWTray, 21 *QWAfter, 27");
}

TEST(ZEQPPDDriver, OverlongLineEndsTheParse) {
    std::string comment254 = "*%" + std::string(252, 'c') + "\n";
    std::string comment255 = "*%" + std::string(253, 'c') + "\n";
    std::string second = std::string(kBoolBlock);
    for (std::string from = "QWImageFlag"; second.find(from) != std::string::npos;)
        second.replace(second.find(from), from.size(), "QWSecond");
    Parsed ok = Parse(std::string(kHead) + comment254 + kBoolBlock + second);
    EXPECT_EQ(AllControls(ok.ppd.get()).size(), 2u);

    Parsed cut = Parse(std::string(kHead) + kBoolBlock + comment255 + second);
    EXPECT_EQ(AllControls(cut.ppd.get()).size(), 1u);
    EXPECT_NE(Control(cut.ppd.get(), "*QWImageFlag"), nullptr);
    EXPECT_TRUE(cut->IsValidPPD());

    // Where and why the reading stopped is kept beside the model, and by a copy of it.
    const int cutLine = LineCount(std::string(kHead) + kBoolBlock) + 1;
    EXPECT_EQ(cut->ReadStop().end, PPDReadEnd::kLongLine);
    EXPECT_EQ(cut->ReadStop().line, cutLine);
    EXPECT_EQ(cut->ReadStop().statementLine, 0);
    EXPECT_EQ(ZEQPPD(*cut.ppd).ReadStop().line, cutLine);
    EXPECT_EQ(ok->ReadStop().end, PPDReadEnd::kEndOfFile);
    EXPECT_EQ(ok->ReadStop().line, LineCount(std::string(kHead) + comment254) + 15);
}

TEST(ZEQPPDDriver, ClassWideOptions) {
    const _DISPLAY_OPTIONS_ saved = ZEQPPD::Options();
    ZEQPPD::Options(0);
    ZEQPPD::IncludeOrphans();
    EXPECT_EQ(ZEQPPD::Options(), 1u);
    ZEQPPD::IncludeHidden();
    EXPECT_EQ(ZEQPPD::Options(), 3u);
    ZEQPPD::ExcludeHidden();
    EXPECT_EQ(ZEQPPD::Options(), 0u);
    ZEQPPD::IncludeHidden();
    ZEQPPD::ExcludeOrphans();
    EXPECT_EQ(ZEQPPD::Options(), 0u);
    ZEQPPD::Options(saved);

    const _EXTENSIONS_SUPPORT_ level = ZEQPPD::GetExtensions();
    EXPECT_EQ(level, 0xFFFFFFFFu);
    ZEQPPD::SetExtensions(1);
    EXPECT_EQ(ZEQPPD::GetExtensions(), 1u);
    ZEQPPD::SetExtensions(level);

    // Destroying a model leaves the display options as they were.
    ZEQPPD::Options(1);
    { Parsed p = Parse(std::string(kHead) + kBoolBlock); }
    EXPECT_EQ(ZEQPPD::Options(), 1u);
    ZEQPPD::Options(saved);
}

TEST(ZEQPPDDriver, CopySharesTheModelAndComparesEqual) {
    Parsed p = Parse(std::string(kHead) + kBoolBlock);
    {
        ZEQPPD copy(*p.ppd);
        EXPECT_EQ(copy.GetControls(), p->GetControls());
        EXPECT_TRUE(copy == *p.ppd);
    }
    // The source is intact after the copy is gone.
    ASSERT_NE(Control(p.ppd.get(), "*QWImageFlag"), nullptr);
    Parsed other = Parse(std::string(kHead) + kBoolBlock);
    EXPECT_FALSE(*p.ppd == *other.ppd);
}

TEST(ZEQPPDDriver, UrlConstructorChecksThePCFileName) {
    TempFile file(std::string(kHead) + kBoolBlock);
    CFURLRef url = CFURLCreateFromFileSystemRepresentation(
        nullptr, reinterpret_cast<const UInt8*>(file.Path().c_str()),
        static_cast<CFIndex>(file.Path().size()), false);
    ASSERT_NE(url, nullptr);
    const void* accepted[] = {CFSTR("ZEQTEST")};
    CFArrayRef acceptedNames = CFArrayCreate(nullptr, accepted, 1, &kCFTypeArrayCallBacks);
    const void* refused[] = {CFSTR("zeqtest")};
    CFArrayRef refusedNames = CFArrayCreate(nullptr, refused, 1, &kCFTypeArrayCallBacks);

    ZEQPPD* ok = new ZEQPPD(url, 3, acceptedNames);
    EXPECT_TRUE(ok->IsValidPrinterName());
    EXPECT_TRUE(ok->IsValidPPD());
    EXPECT_NE(Control(ok, "*QWImageFlag"), nullptr);
    FSSpec spec;
    EXPECT_TRUE(ok->GetFileSpec(spec));
    delete ok;

    // Another printer's PPD is not parsed: no containers, no model.
    ZEQPPD* other = new ZEQPPD(url, 3, refusedNames);
    EXPECT_FALSE(other->IsValidPrinterName());
    EXPECT_EQ(other->GetControls(), nullptr);
    EXPECT_EQ(other->GetGroups(), nullptr);
    delete other;

    CFRelease(acceptedNames);
    CFRelease(refusedNames);
    CFRelease(url);
}

TEST(ZEQPPDDriver, ATextRetainedFromTheModelOutlivesIt) {
    const long arenas = ZEQArena::LiveCount();
    Parsed p = Parse(std::string(kHead) + kBoolBlock);
    PPDXControl* control = Control(p.ppd.get(), "*QWImageFlag");
    ASSERT_NE(control, nullptr);
    CFStringRef name = control->CFStringUserName();
    ASSERT_NE(name, nullptr);
    CFRetain(name);
    p.ppd.reset();
    EXPECT_EQ(ZEQArena::LiveCount(), arenas + 1);  // the string holds its block
    char text[32];
    ASSERT_TRUE(CFStringGetCString(name, text, sizeof text, kCFStringEncodingUTF8));
    EXPECT_STREQ(text, "Image Shift");
    CFRelease(name);
    EXPECT_EQ(ZEQArena::LiveCount(), arenas);
}
