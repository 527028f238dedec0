// Shared set-up for the TIFF codec tests: TIFF images built entry by entry
// in either byte order (with the codec's own directory builder), handles
// around a TIFD descriptor and a TIFF data object holding such an image,
// and the codec's operations called through its table.
#pragma once

#include "tiff/byte_order.h"
#include "tiff/directory_builder.h"
#include "tiff/tiff_tags.h"
#include "video_codec_fixture.h"

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace tiff_test {

using omf::codecs::tiff::ByteOrder;
namespace tags = omf::codecs::tiff;

// One directory entry exactly as the test wants it written.
struct RawEntry {
    uint16_t tag;
    uint16_t type;
    uint32_t count;
    std::vector<uint8_t> value; // in the image's byte order; more than 4 bytes go out of line
};

inline RawEntry shorts(const ByteOrder& order, uint16_t tag,
                       std::initializer_list<uint16_t> values) {
    RawEntry entry{tag, tags::kTypeShort, uint32_t(values.size()), {}};
    for (uint16_t value : values) {
        uint8_t bytes[2];
        order.put16(bytes, value);
        entry.value.insert(entry.value.end(), bytes, bytes + 2);
    }
    return entry;
}

inline RawEntry longs(const ByteOrder& order, uint16_t tag,
                      std::initializer_list<uint32_t> values) {
    RawEntry entry{tag, tags::kTypeLong, uint32_t(values.size()), {}};
    for (uint32_t value : values) {
        uint8_t bytes[4];
        order.put32(bytes, value);
        entry.value.insert(entry.value.end(), bytes, bytes + 4);
    }
    return entry;
}

// An entry whose value field holds `field` as it is (an offset or a value
// the test places by hand), whatever its count says.
inline RawEntry fieldEntry(const ByteOrder& order, uint16_t tag, uint16_t type, uint32_t count,
                           uint32_t field) {
    RawEntry entry{tag, type, count, std::vector<uint8_t>(4)};
    order.put32(entry.value.data(), field);
    return entry;
}

// The entries of a small uncompressed RGB image whose frames start at byte 8.
inline std::vector<RawEntry> rgbEntries(const ByteOrder& order, uint32_t width, uint32_t height) {
    return {
        longs(order, tags::kTagImageWidth, {width}),
        longs(order, tags::kTagImageLength, {height}),
        shorts(order, tags::kTagBitsPerSample, {8, 8, 8}),
        shorts(order, tags::kTagCompression, {1}),
        shorts(order, tags::kTagPhotometric, {2}),
        longs(order, tags::kTagStripOffsets, {uint32_t(tags::kHeaderBytes)}),
        shorts(order, tags::kTagSamplesPerPixel, {3}),
    };
}

// `entries` with `replacement` in place of the entry of its tag (or added).
inline std::vector<RawEntry> with(std::vector<RawEntry> entries, RawEntry replacement) {
    for (RawEntry& entry : entries) {
        if (entry.tag == replacement.tag) {
            entry = std::move(replacement);
            return entries;
        }
    }
    entries.push_back(std::move(replacement));
    return entries;
}

// A TIFF image: header, `data` from byte 8, then the directory of `entries`.
// Entries whose value is exactly 4 bytes with a count the value does not
// fill (fieldEntry) are written as given.
inline std::vector<uint8_t> tiffImage(const ByteOrder& order, const std::vector<RawEntry>& entries,
                                      const std::vector<uint8_t>& data = {}) {
    std::vector<uint8_t> image = tags::headerBytes(order, 0);
    image.insert(image.end(), data.begin(), data.end());
    if (image.size() % 2 != 0) image.push_back(0);
    tags::DirectoryBuilder builder(int64_t(image.size()), order);
    for (const RawEntry& entry : entries)
        builder.addEntry(entry.tag, entry.type, entry.count, entry.value);
    int64_t directory = 0;
    std::vector<uint8_t> tail = builder.finish(&directory);
    image.insert(image.end(), tail.begin(), tail.end());
    order.put32(&image[4], uint32_t(directory));
    return image;
}

// Bytes 0, 1, 2, ... of a given size: distinct frame data.
inline std::vector<uint8_t> counting(size_t size, uint8_t first = 0) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = uint8_t(first + i);
    return bytes;
}

