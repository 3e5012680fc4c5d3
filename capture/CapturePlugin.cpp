#include "capture/CapturePlugin.h"

#include <dlfcn.h>
#include <unistd.h>

namespace tess {

bool RegisterCapturePlugin(const std::string& directory) {
    std::string path = directory + "grabsrc.so";
    if (access(path.c_str(), F_OK) != 0)
        return false;
    void* lib = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!lib)
        return false;
    bool called = false;
    if (void* sym = dlsym(lib, "DllRegisterServer")) {
        using Fn = long (*)();
        reinterpret_cast<Fn>(sym)();
        called = true;
    }
    dlclose(lib);
    return called;
}

} // namespace tess
