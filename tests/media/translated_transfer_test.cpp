// Translated transfers of the codec stream through small test translators:
// formats, pieces of the node buffer, the end of data within a piece, buffer
// sizes, and a chain of two translators.
#include "stream_fixture.h"

#include <algorithm>
#include <span>

using namespace stream_test;

namespace {

// Converts 3-byte file pixels (R, G, B) to 4-byte memory pixels (0xFF, R, G,
// B); with the swap flag the file holds them as (B, G, R). Active when the
// memory format's extra pointer is non-null (the test's way of asking for
// conversion).
class RgbToArgb : public FormatTranslator {
  public:
    struct Log {
        int setFormatsCalls = 0;
        std::vector<size_t> inputs; // input sizes of translate
        std::vector<bool> swaps;
    };
    explicit RgbToArgb(Log* log) : log_(log) {}

    omfErr_t setFormats(const StreamFormat& memory, const StreamFormat&, bool* active) override {
        ++log_->setFormatsCalls;
        *active = memory.extra != nullptr;
        return 0;
    }
    omfErr_t fileBytes(omfInt64 memoryBytes, omfInt64* fileBytes) override {
        *fileBytes = memoryBytes / 4 * 3;
        return 0;
    }
    omfErr_t memoryBytes(omfInt64 fileBytes, omfInt64* memoryBytes) override {
        *memoryBytes = fileBytes / 3 * 4;
        return 0;
    }
    omfErr_t translate(bool reading, std::span<const uint8_t> in, std::span<uint8_t> out, bool swap,
                       size_t* produced) override {
        log_->inputs.push_back(in.size());
        log_->swaps.push_back(swap);
        size_t pixels = reading ? in.size() / 3 : in.size() / 4;
        if (out.size() < pixels * (reading ? 4 : 3)) return OM_ERR_SAMPLE_TOO_LARGE;
        for (size_t i = 0; i < pixels; ++i) {
            if (reading) {
                const uint8_t* rgb = &in[i * 3];
                uint8_t* argb = &out[i * 4];
                argb[0] = 0xFF;
                argb[1] = swap ? rgb[2] : rgb[0];
                argb[2] = rgb[1];
                argb[3] = swap ? rgb[0] : rgb[2];
            } else {
                const uint8_t* argb = &in[i * 4];
                uint8_t* rgb = &out[i * 3];
                rgb[0] = swap ? argb[3] : argb[1];
                rgb[1] = argb[2];
                rgb[2] = swap ? argb[1] : argb[3];
            }
        }
        *produced = pixels * (reading ? 4 : 3);
        return 0;
    }

  private:
    Log* log_;
};

// Adds one to every byte reading, subtracts it writing.
class AddOne : public FormatTranslator {
  public:
    omfErr_t setFormats(const StreamFormat&, const StreamFormat&, bool* active) override {
        *active = true;
        return 0;
    }
    omfErr_t fileBytes(omfInt64 memoryBytes, omfInt64* fileBytes) override {
        *fileBytes = memoryBytes;
        return 0;
    }
    omfErr_t memoryBytes(omfInt64 fileBytes, omfInt64* memoryBytes) override {
        *memoryBytes = fileBytes;
        return 0;
    }
    omfErr_t translate(bool reading, std::span<const uint8_t> in, std::span<uint8_t> out, bool,
                       size_t* produced) override {
        for (size_t i = 0; i < in.size(); ++i)
            out[i] = uint8_t(in[i] + (reading ? 1 : -1));
        *produced = in.size();
        return 0;
    }
};

std::vector<uint8_t> argbOf(const std::vector<uint8_t>& rgb) {
    std::vector<uint8_t> argb;
    for (size_t i = 0; i + 2 < rgb.size(); i += 3) {
        argb.insert(argb.end(), {0xFF, rgb[i], rgb[i + 1], rgb[i + 2]});
    }
    return argb;
}

class TranslatedTransfer : public StreamTest {
  protected:
    // Opens the stream (reading stored data when `reading`) with the test
    // translator and both formats set; `convert` makes the translator active.
    void openTranslated(bool reading, bool convert) {
        ASSERT_EQ(openCounting(reading ? kMediaOpenReadOnly : kMediaCreated), 0);
        ASSERT_EQ(streamAddTranslator(stream_, std::make_unique<RgbToArgb>(&log_)), 0);
        ASSERT_EQ(streamSetFileFormat(stream_, StreamFormat{media_.pictureKind}), 0);
        ASSERT_EQ(streamSetMemoryFormat(
                      stream_, StreamFormat{media_.pictureKind, nullptr, convert ? this : nullptr}),
                  0);
        ASSERT_EQ(stream_.translators->active, convert);
    }

