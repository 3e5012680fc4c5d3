#pragma once
// The window program's object on the session bus, through which `tessaray --control` asks it
// to record, stop, pause, resume or take a snapshot. The first window program owns the
// well-known name; a later one waits in the bus's queue and takes the name only when the
// first has gone. The launcher's side (app/ControlCommand.h) calls the one method by these
// names.
#include <functional>
#include <memory>
#include <string>

namespace tess {

inline constexpr char kControlBusName[] = "com.quorvanta.Tessaray";
inline constexpr char kControlObjectPath[] = "/com/quorvanta/Tessaray";
inline constexpr char kControlInterface[] = "com.quorvanta.Tessaray.Control";
// Run(s request) -> (i code, s text): code 0 and the file's path (or nothing) when done, else
// 1 and why not.
inline constexpr char kControlMethod[] = "Run";

class ControlService {
public:
    struct Answer {
        int code = 1;
        std::string text;
    };
    // Does a request and calls `done` with its answer, at once or later on the same thread.
    using Handler =
        std::function<void(const std::string& request, std::function<void(const Answer&)> done)>;

    // Asks the session bus for the name (never starting a bus: null when none is known).
    // Requests arrive through GLib's default main context, which the toolkit runs.
    static std::unique_ptr<ControlService> Start(Handler handler);
    ~ControlService();
    ControlService(const ControlService&) = delete;
    ControlService& operator=(const ControlService&) = delete;

    // This process owns the name now.
    bool owned() const;

private:
    ControlService();
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace tess
