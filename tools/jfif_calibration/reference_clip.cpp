#include "reference_clip.h"

#include <algorithm>
#include <cmath>

namespace jfif_calibration {

namespace {

constexpr int kChannels = 3;
// Spread of the grain in 8-bit levels: shared by the channels (luminance grain) and per
// channel (dye grain).
constexpr double kLumaGrain = 3.0;
constexpr double kChannelGrain = 1.5;
// Pixels the shapes move per frame.
constexpr int kMotion = 6;

uint32_t hash(uint32_t a, uint32_t b, uint32_t c) {
    uint32_t h =
        a * 0x9e3779b1u ^ (b + 0x7f4a7c15u) * 0x85ebca77u ^ (c + 0x165667b1u) * 0xc2b2ae3du;
    h ^= h >> 15;
    h *= 0x2c1b3c6du;
    h ^= h >> 12;
    h *= 0x297a2d39u;
    h ^= h >> 15;
    return h;
}

// Uniform in [0, 1).
double uniform(uint32_t a, uint32_t b, uint32_t c) {
    return double(hash(a, b, c) >> 8) / double(1u << 24);
}

// Roughly normal with spread 1: the sum of four uniforms, centred and scaled.
double grain(uint32_t x, uint32_t y, uint32_t seed) {
    double sum = 0;
    for (uint32_t i = 0; i < 4; ++i)
        sum += uniform(x, y, seed * 4 + i);
    return (sum - 2.0) * std::sqrt(3.0);
}

// Smooth noise in [0, 1) on a lattice of `cell` pixels, bilinearly joined.
double valueNoise(double x, double y, double cell, uint32_t seed) {
    const double u = x / cell, v = y / cell;
    const int i = int(std::floor(u)), j = int(std::floor(v));
    const double fu = u - i, fv = v - j;
    auto at = [&](int a, int b) { return uniform(uint32_t(a), uint32_t(b), seed); };
    const double top = at(i, j) * (1 - fu) + at(i + 1, j) * fu;
    const double bottom = at(i, j + 1) * (1 - fu) + at(i + 1, j + 1) * fu;
    return top * (1 - fv) + bottom * fv;
}

struct Colour {
    double r, g, b;
};

// The clean picture at (x, y) of a `width` x `height` frame.
Colour scene(int x, int y, int width, int height, int frame) {
    const double fx = double(x) / width, fy = double(y) / height;
    const int shift = frame * kMotion;
    Colour c;
    const double horizon = 0.55;
    if (fy < horizon) {
        // Sky: deep blue at the top to a pale haze at the horizon, with soft clouds.
        const double t = fy / horizon;
        const double cloud = std::max(0.0, valueNoise(x + shift / 2, y, 90, 1) - 0.45) * 160;
        c = {60 + 150 * t + cloud, 100 + 120 * t + cloud, 190 + 50 * t + cloud * 0.8};
    } else {
        // Ground: grass-like texture at two scales over a brown-green slope.
        const double t = (fy - horizon) / (1 - horizon);
        const double coarse = valueNoise(x, y, 24, 2);
        const double fine = valueNoise(x, y, 3, 3);
        const double texture = 55 * coarse + 35 * fine;
        c = {70 + 40 * t + texture * 0.6, 95 + 30 * fx + texture, 40 + 20 * t + texture * 0.3};
    }
    // A building with lit windows: hard vertical and horizontal edges.
    const int left = width / 8 + shift, right = left + width / 5;
    const int top = int(height * 0.25);
    if (x >= left && x < right && y >= top && y < int(height * horizon) + 20) {
        const bool window = (x - left) % 24 >= 6 && (x - left) % 24 < 18 && (y - top) % 30 >= 8 &&
                            (y - top) % 30 < 22;
        c = window ? Colour{230, 210, 140} : Colour{85, 80, 90};
    }
    // A bright disc with a sharp rim.
    const double dx = x - width * 0.72 + shift, dy = y - height * 0.2;
    const double radius = height * 0.08;
    if (dx * dx + dy * dy < radius * radius) c = {250, 235, 190};
    // A striped sign: fine high-contrast detail.
    if (x >= width * 0.55 - shift && x < width * 0.7 - shift && y >= height * 0.62 &&
        y < height * 0.72) {
        const bool stripe = ((x + y) / 4) % 2 == 0;
        c = stripe ? Colour{240, 240, 235} : Colour{180, 30, 30};
    }
    return c;
}

uint8_t level(double value) {
    return uint8_t(std::clamp(std::lround(value), 0L, 255L));
}

} // namespace

std::vector<uint8_t> referenceFrame(int width, int height, int frame) {
    std::vector<uint8_t> rgb(size_t(width) * size_t(height) * kChannels);
    uint8_t* out = rgb.data();
    const uint32_t seed = uint32_t(frame) * 16 + 100;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Colour c = scene(x, y, width, height, frame);
            const double shared = kLumaGrain * grain(uint32_t(x), uint32_t(y), seed);
            const double channel[kChannels] = {c.r, c.g, c.b};
            for (int k = 0; k < kChannels; ++k) {
                const double own = kChannelGrain * grain(uint32_t(x), uint32_t(y), seed + 1 + k);
                *out++ = level(channel[k] + shared + own);
            }
        }
    }
    return rgb;
}

} // namespace jfif_calibration
