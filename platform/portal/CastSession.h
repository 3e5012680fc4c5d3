#pragma once
// The screen cast's conversation with the desktop portal, on the portal's thread: the
// session bus, what the portal offers, and one session from CreateSession to the descriptor
// of the PipeWire remote that carries the stream (CastStream reads the stream). Every
// request goes through the request layer (Request.h) and waits for its answer in the
// thread's own main context, never past the portal leaving the bus or closing the session.
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/ScreenRect.h"
#include "platform/portal/PortalScreenCast.h"
#include "platform/portal/Request.h"

namespace tess::portal {

// What the session hands to the cast's start(): the stream to open, or why there is none.
struct PortalGrant {
    bool ok = false;
    std::string message;
    int fd = -1;
    uint32_t node = 0;
    bool haveLogical = false;
    ScreenRect logical;
    std::string token;
    bool tokenRefused = false;     // the portal would not take the restore token
    bool cursorEmbedded = false;   // the pictures carry the cursor
    bool embeddingOffered = false; // the portal can draw the cursor into the pictures
};

class CastSession {
public:
    // `context` is the portal thread's main context (its thread default); `quit` and
    // `cursorWish` belong to the cast, which may change them from other threads.
    CastSession(const PortalCastOptions& options, GMainContext* context,
                const std::atomic<bool>& quit, const std::atomic<bool>& cursorWish);
    ~CastSession();
    CastSession(const CastSession&) = delete;
    CastSession& operator=(const CastSession&) = delete;

    // Connects to the session bus and runs a session (again without the restore token when
    // the portal refuses it).
    PortalGrant negotiate();
    // True once the portal left the bus or closed the session.
    bool over() const { return portalGone_ || sessionClosed_; }
    // Closes the session (when the portal is still there) and the bus connection.
    void close();

private:
    struct Response;
    static void OnNameOwnerChanged(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                                   const gchar*, GVariant* parameters, gpointer data);
    static void OnSessionClosed(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                                const gchar*, GVariant*, gpointer data);
    Variant property(const char* name, Error& error);
    uint32_t uintProperty(const char* name, uint32_t fallback);
    bool request(const char* method, const std::function<GVariant*(const char*)>& makeArgs,
                 int timeoutMs, Response& response, std::string* why);
    void closeSession();
    bool createSession(PortalGrant& g);
    bool selectSources(PortalGrant& g, uint32_t version, uint32_t cursorModes,
                       const std::string& restoreToken);
    bool startCast(PortalGrant& g);
    bool openRemote(PortalGrant& g);
    PortalGrant castSession(uint32_t version, uint32_t cursorModes,
                            const std::string& restoreToken);

    const PortalCastOptions& options_;
    GMainContext* context_;
    const std::atomic<bool>& quit_;
    const std::atomic<bool>& cursorWish_;
    Object<GDBusConnection> bus_;
    std::string sessionHandle_;
    guint closedSubscription_ = 0;
    bool portalGone_ = false;    // the portal's bus name lost its owner
    bool sessionClosed_ = false; // the portal closed the session
    bool refused_ = false;       // the last request failed because the portal said no
};

} // namespace tess::portal
