#include "platform/OpenUri.h"

#include <gio/gio.h>

namespace tess {

bool OpenUriInDefaultHandler(const std::string& uri) {
    if (uri.empty())
        return false;
    GError* error = nullptr;
    gboolean ok = g_app_info_launch_default_for_uri(uri.c_str(), nullptr, &error);
    if (error)
        g_error_free(error);
    return ok != FALSE;
}

} // namespace tess
