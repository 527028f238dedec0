// The corpus read through the toolkit's public calls: revisions, byte orders, mobs and their
// kinds, picture and sound media of every codec, and source resolution down to locators.
#include "corpus_fixture.h"

#include "omf/omf_access.h"
#include "omf/omf_avid_codecs.h"
#include "omf/omf_error_codes.h"
#include "omf/omf_media.h"
#include "omf/omf_mobs.h"
#include "omf/omf_registry.h"
#include "omf/omf_resolve.h"
#include "omf/omf_session.h"

#include <cstring>

namespace corpus_test {
namespace {

omfMobID_t ToolkitID(const corpus::MobID& id) {
    return {id.prefix, id.major, id.minor};
}

// A session with every codec we read, and one corpus file open in it.
class CorpusReadTest : public CorpusTest {
  protected:
    void SetUp() override {
        CorpusTest::SetUp();
        if (HasFatalFailure()) return;
        ASSERT_EQ(omfsStartSession(nullptr, &session_), 0);
        ASSERT_EQ(omfmInit(session_), 0);
        ASSERT_EQ(omfmAddCodec(session_, omfCodecTDVC), 0);
    }
    void TearDown() override {
        if (file_ != nullptr) {
            EXPECT_EQ(omfsCloseOMFFile(file_), 0);
        }
        if (session_ != nullptr) {
            EXPECT_EQ(omfsFinishSession(session_), 0);
        }
    }
    void Open(const std::string& path) {
        ASSERT_EQ(omfsOpenFileForRead(path.c_str(), session_, &file_), 0) << path;
    }
    omfObject_t FindMob(const corpus::MobID& id) {
        omfIterHdl_t iterator = nullptr;
        EXPECT_EQ(omfiMobOpenSearch(file_, &iterator), 0);
        omfSearchCrit_t criteria{};
        criteria.searchTag = kOmfByMobID;
        criteria.tags.mobID = ToolkitID(id);
        omfObject_t mob = nullptr;
        EXPECT_EQ(omfiNextMatchingMob(iterator, &criteria, &mob), 0);
        EXPECT_EQ(omfiSearchDispose(file_, iterator), 0);
        return mob;
    }
    omfObject_t Kind(const char* name) {
        omfObject_t kind = nullptr;
        omfErr_t status = 0;
        EXPECT_TRUE(omfsFindDataKind(file_, name, &kind, &status));
        return kind;
    }

