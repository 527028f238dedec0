// Shared set-up for the JPEG family tests: media created through the media
// calls on a new master and file mob, reopened for reading, scaled tables,
// and smooth test pictures with a measure of how far a decoded picture is
// from its source.
#pragma once

#include "video_codec_fixture.h"

#include "jpeg/jpeg_tables.h"
#include "omf/omf_error_codes.h"
#include "omf/omf_mobs.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace jpeg_test {

using namespace video_codec_test;

// An RGB picture of gradients and a disc with a soft edge: what a camera
// frame looks like to a JPEG coder, different for each seed.
inline std::vector<uint8_t> testPicture(int width, int height, int seed) {
    std::vector<uint8_t> rgb(size_t(width) * size_t(height) * 3);
    const double radius = height / 3.0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint8_t* p = &rgb[(size_t(y) * size_t(width) + size_t(x)) * 3];
            double dx = x - width / 2.0 - seed * 3, dy = y - height / 2.0;
            double inside =
                std::clamp((radius - std::sqrt(dx * dx + dy * dy)) / 8.0 + 0.5, 0.0, 1.0);
            p[0] = uint8_t(x * 200 / std::max(1, width - 1) + seed * 10);
            p[1] = uint8_t(y * 255 / std::max(1, height - 1));
            p[2] = uint8_t(40 + seed * 5 + inside * (150 - seed * 15));
        }
    }
    return rgb;
}

// Peak signal-to-noise ratio of `decoded` against `source` in dB (large
// for identical pictures).
inline double psnr(const std::vector<uint8_t>& source, const std::vector<uint8_t>& decoded) {
    double sum = 0;
    for (size_t i = 0; i < source.size(); ++i) {
        double d = double(source[i]) - double(decoded[i]);
        sum += d * d;
    }
    double mse = sum / double(source.size());
    return mse == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

// The memory format of 8-bit R, G, B pixels.
inline omfFormatEntry_t rgbEntries[] = {
    int32Entry(kOmfPixelFormat, kOmfPixRGBA), lettersEntry(kOmfRGBCompLayout, "RGB"),
    bytesEntry(kOmfRGBCompSizes, {8, 8, 8}), omfmFormatEntry(kOmfVFmtEnd)};

// A component's quantisation table scaled by `percent` as the media's tables.
inline void putScaledTables(omfMediaHdl_t media, int percent) {
    omf::codecs::jpeg::TableSet set = omf::codecs::jpeg::scaledTables(percent);
    for (omfUInt32 component = 0; component < 2; ++component) {
        omf::codecs::jpeg::ComponentTables& tables = set.components[component];
        uint8_t quant[64];
        for (int i = 0; i < 64; ++i)
            quant[i] = uint8_t(tables.quant[size_t(i)]);
        omfJPEGTables_t record{component,
                               quant,
                               tables.ac.data(),
                               tables.dc.data(),
                               64,
                               omfInt16(tables.ac.size()),
                               omfInt16(tables.dc.size())};
        ASSERT_EQ(omfmPutJPEGTables(media, sizeof record, &record), 0);
    }
}

class JpegMediaTest : public MediaRoundTripTest {
  protected:
    // Writes `frames` test pictures of width x height into new `media`,
    // closes it and reopens it (null when `media` is).
    omfMediaHdl_t writeAndReopenPictures(omfMediaHdl_t media, int width, int height, int frames,
                                         std::vector<std::vector<uint8_t>>* pictures,
                                         omfBool rawTransfer) {
        if (media == nullptr) return nullptr;
        for (int i = 0; i < frames; ++i) {
            pictures->push_back(testPicture(width, height, i));
            EXPECT_EQ(omfmWriteMediaSamples(media, 1, pictures->back().data(),
                                            omfInt32(pictures->back().size())),
                      0);
        }
        EXPECT_EQ(omfmCloseMedia(media), 0);
        return reopenMedia(rawTransfer);
    }

    // Reads frame `frame` (1-based) decoded into 8-bit RGB.
    std::vector<uint8_t> readRgb(omfMediaHdl_t media, omfInt64 frame, size_t bytes) {
        std::vector<uint8_t> rgb(bytes);
        EXPECT_EQ(omfmSetFrame(media, frame), 0);
        omfInt32 got = 0;
        EXPECT_EQ(omfmReadChannelSamples(media, 1, omfInt32(bytes), rgb.data(), &got), 0);
        EXPECT_EQ(size_t(got), bytes);
        return rgb;
    }

    // The stored bytes of frame `frame` of media opened for raw transfers.
    std::vector<uint8_t> readStored(omfMediaHdl_t media, omfInt64 frame) {
        omfFrameSizeInfo_t size{picture_, frame, 0};
        EXPECT_EQ(omfmGetInfo(media, kMediaInfoFrameSize, picture_, sizeof size, &size), 0);
        std::vector<uint8_t> bytes(size_t(size.frameSize));
        EXPECT_EQ(omfmSetFrame(media, frame), 0);
        omfInt32 got = 0;
        EXPECT_EQ(omfmReadChannelSamples(media, 1, omfInt32(bytes.size()), bytes.data(), &got), 0);
        EXPECT_EQ(size_t(got), bytes.size());
        return bytes;
    }
};

} // namespace jpeg_test
