// Frames written through the loaded plug-in's saver with each codec, read back through its
// loader and compared with what was written: exactly for uncompressed R G B A, by PSNR where the
// codec compresses or subsamples.
#include <cstdio>
#include <utility>

#include "saver_fixture.h"

namespace {

using saver_test::ImageOwner;
using saver_test::SaveChoice;

// Lowest PSNR (dB) accepted for the JPEG codecs at quality 93 and for 4:2:2 media.
constexpr double kPSNRFloor = 35.0;

using Frames = std::vector<std::unique_ptr<ImageOwner>>;

class SaverRoundTrip : public saver_test::SaverTest {
  protected:
    template <typename Painter>
    Frames PaintFrames(int width, int height, int count, Painter paint) {
        Frames frames;
        for (int f = 0; f < count; ++f) {
            frames.push_back(std::make_unique<ImageOwner>(saver_test::MakeImage(
                width, height, [&](int x, int y) { return paint(x, y, f); })));
        }
        return frames;
    }

    // Saves the frames, reads every one back (empty when saving or opening failed).
    Frames RoundTrip(const SaveChoice& choice, const Frames& written) {
        std::vector<Image*> frames;
        for (const auto& frame : written)
            frames.push_back(frame->get());
        Frames read;
        if (!Save(choice, frames)) {
            ADD_FAILURE() << "saving failed: " << Messages();
            return read;
        }
        std::string error;
        auto reader = FormatHost::Open(path_, &document_, &error);
        if (!reader) {
            ADD_FAILURE() << error;
            return read;
        }
        EXPECT_EQ(reader->FrameCount(), int(written.size()));
        rate_ = reader->FrameRate();
        aspectX_ = reader->Format()->PixelAspectX;
        aspectY_ = reader->Format()->PixelAspectY;
        for (std::size_t f = 0; f < written.size(); ++f)
            read.push_back(std::make_unique<ImageOwner>(reader->LoadFrame(int32_t(f))));
        return read;
    }

    std::string Messages() const {
        std::string all;
        for (const auto& message : app_.LastMessages())
            all += message.Text + "\n";
        return all;
    }

    // Each frame read back is the one written below its first `lead` rows (those the media
    // keeps above its sampled picture), at a PSNR of at least the floor.
    void ExpectCloseFrames(const Frames& written, const Frames& read, const char* what) {
        ASSERT_EQ(read.size(), written.size());
        for (std::size_t f = 0; f < read.size(); ++f) {
            const Image* back = read[f]->get();
            const Image* sent = written[f]->get();
            ASSERT_NE(back, nullptr) << what << " frame " << f;
            ASSERT_EQ(back->Width(), sent->Width()) << what;
            const int lead = sent->Height() - back->Height();
            ASSERT_GE(lead, 0) << what;
            ImageOwner below(sent->CropOfImage(0, 0, sent->Width(), back->Height()));
            const double psnr = saver_test::PSNR(*below.get(), *back, 0, back->Height());
            std::printf("%s frame %zu: PSNR %.2f dB (%d rows above the picture)\n", what, f, psnr,
                        lead);
            EXPECT_GT(psnr, kPSNRFloor) << what << " frame " << f;
        }
    }