// A session with the media layer, a 2.x file and the TIFF codec's table.
class TiffImageTest : public video_codec_test::VideoCodecTest {
  protected:
    void SetUp() override {
        VideoCodecTest::SetUp();
        if (HasFatalFailure()) return;
        codec_ =
            std::make_unique<video_codec_test::CodecUnderTest>(omf::codecs::tiffCodec, session_);
        ASSERT_EQ(codec_->status(), 0);
    }

    // A handle on a TIFD descriptor and a TIFF data object holding `image`.
    std::unique_ptr<omfMediaRec> handleWith(const std::vector<uint8_t>& image,
                                            omfInt64 length = 1) {
        omfObject_t descriptor = nullptr;
        EXPECT_EQ(omfsObjectNew(file_, "TIFD", &descriptor), 0);
        EXPECT_EQ(omfsWriteRational(file_, descriptor, kOmfProperty_MDFL_SampleRate, {25, 1}), 0);
        EXPECT_EQ(omfsWriteLength(file_, descriptor, kOmfProperty_MDFL_Length, length), 0);
        auto media = std::make_unique<omfMediaRec>();
        media->file = file_;
        media->dataFile = file_;
        media->descriptor = descriptor;
        EXPECT_EQ(omfsObjectNew(file_, "TIFF", &media->dataObject), 0);
        EXPECT_EQ(omfsWriteDataBytes(file_, media->dataObject, kOmfProperty_TIFF_ImageData,
                                     kOmfType_DataValue, 0, omfInt32(image.size()),
                                     image.empty() ? "" : static_cast<const void*>(image.data())),
                  0);
        media->pictureKind = picture_;
        media->openMode = kMediaOpenReadOnly;
        omf::media::MediaChannel channel;
        channel.mediaKind = picture_;
        channel.channelNumber = 1;
        channel.sampleRate = {25, 1};
        media->channels.push_back(channel);
        return media;
    }

    omfErr_t openHandle(omfMediaHdl_t media) {
        omfCodecParms_t parms{};
        return codec_->call(kCodecOpOpen, parms, media, file_);
    }

    // Opens `image`, answering open's result; a handle that opened is closed again.
    omfErr_t openResult(const std::vector<uint8_t>& image) {
        auto media = handleWith(image);
        omfErr_t status = openHandle(media.get());
        if (status == 0) {
            EXPECT_EQ(closeHandle(*codec_, media.get()), 0);
        }
        return status;
    }

    omfInt32 answerInt32(omfMediaHdl_t media, omfInt32 opcode) {
        omfFormatEntry_t entry = omfmFormatEntry(opcode);
        EXPECT_EQ(askFormat(*codec_, media, &entry), 0);
        return entry.operand.int32;
    }

    omfRect_t storedRect(omfMediaHdl_t media) {
        omfFormatEntry_t entry = omfmFormatEntry(kOmfStoredRect);
        EXPECT_EQ(askFormat(*codec_, media, &entry), 0);
        return entry.operand.rect;
    }

    omfUInt8 answerByte(omfMediaHdl_t media, omfInt32 opcode) {
        omfFormatEntry_t entry = omfmFormatEntry(opcode);
        EXPECT_EQ(askFormat(*codec_, media, &entry), 0);
        return entry.operand.byte;
    }

    omfErr_t setFrame(omfMediaHdl_t media, omfInt64 frame) {
        omfCodecParms_t parms{};
        parms.spc.setFrame.frameNumber = frame;
        return codec_->call(kCodecOpSetFrame, parms, media, file_);
    }

    // One readSamples transfer of `count` frames into `buffer`.
    omfErr_t readSamples(omfMediaHdl_t media, omfInt32 count, std::vector<uint8_t>& buffer,
                         omfmMultiXfer_t* done = nullptr) {
        omfmMultiXfer_t transfer{};
        transfer.subTrackNum = 1;
        transfer.numSamples = count;
        transfer.buflen = omfInt32(buffer.size());
        transfer.buffer = buffer.data();
        omfCodecParms_t parms{};
        parms.spc.samples.count = 1;
        parms.spc.samples.transfers = &transfer;
        omfErr_t status = codec_->call(kCodecOpReadSamples, parms, media, file_);
        if (done != nullptr) *done = transfer;
        return status;
    }

    std::unique_ptr<video_codec_test::CodecUnderTest> codec_;
};

} // namespace tiff_test
