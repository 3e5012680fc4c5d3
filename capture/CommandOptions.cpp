#include "capture/CommandOptions.h"
#include "platform/Translate.h"

#include <cerrno>
#include <cstdlib>
#include <sstream>

namespace tess {

bool ParseOptionNumber(const std::string& text, int base, long long* value) {
    if (text.empty())
        return false;
    errno = 0;
    char* end = nullptr;
    long long v = std::strtoll(text.c_str(), &end, base);
    if (errno != 0 || !end || *end != '\0')
        return false;
    *value = v;
    return true;
}

bool HasLongOption(const LongOptions& options, const std::string& name) {
    for (const auto& option : options)
        if (option.first == name)
            return true;
    return false;
}

bool ParseWindowOption(const std::string& text, WindowId* id) {
    long long v = 0;
    bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    if (!ParseOptionNumber(hex ? text.substr(2) : text, hex ? 16 : 10, &v) || v <= 0)
        return false;
    *id = static_cast<WindowId>(v);
    return true;
}

bool ParseRegionOption(const std::string& text, ScreenRect* r) {
    long long v[4];
    std::stringstream in(text);
    std::string part;
    int n = 0;
    while (std::getline(in, part, ',')) {
        if (n == 4 || !ParseOptionNumber(part, 10, &v[n]))
            return false;
        ++n;
    }
    if (n != 4 || v[2] <= 0 || v[3] <= 0)
        return false;
    const long long limit = 1 << 20;
    for (long long x : v)
        if (x < -limit || x > limit)
            return false;
    *r = ScreenRect{static_cast<int32_t>(v[0]), static_cast<int32_t>(v[1]),
                    static_cast<int32_t>(v[0] + v[2]), static_cast<int32_t>(v[1] + v[3])};
    return true;
}

bool ParseRegionValue(const std::string& text, const std::string& lastRegion, ScreenRect* r,
                      std::string* error) {
    if (text == "last") {
        if (ParseRegionOption(lastRegion, r))
            return true;
        *error = Tr("--region last: no rectangle has been chosen in the window yet");
        return false;
    }
    if (ParseRegionOption(text, r))
        return true;
    *error = Tr("--region needs X,Y,W,H with a width and height above 0, or last");
    return false;
}

} // namespace tess
