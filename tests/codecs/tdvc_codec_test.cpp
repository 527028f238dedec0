// The Avid TDVC codec on DV media written by a small fixture writer: a
// file mob made for the codec, its descriptor, and a "TDVC" data object
// holding synthetic frames. Frames come back exactly as stored, one per
// read, at the positions the frame size gives; hostile frame sizes and
// lengths are refused or bounded by the data; and the codec is chosen for
// "DV/C" media only when it is registered.
#include "video_codec_fixture.h"

#include "omf/omf_access.h"
#include "omf/omf_avid_codecs.h"
#include "omf/omf_error_codes.h"
#include "omf/omf_mobs.h"

#include <cstdint>
#include <optional>
#include <vector>

using namespace video_codec_test;

namespace {

constexpr char kTDVC[] = "MSM TARGA DVC Codec";
constexpr omfInt32 kDVFrame = 120000; // one 525-line DV frame

// Frame `n` of the synthetic media: every byte depends on the frame and
// its position, so a frame read from the wrong place or cut short differs.
std::vector<uint8_t> dvFrame(int n, size_t size = kDVFrame) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = uint8_t(n * 37 + i * 13 + i / 256);
    return bytes;
}

// What a DV descriptor holds; each hostile case changes one field.
struct DVMedia {
    omfInt64 length = 3; // Length, in frames
    std::optional<omfInt32> frameSize = kDVFrame;
    std::optional<omfInt32> componentWidth = 8;
    std::optional<omfInt32> firstFrameOffset;
    const char* compression = "DV/C";
    std::vector<uint8_t> data; // the ImageData value
};

class TdvcCodecTest : public omf_test::ToolkitTest {
  protected:
    void SetUp() override {
        ToolkitTest::SetUp();
        if (HasFatalFailure()) return;
        ASSERT_EQ(omfmInit(session_), 0);
        ASSERT_EQ(omfmAddCodec(session_, omfCodecTDVC), 0);
    }

    void TearDown() override {
        if (file_ != nullptr) {
            EXPECT_EQ(omfsCloseOMFFile(file_), 0);
        }
        ToolkitTest::TearDown();
    }

    static std::vector<uint8_t> frames(int count) {
        std::vector<uint8_t> data;
        for (int n = 1; n <= count; ++n) {
            std::vector<uint8_t> frame = dvFrame(n);
            data.insert(data.end(), frame.begin(), frame.end());
        }
        return data;
    }

    omfProperty_t property(const char* name, const char* classID) {
        omfProperty_t code = 0;
        EXPECT_EQ(
            omfsRegisterProperty(session_, name, classID, kOmfType_Int32, kOmfRevisionsBoth, &code),
            0);
        return code;
    }

