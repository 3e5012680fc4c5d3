#include "capture/MainGroup.h"

#include "capture/CommandOptions.h"

namespace tess {

namespace {

FrameGeometrySource& Source() {
    static FrameGeometrySource source;
    return source;
}

const char* const kEffectNames[] = {"Mirror", "Poster", "Water", "Gray", "Xray", "Emboss"};

} // namespace

int ClampWindowEdge(int value, int screenExtent) {
    if (value < 0 || value > screenExtent - 100)
        return 100;
    return value;
}

int ClampWindowWidth(int value, bool registryMode) {
    if (value < 64)
        return registryMode ? 400 : 0;
    return value;
}

int ClampWindowHeight(int value, bool registryMode) {
    if (value < 64)
        return registryMode ? 800 : 0;
    return value;
}

void LoadMainGroup(SettingsAccess& a, Settings& s, int screenWidth, int screenHeight) {
    const bool reg = a.registryMode();
    long sel = a.ReadInt("CapSelect", 0);
    s.capSelect = (sel >= 0 && sel <= 3) ? static_cast<int32_t>(sel) : 0;
    s.mute = a.ReadByte("Mute", 0) != 0;
    int vol = a.ReadByte("Volume", reg ? 80 : 50);
    s.soundLevel = vol > 100 ? 100 : vol;
    s.camState = a.ReadByte("CamState", 0);
    s.mainCaption = a.ReadByte("Caption", 0) != 0;
    s.recordDuration = a.ReadDword("RecordDuration", 15);
    s.windowX = ClampWindowEdge(a.ReadDword("WindowX", 100), screenWidth);
    s.windowY = ClampWindowEdge(a.ReadDword("WindowY", 100), screenHeight);
    s.windowW = ClampWindowWidth(a.ReadDword("WindowW", 0), reg);
    s.windowH = ClampWindowHeight(a.ReadDword("WindowH", 0), reg);
    if (reg) {
        std::string dir;
        a.ReadString("LatestDirectory", dir, "");
        s.latestDirectory = dir;
    }
    for (int i = 0; i < 6; ++i)
        s.effects[static_cast<size_t>(i + 1)] =
            a.ReadByte(kEffectNames[i], (i == 0 && !reg) ? 1 : 0);
    a.ReadString("ScreenBackend", s.screenBackend, "auto");
    a.ReadString("PortalRestoreToken", s.portalRestoreToken, "");
    std::string last;
    a.ReadString("LastRegion", last, "");
    s.lastRegion = ParseLastRegion(last) ? last : std::string();
}

void SaveMainGroup(SettingsAccess& a, const Settings& s, const WindowGeometry* frame,
                   const std::string& currentDirectory) {
    a.WriteInt("CapSelect", s.capSelect);
    a.WriteByte("Mute", s.mute ? 1 : 0);
    a.WriteByte("Volume", static_cast<uint8_t>(s.soundLevel));
    a.WriteByte("CamState", s.camState);
    a.WriteByte("Caption", s.mainCaption ? 1 : 0);
    a.WriteDword("RecordDuration", s.recordDuration);
    if (frame) {
        a.WriteDword("WindowX", frame->x);
        a.WriteDword("WindowY", frame->y);
        a.WriteDword("WindowW", frame->w);
        a.WriteDword("WindowH", frame->h);
    }
    if (a.registryMode())
        a.WriteString("LatestDirectory", currentDirectory);
    for (int i = 0; i < 6; ++i)
        a.WriteByte(kEffectNames[i], s.effects[static_cast<size_t>(i + 1)]);
    a.WriteString("ScreenBackend", s.screenBackend);
    a.WriteString("PortalRestoreToken", s.portalRestoreToken);
    a.WriteString("LastRegion", s.lastRegion);
}

std::optional<ScreenRect> ParseLastRegion(const std::string& text) {
    ScreenRect r;
    if (!ParseRegionOption(text, &r))
        return std::nullopt;
    return r;
}

std::string LastRegionText(const ScreenRect& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.width()) +
           "," + std::to_string(r.height());
}

std::optional<ScreenRect> UsableLastRegion(const std::string& text, const ScreenRect& desktop) {
    std::optional<ScreenRect> r = ParseLastRegion(text);
    if (!r || r->left < desktop.left || r->top < desktop.top || r->right > desktop.right ||
        r->bottom > desktop.bottom)
        return std::nullopt;
    return r;
}

void SetFrameGeometrySource(FrameGeometrySource source) {
    Source() = std::move(source);
}

bool CurrentFrameGeometry(WindowGeometry& g) {
    return Source() && Source()(g);
}

} // namespace tess
