// UI constraint forests: the list, tree and forest classes, the constraint statements and
// the queries over a parsed PPD.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "PPDObjects/PPDXControl.h"
#include "PPDObjects/PPDXControls.h"
#include "PPDUtils/CStringSoup.h"
#include "PPDUtils/PPDStream.h"
#include "parser/UIConstraints.h"
#include "parser/ZEQPPD.h"
#include "tests/parser/ZEQPPDTestUtil.h"

namespace {

using Entries = std::vector<std::pair<long, long>>;

Entries EntriesOf(const ItemConstraintList& list) {
    Entries entries;
    for (unsigned long i = 0; i < list.size(); ++i) {
        entries.push_back(list[i]);
    }
    return entries;
}

// Record i as "keyword item" ("-" for a null control); packed fields are copied out first.
std::string Record(const SharedConstraintRec* records, long i) {
    PPDXControl* control = records[i].control;
    const unsigned item = records[i].item;
    const char* keyword = control != nullptr ? control->Keyword() : nullptr;
    return std::string(keyword != nullptr ? keyword : "-") + " " + std::to_string(item);
}

std::vector<std::string> Records(const SharedConstraintRec* records, long count) {
    std::vector<std::string> lines;
    for (long i = 0; i < count; ++i) {
        lines.push_back(Record(records, i));
    }
    return lines;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

PPDXControl* ControlOf(ZEQPPD* ppd, const char* keyword) {
    for (PPDXControl* control : zeqtest::AllControls(ppd)) {
        if (control->Keyword() != nullptr && std::strcmp(control->Keyword(), keyword) == 0) {
            return control;
        }
    }
    ADD_FAILURE() << "no control " << keyword;
    return nullptr;
}

// A statement line as the statement loop hands it over: positioned after the keyword and
// its colon.
PPDXErrorObj* ParseStatement(ZEQPPD& ppd, const char* rest, bool requirement) {
    PPDStream stream(rest, static_cast<long>(std::strlen(rest)));
    return ppd.ParseUIConstraint(stream, requirement);
}

}  // namespace

TEST(UIConstraintLists, TreesAndForestsAnswerByOptionInAscendingOrder) {
    KeyConstraintTree tree(3);
    tree.insert(20, {1, 1});
    tree.insert(5, {2, 2});
    tree.insert(20, {3, 3});
    std::unique_ptr<ItemConstraintList> one(tree.GetItemConstraintList(20));
    EXPECT_EQ(one->Key(), 20);
    EXPECT_EQ(EntriesOf(*one), (Entries{{1, 1}, {3, 3}}));
    std::unique_ptr<ItemConstraintList> all(tree.GetItemConstraintList(-1));
    EXPECT_EQ(EntriesOf(*all), (Entries{{2, 2}, {1, 1}, {3, 3}}));
    std::unique_ptr<ItemConstraintList> none(tree.GetItemConstraintList(6));
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(none->size(), 0u);

    ConstraintForest forest;
    forest.insert(1, 2, 3, 4);
    forest.insert(1, 0, {5, 6});
    EXPECT_EQ(forest.GetConstraintList(2, -1), nullptr);
    std::unique_ptr<ItemConstraintList> list(forest.GetConstraintList(1, -1));
    EXPECT_EQ(EntriesOf(*list), (Entries{{5, 6}, {3, 4}}));
}

TEST(UIConstraintStatements, FormsPoolOrderAndCounters) {
    ZEQPPD ppd(3);
    ASSERT_NE(gConstraintStrings, nullptr);
    const unsigned long constraintsBefore = gProcessedConstraints;
    const unsigned long requiresBefore = gProcessedRequires;

    // The four texts enter the pool in the order option2, key2, option1, key1.
    EXPECT_EQ(ParseStatement(ppd, " *PageSize Envelope *Duplex DuplexNoTumble", false), nullptr);
    ASSERT_EQ(gConstraintStrings->size(), 4);
    EXPECT_STREQ(gConstraintStrings->Find(0L), "DuplexNoTumble");
    EXPECT_STREQ(gConstraintStrings->Find(1L), "*Duplex");
    EXPECT_STREQ(gConstraintStrings->Find(2L), "Envelope");
    EXPECT_STREQ(gConstraintStrings->Find(3L), "*PageSize");

    // No first option: the second token is the second keyword and option1 is "".
    EXPECT_EQ(ParseStatement(ppd, "\t*Duplex\t*InputSlot Manual", false), nullptr);
    EXPECT_EQ(gConstraintStrings->Find(""), 6);
    std::unique_ptr<ItemConstraintList> list(
        ppd.GetConstraintForest()->GetConstraintList(gConstraintStrings->Find("*Duplex"), 6));
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(EntriesOf(*list), (Entries{{gConstraintStrings->Find("*InputSlot"), 4}}));

    // A requirement goes to the other forest.
    EXPECT_EQ(ParseStatement(ppd, " *Duplex None *QWStaple", true), nullptr);
    std::unique_ptr<ItemConstraintList> notConstrained(ppd.GetConstraintForest()->GetConstraintList(
        gConstraintStrings->Find("*Duplex"), gConstraintStrings->Find("None")));
    ASSERT_NE(notConstrained, nullptr);
    EXPECT_EQ(notConstrained->size(), 0u);
    std::unique_ptr<ItemConstraintList> required(ppd.GetRequiresForest()->GetConstraintList(
        gConstraintStrings->Find("*Duplex"), gConstraintStrings->Find("None")));
    ASSERT_NE(required, nullptr);
    EXPECT_EQ(required->size(), 1u);

    // Without a second keyword: error 36, not fatal, nothing stored.
    const long poolSize = gConstraintStrings->size();
    PPDXErrorObj* error = ParseStatement(ppd, " *PageSize Envelope", false);
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->Number(), 36);
    EXPECT_FALSE(error->IsFatal());
    EXPECT_EQ(error->Keyword(), nullptr);
    delete error;
    EXPECT_EQ(gConstraintStrings->size(), poolSize);