    // Writes a file of `revision` holding one DV file mob as `media`
    // describes it, then opens the file again for reading.
    void writeFile(const DVMedia& media, omfFileRev_t revision = kOmfRev2x) {
        ASSERT_EQ(omfsNewFile(path("dv.omf").c_str(), session_, revision, &file_), 0);
        omfObject_t fileMob = nullptr;
        ASSERT_EQ(omfmCreateFileMob(file_, "dv", {30000, 1001}, kTDVC, &fileMob), 0);
        ASSERT_EQ(omfiReadMobID(file_, fileMob, &fileMobID_), 0);
        omfObject_t descriptor = nullptr;
        ASSERT_EQ(omfiMobGetDescriptor(file_, fileMob, &descriptor), 0);
        ASSERT_EQ(omfsWriteLength(file_, descriptor, kOmfProperty_MDFL_Length, media.length), 0);
        ASSERT_EQ(omfsWriteInt32(file_, descriptor, kOmfProperty_DIDD_StoredWidth, 720), 0);
        ASSERT_EQ(omfsWriteInt32(file_, descriptor, kOmfProperty_DIDD_StoredHeight, 240), 0);
        ASSERT_EQ(omfsWriteRational(file_, descriptor, kOmfProperty_DIDD_ImageAspectRatio, {4, 3}),
                  0);
        ASSERT_EQ(omfsWriteEnum(file_, descriptor, kOmfProperty_DIDD_FrameLayout,
                                kOmfType_LayoutType, kOmfSeparateFields),
                  0);
        omfUInt32 subsampling = 4; // 4:1:1
        omfProperty_t subsamplingCode = 0;
        ASSERT_EQ(omfsRegisterProperty(session_, "HorizontalSubsampling", "CDCI", kOmfType_UInt32,
                                       kOmfRevisionsBoth, &subsamplingCode),
                  0);
        ASSERT_EQ(omfsWriteUInt32(file_, descriptor, subsamplingCode, subsampling), 0);
        if (media.compression != nullptr) {
            ASSERT_EQ(omfsWriteString(file_, descriptor, kOmfProperty_DIDD_Compression,
                                      media.compression),
                      0);
        }
        if (media.frameSize) {
            ASSERT_EQ(omfsWriteInt32(file_, descriptor, property("FrameSampleSize", "CDCI"),
                                     *media.frameSize),
                      0);
        }
        if (media.componentWidth) {
            ASSERT_EQ(omfsWriteInt32(file_, descriptor, property("ComponentWidth", "CDCI"),
                                     *media.componentWidth),
                      0);
        }
        if (media.firstFrameOffset) {
            ASSERT_EQ(omfsWriteInt32(file_, descriptor, property("FirstFrameOffset", "DIDD"),
                                     *media.firstFrameOffset),
                      0);
        }
        writeDataObject(media.data, revision);
        ASSERT_EQ(omfsCloseOMFFile(file_), 0);
        file_ = nullptr;
        ASSERT_EQ(omfsOpenFileForRead(path("dv.omf").c_str(), session_, &file_), 0);
        omfErr_t status = 0;
        ASSERT_TRUE(omfsFindDataKind(file_, "omfi:data:Picture", &picture_, &status));
    }

    // The "TDVC" data object under the file mob's ID, entered in the file
    // as media data.
    void writeDataObject(const std::vector<uint8_t>& data, omfFileRev_t revision) {
        omfObject_t object = nullptr;
        ASSERT_EQ(omfsObjectNew(file_, "TDVC", &object), 0);
        ASSERT_EQ(omfsWriteDataBytes(file_, object, kOmfProperty_IDAT_ImageData, kOmfType_DataValue,
                                     0, omfInt32(data.size()), data.data()),
                  0);
        if (revision == kOmfRev2x) {
            ASSERT_EQ(omfsWriteUID(file_, object, kOmfProperty_MDAT_MobID, fileMobID_), 0);
            ASSERT_EQ(
                omfsAppendObjRefArray(file_, file_->head, kOmfProperty_HEAD_MediaData, object), 0);
        } else {
            ASSERT_EQ(
                omfsAppendMobIndex(file_, file_->head, kOmfProperty_MediaData, fileMobID_, object),
                0);
        }
    }

    void closeFile() {
        ASSERT_EQ(omfsCloseOMFFile(file_), 0);
        file_ = nullptr;
    }

    omfObject_t fileMob() {
        omfIterHdl_t iterator = nullptr;
        EXPECT_EQ(omfiMobOpenSearch(file_, &iterator), 0);
        omfSearchCrit_t criteria{};
        criteria.searchTag = kOmfByMobID;
        criteria.tags.mobID = fileMobID_;
        omfObject_t mob = nullptr;
        EXPECT_EQ(omfiNextMatchingMob(iterator, &criteria, &mob), 0);
        EXPECT_EQ(omfiSearchDispose(file_, iterator), 0);
        return mob;
    }

    omfErr_t openMedia(omfMediaHdl_t* media, omfUInt32 rawTransfer = 0) {
        return omfmOpenFileMobMedia(file_, fileMob(), 1, kMediaOpenReadOnly, picture_, 1,
                                    rawTransfer, media);
    }

    omfMediaHdl_t openedMedia() {
        omfMediaHdl_t media = nullptr;
        EXPECT_EQ(openMedia(&media), 0);
        return media;
    }

    // Reads one frame at the handle's position into a buffer of `bufferSize`.
    omfErr_t readFrame(omfMediaHdl_t media, std::vector<uint8_t>* frame,
                       omfInt32 bufferSize = kDVFrame, omfInt32 count = 1) {
        frame->assign(size_t(bufferSize), 0);
        omfInt32 samples = -1, bytes = -1;
        omfErr_t status =
            omfmReadMediaSamples(media, count, bufferSize, frame->data(), &samples, &bytes);
        samplesRead_ = samples;
        frame->resize(size_t(bytes < 0 ? 0 : bytes));
        return status;
    }

