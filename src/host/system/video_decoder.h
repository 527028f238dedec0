// VideoDecoder: reads the pictures of one media file (image or movie) through FFmpeg.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class Image;

// Decodes the best video stream of a local file into host images. The file is opened through
// FFmpeg's file protocol only, with a fixed set of picture and movie demuxers, so a path can
// never reach the network, a playlist or a protocol. Every failure answers null or false.
class VideoDecoder {
  public:
    // The decoder for the file, or null when it holds no readable video.
    static std::unique_ptr<VideoDecoder> Open(const std::string& path);
    ~VideoDecoder();
    VideoDecoder(const VideoDecoder&) = delete;
    VideoDecoder& operator=(const VideoDecoder&) = delete;

    // Frame `index` (0 = first) as a new image, or null when it does not exist or cannot be
    // decoded. Frames are numbered by their time stamps at the stream's frame rate; consecutive
    // requests decode on without seeking.
    Image* ReadFrame(int64_t index);

    // True when the file is a single picture rather than a movie.
    bool IsStill() const;
    // Number of frames the container announces, or -1 when it does not say.
    int64_t AnnouncedFrameCount() const;

  private:
    struct State;
    explicit VideoDecoder(std::unique_ptr<State> state);
    std::unique_ptr<State> m_State;
};
