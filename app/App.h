#pragma once
// The application: start-up (switches, settings, first-instance check, the main frame),
// the commands that concern the whole program, and shutdown (settings saved first).
#include "app/CommandLine.h"
#include "app/SettingsIO.h"

#include <memory>
#include <optional>
#include <string>
#include <wx/app.h>

namespace tess {

class SDIDecFrame;
class WxDesktopServices;

// Runs the program with its command line; returns the process exit code.
int RunProgram(int argc, char** argv);

// Once the toolkit is up: the user's locale (numbers in the C form), and the toolkit's and
// our texts from the catalogs of the message language (the Language setting, else the
// environment's LANGUAGE, LC_ALL, LC_MESSAGES, LANG). `localeDir` holds our catalogs.
void UseTranslations(const std::string& localeDir);

class App : public wxApp {
public:
    explicit App(const CommandLine& cl = {});
    ~App() override;

    bool OnInit() override;
    int OnRun() override;
    int OnExit() override;

    bool firstInstance() const { return firstInstance_; }
    bool startMinimized() const { return cl_.startMinimized; }
    SDIDecFrame* frame() const { return frame_; }

    // "New instance": starts the program's executable again without arguments.
    static bool StartNewInstance();
    // "Open settings file..." / "Save settings as..." once a file is chosen; problems are
    // shown to the user in a message box parented on `parent` (none when null).
    static SettingsResult OpenSettingsFile(const std::string& path, wxWindow* parent);
    static SettingsResult SaveSettingsFile(const std::string& path, wxWindow* parent);
    // The two commands with their file dialogs.
    static void CmOpenSettingsFile(wxWindow* parent);
    static void CmSaveSettingsAs(wxWindow* parent);

    // Saves every group to the default store (at close, whatever follows).
    static void SaveSettingsAtClose();

private:
    CommandLine cl_;
    bool firstInstance_ = true;
    // The desktop's services of the window program, handed to the frame and its client.
    std::unique_ptr<WxDesktopServices> desktop_;
    SDIDecFrame* frame_ = nullptr;
    // The exit code of the command-line editor (--edit), which runs instead of the frame.
    std::optional<int> editExit_;
};

wxDECLARE_APP(App);

} // namespace tess
