// Shared set-up for the uncompressed video codec tests: a session with the
// media layer, a 2.x file, descriptors written property by property, and a
// media handle built by hand around a descriptor so that a codec's
// operations can be called directly through its own operation table.
#pragma once

#include "builtin_codecs.h"
#include "media/internal/media_records.h"
#include "omf/omf_fixture.h"
#include "omf/omf_media.h"
#include "omf/omf_mobs.h"
#include "omf/omf_registry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace video_codec_test {

// One codec as the registry would hold it: its persistent data and its table.
class CodecUnderTest {
  public:
    CodecUnderTest(omfCodecEntry_t entry, omfSessionHdl_t session) : entry_(entry) {
        omfCodecParms_t parms{};
        parms.spc.init.session = session;
        status_ = entry_(kCodecInit, &parms);
        persistent_ = parms.persistent;
        for (omfCodecOperation_t& operation : table_)
            operation = omfmCodecDefaultOperation;
        omfCodecParms_t fill{};
        fill.spc.fillTable.table = table_;
        fill.spc.fillTable.count = kOmfCodecTableSize;
        if (status_ == 0) status_ = entry_(kCodecFillTable, &fill);
    }
    ~CodecUnderTest() { std::free(persistent_); }
    CodecUnderTest(const CodecUnderTest&) = delete;
    CodecUnderTest& operator=(const CodecUnderTest&) = delete;

    omfErr_t status() const { return status_; }
    void* persistent() const { return persistent_; }
    omfCodecOperation_t operation(omfCodecOperationIndex_t index) const { return table_[index]; }

    // Runs operation `index` with `parms` (persistent data and revision filled in).
    omfErr_t call(omfCodecOperationIndex_t index, omfCodecParms_t& parms, omfMediaHdl_t media,
                  omfHdl_t file) const {
        parms.persistent = persistent_;
        parms.fileRevision = kOmfRev2x;
        return table_[index](&parms, media, file);
    }

  private:
    omfCodecEntry_t entry_;
    omfErr_t status_ = 0;
    void* persistent_ = nullptr;
    omfCodecOperation_t table_[kOmfCodecTableSize];
};

inline omfFormatEntry_t int32Entry(omfInt32 opcode, omfInt32 value) {
    omfFormatEntry_t entry = omfmFormatEntry(opcode);
    entry.operand.int32 = value;
    return entry;
}

inline omfFormatEntry_t rectEntry(omfInt32 opcode, omfInt32 x, omfInt32 y, omfInt32 width,
                                  omfInt32 height) {
    omfFormatEntry_t entry = omfmFormatEntry(opcode);
    entry.operand.rect = {x, y, width, height};
    return entry;
}

inline omfFormatEntry_t bytesEntry(omfInt32 opcode, std::initializer_list<omfUInt8> bytes) {
    omfFormatEntry_t entry = omfmFormatEntry(opcode);
    size_t i = 0;
    for (omfUInt8 byte : bytes)
        entry.operand.raw[i++] = byte;
    return entry;
}

inline omfFormatEntry_t lettersEntry(omfInt32 opcode, const char* letters) {
    omfFormatEntry_t entry = omfmFormatEntry(opcode);
    std::strncpy(entry.operand.compLayout, letters, sizeof entry.operand.compLayout);
    return entry;
}

inline omfFormatEntry_t lineMapEntry(omfInt32 first, omfInt32 second) {
    omfFormatEntry_t entry = omfmFormatEntry(kOmfVideoLineMap);
    entry.operand.lineMap[0] = first;
    entry.operand.lineMap[1] = second;
    return entry;
}

// A session with the media layer and one new 2.x file.
class VideoCodecTest : public omf_test::ToolkitTest {
  protected:
    void SetUp() override {
        ToolkitTest::SetUp();
        if (HasFatalFailure()) return;
        ASSERT_EQ(omfmInit(session_), 0);
        ASSERT_EQ(omfsNewFile(path("media.omf").c_str(), session_, kOmfRev2x, &file_), 0);
        omfErr_t status = 0;
        ASSERT_TRUE(omfsFindDataKind(file_, "omfi:data:Picture", &picture_, &status));
    }

    void TearDown() override {
        if (file_ != nullptr) {
            EXPECT_EQ(omfsCloseOMFFile(file_), 0);
        }
        ToolkitTest::TearDown();
    }

    // The mob of `id` in the open file (null when there is none).
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

    // A property code the codecs registered, by its full name.
    omfProperty_t registered(const char* name, const char* classID, omfType_t type) {
        omfProperty_t code = 0;
        EXPECT_EQ(omfsRegisterProperty(session_, name, classID, type, kOmfRevisions2x, &code), 0);
        return code;
    }

    // A descriptor of `classID` with what every picture descriptor needs.
    omfObject_t pictureDescriptor(const char* classID, omfInt32 width, omfInt32 height,
                                  omfInt32 layout) {
        omfObject_t descriptor = nullptr;
        EXPECT_EQ(omfsObjectNew(file_, classID, &descriptor), 0);
        EXPECT_EQ(omfsWriteRational(file_, descriptor, kOmfProperty_MDFL_SampleRate, {25, 1}), 0);
        EXPECT_EQ(omfsWriteLength(file_, descriptor, kOmfProperty_MDFL_Length, 0), 0);
        EXPECT_EQ(omfsWriteInt32(file_, descriptor, kOmfProperty_DIDD_StoredWidth, width), 0);
        EXPECT_EQ(omfsWriteInt32(file_, descriptor, kOmfProperty_DIDD_StoredHeight, height), 0);
        EXPECT_EQ(omfsWriteRational(file_, descriptor, kOmfProperty_DIDD_ImageAspectRatio, {4, 3}),
                  0);
        EXPECT_EQ(omfsWriteEnum(file_, descriptor, kOmfProperty_DIDD_FrameLayout,
                                kOmfType_LayoutType, layout),
                  0);
        return descriptor;
    }

