#include "resources/ui/Messages.h"

namespace tess {

wxDEFINE_EVENT(EVT_TESS_MESSAGE, PrivateMessageEvent);

PrivateMessageEvent::PrivateMessageEvent(int message, long wParam, long lParam)
    : wxEvent(0, EVT_TESS_MESSAGE), message_(message), wParam_(wParam), lParam_(lParam) {}

void PostMessage(wxEvtHandler* target, int message, long wParam, long lParam) {
    if (target)
        wxQueueEvent(target, new PrivateMessageEvent(message, wParam, lParam));
}

} // namespace tess
