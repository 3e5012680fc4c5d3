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
// then).
void Add(wxMenu* m, int cmd, const char* text, wxItemKind kind = wxITEM_NORMAL) {
    // A plain letter or sign as the key is shown only: as an accelerator it would take that
    // letter from every text box of the window (the marks' keys act only in the video area
    // and the playback bar, which read them themselves).
    const wxString whole = wxString::FromUTF8(text);
    const bool plainKey = whole.AfterFirst('\t').length() == 1;
    auto* item =
        new wxMenuItem(m, cmd, plainKey ? whole.BeforeFirst('\t') : whole, wxEmptyString, kind);
    if (kind == wxITEM_NORMAL) {
        wxBitmap bmp = CommandImage(cmd);
        if (bmp.IsOk())
            item->SetBitmap(bmp);
    }
    m->Append(item);
    // Key texts that name no key the toolkit knows ("Right-cursor", "Alt+Up-cursor": the
    // accelerator table binds those keys) are shown as they stand; the toolkit drops them
    // from the item's label.
    const wxString key = whole.AfterFirst('\t');
    if (!key.empty() &&
        (plainKey || !std::unique_ptr<wxAcceleratorEntry>(wxAcceleratorEntry::Create("\t" + key))))
        gtk::ShowMenuKeyText(item->GetMenuItem(), key.utf8_string());
}

// Items whose enabler ticks them are check items.
void Check(wxMenu* m, int cmd, const char* text) {
    Add(m, cmd, text, wxITEM_CHECK);
}

} // namespace

wxMenuBar* BuildMainMenu() {
    wxLogNull quiet; // "Right-cursor" and the like are texts, not accelerators (Add)
    auto* file = new wxMenu;
    Add(file, id::FileOpen, "&Open...");
    Add(file, id::FileOpenWith, "&Open &With...");
    Add(file, id::FileSaveAs, "Save &As...");
    Add(file, id::FileCopy, "Cop&y\tCtrl+C");
    Add(file, id::FileEdit, "E&dit...\tCtrl+E");
    Add(file, id::FileCopyText, "Copy &Text");
    Add(file, id::FileExport, "&Export...");
    Add(file, id::SaveTrimmedCopy, "Save Tri&mmed Copy...");
    Add(file, id::SaveWithoutSelection, "Save Wit&hout Selection...");
    Add(file, id::FileClose, "&Close");
    file->AppendSeparator();
    Add(file, id::FileProperties, "&Properties...");
    Add(file, id::NewInstance, "New instance");
    Add(file, id::OpenSettingsFile, "Open settings file...");
    Add(file, id::SaveSettingsAs, "Save settings as...");
    file->AppendSeparator();
    Add(file, id::PrinterSetup, "Printer Setup...");
    Add(file, id::FilePrint, "&Print...\tCtrl+P");
    file->AppendSeparator();
    Add(file, id::Exit, "E&xit\tAlt+F4");

    auto* view = new wxMenu;
    Check(view, id::PlaybackBar, "&Playback bar");

    auto* control = new wxMenu;
    Check(control, id::Screen, "Screen");
    Check(control, id::Window, "Window");
    Check(control, id::Rectangle, "Rectangle");
    Check(control, id::Monitor, "Monitor");
    control->AppendSeparator();
    Add(control, id::Snapshot, "Snapshot");
    auto* format = new wxMenu;
    Check(format, id::FormatJpg, "JPG");
    Check(format, id::FormatPng, "PNG");
    Check(format, id::FormatBmp, "BMP");
    Check(format, id::FormatGif, "GIF");
    control->AppendSubMenu(format, "Snapshot file format");
    auto* snapSpecify = new wxMenu;
    Add(snapSpecify, id::SnapshotScreen, "Snapshot Screen");
    Add(snapSpecify, id::SnapshotWindow, "Snapshot Window");
    Add(snapSpecify, id::SnapshotRegion, "Snapshot Region");
    Add(snapSpecify, id::SnapshotLastRegion, "Snapshot Last Region");
    control->AppendSubMenu(snapSpecify, "Snapshot specify");
    Add(control, id::CopyTextFromRegion, "Copy &Text from Region...");
    Check(control, id::DelaySnapshot, DelayMenuText(GlobalSettings().snapshotDelay).c_str());
    control->AppendSeparator();
    Add(control, id::RecordVideo, "&Record Video\tAlt+R");
    auto* recSpecify = new wxMenu;
    Add(recSpecify, id::RecordScreen, "Record Screen");
    Add(recSpecify, id::RecordWindow, "Record Window Video...");
    Add(recSpecify, id::RecordRegion, "Record Region Video...");
    Add(recSpecify, id::RecordLastRegion, "Record Last Region");
    control->AppendSubMenu(recSpecify, "Record specify");
    Add(control, id::RecordWizard, "Record &Wizard...");
    Add(control, id::StopRecording, "&Stop Recording");
    Check(control, id::PauseRecording, "P&ause Recording\tPause");
    control->AppendSeparator();
    Check(control, id::Caption, "Caption");
    Check(control, id::Scale, "Scale");
    Add(control, id::ChangeEffects, "Change effects...");
    control->AppendSeparator();
    Add(control, id::Play, "&Play\tAlt+P");
    Add(control, id::Stop, "&Stop \tAlt+S");
    Add(control, id::TogglePlay, "Toggle play\tSpace");
    Add(control, id::SkipForward, "Skip &forward\tRight-cursor");
    Add(control, id::SkipBackward, "Skip &backward\tLeft-cursor");
    Add(control, id::SetIn, "Set &In\tI");
    Add(control, id::SetOut, "Set &Out\tO");
    Add(control, id::PlaySelection, "Play Se&lection");
    Add(control, id::ClearMarks, "&Clear Marks");
    Check(control, id::FullScreen, "Full Screen\tAlt+Enter");
    Check(control, id::Mute, "&Mute\tCtrl+Home");
    Add(control, id::VolumeUp, "Volume up\tAlt+Up-cursor");
    Add(control, id::VolumeDown, "Volume down\tAlt+Down-cursor");

    auto* options = new wxMenu;
    Add(options, id::Preferences, "&Preferences...");
    options->AppendSeparator();
    Add(options, id::MixerPlay, "Mixer Pla&y control...\tCtrl+Shift+P");
    Add(options, id::MixerRecord, "Mixer &Record control...\tCtrl+Shift+R");
    Add(options, id::MixerVolume, "Mixer &Volume...\tCtrl+V");
    Add(options, id::MultimediaProperties, "System Multimedia P&roperties...");

    auto* help = new wxMenu;
    Add(help, id::HelpContents, "&Contents");
    help->AppendSeparator();
    Add(help, id::About, "&About...");

    auto* bar = new wxMenuBar;
    bar->Append(file, "&File");
    bar->Append(view, "&View");
    bar->Append(control, "&Control");
    bar->Append(options, "&Options");
    bar->Append(help, "&Help");
    return bar;
}

