// Media handles through the media calls on CDCI media: lengths written back
// into descriptors and mobs, open modes, files and sessions closing the media
// left open, media found through locators and the locate-failure callback,
// line maps and signal standards.
#include "codecs/video_codec_fixture.h"

#include "omf/omf_error_codes.h"
#include "omf/omf_mobs.h"
#include "omf/omf_resolve.h"

#include <fstream>
#include <vector>

using namespace video_codec_test;

namespace {

constexpr omfInt32 kWidth = 8;
constexpr omfInt32 kHeight = 4;
constexpr omfInt32 kFrameBytes = kWidth * kHeight * 2; // 8-bit 4:2:2

std::vector<uint8_t> framePattern(int frame) {
    std::vector<uint8_t> bytes(kFrameBytes);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = uint8_t(16 + frame * 40 + i);
    return bytes;
}

class MediaHandlesTest : public VideoCodecTest {
  protected:
    // New CDCI media on a new master mob (track 1) and file mob.
    omfMediaHdl_t create(omfRational_t rate = {25, 1}, omfFrameLayout_t layout = kOmfFullFrame) {
        EXPECT_EQ(omfmCreateMasterMob(file_, "master", 6, &master_), 0);
        EXPECT_EQ(omfmCreateFileMob(file_, "frames", rate, "CDCI", &fileMob_), 0);
        omfMediaHdl_t media = nullptr;
        EXPECT_EQ(omfmCreateVideoMedia(file_, master_, 1, fileMob_, 0, rate, kHeight, kWidth,
                                       layout, {4, 3}, &media),
                  0);
        return media;
    }

    void writeFrames(omfMediaHdl_t media, int frames) {
        for (int i = 0; i < frames; ++i) {
            std::vector<uint8_t> frame = framePattern(i);
            ASSERT_EQ(omfmWriteMediaSamples(media, 1, frame.data(), kFrameBytes), 0);
        }
    }

    omfLength_t trackLength(omfObject_t mob, omfTrackID_t trackID) {
        omfObject_t track = nullptr, segment = nullptr, kind = nullptr;
        omfRational_t rate{};
        omfPosition_t offset = 0;
        EXPECT_EQ(FindTrackAtOffset(file_, mob, trackID, 0, &track, &segment, &rate, &offset), 0);
        omfLength_t length = -1;
        EXPECT_EQ(omfiComponentGetInfo(file_, segment, &kind, &length), 0);
        return length;
    }

    omfLength_t descriptorLength(omfObject_t fileMob) {
        omfObject_t descriptor = nullptr;
        EXPECT_EQ(omfiMobGetDescriptor(file_, fileMob, &descriptor), 0);
        omfLength_t length = -1;
        EXPECT_EQ(omfsReadLength(file_, descriptor, kOmfProperty_MDFL_Length, &length), 0);
        return length;
    }

    // Reopens the file for reading and finds the mob of `id` again.
    omfObject_t reopenAndFind(const omfMobID_t& id) {
        EXPECT_EQ(omfsOpenFileForRead(path("media.omf").c_str(), session_, &file_), 0);
        omfObject_t mob = findMob(id);
        omfErr_t status = 0;
        EXPECT_TRUE(omfsFindDataKind(file_, "omfi:data:Picture", &picture_, &status));
        return mob;
    }

    omfMobID_t idOf(omfObject_t mob) {
        omfMobID_t id{};
        EXPECT_EQ(omfiReadMobID(file_, mob, &id), 0);
        return id;
    }

    // The stored line map of a handle.
    std::pair<omfInt32, omfInt32> lineMap(omfMediaHdl_t media) {
        omfFormatEntry_t list[2] = {omfmFormatEntry(kOmfVideoLineMap),
                                    omfmFormatEntry(kOmfVFmtEnd)};
        EXPECT_EQ(omfmGetInfo(media, kMediaInfoVideoFormat, picture_, sizeof list, list), 0);
        return {list[0].operand.lineMap[0], list[0].operand.lineMap[1]};
    }

