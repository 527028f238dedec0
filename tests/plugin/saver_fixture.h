// Test helper: frames written through the loaded plug-in's saver as a host writes them (save
// inputs, a request, SaveHeader with the first frame, SaveFrame per frame, Close), read back
// through its loader, and compared.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "loaded_omf_plugin.h"
#include "omf_format.h"
#include "tarsel/system/application.h"
#include "tarsel/system/format_host.h"
#include "tarsel/system/image.h"
#include "tarsel/system/image_format.h"
#include "tarsel/system/preferences.h"

namespace saver_test {

// Releases an image when it goes.
struct ImageOwner {
    Image* image = nullptr;
    explicit ImageOwner(Image* made = nullptr) : image(made) {}
    ~ImageOwner() {
        if (image) image->Recycle();
    }
    ImageOwner(const ImageOwner&) = delete;
    ImageOwner& operator=(const ImageOwner&) = delete;
    Image* operator->() const { return image; }
    Image* get() const { return image; }
};

// A frame whose every pixel differs from its neighbours and from the same pixel of other frames:
// 8-bit values placed in the high byte, so that the saver's bytes hold them exactly.
inline Pixel NoisePixel(int x, int y, int frame) {
    auto value = [&](int salt) {
        return uint32_t((x * 29 + y * 53 + frame * 97 + salt * 71 + (x * y) % 7) & 0xFF) * 257u;
    };
    return {value(1), value(2), value(3), value(4)};
}

// A smooth picture JPEG keeps well: gradients that move with the frame number.
inline Pixel SmoothPixel(int x, int y, int frame, int width, int height) {
    auto level = [](double v) { return uint32_t(std::lround(std::clamp(v, 0.0, 255.0))) * 257u; };
    const double u = double(x) / width, v = double(y) / height;
    return {level(255 * u), level(255 * v),
            level(128 + 100 * std::sin(6.28 * (u + v) + frame * 0.5)), 65535};
}

template <typename Paint> Image* MakeImage(int width, int height, Paint paint) {
    Image* image = Image::New(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image->StorePixel(x, y, paint(x, y));
    return image;
}

// Peak signal-to-noise ratio of the R, G, B channels (8-bit scale) of two equal-sized images
// over the rows [fromTop, toTop) counted from the top.
inline double PSNR(const Image& a, const Image& b, int fromTop, int toTop) {
    double squares = 0;
    long samples = 0;
    for (int row = fromTop; row < toTop; ++row) {
        const int y = a.Height() - 1 - row;
        for (int x = 0; x < a.Width(); ++x) {
            const Pixel p = a.FetchPixel(x, y), q = b.FetchPixel(x, y);
            for (auto [s, t] : {std::pair{p.R, q.R}, {p.G, q.G}, {p.B, q.B}}) {
                const double d = (double(s >> 8) - double(t >> 8));
                squares += d * d;
                ++samples;
            }
        }
    }
    if (samples == 0) return 0;
    if (squares == 0) return 99.0;
    return 10 * std::log10(255.0 * 255.0 / (squares / samples));
}

// What the saver is asked for.
struct SaveChoice {
    const char* codec;
    const char* variety = nullptr;
    double rate = 25.0;
    double quality = 93.0;
};

class SaverTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(OMFFormatClass(), nullptr);
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        // Parameterised tests are named "Test/Case".
        std::replace(name.begin(), name.end(), '/', '_');
        path_ = ::testing::TempDir() + "saver_" + name + ".omf";
        std::filesystem::remove(path_);
    }
    void TearDown() override { std::filesystem::remove(path_); }

    // A saving host with the choice applied to its inputs.
    std::unique_ptr<FormatHost> Saver(const SaveChoice& choice) {
        std::string error;
        auto host = FormatHost::Create(path_, &document_, &error);
        EXPECT_NE(host, nullptr) << error;
        if (!host) return nullptr;
        host->SetInput("Codec", Parameter(TsID(choice.codec)));
        if (choice.variety) {
            host->SetInput(TsID(std::string(choice.codec) + ".CodecVariety"),
                           Parameter(TsID(choice.variety)));
        }
        host->SetInput("FrameRateFps", Parameter(choice.rate));
        host->SetInput("Quality", Parameter(choice.quality));
        return host;
    }

    // Writes the frames; answers whether SaveHeader, every SaveFrame and the close succeeded.
    bool Save(const SaveChoice& choice, const std::vector<Image*>& frames) {
        auto host = Saver(choice);
        if (!host || frames.empty()) return false;
        bool written = host->SaveHeader(frames.front());
        for (Image* frame : frames)
            written = written && host->SaveFrame(frame);
        const omfplugin::SaveState& state =
            static_cast<const omfplugin::OMFFormat*>(host->Format())->Saving();
        saved_ = {state.CodecText, state.Layout, state.SeparateFields, state.FieldOrderCode,
                  state.DisplayAspect};
        return host->Format()->Close() && written;
    }

    // What the saver set up, kept from the format before it closed.
    struct SavedFacts {
        std::string codecText;
        omfInt32 layout = 0;
        bool separateFields = false;
        omfInt32 fieldOrderCode = 0;
        omfRational_t aspect{};
    };

    std::string path_;
    TarselDoc document_;
    Application app_; // collects the plug-in's messages
    SavedFacts saved_;
};

} // namespace saver_test
