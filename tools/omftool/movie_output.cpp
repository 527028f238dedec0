// Frames written as a movie through the movie server.
#include "movie_output.h"

#include "movie_input.h"
#include "movie_server.h"

#include "tarsel/system/image.h"
#include "tarsel/system/qt_server.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>

namespace omftool {
namespace {

std::string Lowercase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

} // namespace

bool isMoviePath(const std::string& path) {
    const std::string extension = Lowercase(std::filesystem::path(path).extension().string());
    return extension == ".mov" || extension == ".qt";
}

std::string MovieOutput::codecIdentifier(const std::string& codec) {
    // A four-character type is matched with its trailing spaces ("png" is "png ").
    std::string type = codec.size() < 4 ? codec + std::string(4 - codec.size(), ' ') : codec;
    std::string found;
    const ScriptVal list = g_QTRemoteApp.CallMember("GetCodecList", state_.get());
    for (std::size_t i = 1; list.IsTable() && i <= list.NumKeys(); ++i) {
        const ScriptVal* entry = list.FindKeyConst(int64_t(i));
        if (!entry || !entry->IsTable()) continue;
        const std::string identifier =
            entry->ToString("Name") + "_" + entry->ToString("Compressor");
        if (identifier == codec || entry->ToString("Compressor") == type) {
            found = identifier;
            break;
        }
    }
    g_QTRemoteApp.CallMember("DisposeCodecList", state_.get());
    return found;
}

bool MovieOutput::start(const std::string& path, int width, int height, double rate,
                        const std::string& codec, std::string& why) {
    if (!state_.open(why)) return false;
    const std::string identifier = codecIdentifier(codec);
    if (identifier.empty()) {
        why = "the movie server has no codec \"" + codec + "\"";
        return false;
    }
    const auto frameRate = int64_t(std::llround(rate * 1000.0));
    if (frameRate <= 0) {
        why = "no frame rate for the movie";
        return false;
    }
    ScriptVal settings = ScriptVal::NewTable();
    settings.Set("Width", width);
    settings.Set("Height", height);
    settings.Set("FrameRate", frameRate);
    settings.Set("CodecID", identifier);
    settings.Set("PixelFormat", "bit32");
    std::error_code error;
    const std::string absolute = std::filesystem::absolute(path, error).string();
    path_ = path;
    if (!g_QTRemoteApp.CallMember("SaveHeader", ArgumentTable({state_.get(), absolute, settings}))
             .ToBoolean()) {
        why = "the movie server cannot write " + path + " with " + identifier;
        return false;
    }
    const ScriptVal attributes = g_QTRemoteApp.CallMember("GetStateAttrs", state_.get());
    width_ = width;
    height_ = height;
    // Before SaveFrame the server may not have settled its rows yet (0): packed rows then.
    const int64_t rowModulo = attributes.ToInteger("RowModulo");
    const std::optional<std::size_t> rows =
        rowBytesOf(rowModulo == 0 ? int64_t(width) * 4 : rowModulo, width);
    if (!rows) {
        why = "the movie server answered rows of " + std::to_string(rowModulo) + " bytes for " +
              std::to_string(width) + " pixels";
        return false;
    }
    rowBytes_ = *rows;
    pixels_.assign(rowBytes_ * std::size_t(height), 0);
    return true;
}

bool MovieOutput::add(const Image& image, std::string& why) {
    if (!state_.isOpen()) {
        why = "no movie was started";
        return false;
    }
    if (image.Width() != width_ || image.Height() != height_) {
        why = "a frame of " + std::to_string(image.Width()) + "x" + std::to_string(image.Height()) +
              " for a movie of " + std::to_string(width_) + "x" + std::to_string(height_);
        return false;
    }
    image.ToRGBA8(pixels_.data(), std::ptrdiff_t(rowBytes_));
    // The server takes A, R, G, B bytes.
    for (int y = 0; y < height_; ++y) {
        uint8_t* row = pixels_.data() + std::size_t(y) * rowBytes_;
        for (int x = 0; x < width_; ++x)
            std::rotate(row + 4 * x, row + 4 * x + 3, row + 4 * x + 4);
    }
    ScriptVal frame = ScriptVal::NewTable();
    frame.Set("RawDataIn", ScriptVal::NewMemBlock(pixels_.data(), pixels_.size()));
    if (!g_QTRemoteApp.CallMember("SaveFrame", ArgumentTable({state_.get(), frames_, frame}))
             .ToBoolean()) {
        why = "the movie server refused frame " + std::to_string(frames_);
        return false;
    }
    ++frames_;
    return true;
}

bool MovieOutput::finish(std::string& why) {
    if (!state_.close()) {
        why = "the movie server could not finish the movie";
        return false;
    }
    // The server does not always learn that its writes failed (a full disk, the file-size
    // limit): the movie counts as finished only when it reads back whole.
    MovieInput written;
    std::string unread;
    if (!written.open(path_, unread)) {
        why = "the movie server's file cannot be read back (" + unread + ")";
        return false;
    }
    if (written.frameCount() != frames_) {
        why = "the movie server's file holds " + std::to_string(written.frameCount()) + " of " +
              std::to_string(frames_) + " frames";
        return false;
    }
    return true;
}

} // namespace omftool
