// omftool frames --raw on JPEG media whose frames leave their quantisation and Huffman tables
// to the media descriptor (MSM JPEG Codec): every file written decodes alone, with libjpeg and
// with FFmpeg, into the picture the decoding path gives for that frame; frames that carry their
// tables are written as stored; frames that are not whole JPEG images are reported, not written.
#include "jpeg_table_insertion.h"
#include "picture_media_fixture.h"

#include "omf/omf_avid_codecs.h"
#include "omf/omf_codec_ids.h"

#include <gtest/gtest.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <jpeglib.h>
#include <sys/wait.h>

namespace {

using omftool_test::TestPicture;

// The raw file holds the very coefficients the decoding path decodes, with the same tables, and
// both decode with libjpeg: at most a rounding step apart in a few samples. A missing or wrong
// table, or another frame, is off by tens of levels over whole blocks.
constexpr double kMostMeanDifference = 0.5;
// FFmpeg decodes an image without tables too, into flat grey, so its pixels are compared. Its
// IDCT and colour conversion round differently from libjpeg's, by a level or two, and it
// interpolates chroma differently, which on the fixture's noise pattern (a byte ramp, no
// smooth picture) comes to about 5 levels on average; flat grey is about 50 levels off.
constexpr double kMostFfmpegDifference = 10.0;
// Rounding as exact as FFmpeg's scaler does it, chroma interpolated per output pixel.
constexpr const char* kExactConversion = "accurate_rnd+full_chroma_int+bitexact";

std::vector<uint8_t> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb; // rows packed
};

Picture readPpm(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int most = 0;
    Picture picture;
    in >> magic >> picture.width >> picture.height >> most;
    in.get();
    if (magic != "P6" || most != 255) return {};
    picture.rgb.resize(size_t(picture.width) * size_t(picture.height) * 3);
    in.read(reinterpret_cast<char*>(picture.rgb.data()), std::streamsize(picture.rgb.size()));
    return picture;
}

// Rows `first`, `first + 2`... of `picture`: one field of a woven frame.
Picture fieldOf(const Picture& picture, int first) {
    Picture field{picture.width, 0, {}};
    const auto rowBytes = std::ptrdiff_t(picture.width) * 3;
    for (int y = first; y < picture.height; y += 2, ++field.height) {
        field.rgb.insert(field.rgb.end(), picture.rgb.begin() + y * rowBytes,
                         picture.rgb.begin() + (y + 1) * rowBytes);
    }
    return field;
}

double meanDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    if (a.size() != b.size() || a.empty()) return 255;
    double sum = 0;
    for (size_t i = 0; i < a.size(); ++i)
        sum += std::abs(int(a[i]) - int(b[i]));
    return sum / double(a.size());
}

// One image decoded by libjpeg as djpeg does, from its start with the tables it holds.
struct Decoded {
    std::string problem; // libjpeg's error or warning; empty when it decoded cleanly
    Picture picture;
    size_t end = 0; // bytes read up to the end-of-image marker
};

struct CaughtErrors {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    char text[JMSG_LENGTH_MAX] = {};
};

Decoded decodeWithLibjpeg(const std::vector<uint8_t>& bytes, size_t from = 0) {
    Decoded image;
    jpeg_decompress_struct info{};
    CaughtErrors errors;
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = [](j_common_ptr common) {
        auto* caught = reinterpret_cast<CaughtErrors*>(common->err);
        common->err->format_message(common, caught->text);
        std::longjmp(caught->jump, 1);
    };
    errors.manager.emit_message = [](j_common_ptr common, int level) {
        if (level < 0) common->err->error_exit(common); // a warning: damaged data
    };
    jpeg_create_decompress(&info);
    if (setjmp(errors.jump) != 0) {
        image.problem = errors.text;
        jpeg_destroy_decompress(&info);
        return image;
    }
    jpeg_mem_src(&info, bytes.data() + from, static_cast<unsigned long>(bytes.size() - from));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    image.picture = {int(info.output_width), int(info.output_height),
                     std::vector<uint8_t>(size_t(info.output_width) * info.output_height * 3)};
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = &image.picture.rgb[size_t(info.output_scanline) * info.output_width * 3];
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    image.end = bytes.size() - info.src->bytes_in_buffer;
    jpeg_destroy_decompress(&info);
    return image;
}

