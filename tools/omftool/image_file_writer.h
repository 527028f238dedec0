// Writing one 8-bit ARGB picture as an image file through FFmpeg's image
// encoders, the encoder chosen by the file name's extension.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace omftool {

// Pixels as the media calls deliver them: rows from the top, 4 bytes a pixel
// in the order A, R, G, B.
struct ArgbPicture {
    std::span<const uint8_t> pixels;
    int width = 0;
    int height = 0;
    bool hasAlpha = false; // false: alpha bytes carry nothing and are dropped
};

// Pixels of 16 bits a channel: rows from the top, 4 native-endian values a pixel in the order
// R, G, B, A.
struct Rgba16Picture {
    std::span<const uint16_t> pixels;
    int width = 0;
    int height = 0;
    bool hasAlpha = false; // false: alpha values carry nothing and are dropped
};

// Whether FFmpeg has an image encoder for the extension of `path` (png,
// jpg/jpeg, tif/tiff, bmp, ppm, pam, tga...); when not, `why` says so.
bool canWriteImage(const std::string& path, std::string& why);

// Encodes `picture` into the file at `path`, converted with libswscale to
// the encoder's pixel format closest to RGB (or RGBA when the picture has
// alpha and the format can keep it). False with the reason in `why` when
// encoding or writing fails; a failed write leaves no partial file behind.
bool writeImage(const std::string& path, const ArgbPicture& picture, std::string& why);
// The same for 16-bit pictures: formats that hold 16 bits a channel (png, tiff, ppm, pam...)
// keep them, the others get the nearest format they have.
bool writeImage(const std::string& path, const Rgba16Picture& picture, std::string& why);

} // namespace omftool
