// The system utilities: the log, the descriptor owner and its loops, files written in one piece.
#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "platform/FileIo.h"
#include "platform/Log.h"
#include "support/TestSupport.h"

namespace tess {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const std::string& path) {
    return ReadWholeFile(path).value_or("");
}

size_t EntriesIn(const fs::path& dir) {
    return static_cast<size_t>(std::distance(fs::directory_iterator(dir), {}));
}

TEST(WarningLog, TimeStampedLinesCappedAtTwoHundredPerRun) {
    test::TempDir dir;
    const std::string path = dir.str() + "/tessaray.log";
    SetWarningLogPathForTesting(path);
    LogWarning("Cannot add wave input buffer %d", 3);
    std::string text = ReadFile(path);
    EXPECT_TRUE(std::regex_match(text, std::regex(R"(\w{3} \w{3} [ \d]\d \d\d:\d\d:\d\d \d{4}\n)"
                                                  "Cannot add wave input buffer 3\n")))
        << text;
    for (int i = 2; i <= 205; ++i)
        LogWarning("w%d", i);
    text = ReadFile(path);
    EXPECT_NE(text.find("w199\n"), std::string::npos);
    EXPECT_EQ(text.find("w200"), text.find("w201")); // neither
    const std::string tail = "\r\n\r\nMaximum warnings reported this session... ";
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);

    // A log longer than 10000 bytes is emptied on the first warning of a run, not one as long.
    for (size_t size : {10001u, 10000u}) {
        std::ofstream(path, std::ios::trunc) << std::string(size, 'z');
        SetWarningLogPathForTesting(path);
        LogWarning("first");
        LogWarning("second");
        text = ReadFile(path);
        EXPECT_EQ(text.find(std::string(10000, 'z')), size > 10000 ? std::string::npos : 0u);
        EXPECT_NE(text.find("first\n"), std::string::npos);
        EXPECT_NE(text.find("second\n"), std::string::npos);
    }
    SetWarningLogPathForTesting("");
}

TEST(WarningLog, BesideTheProgramOrUnderTheStateDirectory) {
    for (const char* exe : {"/opt/tess/tessaray", "/opt/tess/tessaray.bin"})
        EXPECT_EQ(LogPathForProgram(exe), "/opt/tess/tessaray.log");
    EXPECT_EQ(LogPathForProgram("/opt/v1.2/tessaray"), "/opt/v1.2/tessaray.log");
    // The test program's own directory is writable, so its log sits beside it.
    EXPECT_EQ(WarningLogPath(), LogPathForProgram(fs::read_symlink("/proc/self/exe").string()));

    test::TempDir state;
    std::string oldState = std::getenv("XDG_STATE_HOME") ? std::getenv("XDG_STATE_HOME") : "";
    setenv("XDG_STATE_HOME", state.str().c_str(), 1);
    // Nothing can be created under /proc, even by root.
    SetProgramPathForTesting("/proc/tessaray-test/tessaray");
    std::string expected = state.str() + "/Tessaray/tessaray.log";
    EXPECT_EQ(WarningLogPath(), expected);
    LogWarning("Cannot open wave input driver %d", -1);
    EXPECT_NE(ReadFile(expected).find("Cannot open wave input driver -1\n"), std::string::npos);
    // A program directory that can be written gets the log beside the program.
    SetProgramPathForTesting(state.str() + "/tessaray");
    EXPECT_EQ(WarningLogPath(), state.str() + "/tessaray.log");
    LogWarning("beside");
    EXPECT_NE(ReadFile(state.str() + "/tessaray.log").find("beside\n"), std::string::npos);
    // An installed copy writes nothing into its own directory, writable or not.
    fs::create_directories(state.str() + "/usr/libexec/tessaray");
    SetProgramPathForTesting(state.str() + "/usr/libexec/tessaray/tessaray-window");
    EXPECT_EQ(WarningLogPath(), expected);
    LogWarning("installed");
    EXPECT_NE(ReadFile(expected).find("installed\n"), std::string::npos);
    EXPECT_FALSE(fs::exists(state.str() + "/usr/libexec/tessaray/tessaray-window.log"));
    SetProgramPathForTesting("");
    if (oldState.empty())
        unsetenv("XDG_STATE_HOME");
    else
        setenv("XDG_STATE_HOME", oldState.c_str(), 1);
}

