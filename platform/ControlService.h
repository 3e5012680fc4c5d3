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

struct ControlAnswer {
    int code = 1; // 0 done, 1 refused or failed
    std::string text;
};

// One request on its way from a caller on the bus. Everything happens on the thread that runs
// GLib's default main context (the toolkit's).
class ControlCall {
public:
    virtual ~ControlCall() = default;
    virtual const std::string& request() const = 0;
    // Answers the caller; later answers are ignored.
    virtual void Reply(const ControlAnswer& answer) = 0;
    // The caller left the bus (ended, interrupted) before it was answered.
    virtual bool callerGone() const = 0;
    // Runs `gone` once when the caller leaves before its answer (at once when it has left).
    virtual void WhenCallerGone(std::function<void()> gone) = 0;
};

class ControlService {
public:
    using Answer = ControlAnswer;
    // Takes each request; it answers through the call, at once or later.
    using Handler = std::function<void(std::shared_ptr<ControlCall> call)>;

    // Asks the session bus for the name (never starting a bus: null when none is known).
    // Requests arrive through GLib's default main context, which the toolkit runs; each
    // caller's unique name is watched until it is answered.
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
