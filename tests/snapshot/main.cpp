// The snapshot tests start wxWidgets first (when a display is there) for the selection
// window and the client window; tests that need a display skip without one.
#include <gtest/gtest.h>

#include "app/App.h"
#include "support/TestSupport.h"
#include "support/XTestWindows.h"

#include <wx/app.h>
#include <wx/init.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    bool wx = false;
    if (tess::test::HaveDisplay()) {
        tess::test::KeepServerUp();
        wxApp::SetInstance(new wxApp());
        wx = wxEntryStart(argc, argv);
        if (wx) {
            wxTheApp->CallOnInit();
            // The texts of the language the environment names, as the program's start loads
            // them (English in the suite's run; the screenshot scripts choose others).
            tess::UseTranslations(TESS_BINARY_DIR "/locale");
        }
    }
    int rc = RUN_ALL_TESTS();
    if (wx)
        wxEntryCleanup();
    return rc;
}
