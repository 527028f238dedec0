// The format translators a codec installs on its stream (streamAddTranslator).
#pragma once

#include "media/codec_support/codec_stream.h"

#include <memory>

namespace omf::media {

// The pixel translator: converts uncompressed video between the file's
// pixel format (format list) and the caller's memory format: field
// re-interleaving, line strides, Y'CbCr 4:2:2 / 4:4:4 to and from RGB, and
// component reordering. The video codecs install it.
std::unique_ptr<FormatTranslator> makePixelTranslator();

// The audio translator: moves sound samples between the file's format and
// the caller's memory format (format lists of omf/omf_audio_format.h):
// byte-order swaps of whole samples, sample sizes that are multiples of 4
// bits, offset-binary and two's-complement samples, and rates that are whole
// multiples of each other. The sound codecs install it.
std::unique_ptr<FormatTranslator> makeAudioTranslator();

} // namespace omf::media
