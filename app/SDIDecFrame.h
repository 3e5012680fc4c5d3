#pragma once
// SDIDecFrame: the main window, a decorated frame around the client window TClient. It
// routes the client's commands to it, saves the settings when it closes, keeps the place
// and size that the settings store, and answers the state-icon message.
#include "capture/TClient.h"
#include "resources/Messages.h"

#include <functional>
#include <wx/frame.h>

namespace tess {

class SDIDecFrame : public wxFrame {
public:
    // `makeClient` builds the client window inside the frame (a plain TClient when empty).
    using ClientFactory = std::function<TClient*(wxWindow* parent)>;
    explicit SDIDecFrame(bool startMinimized = false, const ClientFactory& makeClient = {});
    ~SDIDecFrame() override;

    // The frame's set-up once it is shown: tray icon, frame settings, hot keys, the
    // start-minimized flag.
    void SetUp();
    // Always on top, the tray icon and hot keys from the settings record.
    void ApplyFrameSettings();

    TClient* client() const { return client_; }
    // The place and size the frame has when it is neither minimized nor maximized.
    wxRect NormalRect() const;

protected:
    bool TryBefore(wxEvent& event) override;

private:
    void OnClose(wxCloseEvent& e);
    void OnMessage(PrivateMessageEvent& e);
    void OnMoveOrSize(wxEvent& e);
    void OnAppCommand(wxCommandEvent& e);
    void UpdateStateIcons(int state);

    TClient* client_ = nullptr;
    bool startMinimized_ = false;
    wxRect normalRect_;

    wxDECLARE_EVENT_TABLE();
};

} // namespace tess
