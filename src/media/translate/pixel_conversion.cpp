// The conversion tables and inner loops.
//
// Y'CbCr -> RGB works in 16.16 fixed point: with c = 2 Cr - 255 and
// d = 2 Cb - 255,
//   R = Y + ((45941 c + 32768) >> 16)
//   G = Y + ((-23401 c - 11277 d + 32768) >> 16)
//   B = Y + ((58065 d + 32768) >> 16)
// and each result is expanded from studio range (16..235) to 0..255.
// RGB -> Y'CbCr first compresses each component to studio range, then
//   Y  = (19595 R + 38470 G + 7471 B + 32768) >> 16
//   Cb = (-11059 R - 21709 G + 32768 B + (128 << 16)) >> 16
//   Cr = (32768 R - 27439 G - 5329 B + (128 << 16)) >> 16
// 4:2:2 output takes Cb from the first pixel of a pair and Cr from the
// second. Every product and sum above is looked up or added exactly, so the
// tables give the same bytes as the formulas evaluated per pixel.
#include "translate/pixel_conversion.h"

#include "omf/omf_error_codes.h"

#include <bit>
#include <cstring>

namespace omf::media {

namespace {

// The expansion tables are indexed by luma plus a chroma term, which spans
// -226..481; the index is offset so that -256..511 fit.
constexpr int kTermBias = 256;
constexpr int kExpansionSize = 768;

// Studio-range level to full range: round((v - 16) * 255 / 219), computed as
// floor((255 v - 4080) / 219 + 0.5). Luma plus a chroma term can fall below 0
// or above 255; such values are clamped into the table's 0..255 domain. The
// table is flat at both ends (0 at and below 16, 255 at and above 235), so
// clamping to 0..255 and clamping to 16..235 give the same result.
constexpr uint8_t expandToFullRange(int v) {
    if (v <= 16) return 0;
    if (v >= 235) return 255;
    return uint8_t((510 * v - 8160 + 219) / 438);
}

// Full range to studio range: floor(v * 219 / 255 + 16.5).
constexpr int compressToStudioRange(int v) {
    return (438 * v + 8415) / 510;
}

struct YCbCrToRgbTables {
    std::array<int32_t, 256> redFromCr{}, blueFromCb{}; // rounded, shifted terms
    // Unshifted parts of the green term: (greenFromCr + greenFromCb) >> 16.
    std::array<int32_t, 256> greenFromCr{}, greenFromCb{};
    std::array<uint8_t, kExpansionSize> expansion{};
};

constexpr YCbCrToRgbTables makeYCbCrToRgbTables() {
    YCbCrToRgbTables tables;
    for (int v = 0; v < 256; ++v) {
        const int centred = 2 * v - 255; // c for Cr, d for Cb
        tables.redFromCr[v] = (45941 * centred + 32768) >> 16;
        tables.blueFromCb[v] = (58065 * centred + 32768) >> 16;
        tables.greenFromCr[v] = -23401 * centred + 32768;
        tables.greenFromCb[v] = -11277 * centred;
    }
    for (int i = 0; i < kExpansionSize; ++i)
        tables.expansion[i] = expandToFullRange(i - kTermBias);
    return tables;
}

constexpr YCbCrToRgbTables kYCbCrToRgb = makeYCbCrToRgbTables();

// Every luma plus chroma term lands inside the expansion table.
constexpr bool termsFitExpansion() {
    for (int v = 0; v < 256; ++v) {
        for (int term : {kYCbCrToRgb.redFromCr[v], kYCbCrToRgb.blueFromCb[v]}) {
            if (term < -kTermBias || term + 255 >= kExpansionSize - kTermBias) return false;
        }
        for (int w = 0; w < 256; ++w) {
            const int green = (kYCbCrToRgb.greenFromCr[v] + kYCbCrToRgb.greenFromCb[w]) >> 16;
            if (green < -kTermBias || green + 255 >= kExpansionSize - kTermBias) return false;
        }
    }
    return true;
}
static_assert(termsFitExpansion());

// RGB -> Y'CbCr: one pixel's luma and one chroma value come from a single
// 64-bit sum of three table entries, one per component. An entry holds the
// component's weighted contribution to luma in the low 32 bits and to the
// chroma value in the high 32 bits. The chroma constant 128 << 16 is split
// over the three entries so that no entry is negative; the halves then
// never borrow from or carry into each other (luma sums stay below 2^24).
struct LumaChromaTables {
    std::array<uint64_t, 256> fromRed{}, fromGreen{}, fromBlue{};
};

constexpr uint64_t lumaChromaEntry(int64_t luma, int64_t chroma) {
    if (luma < 0 || chroma < 0) throw "table entries must not be negative";
    return uint64_t(chroma) << 32 | uint64_t(luma);
}

constexpr LumaChromaTables makeLumaChromaTables(int red, int green, int blue, int64_t redBias,
                                                int64_t greenBias, int64_t blueBias) {
    if (redBias + greenBias + blueBias != 128 << 16) throw "biases must add up to 128 << 16";
    LumaChromaTables tables;
    for (int v = 0; v < 256; ++v) {
        const int64_t studio = compressToStudioRange(v);
        tables.fromRed[v] = lumaChromaEntry(19595 * studio + 32768, red * studio + redBias);
        tables.fromGreen[v] = lumaChromaEntry(38470 * studio, green * studio + greenBias);
        tables.fromBlue[v] = lumaChromaEntry(7471 * studio, blue * studio + blueBias);
    }
    return tables;
}

// Studio-range components span 16..235, so a bias of coefficient x 235
// offsets the most negative contribution.
constexpr LumaChromaTables kLumaAndCb = makeLumaChromaTables(
    -11059, -21709, 32768, 11059 * 235, 21709 * 235, (128 << 16) - 11059 * 235 - 21709 * 235);
constexpr LumaChromaTables kLumaAndCr = makeLumaChromaTables(
    32768, -27439, -5329, (128 << 16) - 27439 * 235 - 5329 * 235, 27439 * 235, 5329 * 235);

inline uint8_t lumaOf(uint64_t sum) {
    return uint8_t(uint32_t(sum) >> 16);
}
inline uint8_t chromaOf(uint64_t sum) {
    return uint8_t(sum >> 48);
}

inline uint64_t lumaChroma(const LumaChromaTables& tables, const uint8_t* pixel,
                           const PixelConverter::BytePositions& at) {
    return tables.fromRed[pixel[at.red]] + tables.fromGreen[pixel[at.green]] +
           tables.fromBlue[pixel[at.blue]];
}

// Shift that places byte `position` of a 4-byte pixel in a native word.
constexpr unsigned wordShift(int position) {
    return std::endian::native == std::endian::little ? 8u * unsigned(position)
                                                      : 8u * unsigned(3 - position);
}

inline void storeWord(uint8_t* out, uint32_t word) {
    std::memcpy(out, &word, sizeof word);
}

// The per-pixel chroma terms, as offsets into the expansion tables.
struct ChromaTerms {
    int red, green, blue;
};

inline ChromaTerms chromaTerms(unsigned cb, unsigned cr) {
    return {kYCbCrToRgb.redFromCr[cr],
            (kYCbCrToRgb.greenFromCr[cr] + kYCbCrToRgb.greenFromCb[cb]) >> 16,
            kYCbCrToRgb.blueFromCb[cb]};
}

} // namespace

struct ConversionLoops {
    // Y'CbCr -> RGB of 4 bytes per pixel: three lookups in tables that
    // already hold each expanded component at its place in the word; the
    // byte that is not R, G or B stays 0.
    struct PlacedTables {
        const uint32_t* red;
        const uint32_t* green;
        const uint32_t* blue;
    };
    static PlacedTables placed(const PixelConverter& converter) {
        const uint32_t* base = converter.placedExpansion_.data() + kTermBias;
        return {base, base + kExpansionSize, base + 2 * kExpansionSize};
    }
    static uint32_t placedPixel(const PlacedTables& tables, const ChromaTerms& terms, unsigned y) {
        return tables.red[int(y) + terms.red] | tables.green[int(y) + terms.green] |
               tables.blue[int(y) + terms.blue];
    }

