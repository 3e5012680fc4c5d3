#pragma once
// Private window messages: a wx event carrying the message number and its two arguments,
// posted with PostMessage and routed by EVT_PRIVATE_MESSAGE handlers.
#include <wx/event.h>

namespace tess {

class PrivateMessageEvent : public wxEvent {
public:
    PrivateMessageEvent(int message = 0, long wParam = 0, long lParam = 0);
    int message() const { return message_; }
    long wParam() const { return wParam_; }
    long lParam() const { return lParam_; }
    wxEvent* Clone() const override { return new PrivateMessageEvent(*this); }

private:
    int message_;
    long wParam_;
    long lParam_;
};

wxDECLARE_EVENT(EVT_TESS_MESSAGE, PrivateMessageEvent);

// Posts message `message` to `target` (queued; handled after the caller returns).
// Ignores a null target.
void PostMessage(wxEvtHandler* target, int message, long wParam = 0, long lParam = 0);

} // namespace tess

typedef void (wxEvtHandler::*PrivateMessageEventFunction)(tess::PrivateMessageEvent&);
#define PrivateMessageEventHandler(func) wxEVENT_HANDLER_CAST(PrivateMessageEventFunction, func)
// Event-table entry for every private message (the handler looks at message()).
#define EVT_PRIVATE_MESSAGE(func)                                                                  \
    wx__DECLARE_EVT0(tess::EVT_TESS_MESSAGE, PrivateMessageEventHandler(func))
