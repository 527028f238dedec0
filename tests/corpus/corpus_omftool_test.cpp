// The corpus read through the omftool program: info, mobs, frames, audio, tracks and
// extract, compared with what the corpus writer wrote.
#include "corpus_fixture.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sys/wait.h>

namespace corpus_test {
namespace {

const auto* const kCleanup = ::testing::AddGlobalTestEnvironment(new CorpusFolderCleanup);

struct ToolRun {
    int status = -1;
    std::string out;
};

ToolRun Omftool(const std::string& arguments) {
    ToolRun run;
    FILE* pipe = ::popen((std::string(OMFTOOL_PATH) + " " + arguments + " 2>&1").c_str(), "r");
    if (pipe == nullptr) return run;
    char buffer[4096];
    while (size_t read = std::fread(buffer, 1, sizeof buffer, pipe))
        run.out.append(buffer, read);
    const int result = ::pclose(pipe);
    run.status = WIFEXITED(result) ? WEXITSTATUS(result) : -1;
    return run;
}

std::string Quoted(const std::string& text) {
    return "'" + text + "'";
}

corpus::Bytes ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The R, G, B bytes of a binary PPM (16-bit samples reduced to their high byte).
bool ReadPpm(const std::string& path, int* width, int* height, corpus::Bytes* rgb) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int maximum = 0;
    in >> magic >> *width >> *height >> maximum;
    in.get();
    if (magic != "P6" || !in) return false;
    const size_t samples = size_t(*width) * size_t(*height) * 3;
    rgb->assign(samples, 0);
    for (size_t i = 0; i < samples; ++i) {
        int value = in.get();
        if (maximum > 255) in.get(); // big-endian: the high byte came first
        (*rgb)[i] = uint8_t(value);
    }
    return bool(in);
}

uint32_t Little(const corpus::Bytes& bytes, size_t at, int size) {
    uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = value << 8 | bytes[at + size_t(i)];
    return value;
}

class CorpusOmftoolTest : public CorpusTest {
  protected:
    void SetUp() override {
        CorpusTest::SetUp();
        if (HasFatalFailure()) return;
        output_ = CorpusFolder() + "/out_" + GetParam().label + "_" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name();
        for (char& c : output_) {
            if (c == '/' && &c > &output_[CorpusFolder().size()]) c = '_';
        }
        std::filesystem::remove_all(output_);
        std::filesystem::create_directories(output_);
    }
    std::string output_;
};

TEST_P(CorpusOmftoolTest, InfoAndMobsNameEveryMediaAndItsCodec) {
    const ToolRun info = Omftool("info " + Quoted(corpus_->mediaPath));
    EXPECT_EQ(info.status, 0) << info.out;
    // Each file mob's line names a codec and reports no error.
    auto line = [&](const std::string& name) {
        const size_t at = info.out.find("\"" + name + " file\"");
        return at == std::string::npos ? std::string()
                                       : info.out.substr(at, info.out.find('\n', at) - at);
    };
    for (const corpus::PictureMedia& media : corpus_->pictures) {
        EXPECT_NE(line(media.name).find(": codec "), std::string::npos) << media.name << info.out;
        EXPECT_EQ(line(media.name).find("error"), std::string::npos) << line(media.name);
    }
    for (const corpus::SoundMedia& media : corpus_->sounds) {
        EXPECT_NE(line(media.name).find(": codec "), std::string::npos) << media.name << info.out;
        EXPECT_EQ(line(media.name).find("error"), std::string::npos) << line(media.name);
    }
    const ToolRun mobs = Omftool("mobs " + Quoted(corpus_->mediaPath));
    EXPECT_EQ(mobs.status, 0) << mobs.out;
    for (const corpus::PictureMedia& media : corpus_->pictures)
        EXPECT_NE(mobs.out.find(media.name), std::string::npos) << media.name;
    for (const corpus::SoundMedia& media : corpus_->sounds)
        EXPECT_NE(mobs.out.find(media.name), std::string::npos) << media.name;
}

// Every picture master mob's frames as PPM files: uncompressed RGB exactly, the converted
// and compressed kinds by PSNR against the picture they were made from.
TEST_P(CorpusOmftoolTest, FramesMatchThePictures) {
    for (const corpus::PictureMedia& media : corpus_->pictures) {
        SCOPED_TRACE(media.name);
        const std::string folder = output_ + "/" + media.codecID.substr(0, 4);
        std::filesystem::create_directories(folder);
        const ToolRun run = Omftool("frames " + Quoted(corpus_->mediaPath) + " --mob " +
                                    Quoted(media.name) + " -o " + Quoted(folder + "/f%04d.ppm"));
        EXPECT_EQ(run.status, 0) << run.out;
        const bool exact = media.codecID == "RGBA" || media.codecID == "TIFF";
        for (size_t frame = 0; frame < media.rgb.size(); ++frame) {
            char name[32];
            std::snprintf(name, sizeof name, "/f%04zu.ppm", frame);
            int width = 0, height = 0;
            corpus::Bytes rgb;
            ASSERT_TRUE(ReadPpm(folder + name, &width, &height, &rgb)) << name << run.out;
            EXPECT_EQ(width, media.width);
            ASSERT_EQ(size_t(height) * size_t(width) * 3, media.rgb[frame].size());
            if (exact) {
                EXPECT_TRUE(rgb == media.rgb[frame]) << name;
            } else {
                EXPECT_GT(Psnr(media.rgb[frame], rgb), 28.0) << name;
            }
        }
    }
}

TEST_P(CorpusOmftoolTest, AudioMatchesTheSamples) {
    for (const corpus::SoundMedia& media : corpus_->sounds) {
        SCOPED_TRACE(media.name);
        const std::string wave = output_ + "/" + std::to_string(media.master.major) + ".wav";
        const ToolRun run = Omftool("audio " + Quoted(corpus_->mediaPath) + " --mob " +
                                    Quoted(media.name) + " -o " + Quoted(wave));
        ASSERT_EQ(run.status, 0) << run.out;
        const corpus::Bytes bytes = ReadBytes(wave);
        ASSERT_GE(bytes.size(), 44u);
        EXPECT_EQ(Little(bytes, 22, 2), uint32_t(media.channels));
        EXPECT_EQ(Little(bytes, 24, 4), uint32_t(media.rate.numerator));
        EXPECT_EQ(Little(bytes, 34, 2), uint32_t(media.bits));
        EXPECT_TRUE(corpus::Bytes(bytes.begin() + 44, bytes.end()) == media.samples);
    }
}

// The plug-in as a host loads it: the picture master mobs of the media file; the composition
// of the other, played from the pictures its locators name.
TEST_P(CorpusOmftoolTest, TracksAndExtractPlayThroughThePlugin) {
    const ToolRun media = Omftool("tracks " + Quoted(corpus_->mediaPath));
    EXPECT_EQ(media.status, 0) << media.out;
    for (const corpus::PictureMedia& picture : corpus_->pictures)
        EXPECT_NE(media.out.find(picture.name), std::string::npos) << picture.name << media.out;
    const ToolRun edit = Omftool("tracks " + Quoted(corpus_->compositionPath));
    EXPECT_EQ(edit.status, 0) << edit.out;
    const ToolRun extract = Omftool("extract " + Quoted(corpus_->compositionPath) +
                                    " --track 0 --bits 8 -o " + Quoted(output_ + "/e%04d.ppm"));
    EXPECT_EQ(extract.status, 0) << extract.out;
    int frame = 0;
    for (const corpus::ExternalSegment& segment : corpus_->segments) {
        for (int32_t i = 0; i < segment.length; ++i, ++frame) {
            char name[32];
            std::snprintf(name, sizeof name, "/e%04d.ppm", frame);
            int width = 0, height = 0;
            corpus::Bytes rgb;
            ASSERT_TRUE(ReadPpm(output_ + name, &width, &height, &rgb)) << name;
            EXPECT_EQ(width, corpus_->pictureWidth);
            EXPECT_EQ(height, corpus_->pictureHeight);
            EXPECT_EQ(rgb[0], segment.red) << name;
            EXPECT_EQ(rgb[1], segment.green) << name;
            EXPECT_EQ(rgb[2], segment.blue) << name;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Corpus, CorpusOmftoolTest, ::testing::ValuesIn(kCombinations),
                         CombinationName);

} // namespace
} // namespace corpus_test
