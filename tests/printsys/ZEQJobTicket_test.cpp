// Tests of the vendor job ticket: the fragments array, the file written for the printer's
// filter (read back by Python's plistlib), its name and mode, links and names planted in
// /tmp, and the print-settings items.
#include "printsys/ZEQJobTicket.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>

#include "PPDObjects/PPDXControl.h"
#include "platform/Random.h"
#include "tests/printsys/TicketSession.h"

namespace {

#define kPathKey CFSTR("ZEQ.PSData.com.example.imageshift")
#define kClient CFSTR("com.example.imageshift")

// A control whose PostScript is a given text.
class FixedControl : public PPDXControl {
public:
    explicit FixedControl(std::string code) : mCode(std::move(code)) {}
    void ResetToDefaultValue() override {}
    OSErr Restore(Settings&, const long&) override { return noErr; }
    long PostScript(unsigned char* buffer) override {
        if (buffer != nullptr) {
            memcpy(buffer, mCode.data(), mCode.size());
        }
        return static_cast<long>(mCode.size());
    }

private:
    std::string mCode;
};

std::string TextOf(CFTypeRef data) {
    return std::string(
        reinterpret_cast<const char*>(CFDataGetBytePtr(static_cast<CFDataRef>(data))),
        static_cast<size_t>(CFDataGetLength(static_cast<CFDataRef>(data))));
}

std::string Utf8(CFStringRef s) {
    char buffer[256] = "";
    if (s != nullptr) {
        CFStringGetCString(s, buffer, sizeof buffer, kCFStringEncodingUTF8);
    }
    return buffer;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The path the job ticket recorded in the print settings ("" when none).
std::string RecordedPath(PMTicketRef settings) {
    CFStringRef path = nullptr;
    PMTicketGetCFString(settings, kPMTopLevel, kPMTopLevel, kPathKey, &path);
    return Utf8(path);
}

// A seed whose first file name is free in /tmp, and that name.
uint32_t FreeNameSeed(std::string& name) {
    uint32_t seed =
        static_cast<uint32_t>(getpid()) * 2654435761u ^ static_cast<uint32_t>(time(nullptr));
    for (;; ++seed) {
        ZEQSeedRandom(seed);
        char buffer[64];
        CFRelease(ZEQJobTicket::CreateRandomFileName("/tmp/Vorel.temp", buffer));
        struct stat st;
        if (lstat(buffer, &st) != 0) {
            name = buffer;
            return seed;
        }
    }
}

class ZEQJobTicketTest : public ::testing::Test {
protected:
    TicketSession mSession;
    PrintSettingsTicket mSettings{mSession.session};
};

}  // namespace

TEST_F(ZEQJobTicketTest, FragmentsAlternateSiteAndBytesInTheOrderAdded) {
    ZEQJobTicket ticket(&mSettings, kPathKey);
    ASSERT_TRUE(ticket.IsReady());
    EXPECT_TRUE(ticket.IsDirty());
    EXPECT_EQ(ticket.GetLastError(), noErr);

    unsigned char keyword[] = "*QWImageFlag";
    unsigned char code[] = "userdict /QWImageFlag true put";
    EXPECT_TRUE(ticket.Add(kPSInjectionFeatureCode, code, 0));  // nothing to add
    EXPECT_EQ(ticket.GetCount(), 0);
    EXPECT_TRUE(ticket.Add(kPSInjectionControlKeyword, keyword, strlen("*QWImageFlag")));
    EXPECT_TRUE(ticket.Add(kPSInjectionFeatureCode, code, sizeof code - 1));
    EXPECT_EQ(ticket.GetCount(), 2);
    CFArrayRef injections = ticket.GetInjections();
    ASSERT_EQ(CFArrayGetCount(injections), 4);
    SInt32 sites[2] = {};
    for (int i = 0; i < 2; ++i) {
        EXPECT_TRUE(
            CFNumberGetValue(static_cast<CFNumberRef>(CFArrayGetValueAtIndex(injections, 2 * i)),
                             kCFNumberSInt32Type, &sites[i]));
    }
    EXPECT_EQ(sites[0], -9);
    EXPECT_EQ(sites[1], 81);
    EXPECT_EQ(TextOf(CFArrayGetValueAtIndex(injections, 1)), "*QWImageFlag");
    EXPECT_EQ(TextOf(CFArrayGetValueAtIndex(injections, 3)), "userdict /QWImageFlag true put");

    // A control's code: small code on the stack, long code on the heap, no code not at all.
    const std::string longCode(3000, 'x');
    FixedControl small("<< /Duplex true >> setpagedevice");
    FixedControl large(longCode);
    FixedControl empty("");
    EXPECT_TRUE(ticket.Add(kPSInjectionFeatureCode, &small));
    EXPECT_TRUE(ticket.Add(kPSInjectionFeatureCode, &large));
    EXPECT_TRUE(ticket.Add(kPSInjectionFeatureCode, &empty));
    EXPECT_FALSE(ticket.Add(kPSInjectionFeatureCode, static_cast<PPDXControl*>(nullptr)));
    EXPECT_EQ(ticket.GetCount(), 4);
    EXPECT_EQ(TextOf(CFArrayGetValueAtIndex(injections, 5)), "<< /Duplex true >> setpagedevice");
    EXPECT_EQ(TextOf(CFArrayGetValueAtIndex(injections, 7)), longCode);

    // Without a key there is nothing to fill.
    ZEQJobTicket keyless(&mSettings, nullptr);
    EXPECT_FALSE(keyless.IsReady());
    EXPECT_TRUE(keyless.Add(kPSInjectionFeatureCode, code, sizeof code - 1));
    EXPECT_EQ(keyless.GetCount(), 0);
}

TEST_F(ZEQJobTicketTest, SaveWritesTheFileTheFilterReads) {
    ZEQJobTicket ticket(&mSettings, kPathKey);
    // Nothing added: nothing written, and still dirty.
    EXPECT_TRUE(ticket.Save(kClient));
    EXPECT_TRUE(ticket.IsDirty());
    EXPECT_EQ(RecordedPath(mSession.settings), "");
    EXPECT_FALSE(ticket.Save(nullptr));

    unsigned char keyword[] = "*QWImageUnit";
    unsigned char code[] = "<< /Unit (mm) >>\n\x01\xff";
    ASSERT_TRUE(ticket.Add(kPSInjectionControlKeyword, keyword, sizeof keyword - 1));
    ASSERT_TRUE(ticket.Add(kPSInjectionFeatureCode, code, sizeof code - 1));
    const mode_t saved = umask(077);
    const bool ok = ticket.Save(kClient);
    umask(saved);
    ASSERT_TRUE(ok) << ticket.GetLastError();
    EXPECT_FALSE(ticket.IsDirty());

    const std::string path = RecordedPath(mSession.settings);
    EXPECT_TRUE(std::regex_match(path, std::regex("/tmp/Vorel\\.temp(0|[1-9][0-9]{0,4})"))) << path;
    EXPECT_LE(atol(path.c_str() + strlen("/tmp/Vorel.temp")), 65535);
    struct stat st;
    ASSERT_EQ(lstat(path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(st.st_mode & 07777, 0666u);
    CFStringRef client = nullptr;
    Boolean locked = true;
    EXPECT_EQ(PMTicketGetItemAttributes(mSession.settings, kPathKey, &client, &locked), noErr);
    EXPECT_TRUE(CFEqual(client, kClient));
    EXPECT_FALSE(locked);

    // What the filter sees: a list alternating integers and byte strings, in the order added.
    const std::string python = ZEQ_PYTHON3;
    if (python.empty() || python.find("NOTFOUND") != std::string::npos) {
        unlink(path.c_str());
        GTEST_SKIP() << "python3 not found";
    }
    const std::string command = "'" + python +
                                "' -c \"import plistlib,sys; print([(type(x).__name__, x) for x in "
                                "plistlib.load(open(sys.argv[1], 'rb'))])\" '" +
                                path + "'";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    char output[512] = "";
    EXPECT_NE(fgets(output, sizeof output, pipe), nullptr);
    EXPECT_EQ(pclose(pipe), 0);
    EXPECT_STREQ(output,
                 "[('int', -9), ('bytes', b'*QWImageUnit'), ('int', 81), "
                 "('bytes', b'<< /Unit (mm) >>\\n\\x01\\xff')]\n");

    // A second save without new fragments writes nothing.
    unlink(path.c_str());
    EXPECT_TRUE(ticket.Save(kClient));
    EXPECT_NE(lstat(path.c_str(), &st), 0);
    EXPECT_EQ(RecordedPath(mSession.settings), path);
}

TEST_F(ZEQJobTicketTest, NothingPlantedUnderTheNameIsFollowed) {
    char folder[] = "/tmp/zeqjobticket-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string victim = std::string(folder) + "/victim";
    FILE* f = fopen(victim.c_str(), "w");
    ASSERT_NE(f, nullptr);
    fputs("precious", f);
    fclose(f);
    chmod(victim.c_str(), 0600);

    // A link at the name the next save takes: the file it points to stays as it was.
    std::string name;
    const uint32_t seed = FreeNameSeed(name);
    ASSERT_EQ(symlink(victim.c_str(), name.c_str()), 0);
    ZEQSeedRandom(seed);
    ZEQJobTicket ticket(&mSettings, kPathKey);
    unsigned char code[] = "showpage";
    ASSERT_TRUE(ticket.Add(kPSInjectionFeatureCode, code, sizeof code - 1));
    EXPECT_TRUE(ticket.Save(kClient)) << ticket.GetLastError();
    EXPECT_EQ(RecordedPath(mSession.settings), name);
    EXPECT_EQ(ReadFile(victim), "precious");
    struct stat st;
    ASSERT_EQ(stat(victim.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    ASSERT_EQ(lstat(name.c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));  // the link itself was replaced by the job ticket
    EXPECT_NE(ReadFile(name).find("c2hvd3BhZ2U="), std::string::npos);  // "showpage"
    unlink(name.c_str());

    // A name that cannot be taken over fails cleanly: false, the platform's error, no path.
    const uint32_t second = FreeNameSeed(name);
    ASSERT_EQ(mkdir(name.c_str(), 0700), 0);
    ASSERT_EQ(mkdir((name + "/inside").c_str(), 0700), 0);
    ZEQSeedRandom(second);
    TicketSession other;
    PrintSettingsTicket otherSettings(other.session);
    ZEQJobTicket refused(&otherSettings, kPathKey);
    ASSERT_TRUE(refused.Add(kPSInjectionFeatureCode, code, sizeof code - 1));
    EXPECT_FALSE(refused.Save(kClient));
    EXPECT_NE(refused.GetLastError(), noErr);
    EXPECT_FALSE(refused.IsDirty());
    EXPECT_EQ(RecordedPath(other.settings), "");
    ASSERT_EQ(stat((name + "/inside").c_str(), &st), 0);
    rmdir((name + "/inside").c_str());
    rmdir(name.c_str());
    unlink(victim.c_str());
    rmdir(folder);
}

TEST_F(ZEQJobTicketTest, InvalidateCopiesAndFileNames) {
    // Invalidate removes the recorded path; without a key it does nothing, and is true.
    PMTicketSetCFString(mSession.settings, kClient, kPathKey, CFSTR("/tmp/Vorel.temp1"), 0);
    ZEQJobTicket keyless(&mSettings, nullptr);
    EXPECT_TRUE(keyless.Invalidate(kClient));
    EXPECT_EQ(RecordedPath(mSession.settings), "/tmp/Vorel.temp1");
    ZEQJobTicket ticket(&mSettings, kPathKey);
    EXPECT_TRUE(ticket.Invalidate(kClient));
    EXPECT_EQ(ticket.GetLastError(), noErr);
    EXPECT_EQ(RecordedPath(mSession.settings), "");
    EXPECT_TRUE(ticket.Invalidate(kClient));
    EXPECT_EQ(ticket.GetLastError(), kPMKeyNotFound);

    EXPECT_EQ(ticket.EnforceCopiesLimit(kClient, 3), noErr);
    SInt32 copies = 0;
    EXPECT_EQ(PMTicketGetSInt32(mSession.settings, kPMTopLevel, kPMTopLevel,
                                CFSTR("com.apple.print.PrintSettings.PMCopies"), &copies),
              noErr);
    EXPECT_EQ(copies, 3);
    ZEQJobTicket unbound(nullptr, kPathKey);
    EXPECT_FALSE(unbound.Save(kClient));

    // Names: the prefix and a number from 0 to 65535, without leading zeros.
    for (int i = 0; i < 200; ++i) {
        char out[32];
        CFStringRef name = ZEQJobTicket::CreateRandomFileName(i % 2 ? "p" : nullptr, out);
        ASSERT_NE(name, nullptr);
        EXPECT_EQ(Utf8(name), out);
        EXPECT_TRUE(std::regex_match(
            out, std::regex(i % 2 ? "p(0|[1-9][0-9]{0,4})" : "(0|[1-9][0-9]{0,4})")))
            << out;
        CFRelease(name);
    }
    CFRelease(ZEQJobTicket::CreateRandomFileName("no buffer", nullptr));
}
