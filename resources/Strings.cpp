#include "resources/Strings.h"

#include "platform/Translate.h"
#include "resources/Ids.h"

#include <map>

namespace tess {

namespace {

// A gadget's hint, shown in the status bar, and its tool tip (null: the hint is the whole
// text). Both are English and marked for the catalog; the windows translate them at use.
struct Text {
    const char* hint;
    const char* tip;
};

const std::map<int, Text>& Table() {
    static const std::map<int, Text> table = {
        {id::StopRecording, {N_("Stop Recording"), nullptr}},
        {id::PauseRecording, {N_("Pause or resume the recording"), N_("Pause Recording")}},
        // TRANSLATORS: short for camera: a command's hint and tip
        {id::Cam, {N_("Cam"), N_("Cam")}},
        {id::Play, {N_("Play"), N_("Play")}},
        // TRANSLATORS: a play-bar button's hint and tip: stops the playback
        {id::Stop, {N_("Stop"), N_("Stop")}},
        // TRANSLATORS: a tool-bar button's hint and tip: starts a video recording
        {id::RecordVideo, {N_("Record"), N_("Record")}},
        // TRANSLATORS: the hint and tip of the slider of the playback position
        {id::PositionSlider, {N_("Position"), N_("Position")}},
        {id::SkipForward, {N_("Skip forward"), N_("Skip forward")}},
        {id::SkipBackward, {N_("Skip backward"), N_("Skip backward")}},
        {id::SetIn, {N_("Mark the frame shown as the start of the selection (I)"), N_("Set In")}},
        {id::SetOut, {N_("Mark the frame shown as the end of the selection (O)"), N_("Set Out")}},
        {id::PlaySelection, {N_("Play from the In mark to the Out mark"), N_("Play Selection")}},
        {id::ClearMarks, {N_("Remove the In and Out marks"), N_("Clear Marks")}},
        {id::SaveTrimmedCopy,
         {N_("Save the selection as a new recording; the original is not changed"),
          N_("Save Trimmed Copy")}},
        {id::SaveWithoutSelection,
         {N_("Save the recording without the selection as a new recording; the original is not "
             "changed"),
          N_("Save Without Selection")}},
        {id::PositionPane, {N_("Position status"), N_("Position status")}},
        // TRANSLATORS: the tip of the pane showing the recording time
        {id::RecordTimePane, {N_("Status"), N_("Status")}},
        {id::VolumeSlider, {N_("Volume"), N_("Volume")}},
    };
    return table;
}

} // namespace

std::string LoadResString(int id) {
    auto it = Table().find(id);
    if (it == Table().end())
        return std::string();
    const Text& t = it->second;
    return t.tip ? std::string(t.hint) + "\n" + t.tip : std::string(t.hint);
}

std::string ToolTipText(int id) {
    std::string s = LoadResString(id);
    auto nl = s.find('\n');
    return nl == std::string::npos ? s : s.substr(nl + 1);
}

std::string HintText(int id) {
    std::string s = LoadResString(id);
    auto nl = s.find('\n');
    return nl == std::string::npos ? s : s.substr(0, nl);
}

} // namespace tess
