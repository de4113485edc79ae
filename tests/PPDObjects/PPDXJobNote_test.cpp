// Job notes: the comment line chosen by flags and keyword, substitution into PPD code, the
// 511-byte cut, the note code cache, the display rule and the shared output converter.
#include "PPDObjects/PPDXJobNote.h"

#include "tests/PPDObjects/ModelTestSupport.h"

namespace {

class JobNoteTest : public ModelTest {
protected:
    // A job note without PPD code; the default text is `text`.
    PPDXJobNote* Note(const char* keyword, JobNoteFlag flags, const char* text,
                      const char* code = nullptr, bool visible = true) {
        PointerList words;
        CString encoding("ISOLatin1");
        return new PPDXJobNote(keyword, Name("Note"), words, code != nullptr ? Code(code) : nullptr,
                               code != nullptr ? static_cast<long>(strlen(code)) : 0,
                               text != nullptr ? new CString(text) : nullptr, &encoding, visible,
                               255, flags, 0);
    }
};

TEST_F(JobNoteTest, CommentLineByKeywordAndFlags) {
    PPDXJobNote* rush = Note("*Notes1", 0, "Rush");
    EXPECT_EQ(rush->Type(), kJobNoteControl);
    EXPECT_EQ(PostScriptOf(*rush),
              "%%BeginFeature: *Notes1 Rush\n%%ZEQCustom1: Rush\n%%EndFeature\n");
    delete rush;

    struct Case {
        const char* keyword;
        JobNoteFlag flags;
        const char* code;
    } cases[] = {
        {"*Notes2", 0, "%%ZEQCustom2: T\n"},
        {"*Instruc", 0, "%%ZEQCustom3: T\n"},
        {"*Instruc", kJobNoteMember, "%%DeptPassword: T\n"},
        {"*Notes1", kJobNoteMember | kJobNoteResume, "%%PersPassword: T\n"},
        {"*Notes3", 0, "%%EmptyOption\n\n"},
        {"*notes1", 0, "%%EmptyOption\n\n"},
    };
    for (const Case& c : cases) {
        PPDXJobNote* note = Note(c.keyword, c.flags, "T");
        EXPECT_EQ(PostScriptOf(*note),
                  std::string("%%BeginFeature: ") + c.keyword + " T\n" + c.code + "%%EndFeature\n")
            << c.keyword;
        delete note;
    }

    // An empty text is a text; no text or no keyword emits nothing.
    PPDXJobNote* empty = Note("*Notes1", 0, "");
    EXPECT_EQ(PostScriptOf(*empty), "%%BeginFeature: *Notes1 \n%%ZEQCustom1: \n%%EndFeature\n");
    delete empty;
    PPDXJobNote* none = Note("*Notes1", 0, nullptr);
    EXPECT_EQ(none->GetNotes(), nullptr);
    EXPECT_EQ(none->PostScript(nullptr), 0);
    delete none;
    PPDXJobNote* nameless = Note("", 0, "x");
    EXPECT_EQ(nameless->PostScript(nullptr), 0);
    delete nameless;
}

TEST_F(JobNoteTest, LongTextIsCutInTheCodeOnly) {
    const std::string text(600, 'n');
    PPDXJobNote* note = Note("*Notes2", 0, text.c_str());
    EXPECT_EQ(PostScriptOf(*note), "%%BeginFeature: *Notes2 " + text + "\n%%ZEQCustom2: " +
                                       text.substr(0, 511) + "\n%%EndFeature\n");
    delete note;

    PPDXJobNote* coded = Note("*QWAcct", 0, text.c_str(), "(<*qwacct>) acct\n");
    EXPECT_EQ(PostScriptOf(*coded), "%%BeginFeature: *QWAcct " + text + "\n(" +
                                        text.substr(0, 511) + ") acct\n%%EndFeature\n");
    delete coded;
}

TEST_F(JobNoteTest, NewTextRebuildsTheCodeAndResetRestoresTheDefault) {
    PPDXJobNote* note = Note("*Notes1", 0, "D", "<*Notes1>\n");
    note->SetNotes("B");
    EXPECT_EQ(PostScriptOf(*note), "%%BeginFeature: *Notes1 B\nB\n%%EndFeature\n");
    note->SetNotes("A");
    EXPECT_EQ(PostScriptOf(*note), "%%BeginFeature: *Notes1 A\nA\n%%EndFeature\n");
    note->ResetToDefaultValue();
    EXPECT_STREQ(note->GetNotes(), "D");
    EXPECT_STREQ(note->GetDefaultNotes(), "D");
    EXPECT_EQ(PostScriptOf(*note), "%%BeginFeature: *Notes1 D\nD\n%%EndFeature\n");
    EXPECT_FALSE(note->GetNotesOnValue());
    note->SetNotesOnValue(true);
    EXPECT_TRUE(note->GetNotesOnValue());
    EXPECT_EQ(note->MaxLength(), 255);
    delete note;
}

TEST_F(JobNoteTest, SharedConverterLivesFromTheFirstNoteToTheLast) {
    EXPECT_EQ(PPDXJobNote::mOutConverter, nullptr);
    PPDXJobNote* first = Note("*A", 0, "");
    TextConverter* converter = PPDXJobNote::mOutConverter;
    EXPECT_NE(converter, nullptr);
    EXPECT_EQ(PPDXJobNote::mOutConverterRefs, 1);
    PPDXJobNote* second = Note("*B", 0, "");
    EXPECT_EQ(PPDXJobNote::mOutConverter, converter);
    EXPECT_EQ(PPDXJobNote::mOutConverterRefs, 2);
    {
        PPDXJobNote bystander;  // a default-constructed note neither joins nor leaves
        EXPECT_EQ(PPDXJobNote::mOutConverterRefs, 2);
    }
    delete first;
    EXPECT_EQ(PPDXJobNote::mOutConverter, converter);
    EXPECT_EQ(PPDXJobNote::mOutConverterRefs, 1);
    delete second;
    EXPECT_EQ(PPDXJobNote::mOutConverter, nullptr);
    EXPECT_EQ(PPDXJobNote::mOutConverterRefs, 0);

    // After a reset, notes made before it leave the new converter alone.
    PPDXJobNote* old = Note("*C", 0, "");
    PPDXJobNote::ResetSharedConverter();
    PPDXJobNote* fresh = Note("*D", 0, "");
    delete old;
    EXPECT_EQ(PPDXJobNote::mOutConverterRefs, 1);
    EXPECT_NE(PPDXJobNote::mOutConverter, nullptr);
    delete fresh;
    EXPECT_EQ(PPDXJobNote::mOutConverter, nullptr);
}

}  // namespace
