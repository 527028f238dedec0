// A plug-in loaded with dlopen registers its classes, which the framework initialises, finds by
// extension, creates and drives like a host; unloading cleans the classes up.
#include "tarsel/system/registry.h"

#include <gtest/gtest.h>

#include <fstream>

#include "loaded_test_plugin.h"
#include "tarsel/system/application.h"
#include "tarsel/system/image.h"
#include "tarsel/system/image_format.h"
#include "tarsel/system/preferences.h"
#include "tarsel/system/tool.h"
#include "temp_dir.h"

namespace {

constexpr Tag FrameCountAttr = 0x100000cb;

class FormatPluginTest : public testing::Test {
  protected:
    void SetUp() override {
        plugin = LoadedTestPlugin();
        ASSERT_NE(plugin, nullptr);
    }

    // Makes a format object the way a host does, with the document in the tags.
    RefObject<ImageFormat> MakeFormat() {
        Registry* registry = ClassRegistry->FindByExtension("clip.tfmt", CLSID_ImageFormat);
        if (!registry) return {};
        TagList tags;
        tags.AddPtr(MFMT_Document, &document);
        return RefObject<ImageFormat>(dynamic_cast<ImageFormat*>(registry->New(ScriptVal(), tags)));
    }

    std::string WriteFile(const std::string& name, const std::string& text) {
        std::ofstream(dir.File(name)) << text;
        return dir.File(name);
    }

