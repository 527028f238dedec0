// omftool frames: picture media of master mobs written as image files,
// decoded again with FFmpeg and compared with the stored frames through the
// pixel conversion rules; master mob choice, frame ranges and numbering,
// patterns, progress and failures.
#include "file_info.h"
#include "frame_export.h"
#include "plugin_extract.h"
#include "picture_media_fixture.h"
#include "sample_container.h"

#include "tarsel/system/ffmpeg_owners.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <sys/wait.h>

namespace {

using omftool_test::frameBytes;
using omftool_test::standardMedia;
using omftool_test::TestPicture;

// ---- decoding the written files ---------------------------------------------

struct DecodedImage {
    int width = 0;
    int height = 0;
    AVPixelFormat format = AV_PIX_FMT_NONE; // as the file holds it
    std::vector<uint8_t> rgba;              // converted to R, G, B, A bytes, rows packed

    const uint8_t* at(int x, int y) const { return rgba.data() + (size_t(y) * width + x) * 4; }
};

DecodedImage decode(const std::string& path) {
    DecodedImage image;
    AVFormatContext* opened = nullptr;
    if (avformat_open_input(&opened, path.c_str(), nullptr, nullptr) < 0) {
        ADD_FAILURE() << "FFmpeg does not open " << path;
        return image;
    }
    FormatContextOwner input(opened);
    if (avformat_find_stream_info(input.get(), nullptr) < 0 || input->nb_streams != 1) {
        ADD_FAILURE() << "no picture stream in " << path;
        return image;
    }
    const AVCodecParameters* parameters = input->streams[0]->codecpar;
    const AVCodec* decoder = avcodec_find_decoder(parameters->codec_id);
    CodecContextOwner context(avcodec_alloc_context3(decoder));
    PacketOwner packet(av_packet_alloc());
    FrameOwner frame(av_frame_alloc());
    if (decoder == nullptr || avcodec_parameters_to_context(context.get(), parameters) < 0 ||
        avcodec_open2(context.get(), decoder, nullptr) < 0 ||
        av_read_frame(input.get(), packet.get()) < 0 ||
        avcodec_send_packet(context.get(), packet.get()) < 0 ||
        avcodec_send_packet(context.get(), nullptr) < 0 ||
        avcodec_receive_frame(context.get(), frame.get()) < 0) {
        ADD_FAILURE() << "cannot decode " << path;
        return image;
    }
    image.width = frame->width;
    image.height = frame->height;
    image.format = static_cast<AVPixelFormat>(frame->format);
    image.rgba.resize(size_t(image.width) * image.height * 4);
    // JPEG's full-range Y'CbCr, named to the scaler as its plain layout.
    const AVPixelFormat layout = image.format == AV_PIX_FMT_YUVJ444P   ? AV_PIX_FMT_YUV444P
                                 : image.format == AV_PIX_FMT_YUVJ422P ? AV_PIX_FMT_YUV422P
                                 : image.format == AV_PIX_FMT_YUVJ420P ? AV_PIX_FMT_YUV420P
                                                                       : image.format;
    ScalerOwner scaler(sws_getContext(
        image.width, image.height, layout, image.width, image.height, AV_PIX_FMT_RGBA,
        SWS_POINT | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT | SWS_BITEXACT, nullptr, nullptr,
        nullptr));
    if (layout != image.format) {
        int *inverse = nullptr, *table = nullptr;
        int sourceRange = 0, targetRange = 0, brightness = 0, contrast = 0, saturation = 0;
        sws_getColorspaceDetails(scaler.get(), &inverse, &sourceRange, &table, &targetRange,
                                 &brightness, &contrast, &saturation);
        sws_setColorspaceDetails(scaler.get(), inverse, 1, table, targetRange, brightness, contrast,
                                 saturation);
    }
    uint8_t* planes[4] = {image.rgba.data(), nullptr, nullptr, nullptr};
    const int strides[4] = {image.width * 4, 0, 0, 0};
    EXPECT_EQ(
        sws_scale(scaler.get(), frame->data, frame->linesize, 0, image.height, planes, strides),
        image.height);
    return image;
}

// ---- the pixels the frames must become ---------------------------------------

struct Rgb {
    int red, green, blue;
};

// Video levels 16..235 stretched to 0..255, rounded to nearest.
int fullRange(int value) {
    if (value <= 16) return 0;
    if (value >= 235) return 255;
    return int(std::floor((255.0 * value - 4080.0) / 219.0 + 0.5));
}

// Y'CbCr to RGB in 16.16 fixed point, then to full range.
Rgb fromYCbCr(int luma, int cb, int cr) {
    const int c = 2 * cr - 255;
    const int d = 2 * cb - 255;
    return {fullRange(luma + ((45941 * c + 32768) >> 16)),
            fullRange(luma + ((-23401 * c - 11277 * d + 32768) >> 16)),
            fullRange(luma + ((58065 * d + 32768) >> 16))};
}

// Pixel x of a stored 4:2:2 row (pairs Cb, Y0, Cr, Y1).
Rgb storedCdciPixel(const uint8_t* row, int x) {
    const uint8_t* pair = row + (x / 2) * 4;
    return fromYCbCr(x % 2 == 0 ? pair[1] : pair[3], pair[0], pair[2]);
}

// ---- running the command ------------------------------------------------------

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

class OmftoolFrames : public omftool_test::PictureMediaTest {
  protected:
    void SetUp() override {
        PictureMediaTest::SetUp();
        if (HasFatalFailure()) return;
        file_ = path("media.omf");
        writeMediaFile(file_, standardMedia());
        std::filesystem::create_directory(dir_ / "out");
    }

