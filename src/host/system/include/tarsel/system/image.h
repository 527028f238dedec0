// Image: the host's picture buffer, four 16-bit channels per pixel, rows stored bottom-up.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

// One pixel as the host sees it: four channels on 0..65535.
struct Pixel {
    uint32_t B = 0;
    uint32_t G = 0;
    uint32_t R = 0;
    uint32_t A = 0;
    bool operator==(const Pixel&) const = default;
};

// Resize methods understood by Image::ResizeOfImage (tag IMG_ResizeMethod).
enum ImageResizeMethod : int {
    RESIZE_Nearest = 0,  // pick the nearest source pixel
    RESIZE_Bilinear = 1, // interpolate between the four nearest source pixels
    RESIZE_Box = 3,      // average every source pixel the destination pixel covers
};

// Tags of the image tag lists.
enum ImageTag : uint32_t {
    IMG_Width = 0x10000000,        // integer: width in pixels
    IMG_Height = 0x10000001,       // integer: height in pixels
    IMG_ResizeMethod = 0x10000003, // integer: an ImageResizeMethod
    IMG_PixelAspectX = 0x20000000, // double: horizontal pixel aspect
    IMG_PixelAspectY = 0x20000001, // double: vertical pixel aspect
};

class TagList;

// A reference-counted picture. Every pixel holds the channels B, G, R, A in that order, 16 bits
// each; rows are stored from the bottom row (y = 0) to the top row (y = Height() - 1), which is
// the coordinate system of StorePixel and FetchPixel. New images start with one reference held
// by their creator; Use adds a reference and Recycle drops one, freeing the image at zero.
class Image {
  public:
    // Largest accepted side and pixel count; larger requests fail instead of exhausting memory.
    static constexpr int MaxSide = 65536;
    static constexpr int64_t MaxPixels = int64_t{1} << 27;
    static constexpr int ChannelsPerPixel = 4;

    // A new image of the given size, all channels 0, or null when the size is not positive,
    // too large, or memory is short.
    static Image* New(int width, int height, double pixelAspectX = 1.0, double pixelAspectY = 1.0);

    // Images built from top-down, tightly or loosely packed R, G, B, A buffers; rowStride is in
    // elements of the buffer (bytes for 8 bits, 16-bit words for 16 bits). Null on a bad size.
    static Image* FromRGBA8(const uint8_t* data, int width, int height, std::ptrdiff_t rowStride);
    static Image* FromRGBA16(const uint16_t* data, int width, int height, std::ptrdiff_t rowStride);

    // Writes the image as top-down R, G, B, A rows. 16-bit values become bytes with rounding.
    void ToRGBA8(uint8_t* out, std::ptrdiff_t rowStride) const;
    void ToRGBA16(uint16_t* out, std::ptrdiff_t rowStride) const;

    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    int Width() const { return m_Width; }
    int Height() const { return m_Height; }
    double PixelAspectX() const { return m_PixelAspectX; }
    double PixelAspectY() const { return m_PixelAspectY; }
    void SetPixelAspect(double x, double y);

    // Row position tables: row y (from the bottom) starts at StoreRows()[y] for writing and at
    // FetchRows()[y] for reading; the next pixel of a row is StoreStep() or FetchStep()
    // channels further on. Channels within a pixel are B, G, R, A.
    uint16_t* const* StoreRows() { return m_StoreRows.data(); }
    const uint16_t* const* FetchRows() const { return m_FetchRows.data(); }
    int StoreStep() const { return ChannelsPerPixel; }
    int FetchStep() const { return ChannelsPerPixel; }

    // Stores one pixel, channels clamped to 65535. Coordinates outside the image are ignored.
    void StorePixel(int x, int y, const Pixel& p);
    // Fetches one pixel; outside the image every channel is 0.
    Pixel FetchPixel(int x, int y) const;

    // A new image of w x h taken from (x, y) (bottom-left corner, y from the bottom); parts of
    // the rectangle outside this image are 0. Null when the size is invalid.
    Image* CropOfImage(int x, int y, int w, int h) const;

    // A new image scaled to width x height with the given method. Null when the size is invalid.
    Image* ResizeOfImage(int width, int height, int method) const;
    // Same, with IMG_Width, IMG_Height (default: this image's) and IMG_ResizeMethod (default
    // RESIZE_Bilinear) taken from the tag list.
    Image* ResizeOfImageTagList(const TagList& tags) const;

    // Copies field `field` of this image (0: rows 0, 2, 4 ... counted from the top; 1: rows 1,
    // 3, 5 ...). With destField -1 the field's rows go, one after the other and each repeated
    // `repeat` times, into a new image (dest null) or into dest from its top row. With destField
    // 0 or 1 they go into that field's rows of dest (or of a new image of this image's size).
    // Answers the destination (a new reference when created here, else dest) or null when the
    // arguments do not fit.
    Image* CopyField(int field, Image* dest, int destField, int repeat) const;

    // Moves the picture by one row to exchange the roles of the two fields: with up true every
    // row (from the top) takes the row below it and the bottom row is kept; with up false every
    // row takes the row above it and the top row is kept.
    void ReverseFieldDominance(bool up);

    void Use() { m_UseCount.fetch_add(1, std::memory_order_relaxed); }
    void Recycle();
    int UseCount() const { return m_UseCount.load(std::memory_order_relaxed); }

    // Exact copy with one reference, or null when memory is short.
    Image* Clone() const;

  private:
    Image(int width, int height, double pixelAspectX, double pixelAspectY);
    ~Image() = default;

    void BuildRowTables();
    uint16_t* PixelAt(int x, int y) { return m_StoreRows[y] + std::size_t(x) * ChannelsPerPixel; }
    const uint16_t* PixelAt(int x, int y) const {
        return m_FetchRows[y] + std::size_t(x) * ChannelsPerPixel;
    }

    int m_Width;
    int m_Height;
    double m_PixelAspectX;
    double m_PixelAspectY;
    std::vector<uint16_t> m_Channels;
    std::vector<uint16_t*> m_StoreRows;
    std::vector<const uint16_t*> m_FetchRows;
    std::atomic<int> m_UseCount{1};
};
