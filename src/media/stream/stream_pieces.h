// Transfers of one piece of a translated read or write. A piece at least as
// large as the cache moves straight between the stream procedures and
// `buffer` (one procedure call, no copy through the cache); a smaller one
// goes through the cache like any untranslated transfer.
#pragma once

#include "media/codec_support/codec_stream.h"

namespace omf::media {

// As streamRead: the position advances by `bytes`; a short read reports the
// count in `*bytesRead` and answers OM_ERR_END_OF_FILE.
omfErr_t streamReadPiece(CodecStream& stream, void* buffer, omfInt64 bytes, omfInt64* bytesRead);
omfErr_t streamWritePiece(CodecStream& stream, const void* buffer, omfInt64 bytes);

} // namespace omf::media