    RgbToArgb::Log log_;
};

TEST_F(TranslatedTransfer, BothFormatsMustBeSet) {
    uint8_t bytes[12] = {};
    omfInt64 moved = 0;
    ASSERT_EQ(open(kMediaCreated), 0);
    EXPECT_EQ(streamWriteTranslated(stream_, 12, bytes, 12, &moved), OM_ERR_FORMATS_NOT_SET);
    EXPECT_EQ(OM_ERR_FORMATS_NOT_SET, 60);
    ASSERT_EQ(streamSetMemoryFormat(stream_, StreamFormat{media_.pictureKind}), 0);
    EXPECT_EQ(streamWriteTranslated(stream_, 12, bytes, 12, &moved), OM_ERR_FORMATS_NOT_SET);
    ASSERT_EQ(streamSetFileFormat(stream_, StreamFormat{media_.pictureKind}), 0);
    EXPECT_EQ(streamWriteTranslated(stream_, 12, bytes, 12, &moved), 0);
    EXPECT_EQ(moved, 12);
    ASSERT_EQ(streamSetMemoryFormat(stream_, StreamFormat{media_.nullKind}), 0);
    EXPECT_EQ(streamReadTranslated(stream_, 12, bytes, 12, &moved), OM_ERR_FORMATS_NOT_SET);
}

TEST_F(TranslatedTransfer, AnInactiveTranslatorMovesBytesUnchanged) {
    const auto rgb = pattern(30);
    store(rgb);
    openTranslated(true, false);
    std::vector<uint8_t> out(30);
    omfInt64 moved = 0;
    EXPECT_EQ(streamReadTranslated(stream_, 30, out.data(), 29, &moved), OM_ERR_SAMPLE_TOO_LARGE);
    EXPECT_EQ(OM_ERR_SAMPLE_TOO_LARGE, 44);
    ASSERT_EQ(streamReadTranslated(stream_, 30, out.data(), 30, &moved), 0);
    EXPECT_EQ(moved, 30);
    EXPECT_EQ(out, rgb);
    EXPECT_TRUE(log_.inputs.empty());
    omfInt64 size = 0;
    ASSERT_EQ(streamMemoryBytes(stream_, 30, &size), 0);
    EXPECT_EQ(size, 30);
}

TEST_F(TranslatedTransfer, WritesAndReadsConvertThroughTheActiveTranslator) {
    const auto rgb = pattern(30);
    const auto argb = argbOf(rgb);
    openTranslated(false, true);
    omfInt64 moved = 0;
    ASSERT_EQ(streamWriteTranslated(stream_, 30, argb.data(), 40, &moved), 0);
    EXPECT_EQ(moved, 40);
    ASSERT_EQ(streamClose(stream_), 0);

    // The file holds the file format.
    std::vector<uint8_t> stored(30);
    omfInt64 got = 0;
    ASSERT_EQ(open(kMediaOpenReadOnly), 0);
    ASSERT_EQ(streamRead(stream_, stored.data(), 30, &got), 0);
    EXPECT_EQ(stored, rgb);
    ASSERT_EQ(streamClose(stream_), 0);

    openTranslated(true, true);
    std::vector<uint8_t> out(40);
    ASSERT_EQ(streamReadTranslated(stream_, 30, out.data(), 40, &moved), 0);
    EXPECT_EQ(moved, 40);
    EXPECT_EQ(out, argb);
    omfInt64 size = 0;
    ASSERT_EQ(streamMemoryBytes(stream_, 30, &size), 0);
    EXPECT_EQ(size, 40);
    ASSERT_EQ(streamFileBytes(stream_, 40, &size), 0);
    EXPECT_EQ(size, 30);
}

TEST_F(TranslatedTransfer, TheCallersBufferMustHoldTheConvertedSize) {
    store(pattern(30));
    openTranslated(true, true);
    std::vector<uint8_t> out(40);
    omfInt64 moved = -1;
    EXPECT_EQ(streamReadTranslated(stream_, 30, out.data(), 39, &moved), OM_ERR_SAMPLE_TOO_LARGE);
    EXPECT_EQ(moved, 0);
    EXPECT_TRUE(calls_.reads.empty());
    EXPECT_EQ(streamReadTranslated(stream_, 30, out.data(), 40, &moved), 0);
    EXPECT_EQ(streamWriteTranslated(stream_, 30, out.data(), 39, &moved), OM_ERR_SAMPLE_TOO_LARGE);
    EXPECT_EQ(streamReadTranslated(stream_, 30, nullptr, 40, &moved), OM_ERR_NULL_DATA_ADDRESS);
    EXPECT_EQ(streamReadTranslated(stream_, 30, out.data(), 40, nullptr), OM_ERR_NULL_PARAM);
}

TEST_F(TranslatedTransfer, DataMovesInPiecesOfTheNodeBuffer) {
    const auto rgb = pattern(30);
    store(rgb);
    openTranslated(true, true);
    ASSERT_EQ(streamSetTranslatorBufferSize(stream_, 12), 0); // four pixels
    std::vector<uint8_t> out(40);
    omfInt64 moved = 0;
    ASSERT_EQ(streamReadTranslated(stream_, 30, out.data(), 40, &moved), 0);
    EXPECT_EQ(log_.inputs, (std::vector<size_t>{12, 12, 6}));
    EXPECT_EQ(out, argbOf(rgb));
    EXPECT_EQ(calls_.reads.size(), 1u); // small pieces come from the cache
}

TEST_F(TranslatedTransfer, PiecesEndOnWholeUnits) {
    // 10240 is not a multiple of 3: the default buffer carries 3413 pixels.
    const auto rgb = pattern(30000);
    store(rgb);
    openTranslated(true, true);
    std::vector<uint8_t> out(40000);
    omfInt64 moved = 0;
    ASSERT_EQ(streamReadTranslated(stream_, 30000, out.data(), 40000, &moved), 0);
    EXPECT_EQ(log_.inputs, (std::vector<size_t>{10239, 10239, 9522}));
    EXPECT_EQ(moved, 40000);
    EXPECT_EQ(out, argbOf(rgb));
}

TEST_F(TranslatedTransfer, AFrameSizedBufferReadsEachPieceWithOneProcedureCall) {
    const auto rgb = pattern(3 * 8192);
    store(rgb);
    openTranslated(true, true);
    ASSERT_EQ(streamSetTranslatorBufferSize(stream_, 3 * 4096), 0);
    std::vector<uint8_t> out(4 * 8192);
    omfInt64 moved = 0;
    ASSERT_EQ(streamReadTranslated(stream_, 3 * 8192, out.data(), 4 * 8192, &moved), 0);
    EXPECT_EQ(calls_.reads, (std::vector<omfInt64>{3 * 4096, 3 * 4096}));
    EXPECT_EQ(stream_.cacheState, CacheState::empty); // nothing went through the cache
    EXPECT_EQ(out, argbOf(rgb));

    // Writing a frame of the buffer's size is one procedure write.
    ASSERT_EQ(streamClose(stream_), 0);
    calls_ = {};
    openTranslated(false, true);
    ASSERT_EQ(streamSetTranslatorBufferSize(stream_, 3 * 8192), 0);
    ASSERT_EQ(streamWriteTranslated(stream_, 3 * 8192, out.data(), 4 * 8192, &moved), 0);
    EXPECT_EQ(calls_.writes, std::vector<omfInt64>{3 * 8192});
    EXPECT_EQ(moved, 4 * 8192);
}

TEST_F(TranslatedTransfer, TheEndOfDataMidPieceTranslatesWhatArrived) {
    const auto rgb = pattern(30);
    store(rgb);
    openTranslated(true, true);
    ASSERT_EQ(streamSetTranslatorBufferSize(stream_, 12), 0);
    std::vector<uint8_t> out(48, 0xEE);
    omfInt64 moved = 0;
    EXPECT_EQ(streamReadTranslated(stream_, 36, out.data(), 48, &moved), OM_ERR_END_OF_FILE);
    EXPECT_EQ(moved, 40);
    EXPECT_EQ(log_.inputs, (std::vector<size_t>{12, 12, 6}));
    EXPECT_TRUE(std::equal(out.begin(), out.begin() + 40, argbOf(rgb).begin()));
    EXPECT_EQ(out[40], 0xEE);
}

TEST_F(TranslatedTransfer, TheEndOfDataInALargePieceTranslatesWhatArrived) {
    const auto rgb = pattern(3 * 5000);
    store(rgb);
    openTranslated(true, true);
    ASSERT_EQ(streamSetTranslatorBufferSize(stream_, 3 * 4000), 0);
    std::vector<uint8_t> out(4 * 6000);
    omfInt64 moved = 0;
    EXPECT_EQ(streamReadTranslated(stream_, 3 * 6000, out.data(), 4 * 6000, &moved),
              OM_ERR_END_OF_FILE);
    EXPECT_EQ(moved, 4 * 5000);
    EXPECT_EQ(log_.inputs, (std::vector<size_t>{3 * 4000, 3 * 1000}));
    EXPECT_TRUE(std::equal(out.begin(), out.begin() + 4 * 5000, argbOf(rgb).begin()));
}

TEST_F(TranslatedTransfer, NodeBuffersMustHoldWholeWords) {
    store(pattern(30));
    openTranslated(true, true);
    std::vector<uint8_t> out(40);
    omfInt64 moved = 0;
    stream_.translators->buffer.resize(10);
    EXPECT_EQ(streamReadTranslated(stream_, 30, out.data(), 40, &moved),
              OM_ERR_INVALID_SWAB_BUFFER_SIZE);
    EXPECT_EQ(OM_ERR_INVALID_SWAB_BUFFER_SIZE, 56);
    // Setting the size rounds it up to a multiple of 4.
    ASSERT_EQ(streamSetTranslatorBufferSize(stream_, 10), 0);
    EXPECT_EQ(stream_.translators->buffer.size(), 12u);
    EXPECT_EQ(streamReadTranslated(stream_, 30, out.data(), 40, &moved), 0);
    EXPECT_EQ(streamSetTranslatorBufferSize(stream_, 0), OM_ERR_INVALID_SWAB_BUFFER_SIZE);
}

TEST_F(TranslatedTransfer, AnActiveNodeNeedsATranslator) {
    store(pattern(30));
    openTranslated(true, true);
    auto bare = std::make_unique<TranslatorNode>();
    bare->active = true;
    bare->buffer.resize(kTranslatorBufferSize);
    stream_.translators->next = std::move(bare);
    std::vector<uint8_t> out(40);
    omfInt64 moved = 0;
    EXPECT_EQ(streamReadTranslated(stream_, 30, out.data(), 40, &moved), OM_ERR_MISSING_SWAP_PROC);
    EXPECT_EQ(OM_ERR_MISSING_SWAP_PROC, 57);
    stream_.translators->next->active = false;
    EXPECT_EQ(streamReadTranslated(stream_, 30, out.data(), 40, &moved), 0);
    EXPECT_EQ(streamAddTranslator(stream_, nullptr), OM_ERR_MISSING_SWAP_PROC);
}

TEST_F(TranslatedTransfer, SettingEitherFormatAsksEveryTranslator) {
    ASSERT_EQ(open(kMediaCreated), 0);
    RgbToArgb::Log second;
    ASSERT_EQ(streamAddTranslator(stream_, std::make_unique<RgbToArgb>(&log_)), 0);
    ASSERT_EQ(streamAddTranslator(stream_, std::make_unique<RgbToArgb>(&second)), 0);
    EXPECT_EQ(log_.setFormatsCalls, 1); // told the formats when added
    ASSERT_EQ(streamSetFileFormat(stream_, StreamFormat{media_.pictureKind}), 0);
    ASSERT_EQ(streamSetMemoryFormat(stream_, StreamFormat{media_.pictureKind, nullptr, this}), 0);
    EXPECT_EQ(log_.setFormatsCalls, 3);
    EXPECT_EQ(second.setFormatsCalls, 3);
    EXPECT_TRUE(stream_.translators->active);
    EXPECT_TRUE(stream_.translators->next->active);
    ASSERT_EQ(streamSetMemoryFormat(stream_, StreamFormat{media_.pictureKind}), 0);
    EXPECT_FALSE(stream_.translators->active);
    EXPECT_FALSE(stream_.translators->next->active);
}

TEST_F(TranslatedTransfer, TheFileFormatsSwapFlagReachesTheTranslator) {
    const std::vector<uint8_t> rgb = {1, 2, 3};
    store(rgb);
    openTranslated(true, true);
    ASSERT_EQ(
        streamSetFileFormat(stream_, StreamFormat{media_.pictureKind, nullptr, nullptr, true}), 0);
    std::vector<uint8_t> out(4);
    omfInt64 moved = 0;
    ASSERT_EQ(streamReadTranslated(stream_, 3, out.data(), 4, &moved), 0);
    EXPECT_EQ(out, (std::vector<uint8_t>{0xFF, 3, 2, 1}));
    EXPECT_EQ(log_.swaps, std::vector<bool>{true});
}

TEST_F(TranslatedTransfer, AChainRunsFromTheFileSideToTheMemorySide) {
    const auto rgb = pattern(30);
    openTranslated(false, true);
    ASSERT_EQ(streamAddTranslator(stream_, std::make_unique<AddOne>()), 0);
    auto memory = argbOf(rgb);
    for (auto& byte : memory)
        byte = uint8_t(byte + 1);
    omfInt64 moved = 0;
    ASSERT_EQ(streamWriteTranslated(stream_, 30, memory.data(), 40, &moved), 0);
    ASSERT_EQ(streamClose(stream_), 0);

    std::vector<uint8_t> stored(30);
    omfInt64 got = 0;
    ASSERT_EQ(open(kMediaOpenReadOnly), 0);
    ASSERT_EQ(streamRead(stream_, stored.data(), 30, &got), 0);
    EXPECT_EQ(stored, rgb);
    ASSERT_EQ(streamClose(stream_), 0);

    openTranslated(true, true);
    ASSERT_EQ(streamAddTranslator(stream_, std::make_unique<AddOne>()), 0);
    std::vector<uint8_t> out(40);
    ASSERT_EQ(streamReadTranslated(stream_, 30, out.data(), 40, &moved), 0);
    EXPECT_EQ(out, memory);
}

} // namespace
