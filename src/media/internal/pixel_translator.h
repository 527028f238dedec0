// The pixel translator: converts uncompressed video between the file's
// pixel format (format list) and the caller's memory format: field
// re-interleaving, line strides, Y'CbCr 4:2:2 / 4:4:4 to and from RGB, and
// component reordering. The video codecs install it on their stream.
#pragma once

#include "internal/codec_stream.h"

#include <memory>

namespace omf::media {

std::unique_ptr<FormatTranslator> makePixelTranslator();

} // namespace omf::media
