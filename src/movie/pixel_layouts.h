// The pixel layouts frames cross the module in, and their conversion to and
// from the frames FFmpeg's codecs take.
#pragma once

#include <cstddef>
#include <cstdint>

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
}

struct SwsContext;

namespace movie {

// Bytes of one row `width` pixels wide in `pixelFormat` without padding; 0
// for a format the module does not take.
int64_t PackedRowBytes(uint32_t pixelFormat, int32_t width);
// The same rounded up to 16, the row length of the module's frame buffers.
int32_t AlignedRowBytes(uint32_t pixelFormat, int32_t width);

// The FFmpeg format closest to `pixelFormat` (what the source is converted
// through), AV_PIX_FMT_NONE when none.
AVPixelFormat SourceFormatFor(uint32_t pixelFormat);

// A frame of rows in one of the module's layouts.
struct PackedImage {
    uint32_t pixelFormat;
    int32_t width, height;
    const uint8_t* data;
    size_t rowBytes;
};

// Converts packed images into frames of one FFmpeg format and size, keeping
// the scaler between calls.
class PixelImporter {
  public:
    PixelImporter() = default;
    ~PixelImporter();
    PixelImporter(const PixelImporter&) = delete;
    PixelImporter& operator=(const PixelImporter&) = delete;

    // Fills `target` (allocated, its format and size set) from `source` of
    // the same size. Answers 0 or a result code.
    int32_t Import(const PackedImage& source, AVFrame* target);

  private:
    SwsContext* scaler_ = nullptr;
    AVFrame* staging_ = nullptr; // unpacked 10- or 16-bit source
};

// Converts decoded frames into A R G B rows, keeping the scaler between calls.
class ArgbExporter {
  public:
    ArgbExporter() = default;
    ~ArgbExporter();
    ArgbExporter(const ArgbExporter&) = delete;
    ArgbExporter& operator=(const ArgbExporter&) = delete;

    // Writes `frame` as height rows of 4 x width bytes, `rowBytes` apart.
    int32_t Export(const AVFrame* frame, uint8_t* pixels, int32_t rowBytes);

  private:
    SwsContext* scaler_ = nullptr;
};

} // namespace movie
