// The schedule as part of the settings: stored in the registry-style store and in ini
// files, and an ini file without a schedule leaving the live schedule alone.
#include "app/AppTestSupport.h"
#include "app/SettingsIO.h"
#include "schedule/Schedule.h"
#include "settings/Settings.h"

#include <fstream>
#include <sstream>

namespace tess {
namespace {

class ScheduleSettings : public test::XdgTest {
protected:
    void SetUp() override {
        XdgTest::SetUp();
        saved_ = GlobalSettings();
        savedList_ = LiveSchedule();
        savedEnable_ = TimerEnable();
        SetScheduleEventsGroup(nullptr, nullptr);
    }
    void TearDown() override {
        GlobalSettings() = saved_;
        LiveSchedule() = savedList_;
        TimerEnable() = savedEnable_;
        XdgTest::TearDown();
    }
    static std::string Read(const std::string& path) {
        std::ifstream in(path);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    static ScheduleEvent Morning() {
        ScheduleEvent e;
        e.name = "Morning";
        e.days = 62;
        e.startHour = 9;
        e.endHour = 10;
        e.keep = -1;
        e.action = 2;
        return e;
    }
    Settings saved_;
    EventList savedList_;
    bool savedEnable_ = true;
};

TEST_F(ScheduleSettings, AnIniFileCarriesTheScheduleAndOneWithoutKeepsTheLiveOne) {
    LiveSchedule().Clear();
    LiveSchedule().AddEvent(Morning());
    TimerEnable() = false;
    const std::string file = dir.str() + "/portable.ini";
    ASSERT_TRUE(SaveSettings(file).ok);
    const std::string text = Read(file);
    EXPECT_NE(text.find("[Schedule]"), std::string::npos) << text;
    EXPECT_NE(text.find("Event0=62 9 0 10 0 -1 2"), std::string::npos) << text;
    EXPECT_NE(text.find("EventName0=Morning"), std::string::npos) << text;

    LiveSchedule().Clear();
    TimerEnable() = true;
    LoadSettings(file);
    ASSERT_EQ(LiveSchedule().Count(), 1);
    EXPECT_EQ(LiveSchedule().At(0), Morning());
    EXPECT_FALSE(TimerEnable());

    // A settings file with no schedule in it leaves the schedule as it is.
    std::ofstream(dir.str() + "/plain.ini") << "[WMedia]\nWMFrameRate=12\n";
    LoadSettings(dir.str() + "/plain.ini");
    EXPECT_EQ(GlobalSettings().wmFrameRate, 12);
    ASSERT_EQ(LiveSchedule().Count(), 1);
    EXPECT_EQ(LiveSchedule().At(0).name, "Morning");
}

TEST_F(ScheduleSettings, TheRegistryStoreKeepsTheScheduleUnderTheProgramsKey) {
    LiveSchedule().Clear();
    LiveSchedule().AddEvent(Morning());
    TimerEnable() = true;
    SettingsResult r = SaveSettings();
    ASSERT_TRUE(r.ok);
    ASSERT_TRUE(r.registryMode);
    const std::string text = Read(r.path);
    EXPECT_NE(text.find("\"Event0\"=\"62 9 0 10 0 -1 2\""), std::string::npos) << text;
    LiveSchedule().Clear();
    LoadSettings();
    ASSERT_EQ(LiveSchedule().Count(), 1);
    EXPECT_EQ(LiveSchedule().At(0), Morning());
}

} // namespace
} // namespace tess
