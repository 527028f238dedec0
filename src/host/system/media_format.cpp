// MediaFormat: defaults of the format operations.
#include "tarsel/system/media_format.h"

#include <cstring>

MediaFormat::MediaFormat(Registry* registry, const ScriptVal&, const TagList& tags)
    : Object(registry), Document(static_cast<TarselDoc*>(tags.GetPtr(MFMT_Document))) {}

MediaFormat::~MediaFormat() = default;

bool MediaFormat::CopyAttr(Tag tag, void* out) {
    if (tag == MFA_IsClosed && out) {
        const int32_t closed = m_Closed ? 1 : 0;
        std::memcpy(out, &closed, sizeof closed);
        return true;
    }
    return Object::CopyAttr(tag, out);
}

bool MediaFormat::IsThisFormat(const TsStringT&) {
    return false;
}

bool MediaFormat::Close() {
    m_Closed = true;
    return true;
}

bool MediaFormat::AddLoadInputs(Tool*) {
    return true;
}
bool MediaFormat::OnLoadInputChanged(Tool*, Input*, const Parameter*) {
    return true;
}
bool MediaFormat::ApplyLoadRequest(Tool*, const Request*) {
    return true;
}
bool MediaFormat::AddSaveInputs(Tool*) {
    return true;
}
bool MediaFormat::OnSaveInputChanged(Tool*, Input*, const Parameter*) {
    return true;
}
bool MediaFormat::ApplySaveRequest(Tool*, const Request*) {
    return true;
}
bool MediaFormat::CheckOptions(const TagList&) {
    return true;
}
bool MediaFormat::LoadHeaderTagList(const TagList&) {
    return false;
}
bool MediaFormat::SaveHeaderTagList(const TagList&) {
    return false;
}
bool MediaFormat::LoadDataTagList(const TagList&) {
    return false;
}
bool MediaFormat::SaveDataTagList(const TagList&) {
    return false;
}
bool MediaFormat::GetPreviews(const TagList&) {
    return false;
}
int32_t MediaFormat::GetNumStreams() {
    return 1;
}
void MediaFormat::CleanupLoad() {}
void MediaFormat::CleanupSave() {}
bool MediaFormat::CheckSizeOptions(const TagList&) {
    return true;
}
int64_t MediaFormat::PredictFileSize(const TagList&) {
    return -1;
}