    omfObject_t master_ = nullptr;
    omfObject_t fileMob_ = nullptr;
};

TEST_F(MediaHandlesTest, ClosingWritesLengthsIntoDescriptorAndBothMobs) {
    omfMediaHdl_t media = create();
    writeFrames(media, 3);
    omfInt64 samples = 0;
    EXPECT_EQ(omfmCountSamples(media, &samples), 0);
    EXPECT_EQ(samples, 3);
    ASSERT_EQ(omfmCloseMedia(media), 0);
    EXPECT_EQ(descriptorLength(fileMob_), 3);
    EXPECT_EQ(trackLength(fileMob_, 1), 3);
    EXPECT_EQ(trackLength(master_, 1), 3);

    omfMobID_t masterID = idOf(master_);
    ASSERT_EQ(omfsCloseOMFFile(file_), 0);
    omfObject_t master = reopenAndFind(masterID);
    omfInt16 channels = 0;
    EXPECT_EQ(omfmCountChannels(file_, master, 1, nullptr, picture_, &channels), 0);
    EXPECT_EQ(channels, 1);
    ASSERT_EQ(omfmOpenMedia(file_, master, 1, nullptr, kMediaOpenReadOnly, 0, &media), 0);
    EXPECT_EQ(omfmCountSamples(media, &samples), 0);
    EXPECT_EQ(samples, 3);
    std::vector<uint8_t> frame(kFrameBytes);
    omfInt32 read = 0;
    ASSERT_EQ(omfmSetFrame(media, 3), 0);
    ASSERT_EQ(omfmReadChannelSamples(media, 1, kFrameBytes, frame.data(), &read), 0);
    EXPECT_EQ(frame, framePattern(2));
    EXPECT_EQ(omfmCloseMedia(media), 0);
}

TEST_F(MediaHandlesTest, HandlesRefuseWhatTheirModeDoesNotAllow) {
    omfMediaHdl_t media = create();
    std::vector<uint8_t> frame = framePattern(0);
    EXPECT_EQ(omfmSeekFrame(media, 1), OM_ERR_WRONG_MEDIA_MODE);
    EXPECT_EQ(omfmWriteMediaSamples(media, 1, nullptr, kFrameBytes), OM_ERR_NULL_DATA_ADDRESS);
    EXPECT_EQ(omfmWriteMediaSamples(media, 1, frame.data(), kFrameBytes), 0);
    ASSERT_EQ(omfmCloseMedia(media), 0);

    omfMediaHdl_t reading = nullptr;
    ASSERT_EQ(omfmOpenMedia(file_, master_, 1, nullptr, kMediaOpenReadOnly, 0, &reading), 0);
    EXPECT_EQ(omfmWriteMediaSamples(reading, 1, frame.data(), kFrameBytes),
              OM_ERR_WRONG_MEDIA_MODE);
    EXPECT_EQ(omfmSeekFrame(reading, 1), 0);
    EXPECT_EQ(omfmCloseMedia(reading), 0);

    // The master mob has no track 7; a handle of another kind is no handle.
    EXPECT_EQ(omfmOpenMedia(file_, master_, 7, nullptr, kMediaOpenReadOnly, 0, &reading),
              OM_ERR_TRACK_NOT_FOUND);
    EXPECT_EQ(reading, nullptr);
    omfMediaRec stale;
    stale.tag = 0;
    omfInt64 samples = 0;
    EXPECT_EQ(omfmCountSamples(&stale, &samples), OM_ERR_BAD_MEDIA_HANDLE);
    EXPECT_EQ(omfmCloseMedia(nullptr), OM_ERR_BAD_MEDIA_HANDLE);
}

TEST_F(MediaHandlesTest, CreateNeedsAFileMobAndAnInitialisedSession) {
    omfMediaHdl_t media = nullptr;
    EXPECT_EQ(omfmCreateMedia(file_, nullptr, 1, nullptr, picture_, {25, 1}, 0, &media),
              OM_ERR_INVALID_FILE_MOB);
    EXPECT_EQ(media, nullptr);
    // A failed create leaves no stale handle in the caller's variable.
    media = reinterpret_cast<omfMediaHdl_t>(&media);
    EXPECT_EQ(omfmCreateVideoMedia(file_, nullptr, 1, nullptr, 0, {25, 1}, kHeight, kWidth,
                                   kOmfFullFrame, {4, 3}, &media),
              OM_ERR_INVALID_FILE_MOB);
    EXPECT_EQ(media, nullptr);
    omfObject_t fileMob = nullptr;
    EXPECT_EQ(omfmCreateFileMob(file_, "x", {25, 1}, "NOSUCHCODEC", &fileMob),
              OM_ERR_INVALID_CODEC);

    omfSessionHdl_t plain = nullptr;
    omfProductIdentification_t ident = omf_test::testIdentification();
    ASSERT_EQ(omfsStartSession(&ident, &plain), 0);
    omfHdl_t other = nullptr;
    ASSERT_EQ(omfsNewFile(path("plain.omf").c_str(), plain, kOmfRev2x, &other), 0);
    EXPECT_EQ(omfmCreateFileMob(other, "x", {25, 1}, "CDCI", &fileMob),
              OM_ERR_OMFM_INIT_NOT_CALLED);
    EXPECT_EQ(omfsCloseOMFFile(other), 0);
    EXPECT_EQ(omfsFinishSession(plain), 0);
}

// Component video whose codec fails at close (after releasing its state).
omfErr_t failingClose(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file) {
    omfCodecDef_t cdci{};
    omfmLookupCodec(media->file->session, "CDCI", &cdci);
    parms->persistent = cdci.persistent;
    cdci.table[kCodecOpClose](parms, media, file);
    return OM_ERR_NO_DATA_READ;
}
omfErr_t failingCloseCodec(omfCodecRequest_t request, omfCodecParms_t* parms) {
    omfErr_t status = omf::codecs::cdciCodec(request, parms);
    if (status == 0 && request == kCodecDescribe) parms->spc.describe.info.codecID = "FAILCLOSE";
    if (status == 0 && request == kCodecFillTable)
        parms->spc.fillTable.table[kCodecOpClose] = failingClose;
    return status;
}

TEST_F(MediaHandlesTest, AFailedCloseStillReleasesTheHandle) {
    ASSERT_EQ(omfmAddCodec(session_, failingCloseCodec), 0);
    ASSERT_EQ(omfmCreateMasterMob(file_, "master", 6, &master_), 0);
    ASSERT_EQ(omfmCreateFileMob(file_, "frames", {25, 1}, "FAILCLOSE", &fileMob_), 0);
    omfMediaHdl_t media = nullptr;
    ASSERT_EQ(omfmCreateVideoMedia(file_, master_, 1, fileMob_, 0, {25, 1}, kHeight, kWidth,
                                   kOmfFullFrame, {4, 3}, &media),
              0);
    writeFrames(media, 1);
    EXPECT_EQ(omfmCloseMedia(media), OM_ERR_NO_DATA_READ);
    // The handle is gone: the file closes (the fixture checks) with nothing left open.
}

TEST_F(MediaHandlesTest, ClosingTheFileClosesItsMediaAndWritesTheirLengths) {
    omfMediaHdl_t media = create();
    writeFrames(media, 2);
    omfMobID_t fileMobID = idOf(fileMob_);
    ASSERT_EQ(omfsCloseOMFFile(file_), 0);
    omfObject_t fileMob = reopenAndFind(fileMobID);
    EXPECT_EQ(descriptorLength(fileMob), 2);
}

TEST_F(MediaHandlesTest, FinishingTheSessionClosesMediaLeftOpen) {
    omfMediaHdl_t media = create();
    writeFrames(media, 2);
    omfMobID_t fileMobID = idOf(fileMob_);
    // The media is closed while its codec's data is still there (a freed
    // codec would show under the address sanitizer).
    EXPECT_EQ(omfsFinishSession(session_), 0);
    file_ = nullptr;
    omfProductIdentification_t ident = omf_test::testIdentification();
    ASSERT_EQ(omfsStartSession(&ident, &session_), 0);
    ASSERT_EQ(omfmInit(session_), 0);
    omfObject_t fileMob = reopenAndFind(fileMobID);
    EXPECT_EQ(descriptorLength(fileMob), 2);
}

// Media whose samples lie in a raw file that the descriptor's locator names.
class ExternalMediaTest : public MediaHandlesTest {
  protected:
    void SetUp() override {
        MediaHandlesTest::SetUp();
        if (HasFatalFailure()) return;
        std::ofstream raw(path("frames.raw"), std::ios::binary);
        for (int i = 0; i < 2; ++i) {
            std::vector<uint8_t> frame = framePattern(i);
            raw.write(reinterpret_cast<const char*>(frame.data()), kFrameBytes);
        }
        ASSERT_TRUE(raw.good());
    }