    double rate_ = 0, aspectX_ = 0, aspectY_ = 0;
};

TEST_F(SaverRoundTrip, RGBAKeepsEveryChannelExactly) {
    constexpr int kWidth = 13, kHeight = 7, kFrames = 3;
    const Frames written = PaintFrames(kWidth, kHeight, kFrames, saver_test::NoisePixel);
    const Frames read = RoundTrip({"RGBA"}, written);
    ASSERT_EQ(read.size(), size_t(kFrames));
    EXPECT_EQ(saved_.codecText, "RGBA");
    for (int f = 0; f < kFrames; ++f) {
        ASSERT_NE(read[f]->get(), nullptr);
        ASSERT_EQ(read[f]->get()->Width(), kWidth);
        ASSERT_EQ(read[f]->get()->Height(), kHeight);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                ASSERT_EQ(read[f]->get()->FetchPixel(x, y), saver_test::NoisePixel(x, y, f))
                    << f << " " << x << " " << y;
    }
}

TEST_F(SaverRoundTrip, FrameSizedCodecsKeepThePicture) {
    constexpr int kWidth = 64, kHeight = 48, kFrames = 2;
    auto smooth = [](int x, int y, int f) {
        return saver_test::SmoothPixel(x, y, f, kWidth, kHeight);
    };
    // TIFF has varieties: its list starts on JPEG.
    const std::pair<const char*, const char*> codecs[] = {
        {"JPEG", "JPEG"},
        {"CODEC_AVID_JFIF_VIDEO", "CODEC_AVID_JFIF_VIDEO"},
        {"MSM JPEG Codec", "MSM JPEG Codec"},
        {"TIFF", "TIFF:JPEG"},
        {"CDCI", "CDCI"}};
    for (const auto& [codec, codecText] : codecs) {
        SCOPED_TRACE(codec);
        std::filesystem::remove(path_);
        const Frames written = PaintFrames(kWidth, kHeight, kFrames, smooth);
        const Frames read = RoundTrip({codec}, written);
        EXPECT_EQ(saved_.codecText, codecText);
        EXPECT_EQ(saved_.layout, kOmfFullFrame);
        ExpectCloseFrames(written, read, codec);
        ASSERT_EQ(read[0]->get()->Height(), kHeight);
        // 64 x 48 square pixels are 4:3.
        EXPECT_EQ(saved_.aspect.numerator, 4);
        EXPECT_EQ(saved_.aspect.denominator, 3);
    }
}

// 29.97 is the NTSC rate, kept as its exact ratio (other rates in hundredths).
TEST_F(SaverRoundTrip, NTSCRateIsKeptAsItsExactRatio) {
    ImageOwner frame(
        saver_test::MakeImage(8, 8, [](int x, int y) { return saver_test::NoisePixel(x, y, 0); }));
    Frames one;
    one.push_back(std::make_unique<ImageOwner>(frame.get()));
    frame.image->Use();
    const Frames read = RoundTrip({"RGBA", nullptr, 29.97}, one);
    ASSERT_EQ(read.size(), 1u);
    EXPECT_DOUBLE_EQ(rate_, 30000.0 / 1001.0);
}

TEST_F(SaverRoundTrip, DisplayAspectOfNTSCPixelsIsFourToThree) {
    Image* frame = Image::New(720, 486, 0.9, 1.0);
    Frames one;
    one.push_back(std::make_unique<ImageOwner>(frame));
    const Frames read = RoundTrip({"RGBA"}, one);
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(saved_.aspect.numerator, 4);
    EXPECT_EQ(saved_.aspect.denominator, 3);
    // The loader turns the 4:3 aspect of 720 x 486 back into the pixel aspect.
    EXPECT_DOUBLE_EQ(aspectX_, 1.0);
    EXPECT_NEAR(aspectY_, 3.0 * 720 / (4.0 * 486), 1e-6);
}

// Rows alternate between two levels, so that fields read back in the wrong order or on the
// wrong rows cannot match; a gradient runs across.
Pixel FieldPixel(int x, int y, int frame, int height) {
    const int fromTop = height - 1 - y;
    const uint32_t base = (fromTop % 2 == 0 ? 200u : 50u) + uint32_t(frame * 3);
    const uint32_t level = (base + uint32_t(x) * 40u / 720u) * 257u;
    return {level, level, level, 65535};
}

struct ResolutionCase {
    const char* variety;
    double rate;
    int height;
    const char* codecText;
    omfInt32 layout;
};

TEST_F(SaverRoundTrip, AvidResolutionsKeepThePictureAndItsFields) {
    for (const ResolutionCase& item : {
             ResolutionCase{"Uncomp422", 29.97, 486, "AJPG:Uncomp422:NTSC", kOmfSeparateFields},
             ResolutionCase{"Uncomp422", 25.0, 576, "AJPG:Uncomp422:PAL", kOmfSeparateFields},
             ResolutionCase{"AVR12", 29.97, 486, "AJPG:AVR12:NTSC", kOmfSeparateFields},
             ResolutionCase{"AVR12", 25.0, 576, "AJPG:AVR12:PAL", kOmfSeparateFields},
             ResolutionCase{"JFIF3:1", 25.0, 576, "AJPG:JFIF3:1:PAL", kOmfSeparateFields},
             ResolutionCase{"JFIF2:1p", 29.97, 486, "AJPG:JFIF2:1p:NTSC", kOmfFullFrame},
             ResolutionCase{"JFIF2:1p", 25.0, 576, "AJPG:JFIF2:1p:PAL", kOmfFullFrame},
         }) {
        SCOPED_TRACE(item.codecText);
        std::filesystem::remove(path_);
        const int height = item.height;
        const Frames written = PaintFrames(
            720, height, 2, [height](int x, int y, int f) { return FieldPixel(x, y, f, height); });
        const Frames read = RoundTrip({"AJPG", item.variety, item.rate}, written);
        EXPECT_EQ(saved_.codecText, item.codecText);
        EXPECT_EQ(saved_.layout, item.layout);
        EXPECT_EQ(saved_.separateFields, item.layout == kOmfSeparateFields);
        ExpectCloseFrames(written, read, item.codecText);
    }
}

// The first field (rows 0, 2, 4 ... from the top) climbs in steps of 5 that start again every
// 32 field rows, so that a field row out of place cannot match; the second field is dark, so
// that it cannot pass for the first. A gradient runs across.
Pixel OneFieldPixel(int x, int y, int frame, int height) {
    const int fromTop = height - 1 - y;
    const uint32_t field = fromTop % 2 == 0 ? 40u + uint32_t(fromTop / 2 % 32) * 5u : 15u;
    const uint32_t level = (field + uint32_t(frame * 3) + uint32_t(x) * 30u / 720u) * 257u;
    return {level, level, level, 65535};
}

// One-field half-width media keeps the first field of the frame halved across, below the
// leading lines: 352 columns, the 720-column frame's 360 halved ones less 4 on each side. Read
// back, its sampled rows show as a frame of twice their count, each field row on two lines, with
// the pixel aspect that makes the 4:3 picture: the frame's rows 0, 0, 2, 2, 4, 4 ...
TEST_F(SaverRoundTrip, OneFieldResolutionsComeBackAsTheFirstFieldHalvedOnTwoRowsEach) {
    constexpr int kStoredWidth = 352, kSkipped = 4;
    struct Case {
        double rate;
        int height;
        int fieldRows, leadingLines;
        const char* codecText;
    };
    for (const Case& item : {Case{29.97, 486, 243, 5, "AJPG:JFIF2:1s:NTSC"},
                             Case{25.0, 576, 288, 8, "AJPG:JFIF2:1s:PAL"}}) {
        SCOPED_TRACE(item.codecText);
        std::filesystem::remove(path_);
        const int height = item.height;
        auto paint = [height](int x, int y, int f) { return OneFieldPixel(x, y, f, height); };
        const Frames written = PaintFrames(720, height, 2, paint);
        const Frames read = RoundTrip({"AJPG", "JFIF2:1s", item.rate}, written);
        EXPECT_EQ(saved_.codecText, item.codecText);
        EXPECT_EQ(saved_.layout, kOmfOneField);
        EXPECT_FALSE(saved_.separateFields);
        const int rows = 2 * (item.fieldRows - item.leadingLines);
        EXPECT_DOUBLE_EQ(aspectX_, 1.0);
        EXPECT_NEAR(aspectY_, 3.0 * kStoredWidth / (4.0 * rows), 1e-6);
        ASSERT_EQ(read.size(), written.size());
        for (std::size_t f = 0; f < read.size(); ++f) {
            const Image* back = read[f]->get();
            ASSERT_NE(back, nullptr) << "frame " << f;
            ASSERT_EQ(back->Width(), kStoredWidth);
            ASSERT_EQ(back->Height(), rows);
            // Row j shows frame row 2 (j / 2); column x the mean of frame columns 2 (x + 4)
            // and the one after.
            ImageOwner expected(saver_test::MakeImage(kStoredWidth, rows, [&](int x, int y) {
                const int frameY = height - 1 - 2 * ((rows - 1 - y) / 2);
                const Pixel a = paint(2 * (x + kSkipped), frameY, int(f));
                const Pixel b = paint(2 * (x + kSkipped) + 1, frameY, int(f));
                const uint32_t level = ((a.G >> 8) + (b.G >> 8) + 1) / 2 * 257u;
                return Pixel{level, level, level, 65535};
            }));
            const double psnr = saver_test::PSNR(*expected.get(), *back, 0, rows);
            std::printf("%s frame %zu: PSNR %.2f dB\n", item.codecText, f, psnr);
            EXPECT_GT(psnr, kPSNRFloor) << "frame " << f;
        }
    }
}

TEST_F(SaverRoundTrip, FilmRateTakesTheNTSCStandard) {
    ImageOwner frame(Image::New(720, 486));
    EXPECT_TRUE(Save({"AJPG", "AVR12", 24.0}, {frame.get()})) << Messages();
    EXPECT_EQ(saved_.codecText, "AJPG:AVR12:FILM");
    // A 720-row frame at 29.97 is film too; at 25 it is PAL, which the film standard could not
    // take.
    std::filesystem::remove(path_);
    ImageOwner tall(Image::New(720, 720));
    EXPECT_TRUE(Save({"AJPG", "AVR12", 29.97}, {tall.get()})) << Messages();
    EXPECT_EQ(saved_.codecText, "AJPG:AVR12:FILM");
    std::filesystem::remove(path_);
    EXPECT_TRUE(Save({"AJPG", "AVR12", 25.0}, {tall.get()})) << Messages();
    EXPECT_EQ(saved_.codecText, "AJPG:AVR12:PAL");
    // Rates of no standard are the resolution's to refuse.
    std::filesystem::remove(path_);
    EXPECT_FALSE(Save({"AJPG", "AVR12", 30.0}, {tall.get()}));
    EXPECT_EQ(Messages(), "OMF Error: 130\nOMFI_ERR: Illegal value for edit rate\n");
}

class SaverFrameSize : public saver_test::SaverTest {};

TEST_F(SaverFrameSize, AFrameOfAnotherSizeIsRefusedWithAMessage) {
    ImageOwner first(
        saver_test::MakeImage(13, 7, [](int x, int y) { return saver_test::NoisePixel(x, y, 0); }));
    ImageOwner narrow(Image::New(12, 7));
    ImageOwner short_(Image::New(13, 6));
    auto host = Saver({"RGBA"});
    ASSERT_NE(host, nullptr);
    ASSERT_TRUE(host->SaveHeader(first.get()));
    EXPECT_TRUE(host->SaveFrame(first.get()));
    EXPECT_FALSE(host->SaveFrame(narrow.get()));
    EXPECT_FALSE(host->SaveFrame(short_.get()));
    const auto messages = app_.LastMessages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].Text, "OMF Error: frame of 12x7 given for media of 13x7");
    EXPECT_EQ(messages[0].Category, MSG_Error);
    EXPECT_EQ(messages[1].Text, "OMF Error: frame of 13x6 given for media of 13x7");
    EXPECT_TRUE(host->SaveFrame(first.get()));
    // The host's image is only borrowed.
    EXPECT_EQ(first->UseCount(), 1);
    EXPECT_EQ(narrow->UseCount(), 1);
    ASSERT_TRUE(host->Format()->Close());
    host.reset();
    auto reader = FormatHost::Open(path_, &document_);
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(reader->FrameCount(), 2);
}

