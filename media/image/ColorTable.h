#pragma once
// A small open-addressing table from colour values to palette indices (at most 256 colours).
#include <cstdint>
#include <vector>

namespace tess::image {

class ColorTable {
public:
    static constexpr uint32_t kEmpty = 0xFFFFFFFFu; // no colour value has its top byte set
    static constexpr size_t kSlots = 1024;          // a power of two, at most 25% full

    ColorTable() : keys_(kSlots, kEmpty), values_(kSlots, 0) {}

    void assign(const std::vector<uint32_t>& colors) {
        for (size_t i = 0; i < colors.size(); ++i)
            insert(colors[i], static_cast<uint8_t>(i));
    }
    // True when the colour was new.
    bool insert(uint32_t color, uint8_t index) {
        size_t s = slot(color);
        while (keys_[s] != kEmpty) {
            if (keys_[s] == color)
                return false;
            s = (s + 1) & (kSlots - 1);
        }
        keys_[s] = color;
        values_[s] = index;
        return true;
    }
    bool contains(uint32_t color) const {
        size_t s = slot(color);
        while (keys_[s] != kEmpty) {
            if (keys_[s] == color)
                return true;
            s = (s + 1) & (kSlots - 1);
        }
        return false;
    }
    // The index of a colour that is in the table (0 for an unknown colour).
    uint8_t indexOf(uint32_t color) const {
        size_t s = slot(color);
        while (keys_[s] != kEmpty) {
            if (keys_[s] == color)
                return values_[s];
            s = (s + 1) & (kSlots - 1);
        }
        return 0;
    }

private:
    static size_t slot(uint32_t c) { return ((c * 2654435761u) >> 22) & (kSlots - 1); }
    std::vector<uint32_t> keys_;
    std::vector<uint8_t> values_;
};

} // namespace tess::image
