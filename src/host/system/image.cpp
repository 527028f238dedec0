// Image storage, pixel access, conversions and the geometric operations.
#include "tarsel/system/image.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <utility>

#include "tarsel/tags.h"

namespace {

constexpr uint32_t MaxChannel = 65535;

bool SizeIsValid(int width, int height) {
    if (width <= 0 || height <= 0) return false;
    if (width > Image::MaxSide || height > Image::MaxSide) return false;
    return int64_t{width} * height <= Image::MaxPixels;
}

uint16_t ClampChannel(uint32_t v) {
    return static_cast<uint16_t>(std::min(v, MaxChannel));
}

// 8-bit to 16-bit maps 0..255 onto 0..65535 exactly (x * 257); the way back rounds to nearest.
uint16_t Widen(uint8_t v) {
    return static_cast<uint16_t>(v * 257u);
}
uint8_t Narrow(uint16_t v) {
    return static_cast<uint8_t>((v * 255u + 32767u) / 65535u);
}

// One source sample that contributes to a destination sample, with its weight.
struct Tap {
    int Index;
    double Weight;
};

// For every destination position along one axis, the source positions and weights that make
// it. The weights of each position sum to 1.
std::vector<std::vector<Tap>> AxisTaps(int sourceSize, int destSize, int method) {
    std::vector<std::vector<Tap>> taps(destSize);
    const double scale = double(sourceSize) / destSize;
    for (int d = 0; d < destSize; ++d) {
        auto& list = taps[d];
        if (method == RESIZE_Nearest) {
            int s = static_cast<int>(std::floor((d + 0.5) * scale));
            list.push_back({std::clamp(s, 0, sourceSize - 1), 1.0});
        } else if (method == RESIZE_Box && scale > 1.0) {
            // Coverage of [d * scale, (d + 1) * scale) by each source pixel.
            const double from = d * scale;
            const double to = (d + 1) * scale;
            int first = static_cast<int>(std::floor(from));
            int last = std::min(sourceSize - 1, static_cast<int>(std::ceil(to)) - 1);
            for (int s = first; s <= last; ++s) {
                double covered = std::min(to, double(s + 1)) - std::max(from, double(s));
                if (covered > 0.0) list.push_back({s, covered / scale});
            }
        } else {
            // Bilinear (also box when enlarging, where each destination pixel lies inside one
            // source pixel and interpolation is the better choice).
            double position = (d + 0.5) * scale - 0.5;
            position = std::clamp(position, 0.0, double(sourceSize - 1));
            int s0 = static_cast<int>(std::floor(position));
            int s1 = std::min(s0 + 1, sourceSize - 1);
            double f = position - s0;
            list.push_back({s0, 1.0 - f});
            if (s1 != s0 && f > 0.0) list.push_back({s1, f});
        }
    }
    return taps;
}

} // namespace

Image::Image(int width, int height, double pixelAspectX, double pixelAspectY)
    : m_Width(width), m_Height(height), m_PixelAspectX(pixelAspectX), m_PixelAspectY(pixelAspectY),
      m_Channels(std::size_t(width) * std::size_t(height) * ChannelsPerPixel, 0) {
    BuildRowTables();
}

void Image::BuildRowTables() {
    m_StoreRows.resize(m_Height);
    m_FetchRows.resize(m_Height);
    const std::size_t rowLength = std::size_t(m_Width) * ChannelsPerPixel;
    for (int y = 0; y < m_Height; ++y) {
        m_StoreRows[y] = m_Channels.data() + rowLength * y;
        m_FetchRows[y] = m_StoreRows[y];
    }
}

