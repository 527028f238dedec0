// Loading libOMF.so: the class it registers, its registration record and its class-init.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "loaded_omf_plugin.h"
#include "tarsel/system/preferences.h"

namespace {

struct CatalogueLine {
    std::string ID;
    std::string Name;
    std::vector<std::string> Varieties;
};

std::vector<CatalogueLine> LoadedCatalogue() {
    using CatalogueText = size_t (*)(char*, size_t);
    auto text = reinterpret_cast<CatalogueText>(LoadedOMFPlugin()->Symbol("OMFCodecCatalogueText"));
    if (!text) return {};
    std::string buffer(text(nullptr, 0) + 1, '\0');
    buffer.resize(text(buffer.data(), buffer.size()));
    std::vector<CatalogueLine> lines;
    std::istringstream in(buffer);
    for (std::string line; std::getline(in, line);) {
        CatalogueLine entry;
        std::istringstream fields(line);
        std::getline(fields, entry.ID, '\t');
        std::getline(fields, entry.Name, '\t');
        for (std::string variety; std::getline(fields, variety, '\t');)
            entry.Varieties.push_back(variety);
        lines.push_back(entry);
    }
    return lines;
}

const CatalogueLine* FindCodec(const std::vector<CatalogueLine>& lines, const std::string& id) {
    for (const CatalogueLine& line : lines)
        if (line.ID == id) return &line;
    return nullptr;
}

bool Holds(const std::vector<std::string>& list, const std::string& item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

TEST(OMFPluginRegistration, RegistersOMFFormatAsImageFormatForOMFFiles) {
    ASSERT_NE(LoadedOMFPlugin(), nullptr);
    Registry* format = OMFFormatClass();
    ASSERT_NE(format, nullptr);
    EXPECT_TRUE(format->IsA(CLSID_ImageFormat));
    EXPECT_TRUE(format->MatchesExtension("/media/clip.omf"));
    EXPECT_TRUE(format->MatchesExtension("/media/CLIP.OMFI"));
    EXPECT_FALSE(format->MatchesExtension("/media/clip.mov"));
    EXPECT_EQ(ClassRegistry->FindByExtension("edit.omfi", CLSID_ImageFormat), format);
}

TEST(OMFPluginRegistration, RecordHoldsTheTagsInOrder) {
    Registry* format = OMFFormatClass();
    ASSERT_NE(format, nullptr);
    const std::vector<Tag> expected = {0x60000001, 0x60000002, 0x10000000, 0x30000008, 0x60000010,
                                       0x60000005, 0x60000000, 0x38000064, 0x38000064, 0x30000064,
                                       0x10000069, 0x10000064, 0x1000006f, 0x10000066, 0x10000065,
                                       0x10000070, 0x10000067, 0x10000077};
    std::vector<Tag> tags;
    for (const TagItem& item : format->Tags())
        tags.push_back(item.tag);
    EXPECT_EQ(tags, expected);

    const TagList& record = format->Tags();
    EXPECT_EQ(record.GetInt(REG_Version), 0x180000);
    EXPECT_EQ(record.GetText(REG_BuildText), "Built: Sep 11 2015");
    EXPECT_EQ(record.GetText(MFREG_FormatName), "OMF Interchange Files");
    const auto extensions = record.FindAll(MFREG_Extension);
    ASSERT_EQ(extensions.size(), 2u);
    EXPECT_EQ(std::get<std::string>(extensions[0]->value), ".omf");
    EXPECT_EQ(std::get<std::string>(extensions[1]->value), ".omfi");
    EXPECT_EQ(record.GetInt(MFREG_Priority, -1), 0);
    for (Tag capability : {MFREG_CanLoad, MFREG_CanLoadImages, MFREG_CanLoadFields, MFREG_CanSave,
                           MFREG_CanSaveImages, MFREG_CanSaveFields, MFREG_WantsIOLock}) {
        EXPECT_EQ(record.GetInt(capability), 1) << std::hex << capability;
    }
}

TEST(OMFPluginRegistration, RegistersTheFlowFormatPreferenceAtZero) {
    ASSERT_NE(LoadedOMFPlugin(), nullptr);
    EXPECT_EQ(GetPrefInt("Comp.Import.OMF.FlowFormat", -1), 0);
}

TEST(OMFPluginClassInit, SucceedsAndCataloguesPictureCodecsWithVarieties) {
    Registry* format = OMFFormatClass();
    ASSERT_NE(format, nullptr);
    EXPECT_TRUE(format->IsUsable());

    const auto catalogue = LoadedCatalogue();
    ASSERT_FALSE(catalogue.empty());
    EXPECT_EQ(catalogue.front().ID, "RGBA");
    EXPECT_EQ(catalogue.front().Name, "RGBA Codec");
    EXPECT_TRUE(catalogue.front().Varieties.empty());

    // The codecs that write the 1.x files the saver makes.
    for (const char* id : {"TIFF", "MSM JPEG Codec"})
        EXPECT_NE(FindCodec(catalogue, id), nullptr) << id;
    for (const char* id : {"JPEG", "CDCI", "CODEC_AVID_JFIF_VIDEO"})
        EXPECT_EQ(FindCodec(catalogue, id), nullptr) << id;
    const CatalogueLine* avr = FindCodec(catalogue, "AJPG");
    ASSERT_NE(avr, nullptr);
    EXPECT_TRUE(Holds(avr->Varieties, "AVR12"));
    EXPECT_TRUE(Holds(avr->Varieties, "Uncomp422"));
    // Sound codecs are not offered for pictures.
    EXPECT_EQ(FindCodec(catalogue, "WAVE"), nullptr);
    EXPECT_EQ(FindCodec(catalogue, "AIFC"), nullptr);
}

TEST(OMFPluginClassInit, WithoutMovieServerNoDVCodecIsRegistered) {
    ASSERT_NE(LoadedOMFPlugin(), nullptr);
    EXPECT_EQ(FindCodec(LoadedCatalogue(), "MSM TARGA DVC Codec"), nullptr);
}

} // namespace
