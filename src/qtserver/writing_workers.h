// The movie thread's writing and codec work: creating a movie file, adding
// frames and audio, the codec catalogue, the settings dialog and the
// preferences preview.
#pragma once

class MovieLibrary;
class QT_Msg;

// What a state holds of a movie open for writing.
struct WritingMovie {};

void SaveHeaderWorker(QT_Msg& state, MovieLibrary& library);    // "QTSH"
void SaveFrameWorker(QT_Msg& state, MovieLibrary& library);     // "QTSF"
void SaveAudioWorker(QT_Msg& state, MovieLibrary& library);     // "QTSA"
void ListCodecsWorker(QT_Msg& state, MovieLibrary& library);    // "QTGC"
void DisposeCodecsWorker(QT_Msg& state, MovieLibrary& library); // "QTDC"
void CodecInfoWorker(QT_Msg& state, MovieLibrary& library);     // "QTCI"
void CodecSettingsWorker(QT_Msg& state, MovieLibrary& library); // "QTCS"
void PrefsPreviewWorker(QT_Msg& state, MovieLibrary& library);  // "QTPP"