    // The picture master mobs' names in the order the file's mob table gives them, which is
    // the order --index counts (it follows the generated MobIDs, so it differs from file to
    // file).
    std::vector<std::string> pictureMastersInTableOrder() const {
        std::vector<std::string> names;
        omfProductIdentification_t ident{};
        ident.companyName = "test";
        ident.productName = "omftool_frames_test";
        omfSessionHdl_t session = nullptr;
        omfHdl_t file = nullptr;
        if (omfsStartSession(&ident, &session) != 0) return names;
        if (omfsOpenFileForRead(file_.c_str(), session, &file) == 0) {
            omfIterHdl_t iterator = nullptr;
            omfiMobOpenSearch(file, &iterator);
            omfSearchCrit_t criteria{};
            criteria.searchTag = kOmfByMobKind;
            criteria.tags.mobKind = kMasterMob;
            omfObject_t mob = nullptr;
            while (omfiNextMatchingMob(iterator, &criteria, &mob) == 0) {
                char text[64] = {};
                if (omfiMobGetName(file, mob, sizeof text, text) != 0) continue;
                for (const TestPicture& picture : standardMedia())
                    if (picture.masterName == text) names.push_back(text);
            }
            omfiSearchDispose(file, iterator);
            omfsCloseOMFFile(file);
        }
        omfsFinishSession(session);
        return names;
    }

    omftool::FramesOptions byName(const std::string& name, const std::string& pattern) const {
        omftool::FramesOptions options;
        options.file = file_;
        options.mob.name = name;
        options.pattern = path(pattern);
        return options;
    }

    omftool::FramesOptions byIndex(int64_t index, const std::string& pattern) const {
        omftool::FramesOptions options = byName("", pattern);
        options.mob.index = index;
        return options;
    }

    static Outcome run(const omftool::FramesOptions& options) {
        std::ostringstream out, err;
        Outcome result;
        result.status = omftool::runFrames(options, out, err);
        result.out = out.str();
        result.err = err.str();
        return result;
    }

