// Tools, their inputs, parameters and requests: how a format offers controls to the user.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "tarsel/tags.h"
#include "tarsel/ts_id.h"

class TarselDoc;
class Tool;

// Values of the data-type and control tags of an input.
extern const TsID CLSID_DataType_Number;
extern const TsID CLSID_DataType_TsID;
extern const TsID CLSID_InputControl_List;
extern const TsID CLSID_InputControl_ComboID;
extern const TsID CLSID_InputControl_ListID;
extern const TsID CLSID_InputControl_Slider;

// Input attribute tags. A tag with the 0x08000000 bit may occur several times; setting it adds
// an entry, setting any other tag replaces its entry.
enum InputTag : Tag {
    LINKID_DataType = 0x88020000,       // ID: CLSID_DataType_Number or CLSID_DataType_TsID
    INPID_InputControl = 0x80030000,    // ID: the control that shows the input
    INPID_DefaultID = 0x80030003,       // ID: first value of an identifier input
    INP_Required = 0x10030000,          // integer: the tool needs a value
    INP_DoNotifyChanged = 0x10030009,   // integer: changes are reported to the format
    INP_Integer = 0x1003000b,           // integer: numbers are rounded to whole values
    INP_External = 0x10030019,          // integer: the value may come from outside the tool
    INP_MinAllowed = 0x20030000,        // double: smallest value accepted
    INP_MaxAllowed = 0x20030001,        // double: largest value accepted
    INP_MinScale = 0x20030002,          // double: left end of the control's scale
    INP_MaxScale = 0x20030003,          // double: right end of the control's scale
    INP_Default = 0x20030004,           // double: first value of a number input
    IC_DisplayedPrecision = 0x10040004, // integer: decimals shown
    IC_Visible = 0x10040008,            // integer: the control is shown
    CCS_AddString = 0x38040000,         // text, repeated: one item of a list control
    CCID_AddID = 0x88030000,            // ID, repeated: the ID of the item added last
    LBC_Rows = 0x10050000,              // integer: rows a list control shows
};

// The value of an input: a number or an identifier.
class Parameter {
  public:
    Parameter() = default;
    explicit Parameter(double number) : m_Number(number) {}
    explicit Parameter(TsID id) : m_IsID(true), m_ID(id) {}

    bool IsID() const { return m_IsID; }
    // The number (0 for an identifier) and the identifier (NOID for a number).
    double Number() const { return m_Number; }
    TsID ID() const { return m_ID; }

  private:
    bool m_IsID = false;
    double m_Number = 0.0;
    TsID m_ID;
};

// One control of a tool, with its attributes and current value.
class Input {
  public:
    TsID ID() const { return m_ID; }
    const std::string& Name() const { return m_Name; }
    Tool* GetTool() const { return m_Tool; }

    // Applies attribute tags (see InputTag for which add and which replace). Safe from any
    // thread.
    void SetAttrs(const TagList& tags);
    TagList Attrs() const;
    // The texts and IDs of a list control's items, in order.
    std::vector<std::string> ItemTexts() const;
    std::vector<TsID> ItemIDs() const;

    Parameter Value() const;

  private:
    friend class Tool;
    Input(Tool* tool, std::string name, TsID id, const TagList& tags);
    // The value clamped and rounded by the input's attributes.
    Parameter Conform(const Parameter& value) const;

    Tool* m_Tool;
    std::string m_Name;
    TsID m_ID;
    mutable std::mutex m_InputLock; // guards m_Attrs and m_Value
    TagList m_Attrs;
    Parameter m_Value;
};

// The values of a tool's inputs at one moment.
class Request {
  public:
    explicit Request(const Tool& tool);
    // The input's value in this request, or null for an input of another tool.
    const Parameter* GetInputData(const Input* input) const;

  private:
    std::map<const Input*, Parameter> m_Values;
};

// A loader or saver tool of a document. Formats add inputs to it; the host changes their values
// with SetInput, which reports each change to the handler set with OnInputChanged.
class Tool {
  public:
    using ChangeHandler = std::function<void(Tool* tool, Input* input, const Parameter* value)>;

    Tool(TsID id, TarselDoc* document);
    Tool(const Tool&) = delete;
    Tool& operator=(const Tool&) = delete;
    ~Tool();

    TsID GetID() const { return m_ID; }
    TarselDoc* GetDocument() const { return m_Document; }

    // A new input, or null when the ID is empty or taken. Its value starts at INP_Default
    // (numbers) or INPID_DefaultID (identifiers).
    Input* AddInput(const char* name, TsID id, const TagList& tags);
    // The input with this ID, also when the ID is written with the tool's ID in front.
    Input* FindInput(TsID id) const;
    std::vector<Input*> Inputs() const;

    // Stores a new value (clamped by the input's attributes) and reports the change.
    bool SetInput(Input* input, const Parameter& value);
    void OnInputChanged(ChangeHandler handler);

    Request MakeRequest() const { return Request(*this); }

  private:
    TsID m_ID;
    TarselDoc* m_Document;
    mutable std::mutex m_InputsLock; // guards m_Inputs and m_Handler
    std::vector<std::unique_ptr<Input>> m_Inputs;
    ChangeHandler m_Handler;
};