class OmftoolRawJpeg : public omftool_test::PictureMediaTest {
  protected:
    // Runs omftool with `arguments`; its exit status, standard error in errText_.
    int omftool(const std::string& arguments) {
        const std::string err = path("err.txt");
        const int status = std::system(
            (std::string(OMFTOOL_PATH) + " " + arguments + " >/dev/null 2>'" + err + "'").c_str());
        const std::vector<uint8_t> text = readBytes(err);
        errText_.assign(text.begin(), text.end());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    void SetUp() override {
        PictureMediaTest::SetUp();
        if (HasFatalFailure()) return;
        // The Avid JPEG codec is a client's to register.
        ASSERT_EQ(omfmAddCodec(session_, omfCodecAvidJPEG), 0);
    }

    // A file of `picture`'s media: 1.x for the Avid JPEG codec, which writes only those.
    std::string mediaFile(const TestPicture& picture) {
        const std::string file = path(picture.masterName + ".omf");
        const bool avid = std::string(picture.codecID) == kOmfCodecAvidJPEG;
        writeMediaFile(file, {picture}, avid ? kOmfRev1x : kOmfRev2x);
        return file;
    }

    std::string framesCommand(const std::string& file) const {
        return "frames '" + file + "' --index 1 --raw -o '" + path("raw%d.jpg") + "'";
    }

    // Frames of `file` as stored (raw%d.jpg) and as decoded (decoded%d.ppm).
    void writeFrames(const std::string& file) {
        ASSERT_EQ(omftool(framesCommand(file)), 0) << errText_;
        ASSERT_EQ(omftool("frames '" + file + "' --index 1 -o '" + path("decoded%d.ppm") + "'"), 0)
            << errText_;
    }

    std::vector<uint8_t> raw(int frame) const {
        return readBytes(path("raw" + std::to_string(frame) + ".jpg"));
    }
    Picture decoded(int frame) const {
        return readPpm(path("decoded" + std::to_string(frame) + ".ppm"));
    }

    // Checks that the image from byte `from` of `bytes` decodes alone, with libjpeg and with
    // FFmpeg's command, into the decoding path's `want`; answers where libjpeg finished reading.
    size_t expectDecodesAlone(const std::vector<uint8_t>& bytes, size_t from, const Picture& want) {
        const Decoded image = decodeWithLibjpeg(bytes, from);
        EXPECT_EQ(image.problem, "");
        EXPECT_EQ(image.picture.width, want.width);
        EXPECT_EQ(image.picture.height, want.height);
        EXPECT_LE(meanDifference(image.picture.rgb, want.rgb), kMostMeanDifference);
        const std::string alone = path("alone.jpg"), converted = path("ffmpeg.ppm");
        std::ofstream(alone, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data() + from),
                   std::streamsize(bytes.size() - from));
        const int status =
            std::system(("ffmpeg -nostdin -v error -xerror -y -i '" + alone + "' -sws_flags " +
                         kExactConversion + " '" + converted + "' 2>/dev/null")
                            .c_str());
        EXPECT_EQ(status, 0) << "FFmpeg does not decode the image";
        const Picture byFfmpeg = readPpm(converted);
        EXPECT_EQ(byFfmpeg.height, want.height);
        EXPECT_LE(meanDifference(byFfmpeg.rgb, want.rgb), kMostFfmpegDifference);
        return image.end;
    }

    std::string errText_;
};

