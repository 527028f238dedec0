// "omftool write" and "omftool codecs" run as programs: pictures written through the plug-in's
// saver and read back through its loader, the failures that end with status 2, and the codec list.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "omftool_run.h"

namespace {

using saver_test::ImageOwner;

using omftool_test::Omftool;
using omftool_test::Quoted;
using omftool_test::ReadFile;
using omftool_test::ToolRun;

class OmftoolWrite : public omftool_test::OmftoolFolderTest {};

TEST_F(OmftoolWrite, PicturesBecomeRGBAFramesReadBackExactly) {
    ImageOwner first(saver_test::MakeImage(21, 9, [](int x, int y) {
        Pixel p = saver_test::NoisePixel(x, y, 0);
        p.A = 65535;
        return p;
    }));
    ImageOwner second(saver_test::MakeImage(21, 9, [](int x, int y) {
        Pixel p = saver_test::NoisePixel(x, y, 1);
        p.A = 65535;
        return p;
    }));
    const std::string a = WritePicture("b_first.png", first.get());
    const std::string b = WritePicture("a_second.png", second.get());
    const ToolRun run = Omftool("write " + Quoted(path_) + " --codec RGBA --rate 25 " + Quoted(a) +
                                " " + Quoted(b));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "Wrote 2 frames of 21 x 9 to " + path_ + " with codec RGBA\n");
    auto reader = FormatHost::Open(path_, &document_);
    ASSERT_NE(reader, nullptr);
    ASSERT_EQ(reader->FrameCount(), 2);
    EXPECT_DOUBLE_EQ(reader->FrameRate(), 25.0);
    // In the order given.
    for (const Image* expected : {first.get(), second.get()}) {
        ImageOwner read(reader->LoadFrame(expected == first.get() ? 0 : 1));
        ASSERT_NE(read.get(), nullptr);
        for (int y = 0; y < 9; ++y)
            for (int x = 0; x < 21; ++x)
                ASSERT_EQ(read->FetchPixel(x, y), expected->FetchPixel(x, y)) << x << " " << y;
    }
}

TEST_F(OmftoolWrite, TheFirstFileOfANumberedSequenceBringsTheWholeSequence) {
    for (int n = 1; n <= 3; ++n) {
        ImageOwner frame(saver_test::MakeImage(
            16, 8, [n](int x, int y) { return saver_test::SmoothPixel(x, y, n, 16, 8); }));
        WritePicture("shot.000" + std::to_string(n) + ".png", frame.get());
    }
    const ToolRun run = Omftool("write " + Quoted(path_) + " --codec JPEG --quality 90 " +
                                Quoted(folder_ + "shot.0001.png"));
    ASSERT_EQ(run.status, 0) << run.err;
    auto reader = FormatHost::Open(path_, &document_);
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(reader->FrameCount(), 3);
    // The document's rate when none is given.
    EXPECT_DOUBLE_EQ(reader->FrameRate(), 24.0);
    // Given with its neighbours, each file is one frame.
    std::filesystem::remove(path_);
    const ToolRun each =
        Omftool("write " + Quoted(path_) + " --codec JPEG " + Quoted(folder_ + "shot.0001.png") +
                " " + Quoted(folder_ + "shot.0003.png"));
    ASSERT_EQ(each.status, 0) << each.err;
    auto again = FormatHost::Open(path_, &document_);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->FrameCount(), 2);
}

// The sample rate stored for --rate, read back by omftool info; rates that are not rates refused.
TEST_F(OmftoolWrite, RatesAreStoredExactlyAndNonRatesAreRefused) {
    ImageOwner frame(saver_test::MakeImage(
        16, 8, [](int x, int y) { return saver_test::SmoothPixel(x, y, 0, 16, 8); }));
    const std::string picture = WritePicture("frame.png", frame.get());
    const struct {
        const char* rate;
        int numerator, denominator;
    } stored[] = {
        {"23.976", 24000, 1001}, {"29.97", 30000, 1001},      {"59.94", 60000, 1001},
        {"47.952", 48000, 1001}, {"30000/1001", 30000, 1001}, {"25", 2500, 100},
        {"12.5", 1250, 100},
    };
    for (const auto& c : stored) {
        std::filesystem::remove(path_);
        const ToolRun run = Omftool("write " + Quoted(path_) + " --codec RGBA --rate " + c.rate +
                                    " " + Quoted(picture));
        ASSERT_EQ(run.status, 0) << c.rate << ": " << run.err;
        const ToolRun info = Omftool("info --json " + Quoted(path_));
        ASSERT_EQ(info.status, 0) << info.err;
        const auto rate = nlohmann::json::parse(info.out)["media"][0]["sampleRate"];
        EXPECT_EQ(rate, nlohmann::json::array({c.numerator, c.denominator})) << c.rate;
    }
    std::filesystem::remove(path_);
    for (const char* refused : {"0", "-1", "nan", "inf", "1/0", "25fps"}) {
        const ToolRun run = Omftool("write " + Quoted(path_) + " --codec RGBA --rate " + refused +
                                    " " + Quoted(picture));
        EXPECT_EQ(run.status, 2) << refused;
        EXPECT_EQ(run.err, "omftool write: --rate " + std::string(refused) +
                               " is not a frame rate: give a number of frames per second from "
                               "0.01 to 1000 (25, 29.97) or N/D (30000/1001)\n");
        EXPECT_FALSE(std::filesystem::exists(path_)) << refused;
    }
}

