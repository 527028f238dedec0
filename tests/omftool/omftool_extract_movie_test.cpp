// omftool extract with a movie as output: the frames of a Video Track entry written as one movie
// through the movie server built with omftool, read back by ffprobe and ffmpeg (independent
// readers), and the refusals with their messages.
#include "movie_output.h"
#include "plugin_extract.h"
#include "sample_edit_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <sys/wait.h>

#include "tarsel/system/qt_server.h"

namespace {

constexpr int kWidth = 128; // the sample edit's pictures
constexpr int kHeight = 96;
constexpr int kGradientFrames = 12; // entry 0, the uncompressed gradient

std::string Output(const std::string& command) {
    std::string text;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        while (std::size_t read = std::fread(buffer, 1, sizeof buffer, pipe))
            text.append(buffer, read);
        ::pclose(pipe);
    }
    return text;
}

std::vector<uint8_t> FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

class OmftoolExtractMovie : public omftool_test::SampleEditTest {
  protected:
    // omftool's own choice of server: the one built with it.
    static void SetUpTestSuite() {
        const char* server = std::getenv(QTServerPathVariable);
        savedServer_ = server ? std::optional<std::string>(server) : std::nullopt;
        ::unsetenv(QTServerPathVariable);
    }
    static void TearDownTestSuite() {
        StopQTServer();
        if (savedServer_) ::setenv(QTServerPathVariable, savedServer_->c_str(), 1);
    }
    static inline std::optional<std::string> savedServer_;

    void SetUp() override {
        if (std::system("ffprobe -version >/dev/null 2>&1") != 0)
            GTEST_SKIP() << "ffprobe is not installed";
        SampleEditTest::SetUp();
    }

    int Run(const std::string& output, const std::string& codec = "", double rate = 0,
            int track = 0, int64_t start = 0) {
        omftool::ExtractOptions options;
        options.file = file_;
        options.track = track;
        options.start = start;
        options.pattern = output;
        // Picture files to compare with the movie's 8-bit frames.
        if (!omftool::isMoviePath(output)) options.bits = 8;
        options.movieCodec = codec;
        options.rate = rate;
        out_.str("");
        err_.str("");
        return omftool::runExtract(options, out_, err_);
    }

    // ffprobe's codec, size, frame count and rate of the movie's video stream.
    static std::string Probe(const std::string& movie) {
        return Output("ffprobe -v error -select_streams v:0 -count_frames -show_entries "
                      "stream=codec_name,width,height,nb_read_frames,r_frame_rate -of "
                      "default=noprint_wrappers=1 '" +
                      movie + "'");
    }
};

TEST_F(OmftoolExtractMovie, FramesBecomeAMovieThatFfmpegReadsBackExactly) {
    const std::string movie = folder_ + "/gradient.mov";
    ASSERT_EQ(Run(movie), 0) << err_.str();
    EXPECT_EQ(Probe(movie), "codec_name=png\nwidth=128\nheight=96\nr_frame_rate=25/1\n"
                            "nb_read_frames=12\n");
    // The same frames as picture files, against ffmpeg's decoding of the movie.
    ASSERT_EQ(Run(folder_ + "/frame%02d.ppm"), 0) << err_.str();
    const std::string decoded = folder_ + "/movie.rgb";
    ASSERT_EQ(std::system(("ffmpeg -nostdin -v error -i '" + movie +
                           "' -f rawvideo -pix_fmt rgb24 '" + decoded + "'")
                              .c_str()),
              0);
    const std::vector<uint8_t> frames = FileBytes(decoded);
    const std::size_t frameBytes = std::size_t(kWidth) * kHeight * 3;
    ASSERT_EQ(frames.size(), kGradientFrames * frameBytes);
    for (int frame = 0; frame < kGradientFrames; ++frame) {
        char name[32];
        std::snprintf(name, sizeof name, "/frame%02d.ppm", frame);
        const std::vector<uint8_t> picture = FileBytes(folder_ + name);
        ASSERT_GT(picture.size(), frameBytes);
        // The PPM's pixels follow its header.
        const std::vector<uint8_t> pixels(picture.end() - std::ptrdiff_t(frameBytes),
                                          picture.end());
        const std::vector<uint8_t> fromMovie(frames.begin() + std::ptrdiff_t(frame * frameBytes),
                                             frames.begin() +
                                                 std::ptrdiff_t((frame + 1) * frameBytes));
        EXPECT_EQ(pixels, fromMovie) << "frame " << frame;
    }
}