    Plugin* plugin = nullptr;
    TempDir dir;
    TarselDoc document;
};

TEST_F(FormatPluginTest, LoadingRegistersAndInitialisesEachClassOnce) {
    ASSERT_EQ(plugin->Classes().size(), 2u);
    EXPECT_EQ(GetPrefInt("TestFormat.Init"), 1);
    EXPECT_EQ(GetPrefInt("TestFormat.BrokenInit"), 1);
    EXPECT_EQ(GetPrefInt("TestFormat.Flow", -1), 0); // registered during static initialisation
    Registry* format = ClassRegistry->Find("TestFormat");
    ASSERT_NE(format, nullptr);
    EXPECT_TRUE(format->IsUsable());
    EXPECT_TRUE(format->IsA(CLSID_ImageFormat));
    EXPECT_TRUE(format->IsA(CLSID_MediaFormat));
    EXPECT_TRUE(format->IsA(CLSID_Object));
    EXPECT_FALSE(format->IsA("Clip"));
    EXPECT_EQ(format->Tags().GetText(MFREG_FormatName), "Test Frames");
    // A class whose initialisation fails is never answered.
    EXPECT_EQ(ClassRegistry->Find("TestFormatBroken"), nullptr);
    EXPECT_EQ(ClassRegistry->FindByExtension("x.brk"), nullptr);
    EXPECT_EQ(GetPrefInt("TestFormat.BrokenInit"), 1);
}

TEST_F(FormatPluginTest, ClassesAreFoundByExtensionIgnoringCase) {
    Registry* format = ClassRegistry->Find("TestFormat");
    EXPECT_EQ(ClassRegistry->FindByExtension("/media/Clip.TFMT"), format);
    EXPECT_EQ(ClassRegistry->FindByExtension("clip.tfm2"), format);
    EXPECT_EQ(ClassRegistry->FindByExtension("clip.tfmt.png"), nullptr);
    EXPECT_EQ(ClassRegistry->FindByExtension("tfmt"), nullptr);
    EXPECT_EQ(ClassRegistry->FindByExtension("clip.tfmt", "SomeOtherBase"), nullptr);
}

TEST_F(FormatPluginTest, TheSameLibraryIsNotLoadedTwiceAndBadPathsFail) {
    std::string error;
    EXPECT_EQ(Plugin::Load(TEST_PLUGIN_PATH, &error), nullptr);
    EXPECT_NE(error.find("already loaded"), std::string::npos);
    EXPECT_EQ(Plugin::Load(dir.File("missing.so"), &error), nullptr);
    EXPECT_FALSE(error.empty());
    const std::string notALibrary = WriteFile("fake.so", "not an ELF file");
    EXPECT_EQ(Plugin::Load(notALibrary, &error), nullptr);
}

TEST_F(FormatPluginTest, RegistryRefusesDuplicateAndEmptyClassIDs) {
    Registry duplicate;
    EXPECT_FALSE(duplicate._Init(ClassRegistry, "TestFormat", TagList()));
    Registry empty;
    EXPECT_FALSE(empty._Init(ClassRegistry, NOID, TagList()));
    Registry local;
    TagList tags;
    tags.Add(REG_Parent, CLSID_MediaFormat);
    ASSERT_TRUE(local._Init(ClassRegistry, "LocalFormat", tags));
    EXPECT_FALSE(local._Init(ClassRegistry, "LocalFormat2", tags));
    EXPECT_EQ(ClassRegistry->Find("LocalFormat"), &local); // no init callback: usable
    EXPECT_EQ(local.New(), nullptr);                       // but it has no factory
    EXPECT_TRUE(local.IsA(CLSID_Object));
    EXPECT_FALSE(local.IsA(CLSID_ImageFormat));

    // The parent may also be given as a pointer to its ID, and may be a registered class.
    Registry child;
    TagList childTags;
    childTags.AddPtr(REG_Parent, const_cast<TsID*>(&CLSID_ImageFormat));
    ASSERT_TRUE(child._Init(ClassRegistry, "PointerParentFormat", childTags));
    EXPECT_TRUE(child.IsA(CLSID_MediaFormat));
    Registry grandchild;
    TagList grandchildTags;
    grandchildTags.Add(REG_Parent, TsID("PointerParentFormat"));
    ASSERT_TRUE(grandchild._Init(ClassRegistry, "GrandchildFormat", grandchildTags));
    EXPECT_TRUE(grandchild.IsA(CLSID_ImageFormat));
    EXPECT_FALSE(grandchild.IsA("LocalFormat"));
}

TEST_F(FormatPluginTest, ParentLoopsDoNotHangIsA) {
    Registry first, second;
    TagList firstTags, secondTags;
    firstTags.Add(REG_Parent, TsID("LoopSecond"));
    secondTags.Add(REG_Parent, TsID("LoopFirst"));
    ASSERT_TRUE(first._Init(ClassRegistry, "LoopFirst", firstTags));
    ASSERT_TRUE(second._Init(ClassRegistry, "LoopSecond", secondTags));
    EXPECT_FALSE(first.IsA(CLSID_MediaFormat));
    EXPECT_TRUE(first.IsA("LoopSecond"));
}

// Records what a class's own lookup answered while its initialisation ran.
Registry* FoundDuringInit = reinterpret_cast<Registry*>(1);
bool LookUpSelf(Registry*) {
    FoundDuringInit = ClassRegistry->Find("SelfLookupFormat");
    return true;
}

TEST_F(FormatPluginTest, AnInitCallbackMayLookItsClassUp) {
    Registry self;
    TagList tags;
    tags.AddPtr(REG_ClassInit, RegFunction(&LookUpSelf));
    ASSERT_TRUE(self._Init(ClassRegistry, "SelfLookupFormat", tags));
    EXPECT_EQ(ClassRegistry->Find("SelfLookupFormat"), &self);
    EXPECT_EQ(FoundDuringInit, nullptr); // not usable before its initialisation has finished
}

TEST_F(FormatPluginTest, AFormatIsDrivenThroughHeaderInputsAndFrames) {
    Application app;
    const int created = int(GetPrefInt("TestFormat.Created"));
    const int destroyed = int(GetPrefInt("TestFormat.Destroyed"));
    document.SetPref(PREF_FFAspectX, 0.9);
    {
        RefObject<ImageFormat> format = MakeFormat();
        ASSERT_TRUE(format);
        EXPECT_EQ(GetPrefInt("TestFormat.Created"), created + 1);
        EXPECT_EQ(format->GetDocument(), &document);
        ASSERT_NE(format->GetObjectInfo(), nullptr);
        EXPECT_EQ(format->GetObjectInfo()->ClassName(), "TestFormat");

        const std::string good = WriteFile("a.tfmt", "TFMT 6 4 5\n");
        const std::string bad = WriteFile("b.tfmt", "JUNK\n");
        EXPECT_TRUE(format->IsThisFormat(good.c_str()));
        EXPECT_FALSE(format->IsThisFormat(bad.c_str()));
        EXPECT_FALSE(format->LoadHeader(bad.c_str()));
        ASSERT_FALSE(app.LastMessages().empty());
        EXPECT_EQ(app.LastMessages().back().Text, "Test Error: 24\nnot a test file");
        ASSERT_TRUE(format->LoadHeader(good.c_str()));

        int32_t frames = 0, width = 0;
        double aspect = 0;
        ASSERT_TRUE(format->CopyAttr(FrameCountAttr, &frames));
        ASSERT_TRUE(format->CopyAttr(IFA_Width, &width));
        ASSERT_TRUE(format->CopyAttr(IFA_PixelAspectX, &aspect));
        EXPECT_EQ(frames, 5);
        EXPECT_EQ(width, 6);
        EXPECT_DOUBLE_EQ(aspect, 0.9);
        EXPECT_FALSE(format->CopyAttr(0x10001234, &frames));

        Tool loader("Loader1", &document);
        ASSERT_TRUE(format->AddLoadInputs(&loader));
        loader.OnInputChanged([&](Tool* tool, Input* input, const Parameter* value) {
            format->OnLoadInputChanged(tool, input, value);
        });
        Input* channel = loader.FindInput("Channel");
        ASSERT_NE(channel, nullptr);
        EXPECT_EQ(loader.FindInput("Loader1Channel"), channel);
        EXPECT_DOUBLE_EQ(channel->Value().Number(), 7.0);
        ASSERT_TRUE(loader.SetInput(channel, Parameter(41.6))); // rounded by INP_Integer

        Image* image = nullptr;
        TagList tags;
        ASSERT_TRUE(format->LoadFrameTagList(3, image, tags));
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->Width(), 6);
        EXPECT_EQ(image->Height(), 4);
        EXPECT_DOUBLE_EQ(image->PixelAspectX(), 0.9);
        EXPECT_EQ(image->FetchPixel(5, 2), (Pixel{3005, 2, 42, 65535}));
        EXPECT_FALSE(format->LoadFrameTagList(5, image, tags));

        loader.SetInput(channel, Parameter(500.0)); // clamped to the largest allowed value
        Request request = loader.MakeRequest();
        loader.OnInputChanged({});
        loader.SetInput(channel, Parameter(1.0)); // after the request: not in it
        ASSERT_TRUE(format->ApplyLoadRequest(&loader, &request));
        ASSERT_TRUE(format->LoadFrameTagList(0, image, tags));
        EXPECT_EQ(image->FetchPixel(0, 0), (Pixel{0, 0, 100, 65535}));
        image->Recycle();

        EXPECT_TRUE(format->Close());
        int32_t closed = 0;
        EXPECT_TRUE(format->CopyAttr(MFA_IsClosed, &closed));
        EXPECT_EQ(closed, 1);
        EXPECT_EQ(ClassRegistry->Find("TestFormat")->LiveObjects(), 1);
    }
    EXPECT_EQ(GetPrefInt("TestFormat.Destroyed"), destroyed + 1);
    EXPECT_EQ(ClassRegistry->Find("TestFormat")->LiveObjects(), 0);
}

