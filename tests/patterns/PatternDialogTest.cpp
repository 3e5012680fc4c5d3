// The pattern dialog under a real X server: set-up, live example, code insertion, the
// character filter and what OK writes back.
#include <gtest/gtest.h>

#include <wx/app.h>
#include <wx/choice.h>
#include <wx/init.h>
#include <wx/radiobut.h>
#include <wx/statbox.h>
#include <wx/textctrl.h>

#include "settings/ui/PatternDialog.h"
#include "support/FakeDesktop.h"
#include "support/TestSupport.h"

namespace tess {
namespace {

class WxEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (!test::HaveDisplay())
            return;
        static char name[] = "tess_patterns_tests";
        static char* argv[] = {name, nullptr};
        int argc = 1;
        wxApp::SetInstance(new wxApp());
        ready_ = wxEntryStart(argc, argv) && wxTheApp->CallOnInit();
    }
    void TearDown() override {
        if (ready_)
            wxEntryCleanup();
    }
    static bool ready() { return ready_; }

private:
    static inline bool ready_ = false;
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new WxEnvironment);

class PatternDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!WxEnvironment::ready())
            GTEST_SKIP() << "no X display for wxWidgets";
    }
    test::FakeDesktop desktop_;
};

TEST_F(PatternDialogTest, SetUpAndExample) {
    std::string pattern = "Tess";
    int32_t mode = 0;
    {
        TPatternDialog dlg(nullptr, desktop_, &pattern, 2, &mode);
        EXPECT_EQ(dlg.codeList()->GetSelection(), 0);
        EXPECT_EQ(dlg.codeList()->GetString(6), "%H Hour (00 - 23)");
        EXPECT_EQ(dlg.patternField()->GetValue(), "Tess");
        EXPECT_TRUE(dlg.alwaysButton()->GetValue());
        EXPECT_EQ(dlg.exampleField()->GetValue(), "Tess_1.wmv");
        dlg.onlyButton()->SetValue(true);
        dlg.UpdateExample();
        EXPECT_EQ(dlg.exampleField()->GetValue(), "Tess.wmv");
        // Every edit recomputes the example.
        dlg.patternField()->SetValue("");
        EXPECT_EQ(dlg.exampleField()->GetValue(), "Tess.wmv");
        dlg.patternField()->SetValue("Shot");
        EXPECT_EQ(dlg.exampleField()->GetValue(), "Shot.wmv");
    }
    mode = 1;
    TPatternDialog dlg(nullptr, desktop_, &pattern, 0, &mode);
    EXPECT_TRUE(dlg.onlyButton()->GetValue());
    EXPECT_EQ(dlg.exampleField()->GetValue(), "Tess.png");
}

TEST_F(PatternDialogTest, InsertCode) {
    std::string pattern = "Tess_";
    TPatternDialog dlg(nullptr, desktop_, &pattern, 0, nullptr);
    dlg.patternField()->SetInsertionPointEnd();
    dlg.InsertCode(); // row 0: nothing
    EXPECT_EQ(dlg.patternField()->GetValue(), "Tess_");
    dlg.codeList()->SetSelection(6);
    dlg.InsertCode();
    EXPECT_EQ(dlg.patternField()->GetValue(), "Tess_%H");
    // A selection is replaced by the code.
    dlg.patternField()->SetSelection(0, 4);
    dlg.codeList()->SetSelection(15);
    dlg.InsertCode();
    EXPECT_EQ(dlg.patternField()->GetValue(), "%Y_%H");
}

TEST_F(PatternDialogTest, FilterAndOk) {
    std::string pattern = "Tess";
    int32_t mode = 0x10;
    TPatternDialog dlg(nullptr, desktop_, &pattern, 4, &mode);
    // A typed excluded character is swallowed; others pass on.
    auto typed = [&](wxChar c) {
        wxKeyEvent key(wxEVT_CHAR);
        key.m_uniChar = c;
        key.m_keyCode = c;
        key.SetEventObject(dlg.patternField());
        return dlg.patternField()->GetEventHandler()->ProcessEvent(key);
    };
    for (wxChar c : {'.', '/', ':', '*', '?', '\\'})
        EXPECT_TRUE(typed(c)) << static_cast<char>(c);
    EXPECT_FALSE(typed('a'));
    EXPECT_FALSE(typed('%'));
    EXPECT_FALSE(typed('_'));

    // Pasted text with one is refused on OK, and nothing changes.
    dlg.patternField()->SetValue("a/b");
    dlg.onlyButton()->SetValue(true);
    EXPECT_FALSE(dlg.Commit());
    EXPECT_EQ(desktop_.texts(), std::vector<std::string>{"Invalid character in input"});
    EXPECT_EQ(pattern, "Tess");
    EXPECT_EQ(mode, 0x10);

    dlg.patternField()->SetValue("Shot_%H%M");
    EXPECT_TRUE(dlg.Commit());
    EXPECT_EQ(pattern, "Shot_%H%M");
    EXPECT_EQ(mode, 0x11); // bit 0 set, the other bits kept
    dlg.alwaysButton()->SetValue(true);
    EXPECT_TRUE(dlg.Commit());
    EXPECT_EQ(mode, 0x10);
}

TEST_F(PatternDialogTest, CaptionUse) {
    std::string caption = "Tessaray %H:%M";
    TPatternDialog dlg(nullptr, desktop_, &caption, -1, nullptr);
    EXPECT_FALSE(dlg.instanceBox()->IsShown());
    EXPECT_FALSE(dlg.alwaysButton()->IsShown());
    dlg.patternField()->SetValue("a.b: c");
    EXPECT_EQ(dlg.exampleField()->GetValue(), "a.b: c");
    dlg.patternField()->SetValue("");
    EXPECT_EQ(dlg.exampleField()->GetValue(), "");
    dlg.patternField()->SetValue("at 12:00.");
    EXPECT_TRUE(dlg.Commit());
    EXPECT_EQ(caption, "at 12:00.");
    EXPECT_TRUE(desktop_.messages.empty());
}

} // namespace
} // namespace tess