TEST_F(OmftoolRawJpeg, FramesAndFieldsOfTheAvidJpegCodecDecodeAloneAsTheirDecodedFrames) {
    const TestPicture full{"full", kOmfCodecAvidJPEG, "RGB", 64, 48, kOmfFullFrame, 2};
    writeFrames(mediaFile(full));
    for (int frame = 0; frame < full.frames; ++frame) {
        SCOPED_TRACE("frame " + std::to_string(frame));
        expectDecodesAlone(raw(frame), 0, decoded(frame));
    }
    // The comparison tells frames apart.
    EXPECT_GT(meanDifference(decodeWithLibjpeg(raw(1)).picture.rgb, decoded(0).rgb),
              10 * kMostMeanDifference);

    // Two images a frame, one per field: field 1 the woven frame's even rows, and field 2 after
    // the fill bytes and alignment marker that end field 1.
    const TestPicture fields{"fields", kOmfCodecAvidJPEG, "RGB", 64, 24, kOmfSeparateFields, 2};
    writeFrames(mediaFile(fields));
    for (int frame = 0; frame < fields.frames; ++frame) {
        SCOPED_TRACE("two-field frame " + std::to_string(frame));
        const std::vector<uint8_t> bytes = raw(frame);
        const size_t end = expectDecodesAlone(bytes, 0, fieldOf(decoded(frame), 0));
        const std::vector<uint8_t> start{0xFF, 0xD8};
        const auto second = std::search(bytes.begin() + std::ptrdiff_t(end), bytes.end(),
                                        start.begin(), start.end());
        ASSERT_NE(second, bytes.end());
        expectDecodesAlone(bytes, size_t(second - bytes.begin()), fieldOf(decoded(frame), 1));
    }
}

TEST_F(OmftoolRawJpeg, FramesThatCarryTheirTablesAreWrittenAsStored) {
    // The JPEG codec keeps each frame's bytes whole in the file: the raw file is found there.
    const std::string file =
        mediaFile(TestPicture{"jpeg", kOmfCodecJPEG, "RGB", 64, 48, kOmfFullFrame, 2});
    writeFrames(file);
    const std::vector<uint8_t> stored = readBytes(file);
    for (int frame = 0; frame < 2; ++frame) {
        const std::vector<uint8_t> image = raw(frame);
        ASSERT_FALSE(image.empty());
        EXPECT_NE(std::search(stored.begin(), stored.end(), image.begin(), image.end()),
                  stored.end())
            << "frame " << frame;
    }
}

TEST_F(OmftoolRawJpeg, AFrameThatIsNotAWholeImageIsReportedAndNotWritten) {
    const std::string file =
        mediaFile(TestPicture{"damaged", kOmfCodecAvidJPEG, "RGB", 64, 48, kOmfFullFrame, 2});
    // Frame 0's frame header, the first in the file (the descriptor's tables hold none), given
    // a length far past the frame.
    std::vector<uint8_t> bytes = readBytes(file);
    const std::vector<uint8_t> header{0xFF, 0xC0, 0x00, 0x11};
    const auto found = std::search(bytes.begin(), bytes.end(), header.begin(), header.end());
    ASSERT_NE(found, bytes.end());
    found[2] = 0xFF;
    found[3] = 0xF0;
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));

    EXPECT_EQ(omftool(framesCommand(file)), 2);
    const size_t at = size_t(found - bytes.begin()) - 2; // in the frame, after its start marker
    EXPECT_NE(errText_.find("omftool frames: frame 0 is damaged: OMF error 104: OMFI_ERR: "
                            "Unspecified JPEG codec problem [inserting the media's JPEG tables "
                            "into frame 0: image 1 has a segment 0xFFC0 at byte "),
              std::string::npos)
        << errText_;
    EXPECT_NE(errText_.find(" of length 65520 that runs past the end of the frame"),
              std::string::npos)
        << errText_ << " (the frame header at file offset " << at << ")";
    EXPECT_FALSE(std::filesystem::exists(path("raw0.jpg")));

    EXPECT_EQ(omftool(framesCommand(file) + " --skip-damaged"), 1) << errText_;
    EXPECT_FALSE(std::filesystem::exists(path("raw0.jpg")));
    EXPECT_EQ(decodeWithLibjpeg(raw(1)).problem, "");
}

