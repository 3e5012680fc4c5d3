#pragma once
// The main client window's answers to `tessaray --control` (platform/ControlService.h): each
// request does what the menu command does, with the current settings and capture target.
#include <memory>
#include <string>

#include "platform/ControlService.h"
#include "platform/Translate.h"

namespace tess {

class TClient;

// The answer to a request that arrives while another waits (for the user's choice of a
// window or rectangle, a countdown) or while the user chooses a window or rectangle.
inline constexpr const char* kControlBusyAnswer =
    N_("busy: another request or a selection is under way; try again when it is done");

// "record", "stop", "pause", "resume" or "snapshot" on `client`: code 0 with the file's path
// (empty for pause and resume) when done; else 1 and why not. Returns when the recording has
// started, the file is finished, the picture is written.
ControlAnswer RunControlRequest(TClient& client, const std::string& command);

// The requests of the client: one at a time, each run from the toolkit's loop (not inside the
// bus's dispatch, as a request may wait for the user's selection). A request ends with its
// caller: a selection it waits for is cancelled when the caller leaves the bus.
class ControlRequests {
public:
    explicit ControlRequests(TClient& client) : client_(client) {}
    // Refused at once with kControlBusyAnswer while another request is under way or a
    // selection window is open; else run soon.
    void Take(std::shared_ptr<ControlCall> call);
    // The running request's caller has gone: no selection is to be offered for it.
    bool callerGone() const { return current_ && current_->callerGone(); }

private:
    void Run(const std::shared_ptr<ControlCall>& call);

    TClient& client_;
    std::shared_ptr<ControlCall> current_;
};

} // namespace tess
