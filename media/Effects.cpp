#include "media/Effects.h"

namespace tess {

const std::array<EffectSwitch, 17>& EffectSwitches() {
    static const std::array<EffectSwitch, 17> table = {{
        {27500, 1, "Mirror"},
        {27501, 2, "Poster"},
        {27502, 3, "Water"},
        {27503, 4, "Gray"},
        {27504, 5, "Xray"},
        {27505, 6, "Emboss"},
        {27513, 8, nullptr},
        {27506, 9, nullptr},
        {27507, 10, nullptr},
        {27508, 11, nullptr},
        {27509, 12, nullptr},
        {27510, 13, nullptr},
        {27512, 14, nullptr},
        {27511, 15, nullptr},
        {27514, 16, nullptr},
        {27901, 18, nullptr},
        {27900, 19, nullptr},
    }};
    return table;
}

std::optional<EffectSwitch> EffectForCommand(int32_t command) {
    for (const EffectSwitch& s : EffectSwitches())
        if (s.command == command)
            return s;
    return std::nullopt;
}

bool IsEffectOn(const EffectBytes& bytes, int32_t command) {
    const auto s = EffectForCommand(command);
    return s && bytes[static_cast<size_t>(s->byteIndex)] != 0;
}

bool ToggleEffect(EffectBytes& bytes, int32_t command) {
    const auto s = EffectForCommand(command);
    if (!s)
        return false;
    uint8_t& b = bytes[static_cast<size_t>(s->byteIndex)];
    b = b ? 0 : 1;
    return b != 0;
}

} // namespace tess
