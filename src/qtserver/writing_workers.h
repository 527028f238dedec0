// The movie thread's writing and codec work: creating a movie file, adding
// frames and audio, the codec catalogue, the settings dialog and the
// preferences preview.
#pragma once

#include "movie/movie_writing.h"

#include <cstdint>

class MovieLibrary;
class QT_Msg;

// What a state holds of its writing side: the movie file being written with
// its compression session and time base, and the codec information the last
// "QTCI" read. Destroying it finishes and closes the file.
struct WritingMovie {
    explicit WritingMovie(MovieLibrary& library) : library(&library) {}
    ~WritingMovie();
    WritingMovie(const WritingMovie&) = delete;
    WritingMovie& operator=(const WritingMovie&) = delete;

    // Finishes the compression session, ends the tracks and closes the file
    // (moving it under its name when written with the header first).
    // Answers the module's result; harmless without a file.
    int32_t Close();
    bool HasFile() const { return writer != nullptr; }

    MovieLibrary* library;
    movie::MovieWriter* writer = nullptr;
    movie::CompressionSession* session = nullptr;
    int32_t timeScale = 0;
    int32_t frameDuration = 0;
    uint32_t bufferFormat = 0; // pixel format of the frames SaveFrame takes
    int32_t rowBytes = 0;      // and their bytes per row
    bool rawSamples = false;   // frames are stored as they come (v210, v410)
    bool hasAudio = false;
    bool hasTimecode = false;
    int64_t frameCount = 0;

    movie::CodecInfo codecInfo{};
    bool hasCodecInfo = false;
};

void SaveHeaderWorker(QT_Msg& state, MovieLibrary& library);    // "QTSH"
void SaveFrameWorker(QT_Msg& state, MovieLibrary& library);     // "QTSF"
void SaveAudioWorker(QT_Msg& state, MovieLibrary& library);     // "QTSA"
void ListCodecsWorker(QT_Msg& state, MovieLibrary& library);    // "QTGC"
void DisposeCodecsWorker(QT_Msg& state, MovieLibrary& library); // "QTDC"
void CodecInfoWorker(QT_Msg& state, MovieLibrary& library);     // "QTCI"
void CodecSettingsWorker(QT_Msg& state, MovieLibrary& library); // "QTCS"
void PrefsPreviewWorker(QT_Msg& state, MovieLibrary& library);  // "QTPP"
