// omftool extract on the example edit built in code: Video Track entries chosen through the
// plug-in, frames of master mobs and composition sequences written as image files and read back,
// frame ranges, gaps, file depth, and the refusals with their messages.
#include "plugin_extract.h"
#include "plugin_tracks.h"
#include "sample_edit_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include <sys/wait.h>

#include "tarsel/system/clip.h"
#include "tarsel/system/image.h"
#include "tarsel/system/qt_server.h"

namespace {

using omftool::SampleEditMedia;

// The 16-bit R G B values of an image file, rows from the top.
std::vector<uint16_t> ReadRGB16(const std::string& path, int* width = nullptr) {
    Clip* clip = new Clip(path.c_str(), false, nullptr);
    Image* image = clip->GetFrameTagList(0);
    clip->Recycle();
    if (!image) {
        ADD_FAILURE() << "cannot read " << path;
        return {};
    }
    std::vector<uint16_t> rgba(std::size_t(image->Width()) * image->Height() * 4);
    image->ToRGBA16(rgba.data(), image->Width() * 4);
    if (width) *width = image->Width();
    image->Recycle();
    std::vector<uint16_t> rgb;
    for (std::size_t i = 0; i < rgba.size(); i += 4)
        rgb.insert(rgb.end(), {rgba[i], rgba[i + 1], rgba[i + 2]});
    return rgb;
}

// The written picture as 16-bit values: each byte x 257.
std::vector<uint16_t> Widened(const std::vector<uint8_t>& bytes) {
    std::vector<uint16_t> wide(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i)
        wide[i] = uint16_t(bytes[i] * 257);
    return wide;
}

// Mean absolute difference of two pictures, in 8-bit steps.
double MeanDifference(const std::vector<uint16_t>& a, const std::vector<uint16_t>& b) {
    if (a.size() != b.size() || a.empty()) return 1e9;
    double sum = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        sum += std::abs(double(a[i]) - double(b[i])) / 257.0;
    return sum / double(a.size());
}

// Bit depth of a PNG file (its IHDR byte).
int PngBitDepth(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    char header[25] = {};
    in.read(header, sizeof header);
    return in ? int(uint8_t(header[24])) : -1;
}

class OmftoolExtract : public omftool_test::SampleEditTest {
  protected:
    // The plug-in looks for a movie server at class initialisation; there is none here. The
    // variable is given back afterwards, for the suites that do start a server.
    static void SetUpTestSuite() {
        const char* server = std::getenv(QTServerPathVariable);
        savedServer_ = server ? std::optional<std::string>(server) : std::nullopt;
        ::setenv(QTServerPathVariable, "/nonexistent/TarselQTServer", 1);
    }
    static void TearDownTestSuite() {
        if (savedServer_)
            ::setenv(QTServerPathVariable, savedServer_->c_str(), 1);
        else
            ::unsetenv(QTServerPathVariable);
    }
    static inline std::optional<std::string> savedServer_;