    static void ycbcr422ToRgbWord(const PixelConverter& converter, const uint8_t* in, uint8_t* out,
                                  size_t pixels) {
        // Vectors take the leading multiple of eight pixels, tables the rest.
        const size_t done = converter.ycbcrVectorLoop_ != nullptr
                                ? converter.ycbcrVectorLoop_(in, out, pixels, converter.placement_)
                                : 0;
        in += done * 2;
        out += done * 4;
        const PlacedTables tables = placed(converter);
        for (size_t pair = 0; pair < (pixels - done) / 2; ++pair, in += 4, out += 8) {
            const ChromaTerms terms = chromaTerms(in[0], in[2]);
            storeWord(out, placedPixel(tables, terms, in[1]));
            storeWord(out + 4, placedPixel(tables, terms, in[3]));
        }
    }

    static void ycbcr444ToRgbWord(const PixelConverter& converter, const uint8_t* in, uint8_t* out,
                                  size_t pixels) {
        const PlacedTables tables = placed(converter);
        for (size_t i = 0; i < pixels; ++i, in += 3, out += 4)
            storeWord(out, placedPixel(tables, chromaTerms(in[1], in[2]), in[0]));
    }

    // Y'CbCr -> RGB of any other byte count: bytes by position, others 0.
    static void storeRgb(const PixelConverter& converter, uint8_t* out, const ChromaTerms& terms,
                         unsigned y) {
        const uint8_t* expansion = kYCbCrToRgb.expansion.data() + kTermBias;
        const auto& at = converter.destinationRgb_;
        std::memset(out, 0, converter.destinationPixelBytes_);
        out[at.red] = expansion[int(y) + terms.red];
        out[at.green] = expansion[int(y) + terms.green];
        out[at.blue] = expansion[int(y) + terms.blue];
    }

