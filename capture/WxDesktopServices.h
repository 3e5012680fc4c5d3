#pragma once
// The desktop's services as the window program gives them: the toolkit's message boxes and
// folder chooser, waits that let the windows repaint, the toolkit's beep, the shutter clip
// through the sound layer, the desktop's default application for a file and the toolkit's
// clipboard, and the desktop's notifications (platform/notify).
#include <functional>

#include "platform/DesktopServices.h"

class wxWindow;

namespace tess {

class WxDesktopServices : public DesktopServices {
public:
    // Message boxes and the folder chooser are placed over `parent` (may be null, and set
    // later when the main window exists).
    explicit WxDesktopServices(wxWindow* parent = nullptr) : parent_(parent) {}
    void setParent(wxWindow* parent) { parent_ = parent; }
    // What a notification's "Open" does: show the file in the program.
    void setOpenHandler(std::function<void(const std::string& path)> open) {
        open_ = std::move(open);
    }
    // What a snapshot notification's "Edit" does: the file in the mark-up editor.
    void setEditHandler(std::function<void(const std::string& path)> edit) {
        edit_ = std::move(edit);
    }

    MessageAnswer message(const std::string& text, const std::string& caption, MessageKind kind,
                          MessageButtons buttons) override;
    void wait(int ms) override;
    void beep() override;
    void shutter() override;
    bool openFile(const std::string& path) override;
    bool openUri(const std::string& uri) override;
    std::optional<std::string> chooseDirectory(const std::string& title,
                                               const std::string& start) override;
    bool copyPicture(const uint8_t* bgrx, int width, int height, int stride) override;
    bool copyText(const std::string& text) override;
    void keepClipboard() override;
    void notifyCapture(const CaptureNotice& notice) override;
    std::chrono::system_clock::time_point now() override;

private:
    // Where boxes and choosers go: over the program's active window (a dialog open over
    // the main window, such as the preferences), else over the main window.
    wxWindow* Over() const;

    wxWindow* parent_;
    std::function<void(const std::string& path)> open_;
    std::function<void(const std::string& path)> edit_;
};

} // namespace tess
