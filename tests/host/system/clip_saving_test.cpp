// A clip made for saving writes picture files that read back as the images written.
#include "tarsel/system/clip.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "tarsel/system/image.h"
#include "tarsel/tags.h"
#include "temp_dir.h"

extern "C" {
#include <libavutil/log.h>
}

namespace {

// A smooth picture (JPEG keeps it close) of 8-bit values with every channel varying.
Image* SmoothImage(int w, int h, bool opaque) {
    Image* image = Image::New(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image->StorePixel(x, y,
                              {uint32_t(x * 9 * 257), uint32_t(y * 15 * 257),
                               uint32_t((x + y) * 5 * 257),
                               opaque ? 65535u : uint32_t((200 - x - y) * 257)});
    return image;
}

// Largest channel difference between two images of the same size, or -1 when sizes differ.
long LargestDifference(const Image* a, const Image* b, bool withAlpha) {
    if (!a || !b || a->Width() != b->Width() || a->Height() != b->Height()) return -1;
    long largest = 0;
    for (int y = 0; y < a->Height(); ++y)
        for (int x = 0; x < a->Width(); ++x) {
            const Pixel p = a->FetchPixel(x, y), q = b->FetchPixel(x, y);
            largest = std::max({largest, std::labs(long(p.B) - long(q.B)),
                                std::labs(long(p.G) - long(q.G)), std::labs(long(p.R) - long(q.R)),
                                withAlpha ? std::labs(long(p.A) - long(q.A)) : 0L});
        }
    return largest;
}

Image* ReadBack(const std::string& path) {
    Clip* clip = new Clip(path.c_str(), false, nullptr);
    Image* image = clip->GetFrameTagList(0);
    clip->Recycle();
    return image;
}

class ClipSavingTest : public testing::Test {
  protected:
    static void SetUpTestSuite() { av_log_set_level(AV_LOG_FATAL); }
    void SetUp() override { saved = SmoothImage(24, 16, false); }
    void TearDown() override { saved->Recycle(); }

    // Saves frame 0 to `name` and reads it back.
    long RoundTrip(const std::string& name, bool withAlpha, const TagList* tags = nullptr) {
        Clip* clip = new Clip(dir.File(name).c_str(), true, nullptr);
        const bool written = clip->PutFrameTagList(0, saved, tags);
        clip->Recycle();
        if (!written) return -2;
        Image* back = ReadBack(dir.File(name));
        const long difference = LargestDifference(saved, back, withAlpha);
        if (back) back->Recycle();
        return difference;
    }

    TempDir dir;
    Image* saved = nullptr;
};

TEST_F(ClipSavingTest, LosslessKindsReadBackExactly) {
    // The test image holds 8-bit values (multiples of 257), which 8-bit files keep exactly.
    EXPECT_EQ(RoundTrip("a.png", true), 0);
    EXPECT_EQ(RoundTrip("a.tif", true), 0);
    EXPECT_EQ(RoundTrip("a.ppm", false), 0);
}

TEST_F(ClipSavingTest, SixteenBitPngKeepsEveryValue) {
    saved->StorePixel(3, 4, {1, 2, 65534, 12345});
    TagList tags;
    tags.Set(CLIP_BitsPerChannel, 16);
    EXPECT_EQ(RoundTrip("deep.png", true, &tags), 0);
    // An 8-bit file of the same image cannot hold those values.
    EXPECT_GT(RoundTrip("flat.png", true), 0);
}

TEST_F(ClipSavingTest, JpegStaysClose) {
    saved->Recycle();
    saved = SmoothImage(24, 16, true);
    const long difference = RoundTrip("a.jpg", false);
    EXPECT_GE(difference, 0);
    EXPECT_LE(difference, 6 * 257);
}

TEST_F(ClipSavingTest, FramesGoToNumberedFiles) {
    Clip* numbered = new Clip(dir.File("out.0009.png").c_str(), true, nullptr);
    EXPECT_EQ(numbered->FrameFileName(0), dir.File("out.0009.png"));
    EXPECT_EQ(numbered->FrameFileName(2), dir.File("out.0011.png"));
    EXPECT_TRUE(numbered->PutFrameTagList(1, saved));
    numbered->Recycle();
    EXPECT_TRUE(std::filesystem::exists(dir.File("out.0010.png")));

    Clip* plain = new Clip(dir.File("still.png").c_str(), true, nullptr);
    EXPECT_EQ(plain->FrameFileName(0), dir.File("still.png"));
    EXPECT_EQ(plain->FrameFileName(12), dir.File("still0012.png"));
    EXPECT_EQ(plain->FrameFileName(-1), "");
    plain->Recycle();
}

TEST(ClipFrameNames, NumbersAreTakenFromTheFileNameOnly) {
    struct Case {
        const char* path;
        int frame;
        const char* expected;
    };
    const Case cases[] = {
        {"/m/shot.0099.png", 1, "/m/shot.0100.png"},
        {"/m/shot.0099.png", 2, "/m/shot.0101.png"},
        {"/m/9999.tif", 1, "/m/10000.tif"},
        {"/m/take7", 3, "/m/take10"},
        {"/m/v2.5/still.png", 1, "/m/v2.5/still0001.png"}, // digits of a folder do not count
        {"/m/v2.5/noext", 2, "/m/v2.5/noext0002"},
        {"/m/a.1234567890123456789.png", 1, "/m/a.12345678901234567890001.png"}, // too long
        {"", 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        Clip* clip = new Clip(c.path, true, nullptr);
        EXPECT_EQ(clip->FrameFileName(c.frame), c.expected);
        clip->Recycle();
    }
}

TEST_F(ClipSavingTest, BadRequestsWriteNothing) {
    Clip* unknown = new Clip(dir.File("a.xyz").c_str(), true, nullptr);
    EXPECT_FALSE(unknown->PutFrameTagList(0, saved));
    EXPECT_FALSE(unknown->PutFrameTagList(0, nullptr));
    unknown->Recycle();
    Clip* nowhere = new Clip(dir.File("missing/folder/a.png").c_str(), true, nullptr);
    EXPECT_FALSE(nowhere->PutFrameTagList(0, saved));
    EXPECT_FALSE(nowhere->PutFrameTagList(-1, saved));
    nowhere->Recycle();
    Clip* reading = new Clip(dir.File("r.png").c_str(), false, nullptr);
    EXPECT_FALSE(reading->PutFrameTagList(0, saved));
    reading->Recycle();
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

} // namespace
