#pragma once
// Shared pieces of the application tests: private XDG directories per test, and the main
// frame with its client window on the X server, a fake desktop and counting choosers.
#include "app/SDIDecFrame.h"
#include "app/SettingsIO.h"
#include "resources/Ids.h"
#include "settings/Paths.h"
#include "settings/Settings.h"
#include "support/FakeDesktop.h"
#include "support/Pump.h"
#include "support/TestSupport.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <wx/app.h>

namespace tess::test {

class XdgTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("XDG_CONFIG_HOME", (dir.str() + "/config").c_str(), 1);
        setenv("XDG_DATA_HOME", (dir.str() + "/data").c_str(), 1);
        SetDefaultIniPathForTesting(dir.str() + "/exe/tessaray.ini");
    }
    void TearDown() override {
        SetRegistryStorePathForTesting({});
        SetDefaultIniPathForTesting({});
    }
    TempDir dir;
};

// The main frame made from the stored settings of a fresh profile. The choosers of a window
// or a rectangle count their calls and answer `windowChoice` / `rectChoice` (nothing: a
// cancelled choice); the schedule answers `scheduleAnswer` once. The frame's state messages
// are collected in `states`.
class FrameFixture : public XdgTest {
protected:
    void SetUp() override {
        if (!HaveDisplay() || !wxTheApp)
            GTEST_SKIP() << "no X display";
        XdgTest::SetUp();
        saved_ = GlobalSettings();
        LoadSettings();
        captures = dir.str() + "/captures";
        std::filesystem::create_directories(captures);
        GlobalSettings().defaultDirectory = captures;
    }
    // Makes and shows the frame (the tests set settings first where the frame reads them).
    void MakeFrame() {
        ClientHooks hooks;
        hooks.selectWindow = [this](WindowId* w) {
            ++windowChoices;
            *w = windowChoice;
            return windowChoice != 0;
        };
        hooks.selectRectangle = [this](ScreenRect* r) {
            ++rectChoices;
            titleDuringChoice = frame->GetTitle().utf8_string();
            *r = rectChoice;
            return !rectChoice.empty();
        };
        hooks.prepareMixer = prepareMixer;
        hooks.scheduleCheck = [this] { return std::exchange(scheduleAnswer, 0); };
        frame = new SDIDecFrame(desktop, false, std::move(hooks));
        client = frame->client();
        frame->Bind(EVT_TESS_MESSAGE, [this](PrivateMessageEvent& e) {
            if (e.message() == msg::StateIcons)
                states.push_back(static_cast<CaptureState>(e.wParam()));
            e.Skip();
        });
        frame->Show();
        PumpUntil([this] { return frame->IsShownOnScreen(); }, 2000);
        Pump(50);
    }
    void TearDown() override {
        if (frame) {
            client->canClose = nullptr;
            delete frame;
            Pump(20);
        }
        GlobalSettings() = saved_;
        XdgTest::TearDown();
    }
    // A menu command as the frame receives it; false when nothing handled it.
    bool Menu(int cmd) {
        wxCommandEvent e(wxEVT_MENU, cmd);
        e.SetEventObject(frame);
        return frame->GetEventHandler()->ProcessEvent(e);
    }
    wxUpdateUIEvent Ui(int cmd) {
        wxUpdateUIEvent e(cmd);
        e.SetEventObject(frame);
        frame->GetEventHandler()->ProcessEvent(e);
        return e;
    }
    CaptureState State() const { return client->captureState(); }

    FakeDesktop desktop;
    SDIDecFrame* frame = nullptr;
    TClient* client = nullptr;
    std::string captures;
    int windowChoices = 0, rectChoices = 0;
    WindowId windowChoice = 0;
    ScreenRect rectChoice;
    std::string titleDuringChoice;
    std::function<void()> prepareMixer; // empty: the real mixer step
    int scheduleAnswer = 0;
    std::vector<CaptureState> states;

private:
    Settings saved_;
};

} // namespace tess::test