TEST_F(FormatPluginTest, BaseImageFormatMakesFramesOnlyWithASize) {
    ImageFormat base(nullptr, ScriptVal(), TagList());
    Image* image = nullptr;
    TagList tags;
    EXPECT_FALSE(base.LoadFrameTagList(0, image, tags));
    EXPECT_EQ(image, nullptr);
    base.Width = 4;
    base.Height = 2;
    base.PixelAspectY = 2.0;
    tags.Set(IMG_PixelAspectX, 0.5);
    ASSERT_TRUE(base.LoadFrameTagList(0, image, tags));
    EXPECT_EQ(image->Width(), 4);
    EXPECT_DOUBLE_EQ(image->PixelAspectX(), 0.5);
    EXPECT_DOUBLE_EQ(image->PixelAspectY(), 2.0);
    EXPECT_FALSE(base.LoadFrameTagList(-1, image, tags));
    image->Recycle();
    EXPECT_FALSE(base.IsThisFormat("x"));
    EXPECT_FALSE(base.LoadHeader("x"));
}

TEST(PluginUnloading, CleanupRunsAndTheClassDisappears) {
    std::string error;
    auto plugin = Plugin::Load(TEST_UNLOAD_PLUGIN_PATH, &error);
    ASSERT_NE(plugin, nullptr) << error;
    EXPECT_EQ(GetPrefInt("UnloadFormat.Init"), 1);
    Registry* registry = ClassRegistry->FindByExtension("x.unl");
    ASSERT_NE(registry, nullptr);
    RefObject<Object> object(registry->New());
    ASSERT_TRUE(object);
    plugin.reset(); // objects are alive: cleanup runs but the library stays loaded
    EXPECT_EQ(GetPrefInt("UnloadFormat.Cleanup"), 1);
    EXPECT_EQ(ClassRegistry->FindByExtension("x.unl"), nullptr);
    EXPECT_EQ(object->GetObjectInfo()->ClassName(), "UnloadFormat"); // its code is still there
    object = RefObject<Object>();
    EXPECT_EQ(GetPrefInt("UnloadFormat.Destroyed"), 1);
}

} // namespace
