// The saver's arithmetic: display aspect, video standard, the cut of Avid resolution frames, and
// frames packed into stored bytes with their fields apart.
#include <gtest/gtest.h>

#include <vector>

#include "frame_packing.h"
#include "save_geometry.h"
#include "tarsel/system/image.h"

namespace {

using omfplugin::ChooseSaveStandard;
using omfplugin::PackFrame;
using omfplugin::PackLayout;
using omfplugin::ReduceDisplayAspect;
using omfplugin::StoredPictureCrop;

void ExpectAspect(omfRational_t aspect, omfInt32 numerator, omfInt32 denominator) {
    EXPECT_EQ(aspect.numerator, numerator);
    EXPECT_EQ(aspect.denominator, denominator);
}

TEST(DisplayAspect, RoundedSidesAreReducedByTheLargestDivisorUpToHalfTheSmallerSide) {
    ExpectAspect(ReduceDisplayAspect(720, 486, 0.9, 1.0), 4, 3);    // 648 x 486
    ExpectAspect(ReduceDisplayAspect(720, 720, 1.0, 1.0), 2, 2);    // n stops at 360
    ExpectAspect(ReduceDisplayAspect(720, 576, 1.0, 0.9375), 4, 3); // 720 x 540
    ExpectAspect(ReduceDisplayAspect(1920, 1080, 1.0, 1.0), 16, 9);
    ExpectAspect(ReduceDisplayAspect(13, 7, 1.0, 1.0), 13, 7); // no common divisor
    ExpectAspect(ReduceDisplayAspect(3, 3, 1.0, 1.0), 3, 3);   // n starts below 2
    ExpectAspect(ReduceDisplayAspect(4, 4, 1.0, 1.0), 2, 2);   // n = 2 divides
    // Sides round half up: 10 x 0.85 = 8.5 gives 9.
    ExpectAspect(ReduceDisplayAspect(10, 6, 0.85, 1.0), 3, 2);
}

TEST(DisplayAspect, DegenerateSidesGiveZeroInsteadOfOverflowing) {
    ExpectAspect(ReduceDisplayAspect(0, 486, 1.0, 1.0), 0, 486);
    ExpectAspect(ReduceDisplayAspect(720, 486, -1.0, 1.0), 0, 486);
    const omfRational_t huge = ReduceDisplayAspect(65536, 2, 1e6, 1.0);
    EXPECT_EQ(huge.numerator, INT32_MAX);
}

TEST(SaveStandard, HeightAndRateChooseNTSCPALOrFilm) {
    EXPECT_STREQ(ChooseSaveStandard(486, 29.97).Suffix, "NTSC");
    EXPECT_EQ(ChooseSaveStandard(486, 29.97).Standard, omfplugin::kSaveStandardNTSC);
    EXPECT_STREQ(ChooseSaveStandard(576, 25.0).Suffix, "PAL");
    EXPECT_EQ(ChooseSaveStandard(576, 25.0).Standard, omfplugin::kSaveStandardPAL);
    // 25 frames a second is PAL at any height (the film standard cannot take it).
    EXPECT_STREQ(ChooseSaveStandard(1080, 25.0).Suffix, "PAL");
    EXPECT_EQ(ChooseSaveStandard(1080, 25.0).Standard, omfplugin::kSaveStandardPAL);
    EXPECT_STREQ(ChooseSaveStandard(486, 24.0).Suffix, "FILM");
    // Height limit: below 500 for NTSC.
    EXPECT_STREQ(ChooseSaveStandard(499, 29.97).Suffix, "NTSC");
    EXPECT_STREQ(ChooseSaveStandard(500, 29.97).Suffix, "FILM");
    EXPECT_STREQ(ChooseSaveStandard(599, 25.0).Suffix, "PAL");
    // Rate tolerances: within 0.1 of 29.97 and within 0.01 of 25.
    EXPECT_STREQ(ChooseSaveStandard(486, 30.06).Suffix, "NTSC");
    EXPECT_STREQ(ChooseSaveStandard(486, 30.08).Suffix, "FILM");
    EXPECT_STREQ(ChooseSaveStandard(576, 25.005).Suffix, "PAL");
    EXPECT_STREQ(ChooseSaveStandard(576, 25.02).Suffix, "FILM");
}

TEST(StoredPictureCut, FullFramesKeepTheSampledRowsAndCentreTheWidth) {
    // 800 x 600 image, media 720 wide with 480 rows, sampled from row 8.
    const omfplugin::CropRect crop =
        StoredPictureCrop(800, 600, kOmfFullFrame, 720, 480, omfRect_t{0, 8, 720, 472});
    EXPECT_EQ(crop.X, 40);
    EXPECT_EQ(crop.Y, 8 + 600 - 480);
    EXPECT_EQ(crop.Width, 720);
    EXPECT_EQ(crop.Height, 480);
}

TEST(StoredPictureCut, FieldsKeepEvenRowsAndBothFieldsHeight) {
    // 243 rows a field: 486 rows cut; a 480-row image leaves 6 spare rows.
    omfplugin::CropRect crop =
        StoredPictureCrop(720, 480, kOmfSeparateFields, 720, 243, omfRect_t{0, 5, 720, 238});
    EXPECT_EQ(crop.Y, 10 - 6);
    EXPECT_EQ(crop.Height, 486);
    // An odd number of spare rows is rounded down to even: 7 becomes 6.
    crop = StoredPictureCrop(720, 479, kOmfSeparateFields, 720, 243, omfRect_t{0, 5, 720, 238});
    EXPECT_EQ(crop.Y, 10 - 6);
    // A taller image leaves negative spare rows, rounded down too: -3 becomes -4.
    crop = StoredPictureCrop(720, 489, kOmfSeparateFields, 720, 243, omfRect_t{0, 5, 720, 238});
    EXPECT_EQ(crop.Y, 10 + 4);
    // A zero sampled width counts as the stored width; the sampled x offset moves the cut.
    crop = StoredPictureCrop(760, 486, kOmfSeparateFields, 720, 243, omfRect_t{4, 0, 0, 0});
    EXPECT_EQ(crop.X, 20 - 4);
}

// A 3 x 4 image whose pixel (x, row from the top) carries R = 10 row + x, G = 100 + R,
// B = 200 - R and A = 7 x, all in the high byte.
Image* NumberedImage(int width, int height) {
    Image* image = Image::New(width, height);
    for (int row = 0; row < height; ++row) {
        for (int x = 0; x < width; ++x) {
            const uint32_t r = uint32_t(10 * row + x);
            image->StorePixel(x, height - 1 - row,
                              {(200 - r) << 8 | 0x7F, (100 + r) << 8 | 0x80, r << 8 | 0xFF,
                               uint32_t(7 * x) << 8});
        }
    }
    return image;
}

std::vector<uint8_t> Pack(const Image& image, const PackLayout& layout) {
    std::vector<uint8_t> bytes(omfplugin::PackedFrameBytes(image.Width(), image.Height(), layout),
                               0xEE);
    EXPECT_TRUE(PackFrame(image, layout, bytes));
    return bytes;
}

// The R values of the packed rows, in order.
std::vector<int> PackedRowTags(const std::vector<uint8_t>& bytes, int width, int stride,
                               int offsetOfR) {
    std::vector<int> rows;
    for (std::size_t at = 0; at < bytes.size(); at += std::size_t(width) * stride)
        rows.push_back(bytes[at + offsetOfR]);
    return rows;
}

TEST(FramePacking, PixelsAreHighBytesInOrderARGBOrRGB) {
    Image* image = NumberedImage(3, 4);
    const std::vector<uint8_t> argb = Pack(*image, {true, false, false});
    ASSERT_EQ(argb.size(), 3u * 4 * 4);
    // Row 1 from the top, pixel 2: R = 12.
    const std::size_t at = (1 * 3 + 2) * 4;
    EXPECT_EQ(argb[at], 14);      // A
    EXPECT_EQ(argb[at + 1], 12);  // R
    EXPECT_EQ(argb[at + 2], 112); // G
    EXPECT_EQ(argb[at + 3], 188); // B
    const std::vector<uint8_t> rgb = Pack(*image, {false, false, false});
    ASSERT_EQ(rgb.size(), 3u * 4 * 3);
    EXPECT_EQ(rgb[(1 * 3 + 2) * 3], 12);
    EXPECT_EQ(rgb[(1 * 3 + 2) * 3 + 1], 112);
    EXPECT_EQ(rgb[(1 * 3 + 2) * 3 + 2], 188);
    EXPECT_EQ(PackedRowTags(rgb, 3, 3, 0), (std::vector<int>{0, 10, 20, 30}));
    image->Recycle();
}

TEST(FramePacking, FieldsGoOneAfterTheOtherEvenRowsFirstUnlessOddRowsLead) {
    Image* image = NumberedImage(2, 6);
    EXPECT_EQ(PackedRowTags(Pack(*image, {false, true, false}), 2, 3, 0),
              (std::vector<int>{0, 20, 40, 10, 30, 50}));
    EXPECT_EQ(PackedRowTags(Pack(*image, {false, true, true}), 2, 3, 0),
              (std::vector<int>{10, 30, 50, 0, 20, 40}));
    EXPECT_EQ(PackedRowTags(Pack(*image, {true, true, false}), 2, 4, 1),
              (std::vector<int>{0, 20, 40, 10, 30, 50}));
    image->Recycle();
    // An odd last row belongs to no field and stays zero.
    Image* odd = NumberedImage(2, 5);
    const std::vector<uint8_t> bytes = Pack(*odd, {false, true, false});
    EXPECT_EQ(PackedRowTags(bytes, 2, 3, 0), (std::vector<int>{0, 20, 10, 30, 0}));
    EXPECT_EQ(bytes.back(), 0);
    odd->Recycle();
}

TEST(FramePacking, ABufferOfAnotherSizeIsLeftAlone) {
    Image* image = NumberedImage(3, 4);
    const PackLayout layout{false, false, false};
    std::vector<uint8_t> exact(3 * 4 * 3, 0xEE);
    std::vector<uint8_t> shorter(3 * 4 * 3 - 1, 0xEE);
    std::vector<uint8_t> longer(3 * 4 * 3 + 1, 0xEE);
    EXPECT_TRUE(PackFrame(*image, layout, exact));
    EXPECT_FALSE(PackFrame(*image, layout, shorter));
    EXPECT_FALSE(PackFrame(*image, layout, longer));
    EXPECT_EQ(shorter, std::vector<uint8_t>(3 * 4 * 3 - 1, 0xEE));
    EXPECT_EQ(longer, std::vector<uint8_t>(3 * 4 * 3 + 1, 0xEE));
    image->Recycle();
}

TEST(FramePacking, FrameSizesBeyond31BitsAreZero) {
    const PackLayout argb{true, false, false};
    EXPECT_EQ(omfplugin::PackedFrameBytes(720, 486, argb), 720u * 486 * 4);
    EXPECT_EQ(omfplugin::PackedFrameBytes(0, 486, argb), 0u);
    EXPECT_EQ(omfplugin::PackedFrameBytes(65536, 8192, argb), 0u); // 2^31 bytes
    EXPECT_EQ(omfplugin::PackedFrameBytes(65536, 8191, argb), 65536u * 8191 * 4);
}

} // namespace
