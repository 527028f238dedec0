// Test helper: writes pictures and short movies with FFmpeg's encoders.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testmedia {

// Top-down R, G, B, A rows of 8-bit samples.
struct Picture8 {
    int Width = 0;
    int Height = 0;
    std::vector<uint8_t> RGBA;
    uint8_t* At(int x, int top) { return RGBA.data() + (std::size_t(top) * Width + x) * 4; }
};

// Writes an 8-bit RGBA PNG file. False when encoding or writing fails.
bool WritePng(const std::string& path, const Picture8& picture);
// Writes a 16-bit RGBA PNG; `rgba` holds top-down R, G, B, A 16-bit samples.
bool WritePng16(const std::string& path, int width, int height, const std::vector<uint16_t>& rgba);
enum class MovieCodec {
    LosslessFFV1, // keeps every sample, alpha included
    MotionJpeg,   // lossy, every frame a key frame
    Mpeg4,        // lossy, a key frame every 12 frames, with B-frames between
};

// Writes a movie in a Matroska file at `fps` frames per second.
bool WriteMovie(const std::string& path, const std::vector<Picture8>& frames, int fps,
                MovieCodec codec = MovieCodec::LosslessFFV1);

} // namespace testmedia
