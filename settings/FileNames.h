#pragma once
// File-name patterns: a short text with strftime date and time codes, expanded against the
// local time, gives every capture file its name. An instance number keeps an existing file
// from being overwritten, and a family of files can be pruned to a given number.
//
// Every capture file lives in the capture directory (`DefaultDirectory`): whatever a pattern
// holds or expands to (a settings file, a schedule event's name, "%D" giving "12/06/26"),
// the characters that the pattern dialog refuses are replaced, so no name reaches outside it.
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

namespace tess {

// A file's creation time (its birth time, else its modification time); false when it is
// missing.
bool FileCreationTime(const std::string& path, std::time_t* t);

// Size of a pattern buffer, terminator included (259 usable characters).
inline constexpr size_t kPatternBufferSize = 260;
// Characters a file-name pattern may not hold: full stop, slash, colon, asterisk, question
// mark, backslash.
inline constexpr std::string_view kPatternExcludedChars = "./:*?\\";
// The highest instance number tried.
inline constexpr int32_t kMaxInstanceNumber = 9999;

// One row of the pattern dialog's code list: the text "&Insert code" puts in, and the line
// shown. The table ends with a row whose line is empty.
struct PatternCode {
    const char* insert;
    const char* line;
};
const PatternCode* PatternCodes();

// Expands `pattern` with strftime against `when` (the current local time when null, time
// zone refreshed first). The result is cut to destSize - 1 bytes (at a character boundary).
std::string ExpandPattern(std::string_view pattern, size_t destSize = kPatternBufferSize,
                          const std::tm* when = nullptr);

// True when `text` holds one of kPatternExcludedChars.
bool HasExcludedChar(std::string_view text);
// `text` with every excluded character replaced by "-".
std::string CleanFileNamePart(std::string_view text);

// The extension of an image format value: 0 "png", 3 "gif", 4 "jpg", any other "bmp".
std::string ExtensionForImageFormat(int32_t imageFormat);

// The family stem: the pattern cut at its first underscore, or without one at its first
// full stop ("Tess_%H%M" -> "Tess"); not expanded.
std::string FamilyStem(std::string_view pattern);

struct CaptureFileName {
    bool ok = false;
    std::string path;  // the free path when ok
    std::string error; // a message for the user when not
};

// A free path in `directory` for a new capture file: the expanded pattern ("rad" when the
// pattern is empty), cleaned, then "_" and the first free instance number 1..9999, then "."
// and `extension`. With bit 0 of `instanceMode` set the plain name (no instance number) is
// taken when it is free. Before naming, the family's old files are pruned so that, with the
// new file, at most `keep` remain (keep 0 or negative: no pruning). Fails with a message
// when the directory is unusable or every instance number is taken; never names a file
// that exists.
CaptureFileName MakeCaptureFileName(const std::string& directory, std::string_view pattern,
                                    std::string_view extension, int32_t keep, int32_t instanceMode);
// The same in `DefaultDirectory`, with `FileInstanceMode`, from the global settings.
CaptureFileName MakeCaptureFileName(std::string_view pattern, std::string_view extension,
                                    int32_t keep);

// Deletes the oldest files of the family (stem_*.extension in `directory`) while there are
// more than `limit`. A negative limit deletes nothing. True when nothing had to be deleted
// or the last deletion succeeded; false when a deletion failed (pruning stops there).
bool PruneOldFiles(const std::string& directory, std::string_view stem, std::string_view extension,
                   int32_t limit);

// Number of files of the family in `directory`; `oldest` receives the full path of the
// oldest one, by creation time where the file system keeps it, else by modification time
// (the first one met wins among equals).
int32_t FindOldestFile(const std::string& directory, std::string_view stem,
                       std::string_view extension, std::string* oldest);

// `directory` and `name` with exactly one "/" between them.
std::string JoinCaptureDirectory(const std::string& directory, std::string_view name);

// The example under the pattern in the pattern dialog. formatIndex: an image format value,
// 2 for video, negative when the text is no file name (the caption). alwaysAppend: an
// instance-mode word is attached and "Always append" is checked.
std::string PatternDialogExample(std::string_view text, int32_t formatIndex, bool alwaysAppend);
// The File page's examples under its video and picture patterns.
std::string FilePageVideoExample(std::string_view pattern, int32_t instanceMode);
std::string FilePagePictureExample(std::string_view pattern, int32_t instanceMode,
                                   int32_t imageFormat);

} // namespace tess
