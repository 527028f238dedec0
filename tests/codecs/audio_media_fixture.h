// Shared set-up for the sound codec tests: a session with the media layer
// and a 2.x file, sound media created and reopened through the media calls,
// sample patterns in the form the codecs store them, and the bytes of the
// file images the codecs wrote.
#pragma once

#include "media/internal/media_handles.h"
#include "omf/omf_audio_media.h"
#include "omf/omf_error_codes.h"
#include "omf/omf_fixture.h"
#include "omf/omf_media.h"
#include "omf/omf_mobs.h"
#include "omf/omf_registry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

namespace audio_test {

// Interleaved frames whose every sample differs from its neighbours, in
// little-endian bytes of `bits` rounded up to whole bytes.
inline std::vector<uint8_t> samplePattern(size_t frames, int channels, int bits) {
    const size_t bytes = size_t(bits + 7) / 8;
    std::vector<uint8_t> data(frames * size_t(channels) * bytes);
    for (size_t i = 0; i < frames * size_t(channels); ++i) {
        const uint32_t value = uint32_t(i * 2654435761u + 12345u);
        for (size_t b = 0; b < bytes; ++b)
            data[i * bytes + b] = uint8_t(value >> (8 * b));
    }
    return data;
}

// The samples of one channel of interleaved frames.
inline std::vector<uint8_t> channelOf(const std::vector<uint8_t>& frames, int channels,
                                      int sampleBytes, int channel) {
    std::vector<uint8_t> samples;
    const size_t frameBytes = size_t(channels) * size_t(sampleBytes);
    for (size_t at = size_t(channel - 1) * size_t(sampleBytes); at < frames.size();
         at += frameBytes) {
        samples.insert(samples.end(), frames.begin() + long(at),
                       frames.begin() + long(at) + sampleBytes);
    }
    return samples;
}

inline omfFormatEntry_t audioEntry(omfInt32 opcode) {
    omfFormatEntry_t entry;
    std::memset(&entry, 0, sizeof entry);
    entry.opcode = opcode;
    return entry;
}

inline omfFormatEntry_t bitsEntry(omfInt16 bits) {
    omfFormatEntry_t entry = audioEntry(kOmfAudioSampleBits);
    entry.operand.int16 = bits;
    return entry;
}

inline omfFormatEntry_t rateEntry(omfInt32 numerator, omfInt32 denominator) {
    omfFormatEntry_t entry = audioEntry(kOmfAudioSampleRate);
    entry.operand.ratio = {numerator, denominator};
    return entry;
}

inline omfFormatEntry_t sampleFormatEntry(omfInt32 format) {
    omfFormatEntry_t entry = audioEntry(kOmfAudioSampleFormat);
    entry.operand.int32 = format;
    return entry;
}

class AudioMediaTest : public omf_test::ToolkitTest {
  protected:
    void SetUp() override {
        ToolkitTest::SetUp();
        if (HasFatalFailure()) return;
        ASSERT_EQ(omfmInit(session_), 0);
        ASSERT_EQ(omfsNewFile(path("sound.omf").c_str(), session_, kOmfRev2x, &file_), 0);
        findSoundKind();
    }

    void TearDown() override {
        if (file_ != nullptr) {
            EXPECT_EQ(omfsCloseOMFFile(file_), 0);
        }
        ToolkitTest::TearDown();
    }

    void findSoundKind() {
        omfErr_t status = 0;
        ASSERT_TRUE(omfsFindDataKind(file_, "omfi:data:Sound", &sound_, &status));
    }

    // New sound media of `codecID` on a new master and file mob.
    omfMediaHdl_t createSound(const char* codecID, omfInt16 channels, omfInt16 bits,
                              omfRational_t rate = {48000, 1}) {
        omfObject_t master = nullptr;
        EXPECT_EQ(omfmCreateMasterMob(file_, "sound", 5, &master), 0);
        EXPECT_EQ(omfiReadMobID(file_, master, &masterID_), 0);
        omfObject_t fileMob = nullptr;
        EXPECT_EQ(omfmCreateFileMob(file_, "samples", rate, codecID, &fileMob), 0);
        EXPECT_EQ(omfiReadMobID(file_, fileMob, &fileMobID_), 0);
        omfMediaHdl_t media = nullptr;
        EXPECT_EQ(omfmCreateAudioMedia(file_, master, fileMob, rate, channels, bits, &media), 0);
        return media;
    }

    // Closes the file and opens it again for reading.
    void reopen() {
        ASSERT_EQ(omfsCloseOMFFile(file_), 0);
        file_ = nullptr;
        ASSERT_EQ(omfsOpenFileForRead(path("sound.omf").c_str(), session_, &file_), 0);
        findSoundKind();
    }

    // The media of the master mob created last, from its track `trackID`.
    omfMediaHdl_t openSound(omfTrackID_t trackID = 1) {
        omfMediaHdl_t media = nullptr;
        EXPECT_EQ(omfmOpenMedia(file_, findMob(masterID_), trackID, nullptr, kMediaOpenReadOnly, 0,
                                &media),
                  0);
        return media;
    }

    omfObject_t findMob(const omfMobID_t& id) {
        omfIterHdl_t iterator = nullptr;
        EXPECT_EQ(omfiMobOpenSearch(file_, &iterator), 0);
        omfSearchCrit_t criteria{};
        criteria.searchTag = kOmfByMobID;
        criteria.tags.mobID = id;
        omfObject_t mob = nullptr;
        EXPECT_EQ(omfiNextMatchingMob(iterator, &criteria, &mob), 0);
        EXPECT_EQ(omfiSearchDispose(file_, iterator), 0);
        return mob;
    }

    // The whole value of `property` of `object`.
    std::vector<uint8_t> valueBytes(omfObject_t object, omfProperty_t property) {
        omfInt64 length = 0;
        EXPECT_EQ(omfsValueLength(file_, object, property, kOmfType_DataValue, &length), 0);
        std::vector<uint8_t> bytes(static_cast<size_t>(length));
        omfInt32 read = 0;
        EXPECT_EQ(omfsReadDataBytes(file_, object, property, kOmfType_DataValue, 0,
                                    omfInt32(length), bytes.data(), &read),
                  0);
        EXPECT_EQ(read, omfInt32(length));
        return bytes;
    }

    // The file image of the media of the file mob created last.
    std::vector<uint8_t> imageOf(omfProperty_t dataProperty) {
        omfObject_t data = nullptr;
        EXPECT_EQ(omf::media::dataObjectFor(file_, fileMobID_, &data), 0);
        if (data == nullptr) return {};
        return valueBytes(data, dataProperty);
    }

    // Writes interleaved frames as one whole-frame transfer on channel 1.
    omfErr_t writeFrames(omfMediaHdl_t media, const std::vector<uint8_t>& frames, omfInt32 count) {
        omfmMultiXfer_t transfer{
            1, count, omfInt32(frames.size()), const_cast<uint8_t*>(frames.data()), 0, 0};
        return omfmWriteMultiSamples(media, 1, &transfer);
    }

    omfErr_t setMemoryFormat(omfMediaHdl_t media, std::initializer_list<omfFormatEntry_t> in) {
        std::vector<omfFormatEntry_t> list(in);
        list.push_back(audioEntry(0));
        return omfmSetMemoryFormat(media, list.data());
    }

    omfHdl_t file_ = nullptr;
    omfObject_t sound_ = nullptr;
    omfMobID_t masterID_{};
    omfMobID_t fileMobID_{};
};

} // namespace audio_test
