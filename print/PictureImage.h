#pragma once
// Pictures (MemBm) as the toolkit's images, for drawing on screen and on paper.
#include "media/MemBm.h"

#include <wx/bitmap.h>
#include <wx/image.h>

namespace tess {

// The picture as an RGB image of the same size (null image for an empty picture).
wxImage PictureImage(const MemBm& picture);
// The picture smoothly scaled to w x h, as a bitmap.
wxBitmap ScaledPictureBitmap(const MemBm& picture, int w, int h);

} // namespace tess
