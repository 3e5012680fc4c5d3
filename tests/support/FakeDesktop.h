#pragma once
// A stand-in for the desktop's services: it records every message, wait, beep, shutter and
// opened file, and answers message boxes from scripted answers.
#include "platform/DesktopServices.h"

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
        if (onWait)
            onWait(ms);
    }
    void beep() override { ++beeps; }
    void shutter() override { ++shutters; }
    bool openFile(const std::string& path) override {
        opened.push_back(path);
        return true;
    }
    std::optional<std::string> chooseDirectory(const std::string&, const std::string&) override {
        return std::nullopt;
    }
    std::chrono::system_clock::time_point now() override {
        return std::chrono::system_clock::now();
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
};

} // namespace tess::test
