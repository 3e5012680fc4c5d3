#include "settings/FileNames.h"

#include "settings/Catalog.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>
#include <vector>

#include "platform/Translate.h"
#include "settings/Settings.h"

namespace tess {

namespace {

// The pattern dialog's list; each line starts with the code it inserts, which stays as it is.
constexpr PatternCode kCodes[] = {
    // TRANSLATORS: the first line of the list of date and time codes; in the lines after it,
    // keep the code at the start ("%a") as it is
    {" ", N_("Choose format code to add:")},
    {"%a", N_("%a Abbreviated weekday name")},
    {"%A", N_("%A Full weekday name")},
    {"%b", N_("%b Abbreviated month name")},
    {"%B", N_("%B Full month name")},
    {"%d", N_("%d Day of month (01 - 31)")},
    {"%H", N_("%H Hour (00 - 23)")},
    {"%I", N_("%I Hour (01 - 12)")},
    {"%j", N_("%j Day of year (001 - 366)")},
    {"%m", N_("%m Month number (1 - 12)")},
    {"%M", N_("%M Minute (00 - 59)")},
    {"%p", N_("%p AM or PM")},
    {"%S", N_("%S Two-digit second (00 - 59)")},
    {"%w", N_("%w Weekday where 0 is Sunday (0 - 6)")},
    {"%y", N_("%y Two-digit year (00 to 99)")},
    {"%Y", N_("%Y Year with century")},
    {"%Z", N_("%Z Time zone name")},
    {"", ""},
};

// The longest file name most file systems take (NAME_MAX).
constexpr size_t kMaxNameBytes = 255;

// Cuts `s` to at most `max` bytes without splitting a UTF-8 sequence.
void CutAtCharacter(std::string& s, size_t max) {
    if (s.size() <= max)
        return;
    size_t n = max;
    while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xc0) == 0x80)
        --n;
    s.resize(n);
}

bool Exists(const std::string& path) {
    struct stat st;
    if (lstat(path.c_str(), &st) == 0)
        return true;
    // Only a name that is certainly absent counts as free; a dangling link exists.
    return errno != ENOENT;
}

bool InFamily(const char* name, std::string_view stem, std::string_view extension) {
    std::string_view n(name);
    const size_t head = stem.size() + 1;      // "stem_"
    const size_t tail = extension.size() + 1; // ".ext"
    if (n.size() < head + tail)
        return false;
    return n.substr(0, stem.size()) == stem && n[stem.size()] == '_' && n[n.size() - tail] == '.' &&
           n.substr(n.size() - extension.size()) == extension;
}

struct FileTime {
    int64_t sec = INT64_MAX;
    uint32_t nsec = UINT32_MAX;
    bool operator<(const FileTime& o) const {
        return sec < o.sec || (sec == o.sec && nsec < o.nsec);
    }
};

bool CreationTime(int dirFd, const char* name, FileTime* t) {
    struct statx sx;
    if (statx(dirFd, name, AT_SYMLINK_NOFOLLOW, STATX_BTIME | STATX_MTIME, &sx) != 0)
        return false;
    if (sx.stx_mask & STATX_BTIME) {
        t->sec = sx.stx_btime.tv_sec;
        t->nsec = sx.stx_btime.tv_nsec;
    } else {
        t->sec = sx.stx_mtime.tv_sec;
        t->nsec = sx.stx_mtime.tv_nsec;
    }
    return true;
}

} // namespace

bool FileCreationTime(const std::string& path, std::time_t* t) {
    FileTime ft;
    if (!CreationTime(AT_FDCWD, path.c_str(), &ft))
        return false;
    *t = static_cast<std::time_t>(ft.sec);
    return true;
}

const PatternCode* PatternCodes() {
    return kCodes;
}

std::string ExpandPattern(std::string_view pattern, size_t destSize, const std::tm* when) {
    std::tm local{};
    if (when) {
        local = *when;
    } else {
        tzset();
        std::time_t now = std::time(nullptr);
        localtime_r(&now, &local);
    }
    if (pattern.empty() || destSize == 0)
        return {};
    std::string format(pattern);
    // strftime gives 0 both for an empty result and for one that does not fit: grow the
    // buffer a few times, then cut to the destination's size.
    std::vector<char> buf(std::max<size_t>(destSize, 256) * 2);
    for (int tries = 0; tries < 4; ++tries) {
        size_t n = std::strftime(buf.data(), buf.size(), format.c_str(), &local);
        if (n > 0) {
            std::string out(buf.data(), n);
            CutAtCharacter(out, destSize - 1);
            return out;
        }
        buf.resize(buf.size() * 4);
    }
    return {};
}

bool HasExcludedChar(std::string_view text) {
    return text.find_first_of(kPatternExcludedChars) != std::string_view::npos;
}

std::string CleanFileNamePart(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (kPatternExcludedChars.find(c) != std::string_view::npos)
            c = '-';
    return out;
}

std::string ExtensionForImageFormat(int32_t imageFormat) {
    switch (imageFormat) {
    case 0:
        return "png";
    case 3:
        return "gif";
    case 4:
        return "jpg";
    default:
        return "bmp";
    }
}

std::string FamilyStem(std::string_view pattern) {
    size_t cut = pattern.find('_');
    if (cut == std::string_view::npos)
        cut = pattern.find('.');
    return std::string(pattern.substr(0, cut));
}

std::string JoinCaptureDirectory(const std::string& directory, std::string_view name) {
    std::string path = directory;
    if (path.empty() || path.back() != '/')
        path += '/';
    path += name;
    return path;
}