    // The names of the files in out/, sorted.
    std::vector<std::string> written() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir_ / "out"))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    static const TestPicture& testPicture(const std::string& name) {
        for (const TestPicture& picture : standardMedia()) {
            if (picture.masterName == name) return picture;
        }
        throw std::logic_error("no media " + name);
    }

    // Checks a decoded CDCI frame against stored frame `frame` of `media`,
    // separated fields woven: field 1 on even lines, field 2 on odd ones; a
    // single field with each row on two lines.
    // `area` (rows of the woven frame) is the part of the frame the image holds; empty: all.
    static void expectCdciFrame(const DecodedImage& image, const TestPicture& media, int frame,
                                omfRect_t area = {}) {
        const bool fields = media.layout == kOmfSeparateFields;
        const bool oneField = media.layout == kOmfOneField;
        if (area.xSize == 0)
            area = {0, 0, media.width, media.storedHeight * (fields || oneField ? 2 : 1)};
        ASSERT_EQ(image.width, area.xSize);
        ASSERT_EQ(image.height, area.ySize);
        EXPECT_EQ(image.format, AV_PIX_FMT_RGB24) << av_get_pix_fmt_name(image.format);
        const std::vector<uint8_t> stored = frameBytes(media.frameSize(), frame);
        const size_t rowBytes = size_t(media.width) * 2;
        for (int y = 0; y < image.height; ++y) {
            const int row = area.yOffset + y;
            const int storedRow = fields     ? (row % 2) * media.storedHeight + row / 2
                                  : oneField ? row / 2
                                             : row;
            for (int x = 0; x < image.width; ++x) {
                const Rgb want =
                    storedCdciPixel(stored.data() + storedRow * rowBytes, area.xOffset + x);
                const uint8_t* got = image.at(x, y);
                EXPECT_EQ((std::vector<int>{got[0], got[1], got[2]}),
                          (std::vector<int>{want.red, want.green, want.blue}))
                    << "frame " << frame << " pixel " << x << ", " << y;
            }
        }
    }

    std::string file_;
};

// ---- what the files hold --------------------------------------------------------

TEST_F(OmftoolFrames, ComponentVideoIsWrittenAsRgbOfTheConvertedValues) {
    const Outcome result = run(byName("cdci", "out/frame%04d.png"));
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(written(),
              (std::vector<std::string>{"frame0000.png", "frame0001.png", "frame0002.png"}));
    for (int frame = 0; frame < 3; ++frame) {
        SCOPED_TRACE("frame " + std::to_string(frame));
        expectCdciFrame(decode(path("out/frame000" + std::to_string(frame) + ".png")),
                        testPicture("cdci"), frame);
    }
    EXPECT_NE(result.out.find("frames 0 to 2 of master mob \"cdci\""), std::string::npos)
        << result.out;
    EXPECT_NE(result.out.find("8 x 4 RGB)"), std::string::npos) << result.out;
}

TEST_F(OmftoolFrames, SeparatedFieldsAreWrittenWovenIntoFullFrames) {
    const Outcome result = run(byName("fields", "out/f%d.png"));
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(written(), std::vector<std::string>{"f0.png"});
    expectCdciFrame(decode(path("out/f0.png")), testPicture("fields"), 0);
}

// frames, extract (the plug-in as a host reads) and info agree on the picture: the sampled area,
// here columns 1 to 4 and rows 1 and 2 of each field, so rows 2 to 5 of the woven frame.
TEST_F(OmftoolFrames, TheSampledAreaIsThePictureFramesExtractAndInfoAgreeOn) {
    const TestPicture sampled{"sampled", "CDCI", "", 6, 4, kOmfSeparateFields, 1, {1, 1, 4, 2}};
    omftool::FramesOptions options = byName("sampled", "out/s%d.png");
    options.file = path("sampled.omf");
    writeMediaFile(options.file, {sampled});
    const Outcome result = run(options);
    ASSERT_EQ(result.status, 0) << result.err;
    expectCdciFrame(decode(path("out/s0.png")), sampled, 0, {1, 2, 4, 4});
    EXPECT_NE(result.out.find("4 x 4 RGB, the sampled area at 1, 2 of the stored 6 x 8"),
              std::string::npos)
        << result.out;

    options.stored = true;
    options.pattern = path("out/whole%d.png");
    ASSERT_EQ(run(options).status, 0);
    expectCdciFrame(decode(path("out/whole0.png")), sampled, 0);
    options.raw = true;
    EXPECT_EQ(run(options).err, "omftool frames: --stored chooses the lines of decoded frames; "
                                "--raw writes each frame's stored bytes whole\n");

    omftool::ExtractOptions extract;
    extract.file = options.file;
    extract.pattern = path("out/e%d.png");
    extract.bits = 8;
    std::ostringstream out, err;
    ASSERT_EQ(omftool::runExtract(extract, out, err), 0) << err.str();
    const DecodedImage fromFrames = decode(path("out/s0.png"));
    const DecodedImage fromExtract = decode(path("out/e0.png"));
    ASSERT_EQ(fromExtract.width, fromFrames.width);
    ASSERT_EQ(fromExtract.height, fromFrames.height);
    for (int y = 0; y < fromFrames.height; ++y)
        for (int x = 0; x < fromFrames.width; ++x)
            EXPECT_EQ(std::memcmp(fromExtract.at(x, y), fromFrames.at(x, y), 3), 0) << x << ", " << y;

    nlohmann::json info;
    int error = 0;
    std::string message;
    ASSERT_TRUE(omftool::describeFile(options.file, info, error, message)) << message;
    EXPECT_EQ(info["media"][0]["pictureWidth"], 4);
    EXPECT_EQ(info["media"][0]["pictureHeight"], 4);
    EXPECT_EQ(info["media"][0]["sampledY"], 1);
}

