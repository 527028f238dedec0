// Sound file images built byte by byte, and a media handle built by hand
// around one, so that the sound codecs' operations can be called through
// their own tables on images our writers would never produce.
#pragma once

#include "audio_media_fixture.h"
#include "builtin_codecs.h"
#include "video_codec_fixture.h"

#include <memory>

namespace audio_test {

inline void putBig32(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(uint8_t(value >> shift));
}
inline void putBig16(std::vector<uint8_t>& out, uint16_t value) {
    out.push_back(uint8_t(value >> 8));
    out.push_back(uint8_t(value));
}
inline void putLittle32(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(uint8_t(value >> shift));
}
inline void putLittle16(std::vector<uint8_t>& out, uint16_t value) {
    out.push_back(uint8_t(value));
    out.push_back(uint8_t(value >> 8));
}
inline void putText(std::vector<uint8_t>& out, const char* text) {
    // Byte by byte: GCC's range-insert of four bytes draws a false overflow warning.
    for (int i = 0; i < 4; ++i)
        out.push_back(uint8_t(text[i]));
}

// 44100 as an 80-bit extended number.
constexpr uint8_t kRate44100[10] = {0x40, 0x0E, 0xAC, 0x44, 0, 0, 0, 0, 0, 0};

struct AifcHeader {
    uint16_t channels = 1;
    uint32_t frames = 0;
    uint16_t bits = 16;
    const uint8_t* rate = kRate44100;
    uint32_t soundOffset = 0;       // SSND offset field
    uint32_t offsetBytes = 0;       // bytes actually placed before the samples
    std::vector<uint8_t> leading{}; // whole chunks placed before COMM
    bool common = true, sound = true;
};

// FORM AIFC [leading] COMM SSND, the samples `data` after the offset bytes.
inline std::vector<uint8_t> aifcImage(const AifcHeader& header, const std::vector<uint8_t>& data) {
    std::vector<uint8_t> body;
    putText(body, "AIFC");
    body.insert(body.end(), header.leading.begin(), header.leading.end());
    if (header.common) {
        putText(body, "COMM");
        putBig32(body, 18);
        putBig16(body, header.channels);
        putBig32(body, header.frames);
        putBig16(body, header.bits);
        body.insert(body.end(), header.rate, header.rate + 10);
    }
    if (header.sound) {
        putText(body, "SSND");
        putBig32(body, uint32_t(8 + header.offsetBytes + data.size()));
        putBig32(body, header.soundOffset);
        putBig32(body, 0);
        body.insert(body.end(), header.offsetBytes, 0xAA);
        body.insert(body.end(), data.begin(), data.end());
    }
    std::vector<uint8_t> image;
    putText(image, "FORM");
    putBig32(image, uint32_t(body.size()));
    image.insert(image.end(), body.begin(), body.end());
    return image;
}

struct WaveHeader {
    uint16_t formatTag = 1;
    uint16_t channels = 1;
    uint32_t rate = 48000;
    uint16_t blockAlign = 2;
    uint16_t bits = 16;
};

inline std::vector<uint8_t> waveImage(const WaveHeader& header, const std::vector<uint8_t>& data) {
    std::vector<uint8_t> image;
    putText(image, "RIFF");
    putLittle32(image, uint32_t(36 + data.size()));
    putText(image, "WAVE");
    putText(image, "fmt ");
    putLittle32(image, 16);
    putLittle16(image, header.formatTag);
    putLittle16(image, header.channels);
    putLittle32(image, header.rate);
    putLittle32(image, header.rate * header.blockAlign);
    putLittle16(image, header.blockAlign);
    putLittle16(image, header.bits);
    putText(image, "data");
    putLittle32(image, uint32_t(data.size()));
    image.insert(image.end(), data.begin(), data.end());
    return image;
}

using video_codec_test::CodecUnderTest;

class AudioImageTest : public AudioMediaTest {
  protected:
    // A handle reading `image` as the data of a descriptor of `descriptorClass`
    // whose summary is `summary` (the image itself when empty). The
    // descriptor has no Length, so the header's frame count stands.
    std::unique_ptr<omfMediaRec> handleFor(const char* descriptorClass, const char* dataClass,
                                           omfProperty_t summaryProperty,
                                           omfProperty_t dataProperty,
                                           const std::vector<uint8_t>& image,
                                           const std::vector<uint8_t>& summary = {}) {
        auto media = std::make_unique<omfMediaRec>();
        media->file = file_;
        media->dataFile = file_;
        EXPECT_EQ(omfsObjectNew(file_, descriptorClass, &media->descriptor), 0);
        EXPECT_EQ(
            omfsWriteRational(file_, media->descriptor, kOmfProperty_MDFL_SampleRate, {44100, 1}),
            0);
        const std::vector<uint8_t>& header = summary.empty() ? image : summary;
        EXPECT_EQ(omfsWriteDataBytes(file_, media->descriptor, summaryProperty, kOmfType_DataValue,
                                     0, omfInt32(header.size()), header.data()),
                  0);
        EXPECT_EQ(omfsObjectNew(file_, dataClass, &media->dataObject), 0);
        EXPECT_EQ(omfsWriteDataBytes(file_, media->dataObject, dataProperty, kOmfType_DataValue, 0,
                                     omfInt32(image.size()), image.data()),
                  0);
        media->soundKind = sound_;
        media->openMode = kMediaOpenReadOnly;
        omf::media::MediaChannel channel;
        channel.mediaKind = sound_;
        channel.channelNumber = 1;
        channel.sampleRate = {44100, 1};
        media->channels.push_back(channel);
        return media;
    }

    omfErr_t frameOffset(const CodecUnderTest& codec, omfMediaHdl_t media, omfInt64 frame,
                         omfInt64* offset) {
        omfCodecParms_t parms{};
        parms.spc.frameOffset.frameNumber = frame;
        omfErr_t status = codec.call(kCodecOpFrameOffset, parms, media, file_);
        *offset = parms.spc.frameOffset.offset;
        return status;
    }

    omfErr_t open(const CodecUnderTest& codec, omfMediaHdl_t media) {
        omfCodecParms_t parms{};
        return codec.call(kCodecOpOpen, parms, media, file_);
    }

    omfErr_t close(const CodecUnderTest& codec, omfMediaHdl_t media) {
        omfCodecParms_t parms{};
        return codec.call(kCodecOpClose, parms, media, file_);
    }

    // Reads `count` whole frames from the handle's position.
    omfErr_t read(const CodecUnderTest& codec, omfMediaHdl_t media, omfInt32 count,
                  std::vector<uint8_t>* bytes) {
        std::vector<uint8_t> buffer(1 << 16);
        omfmMultiXfer_t transfer{1, count, omfInt32(buffer.size()), buffer.data(), 0, 0};
        omfCodecParms_t parms{};
        parms.spc.samples.count = 1;
        parms.spc.samples.transfers = &transfer;
        omfErr_t status = codec.call(kCodecOpReadSamples, parms, media, file_);
        buffer.resize(size_t(transfer.bytesXfered));
        *bytes = buffer;
        return status;
    }
};

} // namespace audio_test
