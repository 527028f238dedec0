// Movie reading on the movie thread.
#include "reading_workers.h"

#include "movie_state.h"
#include "reading_movie.h"

void ReadingMovieDeleter::operator()(ReadingMovie* movie) const {
    delete movie;
}

void TestFormatWorker(QT_Msg&, MovieLibrary&) {}

void LoadHeaderWorker(QT_Msg&, MovieLibrary&) {}

void LoadFrameWorker(QT_Msg&, MovieLibrary&) {}
