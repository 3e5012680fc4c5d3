// The audio tests start wxWidgets first (the meter and slider are windows); without a
// display the window tests skip and the rest run.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/init.h>

#include "audio/AudioTestSupport.h"

namespace tess::test {
bool gWxStarted = false;
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (tess::test::HaveDisplay()) {
        wxApp::SetInstance(new wxApp());
        tess::test::gWxStarted = wxEntryStart(argc, argv);
        if (tess::test::gWxStarted)
            wxTheApp->CallOnInit();
    }
    int rc = RUN_ALL_TESTS();
    if (tess::test::gWxStarted)
        wxEntryCleanup();
    return rc;
}
