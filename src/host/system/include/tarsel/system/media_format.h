// MediaFormat: the base of every file format class: tests files, offers controls, closes.
#pragma once

#include <cstdint>

#include "tarsel/script_val.h"
#include "tarsel/system/object.h"
#include "tarsel/tags.h"
#include "tarsel/ts_id.h"

class Input;
class Parameter;
class Request;
class TarselDoc;
class Tool;

// Tags a host passes to a format's factory.
enum MediaFormatTag : Tag {
    MFMT_Document = 0x60000100, // TarselDoc*: the document the format works for
};

// Attributes every format answers through CopyAttr.
enum MediaFormatAttr : Tag {
    MFA_IsClosed = 0x100000c5, // int32_t: 1 after Close
};

// The host drives a format for reading with IsThisFormat (optional), the load header, the load
// inputs and frames, then Close; for writing with the save inputs, the save header and frames,
// then Close. Every operation answers true on success; the base answers false for the work it
// cannot do itself and true for the optional steps.
class MediaFormat : public Object {
  public:
    // The factory passes the host's arguments through. The document comes from the
    // MFMT_Document tag (or null).
    MediaFormat(Registry* registry, const ScriptVal& table, const TagList& tags);
    ~MediaFormat() override;

    bool CopyAttr(Tag tag, void* out) override;

    // The format's operations, in the order of their slots.
    virtual bool IsThisFormat(const TsStringT& path);
    virtual bool Close();
    virtual bool AddLoadInputs(Tool* tool);
    virtual bool OnLoadInputChanged(Tool* tool, Input* input, const Parameter* value);
    virtual bool ApplyLoadRequest(Tool* tool, const Request* request);
    virtual bool AddSaveInputs(Tool* tool);
    virtual bool OnSaveInputChanged(Tool* tool, Input* input, const Parameter* value);
    virtual bool ApplySaveRequest(Tool* tool, const Request* request);
    virtual bool CheckOptions(const TagList& tags);
    virtual bool LoadHeaderTagList(const TagList& tags);
    virtual bool SaveHeaderTagList(const TagList& tags);
    virtual bool LoadDataTagList(const TagList& tags);
    virtual bool SaveDataTagList(const TagList& tags);
    virtual bool GetPreviews(const TagList& tags);
    virtual int32_t GetNumStreams();
    virtual void CleanupLoad();
    virtual void CleanupSave();
    virtual bool CheckSizeOptions(const TagList& tags);
    virtual int64_t PredictFileSize(const TagList& tags);

    TarselDoc* GetDocument() const { return Document; }
    bool IsClosed() const { return m_Closed; }

    // The document the format reads its preferences from (may be null).
    TarselDoc* Document = nullptr;

  private:
    bool m_Closed = false;
};
