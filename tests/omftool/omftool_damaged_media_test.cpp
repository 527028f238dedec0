// omftool extract and frames on a file whose JPEG media has one damaged frame, one that fails to
// read or one that decodes only with a decoder warning: by default both stop there with status
// 2, naming the frame and the cause (the decoder's own text) and leaving no output of it; with
// --skip-damaged both go on, count it apart from gaps and end with status 1.
#include "sample_edit_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <sys/wait.h>

namespace {

namespace fs = std::filesystem;

// The bars master's frame made unreadable: its JPEG image no longer starts with SOI.
constexpr int kDamagedFrame = 3;
constexpr const char* kDamage = "frame 3 is damaged: ";
constexpr const char* kCause = "Unspecified JPEG codec problem";
constexpr const char* kDecoderCause = "Not a JPEG file"; // libjpeg's words for it

struct ToolRun {
    int status = -1;
    std::string out, err;
};

class OmftoolDamagedMedia : public omftool_test::SampleEditTest {
  protected:
    void SetUp() override {
        SampleEditTest::SetUp();
        if (HasFatalFailure()) return;
        std::ifstream in(file_, std::ios::binary);
        std::string bytes{std::istreambuf_iterator<char>(in), {}};
        // Each JPEG image begins FF D8 FF; the uncompressed gradient never holds that.
        const std::string soi = "\xFF\xD8\xFF";
        std::size_t at = bytes.find(soi);
        for (int frame = 0; frame < kDamagedFrame && at != std::string::npos; ++frame)
            at = bytes.find(soi, at + 1);
        ASSERT_NE(at, std::string::npos);
        Damage(bytes, at);
        if (HasFatalFailure()) return;
        std::ofstream(file_, std::ios::binary | std::ios::trunc) << bytes;
    }

    // Damages the image starting at `image` in the file's bytes: it no longer starts with SOI.
    virtual void Damage(std::string& bytes, std::size_t image) {
        bytes[image] = bytes[image + 1] = 0;
    }

    ToolRun Omftool(const std::string& arguments) {
        const std::string errPath = path("err.txt");
        ToolRun run;
        FILE* pipe =
            ::popen((std::string(OMFTOOL_PATH) + " " + arguments + " 2>" + errPath).c_str(), "r");
        if (pipe == nullptr) return run;
        char buffer[4096];
        while (std::size_t read = std::fread(buffer, 1, sizeof buffer, pipe))
            run.out.append(buffer, read);
        const int result = ::pclose(pipe);
        run.status = WIFEXITED(result) ? WEXITSTATUS(result) : -1;
        std::ifstream err(errPath);
        run.err.assign(std::istreambuf_iterator<char>(err), {});
        return run;
    }

