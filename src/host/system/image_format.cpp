// ImageFormat: the output image of a frame and the picture attributes.
#include "tarsel/system/image_format.h"

#include <cstring>

#include "tarsel/system/image.h"

namespace {

template <typename Value> bool Answer(void* out, Value value) {
    if (!out) return false;
    std::memcpy(out, &value, sizeof value);
    return true;
}

} // namespace

ImageFormat::ImageFormat(Registry* registry, const ScriptVal& table, const TagList& tags)
    : MediaFormat(registry, table, tags) {}

ImageFormat::~ImageFormat() = default;

bool ImageFormat::CopyAttr(Tag tag, void* out) {
    switch (tag) {
    case IFA_Width:
        return Answer(out, Width);
    case IFA_Height:
        return Answer(out, Height);
    case IFA_BitsPerPixel:
        return Answer(out, BitsPerPixel);
    case IFA_PixelAspectX:
        return Answer(out, PixelAspectX);
    case IFA_PixelAspectY:
        return Answer(out, PixelAspectY);
    default:
        return MediaFormat::CopyAttr(tag, out);
    }
}

bool ImageFormat::LoadHeader(const TsStringT&) {
    return false;
}

bool ImageFormat::LoadFrameTagList(int32_t frame, Image*& image, TagList& tags) {
    if (frame < 0 || Width <= 0 || Height <= 0) return false;
    Image* made = Image::New(Width, Height, tags.GetDouble(IMG_PixelAspectX, PixelAspectX),
                             tags.GetDouble(IMG_PixelAspectY, PixelAspectY));
    if (!made) return false;
    if (image) image->Recycle();
    image = made;
    return true;
}

bool ImageFormat::SaveHeader(const TsStringT&, Image*) {
    return false;
}
bool ImageFormat::SaveFrame(Image*) {
    return false;
}
