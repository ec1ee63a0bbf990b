#pragma once

#include "library/image.h"

#include <QImage>
#include <QRect>
#include <QSize>

namespace ks {

// The part of a picture of size `picture` that fills a `target` of another shape without
// distortion: its whole width or its whole height, centred. Scaled to `target`, it covers
// it exactly. Empty when either size is empty.
QRect coverCrop(QSize picture, QSize target);

// `image` as a QImage over the same pixels, which it keeps alive as long as the QImage or a
// copy of it lives: nothing is copied. Null for an image without pixels.
QImage wrapImage(const Image& image);

// `picture` filling `deviceSize`: its centred crop, as a view over the same pixels when it
// already has that size (the usual case, since pictures are decoded for their display),
// otherwise scaled once into a new image. Null when either is empty.
QImage fillImage(const QImage& picture, QSize deviceSize);

} // namespace ks