wxMenu* BuildPopupMenu() {
    wxLogNull quiet;
    auto* m = new wxMenu;
    Check(m, id::Screen, "Screen");
    Check(m, id::Window, "Window");
    Check(m, id::Rectangle, "Rectangle");
    Check(m, id::Monitor, "Monitor");
    m->AppendSeparator();
    // Each key text names the key of the accelerator table that runs the item.
    Add(m, id::Snapshot, "Snapshot");
    Add(m, id::RecordVideo, "&Record\tAlt+R");
    Add(m, id::Stop, "&Stop");
    m->AppendSeparator();
    Add(m, id::Play, "&Play\tAlt+P");
    Add(m, id::Stop, "&Stop\tAlt+S");
    Add(m, id::TogglePlay, "Toggle play\tSpace");
    Add(m, id::SkipForward, "Skip &forward\tRight-cursor");
    Add(m, id::SkipBackward, "Skip &backward\tLeft-cursor");
    Check(m, id::FullScreen, "View Full Screen\tAlt+Enter");
    Check(m, id::Mute, "&Mute\tCtrl+Home");
    Add(m, id::VolumeUp, "Volume up\tAlt+Up-cursor");
    Add(m, id::VolumeDown, "Volume down\tAlt+Down-cursor");
    m->AppendSeparator();
    Add(m, id::About, "&About...");
    return m;
}

wxMenu* BuildTrayMenu() {
    wxLogNull quiet;
    auto* m = new wxMenu;
    Add(m, id::TrayRestore, "&Restore window");
    m->AppendSeparator();
    Check(m, id::Screen, "Screen");
    Check(m, id::Window, "Window");
    Check(m, id::Rectangle, "Rectangle");
    Check(m, id::Monitor, "Monitor");
    m->AppendSeparator();
    Add(m, id::Snapshot, "Snapshot");
    Add(m, id::SnapshotLastRegion, "Snapshot Last Region");
    Add(m, id::CopyTextFromRegion, "Copy &Text from Region...");
    Add(m, id::RecordVideo, "&Record Video\tAlt+R");
    Add(m, id::RecordLastRegion, "Record Last Region");
    Add(m, id::StopRecording, "&Stop Recording");
    Check(m, id::PauseRecording, "P&ause Recording\tPause");
    m->AppendSeparator();
    Add(m, id::About, "&About...");
    m->AppendSeparator();
    Add(m, id::TrayExit, "E&xit");
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
    wxString text = item->GetItemLabelText(); // without mnemonic and accelerator
    wxString markup = "<b>" + text + "</b>";
    // The first "&" of the label is the mnemonic: GTK writes it "_".
    wxString raw = item->GetItemLabel().BeforeFirst('\t');
    int amp = raw.Find('&');
    if (amp != wxNOT_FOUND && amp + 1 < static_cast<int>(raw.length())) {
        wxString withMnemonic = raw.Left(amp) + "_" + raw.Mid(amp + 1);
        withMnemonic.Replace("&", "&amp;");
        markup = "<b>" + withMnemonic + "</b>";
    }
    setMarkup(label, markup.utf8_str());
    return true;
#else
    (void)item;
    return false;
#endif
}

} // namespace tess
