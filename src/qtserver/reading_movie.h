// What a state holds of a movie open for reading: the module's reader and
// decoder, the tracks chosen and the video track's sample table.
#pragma once

#include "movie/movie_reading.h"
#include "platform/module_loading.h"

#include <cstdint>
#include <vector>

class MovieLibrary;

struct ReadingMovie {
    // Keeps the module loaded while its objects live, so that a state freed
    // after the movie thread has ended can still free them.
    platform::LoadedModule module;
    movie::Dispatcher dispatcher = nullptr;

    movie::MovieReader* reader = nullptr;
    movie::FrameDecoder* decoder = nullptr;
    int32_t decoderRowBytes = 0;
    int32_t decoderHeight = 0;
    uint32_t decoderPixelFormat = 0;

    // Track numbers in the module (from 1; 0 = none).
    int32_t videoTrack = 0;
    int32_t timecodeTrack = 0;
    uint32_t timecodeType = 0;
    movie::TrackInfo video{};
    movie::SampleDescription description{};
    // The video track's samples in time order.
    std::vector<movie::SampleTiming> samples;
    // The sample the movie stands at.
    int64_t currentSample = 0;
    // Stored samples are delivered as they are ("2vuy", "v210", "v410").
    bool rawSamples = false;

    ReadingMovie() = default;
    // Frees the decoder and the reader.
    ~ReadingMovie();
    ReadingMovie(const ReadingMovie&) = delete;
    ReadingMovie& operator=(const ReadingMovie&) = delete;
};

// Opens `path` for reading through the loaded module; null when the module
// is not loaded or the file is not a movie it reads.
ReadingMovie* OpenReadingMovie(MovieLibrary& library, const char* path);