    std::vector<std::string> Written(const std::string& folder) {
        std::vector<std::string> names;
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(dir_ / folder, error))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(OmftoolDamagedMedia, ExtractAndFramesStopAtTheDamagedFrameOrSkipAndCountIt) {
    struct Case {
        const char* command; // reads the bars master, whose frame 3 is damaged
        const char* commandName;
    };
    for (const Case& reading : {Case{"frames FILE --index 2", "omftool frames"},
                                Case{"extract FILE --track 1", "omftool extract"}}) {
        std::string arguments = reading.command;
        arguments.replace(arguments.find("FILE"), 4, file_);
        SCOPED_TRACE(arguments);
        fs::remove_all(dir_ / "stop");
        fs::remove_all(dir_ / "skip");

        const ToolRun stops = Omftool(arguments + " -o " + path("stop/f%02d.png"));
        EXPECT_EQ(stops.status, 2) << stops.err;
        EXPECT_NE(stops.err.find(std::string(reading.commandName) + ": " + kDamage),
                  std::string::npos)
            << stops.err;
        EXPECT_NE(stops.err.find(kCause), std::string::npos) << stops.err;
        EXPECT_NE(stops.err.find(kDecoderCause), std::string::npos) << stops.err;
        EXPECT_EQ(Written("stop"), (std::vector<std::string>{"f00.png", "f01.png", "f02.png"}));

        const ToolRun skips = Omftool(arguments + " --skip-damaged -o " + path("skip/f%02d.png"));
        EXPECT_EQ(skips.status, 1) << skips.err;
        EXPECT_NE(skips.out.find("; 1 damaged frame skipped\n"), std::string::npos) << skips.out;
        EXPECT_EQ(skips.out.find("gaps"), std::string::npos) << skips.out;
        const std::vector<std::string> written = Written("skip");
        EXPECT_EQ(written.size(), 11u);
        EXPECT_EQ(std::count(written.begin(), written.end(), "f03.png"), 0);
    }
}

TEST_F(OmftoolDamagedMedia, AMovieIsNotKeptAndGapsStayApartFromDamage) {
    const ToolRun movie = Omftool("extract " + file_ + " --track 1 -o " + path("bars.mov"));
    EXPECT_EQ(movie.status, 2) << movie.err;
    EXPECT_NE(movie.err.find(kDamage), std::string::npos) << movie.err;
    EXPECT_FALSE(fs::exists(path("bars.mov")));

    // The second sequence: the bars from their frame 2 (its frame 1 is the damaged one), then a
    // gap of 3 frames.
    const ToolRun sequence =
        Omftool("extract " + file_ + " --track 3 --skip-damaged -o " + path("seq/f%02d.png"));
    EXPECT_EQ(sequence.status, 1) << sequence.err;
    EXPECT_NE(sequence.out.find("3 could not be read (gaps or missing media); 1 damaged frame "
                                "skipped\n"),
              std::string::npos)
        << sequence.out;
    EXPECT_NE(sequence.err.find("frame 1 is damaged"), std::string::npos) << sequence.err;
}

// The same frame with its image intact but its entropy-coded data cut short by an end-of-image
// marker halfway: libjpeg decodes it anyway, with a warning, into a picture half grey.
class OmftoolWarnedMedia : public OmftoolDamagedMedia {
  protected:
    void Damage(std::string& bytes, std::size_t image) override {
        const std::size_t scan = bytes.find("\xFF\xDA", image);
        const std::size_t next = bytes.find("\xFF\xD8\xFF", image + 1);
        ASSERT_NE(scan, std::string::npos);
        ASSERT_LT(scan, next);
        const std::size_t middle = scan + (next - scan) / 2;
        bytes[middle] = '\xFF';
        bytes[middle + 1] = '\xD9';
    }
};

TEST_F(OmftoolWarnedMedia, AFrameDecodedWithADecoderWarningIsDamagedAndNamedByTheDecoder) {
    for (const char* command : {"frames", "extract"}) {
        const std::string arguments =
            std::string(command) + " " + file_ + (command[0] == 'f' ? " --index 2" : " --track 1");
        SCOPED_TRACE(arguments);
        fs::remove_all(dir_ / "stop");
        fs::remove_all(dir_ / "skip");

        const ToolRun stops = Omftool(arguments + " -o " + path("stop/f%02d.png"));
        EXPECT_EQ(stops.status, 2) << stops.err;
        EXPECT_NE(stops.err.find(kDamage), std::string::npos) << stops.err;
        EXPECT_NE(stops.err.find("Corrupt JPEG data"), std::string::npos) << stops.err;
        // The frames before it decode as ever.
        EXPECT_EQ(Written("stop"), (std::vector<std::string>{"f00.png", "f01.png", "f02.png"}));

        const ToolRun skips = Omftool(arguments + " --skip-damaged -o " + path("skip/f%02d.png"));
        EXPECT_EQ(skips.status, 1) << skips.err;
        EXPECT_NE(skips.out.find("; 1 damaged frame skipped\n"), std::string::npos) << skips.out;
        EXPECT_EQ(Written("skip").size(), 11u);
    }
}

} // namespace
