#pragma once
// A stand-in for the desktop's services: it records every message, wait, beep, shutter and
// opened file or address, answers message boxes and folder choices from scripted answers, and keeps a
// clock of its own that waits advance.
#include "platform/DesktopServices.h"

#include <ctime>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace tess::test {

class FakeDesktop : public DesktopServices {
public:
    struct Message {
        std::string text;
        std::string caption;
        MessageKind kind;
        MessageButtons buttons;
    };

    MessageAnswer message(const std::string& text, const std::string& caption, MessageKind kind,
                          MessageButtons buttons) override {
        messages.push_back({text, caption, kind, buttons});
        if (!answers.empty()) {
            MessageAnswer a = answers.front();
            answers.pop_front();
            return a;
        }
        return buttons == MessageButtons::YesNo || buttons == MessageButtons::YesNoDefaultNo
                   ? MessageAnswer::Yes
                   : MessageAnswer::Ok;
    }
    void wait(int ms) override {
        waits.push_back(ms);
        clock += std::chrono::milliseconds(ms);
        if (onWait)
            onWait(ms);
    }
    void beep() override { ++beeps; }
    void shutter() override { ++shutters; }
    bool openFile(const std::string& path) override {
        opened.push_back(path);
        return openSucceeds;
    }
    bool openUri(const std::string& uri) override {
        opened.push_back(uri);
        return openSucceeds;
    }
    std::optional<std::string> chooseDirectory(const std::string&,
                                               const std::string& start) override {
        directoryStarts.push_back(start);
        return directoryAnswer;
    }
    std::chrono::system_clock::time_point now() override {
        return useRealClock ? std::chrono::system_clock::now() : clock;
    }

    // Stops the clock at a local date and time (month 1-12).
    void setLocalTime(int year, int month, int day, int hour, int minute) {
        std::tm tm{};
        tm.tm_year = year - 1900;
        tm.tm_mon = month - 1;
        tm.tm_mday = day;
        tm.tm_hour = hour;
        tm.tm_min = minute;
        tm.tm_isdst = -1;
        clock = std::chrono::system_clock::from_time_t(std::mktime(&tm));
        useRealClock = false;
    }

    // The texts of the messages shown, in order.
    std::vector<std::string> texts() const {
        std::vector<std::string> t;
        for (const auto& m : messages)
            t.push_back(m.text);
        return t;
    }

    std::vector<Message> messages;
    std::deque<MessageAnswer> answers; // then Yes for a Yes/No box, Ok otherwise
    std::vector<int> waits;
    std::function<void(int ms)> onWait; // e.g. pump the toolkit's events
    int beeps = 0;
    int shutters = 0;
    std::vector<std::string> opened;
    bool openSucceeds = true;
    std::optional<std::string> directoryAnswer;
    std::vector<std::string> directoryStarts; // where each folder choice started
    bool useRealClock = true;
    std::chrono::system_clock::time_point clock{};
};

} // namespace tess::test
