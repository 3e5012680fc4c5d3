#include "settings/Settings.h"

namespace tess {

Settings& GlobalSettings() {
    static Settings settings;
    return settings;
}

} // namespace tess
