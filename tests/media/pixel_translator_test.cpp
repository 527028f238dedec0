// The pixel translator: format lists read into pixel descriptions, pixel
// conversion checked against the conversion formulas evaluated per pixel,
// field re-interleaving, line strides, component reordering and refusals.
#include "media/codec_support/format_list.h"
#include "media/codec_support/pixel_description.h"
#include "media/codec_support/translators.h"
#include "media/translate/vector_loops.h"

#include "omf/omf_error_codes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

using namespace omf::media;

namespace {

// ---- The formulas, written out per pixel ----------------------------------

uint8_t expandReference(int v) {
    if (v <= 16) return 0;
    if (v >= 235) return 255;
    return uint8_t(std::floor((255.0 * v - 4080.0) / 219.0 + 0.5));
}

std::array<uint8_t, 3> rgbReference(int y, int cb, int cr) {
    const int c = 2 * cr - 255, d = 2 * cb - 255;
    const int r = y + ((45941 * c + 32768) >> 16);
    const int g = y + ((-23401 * c - 11277 * d + 32768) >> 16);
    const int b = y + ((58065 * d + 32768) >> 16);
    return {expandReference(r), expandReference(g), expandReference(b)};
}

int studioReference(int v) {
    return int(std::floor(v * 219.0 / 255.0 + 16.5));
}

struct YCbCr {
    uint8_t y, cb, cr;
};

YCbCr ycbcrReference(int red, int green, int blue) {
    const int r = studioReference(red), g = studioReference(green), b = studioReference(blue);
    return {uint8_t((19595 * r + 38470 * g + 7471 * b + 32768) >> 16),
            uint8_t((-11059 * r - 21709 * g + 32768 * b + 8388608) >> 16),
            uint8_t((32768 * r - 27439 * g - 5329 * b + 8388608) >> 16)};
}

// ---- Format lists ----------------------------------------------------------

constexpr int kWidth = 720, kHeight = 486;

// The list a CDCI codec keeps for 8-bit media.
FormatList ycbcrList(int width, int height, int subsampling = 2, int layout = kOmfFullFrame,
                     omfInt32 firstLine = 16, omfInt32 secondLine = 17) {
    FormatList list;
    list.putInt32(kOmfPixelFormat, kOmfPixYUV);
    list.putInt32(kOmfFrameLayout, layout);
    list.putInt16(kOmfPixelSize, omfInt16(subsampling == 1 ? 24 : 16));
    list.putRect(kOmfStoredRect, {0, 0, width, height});
    list.putLineMap(kOmfVideoLineMap, firstLine, secondLine);
    list.putInt32(kOmfCDCICompWidth, 8);
    list.putInt32(kOmfCDCIHorizSubsampling, subsampling);
    return list;
}

// An RGB memory format with 8-bit components in the order `letters`.
FormatList rgbList(const std::string& letters) {
    FormatList list;
    list.putInt32(kOmfPixelFormat, kOmfPixRGBA);
    list.putBytes(kOmfRGBCompLayout, letters.data(), letters.size());
    const std::vector<uint8_t> sizes(letters.size(), 8);
    list.putBytes(kOmfRGBCompSizes, sizes.data(), sizes.size());
    return list;
}

// A translator with its formats set from two lists.
struct Translation {
    std::unique_ptr<FormatTranslator> translator = makePixelTranslator();
    bool active = false;

    Translation(const FormatList& memory, const FormatList& file) {
        EXPECT_EQ(translator->setFormats(StreamFormat{nullptr, memory.data(), nullptr, false},
                                         StreamFormat{nullptr, file.data(), nullptr, false},
                                         &active),
                  0);
    }