    // A CDCI file mob whose samples are not in this file, with a locator naming `location`.
    omfObject_t externalFileMob(const std::string& location) {
        omfObject_t fileMob = nullptr;
        EXPECT_EQ(omfmCreateFileMob(file_, "external", {25, 1}, "CDCI", &fileMob), 0);
        omfObject_t descriptor = nullptr;
        EXPECT_EQ(omfiMobGetDescriptor(file_, fileMob, &descriptor), 0);
        EXPECT_EQ(omfsWriteLength(file_, descriptor, kOmfProperty_MDFL_Length, 2), 0);
        EXPECT_EQ(omfsWriteBoolean(file_, descriptor, kOmfProperty_MDFL_IsOMFI, false), 0);
        EXPECT_EQ(omfsWriteInt32(file_, descriptor, kOmfProperty_DIDD_StoredWidth, kWidth), 0);
        EXPECT_EQ(omfsWriteInt32(file_, descriptor, kOmfProperty_DIDD_StoredHeight, kHeight), 0);
        EXPECT_EQ(omfsWriteRational(file_, descriptor, kOmfProperty_DIDD_ImageAspectRatio, {4, 3}),
                  0);
        EXPECT_EQ(omfsWriteEnum(file_, descriptor, kOmfProperty_DIDD_FrameLayout,
                                kOmfType_LayoutType, kOmfFullFrame),
                  0);
        EXPECT_EQ(omfsWriteInt32(file_, descriptor,
                                 registered("ComponentWidth", "CDCI", kOmfType_Int32), 8),
                  0);
        EXPECT_EQ(omfsWriteUInt32(file_, descriptor,
                                  registered("HorizontalSubsampling", "CDCI", kOmfType_UInt32), 2),
                  0);
        omfObject_t locator = nullptr;
        EXPECT_EQ(omfsObjectNew(file_, "UNXL", &locator), 0);
        EXPECT_EQ(omfsWriteString(file_, locator, kOmfProperty_UNXL_PathName, location.c_str()), 0);
        EXPECT_EQ(omfsAppendObjRefArray(file_, descriptor, kOmfProperty_MDES_Locator, locator), 0);
        return fileMob;
    }

