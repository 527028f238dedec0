// A movie read frame by frame through the movie server.
#include "movie_input.h"

#include "movie_server.h"

#include "tarsel/system/frame_section.h"
#include "tarsel/system/image.h"
#include "tarsel/system/qt_server.h"

#include <algorithm>
#include <filesystem>
#include <vector>

namespace omftool {
namespace {

// The server's code of 32-bit A R G B pixels.
constexpr int64_t kArgbPixels = 32;

} // namespace

MovieInput::MovieInput() = default;

MovieInput::~MovieInput() = default;

bool MovieInput::open(const std::string& path, std::string& why) {
    if (!state_.open(why)) return false;
    ScriptVal attributes = ScriptVal::NewTable();
    attributes.Set("PixelFormat", "bit32");
    g_QTRemoteApp.CallMember("SetStateAttrs", ArgumentTable({state_.get(), attributes}));
    std::error_code error;
    const std::string absolute = std::filesystem::absolute(path, error).string();
    if (!g_QTRemoteApp.CallMember("LoadHeader", ArgumentTable({state_.get(), absolute}))
             .ToBoolean()) {
        why = "not a movie the movie server reads";
        return false;
    }
    const ScriptVal header = g_QTRemoteApp.CallMember("GetStateAttrs", state_.get());
    width_ = int(header.ToInteger("Width"));
    height_ = int(header.ToInteger("Height"));
    frames_ = header.ToInteger("NumFrames");
    rate_ = header.ToNumber("Rate");
    if (width_ <= 0 || height_ <= 0 || header.ToInteger("PixelFormat") != kArgbPixels) {
        why = "the movie server gives no 32-bit frames of this movie";
        return false;
    }
    return true;
}

Image* MovieInput::frame(int64_t frame) {
    if (!state_.isOpen() || frame < 0 || frame >= frames_) return nullptr;
    const ScriptVal answer =
        g_QTRemoteApp.CallMember("LoadFrame", ArgumentTable({state_.get(), frame}));
    if (answer.ToInteger("PixMapPixelFormat") != kArgbPixels) return nullptr;
    const std::optional<std::size_t> rows = rowBytesOf(answer.ToInteger("RowModulo"), width_);
    if (!rows) return nullptr;
    const std::size_t rowBytes = *rows;
    const std::size_t needed = rowBytes * std::size_t(height_);
    const uint8_t* bytes = nullptr;
    if (const ScriptVal* block = answer.FindKeyConst("RawDataOut"); block && block->GetData()) {
        if (block->GetData()->size >= needed)
            bytes = static_cast<const uint8_t*>(block->GetData()->data);
    } else if (const std::string name = answer.ToString("MapName"); !name.empty()) {
        if (name != sectionName_) {
            section_ = FrameSectionView::Open(name);
            sectionName_ = section_ ? name : std::string();
        }
        if (section_ && section_->Bytes().size() >= needed) bytes = section_->Bytes().data();
    }
    if (!bytes) return nullptr;
    // The host takes R, G, B, A bytes.
    std::vector<uint8_t> rgba(std::size_t(width_) * std::size_t(height_) * 4);
    for (int y = 0; y < height_; ++y) {
        const uint8_t* in = bytes + std::size_t(y) * rowBytes;
        uint8_t* out = rgba.data() + std::size_t(y) * std::size_t(width_) * 4;
        for (int x = 0; x < width_; ++x, in += 4, out += 4) {
            out[0] = in[1];
            out[1] = in[2];
            out[2] = in[3];
            out[3] = in[0];
        }
    }
    return Image::FromRGBA8(rgba.data(), width_, height_, std::ptrdiff_t(width_) * 4);
}

} // namespace omftool
