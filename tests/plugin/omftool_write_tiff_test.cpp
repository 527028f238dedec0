// "omftool write --codec TIFF" in its two varieties, run as a program: the TIFF image stored for
// each is read by libtiff, and what the Uncompressed variety cannot take is refused. Frames read
// back through "omftool extract" are in omftool_round_trip_test.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <tiffio.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "omftool_run.h"

namespace {

using omftool_test::Omftool;
using omftool_test::Quoted;
using omftool_test::ReadFile;
using omftool_test::ToolRun;
using saver_test::ImageOwner;

constexpr int kWidth = 32, kHeight = 16, kFrames = 2;

// Noise with opaque alpha: rows or channels moved cannot match.
Pixel OpaqueNoise(int x, int y, int frame) {
    Pixel p = saver_test::NoisePixel(x, y, frame);
    p.A = 65535;
    return p;
}

// The bytes of the TIFF image in the file's TIFF data object, found through "omftool dump".
std::string StoredTIFFImage(const std::string& omfPath) {
    const ToolRun dump = Omftool("dump --json --max-bytes 0 " + Quoted(omfPath));
    EXPECT_EQ(dump.status, 0) << dump.err;
    const std::string file = ReadFile(omfPath);
    const nlohmann::json description = nlohmann::json::parse(dump.out);
    std::string image;
    for (const auto& object : description["objects"]) {
        for (const auto& property : object.value("properties", nlohmann::json::array())) {
            if (property["name"] != "OMFI:TIFF:Data") continue;
            for (const auto& segment : property["values"][0]["segments"])
                image += file.substr(segment["offset"].get<std::size_t>(),
                                     segment["length"].get<std::size_t>());
        }
    }
    return image;
}

// A TIFF image opened by libtiff through a scratch file.
struct LibtiffFile {
    TIFF* tiff = nullptr;
    LibtiffFile(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
        TIFFSetWarningHandler(nullptr); // the zero-denominator resolutions draw warnings
        tiff = TIFFOpen(path.c_str(), "r");
    }
    ~LibtiffFile() {
        if (tiff) TIFFClose(tiff);
    }
    LibtiffFile(const LibtiffFile&) = delete;
    LibtiffFile& operator=(const LibtiffFile&) = delete;
};

class OmftoolWriteTIFF : public omftool_test::OmftoolFolderTest {
  protected:
    void SetUp() override {
        OmftoolFolderTest::SetUp();
        for (int f = 0; f < kFrames; ++f) {
            frames_.push_back(std::make_unique<ImageOwner>(saver_test::MakeImage(
                kWidth, kHeight, [f](int x, int y) { return OpaqueNoise(x, y, f); })));
            inputs_ += " " + Quoted(WritePicture("in" + std::to_string(f) + ".png",
                                                 frames_.back()->get()));
        }
    }

    std::vector<std::unique_ptr<ImageOwner>> frames_;
    std::string inputs_;
};

// The same pictures in each variety (none given: JPEG). The stored image says its compression,
// and the uncompressed one holds the first picture's pixels, rows from the top.
TEST_F(OmftoolWriteTIFF, EachVarietyStoresItsCompression) {
    const struct {
        const char* options;
        uint16_t compression;
    } cases[] = {{"--quality 80", COMPRESSION_OJPEG},
                 {"--variety JPEG --quality 80", COMPRESSION_OJPEG},
                 {"--variety Uncompressed", COMPRESSION_NONE}};
    for (const auto& item : cases) {
        SCOPED_TRACE(item.options);
        std::filesystem::remove(path_);
        const ToolRun write =
            Omftool("write " + Quoted(path_) + " --codec TIFF " + item.options + inputs_);
        ASSERT_EQ(write.status, 0) << write.err;
        LibtiffFile stored(folder_ + "stored.tif", StoredTIFFImage(path_));
        ASSERT_NE(stored.tiff, nullptr);
        uint16_t compression = 0;
        ASSERT_EQ(TIFFGetField(stored.tiff, TIFFTAG_COMPRESSION, &compression), 1);
        EXPECT_EQ(compression, item.compression);
        if (item.compression != COMPRESSION_NONE) continue;
        std::vector<uint8_t> row(std::size_t(TIFFScanlineSize(stored.tiff)));
        ASSERT_EQ(row.size(), std::size_t(kWidth * 3));
        for (int r = 0; r < kHeight; ++r) {
            ASSERT_EQ(TIFFReadScanline(stored.tiff, row.data(), uint32_t(r), 0), 1);
            for (int x = 0; x < kWidth; ++x) {
                const Pixel p = frames_[0]->get()->FetchPixel(x, kHeight - 1 - r);
                ASSERT_EQ(row[std::size_t(3 * x)], p.R >> 8) << x << " " << r;
                ASSERT_EQ(row[std::size_t(3 * x + 1)], p.G >> 8) << x << " " << r;
                ASSERT_EQ(row[std::size_t(3 * x + 2)], p.B >> 8) << x << " " << r;
            }
        }
    }
}

TEST_F(OmftoolWriteTIFF, QualityForUncompressedAndUnknownVarietiesAreRefused) {
    const struct {
        const char* options;
        const char* message;
    } cases[] = {
        {"--variety Uncompressed --quality 50",
         "omftool write: codec TIFF takes no --quality in variety Uncompressed: it does not "
         "compress with quantisation tables\n"},
        {"--variety LZW",
         "omftool write: codec TIFF has no variety \"LZW\" (see omftool codecs)\n"},
    };
    for (const auto& item : cases) {
        SCOPED_TRACE(item.options);
        const ToolRun run =
            Omftool("write " + Quoted(path_) + " --codec TIFF " + item.options + inputs_);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.err, item.message);
        EXPECT_FALSE(std::filesystem::exists(path_));
    }
}

TEST_F(OmftoolWriteTIFF, CodecsListsTIFFsTwoVarieties) {
    const ToolRun run = Omftool("codecs --json");
    ASSERT_EQ(run.status, 0) << run.err;
    const auto codecs = nlohmann::json::parse(run.out)["codecs"];
    auto tiff = std::find_if(codecs.begin(), codecs.end(),
                             [](const nlohmann::json& codec) { return codec["id"] == "TIFF"; });
    ASSERT_NE(tiff, codecs.end());
    EXPECT_EQ((*tiff)["varieties"], nlohmann::json::array({"JPEG", "Uncompressed"}));
}

} // namespace
