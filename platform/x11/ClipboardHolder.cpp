#include "platform/x11/ClipboardHolder.h"

#include "platform/Translate.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace tess {

namespace {

// After another program took the clipboard, transfers still under way get this long between
// two steps before the holder ends anyway.
constexpr int kLastTransferStepMs = 10000;

int IgnoreXError(Display*, XErrorEvent*) {
    return 0; // a requestor that went away mid-transfer
}

int EndWithDisplay(Display*) {
    _exit(0); // the display went away, and the clipboard with it
}

// One form of what is held: the target that asks for it and its bytes.
struct Offer {
    const char* target;
    std::string_view data;
};

// The selection owner: one unmapped window, what it offers, and the INCR transfers under way.
class Holder {
public:
    Holder(Display* d, const std::vector<Offer>& offers) : d_(d) {
        clipboard_ = XInternAtom(d, "CLIPBOARD", False);
        for (const Offer& o : offers)
            offers_.push_back({XInternAtom(d, o.target, False), o.data});
        targets_ = XInternAtom(d, "TARGETS", False);
        timestamp_ = XInternAtom(d, "TIMESTAMP", False);
        incr_ = XInternAtom(d, "INCR", False);
        // A property of one request holds what is left of the largest request.
        chunk_ = static_cast<size_t>(std::max(XMaxRequestSize(d) * 4 - 64, 4096L));
    }

    // Takes the selection with a real timestamp (from a change to our own window's
    // _NET_WM_PID, which also tells who holds the clipboard).
    bool own() {
        window_ = XCreateWindow(d_, DefaultRootWindow(d_), 0, 0, 1, 1, 0, 0, InputOnly,
                                CopyFromParent, 0, nullptr);
        XSelectInput(d_, window_, PropertyChangeMask);
        const long pid = getpid();
        XChangeProperty(d_, window_, XInternAtom(d_, "_NET_WM_PID", False), XA_CARDINAL, 32,
                        PropModeReplace, reinterpret_cast<const unsigned char*>(&pid), 1);
        XEvent e;
        XWindowEvent(d_, window_, PropertyChangeMask, &e);
        owned_ = e.xproperty.time;
        XSetSelectionOwner(d_, clipboard_, window_, owned_);
        return XGetSelectionOwner(d_, clipboard_) == window_;
    }

    // Answers requests until the selection is lost and no transfer is left.
    void serve() {
        for (;;) {
            if (lost_ && transfers_.empty())
                return;
            if (lost_ && !XPending(d_)) {
                XFlush(d_);
                pollfd p{ConnectionNumber(d_), POLLIN, 0};
                if (poll(&p, 1, kLastTransferStepMs) <= 0)
                    return;
            }
            XEvent e;
            XNextEvent(d_, &e);
            if (e.type == SelectionRequest)
                answer(e.xselectionrequest);
            else if (e.type == SelectionClear && e.xselectionclear.selection == clipboard_)
                lost_ = true;
            else if (e.type == PropertyNotify && e.xproperty.state == PropertyDelete)
                step(e.xproperty.window, e.xproperty.atom);
            else if (e.type == DestroyNotify)
                std::erase_if(transfers_, [w = e.xdestroywindow.window](const Transfer& t) {
                    return t.requestor == w;
                });
        }
    }

private:
    struct Transfer {
        Window requestor;
        Atom property;
        Atom type;
        std::string_view data;
        size_t sent;
    };

    void put(Window w, Atom property, Atom type, int format, const void* data, size_t n) {
        XChangeProperty(d_, w, property, type, format, PropModeReplace,
                        static_cast<const unsigned char*>(data), static_cast<int>(n));
    }

    void answer(const XSelectionRequestEvent& r) {
        XSelectionEvent reply{};
        reply.type = SelectionNotify;
        reply.display = d_;
        reply.requestor = r.requestor;
        reply.selection = r.selection;
        reply.target = r.target;
        reply.time = r.time;
        reply.property = None;
        // Obsolete requestors name no property: the target's name serves.
        const Atom property = r.property == None ? r.target : r.property;
        const bool ours = r.selection == clipboard_ && r.owner == window_ &&
                          (r.time == CurrentTime || r.time >= owned_);
        const auto offer = std::find_if(offers_.begin(), offers_.end(),
                                        [&](const auto& o) { return o.first == r.target; });
        if (ours && r.target == targets_) {
            std::vector<Atom> list;
            for (const auto& o : offers_)
                list.push_back(o.first);
            list.push_back(targets_);
            list.push_back(timestamp_);
            put(r.requestor, property, XA_ATOM, 32, list.data(), list.size());
            reply.property = property;
        } else if (ours && r.target == timestamp_) {
            const long t = static_cast<long>(owned_);
            put(r.requestor, property, XA_INTEGER, 32, &t, 1);
            reply.property = property;
        } else if (ours && offer != offers_.end()) {
            const std::string_view data = offer->second;
            if (data.size() <= chunk_) {
                put(r.requestor, property, offer->first, 8, data.data(), data.size());
            } else {
                // INCR: the size first; each deletion of the property asks for the next
                // piece, and an empty piece ends the transfer.
                XSelectInput(d_, r.requestor, PropertyChangeMask | StructureNotifyMask);
                const long size = static_cast<long>(data.size());
                put(r.requestor, property, incr_, 32, &size, 1);
                transfers_.push_back({r.requestor, property, offer->first, data, 0});
            }
            reply.property = property;
        }
        XSendEvent(d_, r.requestor, False, NoEventMask, reinterpret_cast<XEvent*>(&reply));
        XFlush(d_);
    }

