// tessaray --trim and --export with --from/--to without a display: exit codes, messages, and
// an exported part equal to the export of the trimmed copy.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "media/WMFile.h"
#include "recording/RecordingTestUtil.h"

namespace tess {
namespace {

using test::Quote;

std::string Bytes(const std::string& path) {
    std::ostringstream s;
    s << std::ifstream(path, std::ios::binary).rdbuf();
    return s.str();
}

TEST(TrimCommand, ExitsWithZeroOneOrTwoAndAnExportedPartEqualsTheTrimmedCopysExport) {
    test::TempDir dir;
    const std::string in = dir.str() + "/in.wmv", trimmed = dir.str() + "/part.wmv";
    {
        WMFile f(in, "", 10, 2000, 96, 64, -1);
        ASSERT_TRUE(f.Open());
        std::vector<uint8_t> p(96 * 64 * 4, 0x40);
        for (int i = 0; i < 40; ++i) {
            p[static_cast<size_t>(i) * 4 * 97] = 0xff; // a dot moving down the diagonal
            ASSERT_EQ(f.AddFrame(p.data(), 96, 64, 96 * 4, i * 1000000LL, false), 0);
        }
        ASSERT_TRUE(f.Close());
    }
    const test::ProgramRun ok = test::RunProgram("--trim " + Quote(in) + " --output " +
                                                 Quote(trimmed) + " --from 0:01.25 --to 3.5");
    ASSERT_EQ(ok.exitCode, 0) << ok.err;
    EXPECT_EQ(ok.out, trimmed + "\n");
    EXPECT_EQ(test::VideoFrameTimes(trimmed).size(), 23u);
    if (test::HaveProgram("gst-launch-1.0")) {
        EXPECT_EQ(test::RunCommand("gst-launch-1.0 -q filesrc location=" + Quote(trimmed) +
                                   " ! decodebin ! videoconvert ! fakesink"),
                  0);
    }

    struct Row {
        std::string args;
        int exitCode;
        std::string said;
    };
    const std::string out = " --output " + Quote(dir.str() + "/x.wmv");
    const Row rows[] = {
        {"--trim " + Quote(in) + " --output " + Quote(dir.str() + "/x.webm"), 2, "--export"},
        {"--trim " + Quote(in) + out + " --to 4.5", 2, "outside"},
        {"--trim " + Quote(in) + out + " --cut 0-4", 2, "left"},
        {"--trim " + Quote(in) + out + " --from 1,5", 2, "--from"},
        {"--trim " + Quote(dir.str() + "/none.wmv") + out, 1, "none.wmv"},
    };
    for (const Row& row : rows) {
        const test::ProgramRun run = test::RunProgram(row.args);
        EXPECT_EQ(run.exitCode, row.exitCode) << row.args;
        EXPECT_NE(run.err.find(row.said), std::string::npos) << run.err;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.str() + "/x.wmv"));

    const std::string a = dir.str() + "/a.gif", b = dir.str() + "/b.gif";
    ASSERT_EQ(test::RunProgram("--export " + Quote(in) + " --output " + Quote(a) +
                               " --from 1.25 --to 3.5")
                  .exitCode,
              0);
    ASSERT_EQ(test::RunProgram("--export " + Quote(trimmed) + " --output " + Quote(b)).exitCode, 0);
    EXPECT_EQ(Bytes(a), Bytes(b));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 4);
}

} // namespace
} // namespace tess