// An abbreviated 8 x 8 grey image: a frame header naming quantisation table 0, a scan naming
// Huffman tables 0, entropy-coded data with a stuffed 0xFF and a restart marker, then the fill
// bytes and alignment marker the codec writes after each image.
const std::vector<uint8_t> kAbbreviatedImage{
    0xFF, 0xD8,                                                                // start of image
    0xFF, 0xC0, 0x00, 0x0B, 8,    0,    8,    0,    8,    1,    1,    0x11, 0, // frame header
    0xFF, 0xDA, 0x00, 0x08, 1,    1,    0x00, 0,    63,   0,                   // scan header
    0x12, 0xFF, 0x00, 0x34, 0xFF, 0xD0, 0x56, 0xFF, 0xD9, 0xFF, 0xFF, 0xD1};

TEST(JpegTableInsertion, TablesAnImageLacksFollowItsStartAndMalformedFramesSayWhy) {
    omftool::JpegTables tables;
    omftool::JpegQuantTable quant;
    for (size_t i = 0; i < quant.entries.size(); ++i)
        quant.entries[i] = uint16_t(i + 1);
    tables.quant[0] = quant;
    // One code of one bit each, and for DC a byte beyond the symbols counted.
    tables.dc[0] = std::vector<uint8_t>{1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 5, 0};
    tables.ac[0] = std::vector<uint8_t>{1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    // DQT of table 0 (length 2 + 1 + 64), DHT of DC table 0 and of AC table 0 (length
    // 2 + 1 + 16 + 1 each), then the image after its start marker unchanged.
    std::vector<uint8_t> whole{0xFF, 0xD8, 0xFF, 0xDB, 0x00, 67, 0x00};
    for (int i = 1; i <= 64; ++i)
        whole.push_back(uint8_t(i));
    whole.insert(whole.end(),
                 {0xFF, 0xC4, 0x00, 20, 0x00, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 5,
                  0xFF, 0xC4, 0x00, 20, 0x10, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    whole.insert(whole.end(), kAbbreviatedImage.begin() + 2, kAbbreviatedImage.end());
    std::vector<uint8_t> out;
    std::string fault;
    ASSERT_TRUE(omftool::insertJpegTables(kAbbreviatedImage, tables, out, fault)) << fault;
    EXPECT_EQ(out, whole);
    // Each of two images gets what it lacks: the whole one nothing.
    std::vector<uint8_t> two = kAbbreviatedImage, twoWhole = whole;
    two.insert(two.end(), whole.begin(), whole.end());
    twoWhole.insert(twoWhole.end(), whole.begin(), whole.end());
    ASSERT_TRUE(omftool::insertJpegTables(two, tables, out, fault)) << fault;
    EXPECT_EQ(out, twoWhole);

    const std::string size = std::to_string(kAbbreviatedImage.size());
    const std::pair<void (*)(std::vector<uint8_t>&), std::string> cases[] = {
        {[](auto& frame) { frame.clear(); }, "the frame is empty"},
        {[](auto& frame) { frame.erase(frame.begin()); },
         "the frame does not start with a start-of-image marker"},
        {[](auto& frame) { frame.resize(29); },
         "image 1 is cut short in the entropy-coded data of the scan at byte 15, before its "
         "end-of-image marker"},
        {[](auto& frame) { frame[4] = 1; },
         "image 1 has a segment 0xFFC0 at byte 2 of length 267 that runs past the end of the "
         "frame (" +
             size + " bytes)"},
        {[](auto& frame) { frame[5] = 1; },
         "image 1 has a segment 0xFFC0 at byte 2 giving the length 1, less than its 2 length "
         "bytes"},
        {[](auto& frame) { frame[3] = 0xE5; }, // the frame header made an application segment
         "image 1 has a scan before any frame header in the segment at byte 15"},
        {[](auto& frame) { frame[14] = 3; },
         "image 1 uses quantisation table 3, which neither it nor the media's tables define"},
        {[](auto& frame) { frame.push_back(0); },
         "the bytes after image 1 (from byte " + size + ") are not a start-of-image marker"},
    };
    for (const auto& [damage, expected] : cases) {
        std::vector<uint8_t> frame = kAbbreviatedImage;
        damage(frame);
        fault.clear();
        EXPECT_FALSE(omftool::insertJpegTables(frame, tables, out, fault)) << expected;
        EXPECT_EQ(fault, expected);
    }
}

} // namespace
