#include "platform/ScreenReader.h"

#include <atomic>
#include <cstring>

#include "platform/ScreenPixelSource.h"
#include "platform/x11/Screen.h"

namespace tess {

namespace {

std::atomic<ScreenPixelSource*> g_source{nullptr};

// The chosen source seen through one display connection, which gives the X screen the
// source's pictures cover unless the source knows better.
class SourceReader : public ScreenReader {
public:
    SourceReader(ScreenPixelSource& source, ScreenConnection& connection)
        : source_(source), connection_(connection) {}
    ~SourceReader() override {
        if (held_)
            source_.hold(false);
    }
    ScreenPixelSource& source() const { return source_; }

    bool grab(const ScreenRect& area, uint8_t* dst, int32_t dstStride) override {
        if (area.empty())
            return true;
        if (!dst)
            return false;
        if (!held_ && !source_.start()) {
            for (int32_t y = 0; y < area.height(); ++y)
                std::memset(dst + static_cast<size_t>(y) * dstStride, 0,
                            static_cast<size_t>(area.width()) * 4);
            return false;
        }
        const ScreenRect xScreen = connection_.screenRect();
        if (source_.grab(area, xScreen, dst, dstStride))
            return true;
        // It ended between the two calls (an unused cast stops): once more.
        return !held_ && source_.ended() && source_.start() &&
               source_.grab(area, xScreen, dst, dstStride);
    }
    std::optional<CursorImage> cursor() override { return std::nullopt; }
    void hold() override {
        if (held_)
            return;
        held_ = true;
        source_.hold(true);
    }
    bool ended() const override { return source_.ended(); }
    std::string failure() const override { return source_.failure(); }
    void wantCursor(bool on) override { source_.wantCursor(on); }

private:
    ScreenPixelSource& source_;
    ScreenConnection& connection_;
    bool held_ = false;
};

} // namespace

void SetScreenPixelSource(ScreenPixelSource* source) {
    g_source.store(source);
}

bool ScreenReadFromSource() {
    return g_source.load() != nullptr;
}

void ScreenChangedForSource(int limitMs) {
    if (ScreenPixelSource* source = g_source.load())
        source->screenChanged(limitMs);
}

ScreenReader& ReaderFor(ScreenConnection& connection) {
    ScreenPixelSource* source = g_source.load();
    std::unique_ptr<ScreenReader>& slot = connection.chosenReaderSlot();
    if (!source) {
        slot.reset();
        return connection;
    }
    if (!slot || &static_cast<SourceReader&>(*slot).source() != source)
        slot = std::make_unique<SourceReader>(*source, connection);
    return *slot;
}

} // namespace tess