Image* Image::New(int width, int height, double pixelAspectX, double pixelAspectY) {
    if (!SizeIsValid(width, height)) return nullptr;
    try {
        return new Image(width, height, pixelAspectX, pixelAspectY);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

Image* Image::Clone() const {
    Image* copy = New(m_Width, m_Height, m_PixelAspectX, m_PixelAspectY);
    if (copy) copy->m_Channels = m_Channels;
    return copy;
}

void Image::Recycle() {
    if (m_UseCount.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
}

void Image::SetPixelAspect(double x, double y) {
    m_PixelAspectX = x;
    m_PixelAspectY = y;
}

void Image::StorePixel(int x, int y, const Pixel& p) {
    if (x < 0 || y < 0 || x >= m_Width || y >= m_Height) return;
    uint16_t* out = PixelAt(x, y);
    out[0] = ClampChannel(p.B);
    out[1] = ClampChannel(p.G);
    out[2] = ClampChannel(p.R);
    out[3] = ClampChannel(p.A);
}

Pixel Image::FetchPixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= m_Width || y >= m_Height) return {};
    const uint16_t* in = PixelAt(x, y);
    return {in[0], in[1], in[2], in[3]};
}

Image* Image::FromRGBA8(const uint8_t* data, int width, int height, std::ptrdiff_t rowStride) {
    if (!data || rowStride < std::ptrdiff_t(width) * 4) return nullptr;
    Image* image = New(width, height);
    if (!image) return nullptr;
    for (int top = 0; top < height; ++top) {
        const uint8_t* in = data + rowStride * top;
        uint16_t* out = image->m_StoreRows[height - 1 - top];
        for (int x = 0; x < width; ++x, in += 4, out += 4) {
            out[0] = Widen(in[2]);
            out[1] = Widen(in[1]);
            out[2] = Widen(in[0]);
            out[3] = Widen(in[3]);
        }
    }
    return image;
}

Image* Image::FromRGBA16(const uint16_t* data, int width, int height, std::ptrdiff_t rowStride) {
    if (!data || rowStride < std::ptrdiff_t(width) * 4) return nullptr;
    Image* image = New(width, height);
    if (!image) return nullptr;
    for (int top = 0; top < height; ++top) {
        const uint16_t* in = data + rowStride * top;
        uint16_t* out = image->m_StoreRows[height - 1 - top];
        for (int x = 0; x < width; ++x, in += 4, out += 4) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
            out[3] = in[3];
        }
    }
    return image;
}

void Image::ToRGBA8(uint8_t* out, std::ptrdiff_t rowStride) const {
    for (int top = 0; top < m_Height; ++top) {
        const uint16_t* in = m_FetchRows[m_Height - 1 - top];
        uint8_t* row = out + rowStride * top;
        for (int x = 0; x < m_Width; ++x, in += 4, row += 4) {
            row[0] = Narrow(in[2]);
            row[1] = Narrow(in[1]);
            row[2] = Narrow(in[0]);
            row[3] = Narrow(in[3]);
        }
    }
}

void Image::ToRGBA16(uint16_t* out, std::ptrdiff_t rowStride) const {
    for (int top = 0; top < m_Height; ++top) {
        const uint16_t* in = m_FetchRows[m_Height - 1 - top];
        uint16_t* row = out + rowStride * top;
        for (int x = 0; x < m_Width; ++x, in += 4, row += 4) {
            row[0] = in[2];
            row[1] = in[1];
            row[2] = in[0];
            row[3] = in[3];
        }
    }
}

Image* Image::CropOfImage(int x, int y, int w, int h) const {
    Image* crop = New(w, h, m_PixelAspectX, m_PixelAspectY);
    if (!crop) return nullptr;
    // Only the overlap of the rectangle with this image is copied; the rest stays 0.
    const int64_t fromX = std::max<int64_t>(0, x);
    const int64_t toX = std::min<int64_t>(m_Width, int64_t{x} + w);
    const int64_t fromY = std::max<int64_t>(0, y);
    const int64_t toY = std::min<int64_t>(m_Height, int64_t{y} + h);
    if (fromX >= toX || fromY >= toY) return crop;
    const std::size_t bytes = std::size_t(toX - fromX) * ChannelsPerPixel * sizeof(uint16_t);
    for (int64_t sy = fromY; sy < toY; ++sy) {
        std::memcpy(crop->PixelAt(int(fromX - x), int(sy - y)), PixelAt(int(fromX), int(sy)),
                    bytes);
    }
    return crop;
}

