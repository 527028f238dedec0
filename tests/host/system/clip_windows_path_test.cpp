// Clips named by paths written as on Windows: backslashes, drive letters and names in another
// case find the file on this system; a path that matches nothing still reads nothing.
#include "tarsel/system/clip.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "media_writer.h"
#include "tarsel/system/image.h"
#include "temp_dir.h"

namespace {

using testmedia::Picture8;

Picture8 Flat(int seed) {
    Picture8 picture{4, 3, std::vector<uint8_t>(4 * 3 * 4)};
    for (std::size_t i = 0; i < picture.RGBA.size(); ++i)
        picture.RGBA[i] = uint8_t(seed * 40 + i);
    return picture;
}

// The first pixel of frame `frame` of a clip on `path`, as 8-bit R; -1 when nothing is read.
int FirstRed(const std::string& path, int frame = 0) {
    Clip* clip = new Clip(path.c_str(), false, nullptr);
    Image* image = clip->GetFrameTagList(frame);
    const int red = image ? int(image->FetchPixel(0, image->Height() - 1).R / 257) : -1;
    if (image) image->Recycle();
    clip->Recycle();
    return red;
}

std::string WithBackslashes(std::string path) {
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

class ClipWindowsPathTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(dir.Path().empty());
        std::filesystem::create_directory(dir.File("Media"));
        for (int i = 0; i < 2; ++i) {
            ASSERT_TRUE(testmedia::WritePng(dir.File("Media/shot.000" + std::to_string(i) + ".png"),
                                            Flat(i + 1)));
        }
    }
    void TearDown() override { ::unsetenv("TARSEL_DRIVE_Q"); }

    // 8-bit R of the first pixel of Flat(seed).
    static int RedOf(int seed) { return Flat(seed).RGBA[0]; }

    TempDir dir;
};

TEST_F(ClipWindowsPathTest, BackslashesNameTheSameFile) {
    EXPECT_EQ(FirstRed(dir.File("Media/shot.0000.png")), RedOf(1));
    EXPECT_EQ(FirstRed(WithBackslashes(dir.File("Media/shot.0000.png"))), RedOf(1));
    EXPECT_EQ(FirstRed(WithBackslashes(dir.File("Media/shot.0009.png"))), -1);
}

TEST_F(ClipWindowsPathTest, DriveLetterReadsFromTheFolderItsVariableNames) {
    const std::string path = "q:\\Media\\shot.0000.png";
    EXPECT_EQ(FirstRed(path), -1); // no folder for drive Q: the rest is read from the root
    ::setenv("TARSEL_DRIVE_Q", dir.Path().c_str(), 1);
    EXPECT_EQ(FirstRed(path), RedOf(1));
    EXPECT_EQ(FirstRed("Q:Media\\shot.0001.png"), RedOf(2));
}

TEST_F(ClipWindowsPathTest, NamesInAnotherCaseFindTheFileAndItsSequence) {
    const std::string upper = WithBackslashes(dir.File("MEDIA/SHOT.0000.PNG"));
    EXPECT_EQ(FirstRed(upper), RedOf(1));
    // The numbered neighbours are those of the file found.
    EXPECT_EQ(FirstRed(upper, 1), RedOf(2));
    EXPECT_EQ(FirstRed(WithBackslashes(dir.File("MEDIA/SHOT.0002.PNG"))), -1);
}

TEST_F(ClipWindowsPathTest, ExactCaseWinsOverAnotherCase) {
    std::filesystem::create_directory(dir.File("media"));
    ASSERT_TRUE(testmedia::WritePng(dir.File("media/shot.0000.png"), Flat(5)));
    EXPECT_EQ(FirstRed(dir.File("media/shot.0000.png")), RedOf(5));
    EXPECT_EQ(FirstRed(dir.File("Media/shot.0000.png")), RedOf(1));
    // Neither spelling as written: the first in sorted order ("Media" before "media").
    EXPECT_EQ(FirstRed(WithBackslashes(dir.File("MEDIA/shot.0000.png"))), RedOf(1));
}

} // namespace
