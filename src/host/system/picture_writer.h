// Writing one host image as a picture file through FFmpeg's image encoders.
#pragma once

#include <string>

class Image;

// Encodes `image` into the file at `path`, choosing the encoder by the extension: .png (8 or 16
// bits per channel), .tif/.tiff, .bmp, .jpg/.jpeg, .ppm. Alpha is kept where the file kind has
// it. False for an unknown extension or when encoding or writing fails; a failed write leaves
// no partial file behind.
bool WritePicture(const std::string& path, const Image& image, int bitsPerChannel = 8);
