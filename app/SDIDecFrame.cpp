#include "app/SDIDecFrame.h"

#include "app/App.h"
#include "capture/MainGroup.h"
#include "resources/Ids.h"
#include "settings/Settings.h"

#include <algorithm>

namespace tess {

wxBEGIN_EVENT_TABLE(SDIDecFrame, wxFrame) EVT_CLOSE(SDIDecFrame::OnClose)
    EVT_PRIVATE_MESSAGE(SDIDecFrame::OnMessage) wxEND_EVENT_TABLE()

        SDIDecFrame::SDIDecFrame(bool startMinimized, const ClientFactory& makeClient)
    : wxFrame(nullptr, wxID_ANY, "Tessaray"), startMinimized_(startMinimized) {
    client_ = makeClient ? makeClient(this) : new TClient(this);
    Bind(wxEVT_SIZE, &SDIDecFrame::OnMoveOrSize, this);
    Bind(wxEVT_MOVE, &SDIDecFrame::OnMoveOrSize, this);
    for (int cmd :
         {id::NewInstance, id::OpenSettingsFile, id::SaveSettingsAs, id::Exit, id::TrayExit})
        Bind(wxEVT_MENU, &SDIDecFrame::OnAppCommand, this, cmd);
    SetFrameGeometrySource([this](WindowGeometry& g) {
        wxRect r = NormalRect();
        g = {r.x, r.y, r.width, r.height};
        return true;
    });
}

SDIDecFrame::~SDIDecFrame() {
    SetFrameGeometrySource(nullptr);
}

void SDIDecFrame::SetUp() {
    ApplyFrameSettings();
    if (startMinimized_) {
        if (GlobalSettings().trayIcon)
            PostMessage(GetEventHandler(), msg::HideToTray);
        else
            Iconize(true);
    }
}

void SDIDecFrame::ApplyFrameSettings() {
    long style = GetWindowStyleFlag();
    if (GlobalSettings().onTop)
        style |= wxSTAY_ON_TOP;
    else
        style &= ~wxSTAY_ON_TOP;
    if (style != GetWindowStyleFlag())
        SetWindowStyleFlag(style);
}

wxRect SDIDecFrame::NormalRect() const {
    if (!normalRect_.IsEmpty())
        return normalRect_;
    return GetRect();
}

void SDIDecFrame::OnMoveOrSize(wxEvent& e) {
    e.Skip();
    if (IsShown() && !IsIconized() && !IsMaximized() && !IsFullScreen())
        normalRect_ = GetRect();
}

bool SDIDecFrame::TryBefore(wxEvent& event) {
    // The client window's commands and enablers run in the client.
    const wxEventType t = event.GetEventType();
    if (client_ && (t == wxEVT_MENU || t == wxEVT_UPDATE_UI)) {
        const auto& ids = ClientCommandIds();
        if (std::find(ids.begin(), ids.end(), event.GetId()) != ids.end())
            return client_->ProcessWindowEventLocally(event);
    }
    return wxFrame::TryBefore(event);
}

void SDIDecFrame::OnAppCommand(wxCommandEvent& e) {
    switch (e.GetId()) {
    case id::NewInstance:
        App::StartNewInstance();
        break;
    case id::OpenSettingsFile:
        App::CmOpenSettingsFile(this);
        break;
    case id::SaveSettingsAs:
        App::CmSaveSettingsAs(this);
        break;
    case id::Exit:
    case id::TrayExit:
        Close();
        break;
    default:
        break;
    }
}

void SDIDecFrame::OnClose(wxCloseEvent& e) {
    // Settings are saved first, whatever the answer to the close is.
    App::SaveSettingsAtClose();
    if (e.CanVeto() && client_ && !client_->CanClose()) {
        e.Veto();
        return;
    }
    Destroy();
}

void SDIDecFrame::UpdateStateIcons(int state) {
    (void)state;
}

void SDIDecFrame::OnMessage(PrivateMessageEvent& e) {
    switch (e.message()) {
    case msg::StateIcons:
        UpdateStateIcons(GlobalSettings().captureState);
        break;
    case msg::HideToTray:
        Hide();
        break;
    default:
        e.Skip();
        break;
    }
}

} // namespace tess