    // Nothing, or only one keyword: passed over without an error.
    EXPECT_EQ(ParseStatement(ppd, "", false), nullptr);
    EXPECT_EQ(ParseStatement(ppd, "   *PageSize", false), nullptr);
    EXPECT_EQ(gConstraintStrings->size(), poolSize);

    EXPECT_EQ(gProcessedConstraints - constraintsBefore, 2u);
    EXPECT_EQ(gProcessedRequires - requiresBefore, 1u);
}

TEST(UIConstraintQueries, AnswersOverAParsedPPD) {
    EXPECT_EQ(sizeof(SharedConstraintRec), sizeof(void*) + 2);
    zeqtest::Parsed parsed =
        zeqtest::Parse(ReadFile(std::string(ZEQ_TEST_DATA) + "/constraints.ppd"));
    ZEQPPD* ppd = parsed.ppd.get();
    PPDXControl* pageSize = ControlOf(ppd, "*PageSize");
    PPDXControl* duplex = ControlOf(ppd, "*Duplex");
    PPDXControl* inputSlot = ControlOf(ppd, "*InputSlot");
    ASSERT_TRUE(pageSize && duplex && inputSlot);

    // Envelope is item 2: its own list first, then all of *PageSize.
    SharedConstraintRec* records = nullptr;
    long count = ppd->GetConstraintList(pageSize, 2, &records);
    ASSERT_EQ(count, 2);
    EXPECT_EQ(Records(records, count), (std::vector<std::string>{"*Duplex 2", "*Duplex 2"}));
    PPDXControl* target = records[0].control;
    EXPECT_EQ(target, duplex);
    ppd->ReleaseConstraintList(records);
    EXPECT_EQ(records, nullptr);
    EXPECT_EQ(ppd->GetConstraintList(pageSize, 1, &records), 1);
    ppd->ReleaseConstraintList(records);
    // A value beyond the items: only the general list; without a records pointer: the count.
    EXPECT_EQ(ppd->GetConstraintList(pageSize, 9, nullptr), 1);

    // (Booleans, requirements and targets without controls: tests/tools, on the same file.)
    // No statement for the control, or no control: 0 records and a null array.
    records = reinterpret_cast<SharedConstraintRec*>(&count);
    EXPECT_EQ(ppd->GetConstraintList(inputSlot, 1, &records), 0);
    EXPECT_EQ(records, nullptr);
    records = reinterpret_cast<SharedConstraintRec*>(&count);
    EXPECT_EQ(ppd->GetConstraintList(nullptr, 1, &records), 0);
    EXPECT_EQ(records, reinterpret_cast<SharedConstraintRec*>(&count));
    records = nullptr;
    ppd->ReleaseConstraintList(records);

    // The dump lists every index entry against every pool text.
    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    char title[] = "constraints";
    EXPECT_EQ(ppd->DumpConstraintMap(out, ppd->GetConstraintForest(), title), 5);
    std::rewind(out);
    std::string text;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, out) != nullptr) {
        text += buffer;
    }
    std::fclose(out);
    EXPECT_EQ(text.rfind("--- constraints ---\n", 0), 0u);
    EXPECT_NE(text.find("GetConstraintList: *PageSize(3), Envelope(2)\n"
                        "*UIConstraints: *PageSize Envelope *Duplex DuplexNoTumble\n"),
              std::string::npos)
        << text;

    // Destroying the maps clears the pool; queries then answer nothing.
    ppd->DeleteConstraintMaps();
    EXPECT_EQ(gConstraintStrings, nullptr);
    EXPECT_EQ(ppd->GetConstraintForest(), nullptr);
    EXPECT_EQ(ppd->GetConstraintList(pageSize, 2, &records), 0);
    EXPECT_EQ(records, nullptr);
}
