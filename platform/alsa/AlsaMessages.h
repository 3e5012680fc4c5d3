#pragma once
// ALSA's library messages ("ALSA lib pcm.c:...: Unknown PCM ..." and the like, printed on
// standard error by default, many of them on a machine without a sound card) handed to the
// program instead, one line at a time.

namespace tess::platform {

// Sends every later ALSA library message to `sink` (without the trailing newline); null
// restores ALSA's own printing. `sink` may be called on any thread that uses ALSA.
void RouteAlsaMessages(void (*sink)(const char* line));

} // namespace tess::platform
