// A format plug-in for the tests: registers an image format at load, like a real plug-in.
//
// Files of the format are text: "TFMT <width> <height> <frames>". Frame f is a pattern with
// B = f * 1000 + x, G = y, R = the "Channel" input's value, A = 65535 (x, y from the bottom).
// The plug-in counts its callbacks in integer preferences named "<class>.Init", ".Cleanup",
// ".Created" and ".Destroyed", which outlive the library.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "tarsel/script_object.h"
#include "tarsel/system/application.h"
#include "tarsel/system/image.h"
#include "tarsel/system/image_format.h"
#include "tarsel/system/preferences.h"
#include "tarsel/system/registry.h"
#include "tarsel/system/tool.h"

#ifndef TEST_PLUGIN_CLASS
#define TEST_PLUGIN_CLASS "TestFormat"
#define TEST_PLUGIN_EXTENSION ".tfmt"
#endif

namespace {

// Attributes answered by the format: the number of frames (int32_t) and the rate (double).
constexpr Tag FrameCountAttr = 0x100000cb;
constexpr Tag FrameRateAttr = 0x200000c8;

void Count(const char* what) {
    const std::string name = std::string(TEST_PLUGIN_CLASS) + "." + what;
    DefPrefInt(name, GetPrefInt(name) + 1);
}

bool ReadHeader(const std::string& path, int& width, int& height, int& frames) {
    std::ifstream in(path);
    std::string magic;
    if (!(in >> magic >> width >> height >> frames) || magic != "TFMT") return false;
    return width > 0 && height > 0 && frames > 0;
}

class TestFormat : public ImageFormat {
  public:
    TestFormat(Registry* registry, const ScriptVal& table, const TagList& tags)
        : ImageFormat(registry, table, tags) {
        Count("Created");
    }
    ~TestFormat() override { Count("Destroyed"); }

    bool CopyAttr(Tag tag, void* out) override {
        if (tag == FrameCountAttr) {
            std::memcpy(out, &m_Frames, sizeof m_Frames);
            return true;
        }
        if (tag == FrameRateAttr) {
            const double rate = 25.0;
            std::memcpy(out, &rate, sizeof rate);
            return true;
        }
        return ImageFormat::CopyAttr(tag, out);
    }

    bool IsThisFormat(const TsStringT& path) override {
        int w = 0, h = 0, f = 0;
        return ReadHeader(path.ToANSI(), w, h, f);
    }

    bool Close() override {
        m_Frames = 0;
        if (m_Saved.is_open()) m_Saved.close();
        return ImageFormat::Close();
    }

    bool AddLoadInputs(Tool* tool) override {
        TagList tags;
        tags.Add(LINKID_DataType, CLSID_DataType_Number);
        tags.Add(INPID_InputControl, CLSID_InputControl_Slider);
        tags.Add(INP_MinAllowed, 0.0);
        tags.Add(INP_MaxAllowed, 100.0);
        tags.Add(INP_Integer, 1);
        tags.Add(INP_Default, 7.0);
        m_Channel = tool->AddInput("Channel", "Channel", tags);
        return m_Channel != nullptr;
    }

    bool OnLoadInputChanged(Tool*, Input* input, const Parameter* value) override {
        if (input == m_Channel && value) m_ChannelValue = static_cast<int>(value->Number());
        return true;
    }

    bool ApplyLoadRequest(Tool*, const Request* request) override {
        const Parameter* value = request ? request->GetInputData(m_Channel) : nullptr;
        if (value) m_ChannelValue = static_cast<int>(value->Number());
        return value != nullptr;
    }

    bool AddSaveInputs(Tool* tool) override {
        TagList tags;
        tags.Add(LINKID_DataType, CLSID_DataType_Number);
        tags.Add(INPID_InputControl, CLSID_InputControl_Slider);
        tags.Add(INP_MinAllowed, 0.0);
        tags.Add(INP_MaxAllowed, 100.0);
        tags.Add(INP_Default, 80.0);
        m_Quality = tool->AddInput("Quality", "Quality", tags);
        return m_Quality != nullptr;
    }

    bool OnSaveInputChanged(Tool*, Input* input, const Parameter* value) override {
        if (input == m_Quality && value) ++m_QualityChanges;
        return true;
    }

    bool ApplySaveRequest(Tool*, const Request* request) override {
        const Parameter* value = request ? request->GetInputData(m_Quality) : nullptr;
        if (value) m_SaveQuality = static_cast<int>(value->Number());
        return value != nullptr;
    }

