// Frames read through the loaded plug-in as a host reads them, and the weaving of fields.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "frame_weaving.h"
#include "loaded_omf_plugin.h"
#include "picture_file_writer.h"
#include "tarsel/system/format_host.h"
#include "tarsel/system/image.h"
#include "tarsel/system/image_format.h"
#include "tarsel/system/preferences.h"

namespace {

using omfplugin::FieldInfo;
using omfplugin::FieldPlacement;
using omfplugin::PlaceFields;

constexpr uint32_t kOpaque = 65535;

// The pixel of stored 24-bit R G B frame `frame` at byte offset `offset`, as the host gets it.
Pixel StoredPixel(std::size_t offset, int frame) {
    return {plugin_test::FrameByte(offset + 2, frame) * 257u,
            plugin_test::FrameByte(offset + 1, frame) * 257u,
            plugin_test::FrameByte(offset, frame) * 257u, kOpaque};
}

class FrameLoadingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(OMFFormatClass(), nullptr);
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        path_ = ::testing::TempDir() + "frames_" + name + ".omf";
    }
    void TearDown() override { std::filesystem::remove(path_); }

    std::string path_;
    TarselDoc document_;
};

TEST_F(FrameLoadingTest, FullFramesArriveOpaqueWithTheirStoredValues) {
    constexpr int kWidth = 6, kHeight = 4;
    ASSERT_EQ(plugin_test::WritePictureFile(
                  path_, {{"Clip", kWidth, kHeight, kOmfFullFrame, {25, 1}, {4, 3}, 3}}, false),
              0);
    std::string error;
    auto host = FormatHost::Open(path_, &document_, &error);
    ASSERT_NE(host, nullptr) << error;
    ASSERT_EQ(host->FrameCount(), 3);
    for (int frame = 0; frame < 3; ++frame) {
        Image* image = host->LoadFrame(frame);
        ASSERT_NE(image, nullptr) << frame;
        ASSERT_EQ(image->Width(), kWidth);
        ASSERT_EQ(image->Height(), kHeight);
        for (int row = 0; row < kHeight; ++row) {
            for (int x = 0; x < kWidth; ++x) {
                EXPECT_EQ(image->FetchPixel(x, kHeight - 1 - row),
                          StoredPixel(3 * std::size_t(row * kWidth + x), frame))
                    << "frame " << frame << " row " << row << " x " << x;
            }
        }
        image->Recycle();
    }
    // Beyond the last frame nothing is read.
    EXPECT_EQ(host->LoadFrame(3), nullptr);
}

TEST_F(FrameLoadingTest, SeparateFieldsAreWovenFirstFieldOnEvenRows) {
    constexpr int kWidth = 4, kFieldRows = 3;
    ASSERT_EQ(
        plugin_test::WritePictureFile(
            path_, {{"Fields", kWidth, kFieldRows, kOmfSeparateFields, {25, 1}, {4, 3}, 1}}, false),
        0);
    std::string error;
    auto host = FormatHost::Open(path_, &document_, &error);
    ASSERT_NE(host, nullptr) << error;
    Image* image = host->LoadFrame(0);
    ASSERT_NE(image, nullptr);
    ASSERT_EQ(image->Height(), 2 * kFieldRows);
    for (int j = 0; j < kFieldRows; ++j) {
        for (int x = 0; x < kWidth; ++x) {
            const std::size_t first = 3 * std::size_t(j * kWidth + x);
            const std::size_t second = 3 * std::size_t((kFieldRows + j) * kWidth + x);
            EXPECT_EQ(image->FetchPixel(x, 2 * kFieldRows - 1 - 2 * j), StoredPixel(first, 0));
            EXPECT_EQ(image->FetchPixel(x, 2 * kFieldRows - 2 - 2 * j), StoredPixel(second, 0));
        }
    }
    image->Recycle();
}

