#pragma once
// The preferences property sheets ("Options", "Capture Effects Options") and the base of
// their pages. A page is set up (the settings put into its controls) the first time it is
// shown and applied (its controls read back) only when the sheet closes with OK; a page that
// was never shown applies nothing. The sheet has no Apply button; its Help button opens the
// help topic of the page shown.
#include "platform/DesktopServices.h"
#include "resources/HelpIds.h"
#include "settings/PrefForms.h"
#include "settings/Settings.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>
#include <wx/bookctrl.h>
#include <wx/panel.h>
#include <wx/propdlg.h>

namespace tess {

class EventList;

// Where the Sound page's lists come from: the input devices, the output devices, the
// mixer input lines of a named input device, and the desktop's sound sources (the sound
// server's when not set).
struct SoundDeviceLists {
    std::function<std::vector<std::string>()> inputs, outputs;
    std::function<std::vector<std::string>(const std::string&)> lines;
    std::function<std::vector<DesktopSourceEntry>()> desktops;
};

// What the pages of one sheet work on.
struct PrefContext {
    Settings* settings = nullptr;  // the record the pages edit
    EventList* schedule = nullptr; // the live schedule (the Timer page)
    bool* timerEnable = nullptr;   // "Enable timers"
    // The picture format being chosen: starts as ImageFormat, follows the Image page's
    // buttons at once, read by the File page's picture example and pattern dialog.
    int32_t imageFormat = 0;
    // "Include audio with video capture" as being chosen, once the Capture page's check box
    // or the Sound page's "Turn it on" has changed it (until then VidAudio holds): the Sound
    // page says when no sound would be recorded, and the Capture page shows the button's
    // change.
    std::optional<bool> vidAudio;
    // Whether another program holds a hot-key value (the HotKey page's warning); may be null.
    std::function<bool(uint16_t)> keyHeldElsewhere;
    // What the HotKey page says about global hot keys in this session ("" for nothing).
    std::string hotKeyNote;
    // The message boxes of the sheet, its pages and their dialogs (must be set).
    DesktopServices* desktop = nullptr;
    // The text recognition models installed (the Image page's "Text language" list).
    std::vector<std::string> textLanguages;
    // The Sound page's lists; unless all three are set, the system's devices.
    SoundDeviceLists soundDevices;
};

class TSetPage : public wxPanel {
public:
    // `helpIds`: the page's control id -> help id table (a static table of the page class).
    TSetPage(wxWindow* parent, int resourceId, PrefContext& ctx,
             std::span<const HelpIdEntry> helpIds);

    // Set-up on the first call.
    void EnsureSetUp();
    bool isSetUp() const { return setUp_; }
    int resourceId() const { return resourceId_; }
    // Each time the page becomes the shown page (after set-up).
    virtual void PageShown() {}
    // Before OK applies: false keeps the sheet open on this page.
    virtual bool CanClose() { return true; }
    // Reads the controls back into the settings; a problem to tell the user after the sheet
    // has closed goes into `messages`.
    virtual void Apply(std::vector<std::string>& messages) = 0;
    // The page's control id -> help id table, for the help system's pop-ups.
    std::span<const HelpIdEntry> HelpIdTable() const { return helpIds_; }

protected:
    virtual void SetUpPage() = 0;
    PrefContext& ctx_;

private:
    int resourceId_;
    std::span<const HelpIdEntry> helpIds_;
    bool setUp_ = false;
};

// A page whose controls show one form of settings/PrefForms.h: set-up shows what `SetUpFn`
// makes of the settings, apply gives what the controls hold to `ApplyFn`.
template <class Form, Form (*SetUpFn)(const Settings&), void (*ApplyFn)(const Form&, Settings&)>
class TFormPage : public TSetPage {
public:
    using TSetPage::TSetPage;
    virtual Form ReadForm() const = 0;
    void Apply(std::vector<std::string>&) override { ApplyFn(ReadForm(), *ctx_.settings); }

protected:
    virtual void ShowForm(const Form& form) = 0;
    void SetUpPage() override { ShowForm(SetUpFn(*ctx_.settings)); }
};

class TPrefSheet : public wxPropertySheetDialog {
public:
    TPrefSheet(wxWindow* parent, const std::string& title, PrefContext& ctx);

    // Pages are made with bookParent() as their parent, then added in order.
    wxWindow* bookParent();
    void AddPage(TSetPage* page, const std::string& title);
    // After the last page: the buttons, the size; the first page is shown (and set up).
    void Finish();

    size_t pageCount() const { return pages_.size(); }
    TSetPage* page(size_t index) const { return pages_.at(index); }
    TSetPage* currentPage() const;
    void SelectPage(size_t index);

    // What OK does: every page that was shown may keep the sheet open, then each applies.
    // False when a page kept it open.
    bool ApplyPages();
    // What the pages had to say while applying.
    const std::vector<std::string>& messages() const { return messages_; }
    // Where the sheet's message boxes go.
    DesktopServices& desktop() const { return *ctx_.desktop; }

private:
    void OnPageChanged(wxBookCtrlEvent& e);
    void OnOk(wxCommandEvent& e);
    void OnHelp(wxCommandEvent& e);

    PrefContext& ctx_;
    std::vector<TSetPage*> pages_;
    std::vector<std::string> messages_;
};

} // namespace tess