    static void ycbcr422ToRgbBytes(const PixelConverter& converter, const uint8_t* in, uint8_t* out,
                                   size_t pixels) {
        const size_t step = converter.destinationPixelBytes_;
        for (size_t pair = 0; pair < pixels / 2; ++pair, in += 4, out += 2 * step) {
            const ChromaTerms terms = chromaTerms(in[0], in[2]);
            storeRgb(converter, out, terms, in[1]);
            storeRgb(converter, out + step, terms, in[3]);
        }
    }

    static void ycbcr444ToRgbBytes(const PixelConverter& converter, const uint8_t* in, uint8_t* out,
                                   size_t pixels) {
        const size_t step = converter.destinationPixelBytes_;
        for (size_t i = 0; i < pixels; ++i, in += 3, out += step)
            storeRgb(converter, out, chromaTerms(in[1], in[2]), in[0]);
    }

    // RGB -> Y'CbCr; `Bytes` fixes the source pixel size for the common
    // 3- and 4-byte layouts (0: taken from the converter).
    template <size_t Bytes>
    static void rgbToYCbCr422(const PixelConverter& converter, const uint8_t* in, uint8_t* out,
                              size_t pixels) {
        const size_t step = Bytes != 0 ? Bytes : converter.sourcePixelBytes_;
        const auto& at = converter.sourceRgb_;
        if constexpr (Bytes == 4) {
            // Vectors take the leading multiple of eight pixels, tables the rest.
            const size_t done =
                converter.rgbVectorLoop_ != nullptr
                    ? converter.rgbVectorLoop_(in, out, pixels, converter.sourceShifts_)
                    : 0;
            in += done * 4;
            out += done * 2;
            pixels -= done;
        }
        for (size_t pair = 0; pair < pixels / 2; ++pair, in += 2 * step, out += 4) {
            const uint64_t first = lumaChroma(kLumaAndCb, in, at);
            const uint64_t second = lumaChroma(kLumaAndCr, in + step, at);
            out[0] = chromaOf(first);
            out[1] = lumaOf(first);
            out[2] = chromaOf(second);
            out[3] = lumaOf(second);
        }
    }

    template <size_t Bytes>
    static void rgbToYCbCr444(const PixelConverter& converter, const uint8_t* in, uint8_t* out,
                              size_t pixels) {
        const size_t step = Bytes != 0 ? Bytes : converter.sourcePixelBytes_;
        const auto& at = converter.sourceRgb_;
        for (size_t i = 0; i < pixels; ++i, in += step, out += 3) {
            const uint64_t withCb = lumaChroma(kLumaAndCb, in, at);
            const uint64_t withCr = lumaChroma(kLumaAndCr, in, at);
            out[0] = lumaOf(withCb);
            out[1] = chromaOf(withCb);
            out[2] = chromaOf(withCr);
        }
    }