TEST_F(OmftoolFrames, ASingleFieldIsWrittenAsAFrameOfEachRowTwice) {
    const TestPicture single{"single", "CDCI", "", 4, 3, kOmfOneField, 1};
    omftool::FramesOptions options = byName("single", "out/s%d.png");
    options.file = path("single.omf");
    writeMediaFile(options.file, {single});
    const Outcome result = run(options);
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(written(), std::vector<std::string>{"s0.png"});
    expectCdciFrame(decode(path("out/s0.png")), single, 0);
    EXPECT_NE(result.out.find("one field; 4 x 6 RGB"), std::string::npos) << result.out;
}

TEST_F(OmftoolFrames, RgbWithAlphaKeepsItsAlphaAndWithoutAlphaIsRgb) {
    for (const char* name : {"alpha", "opaque"}) {
        SCOPED_TRACE(name);
        const TestPicture& media = testPicture(name);
        const bool alpha = std::string(media.letters) == "ARGB";
        const Outcome result = run(byName(name, std::string("out/") + name + "%d.png"));
        ASSERT_EQ(result.status, 0) << result.err;
        for (int frame = 0; frame < media.frames; ++frame) {
            const DecodedImage image =
                decode(path(std::string("out/") + name + std::to_string(frame) + ".png"));
            ASSERT_EQ(image.width, media.width);
            ASSERT_EQ(image.height, media.storedHeight);
            EXPECT_EQ(image.format, alpha ? AV_PIX_FMT_RGBA : AV_PIX_FMT_RGB24)
                << av_get_pix_fmt_name(image.format);
            const std::vector<uint8_t> stored = frameBytes(media.frameSize(), frame);
            const size_t pixelBytes = media.bytesPerPixel();
            for (int pixel = 0; pixel < media.width * media.storedHeight; ++pixel) {
                const uint8_t* in = stored.data() + pixel * pixelBytes;
                const uint8_t* got = image.at(pixel % media.width, pixel / media.width);
                // Stored A, R, G, B or R, G, B; written R, G, B (, A).
                const std::vector<int> want = alpha ? std::vector<int>{in[1], in[2], in[3], in[0]}
                                                    : std::vector<int>{in[0], in[1], in[2], 255};
                EXPECT_EQ((std::vector<int>{got[0], got[1], got[2], got[3]}), want)
                    << "frame " << frame << " pixel " << pixel;
            }
        }
    }
}

