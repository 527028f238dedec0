// The audio translator: moves sound samples between the file's format and
// the caller's memory format (format lists of omf/omf_audio_format.h):
// byte-order swaps of whole samples, sample sizes that are multiples of 4
// bits, offset-binary and two's-complement samples, and rates that are whole
// multiples of each other. The sound codecs install it on their stream.
#pragma once

#include "internal/codec_stream.h"

#include <memory>

namespace omf::media {

std::unique_ptr<FormatTranslator> makeAudioTranslator();

} // namespace omf::media
