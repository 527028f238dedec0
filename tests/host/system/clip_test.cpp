// Behaviour of Clip on pictures, numbered sequences, movies and files it cannot read.
#include "tarsel/system/clip.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <iterator>
#include <thread>

#include "media_writer.h"
#include "tarsel/system/image.h"
#include "temp_dir.h"

extern "C" {
#include <libavutil/log.h>
}

namespace {

using testmedia::Picture8;

// A picture whose every pixel differs, with a per-picture seed and varying alpha.
Picture8 Pattern(int w, int h, int seed) {
    Picture8 p{w, h, std::vector<uint8_t>(std::size_t(w) * h * 4)};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* px = p.At(x, y);
            px[0] = uint8_t(x * 13 + seed * 29);
            px[1] = uint8_t(y * 17 + seed * 7);
            px[2] = uint8_t((x + y) * 5 + seed);
            px[3] = uint8_t(255 - (x * 3 + y) % 200);
        }
    return p;
}

// Every pixel of the image matches the picture, 8-bit values widened by 257.
void ExpectMatches(const Image* image, const Picture8& picture) {
    ASSERT_NE(image, nullptr);
    ASSERT_EQ(image->Width(), picture.Width);
    ASSERT_EQ(image->Height(), picture.Height);
    int wrong = 0;
    for (int top = 0; top < picture.Height; ++top)
        for (int x = 0; x < picture.Width; ++x) {
            const uint8_t* px = picture.RGBA.data() + (std::size_t(top) * picture.Width + x) * 4;
            Pixel expected{px[2] * 257u, px[1] * 257u, px[0] * 257u, px[3] * 257u};
            if (!(image->FetchPixel(x, picture.Height - 1 - top) == expected)) ++wrong;
        }
    EXPECT_EQ(wrong, 0);
}

struct ImageHolder {
    Image* image;
    explicit ImageHolder(Image* i) : image(i) {}
    ~ImageHolder() {
        if (image) image->Recycle();
    }
};

struct ClipHolder {
    Clip* clip;
    explicit ClipHolder(const std::string& path) : clip(new Clip(path.c_str(), false, nullptr)) {}
    ~ClipHolder() { clip->Recycle(); }
    Clip* operator->() const { return clip; }
};

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class ClipTest : public testing::Test {
  protected:
    // Damaged files make FFmpeg complain at length; only its fatal messages are shown.
    static void SetUpTestSuite() { av_log_set_level(AV_LOG_FATAL); }
    TempDir dir;
};

TEST_F(ClipTest, PngPictureIsReadExactlyForEveryFrame) {
    const Picture8 picture = Pattern(17, 9, 1);
    const std::string path = dir.File("still.png");
    ASSERT_TRUE(testmedia::WritePng(path, picture));
    ClipHolder clip(path);
    ImageHolder first(clip->GetFrameTagList(0));
    ExpectMatches(first.image, picture);
    ImageHolder later(clip->GetFrameTagList(12));
    ExpectMatches(later.image, picture);
    EXPECT_NE(first.image, later.image); // each answer is the caller's own image
    EXPECT_EQ(clip->GetFrameTagList(-1), nullptr);
}

TEST_F(ClipTest, SixteenBitPngKeepsFullPrecision) {
    const int w = 5, h = 3;
    std::vector<uint16_t> rgba(w * h * 4);
    for (std::size_t i = 0; i < rgba.size(); ++i)
        rgba[i] = uint16_t(i * 4099 + 17);
    const std::string path = dir.File("deep.png");
    ASSERT_TRUE(testmedia::WritePng16(path, w, h, rgba));
    ClipHolder clip(path);
    ImageHolder image(clip->GetFrameTagList(0));
    ASSERT_NE(image.image, nullptr);
    std::vector<uint16_t> back(rgba.size());
    image.image->ToRGBA16(back.data(), w * 4);
    EXPECT_EQ(back, rgba);
}

TEST_F(ClipTest, NumberedPicturesFormASequence) {
    std::vector<Picture8> pictures;
    for (int i = 0; i < 3; ++i) {
        pictures.push_back(Pattern(8, 6, 10 + i));
        ASSERT_TRUE(testmedia::WritePng(dir.File("shot.00" + std::to_string(98 + i) + ".png"),
                                        pictures.back()));
    }
    // shot.0098 .. shot.0100: the number grows past its first width of digits.
    std::rename(dir.File("shot.00100.png").c_str(), dir.File("shot.0100.png").c_str());
    ClipHolder clip(dir.File("shot.0098.png"));
    for (int i = 0; i < 3; ++i) {
        ImageHolder frame(clip->GetFrameTagList(i));
        ExpectMatches(frame.image, pictures[i]);
    }
    EXPECT_EQ(clip->GetFrameTagList(3), nullptr);
    // Starting in the middle of the sequence numbers frames from there.
    ClipHolder middle(dir.File("shot.0099.png"));
    ImageHolder second(middle->GetFrameTagList(1));
    ExpectMatches(second.image, pictures[2]);
}

