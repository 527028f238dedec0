// The codec catalogue, codec information, the settings "dialog" and the
// preview through the server.
#include "movie_writing_fixture.h"

#include "movie/movie_writing.h"

#include <cstring>
#include <set>

namespace {

constexpr char kH264[] = "H.264_avc1";
constexpr char kJpeg[] = "Photo - JPEG_jpeg";

class CodecCatalogue : public MovieServerTest {
  protected:
    // The catalogue as a map from Compressor to its entry.
    std::map<std::string, ScriptVal> Codecs(const ScriptVal& state) {
        std::map<std::string, ScriptVal> codecs;
        ScriptVal list = app_.CallMember("GetCodecList", state);
        EXPECT_TRUE(list.IsTable());
        for (size_t i = 1; i <= list.NumKeys(); ++i) {
            const ScriptVal* entry = list.FindKeyConst(static_cast<int64_t>(i));
            if (entry && entry->IsTable()) codecs[entry->ToString("Compressor")] = *entry;
        }
        return codecs;
    }
    std::vector<uint32_t> PixelFormats(const ScriptVal& entry) {
        const ScriptVal* block = entry.FindKeyConst("pixelFormats");
        if (!block || !block->IsMemBlock()) return {};
        std::vector<uint32_t> formats(block->GetData()->size / 4);
        std::memcpy(formats.data(), block->GetData()->data, formats.size() * 4);
        return formats;
    }
    ScriptVal Settings(const char* codecID, ScriptVal settings) {
        ScriptVal table = ScriptVal::NewTable();
        table.Set("CodecID", codecID);
        table.Set("CodecSettings", settings);
        return app_.CallMember("GetCodecSettings", ArgumentTable({table}));
    }
};

TEST_F(CodecCatalogue, ListsTheMovieCodecsWithNamesFlagsAndPixelFormats) {
    ScriptVal state = NewState();
    const auto codecs = Codecs(state);
    for (const char* type : {"cvid", "jpeg", "png ", "raw ", "2vuy", "v210", "v410", "dvc ", "dvcp",
                             "AVdv", "apcn", "apch", "apcs", "apco", "ap4h", "mp4v"})
        EXPECT_TRUE(codecs.count(type)) << type;
    ASSERT_TRUE(codecs.count("jpeg"));
    EXPECT_EQ(codecs.at("jpeg").ToString("Name"), "Photo - JPEG");
    EXPECT_EQ(codecs.at("AVdv").ToString("Name"), "Avid DV");
    // Compressing codecs say so; raw layouts do not.
    EXPECT_TRUE(codecs.at("jpeg").ToInteger("compressFlags") & movie::kCodecCompresses);
    EXPECT_FALSE(codecs.at("raw ").ToInteger("compressFlags") & movie::kCodecCompresses);
    EXPECT_FALSE(codecs.at("v210").ToInteger("compressFlags") & movie::kCodecCompresses);
    EXPECT_TRUE(codecs.at("v210").ToInteger("formatFlags") & movie::kFormatDeep);
    EXPECT_EQ(PixelFormats(codecs.at("v210")).front(), movie::kPixelV210);
    EXPECT_EQ(PixelFormats(codecs.at("png ")),
              (std::vector<uint32_t>{movie::kPixel32ARGB, movie::kPixel24RGB, movie::kPixelB64a,
                                     movie::kPixelB48r}));
    EXPECT_EQ(codecs.at("apcn").ToInteger("hasCodecSettings", -1), 1);
    EXPECT_EQ(codecs.at("mp4v").ToInteger("hasCodecSettings", -1), 1);
    EXPECT_EQ(codecs.at("raw ").ToInteger("hasCodecSettings", -1), 0); // nothing to set
    EXPECT_TRUE(app_.CallMember("DisposeCodecList", state).IsNil());
    EXPECT_TRUE(app_.CallMember("GetCodecList", 42).IsNil());
}

TEST_F(CodecCatalogue, ListingTheCodecsLeavesTheStatesChosenCodec) {
    if (!HaveFfprobe()) GTEST_SKIP() << "ffprobe is not installed";
    ScriptVal state = NewState();
    app_.CallMember("SetStateAttrs", ArgumentTable({state, Table({{"CodecID", kJpeg}})}));
    ASSERT_EQ(app_.CallMember("GetStateAttrs", state).ToString("CodecID"), kJpeg);
    ASSERT_TRUE(app_.CallMember("GetCodecList", state).IsTable());
    app_.CallMember("DisposeCodecList", state);
    const std::string path = PathFor("chosen.mov");
    ScriptVal settings = Table({{"Width", 32}, {"Height", 32}, {"FrameRate", 25000}});
    ASSERT_TRUE(app_.CallMember("SaveHeader", ArgumentTable({state, path, settings})).ToBoolean());
    const std::vector<uint8_t> pixels = ArgbPattern(32, 32);
    EXPECT_TRUE(
        app_.CallMember(
                "SaveFrame",
                ArgumentTable(
                    {state, 0,
                     Table({{"RawDataIn", ScriptVal::NewMemBlock(pixels.data(), pixels.size())}})}))
            .ToBoolean());
    ASSERT_TRUE(app_.CallMember("DisposeState", state).ToBoolean());
    EXPECT_EQ(ProbeStream(path, "v", "codec_name")["codec_name"], "mjpeg");
}

TEST_F(CodecCatalogue, GetCodecInfoAnswersForAListedCodecOnly) {
    ScriptVal state = NewState();
    ScriptVal known = ArgumentTable({state});
    known.Set("codecID", kJpeg);
    EXPECT_TRUE(app_.CallMember("GetCodecInfo", known).ToBoolean());
    EXPECT_EQ(app_.CallMember("GetStateAttrs", state).ToString("CodecID"), kJpeg);

    ScriptVal fresh = NewState();
    ScriptVal unknown = ArgumentTable({fresh});
    unknown.Set("codecID", "No Such Codec_none");
    EXPECT_FALSE(app_.CallMember("GetCodecInfo", unknown).ToBoolean());
    EXPECT_FALSE(app_.CallMember("GetCodecInfo", ArgumentTable({42})).ToBoolean());
}

TEST_F(CodecCatalogue, TheSettingsDialogAnswersTheSettingsOrNilForTheDefaults) {
    const std::string text = "preset=ultrafast\ntune=zerolatency";
    ScriptVal given = ScriptVal::NewTable();
    given.Set(kH264, ScriptVal::NewMemBlock(text.data(), text.size()));
    given.Set("Other_othr", 7); // entries of other codecs stay
    ScriptVal answer = Settings(kH264, given);
    ASSERT_TRUE(answer.IsTable());
    ASSERT_TRUE(answer.FindKeyConst(kH264));
    const std::vector<uint8_t> back = BytesOf(*answer.FindKeyConst(kH264));
    EXPECT_EQ(std::string(back.begin(), back.end()), text);
    EXPECT_EQ(answer.ToInteger("Other_othr"), 7);

    // No settings are the codec's defaults: nil.
    ScriptVal none = Settings(kH264, ScriptVal::NewTable());
    ASSERT_TRUE(none.IsTable());
    EXPECT_FALSE(none.HasKey(kH264));
}

TEST_F(CodecCatalogue, SettingsTheCodecDoesNotKnowAreRefusedAtSaveHeader) {
    if (!HaveFfprobe()) GTEST_SKIP() << "ffprobe is not installed";
    auto saveWith = [&](const std::string& text, const std::string& name) {
        ScriptVal settings = ScriptVal::NewTable();
        settings.Set(kJpeg, ScriptVal::NewMemBlock(text.data(), text.size()));
        ScriptVal table = Table({{"Width", 32},
                                 {"Height", 32},
                                 {"FrameRate", 25000},
                                 {"CodecID", kJpeg},
                                 {"CodecSettings", settings}});
        ScriptVal state = NewState();
        const bool saved =
            app_.CallMember("SaveHeader", ArgumentTable({state, PathFor(name), table})).ToBoolean();
        app_.CallMember("DisposeState", state);
        return saved;
    };
    EXPECT_TRUE(saveWith("huffman=default", "known.mov"));
    EXPECT_FALSE(saveWith("no_such_option=1", "unknown.mov"));
    EXPECT_FALSE(saveWith("huffman", "novalue.mov"));
}

TEST_F(CodecCatalogue, ThePreviewOfALosslessCodecIsTheFrameItself) {
    const int width = 40, height = 30;
    const std::vector<uint8_t> pixels = ArgbPattern(width, height);
    auto preview = [&](const char* codec, bool alpha, int quality = 100) {
        return app_.CallMember(
            "PrefsPreview",
            ArgumentTable(
                {Table({{"Width", width},
                        {"Height", height},
                        {"CodecID", codec},
                        {"FrameRate", 25000},
                        {"DoAlpha", alpha},
                        {"Quality", quality},
                        {"RawDataIn", ScriptVal::NewMemBlock(pixels.data(), pixels.size())}})}));
    };
    ScriptVal png = preview("PNG_png ", true);
    ASSERT_TRUE(png.FindKeyConst("RawDataOut"));
    EXPECT_EQ(BytesOf(*png.FindKeyConst("RawDataOut")), pixels);

    ScriptVal jpeg = preview(kJpeg, false);
    ASSERT_TRUE(jpeg.FindKeyConst("RawDataOut"));
    const std::vector<uint8_t> lossy = BytesOf(*jpeg.FindKeyConst("RawDataOut"));
    ASSERT_EQ(lossy.size(), pixels.size());
    EXPECT_NE(lossy, pixels);
    const double fine = ArgbPsnr(pixels, lossy.data(), lossy.size());
    EXPECT_GT(fine, 35.0);
    EXPECT_EQ(lossy[0], 255); // 24-bit depth: opaque
    // The quality reaches the codec: the coarsest is visibly worse.
    ScriptVal coarse = preview(kJpeg, false, 0);
    ASSERT_TRUE(coarse.FindKeyConst("RawDataOut"));
    const std::vector<uint8_t> worse = BytesOf(*coarse.FindKeyConst("RawDataOut"));
    EXPECT_LT(ArgbPsnr(pixels, worse.data(), worse.size()), fine - 5.0);

    // Without RawDataIn, or with a short one: nil.
    ScriptVal missing = app_.CallMember(
        "PrefsPreview", ArgumentTable({Table({{"Width", width}, {"Height", height}})}));
    ASSERT_TRUE(missing.IsTable());
    EXPECT_FALSE(missing.HasKey("RawDataOut"));
    ScriptVal shortFrame = app_.CallMember(
        "PrefsPreview",
        ArgumentTable(
            {Table({{"Width", width},
                    {"Height", height},
                    {"RawDataIn", ScriptVal::NewMemBlock(pixels.data(), pixels.size() - 1)}})}));
    EXPECT_FALSE(shortFrame.HasKey("RawDataOut"));
}

} // namespace
