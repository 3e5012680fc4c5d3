#pragma once
// The main client window's answers to `tessaray --control` (platform/ControlService.h): each
// request does what the menu command does, with the current settings and capture target.
#include <string>

namespace tess {

class TClient;

struct ControlAnswer {
    int code = 1; // 0 done, 1 refused or failed
    std::string text;
};

// "record", "stop", "pause", "resume" or "snapshot" on `client`: code 0 with the file's path
// (empty for pause and resume) when done; else 1 and why not. Returns when the recording has
// started, the file is finished, the picture is written.
ControlAnswer RunControlRequest(TClient& client, const std::string& command);

} // namespace tess