TEST_F(ClipTest, NumberedPictureWithoutNeighboursIsAStill) {
    const Picture8 picture = Pattern(4, 4, 3);
    const std::string path = dir.File("title1.png");
    ASSERT_TRUE(testmedia::WritePng(path, picture));
    ClipHolder clip(path);
    ImageHolder frame(clip->GetFrameTagList(5));
    ExpectMatches(frame.image, picture);
}

TEST_F(ClipTest, MovieFramesAreReadInAnyOrder) {
    std::vector<Picture8> frames;
    for (int i = 0; i < 40; ++i)
        frames.push_back(Pattern(16, 8, i));
    const std::string path = dir.File("movie.mkv");
    ASSERT_TRUE(testmedia::WriteMovie(path, frames, 25));
    ClipHolder clip(path);
    for (int i = 0; i < 5; ++i) {
        ImageHolder frame(clip->GetFrameTagList(i));
        ExpectMatches(frame.image, frames[i]);
    }
    for (int i : {33, 7, 7, 39, 0, 20, 21, 3}) {
        SCOPED_TRACE(i);
        ImageHolder frame(clip->GetFrameTagList(i));
        ExpectMatches(frame.image, frames[i]);
    }
    EXPECT_EQ(clip->GetFrameTagList(40), nullptr);
    ImageHolder again(clip->GetFrameTagList(38));
    ExpectMatches(again.image, frames[38]);
}

// Grey frames far apart: a wrong frame is off by at least 12 levels.
std::vector<Picture8> GreyRamp(int count) {
    std::vector<Picture8> frames;
    for (int i = 0; i < count; ++i) {
        frames.push_back({16, 16, std::vector<uint8_t>(16 * 16 * 4, uint8_t(10 + 12 * i))});
    }
    return frames;
}

void ExpectGreyFrames(Clip* clip, std::initializer_list<int> order) {
    for (int i : order) {
        SCOPED_TRACE(i);
        ImageHolder frame(clip->GetFrameTagList(i));
        ASSERT_NE(frame.image, nullptr);
        const long grey = long(frame.image->FetchPixel(8, 8).G) / 257;
        EXPECT_NEAR(grey, 10 + 12 * i, 4);
    }
}

TEST_F(ClipTest, KeyFrameMoviesSeekStraightToTheWantedFrame) {
    const std::string path = dir.File("keys.mkv");
    ASSERT_TRUE(testmedia::WriteMovie(path, GreyRamp(20), 25, testmedia::MovieCodec::MotionJpeg));
    ClipHolder clip(path);
    ExpectGreyFrames(clip.clip, {0, 1, 2, 17, 9, 10, 12, 19, 4, 5, 7});
    EXPECT_EQ(clip->GetFrameTagList(20), nullptr);
}

TEST_F(ClipTest, MoviesWithPredictedFramesDecodeFromTheirKeyFrame) {
    const std::string path = dir.File("gops.mkv");
    ASSERT_TRUE(testmedia::WriteMovie(path, GreyRamp(20), 25, testmedia::MovieCodec::Mpeg4));
    ClipHolder clip(path);
    // Jumps inside a group, across groups, backwards, and single steps.
    ExpectGreyFrames(clip.clip, {5, 6, 19, 13, 1, 11, 12, 14, 0, 18, 3, 4, 9});
    EXPECT_EQ(clip->GetFrameTagList(20), nullptr);
}

TEST_F(ClipTest, ThreadsShareOneClip) {
    std::vector<Picture8> frames;
    for (int i = 0; i < 12; ++i)
        frames.push_back(Pattern(8, 8, 40 + i));
    const std::string path = dir.File("shared.mkv");
    ASSERT_TRUE(testmedia::WriteMovie(path, frames, 24));
    ClipHolder clip(path);
    std::vector<std::thread> threads;
    std::atomic<int> good{0};
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int k = 0; k < 12; ++k) {
                const int frame = (k * 5 + t * 3) % 12;
                ImageHolder image(clip->GetFrameTagList(frame));
                Image* expected = Image::FromRGBA8(frames[frame].RGBA.data(), 8, 8, 32);
                bool same = image.image != nullptr;
                for (int y = 0; same && y < 8; ++y)
                    for (int x = 0; same && x < 8; ++x)
                        same = image.image->FetchPixel(x, y) == expected->FetchPixel(x, y);
                expected->Recycle();
                if (same) ++good;
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(good.load(), 48);
}