    void step(Window w, Atom property) {
        auto t = std::find_if(transfers_.begin(), transfers_.end(), [&](const Transfer& t) {
            return t.requestor == w && t.property == property;
        });
        if (t == transfers_.end())
            return;
        const size_t n = std::min(chunk_, t->data.size() - t->sent);
        put(w, property, t->type, 8, t->data.data() + t->sent, n);
        t->sent += n;
        if (n == 0) {
            XSelectInput(d_, w, NoEventMask);
            transfers_.erase(t);
        }
        XFlush(d_);
    }

    Display* d_;
    std::vector<std::pair<Atom, std::string_view>> offers_;
    Atom clipboard_, targets_, timestamp_, incr_;
    size_t chunk_;
    Window window_ = 0;
    Time owned_ = CurrentTime;
    bool lost_ = false;
    std::vector<Transfer> transfers_;
};

// The holder process: tells the caller through `reply` ("+" once it owns the clipboard, else
// why not), then serves the clipboard and ends.
[[noreturn]] void RunHolder(const std::vector<Offer>& offers, int reply, const char* displayName) {
    // Nothing of the caller's stays open: not its standard streams (a shell's `$(...)` waits
    // for them), not its display connection, not its directory (a disk to unmount).
    (void)!chdir("/");
    reply = fcntl(reply, F_DUPFD, 3);
    close_range(3, reply - 1, 0);
    close_range(reply + 1, ~0U, 0);
    const int null = open("/dev/null", O_RDWR);
    for (int fd = 0; fd < 3; ++fd)
        dup2(null, fd);
    if (null > 2)
        close(null);
    auto fail = [reply](const char* text) {
        (void)!write(reply, text, std::strlen(text));
        _exit(1);
    };
    Display* d = XOpenDisplay(displayName);
    if (!d)
        fail(N_("no X display answers for the clipboard"));
    XSetErrorHandler(IgnoreXError);
    XSetIOErrorHandler(EndWithDisplay);
    Holder holder(d, offers);
    if (!holder.own())
        fail(N_("the clipboard could not be taken"));
    (void)!write(reply, "+", 1);
    close(reply);
    holder.serve();
    _exit(0);
}

// Starts the holder with `offers` and waits until it owns the clipboard or gave up.
bool Hold(const std::vector<Offer>& offers, std::string* error, const char* displayName) {
    int fds[2];
    if (pipe(fds) != 0) {
        *error = Tr("no pipe for the clipboard holder");
        return false;
    }
    const pid_t child = fork();
    if (child == 0) {
        // A session of its own, and the grandchild holds: the caller's caller waits for no one.
        close(fds[0]);
        setsid();
        const pid_t holder = fork();
        if (holder == 0)
            RunHolder(offers, fds[1], displayName);
        _exit(holder < 0 ? 1 : 0);
    }
    close(fds[1]);
    std::string answer;
    char buffer[256];
    for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) != 0;) {
        if (n > 0)
            answer.append(buffer, static_cast<size_t>(n));
        else if (errno != EINTR)
            break;
    }
    close(fds[0]);
    if (child > 0)
        waitpid(child, nullptr, 0);
    if (answer == "+")
        return true;
    // The holder's own reasons are marked there and translated here: the forked child
    // touches no catalog.
    *error = child < 0        ? Tr("the clipboard holder could not be started")
             : answer.empty() ? Tr("the clipboard holder ended at once")
                              : Tr(answer.c_str());
    return false;
}

} // namespace

bool HoldClipboard(std::string_view png, std::string* error, const char* displayName) {
    return Hold({{"image/png", png}}, error, displayName);
}

bool HoldClipboardText(std::string_view utf8, std::string* error, const char* displayName) {
    // STRING is Latin-1: the code points up to 255 as one byte each, others as '?'.
    std::string latin1;
    for (size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        const size_t length = c < 0x80 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        if (length == 2 && c <= 0xC3 && i + 1 < utf8.size())
            latin1 += static_cast<char>(((c & 0x1F) << 6) | (utf8[i + 1] & 0x3F));
        else
            latin1 += length == 1 && c < 0x80 ? static_cast<char>(c) : '?';
        i += length;
    }
    return Hold({{"UTF8_STRING", utf8}, {"text/plain;charset=utf-8", utf8}, {"STRING", latin1}},
                error, displayName);
}

} // namespace tess
