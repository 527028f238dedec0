// FormatHost: the host's order of calls on a format object.
#include "tarsel/system/format_host.h"

#include "tarsel/system/image.h"
#include "tarsel/system/image_format.h"
#include "tarsel/system/object.h"
#include "tarsel/system/registry.h"

namespace {

void SetError(std::string* error, std::string text) {
    if (error) *error = std::move(text);
}

template <typename Value> Value Attribute(ImageFormat* format, Tag tag, Value fallback) {
    Value value = fallback;
    return format && format->CopyAttr(tag, &value) ? value : fallback;
}

} // namespace

FormatHost::FormatHost(TarselDoc* document, bool saving, std::string path)
    : m_Path(std::move(path)), m_Saving(saving), m_Tool(saving ? "Saver1" : "Loader1", document) {
    m_Tool.OnInputChanged([this](Tool* tool, Input* input, const Parameter* value) {
        if (!m_Format) return;
        if (m_Saving) {
            m_Format->OnSaveInputChanged(tool, input, value);
        } else {
            m_Format->OnLoadInputChanged(tool, input, value);
        }
    });
}

FormatHost::~FormatHost() {
    m_Tool.OnInputChanged({});
    if (m_Format) m_Format->Close();
}

std::unique_ptr<FormatHost> FormatHost::Make(const std::string& path, TarselDoc* document,
                                             bool saving, std::string* error) {
    Registry* registry = ClassRegistry->FindByExtension(path, CLSID_ImageFormat);
    if (!registry) {
        SetError(error, "no image format reads the extension of " + path);
        return nullptr;
    }
    return MakeOf(registry, path, document, saving, error);
}

std::unique_ptr<FormatHost> FormatHost::MakeOf(Registry* registry, const std::string& path,
                                               TarselDoc* document, bool saving,
                                               std::string* error) {
    if (!registry || !registry->IsA(CLSID_ImageFormat) || !registry->Initialise() ||
        !registry->IsUsable()) {
        SetError(error, "no usable image format class was given for " + path);
        return nullptr;
    }
    std::unique_ptr<FormatHost> host(new FormatHost(document, saving, path));
    TagList tags;
    tags.AddPtr(MFMT_Document, document);
    // Held first as a plain object, so that one of another kind is still released.
    RefObject<Object> made(registry->New(ScriptVal(), tags));
    host->m_Format = RefObject<ImageFormat>(dynamic_cast<ImageFormat*>(made.get()));
    if (!host->m_Format) {
        SetError(error, std::string("class ") + registry->ID().c_str() + " made no image format");
        return nullptr;
    }
    return host;
}

std::unique_ptr<FormatHost> FormatHost::Open(const std::string& path, TarselDoc* document,
                                             std::string* error) {
    return Load(Make(path, document, false, error), path, error);
}

std::unique_ptr<FormatHost> FormatHost::OpenAs(Registry* formatClass, const std::string& path,
                                               TarselDoc* document, std::string* error) {
    return Load(MakeOf(formatClass, path, document, false, error), path, error);
}

std::unique_ptr<FormatHost> FormatHost::Load(std::unique_ptr<FormatHost> host,
                                             const std::string& path, std::string* error) {
    if (!host) return nullptr;
    ImageFormat* format = host->m_Format.get();
    if (!format->IsThisFormat(path.c_str())) {
        SetError(error, "the format does not recognise " + path);
        return nullptr;
    }
    if (!format->LoadHeader(path.c_str())) {
        SetError(error, "the format cannot read the header of " + path);
        return nullptr;
    }
    format->AddLoadInputs(&host->m_Tool);
    host->ApplyRequest();
    return host;
}

std::unique_ptr<FormatHost> FormatHost::Create(const std::string& path, TarselDoc* document,
                                               std::string* error) {
    auto host = Make(path, document, true, error);
    if (host) host->m_Format->AddSaveInputs(&host->m_Tool);
    return host;
}

bool FormatHost::SetInput(TsID inputID, const Parameter& value) {
    return m_Tool.SetInput(m_Tool.FindInput(inputID), value);
}

bool FormatHost::ApplyRequest() {
    const Request request = m_Tool.MakeRequest();
    return m_Saving ? m_Format->ApplySaveRequest(&m_Tool, &request)
                    : m_Format->ApplyLoadRequest(&m_Tool, &request);
}

int32_t FormatHost::FirstFrame() const {
    return Attribute<int32_t>(m_Format.get(), FirstFrameAttr, 0);
}

int32_t FormatHost::FrameCount() const {
    return Attribute<int32_t>(m_Format.get(), FrameCountAttr, 0);
}

double FormatHost::FrameRate() const {
    return Attribute<double>(m_Format.get(), FrameRateAttr, 0.0);
}

Image* FormatHost::LoadFrame(int32_t frame) {
    if (m_Saving) return nullptr;
    Image* image = nullptr;
    TagList tags;
    if (m_Format->LoadFrameTagList(frame, image, tags)) return image;
    if (image) image->Recycle();
    return nullptr;
}

bool FormatHost::SaveHeader(Image* templateImage) {
    if (!m_Saving || !ApplyRequest()) return false;
    return m_Format->SaveHeader(m_Path.c_str(), templateImage);
}

bool FormatHost::SaveFrame(Image* image) {
    return m_Saving && m_Format->SaveFrame(image);
}
