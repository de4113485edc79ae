// The keyword index of the containers: below and above the size at which it builds its
// table, with repeated keywords, exact look-ups answer as the walk of the container does.
#include "PPDObjects/PPDXBooleanControl.h"
#include "PPDObjects/PPDXControls.h"
#include "PPDObjects/PPDXGroup.h"
#include "PPDObjects/PPDXGroups.h"
#include "PPDObjects/PPDXPopupControl.h"
#include "tests/PPDObjects/ModelTestSupport.h"

#include <memory>
#include <string>
#include <vector>

namespace {

class KeywordIndexTest : public ModelTest {
protected:
    void TearDown() override {
        for (PPDXElement* element : mOwned)
            delete element;
        ModelTest::TearDown();
    }
    PPDXControl* Make(const std::string& keyword, int i) {
        PointerList flags, items;
        PPDXControl* control;
        if (i % 3 == 0)
            control = new PPDXBooleanControl(keyword.c_str(), Name(keyword.c_str()), flags, true,
                                             nullptr, nullptr, 0, nullptr, nullptr, 0, false);
        else
            control = new PPDXPopupControl(keyword.c_str(), Name(keyword.c_str()), flags,
                                           i % 5 != 0, false, items, nullptr);
        if (i % 7 != 0)
            control->SetParent(&mParent);
        mOwned.push_back(control);
        return control;
    }
    // What a walk of the whole container answers.
    static PPDXControl* Walked(PPDXControls& controls, const std::string& keyword) {
        CNTL_TYPE type = kUnknownControl;
        for (PPDXControl* c = controls.First(type); c != nullptr; c = controls.Next(type))
            if (keyword == c->Keyword())
                return c;
        return nullptr;
    }

    std::vector<PPDXElement*> mOwned;
    PPDXGroup mParent{"Parent", Name("Parent"), true};
};

TEST_F(KeywordIndexTest, RepeatedKeywordsAnswerAsTheWalkAtEverySize) {
    for (int size : {3, 16, 17, 40, 300}) {
        PPDXControls controls;
        std::vector<PPDXControl*> added;
        // Every keyword comes back a few times, of other kinds and visibility.
        for (int i = 0; i < size; ++i) {
            added.push_back(Make("*K" + std::to_string(i % (size / 3 + 1)), i));
            controls.Add(added.back());
        }
        for (_DISPLAY_OPTIONS_ options = 0; options < 4; ++options) {
            ZEQPPD::Options(options);
            for (int k = 0; k <= size / 3 + 1; ++k) {
                const std::string keyword = "*K" + std::to_string(k);
                PPDXControl* expected = Walked(controls, keyword);
                CNTL_TYPE type = kUnknownControl;
                EXPECT_EQ(controls.Find(keyword.c_str(), type, true), expected)
                    << size << " " << options << " " << keyword;
                // The cursor stays where the walk would: Next goes on after the match.
                if (expected != nullptr) {
                    PPDXControl* after = controls.Next(type);
                    PPDXControl* walkedAfter = nullptr;
                    CNTL_TYPE t = kUnknownControl;
                    for (PPDXControl* c = controls.First(t); c != nullptr; c = controls.Next(t))
                        if (c == expected) {
                            walkedAfter = controls.Next(t);
                            break;
                        }
                    EXPECT_EQ(after, walkedAfter) << size << " " << keyword;
                }
            }
        }
        // FindFirst: the first of the keyword whatever the options, and the walk goes on
        // undisturbed.
        ZEQPPD::Options(0);
        CNTL_TYPE type = kUnknownControl;
        PPDXControl* walking = controls.First(type);
        for (int k = 0; k <= size / 3 + 1; ++k) {
            const std::string keyword = "*K" + std::to_string(k);
            PPDXControl* first = nullptr;
            for (PPDXControl* c : added)
                if (first == nullptr && keyword == c->Keyword())
                    first = c;
            EXPECT_EQ(controls.FindFirst(keyword.c_str()), first) << size << keyword;
        }
        EXPECT_EQ(controls.FindFirst("*Missing"), nullptr);
        if (walking != nullptr) {
            PPDXControl* second = controls.Next(type);
            CNTL_TYPE t = kUnknownControl;
            controls.First(t);
            EXPECT_EQ(second, controls.Next(t)) << size;
        }
        // Kind look-ups ignore the display options: the first of the kind in order.
        for (int k = 0; k <= size / 3 + 1; ++k) {
            const std::string keyword = "*K" + std::to_string(k);
            PPDXPopupControl* popup = nullptr;
            PPDXBooleanControl* boolean = nullptr;
            for (PPDXControl* c : added) {
                if (keyword != c->Keyword())
                    continue;
                if (popup == nullptr)
                    popup = dynamic_cast<PPDXPopupControl*>(c);
                if (boolean == nullptr)
                    boolean = dynamic_cast<PPDXBooleanControl*>(c);
            }
            EXPECT_EQ(controls.FindPopup(keyword.c_str(), true), popup) << size << keyword;
            EXPECT_EQ(controls.FindBoolean(keyword.c_str(), true), boolean) << size << keyword;
        }
    }
}

}  // namespace