// The second sequence: 10 frames of bars, a 3-frame gap, 5 frames of the gradient.
TEST_F(OmftoolExtractMovie, GapsStayInTheMovieAsBlackFrames) {
    constexpr int kSequence = 3, kGapStart = 10, kGapLength = 3, kFrames = 18;
    const std::size_t frameBytes = std::size_t(kWidth) * kHeight * 3;
    auto decode = [&](const std::string& movie) {
        const std::string decoded = movie + ".rgb";
        EXPECT_EQ(std::system(("ffmpeg -nostdin -v error -i '" + movie +
                               "' -f rawvideo -pix_fmt rgb24 '" + decoded + "'")
                                  .c_str()),
                  0);
        return FileBytes(decoded);
    };
    auto isBlack = [&](const std::vector<uint8_t>& frames, int frame) {
        const auto first = frames.begin() + std::ptrdiff_t(frame * frameBytes);
        return std::all_of(first, first + std::ptrdiff_t(frameBytes),
                           [](uint8_t value) { return value == 0; });
    };
    const std::string whole = folder_ + "/sequence.mov";
    ASSERT_EQ(Run(whole, "", 0, kSequence), 0) << err_.str();
    EXPECT_EQ(out_.str(), "wrote 15 frames of \"Composition   1 - Sequence   2\" to " + whole +
                              "; 3 could not be read (gaps or missing media) and are blank in "
                              "the movie\n");
    std::vector<uint8_t> frames = decode(whole);
    ASSERT_EQ(frames.size(), kFrames * frameBytes);
    for (int frame = 0; frame < kFrames; ++frame) {
        const bool inGap = frame >= kGapStart && frame < kGapStart + kGapLength;
        EXPECT_EQ(isBlack(frames, frame), inGap) << "frame " << frame;
    }
    // The frame after the gap is where the sequence has it: the same pixels as its picture file.
    ASSERT_EQ(Run(folder_ + "/after%02d.ppm", "", 0, kSequence, kGapStart + kGapLength), 0);
    const std::vector<uint8_t> picture = FileBytes(folder_ + "/after13.ppm");
    ASSERT_GT(picture.size(), frameBytes);
    EXPECT_TRUE(std::equal(picture.end() - std::ptrdiff_t(frameBytes), picture.end(),
                           frames.begin() + std::ptrdiff_t((kGapStart + kGapLength) * frameBytes)));

    // A range that starts in the gap starts with its blank frames.
    const std::string tail = folder_ + "/tail.mov";
    ASSERT_EQ(Run(tail, "", 0, kSequence, kGapStart), 0) << err_.str();
    frames = decode(tail);
    ASSERT_EQ(frames.size(), (kFrames - kGapStart) * frameBytes);
    for (int frame = 0; frame < kFrames - kGapStart; ++frame)
        EXPECT_EQ(isBlack(frames, frame), frame < kGapLength) << "frame " << frame;
}

// Options that only one kind of output uses are refused for the other, with nothing written.
TEST_F(OmftoolExtractMovie, OptionsOfTheOtherOutputKindAreRefused) {
    EXPECT_EQ(Run(folder_ + "/f%02d.png", "png"), 2);
    EXPECT_EQ(err_.str(), "omftool: --movie-codec applies to a movie output (a name ending in "
                          ".mov); " + folder_ + "/f%02d.png names picture files\n");
    EXPECT_EQ(Run(folder_ + "/f%02d.png", "", 30), 2);
    EXPECT_EQ(err_.str().rfind("omftool: --rate applies to a movie output", 0), 0u);
    EXPECT_FALSE(std::filesystem::exists(folder_ + "/f00.png"));

    omftool::ExtractOptions options;
    options.file = file_;
    options.pattern = folder_ + "/deep.mov";
    options.bits = 16;
    err_.str("");
    EXPECT_EQ(omftool::runExtract(options, out_, err_), 2);
    EXPECT_EQ(err_.str(), "omftool: --bits applies to picture files; a movie's depth is its "
                          "codec's (--movie-codec)\n");
    EXPECT_FALSE(std::filesystem::exists(options.pattern));
}

TEST_F(OmftoolExtractMovie, CodecAndRateAreTheOnesAskedFor) {
    const std::string movie = folder_ + "/gradient.mov";
    ASSERT_EQ(Run(movie, "jpeg", 30), 0) << err_.str();
    EXPECT_EQ(Probe(movie), "codec_name=mjpeg\nwidth=128\nheight=96\nr_frame_rate=30/1\n"
                            "nb_read_frames=12\n");
    // The server's identifier names the same codec.
    ASSERT_EQ(Run(movie, "Photo - JPEG_jpeg"), 0) << err_.str();
    EXPECT_NE(Probe(movie).find("codec_name=mjpeg"), std::string::npos);
}

TEST_F(OmftoolExtractMovie, UnknownCodecOrNoServerIsRefusedWithoutAFile) {
    const std::string movie = folder_ + "/refused.mov";
    EXPECT_EQ(Run(movie, "nope"), 2);
    EXPECT_EQ(err_.str(),
              "omftool: cannot write " + movie + ": the movie server has no codec \"nope\"\n");
    EXPECT_FALSE(std::filesystem::exists(movie));

    StopQTServer();
    ::setenv(QTServerPathVariable, "/nonexistent/TarselQTServer", 1);
    const int status = Run(movie);
    StopQTServer();
    ::unsetenv(QTServerPathVariable);
    EXPECT_EQ(status, 2);
    EXPECT_EQ(err_.str(), "omftool: cannot write " + movie + ": cannot start the movie server\n");
    EXPECT_FALSE(std::filesystem::exists(movie));
}

} // namespace