// Fields woven by their line map: NTSC fields of 243 rows (lines 21 and 285) put the first field
// on the odd rows (f = 1, the second line is not before the first); PAL fields (lines 23 and
// 336) need a strictly earlier second line for that, so they keep it on the even rows.
TEST_F(FrameLoadingTest, FieldsOfALineMappedFrameLandAsTheStandardSays) {
    struct Case {
        omfRational_t rate;
        int fieldRows;
        omfInt16 firstLine;
        int f;
    };
    for (const Case& test : {Case{{30000, 1001}, 243, 21, 1}, Case{{25, 1}, 288, 23, 0}}) {
        SCOPED_TRACE(test.fieldRows);
        constexpr int kWidth = 4;
        plugin_test::TestMedia media{
            "Fields", kWidth, test.fieldRows, kOmfSeparateFields, test.rate, {4, 3}, 1};
        media.fieldOrder = 0;
        media.firstLine = test.firstLine;
        ASSERT_EQ(plugin_test::WritePictureFile(path_, {media}, false), 0);
        auto host = FormatHost::Open(path_, &document_);
        ASSERT_NE(host, nullptr);
        Image* image = host->LoadFrame(0);
        ASSERT_NE(image, nullptr);
        const int height = 2 * test.fieldRows;
        ASSERT_EQ(image->Height(), height);
        int wrong = 0;
        for (int j = 0; j < test.fieldRows; ++j) {
            for (int x = 0; x < kWidth; ++x) {
                const std::size_t first = 3 * std::size_t(j * kWidth + x);
                const std::size_t second = 3 * std::size_t((test.fieldRows + j) * kWidth + x);
                const int firstRow = 2 * j + test.f, secondRow = 2 * j + 1 - test.f;
                if (!(image->FetchPixel(x, height - 1 - firstRow) == StoredPixel(first, 0)))
                    ++wrong;
                if (!(image->FetchPixel(x, height - 1 - secondRow) == StoredPixel(second, 0)))
                    ++wrong;
            }
        }
        EXPECT_EQ(wrong, 0);
        image->Recycle();
    }
}

// A full frame or a single field has no second field to place: at NTSC and PAL rates alike its
// rows keep their order. A single field of 3 rows shows as a frame of 6, each row on two lines.
TEST_F(FrameLoadingTest, FullFramesAndSingleFieldsKeepTheirRowsInEveryStandard) {
    constexpr int kWidth = 4, kRows = 3;
    for (omfRational_t rate : {omfRational_t{30000, 1001}, omfRational_t{25, 1}}) {
        for (omfFrameLayout_t layout : {kOmfFullFrame, kOmfOneField}) {
            SCOPED_TRACE(testing::Message() << rate.numerator << " layout " << layout);
            ASSERT_EQ(plugin_test::WritePictureFile(
                          path_, {{"Rows", kWidth, kRows, layout, rate, {4, 3}, 1}}, false),
                      0);
            auto host = FormatHost::Open(path_, &document_);
            ASSERT_NE(host, nullptr);
            Image* image = host->LoadFrame(0);
            ASSERT_NE(image, nullptr);
            const int linesPerRow = layout == kOmfOneField ? 2 : 1;
            const int height = kRows * linesPerRow;
            ASSERT_EQ(image->Height(), height);
            int wrong = 0;
            for (int line = 0; line < height; ++line) {
                for (int x = 0; x < kWidth; ++x) {
                    const std::size_t stored = 3 * std::size_t(line / linesPerRow * kWidth + x);
                    if (!(image->FetchPixel(x, height - 1 - line) == StoredPixel(stored, 0)))
                        ++wrong;
                }
            }
            EXPECT_EQ(wrong, 0);
            image->Recycle();
            host.reset();
            std::filesystem::remove(path_);
        }
    }
}

