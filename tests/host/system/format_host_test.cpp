// FormatHost drives a plug-in's format through reading and saving in the host's order.
#include "tarsel/system/format_host.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "loaded_test_plugin.h"
#include "tarsel/system/image.h"
#include "tarsel/system/image_format.h"
#include "tarsel/system/object.h"
#include "tarsel/system/preferences.h"
#include "temp_dir.h"

namespace {

class FormatHostTest : public testing::Test {
  protected:
    void SetUp() override { ASSERT_NE(LoadedTestPlugin(), nullptr); }

    std::string WriteFile(const std::string& name, const std::string& text) {
        std::ofstream(dir.File(name)) << text;
        return dir.File(name);
    }

    TempDir dir;
    TarselDoc document;
};

TEST_F(FormatHostTest, ReadingAppliesInputsAndDeliversFrames) {
    std::string error;
    auto host = FormatHost::Open(WriteFile("a.tfmt", "TFMT 3 2 4\n"), &document, &error);
    ASSERT_NE(host, nullptr) << error;
    EXPECT_EQ(host->FirstFrame(), 0); // not answered by the format: the fallback
    EXPECT_EQ(host->FrameCount(), 4);
    EXPECT_DOUBLE_EQ(host->FrameRate(), 25.0);
    Image* frame = host->LoadFrame(2);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->FetchPixel(2, 1), (Pixel{2002, 1, 7, 65535}));
    frame->Recycle();

    EXPECT_TRUE(host->SetInput("Channel", Parameter(12.0)));
    EXPECT_FALSE(host->SetInput("NoSuchInput", Parameter(1.0)));
    frame = host->LoadFrame(0);
    EXPECT_EQ(frame->FetchPixel(0, 0).R, 12u);
    frame->Recycle();
    EXPECT_EQ(host->LoadFrame(4), nullptr);
    EXPECT_EQ(host->SaveFrame(nullptr), false);
}

TEST_F(FormatHostTest, OpeningFailsWithAReason) {
    std::string error;
    EXPECT_EQ(FormatHost::Open(WriteFile("a.xyz", "TFMT 3 2 4\n"), &document, &error), nullptr);
    EXPECT_NE(error.find("no image format"), std::string::npos);
    EXPECT_EQ(FormatHost::Open(WriteFile("b.tfmt", "nonsense"), &document, &error), nullptr);
    EXPECT_NE(error.find("does not recognise"), std::string::npos);
    EXPECT_EQ(FormatHost::Open(dir.File("missing.tfmt"), &document, &error), nullptr);
}

Object* MakePlainObject(Registry* registry, const ScriptVal&, const TagList&) {
    return new Object(registry);
}

TEST_F(FormatHostTest, AClassThatMakesNoImageFormatIsRefusedAndItsObjectReleased) {
    Registry liar;
    TagList tags;
    tags.Add(REG_Parent, CLSID_ImageFormat);
    tags.AddPtr(REG_Factory, RegFunction(&MakePlainObject));
    tags.Add(MFREG_Extension, ".plain");
    ASSERT_TRUE(liar._Init(ClassRegistry, "PlainObjectMaker", tags));
    std::string error;
    EXPECT_EQ(FormatHost::Create(dir.File("x.plain"), &document, &error), nullptr);
    EXPECT_NE(error.find("made no image format"), std::string::npos);
    EXPECT_EQ(liar.LiveObjects(), 0);
}

TEST_F(FormatHostTest, SavingAppliesTheSaveInputsBeforeTheHeader) {
    const std::string path = dir.File("out.tfmt");
    {
        std::string error;
        auto host = FormatHost::Create(path, &document, &error);
        ASSERT_NE(host, nullptr) << error;
        ASSERT_TRUE(host->SetInput("Quality", Parameter(93.0)));
        Image* image = Image::New(5, 4);
        ASSERT_TRUE(host->SaveHeader(image));
        for (uint32_t b : {11u, 22u}) {
            image->StorePixel(0, 0, {b, 0, 0, 65535});
            ASSERT_TRUE(host->SaveFrame(image));
        }
        EXPECT_EQ(host->LoadFrame(0), nullptr);
        image->Recycle();
    } // closes the format
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), "SAVED 5 4 93 1\nF 11\nF 22\n");
}

} // namespace
