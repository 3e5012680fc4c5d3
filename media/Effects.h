#pragma once
// The effect switches of the capture menu. They are flags only: no step of the snapshot or
// recording pipeline reads them, and every picture is written as grabbed (with its caption).
// Toggling one changes its check mark and, for the six named ones, the stored value. The
// main client window's command table, enablers and toggles use this table.
#include <array>
#include <cstdint>
#include <optional>

namespace tess {

struct EffectSwitch {
    int32_t command;   // menu command id
    int32_t byteIndex; // index in the effect bytes (Mirror = 1)
    const char* name;  // settings name of a stored switch, null for the others
};

// The seventeen switches in the order of the effect bytes.
const std::array<EffectSwitch, 17>& EffectSwitches();

// The switch of a command id, or none.
std::optional<EffectSwitch> EffectForCommand(int32_t command);

// Effect bytes as kept in the settings record (index 0 unused, 1 = Mirror ... 19).
using EffectBytes = std::array<uint8_t, 20>;

// Whether the switch of `command` is on (false for a command that is no effect switch).
bool IsEffectOn(const EffectBytes& bytes, int32_t command);
// Toggles the switch of `command`; returns its new state (false for a command that is no
// effect switch, which changes nothing).
bool ToggleEffect(EffectBytes& bytes, int32_t command);

} // namespace tess
