#pragma once
// The shutter clip played after each snapshot: WAVE resource 27906, a short 8-bit mono
// RIFF WAVE file kept inside the program.
#include <cstdint>
#include <span>

namespace tess {

inline constexpr int kShutterSoundId = 27906;

// The whole RIFF WAVE file (8748 bytes).
std::span<const uint8_t> ShutterSound();

} // namespace tess
