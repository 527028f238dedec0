// The movie thread's reading work: opening a movie file and loading frames.
#pragma once

#include <cstdint>

class MovieLibrary;
class QT_Msg;

// "QTIT": opens the state's file and reads the header as far as the frame
// count, leaving the movie open in the state.
void TestFormatWorker(QT_Msg& state, MovieLibrary& library);
// "QTLH": opens the state's file and reads its whole header.
void LoadHeaderWorker(QT_Msg& state, MovieLibrary& library);
// "QTLF": moves to the requested frame or time and delivers its bytes.
void LoadFrameWorker(QT_Msg& state, MovieLibrary& library);

struct ReadingMovie;

// True for the codecs whose samples are delivered as stored: "2vuy",
// "v210" and "v410".
bool IsRawSampleCodec(uint32_t codecType);
// Gives the state's movie a decoder when it has none (a movie opened by
// "QTIT" only), for the state's pixel format or 32-bit A R G B.
bool EnsureFrameDecoder(MovieLibrary& library, QT_Msg& state, ReadingMovie& reading);