    omfErr_t largestSample(omfMediaHdl_t media, omfInt32* size) {
        return omfmGetLargestSampleSize(media, picture_, size);
    }

    omfErr_t frameSize(omfMediaHdl_t media, omfInt64 frame, omfInt32* size) {
        omfFrameSizeInfo_t info{picture_, frame, -1};
        omfErr_t status = omfmGetInfo(media, kMediaInfoFrameSize, picture_, sizeof info, &info);
        *size = info.frameSize;
        return status;
    }

    omfHdl_t file_ = nullptr;
    omfObject_t picture_ = nullptr;
    omfMobID_t fileMobID_{};
    omfInt32 samplesRead_ = 0;
};

// ---- frames out exactly ------------------------------------------------------

TEST_F(TdvcCodecTest, FramesComeBackExactlyAsStoredOnePerRead) {
    DVMedia dv;
    dv.data = frames(3);
    writeFile(dv);
    omfMediaHdl_t media = openedMedia();
    ASSERT_NE(media, nullptr);
    omfInt64 count = 0;
    ASSERT_EQ(omfmCountSamples(media, &count), 0);
    EXPECT_EQ(count, 3);

    std::vector<uint8_t> frame;
    ASSERT_EQ(omfmSeekFrame(media, 2), 0);
    ASSERT_EQ(readFrame(media, &frame), 0);
    EXPECT_EQ(samplesRead_, 1);
    EXPECT_EQ(frame, dvFrame(2));
    ASSERT_EQ(readFrame(media, &frame), 0); // the next read continues with frame 3
    EXPECT_EQ(frame, dvFrame(3));
    EXPECT_EQ(readFrame(media, &frame), OM_ERR_FRAME_INDEX_OUT_OF_RANGE);
    ASSERT_EQ(omfmSeekFrame(media, 1), 0);
    ASSERT_EQ(readFrame(media, &frame), 0);
    EXPECT_EQ(frame, dvFrame(1));
    EXPECT_EQ(omfmCloseMedia(media), 0);
}

TEST_F(TdvcCodecTest, OneXFilesReadTheSameWay) {
    DVMedia dv;
    dv.data = frames(2);
    dv.length = 2;
    writeFile(dv, kOmfRev1x);
    omfMediaHdl_t media = openedMedia();
    ASSERT_NE(media, nullptr);
    std::vector<uint8_t> frame;
    ASSERT_EQ(omfmSeekFrame(media, 2), 0);
    ASSERT_EQ(readFrame(media, &frame), 0);
    EXPECT_EQ(frame, dvFrame(2));
    EXPECT_EQ(omfmCloseMedia(media), 0);
}

TEST_F(TdvcCodecTest, FramesStartAtTheFirstFrameOffset) {
    DVMedia dv;
    std::vector<uint8_t> lead(100, 0xEE);
    dv.data = frames(2);
    dv.data.insert(dv.data.begin(), lead.begin(), lead.end());
    dv.length = 2;
    dv.firstFrameOffset = 100;
    writeFile(dv);
    omfMediaHdl_t media = openedMedia();
    ASSERT_NE(media, nullptr);
    std::vector<uint8_t> frame;
    ASSERT_EQ(omfmSeekFrame(media, 2), 0);
    ASSERT_EQ(readFrame(media, &frame), 0);
    EXPECT_EQ(frame, dvFrame(2));
    EXPECT_EQ(omfmCloseMedia(media), 0);
}

