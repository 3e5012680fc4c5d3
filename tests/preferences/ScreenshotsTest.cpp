// Not a check: with TESS_SCREENSHOT_DIR set (tools/screenshots/preferences.sh), shows every
// page of both sheets and the event dialog and saves a picture of each into that directory.
#include "app/AppTestSupport.h"
#include "app/OptionsSheet.h"
#include "app/SettingsIO.h"
#include "platform/portal/Shortcuts.h"
#include "schedule/ui/SchedDialog.h"
#include "support/FakeDesktop.h"

#include <algorithm>
#include <wx/bookctrl.h>
#include <wx/combobox.h>
#include <wx/frame.h>

namespace tess {
namespace {

// Saves the screen around `w` (its window-manager frame included) as DIR/name.png.
void Shoot(wxWindow* w, const std::string& name) {
    test::Pump(300);
    const char* dir = std::getenv("TESS_SCREENSHOT_DIR");
    wxRect r = w->GetScreenRect().Inflate(8);
    r.y -= 24; // the title bar
    r.height += 24;
    r.Intersect(wxRect(0, 0, 1280, 900));
    if (std::getenv("TESS_SCREENSHOT_ROOT"))
        r = wxRect(0, 0, 1280, 900);
    std::string geometry = std::to_string(r.width) + "x" + std::to_string(r.height) + "+" +
                           std::to_string(r.x) + "+" + std::to_string(r.y);
    std::string path = std::string(dir) + "/" + name + ".png";
    test::RunCommand("import -window root -crop " + geometry + " +repage '" + path + "'");
    std::printf("shot %s\n", path.c_str());
}

// Shows `sheet` where the pictures expect it.
std::unique_ptr<TPrefSheet> Shown(std::unique_ptr<TPrefSheet> sheet) {
    sheet->Move(100, 100);
    sheet->Show();
    return sheet;
}

TEST(Screenshots, EveryPageAndTheEventDialog) {
    if (!std::getenv("TESS_SCREENSHOT_DIR") || !test::HaveDisplay() || !wxTheApp)
        GTEST_SKIP() << "only for tools/screenshots/preferences.sh";
    LoadSettings();
    LiveSchedule().AddEvent({"news", 62, 9, 0, 10, 0, 3, 2});
    LiveSchedule().AddEvent({"weekend", 65, 22, 30, 23, 0, -1, 3});
    GlobalSettings().key1 = 888;
    GlobalSettings().capEnable = true;
    GlobalSettings().capBackMode = 3;
    auto* frame = new wxFrame(nullptr, wxID_ANY, "Tessaray", wxPoint(980, 700), wxSize(280, 180));
    // The sheets' owner stays hidden, out of the pictures.
    test::FakeDesktop desktop;
    PrefContext ctx;
    ctx.settings = &GlobalSettings();
    ctx.schedule = &LiveSchedule();
    ctx.timerEnable = &TimerEnable();
    ctx.imageFormat = GlobalSettings().imageFormat;
    ctx.desktop = &desktop;
    {
        auto sheet = Shown(MakeOptionsSheet(frame, ctx));
        for (size_t i = 0; i < sheet->pageCount(); ++i) {
            sheet->SelectPage(i);
            std::string title = sheet->GetBookCtrl()->GetPageText(i).utf8_string();
            std::replace(title.begin(), title.end(), ' ', '-');
            Shoot(sheet.get(), "options-" + std::to_string(i + 1) + "-" + title);
        }
        // The quality list open while the desktop's sound is chosen.
        auto* sound = dynamic_cast<TSetSound*>(sheet->page(6));
        sheet->SelectPage(6);
        sound->recordBox()->SetSelection(1);
        sound->EnableForRecord();
        sound->qualityBox()->Popup();
        test::Pump(300);
        Shoot(sheet.get(), "options-7-Sound-device-quality");
        sound->qualityBox()->Dismiss();
        // The event dialog over the Timer page, run modally as the user meets it.
        sheet->SelectPage(9);
        auto* timer = dynamic_cast<TSchedDialog*>(sheet->page(9));
        TSchedDialog::RunEventDialog() = [](TEventDialog& d) {
            wxTheApp->CallAfter([&d] {
                Shoot(&d, "event-dialog");
                d.EndModal(wxID_CANCEL);
            });
            return d.ShowModal();
        };
        timer->NewEvent();
        TSchedDialog::RunEventDialog() = [](TEventDialog& d) { return d.ShowModal(); };
    }
    {
        // The HotKey page as a Wayland session without a shortcut portal shows it.
        PrefContext wayland = ctx;
        wayland.hotKeyNote = std::string(kNoGlobalHotKeysMessage) +
                             " The keys work only while a window of an X11 program has the focus.";
        auto sheet = Shown(MakeOptionsSheet(frame, wayland));
        sheet->SelectPage(8);
        Shoot(sheet.get(), "options-9-HotKey-wayland");
    }
    {
        auto sheet = Shown(MakeEffectsSheet(frame, ctx));
        for (size_t i = 0; i < sheet->pageCount(); ++i) {
            sheet->SelectPage(i);
            Shoot(sheet.get(), "effects-" + std::to_string(i + 1));
        }
    }
    frame->Destroy();
    test::Pump(50);
}

} // namespace
} // namespace tess