TEST_F(SaverFrameSize, AvidResolutionFramesOfAnySizeAreCutToThePicture) {
    ImageOwner small(Image::New(320, 240));
    ImageOwner wide(Image::New(1440, 486));
    auto host = Saver({"AJPG", "AVR12", 29.97});
    ASSERT_NE(host, nullptr);
    ASSERT_TRUE(host->SaveHeader(small.get()));
    EXPECT_TRUE(host->SaveFrame(small.get()));
    EXPECT_TRUE(host->SaveFrame(wide.get()));
    EXPECT_TRUE(app_.LastMessages().empty());
    EXPECT_EQ(small->UseCount(), 1);
    EXPECT_EQ(wide->UseCount(), 1);
}

TEST_F(SaverFrameSize, WithoutHeaderNothingIsWritten) {
    ImageOwner frame(Image::New(4, 4));
    auto host = Saver({"RGBA"});
    ASSERT_NE(host, nullptr);
    EXPECT_FALSE(host->SaveFrame(frame.get()));
    EXPECT_FALSE(host->SaveFrame(nullptr));
}

} // namespace

namespace {

class SaverFiles : public saver_test::SaverTest {};

TEST_F(SaverFiles, ASecondHeaderFinishesTheFirstFile) {
    saver_test::ImageOwner frame(
        saver_test::MakeImage(6, 4, [](int x, int y) { return saver_test::NoisePixel(x, y, 0); }));
    const std::string second = path_ + ".second.omf";
    auto host = Saver({"RGBA"});
    ASSERT_NE(host, nullptr);
    ASSERT_TRUE(host->SaveHeader(frame.get()));
    ASSERT_TRUE(host->SaveFrame(frame.get()));
    ASSERT_TRUE(host->Format()->SaveHeader(second.c_str(), frame.get()));
    ASSERT_TRUE(host->SaveFrame(frame.get()));
    ASSERT_TRUE(host->SaveFrame(frame.get()));
    host.reset();
    for (const auto& [path, frames] : {std::pair{path_, 1}, std::pair{second, 2}}) {
        auto reader = FormatHost::Open(path, &document_);
        ASSERT_NE(reader, nullptr) << path;
        EXPECT_EQ(reader->FrameCount(), frames) << path;
    }
    std::filesystem::remove(second);
}

TEST_F(SaverFiles, AFileThatCannotBeCreatedIsReported) {
    saver_test::ImageOwner frame(Image::New(4, 4));
    auto host = Saver({"RGBA"});
    ASSERT_NE(host, nullptr);
    ASSERT_TRUE(host->ApplyRequest());
    EXPECT_FALSE(host->Format()->SaveHeader("/nonexistent/folder/out.omf", frame.get()));
    const auto messages = app_.LastMessages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].Text, "OMF Error: 18\nOMFI_ERR: Cannot open file");
    EXPECT_FALSE(host->SaveFrame(frame.get()));
    // The control: the same request and frame in a folder that exists.
    EXPECT_TRUE(host->Format()->SaveHeader(path_.c_str(), frame.get()));
    EXPECT_TRUE(host->SaveFrame(frame.get()));
}

} // namespace