TEST_F(OmftoolFrames, TheExtensionChoosesTheImageFormat) {
    struct Case {
        const char* extension;
        AVCodecID codec;
        int tolerance; // lossy formats come near the values
    };
    for (Case test : {Case{"tif", AV_CODEC_ID_TIFF, 0}, Case{"bmp", AV_CODEC_ID_BMP, 0},
                      Case{"ppm", AV_CODEC_ID_PPM, 0}, Case{"jpg", AV_CODEC_ID_MJPEG, 12}}) {
        SCOPED_TRACE(test.extension);
        omftool::FramesOptions options = byName("alpha", std::string("out/a%d.") + test.extension);
        options.count = 1;
        ASSERT_EQ(run(options).status, 0);
        const std::string file = path(std::string("out/a0.") + test.extension);
        AVFormatContext* opened = nullptr;
        ASSERT_GE(avformat_open_input(&opened, file.c_str(), nullptr, nullptr), 0);
        FormatContextOwner input(opened);
        ASSERT_GE(avformat_find_stream_info(input.get(), nullptr), 0);
        EXPECT_EQ(input->streams[0]->codecpar->codec_id, test.codec);
        const DecodedImage image = decode(file);
        const TestPicture& media = testPicture("alpha");
        ASSERT_EQ(image.width, media.width);
        const std::vector<uint8_t> stored = frameBytes(media.frameSize(), 0);
        int worst = 0;
        for (int pixel = 0; pixel < media.width * media.storedHeight; ++pixel) {
            const uint8_t* got = image.at(pixel % media.width, pixel / media.width);
            for (int channel = 0; channel < 3; ++channel)
                worst = std::max(worst, std::abs(got[channel] - stored[pixel * 4 + 1 + channel]));
        }
        EXPECT_LE(worst, test.tolerance);
    }
}

// ---- which frames, and their names ----------------------------------------------

TEST_F(OmftoolFrames, StartAndCountChooseTheFramesAndNumberTheFiles) {
    omftool::FramesOptions options = byName("cdci", "out/s%03d.png");
    options.start = 1;
    options.count = 1;
    Outcome result = run(options);
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(written(), std::vector<std::string>{"s001.png"});
    expectCdciFrame(decode(path("out/s001.png")), testPicture("cdci"), 1);

    // Without a count the frames run to the last.
    options = byName("cdci", "out/t%d.png");
    options.start = 1;
    result = run(options);
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(written(), (std::vector<std::string>{"s001.png", "t1.png", "t2.png"}));
    expectCdciFrame(decode(path("out/t2.png")), testPicture("cdci"), 2);
}

TEST_F(OmftoolFrames, FramesBeyondTheMediaAreRefusedBeforeAnyIsWritten) {
    for (auto [start, count] : {std::pair<int64_t, int64_t>{3, 1}, {2, 2}, {0, 4}}) {
        omftool::FramesOptions options = byName("cdci", "out/%d.png");
        options.start = start;
        options.count = count;
        const Outcome result = run(options);
        EXPECT_EQ(result.status, 2);
        EXPECT_EQ(result.err.rfind("OMF error 39: OMFI_ERR: Sample Index offset out of range\n", 0),
                  0u)
            << result.err;
        EXPECT_NE(result.err.find("the media holds 3 frames"), std::string::npos) << result.err;
    }
    EXPECT_TRUE(written().empty());
}

TEST_F(OmftoolFrames, IndexCountsOnlyPictureMasterMobsInMobTableOrder) {
    // The master mob without tracks is not counted.
    const std::vector<std::string> order = pictureMastersInTableOrder();
    ASSERT_EQ(order.size(), 4u);
    for (int index = 1; index <= 4; ++index) {
        const TestPicture& media = testPicture(order[std::size_t(index - 1)]);
        const std::string pattern = "out/i" + std::to_string(index) + "-%d.png";
        const Outcome result = run(byIndex(index, pattern));
        ASSERT_EQ(result.status, 0) << result.err;
        EXPECT_NE(result.out.find("master mob \"" + media.masterName + "\""), std::string::npos)
            << result.out;
        const DecodedImage image = decode(path("out/i" + std::to_string(index) + "-0.png"));
        EXPECT_EQ(image.width, media.width);
        if (media.codecID == std::string("CDCI")) expectCdciFrame(image, media, 0);
    }
}

// ---- failures -------------------------------------------------------------------

