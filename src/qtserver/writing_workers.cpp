// Movie writing and codecs on the movie thread. Not served by the module
// yet: every request answers failure.
#include "writing_workers.h"

#include "movie_state.h"

void WritingMovieDeleter::operator()(WritingMovie* movie) const {
    delete movie;
}

void SaveHeaderWorker(QT_Msg&, MovieLibrary&) {}
void SaveFrameWorker(QT_Msg&, MovieLibrary&) {}
void SaveAudioWorker(QT_Msg&, MovieLibrary&) {}
void ListCodecsWorker(QT_Msg&, MovieLibrary&) {}
void DisposeCodecsWorker(QT_Msg&, MovieLibrary&) {}
void CodecInfoWorker(QT_Msg&, MovieLibrary&) {}
void CodecSettingsWorker(QT_Msg&, MovieLibrary&) {}
void PrefsPreviewWorker(QT_Msg&, MovieLibrary&) {}