TEST(Log, NoticesAreWholeLinesWithTheProgramsPrefixOnStandardError) {
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    UniqueFd readEnd(pipeFds[0]);
    const int savedErr = dup(STDERR_FILENO);
    dup2(pipeFds[1], STDERR_FILENO);
    close(pipeFds[1]);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < 50; ++i)
                LogNotice("thread %d says %s", t, std::string(100, 'a' + t).c_str());
        });
    for (auto& th : threads)
        th.join();
    dup2(savedErr, STDERR_FILENO);
    close(savedErr);
    std::string out;
    ASSERT_EQ(ReadAll(readEnd.get(), out), 0);
    std::istringstream lines(out);
    int count = 0;
    for (std::string line; std::getline(lines, line); ++count) {
        const int t = line.size() > 17 ? line[17] - '0' : -1;
        EXPECT_EQ(line, "tessaray: thread " + std::to_string(t) + " says " +
                            std::string(100, static_cast<char>('a' + t)));
    }
    EXPECT_EQ(count, 200);
}

TEST(FileIo, WholeBuffersThroughShortWritesAndReadsAtOffsets) {
    // A pipe takes 64 KB at a time: a 3 MB write is many short writes.
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    UniqueFd in(pipeFds[0]), out(pipeFds[1]);
    std::string data(3 << 20, '\0');
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>(i * 7 + i / 4096);
    std::string got;
    std::thread reader([&] { EXPECT_EQ(ReadAll(in.get(), got), 0); });
    EXPECT_EQ(WriteAll(out.get(), data.data(), data.size()), 0);
    EXPECT_EQ(out.Close(), 0);
    reader.join();
    EXPECT_EQ(got, data);

    test::TempDir dir;
    const std::string path = dir.str() + "/f";
    UniqueFd file(open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
    ASSERT_TRUE(file);
    EXPECT_EQ(WriteAllAt(file.get(), "abcdef", 6, 10), 0);
    char buf[6];
    EXPECT_EQ(ReadAllAt(file.get(), buf, 6, 10), 0);
    EXPECT_EQ(std::string(buf, 6), "abcdef");
    EXPECT_EQ(ReadAllAt(file.get(), buf, 6, 11), -EINVAL); // the file ends first
    EXPECT_EQ(WriteAll(-1, "x", 1), -EBADF);

    // The owner closes on destruction and on assignment, once; a moved-from owner holds none.
    const int raw = file.get();
    UniqueFd moved(std::move(file));
    EXPECT_FALSE(file);
    EXPECT_EQ(moved.get(), raw);
    moved = UniqueFd(dup(raw));
    EXPECT_EQ(fcntl(raw, F_GETFD), -1);
    EXPECT_EQ(ReadAll(moved.get(), got, 4), -EFBIG);
    EXPECT_FALSE(ReadWholeFile(dir.str())); // not a regular file
    EXPECT_EQ(ReadWholeFile(path)->size(), 16u);
}

TEST(FileIo, FilesAreWrittenWholeOrNotAtAll) {
    test::TempDir dir;
    const std::string path = dir.str() + "/a.ini";
    std::string error;
    ASSERT_TRUE(WriteFileAtomic(path, std::string("one"), &error)) << error;
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
    ASSERT_TRUE(WriteFileAtomic(path, std::string("two")));
    EXPECT_EQ(ReadFile(path), "two");

    // A failing filler leaves the old file and no temporary one.
    auto r = WriteFileAtomic(path, [](int fd) {
        WriteAll(fd, "half", 4);
        errno = ENOSPC;
        return false;
    });
    EXPECT_EQ(r.step, AtomicWriteResult::Step::kFill);
    EXPECT_EQ(r.error, ENOSPC);
    EXPECT_EQ(ReadFile(path), "two");
    EXPECT_EQ(EntriesIn(dir.path()), 1u);

    // Without replacing, a taken name stays as it was.
    auto write = [](int fd) { return WriteAll(fd, "new", 3) == 0; };
    r = WriteFileAtomic(path, write, {false, std::nullopt});
    EXPECT_EQ(r.step, AtomicWriteResult::Step::kMove);
    EXPECT_EQ(r.error, EEXIST);
    EXPECT_EQ(ReadFile(path), "two");
    EXPECT_TRUE(WriteFileAtomic(dir.str() + "/b", write, {false, 0600}).ok());
    ASSERT_EQ(stat((dir.str() + "/b").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(EntriesIn(dir.path()), 2u);

    EXPECT_FALSE(WriteFileAtomic(dir.str() + "/missing/c", std::string("x"), &error));
    EXPECT_EQ(error.rfind("cannot create a temporary file: ", 0), 0u) << error;
}

TEST(FileIo, ExtensionIsTheLastDotOfTheFileName) {
    for (auto [path, ext] : {std::pair("/a.b/Shot.JPEG", "JPEG"),
                             {"a.tar.gz", "gz"},
                             {"/a.png/noext", ""},
                             {"dir/.profile", "profile"},
                             {"x.", ""}})
        EXPECT_EQ(ExtensionOf(path), ext) << path;
}

} // namespace
} // namespace tess
