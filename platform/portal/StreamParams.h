#pragma once
// The stream format offers and answers, built with the SPA pod macros, which are C (their
// compound literals are not C++): StreamParams.c.
#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

struct spa_pod;

// Raw video in BGRx, BGRA, RGBx or RGBA of any size and rate, into `buffer`; the pod, or
// null when the buffer is too small.
const struct spa_pod* tess_stream_format_offer(uint8_t* buffer, size_t size);

// The buffers wanted for a picture of `stride` x `height` bytes: memory that can be mapped
// (shared memory; DMA-BUF too, used only where it comes mappable).
const struct spa_pod* tess_stream_buffer_params(uint8_t* buffer, size_t size, int32_t stride,
                                                int32_t height);

// The format the stream settled on: 0 with the SPA video format and the size, else -1.
int tess_stream_parse_format(const struct spa_pod* param, uint32_t* format, uint32_t* width,
                             uint32_t* height);

// The SPA video format numbers the program reads (0 for the ones it does not).
int tess_stream_format_index(uint32_t spaFormat); // 1 BGRx, 2 BGRA, 3 RGBx, 4 RGBA

// Memory types of a data block.
int tess_stream_data_is_dmabuf(uint32_t type);

#ifdef __cplusplus
}
#endif
