// A movie read frame by frame through the movie server: LoadHeader, then LoadFrame per frame as
// 32-bit A R G B pixels, taken from the frame's shared section or from the answer itself.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "movie_server.h"

class FrameSectionView;
class Image;

namespace omftool {

class MovieInput {
  public:
    MovieInput();
    MovieInput(const MovieInput&) = delete;
    MovieInput& operator=(const MovieInput&) = delete;
    ~MovieInput();

    // Opens `path` through the server; answers false with `why`.
    bool open(const std::string& path, std::string& why);
    int64_t frameCount() const { return frames_; }
    // Frames per second, as the server reports them.
    double rate() const { return rate_; }
    // Frame `frame` (from 0) as a new host image (one reference, the caller's), or null.
    Image* frame(int64_t frame);

  private:
    // Declared before the section, so the section goes first.
    ServerState state_;
    int width_ = 0, height_ = 0;
    int64_t frames_ = 0;
    double rate_ = 0;
    std::string sectionName_;
    std::unique_ptr<FrameSectionView> section_;
};

} // namespace omftool