    void expectFrames(omfMediaHdl_t media) {
        for (int i = 0; i < 2; ++i) {
            std::vector<uint8_t> frame(kFrameBytes);
            omfInt32 read = 0;
            ASSERT_EQ(omfmSetFrame(media, i + 1), 0);
            ASSERT_EQ(omfmReadChannelSamples(media, 1, kFrameBytes, frame.data(), &read), 0);
            EXPECT_EQ(frame, framePattern(i));
        }
    }

    // Gives an external file mob the track a master mob's clip refers to.
    void addTrack(omfObject_t fileMob) {
        omfObject_t clip = nullptr, track = nullptr;
        ASSERT_EQ(omfiMakeSourceClip(file_, picture_, 2, omfSourceRef_t{}, &clip), 0);
        ASSERT_EQ(omfiAddTrackToMob(file_, fileMob, {25, 1}, clip, 0, 1, nullptr, &track), 0);
    }

    // A master mob whose track 1 is a media group of clips to `choices`.
    omfObject_t groupOf(std::initializer_list<omfObject_t> choices) {
        omfObject_t master = nullptr, group = nullptr, track = nullptr;
        EXPECT_EQ(omfmCreateMasterMob(file_, "group", 5, &master), 0);
        EXPECT_EQ(omfiMediaGroupNew(file_, picture_, 2, &group), 0);
        for (omfObject_t fileMob : choices) {
            omfSourceRef_t source{};
            EXPECT_EQ(omfiReadMobID(file_, fileMob, &source.sourceID), 0);
            source.sourceTrackID = 1;
            omfObject_t clip = nullptr;
            EXPECT_EQ(omfiMakeSourceClip(file_, picture_, 2, source, &clip), 0);
            EXPECT_EQ(omfiMediaGroupAddChoice(file_, group, clip), 0);
        }
        EXPECT_EQ(omfiAddTrackToMob(file_, master, {25, 1}, group, 0, 1, nullptr, &track), 0);
        return master;
    }

    // The file mob a media-group choice refers to.
    omfObject_t fileMobOf(omfObject_t clip) {
        omfSourceRef_t source{};
        EXPECT_EQ(omfiSourceClipGetRef(file_, clip, &source), 0);
        return findMob(source.sourceID);
    }

