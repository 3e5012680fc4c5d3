// A screen connection whose X server dies (or was never there): the calls fail, the process
// lives on (Xlib's default would end it), and a toolkit connection goes to the program's handler.
#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "platform/x11/Screen.h"
#include "support/PrivateXServer.h"
#include "support/TestSupport.h"

namespace tess {
namespace {

TEST(ConnectionLost, NoServerOrADeadOneFailsTheCallsWithoutEndingTheProcess) {
    EXPECT_FALSE(ScreenConnection::open(":987"));
    if (!test::HaveProgram("Xvfb"))
        GTEST_SKIP() << "needs Xvfb";
    test::PrivateXServer x;
    ASSERT_FALSE(x.name().empty());
    auto screen = ScreenConnection::open(x.name().c_str());
    ASSERT_TRUE(screen);
    const ScreenRect area{0, 0, 64, 48};
    std::vector<uint8_t> pixels(64 * 48 * 4, 0x55);
    ASSERT_TRUE(screen->grab(area, pixels.data(), 64 * 4));
    EXPECT_FALSE(screen->lost());

    x.Kill();
    EXPECT_FALSE(screen->grab(area, pixels.data(), 64 * 4));
    EXPECT_TRUE(screen->lost());
    EXPECT_EQ(pixels[0], 0) << "a failed grab leaves black";
    screen->setUseShm(false);
    EXPECT_FALSE(screen->grab(area, pixels.data(), 64 * 4));
    EXPECT_FALSE(screen->isWindow(screen->root()));
    EXPECT_FALSE(screen->windowRect(screen->root()).has_value());
    screen.reset(); // closing a broken connection is safe too
}

// Any Display that is not a screen connection goes to the program's handler, which ends the
// process with its own status (Xlib's would be 1).
TEST(ConnectionLost, AToolkitConnectionGoesToTheProgramsHandler) {
    if (!test::HaveProgram("Xvfb"))
        GTEST_SKIP() << "needs Xvfb";
    test::PrivateXServer x;
    ASSERT_FALSE(x.name().empty());
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    pid_t child = fork();
    if (child == 0) {
        Display* toolkit = XOpenDisplay(x.name().c_str());
        auto screen = ScreenConnection::open(x.name().c_str());
        if (!toolkit || !screen)
            _exit(10);
        SetToolkitDisplayLostHandler([] { _exit(3); });
        (void)!write(ready[1], "r", 1);
        for (int i = 0; i < 1000; ++i) {
            XNoOp(toolkit);
            XSync(toolkit, False);
            usleep(10 * 1000);
        }
        _exit(11);
    }
    ASSERT_GT(child, 0);
    close(ready[1]);
    char c = 0;
    (void)!read(ready[0], &c, 1); // the child is connected (or has ended)
    close(ready[0]);
    x.Kill();
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 3);
}

} // namespace
} // namespace tess