Image* Image::ResizeOfImage(int width, int height, int method) const {
    Image* out = New(width, height, m_PixelAspectX, m_PixelAspectY);
    if (!out) return nullptr;
    const auto columns = AxisTaps(m_Width, width, method);
    const auto rows = AxisTaps(m_Height, height, method);

    // Horizontal pass into a buffer of width x m_Height, then the vertical pass.
    std::vector<double> across;
    try {
        across.assign(std::size_t(width) * m_Height * ChannelsPerPixel, 0.0);
    } catch (const std::bad_alloc&) {
        out->Recycle();
        return nullptr;
    }
    for (int sy = 0; sy < m_Height; ++sy) {
        double* line = across.data() + std::size_t(sy) * width * ChannelsPerPixel;
        for (int dx = 0; dx < width; ++dx) {
            for (const Tap& tap : columns[dx]) {
                const uint16_t* in = PixelAt(tap.Index, sy);
                for (int c = 0; c < ChannelsPerPixel; ++c)
                    line[dx * 4 + c] += in[c] * tap.Weight;
            }
        }
    }
    for (int dy = 0; dy < height; ++dy) {
        uint16_t* outRow = out->m_StoreRows[dy];
        for (int dx = 0; dx < width; ++dx) {
            double sum[ChannelsPerPixel] = {};
            for (const Tap& tap : rows[dy]) {
                const double* in =
                    across.data() + (std::size_t(tap.Index) * width + dx) * ChannelsPerPixel;
                for (int c = 0; c < ChannelsPerPixel; ++c)
                    sum[c] += in[c] * tap.Weight;
            }
            for (int c = 0; c < ChannelsPerPixel; ++c) {
                outRow[dx * 4 + c] =
                    static_cast<uint16_t>(std::clamp(std::lround(sum[c]), 0L, long{MaxChannel}));
            }
        }
    }
    return out;
}

Image* Image::ResizeOfImageTagList(const TagList& tags) const {
    const int64_t width = tags.GetInt(IMG_Width, m_Width);
    const int64_t height = tags.GetInt(IMG_Height, m_Height);
    if (width <= 0 || height <= 0 || width > MaxSide || height > MaxSide) return nullptr;
    const int method = static_cast<int>(tags.GetInt(IMG_ResizeMethod, RESIZE_Bilinear));
    return ResizeOfImage(static_cast<int>(width), static_cast<int>(height), method);
}

Image* Image::CopyField(int field, Image* dest, int destField, int repeat) const {
    if (field < 0 || field > 1 || field >= m_Height) return nullptr;
    if (destField < -1 || destField > 1) return nullptr;
    if (dest && dest->m_Width != m_Width) return nullptr;
    const int fieldRows = (m_Height - field + 1) / 2;
    const std::size_t rowBytes = std::size_t(m_Width) * ChannelsPerPixel * sizeof(uint16_t);

    Image* target = dest;
    if (destField == -1) {
        if (repeat < 1) return nullptr;
        if (!target) {
            int64_t rows = int64_t{fieldRows} * repeat;
            if (rows > MaxSide) return nullptr;
            target = New(m_Width, int(rows), m_PixelAspectX, m_PixelAspectY);
        }
        if (!target) return nullptr;
        // Field row k fills destination rows k * repeat ... k * repeat + repeat - 1 from the top.
        const int destHeight = target->m_Height;
        for (int k = 0; k < fieldRows; ++k) {
            const uint16_t* from = m_FetchRows[m_Height - 1 - (field + 2 * k)];
            for (int r = 0; r < repeat; ++r) {
                int64_t top = int64_t{k} * repeat + r;
                if (top >= destHeight) break;
                std::memcpy(target->m_StoreRows[destHeight - 1 - top], from, rowBytes);
            }
        }
        return target;
    }

    if (!target) target = New(m_Width, m_Height, m_PixelAspectX, m_PixelAspectY);
    if (!target) return nullptr;
    const int destHeight = target->m_Height;
    for (int k = 0; k < fieldRows; ++k) {
        int top = destField + 2 * k;
        if (top >= destHeight) break;
        std::memcpy(target->m_StoreRows[destHeight - 1 - top],
                    m_FetchRows[m_Height - 1 - (field + 2 * k)], rowBytes);
    }
    return target;
}

void Image::ReverseFieldDominance(bool up) {
    if (m_Height < 2) return;
    const std::size_t rowLength = std::size_t(m_Width) * ChannelsPerPixel;
    uint16_t* data = m_Channels.data();
    const std::size_t moved = rowLength * (m_Height - 1) * sizeof(uint16_t);
    // Storage runs bottom-up: moving the picture up means storage row y takes row y - 1.
    if (up) {
        std::memmove(data + rowLength, data, moved);
    } else {
        std::memmove(data, data + rowLength, moved);
    }
}
