// The main of the suites that test the program's windows (TESS_APP_SUITES): wxWidgets
// started first with the program's own application object (when a display is there), then
// the tests; window tests skip without a display.
#include <gtest/gtest.h>

#include "app/App.h"
#include "support/TestSupport.h"

#include <wx/init.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    bool wx = false;
    if (tess::test::HaveDisplay()) {
        wxApp::SetInstance(new tess::App());
        wx = wxEntryStart(argc, argv);
        // As the program does once the toolkit is up: the texts of the language the
        // environment names (English in the suite's run; the screenshot scripts choose others).
        if (wx)
            tess::UseTranslations(TESS_BINARY_DIR "/locale");
    }
    int rc = RUN_ALL_TESTS();
    if (wx)
        wxEntryCleanup();
    return rc;
}