TEST_F(ClipTest, UnreadableFilesAnswerNull) {
    WriteBytes(dir.File("empty.png"), "");
    WriteBytes(dir.File("text.png"), "this is not a picture at all\n");
    WriteBytes(dir.File("noise.mov"), std::string(4096, '\x5a'));
    for (const char* name : {"missing.png", "empty.png", "text.png", "noise.mov", ""}) {
        SCOPED_TRACE(name);
        ClipHolder clip(*name ? dir.File(name) : std::string());
        EXPECT_EQ(clip->GetFrameTagList(0), nullptr);
        EXPECT_EQ(clip->GetFrameTagList(1), nullptr);
    }
    ClipHolder folder(dir.Path());
    EXPECT_EQ(folder->GetFrameTagList(0), nullptr);
    Clip* saving = new Clip(dir.File("text.png").c_str(), true, nullptr);
    EXPECT_EQ(saving->GetFrameTagList(0), nullptr);
    saving->Recycle();
}

TEST_F(ClipTest, TruncatedFilesNeverGiveMisshapenImages) {
    const std::string png = dir.File("whole.png");
    ASSERT_TRUE(testmedia::WritePng(png, Pattern(40, 30, 5)));
    std::vector<Picture8> frames(12, Pattern(32, 16, 2));
    const std::string movie = dir.File("whole.mkv");
    ASSERT_TRUE(testmedia::WriteMovie(movie, frames, 25));
    for (const std::string& source : {png, movie}) {
        const std::string bytes = ReadBytes(source);
        for (std::size_t cut : {bytes.size() / 3, bytes.size() / 2, bytes.size() - 7}) {
            const std::string path =
                dir.File("cut" + std::to_string(cut) + source.substr(source.size() - 4));
            WriteBytes(path, bytes.substr(0, cut));
            std::string damaged = bytes;
            for (std::size_t i = 64; i < damaged.size(); i += 97)
                damaged[i] ^= 0x5c;
            const std::string noisy =
                dir.File("noisy" + std::to_string(cut) + source.substr(source.size() - 4));
            WriteBytes(noisy, damaged);
            for (const std::string& bad : {path, noisy}) {
                ClipHolder clip(bad);
                for (int frame : {0, 5, 11, 2}) {
                    ImageHolder image(clip->GetFrameTagList(frame));
                    if (image.image) {
                        EXPECT_EQ(image.image->Width() * 1000 + image.image->Height(),
                                  source == png ? 40030 : 32016);
                    }
                }
            }
        }
    }
}

TEST_F(ClipTest, NamesAreFilesNeverPatternsOrPlaylists) {
    const Picture8 picture = Pattern(6, 5, 8);
    const std::string odd = dir.File("a%03d b:c.png");
    ASSERT_TRUE(testmedia::WritePng(odd, picture));
    ClipHolder clip(odd);
    ImageHolder image(clip->GetFrameTagList(0));
    ExpectMatches(image.image, picture);

    // A playlist naming a readable picture is not followed.
    const std::string target = dir.File("target.png");
    ASSERT_TRUE(testmedia::WritePng(target, picture));
    const std::string list = dir.File("list.m3u8");
    WriteBytes(list,
               "#EXTM3U\n#EXT-X-TARGETDURATION:1\n#EXTINF:1,\n" + target + "\n#EXT-X-ENDLIST\n");
    ClipHolder playlist(list);
    EXPECT_EQ(playlist->GetFrameTagList(0), nullptr);
}

TEST_F(ClipTest, ReferencesKeepTheClipAlive) {
    const std::string path = dir.File("shared.png");
    ASSERT_TRUE(testmedia::WritePng(path, Pattern(3, 3, 4)));
    Clip* clip = new Clip(path.c_str(), false, nullptr);
    clip->Use();
    EXPECT_EQ(clip->UseCount(), 2);
    clip->Recycle();
    ImageHolder image(clip->GetFrameTagList(0)); // still usable after one release
    EXPECT_NE(image.image, nullptr);
    EXPECT_EQ(clip->Path(), path);
    clip->Recycle();
}

} // namespace