    // A handle around `descriptor` with an empty image-data object.
    std::unique_ptr<omfMediaRec> handleFor(omfObject_t descriptor) {
        auto media = std::make_unique<omfMediaRec>();
        media->file = file_;
        media->dataFile = file_;
        media->descriptor = descriptor;
        EXPECT_EQ(omfsObjectNew(file_, "IDAT", &media->dataObject), 0);
        EXPECT_EQ(omfsWriteDataBytes(file_, media->dataObject, kOmfProperty_IDAT_ImageData,
                                     kOmfType_DataValue, 0, 0, ""),
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

    // Answers one format-list entry through getInfo.
    omfErr_t askFormat(const CodecUnderTest& codec, omfMediaHdl_t media, omfFormatEntry_t* entry) {
        omfFormatEntry_t list[2] = {*entry, omfmFormatEntry(kOmfVFmtEnd)};
        omfCodecParms_t parms{};
        parms.spc.info.selector = kMediaInfoVideoFormat;
        parms.spc.info.mediaKind = picture_;
        parms.spc.info.size = sizeof list;
        parms.spc.info.buffer = list;
        omfErr_t status = codec.call(kCodecOpGetInfo, parms, media, file_);
        *entry = list[0];
        return status;
    }

    omfErr_t putFormat(const CodecUnderTest& codec, omfMediaHdl_t media,
                       omfMediaInfoSelector_t selector,
                       std::initializer_list<omfFormatEntry_t> in) {
        std::vector<omfFormatEntry_t> list(in);
        list.push_back(omfmFormatEntry(kOmfVFmtEnd));
        omfCodecParms_t parms{};
        parms.spc.info.selector = selector;
        parms.spc.info.mediaKind = picture_;
        parms.spc.info.size = omfInt32(list.size() * sizeof(omfFormatEntry_t));
        parms.spc.info.buffer = list.data();
        return codec.call(kCodecOpPutInfo, parms, media, file_);
    }

    omfErr_t largestSample(const CodecUnderTest& codec, omfMediaHdl_t media, omfObject_t kind,
                           omfInt32* size) {
        omfMaxSampleSize_t answer{kind, 0};
        omfCodecParms_t parms{};
        parms.spc.info.selector = kMediaInfoMaxSampleSize;
        parms.spc.info.mediaKind = kind;
        parms.spc.info.size = sizeof answer;
        parms.spc.info.buffer = &answer;
        omfErr_t status = codec.call(kCodecOpGetInfo, parms, media, file_);
        *size = answer.largestSampleSize;
        return status;
    }

    omfErr_t frameOffset(const CodecUnderTest& codec, omfMediaHdl_t media, omfInt64 frame,
                         omfInt64* offset) {
        omfCodecParms_t parms{};
        parms.spc.frameOffset.frameNumber = frame;
        omfErr_t status = codec.call(kCodecOpFrameOffset, parms, media, file_);
        *offset = parms.spc.frameOffset.offset;
        return status;
    }

    omfErr_t closeHandle(const CodecUnderTest& codec, omfMediaHdl_t media) {
        omfCodecParms_t parms{};
        return codec.call(kCodecOpClose, parms, media, file_);
    }

    omfHdl_t file_ = nullptr;
    omfObject_t picture_ = nullptr;
};

// Media written through the media calls on a new master and file mob, and
// read back after the file was closed and opened again.
class MediaRoundTripTest : public VideoCodecTest {
  protected:
    // Creates video media of `codecID` on a new master and file mob.
    omfMediaHdl_t createMedia(const char* codecID, omfInt32 width, omfInt32 height,
                              omfFrameLayout_t layout) {
        omfObject_t master = nullptr;
        EXPECT_EQ(omfmCreateMasterMob(file_, "master", 6, &master), 0);
        EXPECT_EQ(omfiReadMobID(file_, master, &masterID_), 0);
        omfObject_t fileMob = nullptr;
        EXPECT_EQ(omfmCreateFileMob(file_, "frames", {25, 1}, codecID, &fileMob), 0);
        omfMediaHdl_t media = nullptr;
        EXPECT_EQ(omfmCreateVideoMedia(file_, master, 1, fileMob, 0, {25, 1}, height, width, layout,
                                       {4, 3}, &media),
                  0);
        return media;
    }

    // Closes the file and opens it again for reading, then the media of the
    // master mob created last (stored frames as they are with `rawTransfer`).
    omfMediaHdl_t reopenMedia(omfBool rawTransfer = false) {
        EXPECT_EQ(omfsCloseOMFFile(file_), 0);
        file_ = nullptr;
        EXPECT_EQ(omfsOpenFileForRead(path("media.omf").c_str(), session_, &file_), 0);
        omfErr_t status = 0;
        EXPECT_TRUE(omfsFindDataKind(file_, "omfi:data:Picture", &picture_, &status));
        omfObject_t master = findMob(masterID_);
        omfMediaHdl_t media = nullptr;
        EXPECT_EQ(omfmOpenMedia(file_, master, 1, nullptr, kMediaOpenReadOnly, rawTransfer, &media),
                  0);
        return media;
    }

    omfMobID_t masterID_{};
};

} // namespace video_codec_test
