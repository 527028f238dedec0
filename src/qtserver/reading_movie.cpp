// Movies open for reading.
#include "reading_movie.h"

#include "movie_library.h"
#include "movie_state.h"

#include <memory>

void ReadingMovieDeleter::operator()(ReadingMovie* movie) const {
    delete movie;
}

ReadingMovie::~ReadingMovie() {
    if (!dispatcher) return;
    movie::DisposeFrameDecoderArgs decoderArgs{decoder};
    dispatcher(movie::kDisposeFrameDecoder, &decoderArgs);
    movie::CloseMovieReaderArgs readerArgs{reader};
    dispatcher(movie::kCloseMovieReader, &readerArgs);
}

ReadingMovie* OpenReadingMovie(MovieLibrary& library, const char* path) {
    const std::string modulePath = platform::LoadedModulePath(kCoreModuleName);
    if (modulePath.empty()) return nullptr;
    auto opened = std::make_unique<ReadingMovie>();
    opened->module = platform::LoadedModule(modulePath);
    opened->dispatcher =
        reinterpret_cast<movie::Dispatcher>(opened->module.FindEntry(movie::kDispatcherEntry));
    if (!opened->dispatcher) return nullptr;
    movie::OpenMovieReaderArgs arguments{path, &opened->reader};
    if (library.Call(movie::kOpenMovieReader, &arguments) != movie::kNoError) return nullptr;
    return opened.release();
}