TEST_F(TdvcCodecTest, PositionsOutsideTheIndexAreRefused) {
    DVMedia dv;
    dv.data = frames(3);
    writeFile(dv);
    omfMediaHdl_t media = openedMedia();
    ASSERT_NE(media, nullptr);
    EXPECT_EQ(omfmSeekFrame(media, 0), OM_ERR_FRAME_INDEX_OUT_OF_RANGE);
    EXPECT_EQ(omfmSeekFrame(media, 5), OM_ERR_FRAME_INDEX_OUT_OF_RANGE);
    EXPECT_EQ(omfmSeekFrame(media, INT64_MIN), OM_ERR_FRAME_INDEX_OUT_OF_RANGE);
    // Frame 4 is the end of the data: a position, but no frame.
    ASSERT_EQ(omfmSeekFrame(media, 4), 0);
    std::vector<uint8_t> frame;
    EXPECT_EQ(readFrame(media, &frame), OM_ERR_FRAME_INDEX_OUT_OF_RANGE);
    EXPECT_EQ(omfmCloseMedia(media), 0);
}

// ---- transfers the codec refuses ---------------------------------------------

TEST_F(TdvcCodecTest, ARequestForTwoFramesGetsOneAndIsRefused) {
    DVMedia dv;
    dv.data = frames(3);
    writeFile(dv);
    omfMediaHdl_t media = openedMedia();
    ASSERT_NE(media, nullptr);
    std::vector<uint8_t> frame;
    ASSERT_EQ(omfmSeekFrame(media, 1), 0);
    EXPECT_EQ(readFrame(media, &frame, 2 * kDVFrame, 2), OM_ERR_ONE_SAMPLE_COMPRESSED_READ);
    EXPECT_EQ(samplesRead_, 1);
    EXPECT_EQ(frame, dvFrame(1));
    EXPECT_EQ(omfmCloseMedia(media), 0);
}

TEST_F(TdvcCodecTest, AFrameMustFitTheBuffer) {
    DVMedia dv;
    dv.data = frames(3);
    writeFile(dv);
    omfMediaHdl_t media = openedMedia();
    ASSERT_NE(media, nullptr);
    std::vector<uint8_t> frame;
    ASSERT_EQ(omfmSeekFrame(media, 1), 0);
    EXPECT_EQ(readFrame(media, &frame, kDVFrame - 1), OM_ERR_SAMPLE_TOO_LARGE);
    // The refused read left the position where it was.
    ASSERT_EQ(readFrame(media, &frame, kDVFrame), 0);
    EXPECT_EQ(frame, dvFrame(1));
    EXPECT_EQ(omfmCloseMedia(media), 0);
}

TEST_F(TdvcCodecTest, OnlyChannelOneIsRead) {
    DVMedia dv;
    dv.data = frames(1);
    dv.length = 1;
    writeFile(dv);
    omfMediaHdl_t media = openedMedia();
    ASSERT_NE(media, nullptr);
    std::vector<uint8_t> buffer(kDVFrame);
    omfmMultiXfer_t transfer{2, 1, kDVFrame, buffer.data(), 0, 0};
    EXPECT_EQ(omfmReadMultiSamples(media, 1, &transfer), OM_ERR_CODEC_CHANNEL_OUT_OF_RANGE);
    transfer.subTrackNum = 1;
    EXPECT_EQ(omfmReadMultiSamples(media, 1, &transfer), 0);
    EXPECT_EQ(transfer.bytesXfered, kDVFrame);
    EXPECT_EQ(omfmCloseMedia(media), 0);
}

TEST_F(TdvcCodecTest, AHandleAskingForRawTransfersIsRefused) {
    DVMedia dv;
    dv.data = frames(1);
    dv.length = 1;
    writeFile(dv);
    omfMediaHdl_t media = nullptr;
    ASSERT_EQ(openMedia(&media, 1), 0);
    std::vector<uint8_t> frame;
    EXPECT_EQ(readFrame(media, &frame), OM_ERR_JPEG_DISABLED);
    EXPECT_EQ(omfmCloseMedia(media), 0);
}

TEST_F(TdvcCodecTest, NoMediaIsCreated) {
    ASSERT_EQ(omfsNewFile(path("new.omf").c_str(), session_, kOmfRev2x, &file_), 0);
    omfErr_t status = 0;
    ASSERT_TRUE(omfsFindDataKind(file_, "omfi:data:Picture", &picture_, &status));
    omfObject_t mob = nullptr;
    ASSERT_EQ(omfmCreateFileMob(file_, "dv", {30000, 1001}, kTDVC, &mob), 0);
    omfMediaHdl_t media = nullptr;
    EXPECT_EQ(omfmCreateVideoMedia(file_, nullptr, 1, mob, 0, {30000, 1001}, 240, 720,
                                   kOmfSeparateFields, {4, 3}, &media),
              OM_ERR_INVALID_CODEC_OPERATION);
    EXPECT_EQ(media, nullptr);
}

