// Decoded frames delivered in the 13 pixel formats clients take: 24 and 32
// (packed R G B and A R G B), "24BG", "2vuy", "ABGR", "BGRA", "RGBA",
// "b48r", "b64a", "r408", "v210", "v408" and "v410".
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
}

struct SwsContext;

namespace movie {

// True for the 13 delivered formats.
bool IsDeliveredFormat(uint32_t pixelFormat);
// Bytes of one delivered row `width` pixels wide, padded to 16 (v210 rows
// hold groups of 48 pixels in 128 bytes); 0 for other formats.
int32_t DeliveredRowBytes(uint32_t pixelFormat, int32_t width);
// The delivered formats a decoder gives without loss for frames stored in
// `stored`, best first, then the 8-bit formats every decoder gives.
std::span<const uint32_t> LosslessFormatsFor(AVPixelFormat stored, uint32_t* storage,
                                             size_t capacity);

// Converts decoded frames into one delivered format, keeping its scaler
// and staging frame between frames of one size.
class FrameExporter {
  public:
    explicit FrameExporter(uint32_t pixelFormat) : pixelFormat_(pixelFormat) {}
    ~FrameExporter();
    FrameExporter(const FrameExporter&) = delete;
    FrameExporter& operator=(const FrameExporter&) = delete;

    // Writes `frame` as frame->height rows of `rowBytes` bytes (at least
    // DeliveredRowBytes). Answers false when the conversion cannot be made.
    bool Export(const AVFrame& frame, uint8_t* pixels, int32_t rowBytes);

  private:
    bool Prepare(const AVFrame& frame, AVPixelFormat target);

    uint32_t pixelFormat_;
    SwsContext* scaler_ = nullptr;
    AVFrame* staging_ = nullptr; // planar frame packed by our own code
};

} // namespace movie
