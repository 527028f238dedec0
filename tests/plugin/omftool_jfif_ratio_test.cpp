// The AJPG JFIF resolutions end to end through omftool: the reference clip written with each
// variety compresses within 25% of the ratio the variety's name gives (8-bit 4:2:2 size of the
// stored picture over the stored frame) and in the names' order, keeps its DIDResolutionID, and
// reads back above a PSNR floor; varieties of different names store different frames.
#include <nlohmann/json.hpp>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "omftool_run.h"
#include "reference_clip.h"

namespace {

using omftool_test::Omftool;
using omftool_test::Quoted;
using omftool_test::ReadFile;
using omftool_test::ToolRun;
using saver_test::ImageOwner;

constexpr int kFrames = 2;
constexpr double kRatioTolerance = 0.25;
// The clip's grain is gone at the highest ratios; edges and texture must stay.
constexpr double kPSNRFloor = 24.0;

struct Standard {
    const char* name;
    double rate;
    int height;
};

struct JfifVariety {
    const char* name;
    int resolutionID; // DIDResolutionID of the resolution table
};

const JfifVariety kVarieties[] = {
    {"JFIF2:1", 76},  {"JFIF3:1", 77},    {"JFIF10:1", 75},   {"JFIF20:1", 82},
    {"JFIF2:1s", 80}, {"JFIF4:1s", 79},   {"JFIF15:1s", 78},  {"JFIF2:1p", 98},
    {"JFIF3:1p", 97}, {"JFIF14:1p", 103}, {"JFIF28:1p", 104}, {"JFIF35:1p", 102},
};

// Varieties users found storing the same frames.
const std::vector<std::vector<std::string>> kOnceAlike = {{"JFIF2:1", "JFIF3:1"},
                                                          {"JFIF10:1", "JFIF20:1"},
                                                          {"JFIF14:1p", "JFIF28:1p", "JFIF35:1p"},
                                                          {"JFIF2:1s", "JFIF4:1s"}};

double NamedRatio(const std::string& name) {
    return std::atof(name.c_str() + 4); // the number after "JFIF"
}

// The DIDResolutionID the file stores, from omftool dump's value of the property: its first two
// immediate bytes.
int StoredResolutionID(const std::string& dump) {
    const std::size_t property = dump.find("OMFI:DIDD:DIDResolutionID (#");
    if (property == std::string::npos) return -1;
    const std::string immediate = "immediate [";
    const std::size_t bytes = dump.find(immediate, property);
    if (bytes == std::string::npos) return -1;
    unsigned low = 0, high = 0;
    if (std::sscanf(dump.c_str() + bytes + immediate.size(), "%2x %2x", &low, &high) != 2)
        return -1;
    // The saver writes little-endian ("II") files.
    return int(low + 256 * high);
}

class OmftoolJfifRatio : public omftool_test::OmftoolFolderTest,
                         public ::testing::WithParamInterface<Standard> {
  protected:
    // The clip as a numbered sequence; its first file.
    std::string WriteClip(int height) {
        for (int f = 0; f < kFrames; ++f) {
            const std::vector<uint8_t> rgb = jfif_calibration::referenceFrame(720, height, f);
            ImageOwner frame(saver_test::MakeImage(720, height, [&](int x, int y) {
                const uint8_t* p = &rgb[(size_t(height - 1 - y) * 720 + size_t(x)) * 3];
                return Pixel{p[2] * 257u, p[1] * 257u, p[0] * 257u, 65535u};
            }));
            clip_.push_back(WritePicture("clip.000" + std::to_string(f + 1) + ".png", frame.get()));
        }
        return clip_.front();
    }

    // The lowest PSNR of the frames extracted against the clip's lower rows (the resolution
    // keeps rows above its picture), for full-width resolutions.
    double LowestPSNR(int width) {
        const ToolRun extract =
            Omftool("extract " + Quoted(path_) + " -o " + Quoted(folder_ + "back%d.png"));
        EXPECT_EQ(extract.status, 0) << extract.err;
        double lowest = 99;
        for (int f = 0; f < kFrames; ++f) {
            ImageOwner sent(LoadPicture(clip_[size_t(f)]));
            ImageOwner back(LoadPicture(folder_ + "back" + std::to_string(f) + ".png"));
            if (!sent.get() || !back.get() || back->Width() != width) return 0;
            ImageOwner below(sent->CropOfImage(0, 0, sent->Width(), back->Height()));
            lowest =
                std::min(lowest, saver_test::PSNR(*below.get(), *back.get(), 0, back->Height()));
        }
        return lowest;
    }

    static Image* LoadPicture(const std::string& path) {
        Clip* clip = new Clip(path.c_str(), false, nullptr);
        Image* image = clip->GetFrameTagList(0);
        clip->Recycle();
        return image;
    }

    std::vector<std::string> clip_;
};

TEST_P(OmftoolJfifRatio, VarietiesCompressAsNamedInOrder) {
    const Standard& standard = GetParam();
    const std::string first = WriteClip(standard.height);
    std::map<double, std::vector<double>> ratiosByName; // named ratio: measured ratios
    std::map<std::string, std::string> firstFrames;
    for (const JfifVariety& variety : kVarieties) {
        SCOPED_TRACE(variety.name);
        std::filesystem::remove(path_);
        const ToolRun write =
            Omftool("write " + Quoted(path_) + " --codec AJPG --variety " + variety.name +
                    " --rate " + std::to_string(standard.rate) + " " + Quoted(first));
        ASSERT_EQ(write.status, 0) << write.err;

        const auto media =
            nlohmann::json::parse(Omftool("info --json " + Quoted(path_)).out)["media"];
        ASSERT_EQ(media.size(), 1u);
        const int width = media[0]["storedWidth"];
        const int rows =
            int(media[0]["storedHeight"]) * (media[0]["frameLayout"] == "separate fields" ? 2 : 1);
        const std::string raw = folder_ + "raw%d.jpg";
        const ToolRun frames =
            Omftool("frames " + Quoted(path_) + " --index 1 --raw -o " + Quoted(raw));
        ASSERT_EQ(frames.status, 0) << frames.err;
        double stored = 0;
        for (int f = 0; f < kFrames; ++f)
            stored += double(ReadFile(folder_ + "raw" + std::to_string(f) + ".jpg").size());
        firstFrames[variety.name] = ReadFile(folder_ + "raw0.jpg");
        const double ratio = kFrames * double(width) * rows * 2 / stored;
        const double named = NamedRatio(variety.name);
        ratiosByName[named].push_back(ratio);
        EXPECT_NEAR(ratio, named, kRatioTolerance * named);

        EXPECT_EQ(StoredResolutionID(Omftool("dump " + Quoted(path_)).out), variety.resolutionID);
        const double psnr = width == 720 ? LowestPSNR(width) : 99;
        EXPECT_GT(psnr, kPSNRFloor);
        std::printf("%s %s: %d x %d, %.0f bytes a frame, %.2f:1, PSNR %.1f dB\n", variety.name,
                    standard.name, width, rows, stored / kFrames, ratio, psnr);
    }
    // Every ratio named lower is reached with a lower ratio.
    for (auto lower = ratiosByName.begin(); lower != ratiosByName.end(); ++lower) {
        for (auto higher = std::next(lower); higher != ratiosByName.end(); ++higher) {
            for (double a : lower->second)
                for (double b : higher->second)
                    EXPECT_LT(a, b) << lower->first << ":1 against " << higher->first << ":1";
        }
    }
    for (const auto& alike : kOnceAlike) {
        for (size_t i = 1; i < alike.size(); ++i)
            EXPECT_NE(firstFrames[alike[0]], firstFrames[alike[i]]) << alike[0] << " " << alike[i];
    }
}

INSTANTIATE_TEST_SUITE_P(Standards, OmftoolJfifRatio,
                         ::testing::Values(Standard{"NTSC", 29.97, 486},
                                           Standard{"PAL", 25.0, 576}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
