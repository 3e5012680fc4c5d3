// What the preferences pages show and store, where the two directions are not simple copies.
#include "platform/Translate.h"
#include "settings/PrefForms.h"
#include "settings/ui/PrefPages.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <tuple>

namespace tess {
namespace {

TEST(PrefForms, BitRateFrameRateVerticalPlacementAndCaption) {
    Settings s;
    s.wmBitRate = 300000;
    EXPECT_EQ(SetUpWm(s).bitRate, "300");
    s.wmBitRate = 1500;
    WmForm f = SetUpWm(s);
    EXPECT_EQ(f.bitRate, "1");
    ApplyWm(f, s); // untouched: the exact stored value stays
    EXPECT_EQ(s.wmBitRate, 1500);
    f.bitRate = "512";
    ApplyWm(f, s);
    EXPECT_EQ(s.wmBitRate, 512000);
    for (const char* bad : {"", "abc", "0", "-4", "99999999999"}) {
        WmForm g = SetUpWm(s);
        g.bitRate = bad;
        g.frameRate = bad;
        ApplyWm(g, s);
        EXPECT_EQ(s.wmBitRate, 512000) << bad;
        EXPECT_EQ(s.wmFrameRate, 5) << bad;
    }
    f = SetUpWm(s);
    f.frameRate = " 12";
    f.useWmv = false;
    EXPECT_EQ(f.autoExport, 0); // "none"
    f.autoExport = 2;
    ApplyWm(f, s);
    EXPECT_EQ(s.wmFrameRate, 12);
    EXPECT_FALSE(s.wmDefaultVideoFormat);
    EXPECT_EQ(s.autoExport, "mp4");
    EXPECT_EQ(SetUpWm(s).autoExport, 2);
    for (auto [text, want] : {std::pair{"150", 100}, {"-5", 0}, {"abc", 0}, {"42", 42}})
        EXPECT_EQ(ParseVertical(text), want) << text;
    s.capBackMode = 7;
    s.capAlign = 9;
    CaptionForm c = SetUpCaption(s);
    EXPECT_EQ(c.backMode, 2); // any other value shows as translucent
    EXPECT_EQ(c.align, 1);
    c.vertical = "150";
    ApplyCaption(c, s);
    EXPECT_EQ(s.capVert, 100);
    EXPECT_EQ(s.capBackMode, 2);
    EXPECT_EQ(s.capAlign, 1);
}

TEST(PrefForms, SelectionColourCaptureActionAndImageFormat) {
    EXPECT_EQ(ParseSelColor("ff00ff"), 0xff00ffu);
    EXPECT_EQ(ParseSelColor("FF"), 0xffu);
    EXPECT_EQ(SelColorText(0x0000ff), "ff");
    EXPECT_EQ(SelColorText(0xABCDEF), "abcdef");
    Settings s;
    s.selColor = "00FF00"; // an untouched colour keeps its spelling
    CaptureForm c = SetUpCapture(s);
    ApplyCapture(c, s);
    EXPECT_EQ(s.selColor, "00FF00");
    c.selColor = 0x0000ff;
    ApplyCapture(c, s);
    EXPECT_EQ(s.selColor, "ff");
    s.captureAction = 7;
    EXPECT_EQ(SetUpCapture(s).action, 1); // "Hide" for any other value
    c.action = -1;                        // no button checked: nothing written
    ApplyCapture(c, s);
    EXPECT_EQ(s.captureAction, 7);

    for (auto [format, button] : {std::pair{0, 0}, {2, 1}, {4, 4}})
        EXPECT_EQ(ImageFormatButton(format), button) << format;
    EXPECT_EQ(PercentText(50), "50%");
    for (auto [scale, snapped] : {std::pair{94, 90}, {95, 100}, {3, 10}, {149, 150}})
        EXPECT_EQ(SnapScale(scale), snapped) << scale;
}

TEST(PrefForms, FilePageDirectoryAndKeep) {
    test::TempDir dir;
    Settings s;
    s.defaultDirectory = dir.str() + "/";
    s.fileKeep = -3;
    FileForm f = SetUpFile(s);
    EXPECT_EQ(f.keep, "All");
    EXPECT_EQ(ApplyFile(f, s), "");
    EXPECT_EQ(s.fileKeep, 0);
    // A missing directory and a path under a regular file are refused, naming the path.
    for (std::string bad : {dir.str() + "/missing/", dir.str() + "/file/sub/"}) {
        std::FILE* file = std::fopen((dir.str() + "/file").c_str(), "w");
        std::fclose(file);
        f.directory = bad;
        std::string problem = ApplyFile(f, s);
        EXPECT_NE(problem.find(bad), std::string::npos) << problem;
        EXPECT_EQ(s.defaultDirectory, dir.str() + "/");
    }
    mkdir((dir.str() + "/new").c_str(), 0755);
    f.directory = dir.str() + "/new/";
    f.keep = "10";
    EXPECT_EQ(ApplyFile(f, s), "");
    EXPECT_EQ(s.defaultDirectory, dir.str() + "/new/");
    EXPECT_EQ(s.fileKeep, 10);
}

TEST(PrefForms, LanguageListAndItsSetting) {
    int count = 0;
    const UiLanguage* languages = UiLanguages(count);
    ASSERT_GT(count, 0);
    int sel = -1;
    auto e = LanguageEntries("", &sel);
    ASSERT_EQ(e.size(), static_cast<size_t>(count) + 1);
    EXPECT_EQ(e[0], (LanguageEntry{"", "System default"}));
    EXPECT_EQ(sel, 0);
    // Each language by its own name, and its code stored back as it was.
    for (int i = 0; i < count; ++i) {
        Settings s, t;
        s.language = languages[i].code;
        e = LanguageEntries(s.language, &sel);
        EXPECT_EQ(e[static_cast<size_t>(sel)], (LanguageEntry{s.language, languages[i].ownName}));
        ApplyDisplay(SetUpDisplay(s), t);
        EXPECT_EQ(t.language, s.language);
    }
    // A code without a catalog is listed by itself, so that OK keeps it.
    e = LanguageEntries("nl", &sel);
    ASSERT_EQ(e.size(), static_cast<size_t>(count) + 2);
    EXPECT_EQ(e.back(), (LanguageEntry{"nl", "nl"}));
    EXPECT_EQ(sel, count + 1);
}

TEST(PrefForms, SoundDevicesKeepWhatIsNotPresentHotKeyTextsAndWarnings) {
    int sel = -1;
    auto e = DeviceEntries({"USB Mic", "Built-in Audio"}, "-1", &sel);
    EXPECT_EQ(e.size(), 3u);
    EXPECT_EQ(sel, 0);
    e = DeviceEntries({"USB Mic", "Built-in Audio"}, "Built-in", &sel);
    EXPECT_EQ(e[static_cast<size_t>(sel)], "Built-in Audio"); // first entry beginning with it
    e = DeviceEntries({"Built-in Audio"}, "USB Mic", &sel);
    EXPECT_EQ(e.back(), "USB Mic");
    EXPECT_EQ(sel, 2);
    e = MixerLineEntries({}, "Line-In", &sel);
    EXPECT_EQ(e, (std::vector<std::string>{"<not connected>", "Line-In"}));
    EXPECT_EQ(sel, 1);
    e = MixerLineEntries({"Mic", "Line"}, "Line", &sel);
    EXPECT_EQ(sel, 1);
    // Desktop sources: "Default output" first; a source the server lacks keeps its name.
    const std::vector<DesktopSourceEntry> monitors{{"a.monitor", "Monitor of A"}};
    EXPECT_EQ(DesktopSourceEntries(monitors, "", &sel)[0].description, "Default output");
    EXPECT_EQ(sel, 0);
    EXPECT_EQ(DesktopSourceEntries(monitors, "a.monitor", &sel).size(), 2u);
    EXPECT_EQ(sel, 1);
    EXPECT_EQ(DesktopSourceEntries(monitors, "gone.monitor", &sel).back().description,
              "gone.monitor");
    EXPECT_EQ(sel, 2);
    for (auto [kbps, entry] : {std::pair{0, 0}, {192, 4}, {100, 3}})
        EXPECT_EQ(SoundQualityEntry(kbps), entry) << kbps;
    // The voice stream carries the microphone alone: with the desktop's sound the page stores
    // what is recorded.
    for (auto [record, kbps, want] : {std::tuple{0, 0, 0}, {1, 0, 128}, {2, 0, 128}, {2, 64, 64}}) {
        Settings q;
        ApplySound({"", "", "", false, record, "", kbps, 0}, q);
        EXPECT_EQ(q.soundQuality, want) << record << " " << kbps;
    }

    Settings s; // "-1" everywhere
    SoundForm f{"<default>", "<default>", "Line-In", false, 0, "", 0, 0};
    ApplySound(f, s);
    EXPECT_EQ(s.waveInDriver, "-1");
    EXPECT_EQ(s.waveOutDriver, "-1");
    EXPECT_FALSE(s.changeMixer);
    f.input = "USB Mic";
    ApplySound(f, s);
    EXPECT_EQ(s.waveInDriver, "USB Mic");
    for (auto [key, text] : {std::pair<int, const char*>{888, "Ctrl + Shift + F9"},
                             {0x0441, "Alt + A"},
                             {0x0821, "Page Up"},
                             {0, ""}})
        EXPECT_EQ(HotKeyText(key), text) << key;
    KeyForm k;
    k.keys[0] = 888;
    k.keys[1] = 888 | 0x800; // the extended flag does not make another combination
    k.keys[2] = 0x0441;
    auto w = HotKeyWarnings(k, nullptr);
    ASSERT_EQ(w.size(), 1u);
    EXPECT_NE(w[0].find("snapshot"), std::string::npos);
    w = HotKeyWarnings(k, [](uint16_t v) { return v == 0x0441; });
    ASSERT_EQ(w.size(), 2u);
    EXPECT_NE(w[1].find("another program"), std::string::npos);
    // A key press: the keysym as typed, else the toolkit's unshifted key code.
    EXPECT_EQ(HotKeyCtrl::ValueForKey(0xffc6 /* F9 */, WXK_F9, true, true, false), 888);
    EXPECT_EQ(HotKeyCtrl::ValueForKey(0x21 /* exclam */, '1', true, true, false), 0x0331);
    EXPECT_EQ(HotKeyCtrl::ValueForKey(0x3a /* colon */, ';', true, false, false), 0x01BA);
    EXPECT_EQ(HotKeyCtrl::ValueForKey(0x41 /* A */, 'A', true, false, true), 0x0541);
    EXPECT_EQ(HotKeyCtrl::ValueForKey(0xff55 /* Prior */, WXK_PAGEUP, false, true, false), 0x0A21);
    EXPECT_EQ(HotKeyCtrl::ValueForKey(0xffe1 /* Shift_L */, WXK_SHIFT, true, false, false), 0);
    ApplyKeys(k, s);
    EXPECT_EQ(s.key1, 888);
    EXPECT_EQ(SetUpKeys(s), k);
}

} // namespace
} // namespace tess
