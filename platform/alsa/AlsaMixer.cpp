// ALSA's simple mixer behind the mixer-device interface. A watcher thread polls the mixer's
// descriptors and reports value changes through the change handler; the handle is used by
// one thread at a time (the device's lock).
#include "platform/alsa/Mixer.h"
#include "platform/alsa/WaveIn.h"

#include <alsa/asoundlib.h>

#include <atomic>
#include <mutex>
#include <poll.h>
#include <sys/eventfd.h>
#include <thread>
#include <unistd.h>

namespace tess::platform {
namespace {

constexpr int kMaxPollFds = 16;

class AlsaMixerDevice final : public MixerDevice {
public:
    AlsaMixerDevice(snd_mixer_t* mixer, int wakeFd) : mixer_(mixer), wakeFd_(wakeFd) {
        for (snd_mixer_elem_t* e = snd_mixer_first_elem(mixer_); e; e = snd_mixer_elem_next(e))
            Watch(e);
        snd_mixer_set_callback_private(mixer_, this);
        snd_mixer_set_callback(mixer_, &AlsaMixerDevice::MixerEvent);
        watcher_ = std::thread([this] { WatchLoop(); });
    }

    ~AlsaMixerDevice() override {
        quit_ = true;
        uint64_t one = 1;
        ssize_t n = write(wakeFd_, &one, sizeof one);
        (void)n;
        watcher_.join();
        snd_mixer_close(mixer_);
        close(wakeFd_);
    }

    std::vector<MixerElementInfo> Elements() override {
        std::lock_guard lk(m_);
        std::vector<MixerElementInfo> out;
        for (snd_mixer_elem_t* e = snd_mixer_first_elem(mixer_); e; e = snd_mixer_elem_next(e)) {
            if (!snd_mixer_selem_is_active(e) || snd_mixer_selem_get_index(e) != 0)
                continue;
            MixerElementInfo i;
            i.name = snd_mixer_selem_get_name(e);
            i.playbackVolume = snd_mixer_selem_has_playback_volume(e);
            i.captureVolume = snd_mixer_selem_has_capture_volume(e);
            i.playbackSwitch = snd_mixer_selem_has_playback_switch(e);
            i.captureSwitch = snd_mixer_selem_has_capture_switch(e);
            i.captureSource =
                snd_mixer_selem_is_enumerated(e) && snd_mixer_selem_is_enum_capture(e);
            out.push_back(std::move(i));
        }
        return out;
    }

    bool VolumeRange(const std::string& name, MixerSide side, long* min, long* max) override {
        std::lock_guard lk(m_);
        snd_mixer_elem_t* e = Find(name);
        if (!e)
            return false;
        if (side == MixerSide::Playback)
            return snd_mixer_selem_has_playback_volume(e) &&
                   snd_mixer_selem_get_playback_volume_range(e, min, max) == 0;
        return snd_mixer_selem_has_capture_volume(e) &&
               snd_mixer_selem_get_capture_volume_range(e, min, max) == 0;
    }

    bool GetVolume(const std::string& name, MixerSide side, long* value) override {
        std::lock_guard lk(m_);
        snd_mixer_elem_t* e = Find(name);
        if (!e)
            return false;
        if (side == MixerSide::Playback)
            return snd_mixer_selem_has_playback_volume(e) &&
                   snd_mixer_selem_get_playback_volume(e, SND_MIXER_SCHN_FRONT_LEFT, value) == 0;
        return snd_mixer_selem_has_capture_volume(e) &&
               snd_mixer_selem_get_capture_volume(e, SND_MIXER_SCHN_FRONT_LEFT, value) == 0;
    }

    bool SetVolume(const std::string& name, MixerSide side, long value) override {
        std::lock_guard lk(m_);
        snd_mixer_elem_t* e = Find(name);
        if (!e)
            return false;
        if (side == MixerSide::Playback)
            return snd_mixer_selem_has_playback_volume(e) &&
                   snd_mixer_selem_set_playback_volume_all(e, value) == 0;
        return snd_mixer_selem_has_capture_volume(e) &&
               snd_mixer_selem_set_capture_volume_all(e, value) == 0;
    }

    bool GetSwitch(const std::string& name, MixerSide side, bool* on) override {
        std::lock_guard lk(m_);
        snd_mixer_elem_t* e = Find(name);
        int v = 0;
        bool ok = false;
        if (e && side == MixerSide::Playback)
            ok = snd_mixer_selem_has_playback_switch(e) &&
                 snd_mixer_selem_get_playback_switch(e, SND_MIXER_SCHN_FRONT_LEFT, &v) == 0;
        else if (e)
            ok = snd_mixer_selem_has_capture_switch(e) &&
                 snd_mixer_selem_get_capture_switch(e, SND_MIXER_SCHN_FRONT_LEFT, &v) == 0;
        if (ok)
            *on = v != 0;
        return ok;
    }

    bool SetSwitch(const std::string& name, MixerSide side, bool on) override {
        std::lock_guard lk(m_);
        snd_mixer_elem_t* e = Find(name);
        if (!e)
            return false;
        if (side == MixerSide::Playback)
            return snd_mixer_selem_has_playback_switch(e) &&
                   snd_mixer_selem_set_playback_switch_all(e, on ? 1 : 0) == 0;
        return snd_mixer_selem_has_capture_switch(e) &&
               snd_mixer_selem_set_capture_switch_all(e, on ? 1 : 0) == 0;
    }