TEST_F(OmftoolFrames, UnknownMobsAndIndexesBeyondThePictureMobsAreNotFound) {
    const std::string notFound = "OMF error 139: OMFI_ERR: Mob does not exist in this file\n";
    Outcome result = run(byName("missing", "out/%d.png"));
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err.rfind(notFound, 0), 0u) << result.err;
    EXPECT_NE(result.err.find("\"missing\""), std::string::npos);

    // A master mob exists by this name, but it has no picture media.
    result = run(byName("no tracks", "out/%d.png"));
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err.rfind(notFound, 0), 0u) << result.err;

    result = run(byIndex(5, "out/%d.png"));
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err.rfind(notFound, 0), 0u) << result.err;
    EXPECT_NE(result.err.find("fewer than 5"), std::string::npos) << result.err;
    EXPECT_TRUE(written().empty());
}

TEST_F(OmftoolFrames, PatternsNeedExactlyOneIntegerConversionAndAnImageExtension) {
    struct Case {
        const char* pattern;
        const char* reason;
    };
    for (Case test :
         {Case{"out/frame.png", "no integer conversion"},
          Case{"out/%d-%d.png", "more than one conversion"},
          Case{"out/%s.png", "\"%s\" is not an integer conversion"},
          Case{"out/%n.png", "\"%n\" is not an integer conversion"},
          Case{"out/%99999d.png", "width"}, Case{"out/%d.xyz", "no image encoder for \".xyz\""},
          Case{"out/%d", "no extension"}}) {
        SCOPED_TRACE(test.pattern);
        const Outcome result = run(byName("cdci", test.pattern));
        EXPECT_EQ(result.status, 2);
        EXPECT_EQ(result.err.rfind("omftool frames: bad output pattern", 0), 0u) << result.err;
        EXPECT_NE(result.err.find(test.reason), std::string::npos) << result.err;
    }
    EXPECT_TRUE(written().empty());

    // "%%" is a percent sign, flags and precision are kept.
    omftool::FramesOptions options = byName("opaque", "out/100%%-%+.3d.png");
    ASSERT_EQ(run(options).status, 0);
    EXPECT_EQ(written(), std::vector<std::string>{"100%-+000.png"});
}

TEST_F(OmftoolFrames, FilesThatAreNotOmfAndFoldersThatDoNotExistFail) {
    omftool::FramesOptions options = byName("cdci", "out/%d.png");
    options.file = path("absent.omf");
    Outcome result = run(options);
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err.rfind("OMF error 28: OMFI_ERR: File not found.", 0), 0u) << result.err;

    options.file = path("plain.bento");
    ASSERT_TRUE(omftool::writeSampleContainer(options.file));
    result = run(options);
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err.rfind("OMF error 24: OMFI_ERR: Invalid OMFI file", 0), 0u) << result.err;

    options.file = path("text.omf");
    std::ofstream(options.file) << "not an OMF file, only some text that runs on for a while\n";
    result = run(options);
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err.rfind("OMF error ", 0), 0u) << result.err;
    EXPECT_NE(result.err.find("OMFI_ERR"), std::string::npos) << result.err;

    // A missing folder is made; one that cannot be (under a file) is named.
    options = byName("cdci", "made-folder/%d.png");
    EXPECT_EQ(run(options).status, 0);
    EXPECT_TRUE(std::filesystem::exists(path("made-folder/0.png")));
    options = byName("cdci", "text.omf/folder/%d.png");
    result = run(options);
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("cannot write " + path("text.omf/folder/0.png") +
                              ": cannot make the folder " + path("text.omf/folder")),
              std::string::npos)
        << result.err;
}

TEST_F(OmftoolFrames, ProgressIsShownOnlyWhenAskedFor) {
    omftool::FramesOptions options = byName("cdci", "out/%d.png");
    options.progress = true;
    Outcome result = run(options);
    ASSERT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "\rframe 1 of 3\rframe 2 of 3\rframe 3 of 3\n");
    options.progress = false;
    result = run(options);
    ASSERT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "");
}