// ---- hostile descriptors -------------------------------------------------------

TEST_F(TdvcCodecTest, WithoutAComponentWidthNoFrameIsRead) {
    DVMedia dv;
    dv.data = frames(1);
    dv.length = 1;
    dv.componentWidth.reset();
    writeFile(dv);
    omfMediaHdl_t media = openedMedia();
    ASSERT_NE(media, nullptr);
    std::vector<uint8_t> frame;
    EXPECT_EQ(readFrame(media, &frame), OM_ERR_ZERO_PIXEL_SIZE);
    EXPECT_EQ(omfmCloseMedia(media), 0);
}

TEST_F(TdvcCodecTest, AZeroOrMissingFrameSizeReadsNoFrame) {
    for (std::optional<omfInt32> size : {std::optional<omfInt32>(0), std::optional<omfInt32>()}) {
        DVMedia dv;
        dv.data = frames(1);
        dv.length = 1;
        dv.frameSize = size;
        writeFile(dv);
        omfMediaHdl_t media = openedMedia();
        ASSERT_NE(media, nullptr);
        std::vector<uint8_t> frame;
        EXPECT_EQ(readFrame(media, &frame), OM_ERR_ZERO_SAMPLE_SIZE);
        EXPECT_EQ(omfmSeekFrame(media, 1), OM_ERR_FRAME_INDEX_OUT_OF_RANGE);
        EXPECT_EQ(omfmCloseMedia(media), 0);
        closeFile();
    }
}

TEST_F(TdvcCodecTest, NegativeSizesAndOffsetsAreRefusedAtOpen) {
    DVMedia negativeSize;
    negativeSize.data = frames(1);
    negativeSize.frameSize = -kDVFrame;
    writeFile(negativeSize);
    omfMediaHdl_t media = nullptr;
    EXPECT_EQ(openMedia(&media), OM_ERR_UNKNOWN_FILE_PIXEL_FORMAT);
    EXPECT_EQ(media, nullptr);
    closeFile();

    DVMedia negativeOffset;
    negativeOffset.data = frames(1);
    negativeOffset.firstFrameOffset = -1;
    writeFile(negativeOffset);
    EXPECT_EQ(openMedia(&media), OM_ERR_UNKNOWN_FILE_PIXEL_FORMAT);
    closeFile();

    DVMedia twelveBit;
    twelveBit.data = frames(1);
    twelveBit.componentWidth = 12;
    writeFile(twelveBit);
    EXPECT_EQ(openMedia(&media), OM_ERR_UNKNOWN_FILE_PIXEL_FORMAT);
}

TEST_F(TdvcCodecTest, FramesBeyondTheDataAreOutsideTheIndex) {
    // The descriptor counts 5 frames; the data holds 2 and part of a third.
    DVMedia dv;
    dv.data = frames(3);
    dv.data.resize(2 * kDVFrame + 1000);
    dv.length = 5;
    writeFile(dv);
    omfMediaHdl_t media = openedMedia();
    ASSERT_NE(media, nullptr);
    std::vector<uint8_t> frame;
    ASSERT_EQ(omfmSeekFrame(media, 2), 0);
    ASSERT_EQ(readFrame(media, &frame), 0);
    EXPECT_EQ(frame, dvFrame(2));
    EXPECT_EQ(readFrame(media, &frame), OM_ERR_FRAME_INDEX_OUT_OF_RANGE);
    omfInt32 size = 0;
    EXPECT_EQ(frameSize(media, 3, &size), OM_ERR_FRAME_INDEX_OUT_OF_RANGE);
    EXPECT_EQ(omfmCloseMedia(media), 0);
}