    omfSessionHdl_t session_ = nullptr;
    omfHdl_t file_ = nullptr;
};

TEST_P(CorpusReadTest, FilesOpenWithTheirRevisionAndByteOrder) {
    for (const std::string& path : {corpus_->mediaPath, corpus_->compositionPath}) {
        Open(path);
        omfFileRev_t revision{};
        omfInt16 order = 0;
        ASSERT_EQ(omfsFileRevision(file_, &revision), 0);
        ASSERT_EQ(omfsFileByteOrder(file_, &order), 0);
        // A 1.x file in a container labelled 2.0 is revision 1.
        EXPECT_EQ(int(revision), corpus_->revision == corpus::Revision::TwoX ? 2 : 1) << path;
        EXPECT_EQ(uint16_t(order), uint16_t(corpus_->order)) << path;
        ASSERT_EQ(omfsCloseOMFFile(file_), 0);
        file_ = nullptr;
    }
}

TEST_P(CorpusReadTest, MobsAreFoundWithTheirKindsAndNames) {
    Open(corpus_->mediaPath);
    omfInt32 all = 0;
    ASSERT_EQ(omfiCountMobs(file_, kAllMobs, &all), 0);
    EXPECT_EQ(all, omfInt32(2 * (corpus_->pictures.size() + corpus_->sounds.size())));
    auto check = [&](const std::string& name, const corpus::MobID& master,
                     const corpus::MobID& fileMob) {
        omfObject_t masterMob = FindMob(master), sourceMob = FindMob(fileMob);
        ASSERT_NE(masterMob, nullptr) << name;
        ASSERT_NE(sourceMob, nullptr) << name;
        omfErr_t status = 0;
        EXPECT_TRUE(omfiMobIsMaster(file_, masterMob, &status)) << name;
        EXPECT_FALSE(omfiMobIsFile(file_, masterMob, &status)) << name;
        EXPECT_TRUE(omfiMobIsFile(file_, sourceMob, &status)) << name;
        EXPECT_EQ(status, 0) << name;
        char read[64] = {};
        ASSERT_EQ(omfiMobGetName(file_, masterMob, sizeof read, read), 0) << name;
        EXPECT_STREQ(read, name.c_str());
    };
    for (const corpus::PictureMedia& media : corpus_->pictures)
        check(media.name, media.master, media.fileMob);
    for (const corpus::SoundMedia& media : corpus_->sounds)
        check(media.name, media.master, media.fileMob);
}

// Pictures through omfmOpenMedia: codec, size, layout, rate, frame count, then the pixels:
// exact where stored uncompressed, by PSNR for JPEG, the stored DV frames byte for byte.
TEST_P(CorpusReadTest, PicturesReadAsWritten) {
    Open(corpus_->mediaPath);
    for (const corpus::PictureMedia& media : corpus_->pictures) {
        SCOPED_TRACE(media.name);
        omfMediaHdl_t handle = nullptr;
        const bool dv = media.codecID == "MSM TARGA DVC Codec";
        ASSERT_EQ(
            omfmOpenMedia(file_, FindMob(media.master), 1, nullptr, kMediaOpenReadOnly, 0, &handle),
            0);
        char codec[64] = {};
        EXPECT_EQ(omfmGetCodecID(handle, sizeof codec, codec), 0);
        EXPECT_EQ(std::string(codec), media.codecID);
        omfFrameLayout_t layout{};
        omfInt32 width = 0, height = 0;
        omfRational_t rate{};
        omfInt16 pixelBits = 0;
        omfPixelFormat_t format{};
        EXPECT_EQ(omfmGetVideoFormat(handle, &layout, &width, &height, &rate, &pixelBits, &format),
                  0);
        EXPECT_EQ(omfInt32(layout), media.layout);
        EXPECT_EQ(width, media.width);
        EXPECT_EQ(height, media.storedHeight);
        EXPECT_EQ(rate.numerator, media.rate.numerator);
        EXPECT_EQ(rate.denominator, media.rate.denominator);
        omfInt64 frames = 0;
        EXPECT_EQ(omfmCountSamples(handle, &frames), 0);
        EXPECT_EQ(frames, omfInt64(media.stored.size()));

        const bool native = media.codecID == "CDCI" || dv;
        if (!native) {
            omfFormatEntry_t list[4]{};
            list[0].opcode = kOmfPixelFormat;
            list[0].operand.int32 = kOmfPixRGBA;
            list[1].opcode = kOmfRGBCompLayout;
            std::strcpy(list[1].operand.compLayout, "RGB");
            list[2].opcode = kOmfRGBCompSizes;
            list[2].operand.compSizes[0] = list[2].operand.compSizes[1] =
                list[2].operand.compSizes[2] = 8;
            EXPECT_EQ(omfmSetMemoryFormat(handle, list), 0);
        }
        for (size_t frame = 0; frame < media.stored.size(); ++frame) {
            const corpus::Bytes& expected = native ? media.stored[frame] : media.rgb[frame];
            corpus::Bytes read(expected.size() + (dv ? 4096 : 0));
            omfInt32 samples = 0, bytes = 0;
            ASSERT_EQ(omfmSetFrame(handle, omfInt64(frame + 1)), 0);
            ASSERT_EQ(omfmReadMediaSamples(handle, 1, omfInt32(read.size()), read.data(), &samples,
                                           &bytes),
                      0)
                << "frame " << frame + 1;
            EXPECT_EQ(samples, 1);
            ASSERT_EQ(size_t(bytes), expected.size()) << "frame " << frame + 1;
            read.resize(size_t(bytes));
            if (media.codecID == "JPEG") {
                EXPECT_GT(Psnr(expected, read), 30.0) << "frame " << frame + 1;
            } else {
                EXPECT_TRUE(read == expected) << "frame " << frame + 1;
            }
        }
        EXPECT_EQ(omfmCloseMedia(handle), 0);
    }
}

TEST_P(CorpusReadTest, SoundsReadAsWritten) {
    Open(corpus_->mediaPath);
    for (const corpus::SoundMedia& media : corpus_->sounds) {
        SCOPED_TRACE(media.name);
        omfObject_t master = FindMob(media.master);
        omfInt16 channels = 0;
        EXPECT_EQ(omfmCountChannels(file_, master, 1, nullptr, Kind("omfi:data:Sound"), &channels),
                  0);
        EXPECT_EQ(channels, media.channels);
        omfMediaHdl_t handle = nullptr;
        ASSERT_EQ(omfmOpenMedia(file_, master, 1, nullptr, kMediaOpenReadOnly, 0, &handle), 0);
        omfInt64 frames = 0;
        EXPECT_EQ(omfmCountSamples(handle, &frames), 0);
        EXPECT_EQ(frames, media.frames);
        corpus::Bytes read(media.samples.size());
        omfInt32 samples = 0, bytes = 0;
        EXPECT_EQ(omfmReadMediaSamples(handle, media.frames, omfInt32(read.size()), read.data(),
                                       &samples, &bytes),
                  0);
        EXPECT_EQ(samples, media.frames);
        EXPECT_TRUE(read == media.samples);
        EXPECT_EQ(omfmCloseMedia(handle), 0);
    }
}

// The composition resolves clip by clip to file mobs whose only media is the locator's file.
TEST_P(CorpusReadTest, CompositionResolvesToLocatedPictures) {
    Open(corpus_->compositionPath);
    omfInt32 compositions = 0, masters = 0;
    ASSERT_EQ(omfiCountMobs(file_, kCompMob, &compositions), 0);
    ASSERT_EQ(omfiCountMobs(file_, kMasterMob, &masters), 0);
    EXPECT_EQ(compositions, 1);
    EXPECT_EQ(masters, omfInt32(corpus_->segments.size()));
    uint32_t major = 100;
    for (const corpus::ExternalSegment& segment : corpus_->segments) {
        SCOPED_TRACE(segment.path);
        ++major;
        omfSourceSearchResult_t found{};
        ASSERT_EQ(FindSource(file_, FindMob({1000, major, 1}), 1, 0, kFileMob, nullptr, 0, nullptr,
                             &found),
                  0);
        EXPECT_EQ(found.length, segment.length);
        omfObject_t descriptor = nullptr;
        ASSERT_EQ(omfiMobGetDescriptor(file_, found.mob, &descriptor), 0);
        ASSERT_EQ(omfsLengthObjRefArray(file_, descriptor, kOmfProperty_MDES_Locator), 1);
        omfObject_t locator = nullptr;
        ASSERT_EQ(omfsGetNthObjRefArray(file_, descriptor, kOmfProperty_MDES_Locator, &locator, 1),
                  0);
        char type[4] = {}, path[256] = {};
        ASSERT_EQ(omfmReadLocator(file_, locator, type, sizeof path, path), 0);
        EXPECT_EQ(std::string(type, 4), "UNXL");
        EXPECT_EQ(std::string(path), segment.path);
        // A plain MDFL descriptor names no codec, so the media cannot be opened here.
        omfMediaHdl_t handle = nullptr;
        EXPECT_EQ(omfmOpenMedia(file_, FindMob({1000, major, 1}), 1, nullptr, kMediaOpenReadOnly, 0,
                                &handle),
                  OM_ERR_INVALID_CODEC);
    }
}

INSTANTIATE_TEST_SUITE_P(Corpus, CorpusReadTest, ::testing::ValuesIn(kCombinations),
                         CombinationName);

} // namespace
} // namespace corpus_test