// Sizes kept for codecs that store the frame as it is, and said for a resolution's fixed picture.
TEST_F(OmftoolWrite, OddSizesAreKeptAndAFixedPictureSaysHowFramesWereFitted) {
    ImageOwner odd(saver_test::MakeImage(
        333, 201, [](int x, int y) { return saver_test::SmoothPixel(x, y, 0, 333, 201); }));
    const std::string picture = WritePicture("odd.png", odd.get());
    const ToolRun run = Omftool("write " + Quoted(path_) + " --codec RGBA " + Quoted(picture));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "Wrote 1 frame of 333 x 201 to " + path_ + " with codec RGBA\n");
    const ToolRun frames =
        Omftool("frames --index 1 " + Quoted(path_) + " -o " + Quoted(folder_ + "back%d.png"));
    ASSERT_EQ(frames.status, 0) << frames.err;
    Clip* back = new Clip((folder_ + "back0.png").c_str(), false, &document_);
    ImageOwner read(back->GetFrameTagList(0));
    back->Recycle();
    ASSERT_NE(read.get(), nullptr);
    EXPECT_EQ(read->Width(), 333);
    EXPECT_EQ(read->Height(), 201);

    ImageOwner large(saver_test::MakeImage(
        1920, 1080, [](int x, int y) { return saver_test::SmoothPixel(x, y, 0, 1920, 1080); }));
    const std::string hd = WritePicture("hd.png", large.get());
    std::filesystem::remove(path_);
    const ToolRun fitted = Omftool("write " + Quoted(path_) +
                                   " --codec AJPG --variety Uncomp422 --rate 29.97 " + Quoted(hd));
    ASSERT_EQ(fitted.status, 0) << fitted.err;
    EXPECT_EQ(fitted.out, "Wrote 1 frame of 1920 x 1080 to " + path_ +
                              " with codec AJPG:Uncomp422 (the width halved to 960 x 1080, then "
                              "cropped to its 720 x 486 picture; frames and extract give its "
                              "720 x 476 sampled area)\n");
    // And they do, as info says, for NTSC and PAL resolutions alike.
    for (const char* rate : {"29.97", "25"}) {
        SCOPED_TRACE(rate);
        const bool ntsc = std::string(rate) == "29.97";
        std::filesystem::remove(path_);
        ASSERT_EQ(Omftool("write " + Quoted(path_) + " --codec AJPG --variety JFIF2:1 --rate " +
                          rate + " " + Quoted(hd))
                      .status,
                  0);
        const ToolRun info = Omftool("info --json " + Quoted(path_));
        const auto media = nlohmann::json::parse(info.out)["media"][0];
        EXPECT_EQ(media["pictureHeight"], ntsc ? 476 : 560);
        for (const std::string command : {"frames --index 1", "extract"}) {
            const std::string name = folder_ + (command == "extract" ? "e" : "f") + rate;
            ASSERT_EQ(Omftool(command + " " + Quoted(path_) + " -o " + Quoted(name + "_%d.png"))
                          .status,
                      0)
                << command;
            Clip* clip = new Clip((name + "_0.png").c_str(), false, &document_);
            ImageOwner picture(clip->GetFrameTagList(0));
            clip->Recycle();
            ASSERT_NE(picture.get(), nullptr) << command;
            EXPECT_EQ(picture->Width(), media["pictureWidth"]) << command;
            EXPECT_EQ(picture->Height(), media["pictureHeight"]) << command;
        }
    }
}

