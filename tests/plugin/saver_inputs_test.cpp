// The saver's controls: what AddSaveInputs offers from the codec catalogue, how a codec change
// shows its variety list and the Quality control, and what a request sets.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "class_state.h"
#include "codec_catalogue.h"
#include "omf_format.h"
#include "tarsel/system/preferences.h"
#include "tarsel/system/tool.h"

namespace {

using omfplugin::CodecEntry;
using omfplugin::OMFFormat;

// Each variety has the codec's capabilities unless `varietyCapabilities` gives its own.
CodecEntry* Codec(const char* id, const char* name, omfUInt32 capabilities,
                  std::vector<const char*> varieties = {},
                  std::vector<omfUInt32> varietyCapabilities = {}) {
    auto* codec = new CodecEntry;
    codec->Capabilities = capabilities;
    std::strncpy(codec->ID, id, sizeof codec->ID - 1);
    std::strncpy(codec->Name, name, sizeof codec->Name - 1);
    for (std::size_t v = 0; v < varieties.size(); ++v) {
        auto* record = new CodecEntry;
        std::strncpy(record->Name, varieties[v], sizeof record->Name - 1);
        record->Capabilities =
            v < varietyCapabilities.size() ? varietyCapabilities[v] : capabilities;
        codec->Varieties.AddTail(record);
    }
    return codec;
}

// A catalogue of this process's plug-in core, as class-init would build it with the DV codec
// and a second codec with varieties.
class SaverInputs : public ::testing::Test {
  protected:
    void SetUp() override {
        omfplugin::ClearCodecCatalogue();
        List& catalogue = omfplugin::TheClass().CodecList;
        // Each codec as it describes itself: the saver asks its capabilities, not its ID.
        catalogue.AddTail(Codec("RGBA", "RGBA Codec", 0));
        catalogue.AddTail(Codec("MSM TARGA DVC Codec", "Avid TDVC Codec", kOmfCodecReadsOnly));
        catalogue.AddTail(Codec("TIFF", "TIFF Codec (1.5 Compatability)", kOmfCodecTakesQuantTables,
                                {"JPEG", "Uncompressed"}, {kOmfCodecTakesQuantTables, 0}));
        catalogue.AddTail(Codec("AJPG", "Avid AVR Codec", 0,
                                {"AVR1", "AVR12", "Uncomp422", "JFIF2:1s", "JFIF3:1", "AVR2s",
                                 "AVR3s", "AVR4s", "AVR6s", "AVR8s", "AVR9s"}));
        catalogue.AddTail(
            Codec("TEST Two", "Two Varieties", kOmfCodecTakesQuantTables, {"First", "Second"}));
        document_.SetPref(PREF_FFRate, 29.97);
        format_ = new OMFFormat(nullptr, ScriptVal(), TagList());
        format_->AddRef();
        tool_.OnInputChanged([this](Tool* tool, Input* input, const Parameter* value) {
            format_->OnSaveInputChanged(tool, input, value);
        });
        ASSERT_TRUE(format_->AddSaveInputs(&tool_));
    }
    void TearDown() override {
        tool_.OnInputChanged({});
        format_->Close();
        format_->Release();
        omfplugin::ClearCodecCatalogue();
    }

    int64_t Visible(const char* id) const {
        Input* input = tool_.FindInput(id);
        return input ? input->Attrs().GetInt(IC_Visible, -1) : -2;
    }
    bool Apply() {
        const Request request = tool_.MakeRequest();
        return format_->ApplySaveRequest(&tool_, &request);
    }

