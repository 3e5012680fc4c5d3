#include "media/gsm/GsmEncoder.h"

#include <algorithm>
#include <gsm.h>

namespace tess {

GsmEncoder::GsmEncoder() : state_(gsm_create()) {
    if (state_) {
        int one = 1;
        gsm_option(state_, GSM_OPT_WAV49, &one);
    }
    pending_.reserve(kSamplesPerBlock);
}

GsmEncoder::~GsmEncoder() {
    if (state_)
        gsm_destroy(state_);
}

void GsmEncoder::EncodeBlock(const int16_t* samples, std::vector<uint8_t>& out) {
    gsm_signal frame[160];
    const size_t at = out.size();
    out.resize(at + kBlockBytes);
    // The first frame of a block takes 32.5 bytes, the second the rest: the library packs
    // the shared byte itself when the two calls go to offsets 0 and 32.
    std::copy(samples, samples + 160, frame);
    gsm_encode(state_, frame, &out[at]);
    std::copy(samples + 160, samples + 320, frame);
    gsm_encode(state_, frame, &out[at + 32]);
}

size_t GsmEncoder::Encode(const uint8_t* pcm, size_t bytes, std::vector<uint8_t>& out) {
    if (!state_)
        return 0;
    size_t blocks = 0;
    size_t i = 0;
    auto push = [&](int16_t s) {
        pending_.push_back(s);
        if (pending_.size() == kSamplesPerBlock) {
            EncodeBlock(pending_.data(), out);
            pending_.clear();
            ++blocks;
        }
    };
    if (haveOddByte_ && bytes > 0) {
        push(static_cast<int16_t>(oddByte_ | (pcm[0] << 8)));
        haveOddByte_ = false;
        i = 1;
    }
    for (; i + 1 < bytes; i += 2)
        push(static_cast<int16_t>(pcm[i] | (pcm[i + 1] << 8)));
    if (i < bytes) {
        haveOddByte_ = true;
        oddByte_ = pcm[i];
    }
    return blocks;
}

size_t GsmEncoder::Finish(std::vector<uint8_t>& out) {
    haveOddByte_ = false;
    if (!state_ || pending_.empty())
        return 0;
    pending_.resize(kSamplesPerBlock, 0);
    EncodeBlock(pending_.data(), out);
    pending_.clear();
    return 1;
}

} // namespace tess