TEST_F(OmftoolWrite, ASequenceWithAMissingNumberSaysWhereItStopped) {
    for (int n : {1, 2, 4}) {
        ImageOwner frame(saver_test::MakeImage(
            16, 8, [n](int x, int y) { return saver_test::SmoothPixel(x, y, n, 16, 8); }));
        WritePicture("shot.000" + std::to_string(n) + ".png", frame.get());
    }
    const ToolRun run =
        Omftool("write " + Quoted(path_) + " --codec RGBA " + Quoted(folder_ + "shot.0001.png"));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "omftool write: warning: " + folder_ +
                           "shot.0003.png is missing: the sequence ends there, 2 frames written; "
                           "later numbers are not written\n");
}

// The stored picture of a one-field half-width resolution: a white block of the rendered frame
// lands halved, on the first field's rows, below the leading lines.
TEST_F(OmftoolWrite, HalfWidthOneFieldResolutionStoresTheFirstFieldHalved) {
    constexpr int kTop = 100, kBottom = 200, kLeft = 200, kRight = 400;
    ImageOwner frame(saver_test::MakeImage(720, 486, [](int x, int y) {
        const int row = 485 - y;
        const uint32_t level = row >= kTop && row < kBottom && x >= kLeft && x < kRight ? 65535 : 0;
        return Pixel{level, level, level, 65535};
    }));
    const std::string input = WritePicture("block.png", frame.get());
    const ToolRun run = Omftool("write " + Quoted(path_) +
                                " --codec AJPG --variety JFIF2:1s --rate 29.97 " + Quoted(input));
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string raw = folder_ + "stored%d.jpg";
    const ToolRun frames =
        Omftool("frames " + Quoted(path_) + " --index 1 --raw -o " + Quoted(raw));
    ASSERT_EQ(frames.status, 0) << frames.err;
    Clip* clip = new Clip((folder_ + "stored0.jpg").c_str(), false, nullptr);
    ImageOwner stored(clip->GetFrameTagList(0));
    clip->Recycle();
    ASSERT_NE(stored.get(), nullptr);
    ASSERT_EQ(stored->Width(), 352);
    ASSERT_EQ(stored->Height(), 243);
    // Halved to 360 and centred: columns 100..199 become 96..195. The first field's rows
    // 50..99 come after the 5 leading lines: 55..104.
    auto level = [&](int x, int row) { return stored->FetchPixel(x, 242 - row).G >> 8; };
    EXPECT_GT(level(146, 80), 200u);
    EXPECT_GT(level(99, 58), 200u);
    EXPECT_GT(level(192, 101), 200u);
    EXPECT_LT(level(92, 80), 50u);
    EXPECT_LT(level(200, 80), 50u);
    EXPECT_LT(level(146, 51), 50u);
    EXPECT_LT(level(146, 108), 50u);
}

TEST_F(OmftoolWrite, FailuresEndWithStatus2AndAMessage) {
    ImageOwner frame(Image::New(8, 8));
    const std::string input = WritePicture("frame.png", frame.get());
    const std::string missing = folder_ + "missing.png";
    struct Case {
        std::string arguments;
        std::string message;
    };
    for (const Case& item : {
             Case{"--codec RGBA " + Quoted(missing),
                  "omftool write: cannot read " + missing + ": no such file\n"},
             Case{"--codec AJPG --variety Nope " + Quoted(input),
                  "omftool write: codec AJPG has no variety \"Nope\" (see omftool codecs)\n"},
             Case{"--codec RGBA --variety Uncomp422 " + Quoted(input),
                  "omftool write: codec RGBA has no varieties\n"},
             // The variety's name is the promise of its data rate; the saver has no Quality for it.
             Case{"--codec AJPG --variety JFIF2:1 --quality 50 " + Quoted(input),
                  "omftool write: codec AJPG takes no --quality: its variety sets the "
                  "compression\n"},
             // Uncompressed frames: no Quality to set, so the option is refused, not dropped.
             Case{"--codec RGBA --quality 50 " + Quoted(input),
                  "omftool write: codec RGBA takes no --quality: it does not compress with "
                  "quantisation tables\n"},
             Case{"--codec BOGUS " + Quoted(input),
                  "omftool write: there is no codec \"BOGUS\" (omftool codecs lists the codecs "
                  "and their varieties)\n"},
             // 30 frames per second is the rate of no standard the resolutions have.
             Case{"--codec AJPG --variety AVR12 --rate 30 " + Quoted(input),
                  "omftool write: codec AJPG writes NTSC (29.97 frames per second), PAL (25) or "
                  "film (24) video, and 30 frames per second is none of them: give --rate "
                  "29.97, 25 or 24\n"},
         }) {
        SCOPED_TRACE(item.arguments);
        const ToolRun run = Omftool("write " + Quoted(path_) + " " + item.arguments);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.err, item.message);
        EXPECT_FALSE(std::filesystem::exists(path_));
    }
    // The same picture with a codec that writes.
    const ToolRun control = Omftool("write " + Quoted(path_) + " --codec RGBA " + Quoted(input));
    EXPECT_EQ(control.status, 0) << control.err;
    EXPECT_TRUE(std::filesystem::exists(path_));
}

