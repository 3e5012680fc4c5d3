#include "app/ControlCommand.h"

#include <dlfcn.h>
#include <gio/gio.h>

#include <string>

#include "app/LauncherOptions.h"
#include "platform/ControlService.h"
#include "platform/Session.h"
#include "platform/Translate.h"

namespace tess {

namespace {

// The few GIO calls of the request, looked up in the library loaded at run time (nothing
// here names a GIO symbol at link time).
struct Gio {
    decltype(&g_bus_get_sync) busGet = nullptr;
    decltype(&g_dbus_connection_call_sync) call = nullptr;
    decltype(&g_variant_new) variantNew = nullptr;
    decltype(&g_variant_get) variantGet = nullptr;
    decltype(&g_variant_unref) variantUnref = nullptr;
    decltype(&g_object_unref) objectUnref = nullptr;
    decltype(&g_error_free) errorFree = nullptr;
    decltype(&g_dbus_error_quark) dbusErrorQuark = nullptr;

    bool Load() {
        void* lib = dlopen("libgio-2.0.so.0", RTLD_LAZY | RTLD_LOCAL);
        if (!lib)
            return false;
        auto get = [lib](auto& f, const char* name) {
            f = reinterpret_cast<std::remove_reference_t<decltype(f)>>(dlsym(lib, name));
            return f != nullptr;
        };
        return get(busGet, "g_bus_get_sync") && get(call, "g_dbus_connection_call_sync") &&
               get(variantNew, "g_variant_new") && get(variantGet, "g_variant_get") &&
               get(variantUnref, "g_variant_unref") && get(objectUnref, "g_object_unref") &&
               get(errorFree, "g_error_free") && get(dbusErrorQuark, "g_dbus_error_quark");
    }
};

bool KnownRequest(const std::string& r) {
    return r == "record" || r == "stop" || r == "pause" || r == "resume" || r == "snapshot";
}

} // namespace

std::optional<int> RunControlFromCommandLine(const CommandLine& cl, std::ostream& out,
                                             std::ostream& err) {
    const std::pair<std::string, std::string>* option = nullptr;
    int given = 0;
    for (const auto& o : cl.longOptions)
        if (o.first == "control") {
            option = &o;
            ++given;
        }
    if (!option)
        return std::nullopt;
    const std::string& request = option->second;
    // TRANSLATORS: the option and the requests after "tessaray" are typed as they stand
    const std::string usage =
        std::string(Tr("usage: tessaray --control record|stop|pause|resume|snapshot")) + "\n";
    if (given > 1) {
        err << "tessaray: "
            << FormatText(TrN("--control is given %d time; ask one request at a time",
                              "--control is given %d times; ask one request at a time",
                              static_cast<unsigned long>(given)),
                          given)
            << "\n"
            << usage;
        return kUsageExitCode;
    }
    if (!KnownRequest(request)) {
        err << "tessaray: "
            << (request.empty()
                    ? std::string(Tr("--control takes record, stop, pause, resume or snapshot"))
                    : FormatText(Tr("--control takes record, stop, pause, resume or snapshot, "
                                    "not \"%s\""),
                                 request.c_str()))
            << "\n"
            << usage;
        return kUsageExitCode;
    }
    if (!SessionBusAddressKnown()) {
        err << "tessaray: " << Tr("no Tessaray window program is running (there is no session bus)")
            << "\n";
        return kNoWindowProgramExitCode;
    }
    Gio gio;
    if (!gio.Load()) {
        err << "tessaray: " << Tr("the session bus library (libgio-2.0) cannot be loaded") << "\n";
        return 1;
    }
    GError* error = nullptr;
    GDBusConnection* bus = gio.busGet(G_BUS_TYPE_SESSION, nullptr, &error);
    if (!bus) {
        err << "tessaray: "
            << FormatText(Tr("no Tessaray window program is running (the session bus cannot be "
                             "reached: %s)"),
                          error ? error->message : Tr("unknown error"))
            << "\n";
        if (error)
            gio.errorFree(error);
        return kNoWindowProgramExitCode;
    }
    // No time limit: a record request waits for the user's selection.
    GVariant* reply = gio.call(bus, kControlBusName, kControlObjectPath, kControlInterface,
                               kControlMethod, gio.variantNew("(s)", request.c_str()), nullptr,
                               G_DBUS_CALL_FLAGS_NO_AUTO_START, G_MAXINT, nullptr, &error);
    gio.objectUnref(bus);
    if (!reply) {
        const bool absent = error && error->domain == gio.dbusErrorQuark() &&
                            (error->code == G_DBUS_ERROR_SERVICE_UNKNOWN ||
                             error->code == G_DBUS_ERROR_NAME_HAS_NO_OWNER);
        if (absent)
            err << "tessaray: " << Tr("no Tessaray window program is running") << "\n";
        else
            err << "tessaray: "
                << FormatText(Tr("the window program did not answer: %s"),
                              error ? error->message : Tr("unknown error"))
                << "\n";
        if (error)
            gio.errorFree(error);
        return absent ? kNoWindowProgramExitCode : 1;
    }
    gint32 code = 1;
    const gchar* text = nullptr;
    gio.variantGet(reply, "(i&s)", &code, &text);
    const std::string answer = text ? text : "";
    gio.variantUnref(reply);
    if (code == 0) {
        if (!answer.empty())
            out << answer << "\n";
        return 0;
    }
    err << "tessaray: " << answer << "\n";
    return 1;
}

} // namespace tess
