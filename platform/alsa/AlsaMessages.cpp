#include "platform/alsa/AlsaMessages.h"

#include "platform/Log.h"

#include <alsa/asoundlib.h>

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace tess::platform {

namespace {

std::atomic<void (*)(const char*)> gSink{nullptr};

// The same line ALSA prints ("ALSA lib FILE:LINE:(FUNCTION) TEXT[: ERROR]"), handed on.
void Handler(const char* file, int line, const char* function, int err, const char* fmt, ...) {
    auto sink = gSink.load();
    if (!sink)
        return;
    char text[512];
    va_list ap;
    va_start(ap, fmt);
    std::vsnprintf(text, sizeof text, fmt, ap);
    va_end(ap);
    char out[768];
    if (err)
        std::snprintf(out, sizeof out, "ALSA lib %s:%i:(%s) %s: %s", file ? file : "?", line,
                      function ? function : "?", text, snd_strerror(err));
    else
        std::snprintf(out, sizeof out, "ALSA lib %s:%i:(%s) %s", file ? file : "?", line,
                      function ? function : "?", text);
    sink(out);
}

} // namespace

void RouteAlsaMessages(void (*sink)(const char* line)) {
    gSink.store(sink);
    snd_lib_error_set_handler(sink ? Handler : nullptr);
}

} // namespace tess::platform

namespace tess {

// Here rather than beside the log, so a program that logs but never routes (the launcher)
// does not link the sound library.
void RouteSoundLibraryMessagesToWarningLog() {
    platform::RouteAlsaMessages([](const char* line) { LogWarning("%s", line); });
}

} // namespace tess