TEST_F(OmftoolWrite, AFileThatWasThereIsKeptWhenAnInputFails) {
    { std::ofstream(path_) << "kept"; }
    const ToolRun run =
        Omftool("write " + Quoted(path_) + " --codec RGBA " + Quoted(folder_ + "missing.png"));
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(ReadFile(path_), "kept");
}

TEST(OmftoolCodecs, ListsTheSaversCodecsWithVarieties) {
    const ToolRun run = Omftool("codecs --json");
    ASSERT_EQ(run.status, 0) << run.err;
    const auto list = nlohmann::json::parse(run.out);
    EXPECT_EQ(list["default"], "AJPG");
    const auto& codecs = list["codecs"];
    ASSERT_FALSE(codecs.empty());
    EXPECT_EQ(codecs[0]["id"], "RGBA");
    EXPECT_EQ(codecs[0]["name"], "RGBA Codec");
    EXPECT_TRUE(codecs[0]["varieties"].empty());
    bool sawAVR = false;
    for (const auto& codec : codecs) {
        EXPECT_NE(codec["id"], "MSM TARGA DVC Codec");
        if (codec["id"] != "AJPG") continue;
        sawAVR = true;
        EXPECT_EQ(codec["name"], "Avid AVR Codec");
        ASSERT_EQ(codec["varieties"].size(), 43u);
        EXPECT_EQ(codec["varieties"][1], "AVR12");
        EXPECT_EQ(codec["varieties"][30], "Uncomp422");
        EXPECT_EQ(codec["defaultVariety"], "Uncomp422");
    }
    EXPECT_TRUE(sawAVR);

    const ToolRun text = Omftool("codecs");
    ASSERT_EQ(text.status, 0);
    EXPECT_NE(text.out.find("  RGBA  RGBA Codec\n"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("* AJPG  Avid AVR Codec  (43 varieties)\n"), std::string::npos);
    EXPECT_NE(text.out.find(" *Uncomp422 "), std::string::npos);
}

// Every codec listed is one write takes: those off the host's control too.
TEST_F(OmftoolWrite, EveryListedCodecWrites) {
    const ToolRun run = Omftool("codecs --json");
    ASSERT_EQ(run.status, 0) << run.err;
    std::vector<std::string> offControl;
    const auto list = nlohmann::json::parse(run.out);
    for (const auto& codec : list["codecs"]) {
        if (!codec["onControl"].get<bool>()) offControl.push_back(codec["id"]);
    }
    EXPECT_EQ(offControl, (std::vector<std::string>{"CDCI", "CODEC_AVID_JFIF_VIDEO", "JPEG"}));
    ImageOwner frame(saver_test::MakeImage(
        16, 8, [](int x, int y) { return saver_test::SmoothPixel(x, y, 0, 16, 8); }));
    const std::string picture = WritePicture("frame.png", frame.get());
    for (const std::string& id : offControl) {
        std::filesystem::remove(path_);
        const ToolRun written =
            Omftool("write " + Quoted(path_) + " --codec " + id + " " + Quoted(picture));
        EXPECT_EQ(written.status, 0) << id << ": " << written.err;
        auto reader = FormatHost::Open(path_, &document_);
        ASSERT_NE(reader, nullptr) << id;
        EXPECT_EQ(reader->FrameCount(), 1) << id;
    }
}

TEST(OmftoolCodecs, APluginThatDoesNotLoadEndsWithStatus2) {
    const ToolRun run = Omftool("codecs --json");
    ASSERT_EQ(run.status, 0);
    ::setenv("OMFTOOL_PLUGIN", "/nonexistent/libOMF.so", 1);
    const ToolRun broken = Omftool("codecs --json");
    ::unsetenv("OMFTOOL_PLUGIN");
    EXPECT_EQ(broken.status, 2);
    EXPECT_EQ(nlohmann::json::parse(broken.out)["error"], 2);
}

} // namespace
