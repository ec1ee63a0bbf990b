#pragma once

#include "base/bytes.h"

namespace ks::gen {

// The tray icon: a sun over two hills in a rounded square, white on transparent, `size` px.
Bytes menuIconPng(int size);
// The application icon: the tray icon's scene in full colour on an opaque rounded square,
// `size` px.
Bytes appIconPng(int size);
// The picture of the pack browser's all-packs tile: bands in the colours of every pack.
Bytes allPacksJpeg();

} // namespace ks::gen
