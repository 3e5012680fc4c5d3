#include "platform/portal/PortalScreenCast.h"

#include <gio/gio.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <future>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "platform/Translate.h"
#include "platform/portal/CastSession.h"
#include "platform/portal/CastStream.h"

namespace tess {

namespace {

using portal::PortalGrant;

int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// "10", "0.5": a time limit as the messages give it.
std::string SecondsText(int ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", ms / 1000.0);
    return text;
}

// The number that picks the plural form of a time limit's "seconds" (a fraction counts up).
unsigned long WholeSeconds(int ms) {
    return ms <= 0 ? 0 : static_cast<unsigned long>((ms + 999) / 1000);
}

} // namespace

struct PortalScreenCast::Impl {
    PortalCastOptions options;
    std::mutex startMutex; // one start or stop at a time

    // ---- the portal's thread ----
    std::thread portalThread;
    GMainContext* context = nullptr;
    std::atomic<bool> quitPortal{false};
    std::promise<PortalGrant> grantPromise;

    // ---- the newest picture of the stream ----
    std::mutex frameMutex;
    std::condition_variable frameArrived;
    std::vector<uint8_t> frame; // BGRx, frameWidth * 4 bytes a row
    int32_t frameWidth = 0, frameHeight = 0;
    uint64_t frames = 0;
    // screenChanged(): the next grab wants a picture after the `freshAfter`th, within
    // freshLimitMs; 0 when any will do.
    uint64_t freshAfter = 0;
    int freshLimitMs = 0;
    bool haveLogical = false;
    ScreenRect logical;
    std::atomic<bool> unmappable{false}; // buffers came that cannot be read

    std::atomic<bool> running{false};
    // The cursor in the pictures: wanted by the next grabs, and as the running cast has it.
    std::atomic<bool> cursorWish{true};
    std::atomic<bool> castCursor{false};
    std::atomic<bool> embeddingOffered{false};
    std::atomic<int64_t> lastUse{0}; // NowMs() of the latest start or grab
    std::atomic<int> holds{0};
    std::atomic<bool> endedFlag{false};
    mutable std::mutex failureMutex;
    std::string failureText;

    // The stream, last so it goes first: its reports use the members above.
    portal::CastStream stream{
        {[this](const uint8_t* pixels, int64_t stride, StreamPixelFormat format, int32_t w,
                int32_t h) { storePicture(pixels, stride, format, w, h); },
         [this] { unmappable = true; }, [this](const std::string& why) { endWith(why); }}};

    void setFailure(const std::string& text) {
        std::lock_guard lock(failureMutex);
        failureText = text;
    }
    // The cast stopped delivering: the first reason is kept.
    void endWith(const std::string& text) {
        {
            std::lock_guard lock(failureMutex);
            if (failureText.empty())
                failureText = text;
        }
        {
            std::lock_guard lock(frameMutex);
            endedFlag.store(true);
        }
        frameArrived.notify_all();
    }

    static gboolean Tick(gpointer) { return G_SOURCE_CONTINUE; }

    void portalMain() {
        g_main_context_push_thread_default(context);
        // Wakes the loop now and then, so time limits and a stop are seen.
        GSource* tick = g_timeout_source_new(100);
        g_source_set_callback(tick, Tick, nullptr, nullptr);
        g_source_attach(tick, context);

        portal::CastSession session(options, context, quitPortal, cursorWish);
        PortalGrant grant = session.negotiate();
        const bool granted = grant.ok;
        // With a token the cast comes back without a dialog, so an unused one may end.
        const bool mayIdleStop = !grant.token.empty() && options.idleStopMs > 0;
        grantPromise.set_value(std::move(grant));
        if (granted) {
            bool idle = false;
            while (!quitPortal.load() && !session.over() && !idle) {
                g_main_context_iteration(context, TRUE);
                idle = mayIdleStop && running.load() && holds.load() == 0 &&
                       NowMs() - lastUse.load() > options.idleStopMs;
            }
            if (idle)
                endWith(FormatText(
                    // TRANSLATORS: %s is a number of seconds, perhaps with a fraction ("0.5")
                    TrN("the screen cast was stopped after %s seconds without use",
                        "the screen cast was stopped after %s seconds without use",
                        WholeSeconds(options.idleStopMs)),
                    SecondsText(options.idleStopMs).c_str()));
            else if (!quitPortal.load())
                endWith(Tr(portal::kCastEndedText));
        }
        session.close();
        g_source_destroy(tick);
        g_source_unref(tick);
        // Callbacks still queued (signal subscriptions being dropped) are run out here.
        while (g_main_context_iteration(context, FALSE)) {
        }
        g_main_context_pop_thread_default(context);
    }

