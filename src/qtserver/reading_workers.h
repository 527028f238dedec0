// The movie thread's reading work: opening a movie file and loading frames.
#pragma once

class MovieLibrary;
class QT_Msg;

// "QTIT": opens the state's file and reads the header as far as the frame
// count, leaving the movie open in the state.
void TestFormatWorker(QT_Msg& state, MovieLibrary& library);
// "QTLH": opens the state's file and reads its whole header.
void LoadHeaderWorker(QT_Msg& state, MovieLibrary& library);
// "QTLF": moves to the requested frame or time and delivers its bytes.
void LoadFrameWorker(QT_Msg& state, MovieLibrary& library);
