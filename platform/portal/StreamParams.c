#include "platform/portal/StreamParams.h"

#include <spa/buffer/buffer.h>
#include <spa/param/buffers.h>
#include <spa/param/format-utils.h>
#include <spa/param/video/format-utils.h>
#include <spa/pod/builder.h>

const struct spa_pod* tess_stream_format_offer(uint8_t* buffer, size_t size) {
    struct spa_pod_builder b = SPA_POD_BUILDER_INIT(buffer, (uint32_t)size);
    struct spa_rectangle defSize = SPA_RECTANGLE(1920, 1080);
    struct spa_rectangle minSize = SPA_RECTANGLE(1, 1);
    struct spa_rectangle maxSize = SPA_RECTANGLE(16384, 16384);
    struct spa_fraction defRate = SPA_FRACTION(30, 1);
    struct spa_fraction minRate = SPA_FRACTION(0, 1);
    struct spa_fraction maxRate = SPA_FRACTION(240, 1);
    return (const struct spa_pod*)spa_pod_builder_add_object(
        &b, SPA_TYPE_OBJECT_Format, SPA_PARAM_EnumFormat, SPA_FORMAT_mediaType,
        SPA_POD_Id(SPA_MEDIA_TYPE_video), SPA_FORMAT_mediaSubtype,
        SPA_POD_Id(SPA_MEDIA_SUBTYPE_raw), SPA_FORMAT_VIDEO_format,
        SPA_POD_CHOICE_ENUM_Id(5, SPA_VIDEO_FORMAT_BGRx, SPA_VIDEO_FORMAT_BGRx,
                               SPA_VIDEO_FORMAT_BGRA, SPA_VIDEO_FORMAT_RGBx, SPA_VIDEO_FORMAT_RGBA),
        SPA_FORMAT_VIDEO_size, SPA_POD_CHOICE_RANGE_Rectangle(&defSize, &minSize, &maxSize),
        SPA_FORMAT_VIDEO_framerate, SPA_POD_CHOICE_RANGE_Fraction(&defRate, &minRate, &maxRate));
}

const struct spa_pod* tess_stream_buffer_params(uint8_t* buffer, size_t size, int32_t stride,
                                                int32_t height) {
    struct spa_pod_builder b = SPA_POD_BUILDER_INIT(buffer, (uint32_t)size);
    const int types = (1 << SPA_DATA_MemFd) | (1 << SPA_DATA_MemPtr) | (1 << SPA_DATA_DmaBuf);
    return (const struct spa_pod*)spa_pod_builder_add_object(
        &b, SPA_TYPE_OBJECT_ParamBuffers, SPA_PARAM_Buffers, SPA_PARAM_BUFFERS_buffers,
        SPA_POD_CHOICE_RANGE_Int(4, 2, 16), SPA_PARAM_BUFFERS_blocks, SPA_POD_Int(1),
        SPA_PARAM_BUFFERS_size, SPA_POD_Int(stride * height), SPA_PARAM_BUFFERS_stride,
        SPA_POD_Int(stride), SPA_PARAM_BUFFERS_dataType, SPA_POD_CHOICE_FLAGS_Int(types));
}

int tess_stream_parse_format(const struct spa_pod* param, uint32_t* format, uint32_t* width,
                             uint32_t* height) {
    uint32_t mediaType = 0, mediaSubtype = 0;
    struct spa_video_info_raw info;
    if (!param || spa_format_parse(param, &mediaType, &mediaSubtype) < 0 ||
        mediaType != SPA_MEDIA_TYPE_video || mediaSubtype != SPA_MEDIA_SUBTYPE_raw)
        return -1;
    spa_zero(info);
    if (spa_format_video_raw_parse(param, &info) < 0)
        return -1;
    *format = info.format;
    *width = info.size.width;
    *height = info.size.height;
    return 0;
}

int tess_stream_format_index(uint32_t spaFormat) {
    switch (spaFormat) {
    case SPA_VIDEO_FORMAT_BGRx:
        return 1;
    case SPA_VIDEO_FORMAT_BGRA:
        return 2;
    case SPA_VIDEO_FORMAT_RGBx:
        return 3;
    case SPA_VIDEO_FORMAT_RGBA:
        return 4;
    default:
        return 0;
    }
}

int tess_stream_data_is_dmabuf(uint32_t type) {
    return type == SPA_DATA_DmaBuf;
}