    // RGB -> RGB by letter: each destination byte copies its source byte; a
    // letter the source lacks reads a zero placed after the source pixel.
    // Any pixel sizes: the byte count is known only at run time.
    static void rgbToRgb(const PixelConverter& converter, const uint8_t* in, uint8_t* out,
                         size_t pixels) {
        const size_t from = converter.sourcePixelBytes_, to = converter.destinationPixelBytes_;
        const auto& sourceByteOf = converter.sourceByteOf_;
        uint8_t pixel[16] = {};
        for (size_t i = 0; i < pixels; ++i, in += from, out += to) {
            std::memcpy(pixel, in, from);
            for (size_t j = 0; j < to; ++j)
                out[j] = pixel[sourceByteOf[j]];
        }
    }

    // 3- and 4-byte pixels, the sizes of 8-bit RGB with and without alpha:
    // fixed sizes let the compiler keep each pixel in registers.
    template <size_t From, size_t To>
    static void rgbToRgbFixed(const PixelConverter& converter, const uint8_t* in, uint8_t* out,
                              size_t pixels) {
        int8_t sourceByteOf[To];
        for (size_t j = 0; j < To; ++j)
            sourceByteOf[j] = converter.sourceByteOf_[j];
        uint8_t pixel[From + 1] = {}; // the last byte stays zero for letters the source lacks
        for (size_t i = 0; i < pixels; ++i, in += From, out += To) {
            std::memcpy(pixel, in, From);
            for (size_t j = 0; j < To; ++j)
                out[j] = pixel[sourceByteOf[j]];
        }
    }

    // 4:2:2 <-> 4:4:4: a pair's chroma serves both pixels; going down, Cb
    // comes from the first pixel and Cr from the second, as from RGB.
    static void ycbcr422To444(const PixelConverter&, const uint8_t* in, uint8_t* out,
                              size_t pixels) {
        for (size_t pair = 0; pair < pixels / 2; ++pair, in += 4, out += 6) {
            const uint8_t cb = in[0], y0 = in[1], cr = in[2], y1 = in[3];
            out[0] = y0, out[1] = cb, out[2] = cr;
            out[3] = y1, out[4] = cb, out[5] = cr;
        }
    }