    // Saved files: the header with the template's size, the quality and the number of changes
    // the quality input saw, then one line per frame with the B channel of its pixel (0, 0).
    bool SaveHeader(const TsStringT& path, Image* templateImage) override {
        if (!templateImage) return false;
        m_Saved.open(path.ToANSI());
        m_Saved << "SAVED " << templateImage->Width() << " " << templateImage->Height() << " "
                << m_SaveQuality << " " << m_QualityChanges << "\n";
        return bool(m_Saved);
    }

    bool SaveFrame(Image* image) override {
        if (!m_Saved.is_open() || !image) return false;
        m_Saved << "F " << image->FetchPixel(0, 0).B << "\n";
        m_Saved.flush();
        return bool(m_Saved);
    }

    bool LoadHeader(const TsStringT& path) override {
        if (Document) {
            PixelAspectX = Document->GetPrefDouble(PREF_FFAspectX);
            PixelAspectY = Document->GetPrefDouble(PREF_FFAspectY);
        }
        int w = 0, h = 0, f = 0;
        if (!ReadHeader(path.ToANSI(), w, h, f)) {
            if (Application* app = GetApp()) {
                app->ShowMessage(MSG_Error, "Test Error: %d\n%s", 24, "not a test file");
            }
            return false;
        }
        Width = w;
        Height = h;
        BitsPerPixel = 32;
        m_Frames = f;
        return true;
    }

    bool LoadFrameTagList(int32_t frame, Image*& image, TagList& tags) override {
        if (frame >= m_Frames) return false;
        tags.Set(IMG_PixelAspectX, PixelAspectX);
        tags.Set(IMG_PixelAspectY, PixelAspectY);
        if (!ImageFormat::LoadFrameTagList(frame, image, tags)) return false;
        for (int y = 0; y < Height; ++y) {
            for (int x = 0; x < Width; ++x) {
                image->StorePixel(
                    x, y,
                    {uint32_t(frame * 1000 + x), uint32_t(y), uint32_t(m_ChannelValue), 65535});
            }
        }
        return true;
    }

  private:
    int32_t m_Frames = 0;
    Input* m_Channel = nullptr;
    int m_ChannelValue = 7;
    Input* m_Quality = nullptr;
    int m_SaveQuality = -1;
    int m_QualityChanges = 0;
    std::ofstream m_Saved;
};

Object* MakeFormat(Registry* registry, const ScriptVal& table, const TagList& tags) {
    return new TestFormat(registry, table, tags);
}

bool InitFormat(Registry* registry) {
    Count("Init");
    return Object::RegInit(registry);
}

void CleanupFormat(Registry*) {
    Count("Cleanup");
}

bool RefuseInit(Registry*) {
    Count("BrokenInit");
    return false;
}

ScriptInfo FormatInfo(1, TEST_PLUGIN_CLASS, "", "");

// Registered by static initialisation when the library loads.
struct Registration {
    Registry Format;
    Registry Broken;
    Registration() {
        TagList tags;
        tags.AddPtr(REG_ClassCleanup, RegFunction(&CleanupFormat));
        tags.AddPtr(REG_ClassInit, RegFunction(&InitFormat));
        tags.Add(REG_Version, 0x180000);
        tags.Add(REG_BuildText, "Built: test");
        tags.Add(REG_Parent, CLSID_ImageFormat);
        tags.AddPtr(REG_ScriptInfo, &FormatInfo);
        tags.AddPtr(REG_Factory, RegFunction(&MakeFormat));
        tags.Add(MFREG_Extension, TEST_PLUGIN_EXTENSION);
        tags.Add(MFREG_Extension, ".tfm2");
        tags.Add(MFREG_FormatName, "Test Frames");
        tags.Add(MFREG_CanLoad, 1);
        Format._Init(ClassRegistry, TEST_PLUGIN_CLASS, tags);

        TagList broken;
        broken.AddPtr(REG_ClassInit, RegFunction(&RefuseInit));
        broken.AddPtr(REG_Factory, RegFunction(&MakeFormat));
        broken.Add(REG_Parent, CLSID_ImageFormat);
        broken.Add(MFREG_Extension, ".brk");
        Broken._Init(ClassRegistry, TEST_PLUGIN_CLASS "Broken", broken);
        DefPrefInt(TEST_PLUGIN_CLASS ".Flow", 0);
    }
} TheRegistration;

} // namespace
