// The saver's controls: Codec (with a Codec Variety list per codec that has varieties),
// Frame Rate and Quality; kept consistent as the user edits them and read by a request.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "class_state.h"
#include "codec_catalogue.h"
#include "omf/omf_codec_ids.h"
#include "omf_format.h"
#include "save_rate.h"
#include "tarsel/system/preferences.h"
#include "tarsel/system/tool.h"

namespace omfplugin {

namespace {

constexpr const char* kCodecInputName = "Codec";
constexpr const char* kCodecInputID = "Codec";
constexpr const char* kDefaultCodec = kOmfCodecAVR;
constexpr const char* kVarietyInputName = "Codec Variety";
constexpr const char* kVarietyIDSuffix = "CodecVariety";
// The default codec's default variety; other codecs default to their first variety.
constexpr const char* kDefaultVariety = "Uncomp422";
constexpr const char* kFrameRateInputName = "Frame Rate (fps)";
constexpr const char* kFrameRateInputID = "FrameRateFps";
constexpr const char* kQualityInputName = "Quality";
constexpr const char* kQualityInputID = "Quality";
// Rows a variety list shows at least.
constexpr int64_t kVarietyRows = 4;
constexpr double kLowestRate = 0.01;
constexpr double kRateScale = 100.0;
constexpr int64_t kRateDecimals = 2;
constexpr double kDefaultQuality = 93.0;
constexpr double kHighestQuality = 100.0;

// The input ID of a codec's variety list.
std::string VarietyInputID(std::string_view codecID) {
    return std::string(codecID) + "." + kVarietyIDSuffix;
}

// Whether the Quality control changes the frames of the catalogue's codec `codecID` in its
// variety `variety` (empty: none chosen).
bool TakesQuality(List& catalogue, std::string_view codecID, std::string_view variety) {
    bool takes = false;
    ObjectReadLock reading(catalogue);
    catalogue.ForEach([&](std::size_t, const List::Node& node) {
        const auto* codec = static_cast<const CodecEntry*>(node.Item);
        if (std::string_view(codec->ID) != codecID) return true;
        takes = codec->TakesQuality(variety);
        return false;
    });
    return takes;
}

// The variety a codec's list starts on: a name of the list.
std::string DefaultVariety(const CodecEntry& codec) {
    std::string first;
    bool hasDefault = false;
    codec.Varieties.ForEach([&](std::size_t index, const List::Node& node) {
        const std::string_view name = static_cast<const CodecEntry*>(node.Item)->Name;
        if (index == 0) first = name;
        hasDefault = std::string_view(codec.ID) == kDefaultCodec && name == kDefaultVariety;
        return !hasDefault;
    });
    return hasDefault ? kDefaultVariety : first;
}

// The variety chosen on a variety list, which starts on its default.
std::string ChosenVariety(const Input& varieties) {
    return std::string(varieties.Value().ID().view());
}

void CopyText(char (&to)[kSaveTextSize], std::string_view from) {
    const std::size_t length = std::min(from.size(), std::size_t(kSaveTextSize - 1));
    std::memcpy(to, from.data(), length);
    to[length] = '\0';
}

void AppendText(char (&to)[kSaveTextSize], std::string_view more) {
    const std::size_t used = strnlen(to, kSaveTextSize - 1);
    const std::size_t length = std::min(more.size(), std::size_t(kSaveTextSize - 1) - used);
    std::memcpy(to + used, more.data(), length);
    to[used + length] = '\0';
}

void SetVisible(Input* input, bool visible) {
    TagList tags;
    tags.Add(IC_Visible, visible ? 1 : 0);
    input->SetAttrs(tags);
}

} // namespace

bool OMFFormat::AddSaveInputs(Tool* tool) {
    if (!tool) return false;
    m_Save.ToolIDPrefix = tool->GetID();

    TagList codecTags;
    codecTags.Add(LINKID_DataType, CLSID_DataType_TsID);
    codecTags.Add(INPID_InputControl, CLSID_InputControl_ComboID);
    codecTags.Add(INP_Required, 0);
    codecTags.Add(INP_DoNotifyChanged, 1);
    codecTags.Add(INPID_DefaultID, TsID(kDefaultCodec));
    m_Save.CodecInput = tool->AddInput(kCodecInputName, kCodecInputID, codecTags);
    if (!m_Save.CodecInput) return false;

    TagList items;
    {
        List& catalogue = TheClass().CodecList;
        ObjectReadLock reading(catalogue);
        catalogue.ForEach([&](std::size_t, const List::Node& node) {
            const auto* codec = static_cast<const CodecEntry*>(node.Item);
            if (!codec->Writes()) return true;
            items.Add(CCS_AddString, codec->Name);
            items.Add(CCID_AddID, TsID(codec->ID));
            const std::size_t varieties = codec->Varieties.Count();
            if (varieties == 0) return true;
            TagList varietyTags;
            varietyTags.Add(LINKID_DataType, CLSID_DataType_TsID);
            varietyTags.Add(INPID_InputControl, CLSID_InputControl_ListID);
            varietyTags.Add(INP_Required, 0);
            varietyTags.Add(INP_DoNotifyChanged, 1);
            varietyTags.Add(INP_External, 1);
            varietyTags.Add(INPID_DefaultID, TsID(DefaultVariety(*codec)));
            varietyTags.Add(IC_Visible, std::string_view(codec->ID) == kDefaultCodec ? 1 : 0);
            codec->Varieties.ForEach([&](std::size_t, const List::Node& variety) {
                varietyTags.Add(CCS_AddString, static_cast<const CodecEntry*>(variety.Item)->Name);
                return true;
            });
            varietyTags.Add(LBC_Rows,
                            std::max<int64_t>(kVarietyRows, (int64_t(varieties) + 1) / 2));
            tool->AddInput(kVarietyInputName, TsID(VarietyInputID(codec->ID)), varietyTags);
            return true;
        });
    }
    m_Save.CodecInput->SetAttrs(items);

    TagList rateTags;
    rateTags.Add(LINKID_DataType, CLSID_DataType_Number);
    rateTags.Add(INPID_InputControl, CLSID_InputControl_Slider);
    rateTags.Add(INP_Required, 0);
    rateTags.Add(INP_MinAllowed, kLowestRate);
    rateTags.Add(IC_DisplayedPrecision, kRateDecimals);
    rateTags.Add(INP_MaxScale, kRateScale);
    TarselDoc* document = tool->GetDocument();
    rateTags.Add(INP_Default,
                 document ? document->GetPrefDouble(PREF_FFRate) : GetPrefDouble(PREF_FFRate));
    rateTags.Add(INP_External, 1);
    m_Save.FrameRateInput = tool->AddInput(kFrameRateInputName, kFrameRateInputID, rateTags);

    TagList qualityTags;
    qualityTags.Add(LINKID_DataType, CLSID_DataType_Number);
    qualityTags.Add(INPID_InputControl, CLSID_InputControl_Slider);
    qualityTags.Add(INP_Required, 0);
    qualityTags.Add(INP_MinAllowed, 0.0);
    qualityTags.Add(INP_MaxAllowed, kHighestQuality);
    qualityTags.Add(INP_Integer, 1);
    qualityTags.Add(INP_Default, kDefaultQuality);
    qualityTags.Add(INP_External, 1);
    // Shown only for codecs it changes, starting with the default one.
    qualityTags.Add(IC_Visible,
                    TakesQuality(TheClass().CodecList, kDefaultCodec, kDefaultVariety) ? 1 : 0);
    m_Save.QualityInput = tool->AddInput(kQualityInputName, kQualityInputID, qualityTags);
    return m_Save.FrameRateInput && m_Save.QualityInput;
}

bool OMFFormat::OnSaveInputChanged(Tool* tool, Input* input, const Parameter* value) {
    if (!tool || !input || !value || !m_Save.CodecInput) return true;
    const bool codecChanged = input == m_Save.CodecInput;
    const std::string chosen(codecChanged ? value->ID().view()
                                          : m_Save.CodecInput->Value().ID().view());
    List& catalogue = TheClass().CodecList;
    ObjectReadLock reading(catalogue);
    catalogue.ForEach([&](std::size_t, const List::Node& node) {
        const auto* codec = static_cast<const CodecEntry*>(node.Item);
        const std::string_view id = codec->ID;
        const std::string varietyID = std::string(m_Save.ToolIDPrefix.view()) + VarietyInputID(id);
        Input* varieties = tool->FindInput(TsID(varietyID));
        // A variety change matters only on the chosen codec's list.
        if (!codecChanged && (input != varieties || id != chosen)) return true;
        if (codecChanged && varieties) SetVisible(varieties, id == chosen);
        if (id == chosen && m_Save.QualityInput) {
            // The Quality control shows for a codec and variety whose frames it changes.
            const std::string variety = !varieties           ? std::string()
                                        : input == varieties ? std::string(value->ID().view())
                                                             : ChosenVariety(*varieties);
            SetVisible(m_Save.QualityInput, codec->TakesQuality(variety));
        }
        return true;
    });
    return true;
}

bool OMFFormat::ApplySaveRequest(Tool* tool, const Request* request) {
    if (!tool || !request) return false;
    const Parameter* codec = request->GetInputData(m_Save.CodecInput);
    CopyText(m_Save.CodecText, codec ? codec->ID().view() : std::string_view());
    m_Save.VarietyName[0] = '\0';

    bool hasVarieties = false;
    {
        List& catalogue = TheClass().CodecList;
        ObjectReadLock reading(catalogue);
        catalogue.ForEach([&](std::size_t, const List::Node& node) {
            const auto* entry = static_cast<const CodecEntry*>(node.Item);
            if (std::string_view(entry->ID) != m_Save.CodecText) return true;
            hasVarieties = entry->Varieties.Count() > 0;
            return false;
        });
    }
    if (hasVarieties) {
        const std::string codecID = m_Save.CodecText;
        AppendText(m_Save.CodecText, ":");
        const std::string varietyID =
            std::string(m_Save.ToolIDPrefix.view()) + VarietyInputID(codecID);
        if (Input* varieties = tool->FindInput(TsID(varietyID))) {
            if (const Parameter* variety = request->GetInputData(varieties)) {
                CopyText(m_Save.VarietyName, variety->ID().view());
                AppendText(m_Save.CodecText, m_Save.VarietyName);
            }
        }
    }

    if (const Parameter* rate = request->GetInputData(m_Save.FrameRateInput))
        m_FrameRate = SaveRate(rate->Number());
    if (const Parameter* quality = request->GetInputData(m_Save.QualityInput))
        m_Save.Quality = quality->Number();
    return true;
}

} // namespace omfplugin
