// The saver's codec catalogue built from a plug-in session, and codecs that cannot be read.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "codec_catalogue.h"
#include "media_session.h"
#include "omf/omf_error_codes.h"
#include "omf/omf_media.h"

namespace {

using omfplugin::CodecEntry;

// A picture codec whose variety count always fails.
constexpr const char* kBrokenCodecID = "TEST Broken Varieties";

omfErr_t FailingVarietyCount(omfCodecParms_t*, omfMediaHdl_t, omfHdl_t) {
    return OM_ERR_BAD_CODEC_VARIETY;
}

extern "C" omfErr_t BrokenCodec(omfCodecRequest_t request, omfCodecParms_t* parms) {
    switch (request) {
    case kCodecInit:
        return OM_ERR_NONE;
    case kCodecDescribe:
        if (parms->spc.describe.name && parms->spc.describe.nameLength > 0) {
            std::strncpy(parms->spc.describe.name, "Broken", parms->spc.describe.nameLength);
        }
        parms->spc.describe.info = {};
        parms->spc.describe.info.codecID = kBrokenCodecID;
        parms->spc.describe.info.revision = kOmfCodecRevision;
        parms->spc.describe.info.dataKind = "omfi:data:Picture";
        return OM_ERR_NONE;
    case kCodecFillTable:
        parms->spc.fillTable.table[kCodecOpVarietyCount] = FailingVarietyCount;
        return OM_ERR_NONE;
    default:
        return OM_ERR_INVALID_CODEC_OPERATION;
    }
}

struct Catalogue {
    List Codecs{true, omfplugin::CodecEntryDisposer()};

    std::vector<std::string> IDs() const {
        std::vector<std::string> ids;
        Codecs.ForEach([&](std::size_t, const List::Node& node) {
            ids.emplace_back(static_cast<const CodecEntry*>(node.Item)->ID);
            return true;
        });
        return ids;
    }
    const CodecEntry* Find(const std::string& id) const {
        const CodecEntry* found = nullptr;
        Codecs.ForEach([&](std::size_t, const List::Node& node) {
            const auto* codec = static_cast<const CodecEntry*>(node.Item);
            if (id == codec->ID) found = codec;
            return found == nullptr;
        });
        return found;
    }
};

class CodecCatalogueTest : public ::testing::Test {
  protected:
    void SetUp() override {
        session_ = omfplugin::StartMediaSession();
        ASSERT_NE(session_.Session, nullptr);
        ASSERT_EQ(session_.MediaError, 0);
    }
    void TearDown() override { omfplugin::FinishMediaSession(session_); }

    omfInt32 PictureCodecCount() const {
        omfInt32 count = 0;
        EXPECT_EQ(omfmCountCodecs(session_.Session, "omfi:data:Picture", kOmfRev1x, &count), 0);
        return count;
    }

    omfplugin::MediaSession session_;
};

TEST_F(CodecCatalogueTest, RGBAFirstThenEveryPictureCodecInIndexOrder) {
    Catalogue catalogue;
    omfplugin::BuildCodecCatalogue(session_.Session, catalogue.Codecs);
    const std::vector<std::string> ids = catalogue.IDs();
    const omfInt32 count = PictureCodecCount();
    ASSERT_EQ(ids.size(), size_t(count) + 1);
    EXPECT_EQ(ids[0], "RGBA");
    for (omfInt32 index = 1; index <= count; ++index) {
        char id[64] = {};
        ASSERT_EQ(omfmNthCodecID(session_.Session, "omfi:data:Picture", kOmfRev1x, index, id,
                                 sizeof id, nullptr, 0),
                  0);
        EXPECT_EQ(ids[index], id);
    }
    // Each entry keeps what its codec says of itself, which the saver's controls follow.
    for (const auto& [id, takesQuality] :
         {std::pair{"RGBA", false}, std::pair{"TIFF", true}, std::pair{"AJPG", false},
          std::pair{"MSM JPEG Codec", true}}) {
        const CodecEntry* codec = catalogue.Find(id);
        ASSERT_NE(codec, nullptr) << id;
        EXPECT_EQ(codec->TakesQuality(), takesQuality) << id;
        EXPECT_TRUE(codec->Writes()) << id;
    }
}

// A variety record has its name and the capabilities the codec describes for it.
TEST_F(CodecCatalogueTest, VarietiesAreVarietyRecordsWithNameAndCapabilities) {
    Catalogue catalogue;
    omfplugin::BuildCodecCatalogue(session_.Session, catalogue.Codecs);
    const CodecEntry* avr = catalogue.Find("AJPG");
    ASSERT_NE(avr, nullptr);
    ASSERT_GT(avr->Varieties.Count(), 0u);
    std::vector<std::string> names;
    avr->Varieties.ForEach([&](std::size_t, const List::Node& node) {
        const auto* variety = static_cast<const CodecEntry*>(node.Item);
        EXPECT_STREQ(variety->ID, "");
        EXPECT_EQ(variety->Varieties.Count(), 0u);
        names.emplace_back(variety->Name);
        return true;
    });
    EXPECT_NE(std::find(names.begin(), names.end(), "AVR12"), names.end());
    EXPECT_NE(std::find(names.begin(), names.end(), "Uncomp422"), names.end());
    // TIFF's JPEG variety takes a quality, its Uncompressed one does not.
    const CodecEntry* tiff = catalogue.Find("TIFF");
    ASSERT_NE(tiff, nullptr);
    EXPECT_EQ(tiff->Varieties.Count(), 2u);
    EXPECT_TRUE(tiff->TakesQuality("JPEG"));
    EXPECT_FALSE(tiff->TakesQuality("Uncompressed"));
    // Codecs without varieties have an empty list.
    const CodecEntry* avidJPEG = catalogue.Find("MSM JPEG Codec");
    ASSERT_NE(avidJPEG, nullptr);
    EXPECT_EQ(avidJPEG->Varieties.Count(), 0u);
}

TEST_F(CodecCatalogueTest, ACodecWhoseVarietiesCannotBeCountedIsLeftOutAndTheRestKept) {
    ASSERT_EQ(omfmAddCodec(session_.Session, BrokenCodec), 0);
    const omfInt32 count = PictureCodecCount();
    Catalogue catalogue;
    omfplugin::BuildCodecCatalogue(session_.Session, catalogue.Codecs);
    const std::vector<std::string> ids = catalogue.IDs();
    EXPECT_EQ(catalogue.Find(kBrokenCodecID), nullptr);
    // Every other picture codec is there, whether the broken one is listed last or not.
    EXPECT_EQ(ids.size(), size_t(count));
    EXPECT_NE(catalogue.Find("AJPG"), nullptr);
    EXPECT_NE(catalogue.Find("TIFF"), nullptr);
}

} // namespace