    bool SourceItems(const std::string& name, std::vector<std::string>* items) override {
        std::lock_guard lk(m_);
        snd_mixer_elem_t* e = Find(name);
        if (!e || !snd_mixer_selem_is_enumerated(e))
            return false;
        int n = snd_mixer_selem_get_enum_items(e);
        if (n < 0)
            return false;
        items->clear();
        for (int i = 0; i < n; ++i) {
            char buf[260];
            if (snd_mixer_selem_get_enum_item_name(e, i, sizeof buf, buf) < 0)
                return false;
            items->push_back(buf);
        }
        return true;
    }

    bool GetSourceItem(const std::string& name, int* item) override {
        std::lock_guard lk(m_);
        snd_mixer_elem_t* e = Find(name);
        unsigned v = 0;
        if (!e || !snd_mixer_selem_is_enumerated(e) ||
            snd_mixer_selem_get_enum_item(e, SND_MIXER_SCHN_FRONT_LEFT, &v) < 0)
            return false;
        *item = static_cast<int>(v);
        return true;
    }

    bool SetSourceItem(const std::string& name, int item) override {
        std::lock_guard lk(m_);
        snd_mixer_elem_t* e = Find(name);
        if (!e || !snd_mixer_selem_is_enumerated(e) || item < 0)
            return false;
        bool ok = true;
        for (int ch = 0; ch <= SND_MIXER_SCHN_LAST; ++ch) {
            auto c = static_cast<snd_mixer_selem_channel_id_t>(ch);
            bool has = snd_mixer_selem_is_enum_capture(e)
                           ? snd_mixer_selem_has_capture_channel(e, c)
                           : snd_mixer_selem_has_playback_channel(e, c);
            if (has && snd_mixer_selem_set_enum_item(e, c, static_cast<unsigned>(item)) < 0)
                ok = false;
        }
        return ok;
    }

    void SetChangeHandler(std::function<void()> handler) override {
        std::lock_guard lk(handlerMutex_);
        handler_ = std::move(handler);
    }

private:
    snd_mixer_elem_t* Find(const std::string& name) {
        for (snd_mixer_elem_t* e = snd_mixer_first_elem(mixer_); e; e = snd_mixer_elem_next(e))
            if (snd_mixer_selem_get_index(e) == 0 && name == snd_mixer_selem_get_name(e))
                return e;
        return nullptr;
    }

    void Watch(snd_mixer_elem_t* e) {
        snd_mixer_elem_set_callback_private(e, this);
        snd_mixer_elem_set_callback(e, &AlsaMixerDevice::ElemEvent);
    }

    static int ElemEvent(snd_mixer_elem_t* e, unsigned int mask) {
        auto* self = static_cast<AlsaMixerDevice*>(snd_mixer_elem_get_callback_private(e));
        if (self && mask != SND_CTL_EVENT_MASK_REMOVE && (mask & SND_CTL_EVENT_MASK_VALUE))
            self->changed_ = true;
        return 0;
    }

    static int MixerEvent(snd_mixer_t* m, unsigned int mask, snd_mixer_elem_t* e) {
        auto* self = static_cast<AlsaMixerDevice*>(snd_mixer_get_callback_private(m));
        if (self && (mask & SND_CTL_EVENT_MASK_ADD) && e) {
            self->Watch(e);
            self->changed_ = true;
        }
        return 0;
    }

    void WatchLoop() {
        while (!quit_) {
            pollfd fds[kMaxPollFds + 1];
            int n;
            {
                std::lock_guard lk(m_);
                n = snd_mixer_poll_descriptors(mixer_, fds, kMaxPollFds);
            }
            if (n < 0)
                n = 0;
            fds[n].fd = wakeFd_;
            fds[n].events = POLLIN;
            fds[n].revents = 0;
            int pr = poll(fds, n + 1, 500);
            if (quit_)
                break;
            if (pr <= 0)
                continue;
            if (fds[n].revents & POLLIN) {
                uint64_t v;
                ssize_t rd = read(wakeFd_, &v, sizeof v);
                (void)rd;
            }
            {
                std::lock_guard lk(m_);
                unsigned short rev = 0;
                snd_mixer_poll_descriptors_revents(mixer_, fds, n, &rev);
                if (rev & (POLLERR | POLLHUP | POLLNVAL)) {
                    // The mixer went away (its server stopped): nothing more will come.
                    lost_ = true;
                }
                snd_mixer_handle_events(mixer_);
            }
            if (lost_) {
                break;
            }
            if (changed_.exchange(false)) {
                std::lock_guard lk(handlerMutex_);
                if (handler_)
                    handler_();
            }
        }
    }

    snd_mixer_t* mixer_;
    int wakeFd_;
    std::mutex m_;
    std::mutex handlerMutex_;
    std::function<void()> handler_;
    std::atomic<bool> changed_{false};
    std::atomic<bool> quit_{false};
    bool lost_ = false;
    std::thread watcher_;
};

} // namespace

std::unique_ptr<MixerDevice> OpenAlsaMixer(const std::string& name) {
    PreparePulseClient();
    snd_mixer_t* m = nullptr;
    if (snd_mixer_open(&m, 0) < 0)
        return nullptr;
    if (snd_mixer_attach(m, name.c_str()) < 0 ||
        snd_mixer_selem_register(m, nullptr, nullptr) < 0 || snd_mixer_load(m) < 0) {
        snd_mixer_close(m);
        return nullptr;
    }
    int fd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (fd < 0) {
        snd_mixer_close(m);
        return nullptr;
    }
    return std::make_unique<AlsaMixerDevice>(m, fd);
}

} // namespace tess::platform
