// Command-line switches: "/M" and "/U" in either case and with "-", letters after the
// switch ignored, long options and their values never taken for switches.
#include <gtest/gtest.h>

#include "app/CommandLine.h"

#include <vector>

namespace tess {
namespace {

CommandLine Parse(std::vector<const char*> args) {
    args.insert(args.begin(), "tessaray");
    return ParseCommandLine(static_cast<int>(args.size()), args.data());
}

TEST(CommandLine, Switches) {
    EXPECT_TRUE(Parse({"/M"}).startMinimized);
    EXPECT_TRUE(Parse({"-m"}).startMinimized);
    EXPECT_TRUE(Parse({"/Minimized"}).startMinimized); // letters after the switch ignored
    EXPECT_TRUE(Parse({"/u"}).uninstall);
    EXPECT_TRUE(Parse({"-U"}).uninstall);
    EXPECT_FALSE(Parse({"M"}).startMinimized); // no leading "/" or "-"
    EXPECT_FALSE(Parse({"U"}).uninstall);
    CommandLine other = Parse({"/x", "-q", "/", "-", "/1"});
    EXPECT_FALSE(other.startMinimized);
    EXPECT_FALSE(other.uninstall);
    // The program's own name is not scanned.
    const char* argv[] = {"-u"};
    EXPECT_FALSE(ParseCommandLine(1, argv).uninstall);
}

TEST(CommandLine, LongOptionsKeepTheirValues) {
    CommandLine cl = Parse(
        {"--snapshot", "/usr/out.png", "-m", "--record=/Users/x.wmv", "--flag", "--size", "10"});
    EXPECT_FALSE(cl.uninstall); // "/usr/out.png" is a value, not "/U"
    EXPECT_TRUE(cl.startMinimized);
    ASSERT_EQ(cl.longOptions.size(), 4u);
    EXPECT_EQ(cl.longOptions[0], (std::pair<std::string, std::string>{"snapshot", "/usr/out.png"}));
    EXPECT_EQ(cl.longOptions[1].second, "/Users/x.wmv");
    // An option followed by another option has no value.
    EXPECT_EQ(cl.longOptions[2], (std::pair<std::string, std::string>{"flag", ""}));
    EXPECT_EQ(cl.longOptions[3], (std::pair<std::string, std::string>{"size", "10"}));
    cl = Parse({"--", "/u", "-m"});
    EXPECT_FALSE(cl.uninstall);
    EXPECT_FALSE(cl.startMinimized);
    EXPECT_EQ(cl.others.size(), 2u);
}

} // namespace
} // namespace tess
