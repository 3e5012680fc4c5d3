#include "capture/ClientControl.h"

#include "capture/AnnotationEditor.h"
#include "capture/CaptureModeBox.h"
#include "capture/ClientSnapshot.h"
#include "capture/Recording.h"
#include "capture/RecordingController.h"
#include "capture/SelectR.h"
#include "capture/TClient.h"
#include "platform/Translate.h"
#include "resources/Ids.h"

namespace tess {

namespace {

// Ends the selection window now open as Escape does.
void CancelSelection() {
    if (SelectR* selection = SelectR::Active()) {
        wxKeyEvent escape(wxEVT_CHAR_HOOK);
        escape.m_keyCode = WXK_ESCAPE;
        escape.SetEventObject(selection);
        selection->GetEventHandler()->ProcessEvent(escape);
    }
}

} // namespace

ControlAnswer RunControlRequest(TClient& client, const std::string& command) {
    const bool recording = client.RecordingRuns();
    const bool paused = client.RecordingIsPaused();
    if (command == "record") {
        if (recording)
            return {1, Tr("A recording is already running.")};
        client.RunCommand(id::RecordVideo);
        if (!client.RecordingRuns())
            return {1, Tr("No recording was started (the choice was cancelled or the recording "
                          "could not start).")};
        return {0, RecordingFileName()};
    }
    if (command == "snapshot") {
        if (recording)
            return {1, Tr("A recording is running; a snapshot waits until it is stopped.")};
        client.modeBox().Read();
        const std::optional<SnapshotOutcome> shot =
            RunClientSnapshot(client, client.captureMode(), {}, false);
        if (!shot)
            return {1, Tr("No snapshot was taken (the choice was cancelled).")};
        return shot->ok ? ControlAnswer{0, shot->path} : ControlAnswer{1, shot->message};
    }
    if (command != "stop" && command != "pause" && command != "resume")
        // TRANSLATORS: %s is what another program asked of this one, such as "stop"
        return {1, FormatText(Tr("Unknown request \"%s\"."), command.c_str())};
    if (!recording)
        return {1, Tr("No recording is running.")};
    if (command == "stop") {
        const std::string file = RecordingFileName();
        client.RunCommand(id::StopRecording);
        return {0, file};
    }
    if ((command == "pause") == paused)
        return {1, paused ? Tr("The recording is already paused.")
                          : Tr("The recording is not paused.")};
    client.recorder().Pause(command == "pause");
    return {0, std::string()};
}

void ControlRequests::Take(std::shared_ptr<ControlCall> call) {
    if (current_ || SelectR::Active() || AnnotationEditorOpen()) {
        call->Reply({1, Tr(kControlBusyAnswer)});
        return;
    }
    current_ = call;
    call->WhenCallerGone([this, raw = call.get()] {
        if (current_.get() == raw)
            CancelSelection();
    });
    client_.CallAfter([this, call] { Run(call); });
}

void ControlRequests::Run(const std::shared_ptr<ControlCall>& call) {
    // One request runs the menu command's code at a time, so it leaves the window as the menu
    // command does (a snapshot's capture-start action undone, also when its choice is
    // cancelled).
    ControlAnswer answer;
    if (!call->callerGone())
        answer = RunControlRequest(client_, call->request());
    current_.reset();
    call->Reply(answer);
}

} // namespace tess
