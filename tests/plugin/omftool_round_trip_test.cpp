// Every codec the saver offers, end to end through omftool: a numbered sequence of pictures is
// written with "omftool write", read back with "omftool extract", and the pictures extracted are
// compared with those written, exactly for R G B A and by PSNR where the codec compresses or
// subsamples. Avid resolutions keep rows above their picture; the frames extracted are the
// pictures' lower rows.
#include <cctype>
#include <cstdio>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "omftool_run.h"

namespace {

using omftool_test::Omftool;
using omftool_test::Quoted;
using omftool_test::ToolRun;
using saver_test::ImageOwner;

// Lowest PSNR (dB) accepted where the codec loses detail, at quality 93.
constexpr double kPSNRFloor = 35.0;
constexpr int kFrames = 2;

struct CodecCase {
    const char* codec;
    const char* variety; // empty: none
    double rate;
    int width;
    int height;
    bool exact;
};

// Two levels on alternate rows with a gradient across, moving with the frame: fields read back
// in the wrong order or on the wrong rows cannot match.
Pixel FieldPixel(int x, int y, int frame, int height) {
    const int fromTop = height - 1 - y;
    const uint32_t base = (fromTop % 2 == 0 ? 200u : 50u) + uint32_t(frame * 3);
    const uint32_t level = (base + uint32_t(x) * 40u / 720u) * 257u;
    return {level, level, level, 65535};
}

Pixel PaintFor(const CodecCase& item, int x, int y, int frame) {
    if (item.exact) {
        Pixel p = saver_test::NoisePixel(x, y, frame);
        p.A = 65535;
        return p;
    }
    if (std::string(item.codec) == "AJPG") return FieldPixel(x, y, frame, item.height);
    return saver_test::SmoothPixel(x, y, frame, item.width, item.height);
}

void PrintTo(const CodecCase& item, std::ostream* out) {
    *out << item.codec << (*item.variety != '\0' ? " " : "") << item.variety << " at " << item.rate
         << " fps, " << item.width << " x " << item.height;
}

class OmftoolRoundTrip : public omftool_test::OmftoolFolderTest,
                         public ::testing::WithParamInterface<CodecCase> {};

TEST_P(OmftoolRoundTrip, FramesWrittenComeBackThroughExtract) {
    const CodecCase& item = GetParam();
    std::vector<std::unique_ptr<ImageOwner>> written;
    for (int f = 0; f < kFrames; ++f) {
        written.push_back(std::make_unique<ImageOwner>(saver_test::MakeImage(
            item.width, item.height, [&](int x, int y) { return PaintFor(item, x, y, f); })));
        WritePicture("shot.000" + std::to_string(f + 1) + ".png", written.back()->get());
    }
    std::string arguments = "write " + Quoted(path_) + " --codec " + Quoted(item.codec) +
                            " --rate " + std::to_string(item.rate) + " ";
    // omftool refuses --quality for AJPG, whose varieties name their compression, and for the
    // uncompressed codecs and varieties, which it does not change.
    const std::string codec = item.codec;
    if (codec != "AJPG" && codec != "RGBA" && codec != "CDCI" && !item.exact)
        arguments += "--quality 93 ";
    if (*item.variety != '\0') arguments += "--variety " + Quoted(item.variety) + " ";
    const ToolRun write = Omftool(arguments + Quoted(folder_ + "shot.0001.png"));
    ASSERT_EQ(write.status, 0) << write.err;

    const std::string pattern = folder_ + "back%d.png";
    const ToolRun extract = Omftool("extract " + Quoted(path_) + " -o " + Quoted(pattern));
    ASSERT_EQ(extract.status, 0) << extract.err;
    for (int f = 0; f < kFrames; ++f) {
        SCOPED_TRACE("frame " + std::to_string(f));
        char name[64];
        std::snprintf(name, sizeof name, "back%d.png", f);
        Clip* clip = new Clip((folder_ + name).c_str(), false, nullptr);
        ImageOwner back(clip->GetFrameTagList(0));
        clip->Recycle();
        ASSERT_NE(back.get(), nullptr);
        const Image* sent = written[size_t(f)]->get();
        ASSERT_EQ(back->Width(), sent->Width());
        if (item.exact) {
            ASSERT_EQ(back->Height(), sent->Height());
            for (int y = 0; y < sent->Height(); ++y)
                for (int x = 0; x < sent->Width(); ++x)
                    ASSERT_EQ(back->FetchPixel(x, y), sent->FetchPixel(x, y)) << x << " " << y;
            continue;
        }
        // Rows the media keeps above its picture are not extracted.
        const int lead = sent->Height() - back->Height();
        ASSERT_GE(lead, 0);
        ImageOwner below(sent->CropOfImage(0, 0, sent->Width(), back->Height()));
        const double psnr = saver_test::PSNR(*below.get(), *back.get(), 0, back->Height());
        std::printf("%s%s%s at %.2f fps, frame %d: PSNR %.2f dB (%d rows above the picture)\n",
                    item.codec, *item.variety != '\0' ? " " : "", item.variety, item.rate, f, psnr,
                    lead);
        EXPECT_GT(psnr, kPSNRFloor);
    }
}

// The saver's codecs with TIFF's varieties, and for "AJPG" a resolution of each kind (AVR, JFIF
// with two fields and progressive, uncompressed) in both standards.
const CodecCase kCases[] = {
    {"RGBA", "", 25.0, 37, 21, true},
    {"JPEG", "", 25.0, 64, 48, false},
    {"CDCI", "", 25.0, 64, 48, false},
    {"TIFF", "", 25.0, 64, 48, false},
    {"TIFF", "JPEG", 25.0, 64, 48, false},
    {"TIFF", "Uncompressed", 25.0, 37, 21, true},
    {"MSM JPEG Codec", "", 25.0, 64, 48, false},
    {"CODEC_AVID_JFIF_VIDEO", "", 25.0, 64, 48, false},
    {"AJPG", "AVR12", 29.97, 720, 486, false},
    {"AJPG", "AVR12", 25.0, 720, 576, false},
    {"AJPG", "JFIF3:1", 29.97, 720, 486, false},
    {"AJPG", "JFIF3:1", 25.0, 720, 576, false},
    {"AJPG", "JFIF2:1p", 29.97, 720, 486, false},
    {"AJPG", "JFIF2:1p", 25.0, 720, 576, false},
    {"AJPG", "Uncomp422", 29.97, 720, 486, false},
    {"AJPG", "Uncomp422", 25.0, 720, 576, false},
};

std::string CaseName(const ::testing::TestParamInfo<CodecCase>& info) {
    std::string name = std::string(info.param.codec) + info.param.variety;
    // An Avid resolution is named with its standard.
    if (std::string(info.param.codec) == "AJPG") name += info.param.rate == 25.0 ? "PAL" : "NTSC";
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(SaverCodecs, OmftoolRoundTrip, ::testing::ValuesIn(kCases), CaseName);

} // namespace
