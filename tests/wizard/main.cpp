// The wizard tests start wxWidgets first (when a display is there), then run the
// tests; the window tests skip without a display.
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
    }
    int rc = RUN_ALL_TESTS();
    if (wx)
        wxEntryCleanup();
    return rc;
}
