// ALSA's library messages go to the warning log, not to the terminal.
#include <gtest/gtest.h>

#include <alsa/asoundlib.h>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "platform/Log.h"
#include "platform/alsa/AlsaMessages.h"
#include "support/TestSupport.h"

namespace tess {
namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Opens a device of a card that does not exist, with standard error caught in `errPath`.
void OpenMissingCard(const std::string& errPath) {
    std::fflush(stderr);
    const int saved = dup(2);
    const int fd = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(fd, 2);
    close(fd);
    snd_pcm_t* pcm = nullptr;
    const int rc = snd_pcm_open(&pcm, "hw:CARD=NoSuchTessarayCard", SND_PCM_STREAM_CAPTURE, 0);
    if (rc == 0)
        snd_pcm_close(pcm);
    std::fflush(stderr);
    dup2(saved, 2);
    close(saved);
    EXPECT_LT(rc, 0);
}

TEST(AlsaMessages, GoToTheWarningLogAndNotToStandardError) {
    test::TempDir dir;
    const std::string log = dir.str() + "/w.log", err = dir.str() + "/stderr";
    SetWarningLogPathForTesting(log);

    // ALSA's own way first: the message is printed, which is what the routing must stop.
    platform::RouteAlsaMessages(nullptr);
    OpenMissingCard(err);
    EXPECT_NE(ReadAll(err).find("NoSuchTessarayCard"), std::string::npos) << ReadAll(err);

    RouteSoundLibraryMessagesToWarningLog();
    OpenMissingCard(err);
    EXPECT_EQ(ReadAll(err), "");
    const std::string text = ReadAll(log);
    EXPECT_NE(text.find("ALSA lib "), std::string::npos) << text;
    EXPECT_NE(text.find("NoSuchTessarayCard"), std::string::npos) << text;

    platform::RouteAlsaMessages(nullptr);
    SetWarningLogPathForTesting("");
}

} // namespace
} // namespace tess
