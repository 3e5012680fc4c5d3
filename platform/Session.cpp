#include "platform/Session.h"

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tess {

bool SessionBusAddressKnown() {
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (address && *address)
        return true;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    struct stat st {};
    return runtime && *runtime && stat((std::string(runtime) + "/bus").c_str(), &st) == 0 &&
           S_ISSOCK(st.st_mode);
}

bool IsWaylandSession() {
    const char* type = std::getenv("XDG_SESSION_TYPE");
    const char* display = std::getenv("WAYLAND_DISPLAY");
    return type && std::strcmp(type, "wayland") == 0 && display && *display;
}

std::string ScreenCastOwnerLockPath() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const std::string dir = runtime && *runtime ? runtime : "/tmp";
    return dir + "/tessaray-screencast-" + std::to_string(getuid()) + ".lock";
}

bool OwnScreenCastPermission() {
    static int fd = -1;
    if (fd >= 0)
        return true;
    const std::string path = ScreenCastOwnerLockPath();
    const int f = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (f < 0)
        return true;
    if (flock(f, LOCK_EX | LOCK_NB) != 0) {
        close(f);
        return false;
    }
    fd = f;
    return true;
}

} // namespace tess
