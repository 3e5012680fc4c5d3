#pragma once
// A fixture with the main client window in a frame with a status bar on a real X server, a
// fake desktop, and quiet snapshot settings into a temporary directory (restored afterwards).
// Before Xlib (its macros): the client window's headers.
#include "capture/ClientSnapshot.h"
#include "capture/TClient.h"

#include "SnapshotTestSupport.h"
#include "support/FakeDesktop.h"

#include <wx/frame.h>
#include <wx/statusbr.h>

namespace tess::test {

class ClientFrameFixture : public ::testing::Test {
protected:
    void SetUp() override {
        TESS_NEED_WX();
        saved = GlobalSettings();
        GlobalSettings() = test::QuietSnapshotSettings(dir.str());
        frame = new wxFrame(nullptr, wxID_ANY, "Tessaray", wxPoint(1200, 600), wxSize(400, 300));
        frame->CreateStatusBar(1);
        BeforeClient();
        client = new TClient(frame, desktop);
        frame->Show();
        test::Pump(100);
    }
    // A fixture's own settings and desktop parts, given before the client window is made.
    virtual void BeforeClient() {}
    void TearDown() override {
        if (!frame)
            return;
        frame->Destroy();
        test::Pump(20);
        GlobalSettings() = saved;
    }
    std::string StatusText() const { return frame->GetStatusBar()->GetStatusText(0).utf8_string(); }

    test::TempDir dir;
    Settings saved;
    wxFrame* frame = nullptr;
    test::FakeDesktop desktop;
    TClient* client = nullptr;
};

} // namespace tess::test
