// The movie thread's DV work.
#pragma once

class MovieLibrary;
class QT_Msg;

void DVCompressWorker(QT_Msg& state, MovieLibrary& library);   // "QTAC"
void DVDecompressWorker(QT_Msg& state, MovieLibrary& library); // "QTAD"