int32_t FindOldestFile(const std::string& directory, std::string_view stem,
                       std::string_view extension, std::string* oldest) {
    DIR* dir = opendir(directory.empty() ? "." : directory.c_str());
    if (!dir)
        return 0;
    int32_t count = 0;
    FileTime best; // later than any file
    std::string bestName;
    while (dirent* e = readdir(dir)) {
        if (!InFamily(e->d_name, stem, extension))
            continue;
        ++count;
        FileTime t;
        if (!CreationTime(dirfd(dir), e->d_name, &t))
            continue;
        if (bestName.empty() || t < best) {
            best = t;
            bestName = e->d_name;
        }
    }
    closedir(dir);
    if (oldest && count > 0 && !bestName.empty())
        *oldest = JoinCaptureDirectory(directory, bestName);
    return count;
}

bool PruneOldFiles(const std::string& directory, std::string_view stem, std::string_view extension,
                   int32_t limit) {
    if (limit < 0)
        return true;
    std::string oldest;
    int32_t count = FindOldestFile(directory, stem, extension, &oldest);
    while (count > limit) {
        // unlink, not remove: a directory that matches is not deleted, and pruning stops.
        if (oldest.empty() || unlink(oldest.c_str()) != 0)
            return false;
        oldest.clear();
        int32_t again = FindOldestFile(directory, stem, extension, &oldest);
        if (again >= count)
            return false; // nothing went away: do not loop for ever
        count = again;
    }
    return true;
}

CaptureFileName MakeCaptureFileName(const std::string& directory, std::string_view pattern,
                                    std::string_view extension, int32_t keep,
                                    int32_t instanceMode) {
    CaptureFileName result;
    if (directory.empty()) {
        result.error = "No capture directory is set.";
        return result;
    }
    // The default folder is made again when it has gone (cleared away while the program
    // ran), so a capture into it never fails for that.
    std::error_code made;
    if (std::filesystem::path(directory) / "" ==
        std::filesystem::path(DefaultCaptureDirectoryPath()))
        std::filesystem::create_directories(directory, made);
    struct stat st;
    if (stat(directory.c_str(), &st) != 0) {
        result.error = "The capture directory \"" + directory +
                       "\" cannot be used: " + (made ? made.message() : std::strerror(errno)) +
                       ". Choose another on the File page of Options.";
        return result;
    }
    if (!S_ISDIR(st.st_mode)) {
        result.error = "The capture directory \"" + directory + "\" is not a directory.";
        return result;
    }

    std::string family = CleanFileNamePart(FamilyStem(pattern));
    PruneOldFiles(directory, family, extension, keep > 0 ? keep - 1 : -1);

    std::string stem = pattern.empty() ? std::string("rad") : ExpandPattern(pattern);
    stem = CleanFileNamePart(stem);
    std::string ext = CleanFileNamePart(extension);
    // Room for "_9999." and the extension within one file-name component.
    const size_t room = kMaxNameBytes - std::min(kMaxNameBytes, ext.size() + 6);
    CutAtCharacter(stem, room);

    const std::string base = JoinCaptureDirectory(directory, stem);
    if ((instanceMode & 1) && !stem.empty()) {
        std::string plain = base + "." + ext;
        if (!Exists(plain)) {
            result.ok = true;
            result.path = plain;
            return result;
        }
    }
    for (int32_t n = 1; n <= kMaxInstanceNumber; ++n) {
        std::string candidate = base + "_" + std::to_string(n) + "." + ext;
        if (!Exists(candidate)) {
            result.ok = true;
            result.path = candidate;
            return result;
        }
    }
    result.error = "No free file name for \"" + base + "_N." + ext +
                   "\": the instance numbers 1 to 9999 are all taken.";
    return result;
}

CaptureFileName MakeCaptureFileName(std::string_view pattern, std::string_view extension,
                                    int32_t keep) {
    const Settings& s = GlobalSettings();
    return MakeCaptureFileName(s.defaultDirectory, pattern, extension, keep, s.fileInstanceMode);
}

std::string PatternDialogExample(std::string_view text, int32_t formatIndex, bool alwaysAppend) {
    std::string t(text.substr(0, kPatternBufferSize - 1));
    if (t.empty() && formatIndex >= 0)
        t = "Tess";
    std::string out = ExpandPattern(t, kPatternBufferSize - 1);
    if (formatIndex < 0)
        return out; // caption text: shown as it will be drawn
    out = CleanFileNamePart(out);
    if (alwaysAppend)
        out += "_1";
    switch (formatIndex) {
    case 0:
        return out + ".png";
    case 2:
        return out + ".wmv";
    case 3:
        return out + ".gif";
    case 4:
        return out + ".jpg";
    default:
        return out + ".bmp";
    }
}

std::string FilePageVideoExample(std::string_view pattern, int32_t instanceMode) {
    std::string out = CleanFileNamePart(
        ExpandPattern(pattern.empty() ? "Tess" : pattern, kPatternBufferSize - 1));
    if (!(instanceMode & 1))
        out += "_1";
    return out + ".wmv";
}

std::string FilePagePictureExample(std::string_view pattern, int32_t instanceMode,
                                   int32_t imageFormat) {
    std::string out = CleanFileNamePart(ExpandPattern(pattern, kPatternBufferSize - 1));
    if (!(instanceMode & 1))
        out += "_1";
    return out + "." + ExtensionForImageFormat(imageFormat);
}

} // namespace tess