TEST_F(FrameLoadingTest, FourFormatsReadingAtOnceGetTheFramesReadOneAtATime) {
    constexpr int kFrames = 6;
    ASSERT_EQ(plugin_test::WritePictureFile(
                  path_, {{"Clip", 16, 8, kOmfFullFrame, {25, 1}, {4, 3}, kFrames}}, false),
              0);
    auto pixels = [](Image* image) {
        std::vector<uint8_t> rgba(size_t(image->Width()) * image->Height() * 4);
        image->ToRGBA8(rgba.data(), image->Width() * 4);
        image->Recycle();
        return rgba;
    };
    std::vector<std::vector<uint8_t>> expected;
    {
        auto host = FormatHost::Open(path_, &document_);
        ASSERT_NE(host, nullptr);
        for (int frame = 0; frame < kFrames; ++frame) {
            Image* image = host->LoadFrame(frame);
            ASSERT_NE(image, nullptr);
            expected.push_back(pixels(image));
        }
    }
    constexpr int kThreads = 4;
    std::vector<std::unique_ptr<FormatHost>> hosts;
    for (int t = 0; t < kThreads; ++t) {
        hosts.push_back(FormatHost::Open(path_, &document_));
        ASSERT_NE(hosts.back(), nullptr);
    }
    std::vector<int> matches(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 5; ++round) {
                for (int frame = 0; frame < kFrames; ++frame) {
                    const int index = (frame + t) % kFrames;
                    if (Image* image = hosts[t]->LoadFrame(index)) {
                        if (pixels(image) == expected[index]) ++matches[t];
                    }
                }
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    for (int count : matches)
        EXPECT_EQ(count, 5 * kFrames);
}

TEST_F(FrameLoadingTest, JPEGMediaDecodesToAnOpaqueFrameOfTheStoredLevel) {
    constexpr int kWidth = 32, kHeight = 16;
    plugin_test::TestMedia jpeg{"JPEG", kWidth, kHeight, kOmfFullFrame, {25, 1}, {4, 3}, 2};
    jpeg.codecID = "JPEG";
    ASSERT_EQ(plugin_test::WritePictureFile(path_, {jpeg}, false), 0);
    auto host = FormatHost::Open(path_, &document_);
    ASSERT_NE(host, nullptr);
    Image* image = host->LoadFrame(1);
    ASSERT_NE(image, nullptr);
    ASSERT_EQ(image->Width(), kWidth);
    ASSERT_EQ(image->Height(), kHeight);
    // The stored pattern is noise to JPEG; compare the mean level of the picture.
    double stored = 0, read = 0;
    for (int row = 0; row < kHeight; ++row) {
        for (int x = 0; x < kWidth; ++x) {
            const Pixel expected = StoredPixel(3 * std::size_t(row * kWidth + x), 1);
            const Pixel got = image->FetchPixel(x, kHeight - 1 - row);
            stored += expected.R + expected.G + expected.B;
            read += got.R + got.G + got.B;
            EXPECT_EQ(got.A, kOpaque);
        }
    }
    EXPECT_NEAR(read / stored, 1.0, 0.05);
    image->Recycle();
}

TEST_F(FrameLoadingTest, ThirtyTwoBitMediaKeepItsAlpha) {
    constexpr int kWidth = 5, kHeight = 3;
    plugin_test::TestMedia media{"Alpha", kWidth, kHeight, kOmfFullFrame, {25, 1}, {4, 3}, 1};
    media.alpha = true;
    ASSERT_EQ(plugin_test::WritePictureFile(path_, {media}, false), 0);
    auto host = FormatHost::Open(path_, &document_);
    ASSERT_NE(host, nullptr);
    EXPECT_EQ(host->Format()->BitsPerPixel, 32);
    Image* image = host->LoadFrame(0);
    ASSERT_NE(image, nullptr);
    for (int row = 0; row < kHeight; ++row) {
        for (int x = 0; x < kWidth; ++x) {
            const std::size_t offset = 4 * std::size_t(row * kWidth + x);
            const Pixel expected{plugin_test::FrameByte(offset + 3, 0) * 257u,
                                 plugin_test::FrameByte(offset + 2, 0) * 257u,
                                 plugin_test::FrameByte(offset + 1, 0) * 257u,
                                 plugin_test::FrameByte(offset, 0) * 257u};
            EXPECT_EQ(image->FetchPixel(x, kHeight - 1 - row), expected) << row << " " << x;
        }
    }
    image->Recycle();
}

TEST(FieldPlacement, NTSCFollowsTheLineMapForKnownFieldOrders) {
    const omfRect_t area{0, 0, 720, 243};
    EXPECT_EQ(PlaceFields({1, 1, 2, 283, 21}, area, 243, area).Placement, 1);
    EXPECT_EQ(PlaceFields({1, 1, 2, 21, 283}, area, 243, area).Placement, 0);
    EXPECT_EQ(PlaceFields({1, 1, 2, 21, 21}, area, 243, area).Placement, 1);
    EXPECT_EQ(PlaceFields({1, 0, 2, 21, 283}, area, 243, area).Placement, 1);
    EXPECT_EQ(PlaceFields({1, 0, 2, 283, 21}, area, 243, area).Placement, 0);
    EXPECT_EQ(PlaceFields({1, 3, 1, 283, 21}, area, 243, area).Placement, 0);
}

TEST(FieldPlacement, NTSCWithUnknownOrderUsesTheDominanceCodeAndShiftsRows) {
    const omfRect_t full{0, 0, 720, 243};
    const FieldPlacement dominant = PlaceFields({1, 2, 1, 0, 0}, full, 243, full);
    EXPECT_EQ(dominant.Placement, 1);
    EXPECT_EQ(dominant.RowShift, 0);
    EXPECT_FALSE(dominant.Reverse);
    // Code 2: a sampled area short of the stored rows reads one row further down.
    const FieldPlacement shortArea = PlaceFields({1, 2, 2, 0, 0}, {0, 0, 720, 240}, 243, full);
    EXPECT_EQ(shortArea.Placement, 0);
    EXPECT_EQ(shortArea.RowShift, 1);
    EXPECT_FALSE(shortArea.Reverse);
    // The whole field sampled: a display area below the top reads one row up...
    EXPECT_EQ(PlaceFields({1, 2, 2, 0, 0}, full, 243, {0, 4, 720, 239}).RowShift, -1);
    // ...otherwise one row down, and the field dominance is reversed.
    const FieldPlacement reversed = PlaceFields({1, 2, 2, 0, 0}, full, 243, full);
    EXPECT_EQ(reversed.RowShift, 1);
    EXPECT_TRUE(reversed.Reverse);
}

TEST(FieldPlacement, OtherStandardsNeedAStrictlyLaterLine) {
    const omfRect_t area{0, 0, 720, 288};
    EXPECT_EQ(PlaceFields({2, 0, 2, 335, 23}, area, 288, area).Placement, 1);
    EXPECT_EQ(PlaceFields({2, 0, 2, 23, 23}, area, 288, area).Placement, 0);
    EXPECT_EQ(PlaceFields({2, 1, 2, 23, 335}, area, 288, area).Placement, 1);
    EXPECT_EQ(PlaceFields({2, 1, 2, 23, 23}, area, 288, area).Placement, 0);
    const FieldPlacement unknown = PlaceFields({0, 2, 2, 23, 335}, area, 288, area);
    EXPECT_EQ(unknown.Placement, 0);
    EXPECT_EQ(unknown.RowShift, 0);
    EXPECT_FALSE(unknown.Reverse);
}

TEST(StoreFrame, RowsBeyondTheBytesReadOrTheImageAreLeftAlone) {
    Image* image = Image::New(2, 2);
    ASSERT_NE(image, nullptr);
    const uint8_t bytes[12] = {10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120};
    omfplugin::FrameGeometry geometry;
    geometry.Layout = kOmfFullFrame;
    geometry.StoredWidth = 2;
    geometry.StoredHeight = 2;
    geometry.Sampled = {0, 0, 2, 2};
    geometry.Display = {0, 0, 2, 2};
    geometry.KeepAlpha = true;
    omfplugin::StoreFrame(bytes, sizeof bytes, geometry, {}, *image);
    // Top row: A R G B bytes become B, G, R, A; alpha kept for 32-bit media.
    EXPECT_EQ(image->FetchPixel(0, 1), (Pixel{40 * 257u, 30 * 257u, 20 * 257u, 10 * 257u}));
    EXPECT_EQ(image->FetchPixel(1, 1), (Pixel{80 * 257u, 70 * 257u, 60 * 257u, 50 * 257u}));
    // The second row needs 16 bytes; only 12 were read.
    EXPECT_EQ(image->FetchPixel(0, 0), Pixel{});
    // A row shift of -1: the first field's first row would start before the buffer and is
    // left alone; its second row reads the first bytes; the second field lies beyond them.
    Image* shifted = Image::New(2, 4);
    ASSERT_NE(shifted, nullptr);
    geometry.Layout = kOmfSeparateFields;
    omfplugin::StoreFrame(bytes, sizeof bytes, geometry, {0, -1, false}, *shifted);
    EXPECT_EQ(shifted->FetchPixel(0, 3), Pixel{});
    EXPECT_EQ(shifted->FetchPixel(0, 2), Pixel{});
    EXPECT_EQ(shifted->FetchPixel(0, 1), (Pixel{40 * 257u, 30 * 257u, 20 * 257u, 10 * 257u}));
    EXPECT_EQ(shifted->FetchPixel(0, 0), Pixel{});
    shifted->Recycle();
    image->Recycle();
}

} // namespace