// The command line itself: one way of naming the master mob, and no
// progress when standard error is not a terminal.
TEST_F(OmftoolFrames, TheCommandLineNamesTheMobOneWayAndIsQuietOffATerminal) {
    const std::string omftool = OMFTOOL_PATH;
    const std::string err = path("err.txt");
    auto command = [&](const std::string& arguments) {
        return std::system((omftool + " frames " + file_ + " " + arguments + " -o " +
                            path("out/c%d.png") + " >/dev/null 2>" + err)
                               .c_str());
    };
    auto errText = [&] {
        std::ifstream in(err);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    int status = command("");
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 2);
    EXPECT_NE(errText().find("--mob NAME or --index N"), std::string::npos) << errText();
    status = command("--mob cdci --index 1");
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_NE(WEXITSTATUS(status), 0);
    EXPECT_TRUE(written().empty());

    const std::vector<std::string> order = pictureMastersInTableOrder();
    const auto cdci = std::find(order.begin(), order.end(), "cdci");
    ASSERT_NE(cdci, order.end());
    status = command("--index " + std::to_string(cdci - order.begin() + 1) + " --start 2");
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << errText();
    EXPECT_EQ(errText(), "");
    EXPECT_EQ(written(), std::vector<std::string>{"c2.png"});
}

} // namespace

// ---- compressed media ------------------------------------------------------------

// JPEG media of two frames, in a file of its own.
class OmftoolCompressedFrames : public OmftoolFrames {
  protected:
    void SetUp() override {
        OmftoolFrames::SetUp();
        if (HasFatalFailure()) return;
        file_ = path("jpeg.omf");
        writeMediaFile(file_, {jpegPicture()});
    }
    static const TestPicture& jpegPicture() {
        static const TestPicture picture{"jpeg", "JPEG", "RGB", 32, 16, kOmfFullFrame, 2};
        return picture;
    }
};

TEST_F(OmftoolCompressedFrames, RawWritesEachFramesStoredJpegImage) {
    omftool::FramesOptions options = byName("jpeg", "out/j%d.jpg");
    options.raw = true;
    const Outcome result = run(options);
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(written(), (std::vector<std::string>{"j0.jpg", "j1.jpg"}));
    EXPECT_NE(result.out.find("stored bytes of frames 0 to 1 of master mob \"jpeg\""),
              std::string::npos)
        << result.out;
    for (int frame = 0; frame < 2; ++frame) {
        const std::string name = path("out/j" + std::to_string(frame) + ".jpg");
        std::ifstream in(name, std::ios::binary);
        const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                         std::istreambuf_iterator<char>());
        ASSERT_GE(bytes.size(), 4u);
        // A whole stored image: its start marker, and the alignment marker that ends it.
        EXPECT_EQ((std::vector<int>{bytes[0], bytes[1]}), (std::vector<int>{0xFF, 0xD8}));
        EXPECT_EQ((std::vector<int>{bytes[bytes.size() - 2], bytes.back()}),
                  (std::vector<int>{0xFF, 0xD1}));
        EXPECT_EQ(bytes.size() % 4, 0u);
        // Any JPEG reader takes it as it is.
        const DecodedImage image = decode(name);
        EXPECT_EQ(image.width, 32);
        EXPECT_EQ(image.height, 16);
    }
}

TEST_F(OmftoolCompressedFrames, DecodedFramesComeNearTheWrittenPixels) {
    const Outcome result = run(byName("jpeg", "out/d%d.png"));
    ASSERT_EQ(result.status, 0) << result.err;
    const TestPicture& media = jpegPicture();
    const std::vector<uint8_t> stored = frameBytes(media.frameSize(), 1);
    const DecodedImage image = decode(path("out/d1.png"));
    ASSERT_EQ(image.width, media.width);
    ASSERT_EQ(image.height, media.storedHeight);
    // The pattern is noise to a JPEG coder: compare the frame's mean level.
    double storedSum = 0, decodedSum = 0;
    for (int pixel = 0; pixel < media.width * media.storedHeight; ++pixel) {
        for (int channel = 0; channel < 3; ++channel) {
            storedSum += stored[size_t(pixel) * 3 + size_t(channel)];
            decodedSum += image.at(pixel % media.width, pixel / media.width)[channel];
        }
    }
    EXPECT_NEAR(decodedSum / storedSum, 1.0, 0.05);
}
