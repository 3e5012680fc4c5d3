#include "media/RecFile.h"

#include <algorithm>
#include <cinttypes>
#include <cstring>
#include <ctime>
#include <sstream>
#include <unistd.h>

namespace tess {

RecFile::RecFile(std::string fileName) : MediaFile(std::move(fileName)) {
    const std::string& name = GetFileName();
    const size_t n = name.size();
    // A three-letter extension: the dot is the fourth character from the end.
    if (n >= 4 && name[n - 4] == '.' && name.find('/', n - 4) == std::string::npos) {
        sideFileName_ = name;
        sideFileName_[n - 3] = '~';
    }
}

RecFile::~RecFile() {
    if (sideFile_)
        std::fclose(sideFile_);
}

void RecFile::AddMark(int64_t position, int64_t time) {
    const uint32_t pos =
        static_cast<uint32_t>(position == -1 ? GetPositionMs() : static_cast<int32_t>(position));
    const uint32_t t = static_cast<uint32_t>(time == -1 ? std::time(nullptr) : time);
    auto byPosition = [](const Mark& a, const Mark& b) { return a.position < b.position; };
    for (auto& m : marks_) {
        if (m.position != pos)
            continue;
        if (m.time == t)
            return;
        m.time = t;
        std::stable_sort(marks_.begin(), marks_.end(), byPosition);
        return;
    }
    marks_.push_back({t, pos});
    std::stable_sort(marks_.begin(), marks_.end(), byPosition);
    changed_ = true;
}

std::string RecFile::BuildBlock(bool forSideFile) const {
    const char sep = forSideFile ? '\t' : ' ';
    std::string out = std::string("SAMPLE") + sep + "TIMECODE\r\n";
    char line[320];
    for (size_t i = 0; i < marks_.size(); ++i) {
        const uint32_t next =
            i + 1 < marks_.size() ? marks_[i + 1].position : static_cast<uint32_t>(GetDurationMs());
        const uint32_t span = next - marks_[i].position;
        if (span == 0)
            continue;
        std::snprintf(line, sizeof line, "%" PRIu32 "%c%" PRId32 "\r\n", marks_[i].position, sep,
                      static_cast<int32_t>(marks_[i].time));
        out += line;
    }
    for (const auto& c : comments_) {
        std::snprintf(line, sizeof line, "COMMENT %" PRIu32 "\t%" PRIu32 "\t%.259s\r\n", c.a, c.b,
                      c.text.c_str());
        out += line;
    }
    return out;
}

bool RecFile::ParseBlock(const std::string& block) {
    std::istringstream in(block);
    std::string line;
    bool header = false;
    std::vector<Mark> marks;
    std::vector<Comment> comments;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::istringstream ls(line);
        std::string first;
        ls >> first;
        if (first.empty())
            continue;
        if (first == "SAMPLE") {
            header = true;
        } else if (first == "COMMENT") {
            Comment c;
            ls >> c.a >> c.b;
            std::getline(ls >> std::ws, c.text);
            comments.push_back(c);
        } else if (first == "EVENT" || first == "STATION" || first == "SIGNATURE") {
            // Lines of media types this program does not write.
        } else {
            char* end = nullptr;
            const unsigned long pos = std::strtoul(first.c_str(), &end, 10);
            long t = 0;
            if (end && *end == '\0' && (ls >> t))
                marks.push_back({static_cast<uint32_t>(t), static_cast<uint32_t>(pos)});
        }
    }
    if (!header)
        return false;
    marks_ = std::move(marks);
    comments_ = std::move(comments);
    std::stable_sort(marks_.begin(), marks_.end(),
                     [](const Mark& a, const Mark& b) { return a.position < b.position; });
    return true;
}

void RecFile::WriteSideFile(const std::string& text) {
    if (sideFileName_.empty())
        return;
    if (!sideFile_) {
        sideFile_ = std::fopen(sideFileName_.c_str(), "r+b");
        if (!sideFile_)
            sideFile_ = std::fopen(sideFileName_.c_str(), "w+b");
        if (!sideFile_)
            return; // no side file: the attribute is still written
    }
    std::rewind(sideFile_);
    std::fwrite(text.data(), 1, text.size(), sideFile_);
    std::fflush(sideFile_);
    // A shorter block than before leaves no stale tail.
    if (ftruncate(fileno(sideFile_), static_cast<off_t>(text.size())) != 0) {
        // Keeping the old length is harmless: the side file only mirrors the block.
    }
}

bool RecFile::Flush() {
    const int32_t position = GetPositionMs();
    if (changed_) {
        SetAttribute(kTimecodeAttribute, BuildBlock(false));
        WriteSideFile(BuildBlock(true));
        changed_ = false;
    }
    SeekMs(position);
    return true;
}

bool RecFile::Open() {
    if (GetDurationMs() != 0) {
        std::string block;
        if (GetAttribute(kTimecodeAttribute, &block) > 0)
            ParseBlock(block);
    }
    return true;
}

bool RecFile::Close() {
    Flush();
    if (sideFile_) {
        std::fclose(sideFile_);
        sideFile_ = nullptr;
        ::unlink(sideFileName_.c_str());
    }
    return true;
}

} // namespace tess
