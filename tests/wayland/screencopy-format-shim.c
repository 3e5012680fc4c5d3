/* Preloaded into xdg-desktop-portal-wlr on a test machine without /dev/dri. With a
 * screencopy manager of version 3, the portal (0.7.0) starts no screen cast unless the
 * compositor announced a DMA-BUF format for the frame; a compositor rendering with pixman
 * announces shared memory only. After every shared-memory "buffer" event of a
 * zwlr_screencopy_frame_v1 this passes on a "linux_dmabuf" event of the same format and size;
 * with no GPU the portal never allocates a DMA-BUF, so the buffers stay shared memory.
 * Built by tests/wayland/desktop.sh; the few libwayland-client calls are declared here. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <pthread.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

struct wl_proxy;
const char *wl_proxy_get_class(struct wl_proxy *proxy);
uint32_t wl_proxy_get_version(struct wl_proxy *proxy);
const void *wl_proxy_get_listener(struct wl_proxy *proxy);

/* The events of zwlr_screencopy_frame_v1 in protocol order (version 3). */
struct frame_listener {
    void (*buffer)(void *data, struct wl_proxy *frame, uint32_t format, uint32_t width,
                   uint32_t height, uint32_t stride);
    void (*flags)(void *data, struct wl_proxy *frame, uint32_t flags);
    void (*ready)(void *data, struct wl_proxy *frame, uint32_t sec_hi, uint32_t sec_lo,
                  uint32_t nsec);
    void (*failed)(void *data, struct wl_proxy *frame);
    void (*damage)(void *data, struct wl_proxy *frame, uint32_t x, uint32_t y, uint32_t w,
                   uint32_t h);
    void (*linux_dmabuf)(void *data, struct wl_proxy *frame, uint32_t format, uint32_t width,
                         uint32_t height);
    void (*buffer_done)(void *data, struct wl_proxy *frame);
};

/* The wrapping listener comes first, so wl_proxy_get_listener on a frame finds the portal's
 * own listener right behind it. */
struct wrapped_listener {
    struct frame_listener events;
    const struct frame_listener *original;
};

#define WL_SHM_FORMAT_ARGB8888 0u
#define WL_SHM_FORMAT_XRGB8888 1u
#define FOURCC(a, b, c, d) \
    ((uint32_t)(a) | ((uint32_t)(b) << 8) | ((uint32_t)(c) << 16) | ((uint32_t)(d) << 24))

/* wl_shm formats are DRM fourcc codes but for the two oldest, which are 0 and 1. */
static uint32_t drm_format_of_shm(uint32_t shm_format)
{
    if (shm_format == WL_SHM_FORMAT_ARGB8888)
        return FOURCC('A', 'R', '2', '4');
    if (shm_format == WL_SHM_FORMAT_XRGB8888)
        return FOURCC('X', 'R', '2', '4');
    return shm_format;
}

static const struct frame_listener *original_of(struct wl_proxy *frame)
{
    return ((const struct wrapped_listener *)wl_proxy_get_listener(frame))->original;
}

static void on_buffer(void *data, struct wl_proxy *frame, uint32_t format, uint32_t width,
                      uint32_t height, uint32_t stride)
{
    const struct frame_listener *o = original_of(frame);
    if (o->buffer)
        o->buffer(data, frame, format, width, height, stride);
    if (o->linux_dmabuf)
        o->linux_dmabuf(data, frame, drm_format_of_shm(format), width, height);
}

#define PASS(name, params, args)                            \
    static void on_##name params                            \
    {                                                       \
        const struct frame_listener *o = original_of(frame); \
        if (o->name)                                        \
            o->name args;                                   \
    }
PASS(flags, (void *data, struct wl_proxy *frame, uint32_t f), (data, frame, f))
PASS(ready, (void *data, struct wl_proxy *frame, uint32_t a, uint32_t b, uint32_t c),
     (data, frame, a, b, c))
PASS(failed, (void *data, struct wl_proxy *frame), (data, frame))
PASS(damage,
     (void *data, struct wl_proxy *frame, uint32_t x, uint32_t y, uint32_t w, uint32_t h),
     (data, frame, x, y, w, h))
PASS(linux_dmabuf, (void *data, struct wl_proxy *frame, uint32_t f, uint32_t w, uint32_t h),
     (data, frame, f, w, h))
PASS(buffer_done, (void *data, struct wl_proxy *frame), (data, frame))

/* One wrapper per distinct listener table of the portal (in practice one). */
#define MAX_WRAPPED 8
static struct wrapped_listener wrapped[MAX_WRAPPED];
static int wrapped_count;
static pthread_mutex_t wrapped_lock = PTHREAD_MUTEX_INITIALIZER;

static const struct wrapped_listener *wrapper_for(const struct frame_listener *original)
{
    const struct wrapped_listener *found = NULL;
    pthread_mutex_lock(&wrapped_lock);
    for (int i = 0; i < wrapped_count && !found; ++i)
        if (wrapped[i].original == original)
            found = &wrapped[i];
    if (!found && wrapped_count < MAX_WRAPPED) {
        struct wrapped_listener *w = &wrapped[wrapped_count++];
        w->events = (struct frame_listener){on_buffer, on_flags,        on_ready,      on_failed,
                                            on_damage, on_linux_dmabuf, on_buffer_done};
        w->original = original;
        found = w;
    }
    pthread_mutex_unlock(&wrapped_lock);
    return found;
}

int wl_proxy_add_listener(struct wl_proxy *proxy, void (**implementation)(void), void *data)
{
    static int (*next)(struct wl_proxy *, void (**)(void), void *);
    if (!next)
        next = (int (*)(struct wl_proxy *, void (**)(void), void *))dlsym(
            RTLD_NEXT, "wl_proxy_add_listener");
    if (strcmp(wl_proxy_get_class(proxy), "zwlr_screencopy_frame_v1") == 0 &&
        wl_proxy_get_version(proxy) >= 3) {
        const struct wrapped_listener *w =
            wrapper_for((const struct frame_listener *)implementation);
        if (w)
            return next(proxy, (void (**)(void))&w->events, data);
    }
    return next(proxy, implementation, data);
}
