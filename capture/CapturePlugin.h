#pragma once
// The optional capture plug-in next to the executable.
#include <string>

namespace tess {

// Calls the optional capture plug-in in `directory` ("grabsrc.so"): when it loads and
// exports DllRegisterServer, that is called once. Returns true when it was called.
bool RegisterCapturePlugin(const std::string& directory);

} // namespace tess
