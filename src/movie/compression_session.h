// Compression sessions: an encoder whose packets go to a movie writer's
// video track.
#pragma once

#include "movie/movie_writing.h"

namespace movie {

// Drains the encoder into the writer. Answers 0 or a result code.
int32_t FinishCompressionSession(CompressionSession* session);
void FreeCompressionSession(CompressionSession* session);

} // namespace movie
