#pragma once
// A stand-in for the desktop's services: it records every message, wait, beep, shutter and
// opened file or address, every picture put on the clipboard and every capture notification,
// answers message boxes and folder choices from scripted answers, and keeps a clock of its own that
// waits advance.
#include "platform/DesktopServices.h"

#include <cstdint>
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
        return true;
    }
    bool openUri(const std::string& uri) override {
        opened.push_back(uri);
        return true;
    }
    std::optional<std::string> chooseDirectory(const std::string&,
                                               const std::string& start) override {
        directoryStarts.push_back(start);
        return directoryAnswer;
    }
    bool copyPicture(const uint8_t* bgrx, int width, int height, int stride) override {
        Picture p{width, height, {}};
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const uint8_t* px = bgrx + static_cast<size_t>(y) * stride + x * 4;
                p.rgb.push_back(uint32_t{px[2]} << 16 | uint32_t{px[1]} << 8 | px[0]);
            }
        copied.push_back(std::move(p));
        return clipboard ? clipboard->copyPicture(bgrx, width, height, stride) : true;
    }
    bool copyText(const std::string& text) override {
        copiedTexts.push_back(text);
        return clipboard ? clipboard->copyText(text) : true;
    }
    void keepClipboard() override { ++clipboardKept; }
    void notifyCapture(const CaptureNotice& n) override {
        notices.push_back(n);
        if (notifier)
            notifier->notifyCapture(n);
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

    // A picture put on the clipboard, its pixels 0x00RRGGBB row by row.
    struct Picture {
        int width = 0;
        int height = 0;
        std::vector<uint32_t> rgb;
    };

    std::vector<Message> messages;
    std::deque<MessageAnswer> answers; // then Yes for a Yes/No box, Ok otherwise
    std::vector<int> waits;
    std::function<void(int ms)> onWait; // e.g. pump the toolkit's events
    int beeps = 0;
    int shutters = 0;
    std::vector<std::string> opened;
    std::vector<Picture> copied;
    std::vector<std::string> copiedTexts;
    DesktopServices* clipboard = nullptr; // when set, copied pictures go on to it as well
    int clipboardKept = 0;
    std::vector<CaptureNotice> notices;
    DesktopServices* notifier = nullptr; // when set, notifications go on to it as well
    std::optional<std::string> directoryAnswer;
    std::vector<std::string> directoryStarts; // where each folder choice started
    bool useRealClock = true;
    std::chrono::system_clock::time_point clock{};
};

} // namespace tess::test
