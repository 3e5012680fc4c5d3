#pragma once
// The timecode layer of a recording: a table of marks pairing media positions (ms) with the
// calendar time (seconds since 1970) at which they were recorded, and a list of comments.
// When the file is finished the table is stored as the text attribute "quorvanta timecode";
// while it is written a side file beside the media file ("movie.wmv" -> "movie.~mv") holds
// the same text.
#include "media/MediaFile.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace tess {

class RecFile : public MediaFile {
public:
    static constexpr const char* kTimecodeAttribute = "quorvanta timecode";

    struct Mark {
        uint32_t time;     // seconds since 1970
        uint32_t position; // milliseconds
    };
    struct Comment {
        uint32_t a = 0;
        uint32_t b = 0;
        std::string text;
    };

    explicit RecFile(std::string fileName);
    ~RecFile() override;

    // position -1: the media's current position; time -1: now.
    void AddMark(int64_t position = -1, int64_t time = -1);
    // Writes the block when marks changed, keeping the media position.
    bool Flush() override;
    // Reads the block back from a file that has a duration (an existing recording).
    bool Open() override;
    // Flush, then close and delete the side file.
    bool Close() override;

    const std::vector<Mark>& marks() const { return marks_; }
    const std::vector<Comment>& comments() const { return comments_; }
    bool changed() const { return changed_; }
    // "" when the file name has no three-letter extension.
    const std::string& sideFileName() const { return sideFileName_; }

    // The block as stored in the attribute (spaces) or in the side file (tabs).
    std::string BuildBlock(bool forSideFile) const;
    // Replaces marks and comments with those of a block; false when it has no header line.
    bool ParseBlock(const std::string& block);

private:
    void WriteSideFile(const std::string& text);

    std::vector<Mark> marks_;
    std::vector<Comment> comments_;
    bool changed_ = false;
    std::string sideFileName_;
    FILE* sideFile_ = nullptr;
};

} // namespace tess