TEST_F(TdvcCodecTest, AHugeFrameSizeOrLengthSizesNothingBeyondTheData) {
    DVMedia huge;
    huge.data = frames(1);
    huge.frameSize = INT32_MAX;
    huge.length = INT64_MAX;
    writeFile(huge);
    omfMediaHdl_t media = openedMedia();
    ASSERT_NE(media, nullptr);
    std::vector<uint8_t> frame;
    EXPECT_EQ(readFrame(media, &frame), OM_ERR_FRAME_INDEX_OUT_OF_RANGE);
    EXPECT_EQ(omfmCloseMedia(media), 0);
    closeFile();

    // One-byte frames and a length of 2^40: the index holds the 1000 the data has.
    DVMedia tiny;
    tiny.data = dvFrame(1, 1000);
    tiny.frameSize = 1;
    tiny.length = omfInt64(1) << 40;
    writeFile(tiny);
    media = openedMedia();
    ASSERT_NE(media, nullptr);
    ASSERT_EQ(omfmSeekFrame(media, 1000), 0);
    ASSERT_EQ(readFrame(media, &frame, 1), 0);
    EXPECT_EQ(frame, std::vector<uint8_t>{tiny.data[999]});
    EXPECT_EQ(omfmSeekFrame(media, 1002), OM_ERR_FRAME_INDEX_OUT_OF_RANGE);
    EXPECT_EQ(omfmCloseMedia(media), 0);
}

// ---- information -------------------------------------------------------------

TEST_F(TdvcCodecTest, FrameSizesComeFromTheIndex) {
    DVMedia dv;
    dv.data = frames(3);
    writeFile(dv);
    omfMediaHdl_t media = openedMedia();
    ASSERT_NE(media, nullptr);
    omfInt32 size = 0;
    ASSERT_EQ(largestSample(media, &size), 0);
    EXPECT_EQ(size, kDVFrame);
    ASSERT_EQ(frameSize(media, 3, &size), 0);
    EXPECT_EQ(size, kDVFrame);
    EXPECT_EQ(frameSize(media, 4, &size), OM_ERR_FRAME_INDEX_OUT_OF_RANGE);
    EXPECT_EQ(frameSize(media, 0, &size), OM_ERR_FRAME_INDEX_OUT_OF_RANGE);
    omfObject_t sound = nullptr;
    omfErr_t status = 0;
    ASSERT_TRUE(omfsFindDataKind(file_, "omfi:data:Sound", &sound, &status));
    EXPECT_EQ(omfmGetLargestSampleSize(media, sound, &size), OM_ERR_CODEC_CHANNEL_OUT_OF_RANGE);
    EXPECT_EQ(omfmCloseMedia(media), 0);
}

TEST_F(TdvcCodecTest, ThePictureIsDescribedAsComponentVideo) {
    DVMedia dv;
    dv.data = frames(1);
    dv.length = 1;
    writeFile(dv);
    omfMediaHdl_t media = openedMedia();
    ASSERT_NE(media, nullptr);
    omfFrameLayout_t layout{};
    omfInt32 width = 0, height = 0;
    omfInt16 pixelSize = 0;
    omfPixelFormat_t format{};
    ASSERT_EQ(omfmGetVideoFormat(media, &layout, &width, &height, nullptr, &pixelSize, &format), 0);
    EXPECT_EQ(layout, kOmfSeparateFields);
    EXPECT_EQ(width, 720);
    EXPECT_EQ(height, 240);
    EXPECT_EQ(pixelSize, 16);
    EXPECT_EQ(format, kOmfPixYUV);
    omfFormatEntry_t list[3] = {omfmFormatEntry(kOmfIsCompressed),
                                omfmFormatEntry(kOmfCDCIHorizSubsampling),
                                omfmFormatEntry(kOmfVFmtEnd)};
    ASSERT_EQ(omfmGetInfo(media, kMediaInfoVideoFormat, picture_, sizeof list, list), 0);
    EXPECT_EQ(list[0].operand.byte, 1);
    EXPECT_EQ(list[1].operand.int32, 4);
    // A reader's memory format is accepted; the frames still leave as stored.
    omfFormatEntry_t memory[4] = {
        int32Entry(kOmfPixelFormat, kOmfPixRGBA), lettersEntry(kOmfRGBCompLayout, "ARGB"),
        bytesEntry(kOmfRGBCompSizes, {8, 8, 8, 8}), omfmFormatEntry(kOmfVFmtEnd)};
    ASSERT_EQ(omfmSetMemoryFormat(media, memory), 0);
    std::vector<uint8_t> frame;
    ASSERT_EQ(readFrame(media, &frame), 0);
    EXPECT_EQ(frame, dvFrame(1));
    EXPECT_EQ(omfmCloseMedia(media), 0);
}