    static void ycbcr444To422(const PixelConverter&, const uint8_t* in, uint8_t* out,
                              size_t pixels) {
        for (size_t pair = 0; pair < pixels / 2; ++pair, in += 6, out += 4) {
            out[0] = in[1];
            out[1] = in[0];
            out[2] = in[5];
            out[3] = in[3];
        }
    }
};

namespace {

enum class Shape { unsupported, rgb, ycbcr422, ycbcr444 };

// Which loop family a side belongs to: RGB whose every component is 8 bits,
// or 8-bit Y'CbCr of 2 (4:2:2) or 3 (4:4:4) bytes per pixel.
Shape shapeOf(const PixelDescription& pixels) {
    if (pixels.pixelBits <= 0 || pixels.pixelBits % 8 != 0) return Shape::unsupported;
    const size_t bytes = size_t(pixels.pixelBits) / 8;
    if (pixels.pixelFormat == kOmfPixYUV) {
        if (pixels.componentWidth != 8) return Shape::unsupported;
        if (bytes == 2) return Shape::ycbcr422;
        if (bytes == 3) return Shape::ycbcr444;
        return Shape::unsupported;
    }
    if (pixels.pixelFormat != kOmfPixRGBA) return Shape::unsupported;
    if (pixels.componentCount != bytes || pixels.componentOrder.size() != bytes)
        return Shape::unsupported;
    for (size_t i = 0; i < bytes; ++i) {
        if (pixels.componentSizes[i] != 8) return Shape::unsupported;
    }
    return Shape::rgb;
}

int byteOf(const std::string& order, char letter) {
    const size_t at = order.find(letter);
    return at == std::string::npos ? -1 : int(at);
}

// R, G and B each present once at least.
bool positionsOf(const std::string& order, PixelConverter::BytePositions* at) {
    *at = {byteOf(order, 'R'), byteOf(order, 'G'), byteOf(order, 'B')};
    return at->red >= 0 && at->green >= 0 && at->blue >= 0;
}

} // namespace

omfErr_t PixelConverter::prepare(const PixelDescription& source,
                                 const PixelDescription& destination) {
    const Shape from = shapeOf(source), to = shapeOf(destination);
    if (from == Shape::unsupported || to == Shape::unsupported) return OM_ERR_CANNOT_TRANSLATE;
    sourcePixelBytes_ = size_t(source.pixelBits) / 8;
    destinationPixelBytes_ = size_t(destination.pixelBits) / 8;
    groupPixels_ = (from == Shape::ycbcr422 || to == Shape::ycbcr422) ? 2 : 1;
    placedExpansion_.clear();

    if (from == Shape::rgb && to == Shape::rgb) {
        // Letters the source lacks read index `sourcePixelBytes_`, a zero byte.
        for (size_t j = 0; j < destinationPixelBytes_; ++j) {
            const int at = byteOf(source.componentOrder, destination.componentOrder[j]);
            sourceByteOf_[j] = int8_t(at >= 0 ? at : int(sourcePixelBytes_));
        }
        run_ = &ConversionLoops::rgbToRgb;
        if (sourcePixelBytes_ == 3 && destinationPixelBytes_ == 4) {
            run_ = &ConversionLoops::rgbToRgbFixed<3, 4>;
        } else if (sourcePixelBytes_ == 4 && destinationPixelBytes_ == 3) {
            run_ = &ConversionLoops::rgbToRgbFixed<4, 3>;
        } else if (sourcePixelBytes_ == 4 && destinationPixelBytes_ == 4) {
            run_ = &ConversionLoops::rgbToRgbFixed<4, 4>;
        } else if (sourcePixelBytes_ == 3 && destinationPixelBytes_ == 3) {
            run_ = &ConversionLoops::rgbToRgbFixed<3, 3>;
        }
        return 0;
    }
    if (from == Shape::rgb) {
        if (!positionsOf(source.componentOrder, &sourceRgb_)) return OM_ERR_CANNOT_TRANSLATE;
        if (to == Shape::ycbcr422) {
            if (sourcePixelBytes_ == 4) {
                rgbVectorLoop_ = rgbWordToYCbCr422Loop();
                sourceShifts_ = {int(wordShift(sourceRgb_.red)), int(wordShift(sourceRgb_.green)),
                                 int(wordShift(sourceRgb_.blue))};
            }
            run_ = sourcePixelBytes_ == 4   ? &ConversionLoops::rgbToYCbCr422<4>
                   : sourcePixelBytes_ == 3 ? &ConversionLoops::rgbToYCbCr422<3>
                                            : &ConversionLoops::rgbToYCbCr422<0>;
        } else {
            run_ = sourcePixelBytes_ == 4   ? &ConversionLoops::rgbToYCbCr444<4>
                   : sourcePixelBytes_ == 3 ? &ConversionLoops::rgbToYCbCr444<3>
                                            : &ConversionLoops::rgbToYCbCr444<0>;
        }
        return 0;
    }
    if (to == Shape::rgb) {
        if (!positionsOf(destination.componentOrder, &destinationRgb_))
            return OM_ERR_CANNOT_TRANSLATE;
        if (destinationPixelBytes_ == 4) {
            placedExpansion_.resize(3 * size_t(kExpansionSize));
            const int places[3] = {destinationRgb_.red, destinationRgb_.green,
                                   destinationRgb_.blue};
            for (size_t component = 0; component < 3; ++component) {
                for (int i = 0; i < kExpansionSize; ++i) {
                    placedExpansion_[component * kExpansionSize + size_t(i)] =
                        uint32_t(kYCbCrToRgb.expansion[size_t(i)]) << wordShift(places[component]);
                }
            }
            ycbcrVectorLoop_ = ycbcr422ToRgbWordLoop();
            placement_ =
                placementOf(destinationRgb_.red, destinationRgb_.green, destinationRgb_.blue);
            run_ = from == Shape::ycbcr422 ? &ConversionLoops::ycbcr422ToRgbWord
                                           : &ConversionLoops::ycbcr444ToRgbWord;
        } else {
            run_ = from == Shape::ycbcr422 ? &ConversionLoops::ycbcr422ToRgbBytes
                                           : &ConversionLoops::ycbcr444ToRgbBytes;
        }
        return 0;
    }
    if (from == to) return OM_ERR_CANNOT_TRANSLATE; // nothing to convert; the caller copies
    run_ =
        from == Shape::ycbcr422 ? &ConversionLoops::ycbcr422To444 : &ConversionLoops::ycbcr444To422;
    return 0;
}

} // namespace omf::media
