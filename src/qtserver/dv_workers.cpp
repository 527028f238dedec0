// DV compression and decompression on the movie thread: one frame between
// DV and 32-bit A R G B rows, with the field order of separated fields.
#include "dv_workers.h"

#include "movie_library.h"
#include "movie_state.h"

#include "movie/movie_writing.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr int64_t kArgbBytes = 4;
constexpr int32_t kNtscLines = 480;
constexpr uint32_t kNtscDV = movie::FourCharCode("dvc ");
constexpr uint32_t kPalDV = movie::FourCharCode("dvcp");

// Which frame line of each field pair comes first in a field-separated
// frame: 480-line frames start with the odd lines, the others with the even.
int FirstFieldParity(int32_t height) {
    return height == kNtscLines ? 1 : 0;
}

// The frame line that row `row` of a field-separated frame holds.
int32_t FrameLineOfFieldRow(int32_t row, int32_t height) {
    const int32_t half = height / 2;
    const int parity = FirstFieldParity(height);
    return row < half ? 2 * row + parity : 2 * (row - half) + (1 - parity);
}

// The frame's size when both are positive and it fits memory sizes.
bool ArgbFrameBytes(const QT_Msg& state, size_t& bytes) {
    if (state.width <= 0 || state.height <= 0) return false;
    const int64_t total = int64_t{state.width} * kArgbBytes * state.height;
    if (total > INT32_MAX) return false;
    bytes = static_cast<size_t>(total);
    return true;
}

// A frame buffer aligned for vector code, uninitialised.
class AlignedImage {
  public:
    explicit AlignedImage(size_t size)
        : data_(size ? static_cast<uint8_t*>(std::aligned_alloc(
                           kImageAlignment,
                           (size + kImageAlignment - 1) / kImageAlignment * kImageAlignment))
                     : nullptr) {}
    ~AlignedImage() { std::free(data_); }
    AlignedImage(const AlignedImage&) = delete;
    AlignedImage& operator=(const AlignedImage&) = delete;
    uint8_t* data() const { return data_; }

  private:
    static constexpr size_t kImageAlignment = 64;
    uint8_t* data_;
};

const MemBlock* InputBlock(const QT_Msg& state) {
    return state.rawDataIn && state.rawDataIn->IsMemBlock() ? state.rawDataIn->GetData() : nullptr;
}

} // namespace

void DVDecompressWorker(QT_Msg& state, MovieLibrary& library) {
    const MemBlock* in = InputBlock(state);
    size_t outputSize = 0;
    if (!in || !in->data || !state.rawDataOut || !ArgbFrameBytes(state, outputSize)) return;
    const size_t rowBytes = static_cast<size_t>(state.width) * kArgbBytes;

    ScriptVal output = ScriptVal::NewMemBlock(nullptr, outputSize);
    auto* out = static_cast<uint8_t*>(output.GetData()->data);
    // Frame order goes straight into the answer; separated fields are
    // decoded first and then placed row by row. The decoder's converter is
    // fast only on rows aligned like the answer's.
    AlignedImage image(state.separateFields ? outputSize : 0);
    uint8_t* decoded = state.separateFields ? image.data() : out;
    if (!decoded) return;
    movie::DecodeDVFrameArgs args{in->data,     in->size, state.width,
                                  state.height, decoded,  static_cast<int32_t>(rowBytes)};
    if (library.Call(movie::kDecodeDVFrame, &args) != movie::kNoError) return;
    if (state.separateFields) {
        const int32_t rows = state.height / 2 * 2;
        for (int32_t row = 0; row < rows; ++row)
            std::memcpy(out + row * rowBytes,
                        decoded + FrameLineOfFieldRow(row, state.height) * rowBytes, rowBytes);
    }
    *state.rawDataOut = output;
    state.success = 1;
}

void DVCompressWorker(QT_Msg& state, MovieLibrary& library) {
    state.compressedSize = 0;
    const MemBlock* in = InputBlock(state);
    size_t inputSize = 0;
    if (!in || !in->data || !state.rawDataOut || !ArgbFrameBytes(state, inputSize) ||
        in->size < inputSize)
        return;
    const size_t rowBytes = static_cast<size_t>(state.width) * kArgbBytes;
    const uint32_t codecType = state.height == kNtscLines ? kNtscDV : kPalDV;

    size_t capacity = 0;
    movie::MaxDVFrameSizeArgs sizeArgs{codecType, state.width, state.height, &capacity};
    if (library.Call(movie::kMaxDVFrameSize, &sizeArgs) != movie::kNoError) return;

    // A field-separated frame is woven back into frame order, the inverse of
    // what decompressing with separated fields does.
    const auto* source = static_cast<const uint8_t*>(in->data);
    AlignedImage image(state.separateFields ? inputSize : 0);
    if (state.separateFields) {
        if (!image.data()) return;
        const int32_t rows = state.height / 2 * 2;
        for (int32_t row = 0; row < rows; ++row)
            std::memcpy(image.data() + FrameLineOfFieldRow(row, state.height) * rowBytes,
                        source + row * rowBytes, rowBytes);
        if (rows < state.height) // the last line of an odd height stays where it is
            std::memcpy(image.data() + rows * rowBytes, source + rows * rowBytes, rowBytes);
        source = image.data();
    }
    ScriptVal output = ScriptVal::NewMemBlock(nullptr, capacity);
    size_t written = 0;
    movie::EncodeDVFrameArgs args{codecType,   source,       static_cast<int32_t>(rowBytes),
                                  state.width, state.height, output.GetData()->data,
                                  capacity,    &written};
    if (library.Call(movie::kEncodeDVFrame, &args) != movie::kNoError) return;
    *state.rawDataOut = output;
    state.compressedSize = static_cast<uint32_t>(written);
    state.success = 1;
}