    void stopPortal() {
        if (portalThread.joinable()) {
            quitPortal.store(true);
            g_main_context_wakeup(context);
            portalThread.join();
        }
        if (context) {
            g_main_context_unref(context);
            context = nullptr;
        }
    }

    // A picture of the stream, kept as BGRx.
    void storePicture(const uint8_t* src, int64_t stride, StreamPixelFormat format, int32_t w,
                      int32_t h) {
        {
            std::lock_guard lock(frameMutex);
            frame.resize(static_cast<size_t>(w) * h * 4);
            for (int32_t y = 0; y < h; ++y)
                ConvertRowToBgrx(src + y * stride, format, w,
                                 frame.data() + static_cast<size_t>(y) * w * 4);
            frameWidth = w;
            frameHeight = h;
            ++frames;
        }
        frameArrived.notify_all();
    }

    void stopAll() {
        running.store(false);
        stream.close();
        stopPortal();
    }
};

PortalScreenCast::PortalScreenCast(PortalCastOptions options) : impl_(std::make_unique<Impl>()) {
    impl_->options = std::move(options);
    impl_->cursorWish.store(impl_->options.cursor);
}

PortalScreenCast::~PortalScreenCast() {
    stop();
}

void PortalScreenCast::stop() {
    std::lock_guard lock(impl_->startMutex);
    impl_->stopAll();
}

bool PortalScreenCast::start() {
    Impl& d = *impl_;
    std::lock_guard lock(d.startMutex);
    d.lastUse.store(NowMs());
    if (d.running.load() && !d.endedFlag.load())
        return true;
    d.stopAll();
    d.setFailure(std::string());
    ClearScreenSourceInterrupt();
    {
        std::lock_guard frameLock(d.frameMutex);
        d.endedFlag.store(false);
        d.frames = 0;
        d.unmappable = false;
    }

    d.context = g_main_context_new();
    d.quitPortal.store(false);
    d.grantPromise = std::promise<PortalGrant>();
    std::future<PortalGrant> granted = d.grantPromise.get_future();
    d.portalThread = std::thread([&d] { d.portalMain(); });
    PortalGrant grant = granted.get();
    if (!grant.ok) {
        d.stopAll();
        d.setFailure(grant.message);
        return false;
    }
    // The token given is spent: the new one (or none) replaces it at once.
    d.options.restoreToken = grant.token;
    if (d.options.tokenChanged)
        d.options.tokenChanged(grant.token);
    d.haveLogical = grant.haveLogical;
    d.logical = grant.logical;
    d.castCursor.store(grant.cursorEmbedded);
    d.embeddingOffered.store(grant.embeddingOffered);

    if (!d.stream.open(grant.fd, grant.node)) {
        d.stopAll();
        d.setFailure(Tr("the screen cast's stream cannot be opened"));
        return false;
    }
    std::unique_lock frameLock(d.frameMutex);
    const auto opened = std::chrono::steady_clock::now();
    const auto deadline = opened + std::chrono::milliseconds(d.options.firstPictureTimeoutMs);
    auto nextNudge = opened + std::chrono::milliseconds(d.options.firstPictureNudgeMs);
    const auto pictureOrEnd = [&d] { return d.frames > 0 || d.endedFlag.load(); };
    bool pictured = false;
    for (;;) {
        const auto until = d.options.askForRepaint ? std::min(deadline, nextNudge) : deadline;
        pictured = d.frameArrived.wait_until(frameLock, until, pictureOrEnd);
        if (pictured || std::chrono::steady_clock::now() >= deadline)
            break;
        frameLock.unlock();
        d.options.askForRepaint(d.haveLogical ? std::optional(d.logical) : std::nullopt);
        frameLock.lock();
        nextNudge = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
    }
    const bool unreadable = d.unmappable.load();
    const bool delivered = pictured && d.frames > 0 && !d.endedFlag.load();
    frameLock.unlock();
    if (!delivered) {
        std::string why = failure();
        d.stopAll();
        if (why.empty())
            why = unreadable
                      ? Tr("the screen cast delivers pictures this program cannot read "
                           "(DMA-BUF buffers that cannot be mapped)")
                      : FormatText(
                            // TRANSLATORS: %s is a number of seconds, perhaps with a fraction
                            TrN("no picture arrived from the screen cast within %s seconds",
                                "no picture arrived from the screen cast within %s seconds",
                                WholeSeconds(d.options.firstPictureTimeoutMs)),
                            SecondsText(d.options.firstPictureTimeoutMs).c_str());
        d.setFailure(why);
        return false;
    }
    d.lastUse.store(NowMs());
    d.running.store(true);
    return true;
}

bool PortalScreenCast::grab(const ScreenRect& area, const ScreenRect& xScreen, uint8_t* dst,
                            int32_t dstStride) {
    Impl& d = *impl_;
    d.lastUse.store(NowMs());
    std::unique_lock lock(d.frameMutex);
    if (d.freshAfter > 0 && d.running.load()) {
        // A picture the desktop made before the change would show what went away; after
        // the limit (a change outside the cast sends nothing) the newest one is taken.
        const uint64_t after = std::exchange(d.freshAfter, 0);
        d.frameArrived.wait_for(lock, std::chrono::milliseconds(d.freshLimitMs),
                                [&d, after] { return d.frames > after || d.endedFlag.load(); });
    }
    if (!d.running.load() || d.endedFlag.load() || d.frames == 0) {
        CopyStreamArea(nullptr, 0, {}, area, dst, dstStride);
        return false;
    }
    const StreamGeometry geometry{
        StreamLogicalRect(d.haveLogical ? std::optional(d.logical) : std::nullopt, xScreen),
        d.frameWidth, d.frameHeight};
    CopyStreamArea(d.frame.data(), d.frameWidth * 4, geometry, area, dst, dstStride);
    return true;
}

bool PortalScreenCast::ended() const {
    return impl_->endedFlag.load();
}

void PortalScreenCast::wantCursor(bool on) {
    Impl& d = *impl_;
    d.cursorWish.store(on);
    if (!d.running.load() || d.castCursor.load() == (on && d.embeddingOffered.load()))
        return;
    // The desktop draws the cursor into a cast's pictures or leaves it out for the cast's
    // whole life: a cast of the other kind ends, and the next grab starts one anew with the
    // saved token, so nobody is asked. Not a cast that a recording holds (its frames keep
    // the cursor), nor one without a token (that would ask), nor while a start or stop is
    // under way (a start takes the wish).
    std::unique_lock lock(d.startMutex, std::try_to_lock);
    if (!lock.owns_lock() || d.holds.load() > 0 || d.options.restoreToken.empty() ||
        !d.running.load())
        return;
    d.stopAll();
}

void PortalScreenCast::screenChanged(int limitMs) {
    Impl& d = *impl_;
    std::lock_guard lock(d.frameMutex);
    d.freshAfter = d.frames; // none yet: the first picture of the start is fresh
    d.freshLimitMs = limitMs;
}

void PortalScreenCast::hold(bool on) {
    impl_->holds.fetch_add(on ? 1 : -1);
    impl_->lastUse.store(NowMs());
}

std::string PortalScreenCast::failure() const {
    std::lock_guard lock(impl_->failureMutex);
    return impl_->failureText;
}

} // namespace tess