    // Prefers media kept outside the file.
    static omfInt16 preferExternal(omfHdl_t file, omfObject_t descriptor, const char*) {
        omfBool inside = true;
        omfsReadBoolean(file, descriptor, kOmfProperty_MDFL_IsOMFI, &inside);
        return inside ? 1 : 5;
    }

    static omfHdl_t answerRawFile(omfHdl_t file, omfObject_t) {
        ++callbackCalls;
        omfHdl_t raw = nullptr;
        if (callbackAnswer.empty()) return nullptr;
        EXPECT_EQ(omfsOpenRawFile(callbackAnswer.c_str(), file->session, &raw), 0);
        return raw;
    }

    static inline int callbackCalls = 0;
    static inline std::string callbackAnswer;
};

TEST_F(ExternalMediaTest, LocatorNamesTheRawFileHoldingTheSamples) {
    omfObject_t fileMob = externalFileMob(path("frames.raw"));
    omfMediaHdl_t media = nullptr;
    ASSERT_EQ(omfmOpenFileMobMedia(file_, fileMob, 1, kMediaOpenReadOnly, picture_, 1, 0, &media),
              0);
    expectFrames(media);
    omfInt64 samples = 0;
    EXPECT_EQ(omfmCountSamples(media, &samples), 0);
    EXPECT_EQ(samples, 2);
    EXPECT_EQ(omfmCloseMedia(media), 0);

    char type[4];
    char location[64];
    omfObject_t descriptor = nullptr, locator = nullptr;
    ASSERT_EQ(omfiMobGetDescriptor(file_, fileMob, &descriptor), 0);
    ASSERT_EQ(omfsGetNthObjRefArray(file_, descriptor, kOmfProperty_MDES_Locator, &locator, 1), 0);
    ASSERT_EQ(omfmReadLocator(file_, locator, type, sizeof location, location), 0);
    EXPECT_EQ(std::string(type, 4), "UNXL");
    EXPECT_EQ(std::string(location), path("frames.raw").substr(0, sizeof location - 1));
    EXPECT_EQ(omfmReadLocator(file_, descriptor, type, sizeof location, location),
              OM_ERR_UNKNOWN_LOCATOR);
}

TEST_F(ExternalMediaTest, MissingFileAsksTheLocateFailureCallback) {
    omfObject_t fileMob = externalFileMob(path("moved.raw"));
    omfMediaHdl_t media = nullptr;
    // No callback: the media cannot be found.
    EXPECT_EQ(omfmOpenFileMobMedia(file_, fileMob, 1, kMediaOpenReadOnly, picture_, 1, 0, &media),
              OM_ERR_MEDIA_NOT_FOUND);
    EXPECT_EQ(media, nullptr);

    ASSERT_EQ(omfmSetLocateFailureCallback(session_, &answerRawFile), 0);
    callbackCalls = 0;
    callbackAnswer.clear();
    EXPECT_EQ(omfmOpenFileMobMedia(file_, fileMob, 1, kMediaOpenReadOnly, picture_, 1, 0, &media),
              OM_ERR_MEDIA_NOT_FOUND);
    EXPECT_EQ(callbackCalls, 1);

    callbackAnswer = path("frames.raw");
    ASSERT_EQ(omfmOpenFileMobMedia(file_, fileMob, 1, kMediaOpenReadOnly, picture_, 1, 0, &media),
              0);
    EXPECT_EQ(callbackCalls, 2);
    expectFrames(media);
    EXPECT_EQ(omfmCloseMedia(media), 0);
}

TEST_F(MediaHandlesTest, StillFrameRepeatedIn1xFileCountsTheRepeatAndReadsItsOneFrame) {
    omfHdl_t file = nullptr;
    ASSERT_EQ(omfsNewFile(path("still.omf").c_str(), session_, kOmfRev1x, &file), 0);
    omfObject_t picture = nullptr;
    omfErr_t status = 0;
    ASSERT_TRUE(omfsFindDataKind(file, "omfi:data:Picture", &picture, &status));
    omfObject_t master = nullptr, fileMob = nullptr;
    ASSERT_EQ(omfmCreateMasterMob(file, "still", 5, &master), 0);
    ASSERT_EQ(omfmCreateFileMob(file, "still", {25, 1}, "CDCI", &fileMob), 0);
    // The file mob's track repeats a one-frame clip for 120 frames, and the
    // master mob plays all of them.
    omfObject_t frame = nullptr, repeat = nullptr, holder = nullptr, track = nullptr;
    ASSERT_EQ(omfiMakeSourceClip(file, picture, 1, omfSourceRef_t{}, &frame), 0);
    ASSERT_EQ(omfsObjectNew(file, "REPT", &repeat), 0);
    ASSERT_EQ(omfiInitComponent(file, repeat, 120, picture), 0);
    ASSERT_EQ(omfsObjectNew(file, "TRAK", &holder), 0);
    ASSERT_EQ(omfsWriteObjRef(file, holder, kOmfProperty_TRAK_TrackComponent, frame), 0);
    ASSERT_EQ(omfsAppendObjRefArray(file, repeat, kOmfProperty_TRKG_Tracks, holder), 0);
    ASSERT_EQ(omfiAddTrackToMob(file, fileMob, {25, 1}, repeat, 0, 1, nullptr, &track), 0);
    omfSourceRef_t source{};
    ASSERT_EQ(omfiReadMobID(file, fileMob, &source.sourceID), 0);
    source.sourceTrackID = 1;
    omfObject_t clip = nullptr;
    ASSERT_EQ(omfiMakeSourceClip(file, picture, 120, source, &clip), 0);
    ASSERT_EQ(omfiAddTrackToMob(file, master, {25, 1}, clip, 0, 1, nullptr, &track), 0);

    omfMediaHdl_t media = nullptr;
    ASSERT_EQ(omfmCreateVideoMedia(file, master, 1, fileMob, 0, {25, 1}, kHeight, kWidth,
                                   kOmfFullFrame, {4, 3}, &media),
              0);
    std::vector<uint8_t> still = framePattern(5);
    ASSERT_EQ(omfmWriteMediaSamples(media, 1, still.data(), kFrameBytes), 0);
    ASSERT_EQ(omfmCloseMedia(media), 0);
    // The descriptor carries one SampleRate, of the 1.x type ExactEditRate.
    omfObject_t descriptor = nullptr;
    ASSERT_EQ(omfiMobGetDescriptor(file, fileMob, &descriptor), 0);
    CMProperty sampleRate = CMGetGlobalNameObject(file->container, "OMFI:MDFL:SampleRate");
    EXPECT_EQ(CMCountValues(descriptor, sampleRate, nullptr), 1u);
    EXPECT_EQ(CMCountValues(descriptor, sampleRate,
                            CMGetGlobalNameObject(file->container, "omfi:ExactEditRate")),
              1u);
    omfMobID_t masterID{};
    ASSERT_EQ(omfiReadMobID(file, master, &masterID), 0);
    ASSERT_EQ(omfsCloseOMFFile(file), 0);

    ASSERT_EQ(omfsCloseOMFFile(file_), 0);
    file_ = nullptr;
    ASSERT_EQ(omfsOpenFileForRead(path("still.omf").c_str(), session_, &file_), 0);
    master = findMob(masterID);
    ASSERT_EQ(omfmOpenMedia(file_, master, 1, nullptr, kMediaOpenReadOnly, 0, &media), 0);
    omfInt64 samples = 0;
    EXPECT_EQ(omfmCountSamples(media, &samples), 0);
    EXPECT_EQ(samples, 120);
    // Every position reads the one frame.
    for (omfInt64 position : {1, 57, 120}) {
        std::vector<uint8_t> read(kFrameBytes);
        omfInt32 bytes = 0;
        ASSERT_EQ(omfmSeekFrame(media, position), 0);
        ASSERT_EQ(omfmReadChannelSamples(media, 1, kFrameBytes, read.data(), &bytes), 0);
        EXPECT_EQ(read, still) << "at frame " << position;
    }
    EXPECT_EQ(omfmCloseMedia(media), 0);
}

TEST_F(ExternalMediaTest, MediaGroupsSkipChoicesWhoseDataCannotBeFound) {
    omfObject_t missing = externalFileMob(path("moved.raw"));
    omfObject_t present = externalFileMob(path("frames.raw"));
    addTrack(missing);
    addTrack(present);
    omfObject_t master = groupOf({missing, present});
    omfMediaCriteria_t anyChoice{0, nullptr};
    omfObject_t chosen = nullptr;
    ASSERT_EQ(omfmChooseRepresentation(file_, master, 1, &anyChoice, &chosen), 0);
    EXPECT_EQ(fileMobOf(chosen), present);
    EXPECT_EQ(omfmChooseRepresentation(file_, master, 1, nullptr, &chosen), OM_ERR_NULL_PARAM);

    omfMediaHdl_t media = nullptr;
    ASSERT_EQ(omfmOpenMedia(file_, master, 1, &anyChoice, kMediaOpenReadOnly, 0, &media), 0);
    expectFrames(media);
    EXPECT_EQ(omfmCloseMedia(media), 0);
}

TEST_F(ExternalMediaTest, MediaGroupChoiceByTheCallersProcedure) {
    omfMediaHdl_t internal = create();
    writeFrames(internal, 2);
    ASSERT_EQ(omfmCloseMedia(internal), 0);
    omfObject_t external = externalFileMob(path("frames.raw"));
    addTrack(external);
    omfObject_t master = groupOf({fileMob_, external});

    // Without a preference the first choice stays; the procedure's higher
    // score for external media picks the second.
    omfMediaCriteria_t first{0, nullptr};
    omfMediaCriteria_t byProcedure{4, &preferExternal};
    omfObject_t chosen = nullptr;
    ASSERT_EQ(omfmChooseRepresentation(file_, master, 1, &first, &chosen), 0);
    EXPECT_EQ(fileMobOf(chosen), fileMob_);
    ASSERT_EQ(omfmChooseRepresentation(file_, master, 1, &byProcedure, &chosen), 0);
    EXPECT_EQ(fileMobOf(chosen), external);
    // A track that is no media group.
    EXPECT_EQ(omfmChooseRepresentation(file_, master_, 1, &first, &chosen), OM_ERR_INVALID_OBJECT);
}

TEST_F(MediaHandlesTest, LineMapsFollowTheSignalStandard) {
    // Full frames have no line map.
    omfMediaHdl_t media = create();
    EXPECT_EQ(omfmPutLineMap(media, 21, 0), OM_ERR_INVALID_OBJECT);
    omfInt32 order = -1;
    EXPECT_EQ(omfmGetFieldOrder(media, &order), 0);
    EXPECT_EQ(order, 2);
    ASSERT_EQ(omfmCloseMedia(media), 0);

    media = create({30000, 1001}, kOmfSeparateFields);
    omfInt32 standard = -1;
    EXPECT_EQ(omfmGetSignalStandard(media, &standard), 0);
    EXPECT_EQ(standard, 1);
    ASSERT_EQ(omfmPutLineMap(media, 21, 0), 0);
    EXPECT_EQ(lineMap(media), std::make_pair(21, 21 + 264));
    EXPECT_EQ(omfmGetFieldOrder(media, &order), 0);
    EXPECT_EQ(order, 0);
    ASSERT_EQ(omfmPutLineMap(media, 0, 1), 0);
    EXPECT_EQ(lineMap(media), std::make_pair(1, 0));
    EXPECT_EQ(omfmGetFieldOrder(media, &order), 0);
    EXPECT_EQ(order, 1);
    EXPECT_EQ(omfmPutLineMap(media, 21, 2), OM_ERR_INVALID_VIDEO_SIGNAL);
    ASSERT_EQ(omfmCloseMedia(media), 0);

    media = create({25, 1}, kOmfSeparateFields);
    EXPECT_EQ(omfmGetSignalStandard(media, &standard), 0);
    EXPECT_EQ(standard, 2);
    ASSERT_EQ(omfmPutLineMap(media, 23, 1), 0);
    EXPECT_EQ(lineMap(media), std::make_pair(23, 23 + 312));
    ASSERT_EQ(omfmCloseMedia(media), 0);

    // 24 frames per second is neither standard: a first line cannot be placed.
    media = create({24, 1}, kOmfSeparateFields);
    EXPECT_EQ(omfmGetSignalStandard(media, &standard), 0);
    EXPECT_EQ(standard, 0);
    EXPECT_EQ(omfmPutLineMap(media, 21, 0), OM_ERR_INVALID_VIDEO_SIGNAL);
    ASSERT_EQ(omfmCloseMedia(media), 0);
}

} // namespace
