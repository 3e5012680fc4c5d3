#pragma once
// Opening an address (a web page, a mail address, a file URI) in the desktop's default
// handler for its scheme, through GIO.
#include <string>

namespace tess {

// True when the desktop accepted the address; false when it has no handler for it or the
// handler could not be started. Nothing is shown either way.
bool OpenUriInDefaultHandler(const std::string& uri);

} // namespace tess
