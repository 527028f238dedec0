// OMFFormat objects made by the loaded plug-in's factory: attributes before a file is read,
// Close, and their end.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "loaded_omf_plugin.h"
#include "picture_file_writer.h"
#include "tarsel/script_object.h"
#include "tarsel/system/format_host.h"
#include "tarsel/system/image_format.h"
#include "tarsel/system/preferences.h"

namespace {

RefObject<ImageFormat> NewFormat() {
    Registry* format = OMFFormatClass();
    return RefObject<ImageFormat>(format ? dynamic_cast<ImageFormat*>(format->New()) : nullptr);
}

template <class T> T Attr(ImageFormat& format, Tag tag, bool* answered = nullptr) {
    T value{};
    std::memset(&value, 0xA5, sizeof value); // a value the answer must overwrite
    const bool ok = format.CopyAttr(tag, &value);
    if (answered) *answered = ok;
    return value;
}

TEST(OMFFormatObject, FactoryMakesAnImageFormatBoundToItsScriptClass) {
    RefObject<ImageFormat> format = NewFormat();
    ASSERT_NE(format.get(), nullptr);
    ASSERT_NE(format->GetObjectInfo(), nullptr);
    EXPECT_EQ(format->GetObjectInfo()->ClassName(), "OMFFormat");
    EXPECT_EQ(format->GetObjectInfo()->BaseName(), "ImageFormat");
}

TEST(OMFFormatObject, FrameAttributesBeforeAnyFileIsRead) {
    RefObject<ImageFormat> format = NewFormat();
    ASSERT_NE(format.get(), nullptr);
    bool answered = false;
    EXPECT_EQ(Attr<int32_t>(*format, FormatHost::FirstFrameAttr, &answered), 0);
    EXPECT_TRUE(answered);
    EXPECT_EQ(Attr<int32_t>(*format, FormatHost::FrameCountAttr, &answered), 0);
    EXPECT_TRUE(answered);
    // No rate is known yet: its denominator is 0, which answers 0.0 rather than a division.
    EXPECT_EQ(Attr<double>(*format, FormatHost::FrameRateAttr, &answered), 0.0);
    EXPECT_TRUE(answered);
}

TEST(OMFFormatObject, OtherAttributesComeFromTheImageFormat) {
    RefObject<ImageFormat> format = NewFormat();
    ASSERT_NE(format.get(), nullptr);
    format->Width = 720;
    format->Height = 486;
    bool answered = false;
    EXPECT_EQ(Attr<int32_t>(*format, IFA_Width, &answered), 720);
    EXPECT_TRUE(answered);
    EXPECT_EQ(Attr<int32_t>(*format, IFA_Height, &answered), 486);
    EXPECT_TRUE(answered);
}

TEST(OMFFormatObject, CloseWithoutFileSucceedsAndMarksTheFormatClosed) {
    RefObject<ImageFormat> format = NewFormat();
    ASSERT_NE(format.get(), nullptr);
    EXPECT_FALSE(format->IsClosed());
    EXPECT_TRUE(format->Close());
    EXPECT_TRUE(format->IsClosed());
    EXPECT_EQ(Attr<int32_t>(*format, MFA_IsClosed), 1);
}

TEST(OMFFormatObject, ObjectsMadeOnSeveralThreadsEachEndWithTheirLastReference) {
    Registry* format = OMFFormatClass();
    ASSERT_NE(format, nullptr);
    const int before = format->LiveObjects();
    constexpr int kThreads = 4;
    std::vector<std::thread> threads;
    std::vector<int> made(kThreads, 0);
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 5; ++i) {
                RefObject<ImageFormat> object = NewFormat();
                if (object.get() && object->Close()) ++made[t];
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    for (int count : made)
        EXPECT_EQ(count, 5);
    EXPECT_EQ(format->LiveObjects(), before);
}

TEST(OMFFormatObject, HostOpensAnOMFFileThroughThePlugIn) {
    ASSERT_NE(OMFFormatClass(), nullptr);
    const std::string path = ::testing::TempDir() + "host_opens.omf";
    ASSERT_EQ(plugin_test::WritePictureFile(
                  path, {{"Clip", 720, 486, kOmfFullFrame, {30000, 1001}, {0, 0}, 4}}, true),
              0);
    TarselDoc document;
    std::string error;
    std::unique_ptr<FormatHost> host = FormatHost::Open(path, &document, &error);
    ASSERT_NE(host, nullptr) << error;
    EXPECT_EQ(host->Format()->Width, 720);
    EXPECT_EQ(host->Format()->Height, 486);
    // 720 x 486 NTSC media without an image aspect ratio.
    EXPECT_DOUBLE_EQ(host->Format()->PixelAspectX, double(0.9f));
    EXPECT_DOUBLE_EQ(host->Format()->PixelAspectY, 1.0);
    EXPECT_EQ(host->FirstFrame(), 0);
    EXPECT_EQ(host->FrameCount(), 4);
    EXPECT_NEAR(host->FrameRate(), 29.97, 0.001);
    host.reset();
    std::filesystem::remove(path);
}

TEST(OMFFormatObject, HostRefusesAFileThatIsNotOMF) {
    ASSERT_NE(OMFFormatClass(), nullptr);
    const std::string path = ::testing::TempDir() + "host_refuses.omf";
    std::ofstream(path) << "plain text, not a container";
    TarselDoc document;
    EXPECT_EQ(FormatHost::Open(path, &document), nullptr);
    std::filesystem::remove(path);
}

} // namespace
