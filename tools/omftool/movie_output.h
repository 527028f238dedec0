// Frames written as a movie through the movie server: SaveHeader with the size, rate and codec,
// SaveFrame per frame, the file finished when the state is disposed.
#pragma once

#include <string>
#include <vector>

#include "movie_server.h"

class Image;

namespace omftool {

// The codec movies are written with unless one is named: PNG keeps every pixel.
inline constexpr const char* kDefaultMovieCodec = "png";

// True when `path` names a movie file rather than a picture file pattern.
bool isMoviePath(const std::string& path);

class MovieOutput {
  public:
    MovieOutput() = default;
    MovieOutput(const MovieOutput&) = delete;
    MovieOutput& operator=(const MovieOutput&) = delete;

    // Starts the movie `path` of `width` x `height` frames at `rate` frames a second with the
    // server's codec `codec`: its identifier as the server lists it ("PNG_png ") or its
    // four-character type ("png", "jpeg", "apcn"). Answers false with `why`.
    bool start(const std::string& path, int width, int height, double rate,
               const std::string& codec, std::string& why);
    // The frame size the movie was started with.
    int width() const { return width_; }
    int height() const { return height_; }
    // Adds one frame; it must have the size the movie was started with.
    bool add(const Image& image, std::string& why);
    // Finishes the file; answers false when the server could not or the file does not read
    // back with every frame added.
    bool finish(std::string& why);

  private:
    // The server's identifier of `codec`; empty when it lists no such codec.
    std::string codecIdentifier(const std::string& codec);

    ServerState state_; // disposing it finishes the file
    std::string path_;
    int width_ = 0, height_ = 0;
    std::size_t rowBytes_ = 0;
    int frames_ = 0;
    std::vector<uint8_t> pixels_;
};

} // namespace omftool