    int Run(omftool::ExtractOptions options) {
        options.file = file_;
        out_.str("");
        err_.str("");
        return omftool::runExtract(options, out_, err_);
    }
    omftool::ExtractOptions Options(int track, const std::string& pattern) const {
        omftool::ExtractOptions options;
        options.track = track;
        options.pattern = folder_ + "/" + pattern;
        return options;
    }
    std::string Frame(const std::string& name) const { return folder_ + "/" + name; }
};

TEST_F(OmftoolExtract, MasterEntryWritesEveryFrameAsStored) {
    ASSERT_EQ(Run(Options(0, "gradient/f%02d.png")), 0) << err_.str();
    EXPECT_EQ(out_.str(), "wrote 12 frames of \"Gradient (uncompressed)\" to " + folder_ +
                              "/gradient/f%02d.png\n");
    for (int frame : {0, 5, 11}) {
        char name[32];
        std::snprintf(name, sizeof name, "gradient/f%02d.png", frame);
        EXPECT_EQ(ReadRGB16(Frame(name)),
                  Widened(omftool::sampleEditPicture(SampleEditMedia::Gradient, frame)))
            << name;
    }
    EXPECT_FALSE(std::filesystem::exists(Frame("gradient/f12.png")));
}

TEST_F(OmftoolExtract, SequenceFramesComeFromTheirSegmentsAndGapsAreSkipped) {
    ASSERT_EQ(Run(Options(3, "seq/f%02d.png")), 0) << err_.str();
    EXPECT_EQ(out_.str(), "wrote 15 frames of \"Composition   1 - Sequence   2\" to " + folder_ +
                              "/seq/f%02d.png; 3 could not be read (gaps or missing media)\n");
    // Frames 0 to 9: the JPEG bars from their third frame, near the written pictures.
    for (int frame : {0, 9}) {
        const std::vector<uint16_t> read =
            ReadRGB16(Frame("seq/f0" + std::to_string(frame) + ".png"));
        const auto bars = Widened(omftool::sampleEditPicture(SampleEditMedia::Bars, frame + 2));
        const auto other = Widened(omftool::sampleEditPicture(SampleEditMedia::Bars, frame + 3));
        EXPECT_LT(MeanDifference(read, bars), 6.0) << frame;
        EXPECT_GT(MeanDifference(read, other), 20.0) << frame;
    }
    // The gap has no files; after it the gradient's frames 6 to 10, exactly.
    for (int frame = 10; frame < 13; ++frame)
        EXPECT_FALSE(std::filesystem::exists(Frame("seq/f" + std::to_string(frame) + ".png")));
    EXPECT_EQ(ReadRGB16(Frame("seq/f13.png")),
              Widened(omftool::sampleEditPicture(SampleEditMedia::Gradient, 6)));
    EXPECT_EQ(ReadRGB16(Frame("seq/f17.png")),
              Widened(omftool::sampleEditPicture(SampleEditMedia::Gradient, 10)));
}

TEST_F(OmftoolExtract, StartAndCountChooseFramesAndBitsChooseTheDepth) {
    omftool::ExtractOptions options = Options(2, "f%d.png");
    options.start = 3;
    options.count = 2;
    options.bits = 8;
    ASSERT_EQ(Run(options), 0) << err_.str();
    EXPECT_FALSE(std::filesystem::exists(Frame("f2.png")));
    EXPECT_EQ(PngBitDepth(Frame("f3.png")), 8);
    EXPECT_EQ(ReadRGB16(Frame("f4.png")),
              Widened(omftool::sampleEditPicture(SampleEditMedia::Gradient, 4)));
    EXPECT_FALSE(std::filesystem::exists(Frame("f5.png")));
    // The default depth is 16 bits for a format that holds it.
    options.bits = 16;
    options.pattern = Frame("deep%d.png");
    ASSERT_EQ(Run(options), 0) << err_.str();
    EXPECT_EQ(PngBitDepth(Frame("deep3.png")), 16);
}

TEST_F(OmftoolExtract, RangeOfGapOnlyReadsNoFrame) {
    omftool::ExtractOptions options = Options(3, "gap%02d.png");
    options.start = 10;
    options.count = 3;
    EXPECT_EQ(Run(options), 2);
    EXPECT_EQ(err_.str(),
              "omftool: no frame of \"Composition   1 - Sequence   2\" could be read (3 tried)\n");
    EXPECT_EQ(out_.str(), "");
    // One frame more reaches the gradient after the gap.
    options.count = 4;
    EXPECT_EQ(Run(options), 0) << err_.str();
    EXPECT_TRUE(std::filesystem::exists(Frame("gap13.png")));
}

TEST_F(OmftoolExtract, EntriesAndRangesBeyondTheFileAreRefused) {
    EXPECT_EQ(Run(Options(4, "f%d.png")), 2);
    EXPECT_EQ(err_.str(), "omftool: the file has no Video Track entry 4 (it has 4, from 0)\n");
    EXPECT_EQ(Run(Options(3, "f%d.png")), 0) << err_.str(); // the last entry is there

    omftool::ExtractOptions options = Options(2, "r%d.png");
    options.start = 8;
    options.count = 3;
    EXPECT_EQ(Run(options), 2);
    EXPECT_EQ(err_.str(), "omftool: frames 8 to 10 are not all within \"Composition   1 - "
                          "Sequence   1\", which has 10 frames\n");
    EXPECT_FALSE(std::filesystem::exists(Frame("r8.png")));
    options.count = 2;
    EXPECT_EQ(Run(options), 0) << err_.str();
    EXPECT_TRUE(std::filesystem::exists(Frame("r9.png")));
}

TEST_F(OmftoolExtract, PatternsAndFilesThePlugInRefusesFail) {
    EXPECT_EQ(Run(Options(0, "frame.png")), 2);
    EXPECT_NE(err_.str().find("omftool: bad output pattern"), std::string::npos) << err_.str();
    EXPECT_EQ(Run(Options(0, "frame%d.nope")), 2);
    EXPECT_EQ(err_.str(), "omftool: FFmpeg has no image encoder for \".nope\" files\n");

    const std::string text = folder_ + "/notes.omf";
    std::ofstream(text) << "not an OMF file";
    omftool::ExtractOptions options = Options(0, "n%d.png");
    options.file = text;
    out_.str("");
    err_.str("");
    EXPECT_EQ(omftool::runExtract(options, out_, err_), 2);
    EXPECT_EQ(err_.str().rfind("omftool: ", 0), 0u) << err_.str();
    EXPECT_FALSE(std::filesystem::exists(Frame("n0.png")));

    // A missing file is named before the output folder is made.
    options = Options(0, "absent/n%d.png");
    options.file = folder_ + "/gone.omf";
    err_.str("");
    EXPECT_EQ(omftool::runExtract(options, out_, err_), 2);
    EXPECT_EQ(err_.str(), "omftool: cannot read " + options.file + ": No such file or directory\n");
    EXPECT_FALSE(std::filesystem::exists(folder_ + "/absent"));
}

// omftool hands its file to the plug-in whatever the file is called; a host picks by extension.
TEST_F(OmftoolExtract, FilesAreReadWhateverTheirName) {
    const std::string renamed = folder_ + "/edit";
    std::filesystem::copy_file(file_, renamed);
    omftool::ExtractOptions options = Options(1, "any%d.png");
    options.file = renamed;
    options.count = 1;
    ASSERT_EQ(omftool::runExtract(options, out_, err_), 0) << err_.str();
    EXPECT_TRUE(std::filesystem::exists(Frame("any0.png")));
    std::ostringstream listed, said;
    ASSERT_EQ(omftool::runTracks(renamed, false, listed, said), 0) << said.str();
    EXPECT_NE(listed.str().find("Composition   1 - Sequence   2"), std::string::npos)
        << listed.str();
}

TEST_F(OmftoolExtract, TheCommandLineRunsTheCommandQuietlyOffATerminal) {
    const std::string command = std::string(OMFTOOL_PATH) + " extract " + file_ +
                                " --track 1 --count 2 -o " + folder_ + "/cli/f%d.png 2>" + folder_ +
                                "/err.txt";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    std::ifstream err(folder_ + "/err.txt");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(err), {}), "");
    EXPECT_TRUE(std::filesystem::exists(Frame("cli/f1.png")));
    EXPECT_FALSE(std::filesystem::exists(Frame("cli/f2.png")));
    const std::string failing = std::string(OMFTOOL_PATH) + " extract " + file_ + " --track 9 -o " +
                                folder_ + "/cli/f%d.png 2>/dev/null";
    const int failed = std::system(failing.c_str());
    ASSERT_TRUE(WIFEXITED(failed));
    EXPECT_EQ(WEXITSTATUS(failed), 2);
}

} // namespace
