#include "resources/Strings.h"

#include "resources/Ids.h"

#include <map>

namespace tess {

namespace {

const std::map<int, std::string>& Table() {
    static const std::map<int, std::string> table = {
        {id::StopRecording, "Stop Recording"},
        {id::PauseRecording, "Pause or resume the recording\nPause Recording"},
        {id::Cam, "Cam\nCam"},
        {id::Play, "Play\nPlay"},
        {id::Stop, "Stop\nStop"},
        {id::RecordVideo, "Record\nRecord"},
        {id::PositionSlider, "Position\nPosition"},
        {id::SkipForward, "Skip forward\nSkip forward"},
        {id::SkipBackward, "Skip backward\nSkip backward"},
        {id::SetIn, "Mark the frame shown as the start of the selection (I)\nSet In"},
        {id::SetOut, "Mark the frame shown as the end of the selection (O)\nSet Out"},
        {id::PlaySelection, "Play from the In mark to the Out mark\nPlay Selection"},
        {id::ClearMarks, "Remove the In and Out marks\nClear Marks"},
        {id::SaveTrimmedCopy,
         "Save the selection as a new recording; the original is not changed\nSave Trimmed Copy"},
        {id::SaveWithoutSelection,
         "Save the recording without the selection as a new recording; the original is not "
         "changed\nSave Without Selection"},
        {id::PositionPane, "Position status\nPosition status"},
        {id::RecordTimePane, "Status\nStatus"},
        {id::VolumeSlider, "Volume\nVolume"},
    };
    return table;
}

} // namespace

std::string LoadResString(int id) {
    auto it = Table().find(id);
    return it == Table().end() ? std::string() : it->second;
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
