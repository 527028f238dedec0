// Behaviour of tools, inputs, parameters and requests.
#include "tarsel/system/tool.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TagList NumberSlider(double minimum, double maximum, double initial) {
    TagList tags;
    tags.Add(LINKID_DataType, CLSID_DataType_Number);
    tags.Add(INPID_InputControl, CLSID_InputControl_Slider);
    tags.Add(INP_MinAllowed, minimum);
    tags.Add(INP_MaxAllowed, maximum);
    tags.Add(INP_Default, initial);
    return tags;
}

TEST(ToolInputs, InputsStartAtTheirDefaults) {
    Tool tool("Saver1", nullptr);
    Input* rate = tool.AddInput("Frame Rate (fps)", "FrameRateFps", NumberSlider(0.01, 1e9, 25));
    ASSERT_NE(rate, nullptr);
    EXPECT_EQ(rate->Name(), "Frame Rate (fps)");
    EXPECT_EQ(rate->GetTool(), &tool);
    EXPECT_FALSE(rate->Value().IsID());
    EXPECT_DOUBLE_EQ(rate->Value().Number(), 25.0);

    TagList codecTags;
    codecTags.Add(LINKID_DataType, CLSID_DataType_TsID);
    codecTags.Add(INPID_InputControl, CLSID_InputControl_ComboID);
    codecTags.Add(INPID_DefaultID, TsID("AJPG"));
    Input* codec = tool.AddInput("Codec", "Codec", codecTags);
    ASSERT_NE(codec, nullptr);
    EXPECT_TRUE(codec->Value().IsID());
    EXPECT_EQ(codec->Value().ID(), "AJPG");

    // An input with no default starts at 0, raised to its smallest allowed value.
    Input* clamped = tool.AddInput("Low", "Low", NumberSlider(2, 5, 0));
    EXPECT_DOUBLE_EQ(clamped->Value().Number(), 2.0);

    EXPECT_EQ(tool.AddInput("Again", "Codec", TagList()), nullptr);
    EXPECT_EQ(tool.AddInput("Nameless", NOID, TagList()), nullptr);
    EXPECT_EQ(tool.Inputs().size(), 3u);
}

TEST(ToolInputs, InputsAreFoundByTheirIDOrWithTheToolIDInFront) {
    Tool tool("Saver1", nullptr);
    Input* variety = tool.AddInput("Codec Variety", "AJPG.CodecVariety", TagList());
    EXPECT_EQ(tool.FindInput("AJPG.CodecVariety"), variety);
    EXPECT_EQ(tool.FindInput("Saver1AJPG.CodecVariety"), variety);
    EXPECT_EQ(tool.FindInput("Saver2AJPG.CodecVariety"), nullptr);
    EXPECT_EQ(tool.FindInput("Saver1AJPG.CodecVariet"), nullptr);
    EXPECT_EQ(tool.FindInput("RGBA.CodecVariety"), nullptr);
}

TEST(ToolInputs, RepeatedTagsCollectAndOthersAreReplaced) {
    Tool tool("Saver1", nullptr);
    TagList tags;
    tags.Add(CCS_AddString, "Avid AVR");
    tags.Add(CCID_AddID, TsID("AJPG"));
    tags.Add(CCS_AddString, "RGBA Codec");
    tags.Add(CCID_AddID, TsID("RGBA"));
    tags.Add(IC_Visible, 1);
    Input* codec = tool.AddInput("Codec", "Codec", tags);
    TagList more;
    more.Add(CCS_AddString, "JPEG");
    more.Add(CCID_AddID, TsID("JPEG"));
    more.Add(IC_Visible, 0);
    codec->SetAttrs(more);
    EXPECT_EQ(codec->ItemTexts(), (std::vector<std::string>{"Avid AVR", "RGBA Codec", "JPEG"}));
    EXPECT_EQ(codec->ItemIDs(), (std::vector<TsID>{"AJPG", "RGBA", "JPEG"}));
    const TagList attrs = codec->Attrs();
    EXPECT_EQ(attrs.FindAll(IC_Visible).size(), 1u);
    EXPECT_EQ(attrs.GetInt(IC_Visible, -1), 0);
}

TEST(ToolValues, SetInputConformsAndReportsTheStoredValue) {
    Tool tool("Loader1", nullptr);
    TagList qualityTags = NumberSlider(0, 100, 93);
    qualityTags.Add(INP_Integer, 1);
    Input* quality = tool.AddInput("Quality", "Quality", qualityTags);
    std::vector<double> reported;
    tool.OnInputChanged([&](Tool* from, Input* input, const Parameter* value) {
        EXPECT_EQ(from, &tool);
        EXPECT_EQ(input, quality);
        reported.push_back(value->Number());
    });
    EXPECT_TRUE(tool.SetInput(quality, Parameter(45.5)));
    EXPECT_TRUE(tool.SetInput(quality, Parameter(-3.0)));
    EXPECT_TRUE(tool.SetInput(quality, Parameter(250.0)));
    EXPECT_TRUE(tool.SetInput(quality, Parameter(std::nan(""))));
    EXPECT_EQ(reported, (std::vector<double>{46.0, 0.0, 100.0, 93.0}));
    EXPECT_DOUBLE_EQ(quality->Value().Number(), 93.0);

    Tool other("Loader2", nullptr);
    Input* foreign = other.AddInput("Quality", "Quality", qualityTags);
    EXPECT_FALSE(tool.SetInput(foreign, Parameter(1.0)));
    EXPECT_FALSE(tool.SetInput(nullptr, Parameter(1.0)));
    EXPECT_EQ(reported.size(), 4u);
}

TEST(ToolValues, RequestsHoldTheValuesOfTheirMoment) {
    Tool tool("Loader1", nullptr);
    Input* track = tool.AddInput("Video Track", "VideoTrack", NumberSlider(0, 10, 0));
    TagList idTags;
    idTags.Add(LINKID_DataType, CLSID_DataType_TsID);
    Input* codec = tool.AddInput("Codec", "Codec", idTags);
    tool.SetInput(track, Parameter(3.0));
    tool.SetInput(codec, Parameter(TsID("RGBA")));
    const Request request = tool.MakeRequest();
    tool.SetInput(track, Parameter(4.0));
    ASSERT_NE(request.GetInputData(track), nullptr);
    EXPECT_DOUBLE_EQ(request.GetInputData(track)->Number(), 3.0);
    EXPECT_EQ(request.GetInputData(codec)->ID(), "RGBA");
    Tool other("Loader2", nullptr);
    Input* foreign = other.AddInput("Video Track", "VideoTrack", TagList());
    EXPECT_EQ(request.GetInputData(foreign), nullptr);
    EXPECT_DOUBLE_EQ(track->Value().Number(), 4.0);
}

} // namespace