    TarselDoc document_;
    Tool tool_{"Saver7", &document_};
    OMFFormat* format_ = nullptr;
};

TEST_F(SaverInputs, CodecListsEveryCatalogueCodecButTheDVCodec) {
    Input* codec = tool_.FindInput("Codec");
    ASSERT_NE(codec, nullptr);
    EXPECT_EQ(codec->Name(), "Codec");
    const TagList tags = codec->Attrs();
    EXPECT_EQ(tags.GetID(LINKID_DataType), CLSID_DataType_TsID);
    EXPECT_EQ(tags.GetID(INPID_InputControl), CLSID_InputControl_ComboID);
    EXPECT_EQ(tags.GetInt(INP_Required, -1), 0);
    EXPECT_EQ(tags.GetInt(INP_DoNotifyChanged), 1);
    EXPECT_EQ(tags.GetID(INPID_DefaultID), TsID("AJPG"));
    EXPECT_EQ(codec->Value().ID(), TsID("AJPG"));
    EXPECT_EQ(codec->ItemTexts(),
              (std::vector<std::string>{"RGBA Codec", "TIFF Codec (1.5 Compatability)",
                                        "Avid AVR Codec", "Two Varieties"}));
    EXPECT_EQ(codec->ItemIDs(),
              (std::vector<TsID>{TsID("RGBA"), TsID("TIFF"), TsID("AJPG"), TsID("TEST Two")}));
}

TEST_F(SaverInputs, CodecsWithVarietiesGetAVarietyListShownForTheDefaultCodecOnly) {
    Input* avr = tool_.FindInput("AJPG.CodecVariety");
    ASSERT_NE(avr, nullptr);
    EXPECT_EQ(avr->Name(), "Codec Variety");
    const TagList tags = avr->Attrs();
    EXPECT_EQ(tags.GetID(LINKID_DataType), CLSID_DataType_TsID);
    EXPECT_EQ(tags.GetID(INPID_InputControl), CLSID_InputControl_ListID);
    EXPECT_EQ(tags.GetInt(INP_External), 1);
    EXPECT_EQ(tags.GetID(INPID_DefaultID), TsID("Uncomp422"));
    EXPECT_EQ(tags.GetInt(IC_Visible, -1), 1);
    EXPECT_EQ(avr->ItemTexts().size(), 11u);
    EXPECT_EQ(avr->ItemTexts()[2], "Uncomp422");
    // Rows: half the varieties rounded up (6 of 11), at least 4.
    EXPECT_EQ(tags.GetInt(LBC_Rows), 6);
    Input* two = tool_.FindInput("TEST Two.CodecVariety");
    ASSERT_NE(two, nullptr);
    EXPECT_EQ(two->Attrs().GetInt(IC_Visible, -1), 0);
    EXPECT_EQ(two->Attrs().GetInt(LBC_Rows), 4);
    EXPECT_EQ(tool_.FindInput("RGBA.CodecVariety"), nullptr);
    EXPECT_EQ(tool_.FindInput("MSM TARGA DVC Codec.CodecVariety"), nullptr);
}

TEST_F(SaverInputs, RateAndQualityControls) {
    Input* rate = tool_.FindInput("FrameRateFps");
    ASSERT_NE(rate, nullptr);
    EXPECT_EQ(rate->Name(), "Frame Rate (fps)");
    EXPECT_EQ(rate->Attrs().GetID(INPID_InputControl), CLSID_InputControl_Slider);
    EXPECT_DOUBLE_EQ(rate->Attrs().GetDouble(INP_MinAllowed), 0.01);
    EXPECT_DOUBLE_EQ(rate->Attrs().GetDouble(INP_MaxScale), 100.0);
    EXPECT_EQ(rate->Attrs().GetInt(IC_DisplayedPrecision), 2);
    // The document's rate is the first value.
    EXPECT_DOUBLE_EQ(rate->Value().Number(), 29.97);
    Input* quality = tool_.FindInput("Quality");
    ASSERT_NE(quality, nullptr);
    EXPECT_EQ(quality->Name(), "Quality");
    EXPECT_DOUBLE_EQ(quality->Value().Number(), 93.0);
    EXPECT_EQ(quality->Attrs().GetInt(INP_Integer), 1);
    EXPECT_DOUBLE_EQ(quality->Attrs().GetDouble(INP_MaxAllowed), 100.0);
    // Hidden while "AJPG", which takes no quality, is chosen.
    EXPECT_EQ(quality->Attrs().GetInt(IC_Visible, -1), 0);
}

TEST_F(SaverInputs, ChoosingACodecShowsItsVarietiesAndTheQualityItUses) {
    ASSERT_TRUE(tool_.SetInput(tool_.FindInput("Codec"), Parameter(TsID("TEST Two"))));
    EXPECT_EQ(Visible("TEST Two.CodecVariety"), 1);
    EXPECT_EQ(Visible("AJPG.CodecVariety"), 0);
    EXPECT_EQ(Visible("Quality"), 1);
    ASSERT_TRUE(tool_.SetInput(tool_.FindInput("Codec"), Parameter(TsID("RGBA"))));
    EXPECT_EQ(Visible("TEST Two.CodecVariety"), 0);
    EXPECT_EQ(Visible("Quality"), 0);
    ASSERT_TRUE(tool_.SetInput(tool_.FindInput("Codec"), Parameter(TsID("TIFF"))));
    EXPECT_EQ(Visible("Quality"), 1);
    ASSERT_TRUE(tool_.SetInput(tool_.FindInput("Codec"), Parameter(TsID("AJPG"))));
    EXPECT_EQ(Visible("AJPG.CodecVariety"), 1);
    EXPECT_EQ(Visible("Quality"), 0);
    // A codec outside the catalogue leaves the Quality control as it is and hides every list.
    ASSERT_TRUE(tool_.SetInput(tool_.FindInput("Codec"), Parameter(TsID("JPEG"))));
    EXPECT_EQ(Visible("AJPG.CodecVariety"), 0);
    EXPECT_EQ(Visible("Quality"), 0);
    // Changes of other inputs change nothing.
    ASSERT_TRUE(tool_.SetInput(tool_.FindInput("Quality"), Parameter(40.0)));
    EXPECT_EQ(Visible("AJPG.CodecVariety"), 0);
}

// A list starts on one of its own items: "Uncomp422" is AJPG's default, JPEG TIFF's (its first).
// The Quality control follows TIFF's variety, as only its JPEG frames use it.
TEST_F(SaverInputs, TIFFStartsOnJPEGAndShowsQualityForItsJPEGVarietyOnly) {
    Input* tiff = tool_.FindInput("TIFF.CodecVariety");
    ASSERT_NE(tiff, nullptr);
    EXPECT_EQ(tiff->ItemTexts(), (std::vector<std::string>{"JPEG", "Uncompressed"}));
    EXPECT_EQ(tiff->Attrs().GetID(INPID_DefaultID), TsID("JPEG"));
    EXPECT_EQ(tool_.FindInput("TEST Two.CodecVariety")->Attrs().GetID(INPID_DefaultID),
              TsID("First"));

    ASSERT_TRUE(tool_.SetInput(tool_.FindInput("Codec"), Parameter(TsID("TIFF"))));
    EXPECT_EQ(Visible("Quality"), 1);
    ASSERT_TRUE(tool_.SetInput(tiff, Parameter(TsID("Uncompressed"))));
    EXPECT_EQ(Visible("Quality"), 0);
    // Another codec and back: the list kept its choice, and so does the control.
    ASSERT_TRUE(tool_.SetInput(tool_.FindInput("Codec"), Parameter(TsID("TEST Two"))));
    EXPECT_EQ(Visible("Quality"), 1);
    ASSERT_TRUE(tool_.SetInput(tool_.FindInput("Codec"), Parameter(TsID("TIFF"))));
    EXPECT_EQ(Visible("Quality"), 0);
    ASSERT_TRUE(Apply());
    EXPECT_STREQ(format_->Saving().CodecText, "TIFF:Uncompressed");
    ASSERT_TRUE(tool_.SetInput(tiff, Parameter(TsID("JPEG"))));
    EXPECT_EQ(Visible("Quality"), 1);
    // A variety list of a codec not chosen leaves the control alone.
    ASSERT_TRUE(tool_.SetInput(tool_.FindInput("AJPG.CodecVariety"), Parameter(TsID("AVR1"))));
    EXPECT_EQ(Visible("Quality"), 1);
}

TEST_F(SaverInputs, ARequestSetsCodecTextRateAndQuality) {
    tool_.SetInput(tool_.FindInput("AJPG.CodecVariety"), Parameter(TsID("JFIF3:1")));
    tool_.SetInput(tool_.FindInput("Quality"), Parameter(61.4));
    ASSERT_TRUE(Apply());
    EXPECT_STREQ(format_->Saving().CodecText, "AJPG:JFIF3:1");
    EXPECT_STREQ(format_->Saving().VarietyName, "JFIF3:1");
    EXPECT_DOUBLE_EQ(format_->Saving().Quality, 61.0);
    double rate = 0;
    ASSERT_TRUE(format_->CopyAttr(0x200000c8, &rate));
    // The document's 29.97 is the NTSC rate, stored exactly.
    EXPECT_DOUBLE_EQ(rate, 30000.0 / 1001.0);

    tool_.SetInput(tool_.FindInput("Codec"), Parameter(TsID("RGBA")));
    tool_.SetInput(tool_.FindInput("FrameRateFps"), Parameter(24.999));
    ASSERT_TRUE(Apply());
    EXPECT_STREQ(format_->Saving().CodecText, "RGBA");
    EXPECT_STREQ(format_->Saving().VarietyName, "");
    ASSERT_TRUE(format_->CopyAttr(0x200000c8, &rate));
    EXPECT_DOUBLE_EQ(rate, 2500.0 / 100.0); // 2499.9 + 0.5 truncated
    // Near an NTSC rate but not within 0.001 of it: hundredths, as before.
    tool_.SetInput(tool_.FindInput("FrameRateFps"), Parameter(23.98));
    ASSERT_TRUE(Apply());
    ASSERT_TRUE(format_->CopyAttr(0x200000c8, &rate));
    EXPECT_DOUBLE_EQ(rate, 2398.0 / 100.0);
    // Rates beyond the 32-bit range of hundredths stop at its end.
    tool_.SetInput(tool_.FindInput("FrameRateFps"), Parameter(1e12));
    ASSERT_TRUE(Apply());
    ASSERT_TRUE(format_->CopyAttr(0x200000c8, &rate));
    EXPECT_DOUBLE_EQ(rate, double(INT32_MAX) / 100.0);
    // Another codec with varieties takes the value of its own list.
    tool_.SetInput(tool_.FindInput("Codec"), Parameter(TsID("TEST Two")));
    tool_.SetInput(tool_.FindInput("TEST Two.CodecVariety"), Parameter(TsID("Second")));
    ASSERT_TRUE(Apply());
    EXPECT_STREQ(format_->Saving().CodecText, "TEST Two:Second");
}

TEST_F(SaverInputs, WithoutARequestNothingChangesAndTheQualityStaysEighty) {
    EXPECT_DOUBLE_EQ(format_->Saving().Quality, 80.0);
    EXPECT_FALSE(format_->ApplySaveRequest(&tool_, nullptr));
    EXPECT_STREQ(format_->Saving().CodecText, "");
    EXPECT_FALSE(format_->AddSaveInputs(nullptr));
}

} // namespace