// ---- registration and choice ---------------------------------------------------

TEST_F(TdvcCodecTest, InitRegistersTheFrameSizeAndTheDataClass) {
    omfProperty_t before = property("FrameSampleSize", "CDCI");
    EXPECT_GE(before, 247); // registered by the codec, not built in
    ASSERT_EQ(omfsNewFile(path("classes.omf").c_str(), session_, kOmfRev2x, &file_), 0);
    omfObject_t object = nullptr;
    ASSERT_EQ(omfsObjectNew(file_, "TDVC", &object), 0);
    omfErr_t status = 0;
    EXPECT_TRUE(omfiIsTypeOf(file_, object, "IDAT", &status));
    EXPECT_EQ(status, 0);
    EXPECT_FALSE(omfiIsTypeOf(file_, object, "JPEG", &status));
}

TEST_F(TdvcCodecTest, DescribesItselfForEveryRevision) {
    omfCodecDef_t codec{};
    ASSERT_EQ(omfmLookupCodec(session_, kTDVC, &codec), 0);
    char name[64] = {};
    ASSERT_EQ(omfmGetCodecDescription(session_, &codec, nullptr, name, sizeof name), 0);
    EXPECT_STREQ(name, "Avid TDVC Codec");
    EXPECT_EQ(codec.minFileRevision, kOmfRev1x);
    EXPECT_FALSE(codec.hasMaxFileRevision);
}

class TdvcChoiceTest : public VideoCodecTest {
  protected:
    omfObject_t dvDescriptor(const char* compression) {
        omfObject_t descriptor = pictureDescriptor("CDCI", 720, 240, kOmfSeparateFields);
        if (compression != nullptr) {
            EXPECT_EQ(
                omfsWriteString(file_, descriptor, kOmfProperty_DIDD_Compression, compression), 0);
        }
        return descriptor;
    }
};

TEST_F(TdvcChoiceTest, DVCompressionChoosesTheCodecOnlyOnceItIsRegistered) {
    omfObject_t dv = dvDescriptor("DV/C");
    omfCodecDef_t chosen{};
    EXPECT_EQ(omfmChooseCodec(file_, dv, &chosen), OM_ERR_INVALID_CODEC);
    ASSERT_EQ(omfmAddCodec(session_, omfCodecTDVC), 0);
    ASSERT_EQ(omfmChooseCodec(file_, dv, &chosen), 0);
    EXPECT_EQ(chosen.entry, omfCodecTDVC);
    // Uncompressed component video stays with CDCI.
    ASSERT_EQ(omfmChooseCodec(file_, dvDescriptor(nullptr), &chosen), 0);
    EXPECT_EQ(chosen.entry, omf::codecs::cdciCodec);
    ASSERT_EQ(omfmChooseCodec(file_, dvDescriptor("AUNC"), &chosen), 0);
    EXPECT_EQ(chosen.entry, omf::codecs::cdciCodec);
}

TEST_F(TdvcChoiceTest, SelectionAnswersTheFixedSizeEstimate) {
    CodecUnderTest codec(omfCodecTDVC, session_);
    ASSERT_EQ(codec.status(), 0);
    omfCodecParms_t parms{};
    parms.spc.selectInfo.descriptor = dvDescriptor("DV/C");
    ASSERT_EQ(codec.call(kCodecOpSelectInfo, parms, nullptr, file_), 0);
    EXPECT_TRUE(parms.spc.selectInfo.info.willHandleMDES);
    EXPECT_TRUE(parms.spc.selectInfo.info.isNative);
    EXPECT_EQ(parms.spc.selectInfo.info.avgBitsPerSec, 4);
    parms.spc.selectInfo.descriptor = dvDescriptor("DV/CX");
    ASSERT_EQ(codec.call(kCodecOpSelectInfo, parms, nullptr, file_), 0);
    EXPECT_FALSE(parms.spc.selectInfo.info.willHandleMDES);
}

} // namespace