    // Translates all of `in`; `out` is sized to what was produced.
    omfErr_t run(bool reading, const std::vector<uint8_t>& in, std::vector<uint8_t>& out,
                 size_t outSize) {
        out.assign(outSize, 0xEE);
        size_t produced = 0;
        const omfErr_t error = translator->translate(reading, in, out, false, &produced);
        if (error == 0) out.resize(produced);
        return error;
    }
    std::vector<uint8_t> read(const std::vector<uint8_t>& in, size_t outSize) {
        std::vector<uint8_t> out;
        EXPECT_EQ(run(true, in, out, outSize), 0);
        return out;
    }
    std::vector<uint8_t> write(const std::vector<uint8_t>& in, size_t outSize) {
        std::vector<uint8_t> out;
        EXPECT_EQ(run(false, in, out, outSize), 0);
        return out;
    }
};

// Bytes that run through every value and mix them, with rows of the
// extremes (0, 16, 235, 255) in every position of a pixel.
std::vector<uint8_t> variedBytes(size_t count, uint32_t seed) {
    std::vector<uint8_t> bytes(count);
    uint32_t state = seed;
    for (size_t i = 0; i < count; ++i) {
        state = state * 1664525u + 1013904223u;
        bytes[i] = uint8_t(state >> 24);
    }
    // Every combination of extremes over four consecutive bytes.
    static const uint8_t extremes[] = {0, 16, 235, 255, 1, 15, 17, 234, 236, 254, 128};
    const size_t span = std::min<size_t>(count, 11 * 11 * 11 * 11 * 4);
    for (size_t i = 0; i < span; ++i) {
        size_t digits = i / 4;
        for (size_t k = 0; k < i % 4; ++k)
            digits /= 11;
        bytes[i] = extremes[digits % 11];
    }
    return bytes;
}

// ---- Pixel conversion ------------------------------------------------------

class ConversionByOrder : public ::testing::TestWithParam<std::string> {
  protected:
    // Where each of R, G, B sits in a pixel of the memory order; -1: absent.
    int at(char letter) const {
        const size_t position = GetParam().find(letter);
        return position == std::string::npos ? -1 : int(position);
    }
    size_t pixelBytes() const { return GetParam().size(); }
};

TEST_P(ConversionByOrder, Ycbcr422ReadsAsTheFormulasGiveForEveryPixel) {
    Translation translation(rgbList(GetParam()), ycbcrList(kWidth, kHeight));
    EXPECT_TRUE(translation.active);
    const std::vector<uint8_t> file = variedBytes(size_t(kWidth) * kHeight * 2, 7);
    const size_t pixels = size_t(kWidth) * kHeight;
    const std::vector<uint8_t> memory = translation.read(file, pixels * pixelBytes());
    ASSERT_EQ(memory.size(), pixels * pixelBytes());
    for (size_t i = 0; i < pixels; ++i) {
        const uint8_t* pair = &file[i / 2 * 4];
        const auto rgb = rgbReference(pair[i % 2 == 0 ? 1 : 3], pair[0], pair[2]);
        const uint8_t* pixel = &memory[i * pixelBytes()];
        for (size_t byte = 0; byte < pixelBytes(); ++byte) {
            const char letter = GetParam()[byte];
            const uint8_t expected = letter == 'R'   ? rgb[0]
                                     : letter == 'G' ? rgb[1]
                                     : letter == 'B' ? rgb[2]
                                                     : 0;
            ASSERT_EQ(pixel[byte], expected) << "pixel " << i << " byte " << byte;
        }
    }
}

TEST_P(ConversionByOrder, Ycbcr422WritesAsTheFormulasGiveForEveryPair) {
    Translation translation(rgbList(GetParam()), ycbcrList(kWidth, kHeight));
    const size_t pixels = size_t(kWidth) * kHeight;
    const std::vector<uint8_t> memory = variedBytes(pixels * pixelBytes(), 11);
    const std::vector<uint8_t> file = translation.write(memory, pixels * 2);
    ASSERT_EQ(file.size(), pixels * 2);
    for (size_t pair = 0; pair < pixels / 2; ++pair) {
        const uint8_t* first = &memory[2 * pair * pixelBytes()];
        const uint8_t* second = first + pixelBytes();
        const YCbCr one = ycbcrReference(first[at('R')], first[at('G')], first[at('B')]);
        const YCbCr two = ycbcrReference(second[at('R')], second[at('G')], second[at('B')]);
        const uint8_t expected[4] = {one.cb, one.y, two.cr, two.y};
        if (std::memcmp(&file[pair * 4], expected, 4) != 0) FAIL() << "pair " << pair;
    }
}

TEST_P(ConversionByOrder, Ycbcr444ConvertsBothWaysAsTheFormulasGive) {
    Translation translation(rgbList(GetParam()), ycbcrList(kWidth, 64, 1));
    const size_t pixels = size_t(kWidth) * 64;
    const std::vector<uint8_t> file = variedBytes(pixels * 3, 3);
    const std::vector<uint8_t> memory = translation.read(file, pixels * pixelBytes());
    ASSERT_EQ(memory.size(), pixels * pixelBytes());
    for (size_t i = 0; i < pixels; ++i) {
        const auto rgb = rgbReference(file[3 * i], file[3 * i + 1], file[3 * i + 2]);
        const uint8_t* pixel = &memory[i * pixelBytes()];
        ASSERT_EQ(pixel[at('R')], rgb[0]) << i;
        ASSERT_EQ(pixel[at('G')], rgb[1]) << i;
        ASSERT_EQ(pixel[at('B')], rgb[2]) << i;
    }

    const std::vector<uint8_t> source = variedBytes(pixels * pixelBytes(), 5);
    const std::vector<uint8_t> written = translation.write(source, pixels * 3);
    ASSERT_EQ(written.size(), pixels * 3);
    for (size_t i = 0; i < pixels; ++i) {
        const uint8_t* pixel = &source[i * pixelBytes()];
        const YCbCr expected = ycbcrReference(pixel[at('R')], pixel[at('G')], pixel[at('B')]);
        ASSERT_EQ(written[3 * i], expected.y) << i;
        ASSERT_EQ(written[3 * i + 1], expected.cb) << i;
        ASSERT_EQ(written[3 * i + 2], expected.cr) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(MemoryOrders, ConversionByOrder,
                         ::testing::Values("ARGB", "BGRA", "RGB", "BGR", "ARGBAAAA"),
                         [](const auto& info) { return info.param; });

TEST(Conversion, EveryYCbCrTripleReadsAsTheFormulasGive) {
    // All 2^24 (Y, Cb, Cr) values as 4:4:4 pixels, 4096 to a row.
    const int width = 4096, height = 4096;
    Translation translation(rgbList("ARGB"), ycbcrList(width, height, 1));
    std::vector<uint8_t> file(size_t(width) * height * 3);
    for (size_t i = 0; i < size_t(width) * height; ++i) {
        file[3 * i] = uint8_t(i >> 16), file[3 * i + 1] = uint8_t(i >> 8);
        file[3 * i + 2] = uint8_t(i);
    }
    const std::vector<uint8_t> memory = translation.read(file, size_t(width) * height * 4);
    ASSERT_EQ(memory.size(), size_t(width) * height * 4);
    for (size_t i = 0; i < size_t(width) * height; ++i) {
        const auto rgb = rgbReference(int(i >> 16), int(i >> 8 & 255), int(i & 255));
        const uint8_t expected[4] = {0, rgb[0], rgb[1], rgb[2]};
        if (std::memcmp(&memory[4 * i], expected, 4) != 0)
            FAIL() << "Y " << (i >> 16) << " Cb " << (i >> 8 & 255) << " Cr " << (i & 255);
    }
}

// Through the translator, whose calls end with pixels the vectors leave to
// the tables: every Cr and Y with every 17th Cb (0 and 255 among them).
TEST(Conversion, LumaAndChromaPairsReadAsTheFormulasGive) {
    Translation translation(rgbList("BGRA"), ycbcrList(512, 512));
    std::vector<uint8_t> file, memory;
    for (int cb = 0; cb < 256; cb += 17) {
        const size_t pairs = 65536 - size_t(cb % 8);
        file.resize(pairs * 4);
        for (size_t i = 0; i < pairs; ++i) {
            const uint8_t y = uint8_t(i), cr = uint8_t(i >> 8);
            const uint8_t pair[4] = {uint8_t(cb), y, cr, uint8_t(255 - y)};
            std::memcpy(&file[4 * i], pair, 4);
        }
        ASSERT_EQ(translation.run(true, file, memory, pairs * 8), 0);
        ASSERT_EQ(memory.size(), pairs * 8);
        for (size_t i = 0; i < 2 * pairs; ++i) {
            const uint8_t* pair = &file[i / 2 * 4];
            const auto rgb = rgbReference(pair[i % 2 == 0 ? 1 : 3], cb, pair[2]);
            const uint8_t expected[4] = {rgb[2], rgb[1], rgb[0], 0};
            if (std::memcmp(&memory[4 * i], expected, 4) != 0)
                FAIL() << "Cb " << cb << " Cr " << int(pair[2]) << " Y "
                       << int(pair[1 + 2 * (i % 2)]);
        }
    }
}

TEST(Conversion, RgbTriplesWriteAs422AsTheFormulasGive) {
    // Each (R, G, B) twice in a row, as the first and the second pixel of a
    // pair, for every 17th red value; ARGB with a non-zero alpha byte.
    Translation translation(rgbList("ARGB"), ycbcrList(512, 512));
    std::vector<uint8_t> memory, file;
    for (int red = 0; red < 256; red += 17) {
        const size_t pixels = 2 * 65536 - 2 * size_t(red % 8);
        memory.resize(pixels * 4);
        for (size_t i = 0; i < pixels; ++i) {
            const uint8_t pixel[4] = {uint8_t(i), uint8_t(red), uint8_t(i >> 9), uint8_t(i >> 1)};
            std::memcpy(&memory[4 * i], pixel, 4);
        }
        ASSERT_EQ(translation.run(false, memory, file, pixels * 2), 0);
        ASSERT_EQ(file.size(), pixels * 2);
        for (size_t i = 0; i < pixels; ++i) {
            const uint8_t* pixel = &memory[4 * i];
            const YCbCr expected = ycbcrReference(pixel[1], pixel[2], pixel[3]);
            const uint8_t chroma = i % 2 == 0 ? expected.cb : expected.cr;
            if (!(file[2 * i] == chroma && file[2 * i + 1] == expected.y))
                FAIL() << "R " << red << " G " << int(pixel[2]) << " B " << int(pixel[3])
                       << " pixel " << i;
        }
    }
}

TEST(Conversion, EveryRgbTripleWritesAsTheFormulasGive) {
    const int width = 4096, height = 4096;
    Translation translation(rgbList("RGB"), ycbcrList(width, height, 1));
    std::vector<uint8_t> memory(size_t(width) * height * 3);
    for (size_t i = 0; i < size_t(width) * height; ++i) {
        memory[3 * i] = uint8_t(i >> 16), memory[3 * i + 1] = uint8_t(i >> 8);
        memory[3 * i + 2] = uint8_t(i);
    }
    const std::vector<uint8_t> file = translation.write(memory, memory.size());
    ASSERT_EQ(file.size(), memory.size());
    for (size_t i = 0; i < size_t(width) * height; ++i) {
        const YCbCr expected = ycbcrReference(int(i >> 16), int(i >> 8 & 255), int(i & 255));
        if (!(file[3 * i] == expected.y && file[3 * i + 1] == expected.cb &&
              file[3 * i + 2] == expected.cr))
            FAIL() << "R " << (i >> 16) << " G " << (i >> 8 & 255) << " B " << (i & 255);
    }
}

// Every vector loop the processor runs, not only the widest the translator
// picks, against the formulas: all (Cb, Cr, Y), and all (R, G, B).
TEST(VectorLoops, EachDecodesEveryLumaWithEveryChromaPair) {
    const auto loops = ycbcr422ToRgbWordLoops();
    if (loops.empty()) GTEST_SKIP() << "no vector loops on this processor";
    const ComponentPlacement argb = placementOf(1, 2, 3);
    const size_t pairs = 65536;
    std::vector<uint8_t> file(pairs * 4), memory(pairs * 8);
    for (size_t loop = 0; loop < loops.size(); ++loop) {
        for (int cb = 0; cb < 256; ++cb) {
            for (size_t i = 0; i < pairs; ++i) {
                const uint8_t y = uint8_t(i), cr = uint8_t(i >> 8);
                const uint8_t pair[4] = {uint8_t(cb), y, cr, uint8_t(255 - y)};
                std::memcpy(&file[4 * i], pair, 4);
            }
            ASSERT_EQ(loops[loop](file.data(), memory.data(), 2 * pairs, argb), 2 * pairs);
            for (size_t i = 0; i < 2 * pairs; ++i) {
                const uint8_t* pair = &file[i / 2 * 4];
                const auto rgb = rgbReference(pair[i % 2 == 0 ? 1 : 3], cb, pair[2]);
                const uint8_t expected[4] = {0, rgb[0], rgb[1], rgb[2]};
                if (std::memcmp(&memory[4 * i], expected, 4) != 0)
                    FAIL() << "loop " << loop << " Cb " << cb << " Cr " << int(pair[2]) << " Y "
                           << int(pair[1 + 2 * (i % 2)]);
            }
        }
    }
}

TEST(VectorLoops, EachEncodesEveryRgbTriple) {
    const auto loops = rgbWordToYCbCr422Loops();
    if (loops.empty()) GTEST_SKIP() << "no vector loops on this processor";
    // BGRA: red, green and blue in bytes 2, 1 and 0, alpha in byte 3.
    const std::array<int, 3> bgra = {16, 8, 0};
    const size_t pixels = 2 * 65536;
    std::vector<uint8_t> memory(pixels * 4), file(pixels * 2);
    for (size_t loop = 0; loop < loops.size(); ++loop) {
        for (int red = 0; red < 256; ++red) {
            // Each (G, B) twice: as the first and as the second pixel of a pair.
            for (size_t i = 0; i < pixels; ++i) {
                const uint8_t pixel[4] = {uint8_t(i >> 9), uint8_t(i >> 1), uint8_t(red),
                                          uint8_t(i)};
                std::memcpy(&memory[4 * i], pixel, 4);
            }
            ASSERT_EQ(loops[loop](memory.data(), file.data(), pixels, bgra), pixels);
            for (size_t i = 0; i < pixels; ++i) {
                const uint8_t* pixel = &memory[4 * i];
                const YCbCr expected = ycbcrReference(red, pixel[1], pixel[0]);
                const uint8_t chroma = i % 2 == 0 ? expected.cb : expected.cr;
                if (!(file[2 * i] == chroma && file[2 * i + 1] == expected.y))
                    FAIL() << "loop " << loop << " R " << red << " G " << int(pixel[1]) << " B "
                           << int(pixel[0]);
            }
        }
    }
}

TEST(Conversion, KnownLevelsDecodeToBlackWhiteAndClampedColours) {
    Translation translation(rgbList("ARGB"), ycbcrList(4, 1));
    // Studio black and white with chroma 128 (c = d = 1, which lifts red and
    // blue by one step); then a corner of the chroma plane, where luma plus
    // a chroma term leaves 0..255 on both sides.
    const std::vector<uint8_t> file = {128, 16, 128, 235, 0, 255, 255, 0};
    const std::vector<uint8_t> memory = translation.read(file, 16);
    const std::vector<uint8_t> expected = {0, 1,   0,   1,  0, 255, 254, 255,
                                           0, 255, 224, 15, 0, 190, 0,   0};
    EXPECT_EQ(memory, expected);
}

TEST(Conversion, Ycbcr422And444ConvertBetweenEachOther) {
    Translation translation(ycbcrList(2, 1, 1), ycbcrList(2, 1, 2));
    EXPECT_TRUE(translation.active);
    EXPECT_EQ(translation.read({10, 20, 30, 40}, 6),
              (std::vector<uint8_t>{20, 10, 30, 40, 10, 30}));
    // Cb from the first pixel, Cr from the second.
    EXPECT_EQ(translation.write({20, 10, 11, 40, 12, 30}, 4),
              (std::vector<uint8_t>{10, 20, 30, 40}));
}

// ---- Component reordering --------------------------------------------------

TEST(Reordering, RgbBecomesArgbWithZeroAlphaAndBack) {
    FormatList file = rgbList("RGB");
    file.putInt16(kOmfPixelSize, 24);
    file.putRect(kOmfStoredRect, {0, 0, 2, 1});
    Translation translation(rgbList("ARGB"), file);
    EXPECT_TRUE(translation.active);
    EXPECT_EQ(translation.read({1, 2, 3, 4, 5, 6}, 8),
              (std::vector<uint8_t>{0, 1, 2, 3, 0, 4, 5, 6}));
    EXPECT_EQ(translation.write({9, 1, 2, 3, 9, 4, 5, 6}, 6),
              (std::vector<uint8_t>{1, 2, 3, 4, 5, 6}));

    Translation swapped(rgbList("BGRA"), file);
    EXPECT_EQ(swapped.read({1, 2, 3}, 4), (std::vector<uint8_t>{3, 2, 1, 0}));
}

// ---- Format lists ----------------------------------------------------------

TEST(FormatLists, ArgbMemoryOnYcbcr422MediaHasFourBytesPerPixel) {
    const FormatList file = ycbcrList(kWidth, 243, 2, kOmfSeparateFields);
    const FormatList memory = rgbList("ARGB");
    const PixelDescription description = describePixels(memory.data(), file.data());
    EXPECT_EQ(description.pixelFormat, kOmfPixRGBA);
    EXPECT_EQ(description.pixelBits, 32);
    EXPECT_EQ(description.componentOrder, "ARGB");
    // Items the memory list leaves out come from the file's.
    EXPECT_EQ(description.stored.xSize, kWidth);
    EXPECT_EQ(description.stored.ySize, 243);
    EXPECT_EQ(description.layout, kOmfSeparateFields);

    Translation translation(memory, file);
    omfInt64 bytes = 0;
    ASSERT_EQ(translation.translator->memoryBytes(omfInt64(kWidth) * 486 * 2, &bytes), 0);
    EXPECT_EQ(bytes, omfInt64(kWidth) * 486 * 4);
    ASSERT_EQ(translation.translator->fileBytes(omfInt64(kWidth) * 4 * 10, &bytes), 0);
    EXPECT_EQ(bytes, omfInt64(kWidth) * 2 * 10);
}

TEST(FormatLists, EachSideFillsTheOtherSidesGaps) {
    FormatList file;
    file.putInt32(kOmfPixelFormat, kOmfPixYUV);
    file.putInt16(kOmfPixelSize, 16);
    FormatList memory;
    memory.putRect(kOmfStoredRect, {0, 0, 64, 8});
    memory.putInt32(kOmfFrameLayout, kOmfFullFrame);
    memory.putInt32(kOmfLineLength, 256);

    const PixelDescription fileSide = describePixels(file.data(), memory.data());
    EXPECT_EQ(fileSide.stored.xSize, 64);
    EXPECT_EQ(fileSide.layout, kOmfFullFrame);
    EXPECT_EQ(fileSide.lineStride, 0) << "a stride describes its own buffer only";
    const PixelDescription memorySide = describePixels(memory.data(), file.data());
    EXPECT_EQ(memorySide.pixelFormat, kOmfPixYUV);
    EXPECT_EQ(memorySide.pixelBits, 16);
    EXPECT_EQ(memorySide.lineStride, 256);

    // An own entry wins over the other side's.
    FormatList wider = memory;
    wider.putRect(kOmfStoredRect, {0, 0, 32, 8});
    EXPECT_EQ(describePixels(file.data(), wider.data()).stored.xSize, 32);
    EXPECT_EQ(describePixels(ycbcrList(16, 2).data(), wider.data()).stored.xSize, 16);
}

TEST(FormatLists, PixelSizeComesFromSizesOrComponentLayoutWhenNotGiven) {
    const FormatList file = ycbcrList(16, 2);
    FormatList rgbOnly;
    rgbOnly.putInt32(kOmfPixelFormat, kOmfPixRGBA);
    EXPECT_EQ(describePixels(rgbOnly.data(), file.data()).pixelBits, 24) << "RGB, 8 bits each";

    FormatList wide;
    wide.putInt32(kOmfPixelFormat, kOmfPixYUV);
    wide.putInt32(kOmfCDCICompWidth, 10);
    wide.putInt32(kOmfCDCIHorizSubsampling, 2);
    EXPECT_EQ(describePixels(wide.data(), nullptr).pixelBits, 20);
    wide.putInt16(kOmfCDCIPadBits, 4);
    EXPECT_EQ(describePixels(wide.data(), nullptr).pixelBits, 24);
    wide.putInt32(kOmfCDCIHorizSubsampling, 1);
    EXPECT_EQ(describePixels(wide.data(), nullptr).pixelBits, 34);

    FormatList sized;
    sized.putInt32(kOmfPixelFormat, kOmfPixRGBA);
    const uint8_t bits[] = {5, 6, 5};
    sized.putBytes(kOmfRGBCompSizes, bits, 3);
    EXPECT_EQ(describePixels(sized.data(), nullptr).pixelBits, 16);
    sized.putInt16(kOmfPixelSize, 32);
    EXPECT_EQ(describePixels(sized.data(), nullptr).pixelBits, 32) << "code 7 comes first";
}

TEST(FormatLists, SameFormatsOnBothSidesNeedNoTranslation) {
    FormatList memory;
    memory.putInt32(kOmfPixelFormat, kOmfPixYUV);
    Translation translation(memory, ycbcrList(kWidth, kHeight));
    EXPECT_FALSE(translation.active);
    EXPECT_EQ(translation.read({1, 2, 3, 4}, 4), (std::vector<uint8_t>{1, 2, 3, 4}));

    FormatList strided = memory;
    strided.putInt32(kOmfLineLength, kWidth * 2 + 16);
    EXPECT_TRUE(Translation(strided, ycbcrList(kWidth, kHeight)).active);
    FormatList fullFrame = memory;
    fullFrame.putInt32(kOmfFrameLayout, kOmfFullFrame);
    EXPECT_TRUE(Translation(fullFrame, ycbcrList(kWidth, 243, 2, kOmfSeparateFields)).active);
}

TEST(FieldOrder, ComesFromTheLineMap) {
    struct Case {
        omfInt32 first, second, order;
    } cases[] = {{16, 278, 1}, {400, 278, 1}, {0, 278, 1}, {21, 238, 0}, {300, 238, 0},
                 {22, 279, 0}, {500, 279, 0}, {10, 20, 0}, {20, 10, 1},  {15, 15, 1}};
    for (const Case& c : cases) {
        for (int layout : {kOmfSeparateFields, kOmfMixedFields}) {
            const FormatList list = ycbcrList(8, 2, 2, layout, c.first, c.second);
            EXPECT_EQ(describePixels(list.data(), nullptr).fieldOrder, c.order)
                << c.first << ", " << c.second << " layout " << layout;
        }
    }
    const FormatList frame = ycbcrList(8, 2, 2, kOmfFullFrame, 16, 278);
    EXPECT_EQ(describePixels(frame.data(), nullptr).fieldOrder, 0) << "one field per frame";
}

// ---- Fields and strides ----------------------------------------------------

// Rows of `width` 4:2:2 pixels whose every byte is the row number.
std::vector<uint8_t> numberedRows(int width, int rows) {
    std::vector<uint8_t> bytes;
    for (int row = 0; row < rows; ++row)
        bytes.insert(bytes.end(), size_t(width) * 2, uint8_t(row));
    return bytes;
}

std::vector<int> rowNumbers(const std::vector<uint8_t>& bytes, size_t rowBytes) {
    std::vector<int> rows;
    for (size_t at = 0; at + rowBytes <= bytes.size(); at += rowBytes) {
        const bool uniform =
            std::all_of(bytes.begin() + long(at), bytes.begin() + long(at + rowBytes),
                        [&](uint8_t b) { return b == bytes[at]; });
        rows.push_back(uniform ? bytes[at] : -1);
    }
    return rows;
}

FormatList frameMemory() {
    FormatList memory;
    memory.putInt32(kOmfFrameLayout, kOmfFullFrame);
    return memory;
}

TEST(Fields, SeparatedFieldsInterleaveIntoOneFrameAndBack) {
    const int width = 6, fieldRows = 3;
    const FormatList file = ycbcrList(width, fieldRows, 2, kOmfSeparateFields, 16, 17);
    Translation translation(frameMemory(), file);
    EXPECT_TRUE(translation.active);
    const std::vector<uint8_t> fields = numberedRows(width, 2 * fieldRows);
    const std::vector<uint8_t> frame = translation.read(fields, fields.size());
    EXPECT_EQ(rowNumbers(frame, width * 2), (std::vector<int>{0, 3, 1, 4, 2, 5}));
    EXPECT_EQ(translation.write(frame, frame.size()), fields);
}

TEST(Fields, FieldOrderOneStartsTheFrameWithTheSecondField) {
    const int width = 4, fieldRows = 3;
    const FormatList file = ycbcrList(width, fieldRows, 2, kOmfSeparateFields, 16, 278);
    Translation translation(frameMemory(), file);
    const std::vector<uint8_t> fields = numberedRows(width, 2 * fieldRows);
    const std::vector<uint8_t> frame = translation.read(fields, fields.size());
    EXPECT_EQ(rowNumbers(frame, width * 2), (std::vector<int>{3, 0, 4, 1, 5, 2}));
    EXPECT_EQ(translation.write(frame, frame.size()), fields);
}

TEST(Fields, MixedFieldsMoveLikeAFullFrame) {
    const FormatList file = ycbcrList(4, 3, 2, kOmfMixedFields, 16, 278);
    Translation translation(frameMemory(), file);
    EXPECT_FALSE(translation.active);
    const std::vector<uint8_t> rows = numberedRows(4, 6);
    EXPECT_EQ(translation.read(rows, rows.size()), rows);
}

TEST(Fields, ASingleFieldShowsAsAFrameOfEachRowTwice) {
    const int width = 6, fieldRows = 3;
    const size_t rowBytes = size_t(width) * 2;
    Translation translation(frameMemory(), ycbcrList(width, fieldRows, 2, kOmfOneField));
    EXPECT_TRUE(translation.active);
    const std::vector<uint8_t> field = numberedRows(width, fieldRows);
    const std::vector<uint8_t> frame = translation.read(field, 2 * field.size());
    EXPECT_EQ(rowNumbers(frame, rowBytes), (std::vector<int>{0, 0, 1, 1, 2, 2}));
    std::vector<uint8_t> out;
    EXPECT_EQ(translation.run(true, field, out, 2 * field.size() - 1), OM_ERR_SAMPLE_TOO_LARGE);
    omfInt64 bytes = 0;
    ASSERT_EQ(translation.translator->memoryBytes(omfInt64(field.size()), &bytes), 0);
    EXPECT_EQ(bytes, omfInt64(2 * field.size()));

    // Writing keeps the frame's even lines, the first field's; an odd last line is one of them.
    for (int lines : {6, 5}) {
        const std::vector<uint8_t> written = translation.write(numberedRows(width, lines), 1024);
        EXPECT_EQ(rowNumbers(written, rowBytes), (std::vector<int>{0, 2, 4})) << lines;
        ASSERT_EQ(translation.translator->fileBytes(omfInt64(rowBytes) * lines, &bytes), 0);
        EXPECT_EQ(bytes, omfInt64(rowBytes) * 3) << lines;
    }
}

TEST(Fields, ASingleFieldConvertsAndSpreadsToTheStrideOnEachOfItsLines) {
    const int width = 2, fieldRows = 2, stride = 12;
    FormatList memory = rgbList("ARGB");
    memory.putInt32(kOmfFrameLayout, kOmfFullFrame);
    memory.putInt32(kOmfLineLength, stride);
    Translation translation(memory, ycbcrList(width, fieldRows, 2, kOmfOneField));
    const std::vector<uint8_t> field = {128, 235, 128, 235, 128, 16, 128, 16};
    omfInt64 bytes = 0;
    ASSERT_EQ(translation.translator->memoryBytes(omfInt64(field.size()), &bytes), 0);
    EXPECT_EQ(bytes, 2 * fieldRows * stride);
    const std::vector<uint8_t> frame = translation.read(field, size_t(bytes));
    std::vector<uint8_t> expected;
    for (int y : {235, 235, 16, 16}) {
        const auto rgb = rgbReference(y, 128, 128);
        for (int pixel = 0; pixel < width; ++pixel)
            expected.insert(expected.end(), {0, rgb[0], rgb[1], rgb[2]});
        expected.insert(expected.end(), stride - width * 4, 0xEE);
    }
    EXPECT_EQ(frame, expected);
}

TEST(Fields, ConversionAndInterleavingTogether) {
    const int width = 4, fieldRows = 2;
    FormatList memory = rgbList("ARGB");
    memory.putInt32(kOmfFrameLayout, kOmfFullFrame);
    Translation translation(memory, ycbcrList(width, fieldRows, 2, kOmfSeparateFields));
    // Each source row a different grey: Cb = Cr = 128, Y = 16 + 40 x row.
    std::vector<uint8_t> fields;
    for (int row = 0; row < 2 * fieldRows; ++row) {
        for (int pair = 0; pair < width / 2; ++pair) {
            const uint8_t y = uint8_t(16 + 40 * row);
            fields.insert(fields.end(), {128, y, 128, y});
        }
    }
    const std::vector<uint8_t> frame = translation.read(fields, size_t(width) * 4 * 4);
    ASSERT_EQ(frame.size(), size_t(width) * 4 * 4);
    const int sourceRowOfLine[] = {0, 2, 1, 3};
    for (int line = 0; line < 4; ++line) {
        const uint8_t grey = rgbReference(16 + 40 * sourceRowOfLine[line], 128, 128)[0];
        EXPECT_EQ(frame[size_t(line) * width * 4 + 1], grey) << line;
    }
    // Writing gathers the lines back into fields, converting each.
    const std::vector<uint8_t> back = translation.write(frame, fields.size());
    ASSERT_EQ(back.size(), fields.size());
    for (int row = 0; row < 4; ++row) {
        const int line = row < 2 ? 2 * row : 2 * (row - 2) + 1;
        const uint8_t* pixel = &frame[size_t(line) * width * 4];
        EXPECT_EQ(back[size_t(row) * width * 2 + 1], ycbcrReference(pixel[1], pixel[2], pixel[3]).y)
            << row;
    }
}

TEST(Strides, RowsSpreadToTheMemoryStride) {
    const int width = 4, rows = 3, stride = width * 2 + 5;
    FormatList memory;
    memory.putInt32(kOmfLineLength, stride);
    Translation translation(memory, ycbcrList(width, rows));
    EXPECT_TRUE(translation.active);
    const std::vector<uint8_t> packed = numberedRows(width, rows);
    const std::vector<uint8_t> spread = translation.read(packed, size_t(stride) * rows);
    ASSERT_EQ(spread.size(), size_t(stride) * rows);
    for (int row = 0; row < rows; ++row) {
        for (int i = 0; i < stride; ++i) {
            const uint8_t expected = i < width * 2 ? uint8_t(row) : 0xEE; // gap untouched
            EXPECT_EQ(spread[size_t(row) * stride + size_t(i)], expected) << row << ", " << i;
        }
    }
    omfInt64 bytes = 0;
    ASSERT_EQ(translation.translator->memoryBytes(omfInt64(packed.size()), &bytes), 0);
    EXPECT_EQ(bytes, stride * rows);
    ASSERT_EQ(translation.translator->fileBytes(omfInt64(stride) * rows, &bytes), 0);
    EXPECT_EQ(bytes, omfInt64(packed.size()));
}

TEST(Strides, ConvertedRowsSpreadToo) {
    const int width = 2, rows = 2, stride = 12;
    FormatList memory = rgbList("ARGB");
    memory.putInt32(kOmfLineLength, stride);
    Translation translation(memory, ycbcrList(width, rows));
    const std::vector<uint8_t> file = {128, 235, 128, 235, 128, 16, 128, 16};
    const std::vector<uint8_t> spread = translation.read(file, stride * rows);
    std::vector<uint8_t> expected;
    for (int y : {235, 16}) {
        const auto rgb = rgbReference(y, 128, 128);
        for (int pixel = 0; pixel < width; ++pixel)
            expected.insert(expected.end(), {0, rgb[0], rgb[1], rgb[2]});
        expected.insert(expected.end(), stride - width * 4, 0xEE);
    }
    EXPECT_EQ(spread, expected);
}

// ---- Refusals --------------------------------------------------------------

TEST(Refusals, ASourceWithALineStride) {
    FormatList memory;
    memory.putInt32(kOmfLineLength, 64);
    Translation translation(memory, ycbcrList(8, 2));
    std::vector<uint8_t> out;
    EXPECT_EQ(translation.run(false, std::vector<uint8_t>(128), out, 1024),
              OM_ERR_CANNOT_TRANSLATE);
    EXPECT_EQ(translation.run(true, std::vector<uint8_t>(32), out, 1024), 0) << "reading spreads";
}

TEST(Refusals, ASourcePixelThatIsNotWholeBytes) {
    FormatList file;
    file.putInt32(kOmfPixelFormat, kOmfPixYUV);
    file.putRect(kOmfStoredRect, {0, 0, 8, 2});
    file.putInt32(kOmfCDCICompWidth, 10);
    file.putInt32(kOmfCDCIHorizSubsampling, 2); // 20 bits per pixel
    Translation translation(rgbList("ARGB"), file);
    EXPECT_TRUE(translation.active);
    std::vector<uint8_t> out;
    EXPECT_EQ(translation.run(true, std::vector<uint8_t>(40), out, 1024), OM_ERR_CANNOT_TRANSLATE);
}

TEST(Refusals, AStrideShorterThanARow) {
    FormatList memory = rgbList("ARGB");
    memory.putInt32(kOmfLineLength, 8 * 4 - 1);
    Translation translation(memory, ycbcrList(8, 2));
    std::vector<uint8_t> out;
    EXPECT_EQ(translation.run(true, std::vector<uint8_t>(32), out, 1024), OM_ERR_CANNOT_TRANSLATE);
}

TEST(Refusals, LayoutPairsWithoutAFullFrame) {
    std::vector<uint8_t> out;
    for (auto [file, memory] : {std::pair{kOmfSeparateFields, kOmfOneField},
                                std::pair{kOmfOneField, kOmfSeparateFields}}) {
        FormatList memoryList;
        memoryList.putInt32(kOmfFrameLayout, memory);
        Translation translation(memoryList, ycbcrList(8, 2, 2, file));
        EXPECT_EQ(translation.run(true, std::vector<uint8_t>(64), out, 1024),
                  OM_ERR_CANNOT_TRANSLATE)
            << file << " -> " << memory;
    }
}

TEST(Refusals, PixelsTheConversionDoesNotHandle) {
    std::vector<uint8_t> out;
    FormatList sixteenBit;
    sixteenBit.putInt32(kOmfPixelFormat, kOmfPixRGBA);
    sixteenBit.putBytes(kOmfRGBCompLayout, "RGB", 3);
    const uint8_t bits[] = {5, 6, 5};
    sixteenBit.putBytes(kOmfRGBCompSizes, bits, 3);
    Translation rgb565(sixteenBit, ycbcrList(8, 2));
    EXPECT_EQ(rgb565.run(true, std::vector<uint8_t>(32), out, 1024), OM_ERR_CANNOT_TRANSLATE);
    EXPECT_EQ(rgb565.run(false, std::vector<uint8_t>(32), out, 1024), OM_ERR_CANNOT_TRANSLATE);

    FormatList padded = ycbcrList(8, 2);
    padded.putInt32(kOmfCDCICompWidth, 10);
    padded.putInt16(kOmfPixelSize, 24); // 10-bit 4:2:2 with 4 padding bits
    Translation tenBit(rgbList("ARGB"), padded);
    EXPECT_EQ(tenBit.run(true, std::vector<uint8_t>(48), out, 1024), OM_ERR_CANNOT_TRANSLATE);

    Translation noBlue(rgbList("ARG"), ycbcrList(8, 2));
    EXPECT_EQ(noBlue.run(true, std::vector<uint8_t>(32), out, 1024), OM_ERR_CANNOT_TRANSLATE);
}

TEST(Refusals, BuffersOfTheWrongSize) {
    Translation translation(rgbList("ARGB"), ycbcrList(8, 2));
    std::vector<uint8_t> out;
    EXPECT_EQ(translation.run(true, std::vector<uint8_t>(6), out, 1024), OM_ERR_CANNOT_TRANSLATE)
        << "half a pixel pair";
    EXPECT_EQ(translation.run(true, std::vector<uint8_t>(32), out, 63), OM_ERR_SAMPLE_TOO_LARGE);
    EXPECT_EQ(translation.run(true, std::vector<uint8_t>(32), out, 64), 0);

    Translation fields(frameMemory(), ycbcrList(8, 2, 2, kOmfSeparateFields));
    EXPECT_EQ(fields.run(true, std::vector<uint8_t>(16 * 3), out, 1024), OM_ERR_CANNOT_TRANSLATE)
        << "an odd number of rows has no two fields";
    EXPECT_EQ(fields.run(true, std::vector<uint8_t>(20), out, 1024), OM_ERR_CANNOT_TRANSLATE)
        << "part of a row";
}

TEST(Refusals, TranslatingBeforeTheFormatsAreSet) {
    auto translator = makePixelTranslator();
    std::vector<uint8_t> in(4), out(16);
    size_t produced = 0;
    EXPECT_EQ(translator->translate(true, in, out, false, &produced), OM_ERR_FORMATS_NOT_SET);
}

} // namespace
