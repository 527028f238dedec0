// Tools, inputs and requests.
#include "tarsel/system/tool.h"

#include <algorithm>
#include <cmath>

const TsID CLSID_DataType_Number("Number");
const TsID CLSID_DataType_TsID("TsID");
const TsID CLSID_InputControl_List("ListControl");
const TsID CLSID_InputControl_ComboID("ComboIDControl");
const TsID CLSID_InputControl_ListID("ListIDControl");
const TsID CLSID_InputControl_Slider("SliderControl");

namespace {

// Tags with this bit collect several entries.
constexpr Tag RepeatedTag = 0x08000000;

// Adds (repeated tags) or replaces (others) one entry of `list`.
void Apply(TagList& list, const TagItem& item) {
    const bool add = (item.tag & RepeatedTag) != 0;
    std::visit(
        [&](const auto& value) {
            using Value = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<Value, std::monostate>) {
                return;
            } else if constexpr (std::is_same_v<Value, void*>) {
                add ? list.AddPtr(item.tag, value) : list.SetPtr(item.tag, value);
            } else if constexpr (std::is_same_v<Value, std::string>) {
                add ? list.Add(item.tag, std::string_view(value))
                    : list.Set(item.tag, std::string_view(value));
            } else {
                add ? list.Add(item.tag, value) : list.Set(item.tag, value);
            }
        },
        item.value);
}

} // namespace

Input::Input(Tool* tool, std::string name, TsID id, const TagList& tags)
    : m_Tool(tool), m_Name(std::move(name)), m_ID(id) {
    for (const TagItem& item : tags)
        Apply(m_Attrs, item);
    if (m_Attrs.GetID(LINKID_DataType) == CLSID_DataType_TsID) {
        m_Value = Parameter(m_Attrs.GetID(INPID_DefaultID));
    } else {
        m_Value = Conform(Parameter(m_Attrs.GetDouble(INP_Default, 0.0)));
    }
}

void Input::SetAttrs(const TagList& tags) {
    std::lock_guard guard(m_InputLock);
    for (const TagItem& item : tags)
        Apply(m_Attrs, item);
}

TagList Input::Attrs() const {
    std::lock_guard guard(m_InputLock);
    return m_Attrs;
}

std::vector<std::string> Input::ItemTexts() const {
    std::lock_guard guard(m_InputLock);
    std::vector<std::string> texts;
    for (const TagItem* item : m_Attrs.FindAll(CCS_AddString)) {
        if (auto* text = std::get_if<std::string>(&item->value)) texts.push_back(*text);
    }
    return texts;
}

std::vector<TsID> Input::ItemIDs() const {
    std::lock_guard guard(m_InputLock);
    std::vector<TsID> ids;
    for (const TagItem* item : m_Attrs.FindAll(CCID_AddID)) {
        if (auto* id = std::get_if<TsID>(&item->value)) ids.push_back(*id);
        if (auto* text = std::get_if<std::string>(&item->value)) ids.push_back(TsID(*text));
    }
    return ids;
}

Parameter Input::Value() const {
    std::lock_guard guard(m_InputLock);
    return m_Value;
}

Parameter Input::Conform(const Parameter& value) const {
    if (value.IsID()) return value;
    double number = value.Number();
    if (std::isnan(number)) number = m_Attrs.GetDouble(INP_Default, 0.0);
    if (m_Attrs.Has(INP_MinAllowed)) number = std::max(number, m_Attrs.GetDouble(INP_MinAllowed));
    if (m_Attrs.Has(INP_MaxAllowed)) number = std::min(number, m_Attrs.GetDouble(INP_MaxAllowed));
    if (m_Attrs.GetInt(INP_Integer) != 0) number = std::round(number);
    return Parameter(number);
}

Request::Request(const Tool& tool) {
    for (Input* input : tool.Inputs())
        m_Values.emplace(input, input->Value());
}

const Parameter* Request::GetInputData(const Input* input) const {
    auto found = m_Values.find(input);
    return found == m_Values.end() ? nullptr : &found->second;
}

Tool::Tool(TsID id, TarselDoc* document) : m_ID(id), m_Document(document) {}

Tool::~Tool() = default;

Input* Tool::AddInput(const char* name, TsID id, const TagList& tags) {
    if (id.IsNoID()) return nullptr;
    std::lock_guard guard(m_InputsLock);
    for (const auto& input : m_Inputs) {
        if (input->m_ID == id) return nullptr;
    }
    m_Inputs.push_back(std::unique_ptr<Input>(new Input(this, name ? name : "", id, tags)));
    return m_Inputs.back().get();
}

Input* Tool::FindInput(TsID id) const {
    std::lock_guard guard(m_InputsLock);
    const std::string_view wanted = id.view();
    const std::string_view prefix = m_ID.view();
    for (const auto& input : m_Inputs) {
        const std::string_view own = input->m_ID.view();
        if (own == wanted) return input.get();
        if (!prefix.empty() && wanted.size() == prefix.size() + own.size() &&
            wanted.starts_with(prefix) && wanted.ends_with(own)) {
            return input.get();
        }
    }
    return nullptr;
}

std::vector<Input*> Tool::Inputs() const {
    std::lock_guard guard(m_InputsLock);
    std::vector<Input*> inputs;
    for (const auto& input : m_Inputs)
        inputs.push_back(input.get());
    return inputs;
}

bool Tool::SetInput(Input* input, const Parameter& value) {
    if (!input || input->m_Tool != this) return false;
    Parameter stored;
    {
        std::lock_guard guard(input->m_InputLock);
        input->m_Value = input->Conform(value);
        stored = input->m_Value;
    }
    ChangeHandler handler;
    {
        std::lock_guard guard(m_InputsLock);
        handler = m_Handler;
    }
    // The handler runs without the tool's locks: it may add or find inputs.
    if (handler) handler(this, input, &stored);
    return true;
}

void Tool::OnInputChanged(ChangeHandler handler) {
    std::lock_guard guard(m_InputsLock);
    m_Handler = std::move(handler);
}
