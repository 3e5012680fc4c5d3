#include "app/Menus.h"

#include "capture/ClientLogic.h"

#include "platform/gtk/Desktop.h"
#include "resources/Ids.h"
#include "resources/ui/Art.h"

#include <dlfcn.h>
#include <memory>
#include <wx/log.h>
#include <wx/menuitem.h>

namespace tess {

namespace {

// The item's image is given before the item joins its menu (GTK makes an image item only
// then). `label` is the translated text; `key` names the item's key and is never translated.
void Add(wxMenu* m, int cmd, const wxString& label, const char* key = "",
         wxItemKind kind = wxITEM_NORMAL) {
    // A plain letter or sign as the key is shown only: as an accelerator it would take that
    // letter from every text box of the window (the marks' keys act only in the video area
    // and the playback bar, which read them themselves).
    const wxString keyText = wxString::FromUTF8(key);
    const bool plainKey = keyText.length() == 1;
    const wxString whole = keyText.empty() ? label : label + "\t" + keyText;
    auto* item = new wxMenuItem(m, cmd, plainKey ? label : whole, wxEmptyString, kind);
    if (kind == wxITEM_NORMAL) {
        wxBitmap bmp = CommandImage(cmd);
        if (bmp.IsOk())
            item->SetBitmap(bmp);
    }
    m->Append(item);
    // Key texts that name no key the toolkit knows ("Right-cursor", "Alt+Up-cursor": the
    // accelerator table binds those keys) are shown as they stand; the toolkit drops them
    // from the item's label.
    if (!keyText.empty() && (plainKey || !std::unique_ptr<wxAcceleratorEntry>(
                                             wxAcceleratorEntry::Create("\t" + keyText))))
        gtk::ShowMenuKeyText(item->GetMenuItem(), keyText.utf8_string());
}

// Items whose enabler ticks them are check items.
void Check(wxMenu* m, int cmd, const wxString& label, const char* key = "") {
    Add(m, cmd, label, key, wxITEM_CHECK);
}

} // namespace

wxMenuBar* BuildMainMenu() {
    wxLogNull quiet; // "Right-cursor" and the like are texts, not accelerators (Add)
    auto* file = new wxMenu;
    Add(file, id::FileOpen, _("&Open..."));
    Add(file, id::FileOpenWith, _("&Open &With..."));
    Add(file, id::FileSaveAs, _("Save &As..."));
    Add(file, id::FileCopy, _("Cop&y"), "Ctrl+C");
    Add(file, id::FileEdit, _("E&dit..."), "Ctrl+E");
    Add(file, id::FileCopyText, _("Copy &Text"));
    Add(file, id::FileExport, _("&Export..."));
    Add(file, id::SaveTrimmedCopy, _("Save Tri&mmed Copy..."));
    Add(file, id::SaveWithoutSelection, _("Save Wit&hout Selection..."));
    Add(file, id::FileClose, _("&Close"));
    file->AppendSeparator();
    Add(file, id::FileProperties, _("&Properties..."));
    Add(file, id::NewInstance, _("New instance"));
    Add(file, id::OpenSettingsFile, _("Open settings file..."));
    Add(file, id::SaveSettingsAs, _("Save settings as..."));
    file->AppendSeparator();
    Add(file, id::PrinterSetup, _("Printer Setup..."));
    Add(file, id::FilePrint, _("&Print..."), "Ctrl+P");
    file->AppendSeparator();
    Add(file, id::Exit, _("E&xit"), "Alt+F4");

    auto* view = new wxMenu;
    Check(view, id::PlaybackBar, _("&Playback bar"));

    auto* control = new wxMenu;
    // TRANSLATORS: the capture mode: the whole screen is taken
    Check(control, id::Screen, _("Screen"));
    // TRANSLATORS: the capture mode: a window the user picks is taken
    Check(control, id::Window, _("Window"));
    // TRANSLATORS: the capture mode: a region the user drags is taken
    Check(control, id::Rectangle, _("Rectangle"));
    // TRANSLATORS: the capture mode: one monitor of several is taken
    Check(control, id::Monitor, _("Monitor"));
    control->AppendSeparator();
    // TRANSLATORS: a command: take a picture now in the capture mode chosen
    Add(control, id::Snapshot, _("Snapshot"));
    auto* format = new wxMenu;
    Check(format, id::FormatJpg, "JPG");
    Check(format, id::FormatPng, "PNG");
    Check(format, id::FormatBmp, "BMP");
    Check(format, id::FormatGif, "GIF");
    control->AppendSubMenu(format, _("Snapshot file format"));
    auto* snapSpecify = new wxMenu;
    Add(snapSpecify, id::SnapshotScreen, _("Snapshot Screen"));
    Add(snapSpecify, id::SnapshotWindow, _("Snapshot Window"));
    Add(snapSpecify, id::SnapshotRegion, _("Snapshot Region"));
    Add(snapSpecify, id::SnapshotLastRegion, _("Snapshot Last Region"));
    control->AppendSubMenu(snapSpecify, _("Snapshot specify"));
    Add(control, id::CopyTextFromRegion, _("Copy &Text from Region..."));
    Check(control, id::DelaySnapshot,
          wxString::FromUTF8(DelayMenuText(GlobalSettings().snapshotDelay)));
    control->AppendSeparator();
    Add(control, id::RecordVideo, _("&Record Video"), "Alt+R");
    auto* recSpecify = new wxMenu;
    Add(recSpecify, id::RecordScreen, _("Record Screen"));
    Add(recSpecify, id::RecordWindow, _("Record Window Video..."));
    Add(recSpecify, id::RecordRegion, _("Record Region Video..."));
    Add(recSpecify, id::RecordLastRegion, _("Record Last Region"));
    control->AppendSubMenu(recSpecify, _("Record specify"));
    Add(control, id::RecordWizard, _("Record &Wizard..."));
    Add(control, id::StopRecording, _("&Stop Recording"));
    Check(control, id::PauseRecording, _("P&ause Recording"), "Pause");
    control->AppendSeparator();
    // TRANSLATORS: an effect switched on or off: a text line drawn on each capture
    Check(control, id::Caption, _("Caption"));
    // TRANSLATORS: an effect switched on or off: each capture is resized
    Check(control, id::Scale, _("Scale"));
    Add(control, id::ChangeEffects, _("Change effects..."));
    control->AppendSeparator();
    // TRANSLATORS: plays the recording shown
    Add(control, id::Play, _("&Play"), "Alt+P");
    // TRANSLATORS: stops the playback or the recording
    Add(control, id::Stop, _("&Stop") + " ", "Alt+S");
    Add(control, id::TogglePlay, _("Toggle play"), "Space");
    Add(control, id::SkipForward, _("Skip &forward"), "Right-cursor");
    Add(control, id::SkipBackward, _("Skip &backward"), "Left-cursor");
    Add(control, id::SetIn, _("Set &In"), "I");
    Add(control, id::SetOut, _("Set &Out"), "O");
    Add(control, id::PlaySelection, _("Play Se&lection"));
    Add(control, id::ClearMarks, _("&Clear Marks"));
    Check(control, id::FullScreen, _("Full Screen"), "Alt+Enter");
    Check(control, id::Mute, _("&Mute"), "Ctrl+Home");
    Add(control, id::VolumeUp, _("Volume up"), "Alt+Up-cursor");
    Add(control, id::VolumeDown, _("Volume down"), "Alt+Down-cursor");

    auto* options = new wxMenu;
    Add(options, id::Preferences, _("&Preferences..."));
    options->AppendSeparator();
    Add(options, id::MixerPlay, _("Mixer Pla&y control..."), "Ctrl+Shift+P");
    Add(options, id::MixerRecord, _("Mixer &Record control..."), "Ctrl+Shift+R");
    Add(options, id::MixerVolume, _("Mixer &Volume..."), "Ctrl+V");
    Add(options, id::MultimediaProperties, _("System Multimedia P&roperties..."));

    auto* help = new wxMenu;
    Add(help, id::HelpContents, _("&Contents"));
    help->AppendSeparator();
    Add(help, id::About, _("&About..."));

    auto* bar = new wxMenuBar;
    bar->Append(file, _("&File"));
    bar->Append(view, _("&View"));
    bar->Append(control, _("&Control"));
    bar->Append(options, _("&Options"));
    bar->Append(help, _("&Help"));
    return bar;
}

wxMenu* BuildPopupMenu() {
    wxLogNull quiet;
    auto* m = new wxMenu;
    Check(m, id::Screen, _("Screen"));
    Check(m, id::Window, _("Window"));
    Check(m, id::Rectangle, _("Rectangle"));
    Check(m, id::Monitor, _("Monitor"));
    m->AppendSeparator();
    // Each key text names the key of the accelerator table that runs the item.
    Add(m, id::Snapshot, _("Snapshot"));
    // TRANSLATORS: a command: start recording a video
    Add(m, id::RecordVideo, _("&Record"), "Alt+R");
    Add(m, id::Stop, _("&Stop"));
    m->AppendSeparator();
    Add(m, id::Play, _("&Play"), "Alt+P");
    Add(m, id::Stop, _("&Stop"), "Alt+S");
    Add(m, id::TogglePlay, _("Toggle play"), "Space");
    Add(m, id::SkipForward, _("Skip &forward"), "Right-cursor");
    Add(m, id::SkipBackward, _("Skip &backward"), "Left-cursor");
    Check(m, id::FullScreen, _("View Full Screen"), "Alt+Enter");
    Check(m, id::Mute, _("&Mute"), "Ctrl+Home");
    Add(m, id::VolumeUp, _("Volume up"), "Alt+Up-cursor");
    Add(m, id::VolumeDown, _("Volume down"), "Alt+Down-cursor");
    m->AppendSeparator();
    Add(m, id::About, _("&About..."));
    return m;
}

wxMenu* BuildTrayMenu() {
    wxLogNull quiet;
    auto* m = new wxMenu;
    Add(m, id::TrayRestore, _("&Restore window"));
    m->AppendSeparator();
    Check(m, id::Screen, _("Screen"));
    Check(m, id::Window, _("Window"));
    Check(m, id::Rectangle, _("Rectangle"));
    Check(m, id::Monitor, _("Monitor"));
    m->AppendSeparator();
    Add(m, id::Snapshot, _("Snapshot"));
    Add(m, id::SnapshotLastRegion, _("Snapshot Last Region"));
    Add(m, id::CopyTextFromRegion, _("Copy &Text from Region..."));
    Add(m, id::RecordVideo, _("&Record Video"), "Alt+R");
    Add(m, id::RecordLastRegion, _("Record Last Region"));
    Add(m, id::StopRecording, _("&Stop Recording"));
    Check(m, id::PauseRecording, _("P&ause Recording"), "Pause");
    m->AppendSeparator();
    Add(m, id::About, _("&About..."));
    m->AppendSeparator();
    Add(m, id::TrayExit, _("E&xit"));
    return m;
}

std::vector<wxAcceleratorEntry> AcceleratorEntries() {
    return {
        {wxACCEL_CTRL, 'P', id::FilePrint},
        {wxACCEL_CTRL, 'C', id::FileCopy},
        {wxACCEL_CTRL, 'E', id::FileEdit},
        {wxACCEL_ALT, 'P', id::Play},
        {wxACCEL_ALT, 'S', id::Stop},
        {wxACCEL_ALT, 'R', id::RecordVideo},
        {wxACCEL_NORMAL, WXK_RIGHT, id::SkipForward},
        {wxACCEL_CTRL, WXK_RIGHT, id::SkipForward},
        {wxACCEL_SHIFT, WXK_RIGHT, id::SkipForward},
        {wxACCEL_NORMAL, WXK_LEFT, id::SkipBackward},
        {wxACCEL_CTRL, WXK_LEFT, id::SkipBackward},
        {wxACCEL_SHIFT, WXK_LEFT, id::SkipBackward},
        {wxACCEL_NORMAL, WXK_HOME, id::Cam},
        {wxACCEL_CTRL, WXK_HOME, id::Mute},
        {wxACCEL_CTRL | wxACCEL_SHIFT, 'P', id::MixerPlay},
        {wxACCEL_CTRL | wxACCEL_SHIFT, 'R', id::MixerRecord},
        {wxACCEL_CTRL, 'V', id::MixerVolume},
        {wxACCEL_ALT, WXK_UP, id::VolumeUp},
        {wxACCEL_ALT, WXK_DOWN, id::VolumeDown},
        {wxACCEL_NORMAL, WXK_PAGEUP, id::PageUp},
        {wxACCEL_NORMAL, WXK_PAGEDOWN, id::PageDown},
        {wxACCEL_NORMAL, WXK_SPACE, id::TogglePlay},
        {wxACCEL_ALT, WXK_RETURN, id::FullScreen},
        {wxACCEL_NORMAL, WXK_PAUSE, id::PauseRecording},
        {wxACCEL_ALT, WXK_F4, id::Exit}, // as "E&xit" says (window managers take it first)
    };
}

wxAcceleratorTable BuildAccelerators() {
    auto entries = AcceleratorEntries();
    return wxAcceleratorTable(static_cast<int>(entries.size()), entries.data());
}

bool MakeDefaultItem(wxMenuItem* item) {
#ifdef __WXGTK__
    // GTK has no default menu item; its label can be drawn in bold through Pango markup.
    // The GTK calls are looked up at run time, so no GTK headers are needed.
    using GetChild = void* (*)(void*);
    using SetMarkup = void (*)(void*, const char*);
    static auto getChild = reinterpret_cast<GetChild>(dlsym(RTLD_DEFAULT, "gtk_bin_get_child"));
    static auto setMarkup =
        reinterpret_cast<SetMarkup>(dlsym(RTLD_DEFAULT, "gtk_label_set_markup_with_mnemonic"));
    static auto labelType =
        reinterpret_cast<unsigned long (*)()>(dlsym(RTLD_DEFAULT, "gtk_label_get_type"));
    static auto isA = reinterpret_cast<int (*)(void*, unsigned long)>(
        dlsym(RTLD_DEFAULT, "g_type_check_instance_is_a"));
    if (!item || !getChild || !setMarkup || !labelType || !isA)
        return false;
    void* widget = item->GetMenuItem();
    if (!widget)
        return false;
    void* label = getChild(widget);
    if (!label || !isA(label, labelType()))
        return false;
    // Markup and mnemonic signs in the label (a translation may hold any) are escaped.
    auto escape = [](wxString s) {
        s.Replace("&", "&amp;");
        s.Replace("<", "&lt;");
        s.Replace(">", "&gt;");
        s.Replace("_", "__");
        return s;
    };
    wxString markup = "<b>" + escape(item->GetItemLabelText()) + "</b>";
    // The first "&" of the label is the mnemonic: GTK writes it "_".
    const wxString raw = item->GetItemLabel().BeforeFirst('\t');
    const int amp = raw.Find('&');
    if (amp != wxNOT_FOUND && amp + 1 < static_cast<int>(raw.length()))
        markup = "<b>" + escape(raw.Left(amp)) + "_" + escape(raw.Mid(amp + 1)) + "</b>";
    setMarkup(label, markup.utf8_str());
    return true;
#else
    (void)item;
    return false;
#endif
}

} // namespace tess
