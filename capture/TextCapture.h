#pragma once
// Copying text off the screen in the window program: "Copy Text from Region..." (the
// selection window chooses the rectangle, the fourth hot key runs the same), and "Copy Text"
// of a displayed picture. The picture is read on a worker thread that owns its recogniser
// for the program's life (the model is loaded once); the client's timer calls Poll(), which
// follows it. When it takes longer than a moment a small dialog says so, whose Cancel (or
// Escape) stops it. The text goes to the clipboard, the status bar says "Text copied: N
// characters" and, when the settings ask for notifications, one says "Text copied" with the
// first line; "No text found" leaves the clipboard as it was.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <wx/dialog.h>

class wxWindow;

namespace tess {

class DesktopServices;
class MemBm;

// How long reading goes on before the dialog shows.
inline constexpr auto kTextDialogAfter = std::chrono::milliseconds(400);

// The running recognition: "Reading text..." and Cancel (Escape too).
class TextProgressDialog : public wxDialog {
public:
    TextProgressDialog(wxWindow* parent, std::function<void()> cancel);
};

class TextCapture {
public:
    TextCapture(wxWindow* parent, DesktopServices& desktop);
    ~TextCapture();
    TextCapture(const TextCapture&) = delete;
    TextCapture& operator=(const TextCapture&) = delete;

    // Starts reading `picture` with the models of the OcrLanguage setting (or the locale's).
    // False when a reading runs already.
    bool Start(std::unique_ptr<MemBm> picture);
    // The timer's call: the dialog shown when reading takes long, the result handed on.
    void Poll();
    // Stops the running reading (the dialog's Cancel): nothing is copied.
    void Cancel();
    bool running() const { return busy_; }
    TextProgressDialog* progressDialog() const { return progress_; }

private:
    void Work();
    void Finished(bool ok, const std::string& text, const std::string& error);
    void SetStatus(const std::string& text);

    wxWindow* parent_;
    DesktopServices& desktop_;
    TextProgressDialog* progress_ = nullptr;
    bool busy_ = false; // a picture is being read (window thread's view)
    std::chrono::steady_clock::time_point started_;

    // Shared with the worker, under the lock.
    std::mutex lock_;
    std::condition_variable wake_;
    std::unique_ptr<MemBm> picture_; // the next picture to read
    std::string languages_;
    bool done_ = false, ok_ = false, quit_ = false;
    std::string text_, error_;
    std::atomic<bool> cancel_{false};
    std::thread worker_; // started with the first reading
};

} // namespace tess
