// SaveFrame: one rendered frame written as one sample of the saved media. Avid resolution media
// takes the frame cut to its stored picture; other media takes it as it is, at the template's
// size.
#include <memory>
#include <new>
#include <span>

#include "class_state.h"
#include "frame_packing.h"
#include "omf/omf_media.h"
#include "omf_format.h"
#include "tarsel/system/application.h"
#include "tarsel/system/image.h"
#include "tarsel/tags.h"

namespace omfplugin {

namespace {

constexpr omfInt16 kBitsARGB = 32;

// Releases one reference to an image when it goes.
struct OwnedImage {
    Image* Held;
    explicit OwnedImage(Image* image) : Held(image) {}
    ~OwnedImage() { Held->Recycle(); }
    OwnedImage(const OwnedImage&) = delete;
    OwnedImage& operator=(const OwnedImage&) = delete;
};

// A frame whose size is not the one the media was set up for would be read outside its image
// or stored short: it is refused with a message.
void ReportFrameSize(const Image& image, int32_t width, int32_t height) {
    if (Application* app = GetApp()) {
        app->ShowMessage(MSG_Error, "OMF Error: frame of %dx%d given for media of %dx%d",
                         image.Width(), image.Height(), int(width), int(height));
    }
}

} // namespace

// Answers a reference the caller releases: a new image, or `image` itself with one more use.
Image* OMFFormat::StoredPicture(Image* image) {
    Image* current = image;
    current->Use();
    auto replace = [&current](Image* made) {
        current->Recycle();
        current = made;
        return made != nullptr;
    };
    // Frames rendered at twice the stored width (square pixels) are halved first.
    if (current->Width() >= 2 * m_StoredWidth) {
        TagList tags;
        tags.Add(IMG_Width, current->Width() / 2);
        tags.Add(IMG_Height, current->Height());
        tags.Add(IMG_ResizeMethod, RESIZE_Box);
        if (!replace(current->ResizeOfImageTagList(tags))) return nullptr;
    }
    const int32_t pictureRows =
        m_Save.Layout == kOmfFullFrame ? m_Save.ReportedHeight : 2 * m_Save.ReportedHeight;
    if (current->Width() != m_StoredWidth || current->Height() != pictureRows) {
        const CropRect crop =
            StoredPictureCrop(current->Width(), current->Height(), m_Save.Layout, m_StoredWidth,
                              m_Save.ReportedHeight, m_SampledArea);
        if (!replace(current->CropOfImage(crop.X, crop.Y, crop.Width, crop.Height))) return nullptr;
    }
    if (m_Save.Layout == kOmfOneField) {
        if (!replace(current->CopyField(0, nullptr, -1, 1))) return nullptr;
    }
    return current;
}

bool OMFFormat::SaveFrame(Image* image) {
    if (!m_Session.Session || !image) return false;
    // The host's image is held for the call.
    image->Use();
    OwnedImage held(image);
    ObjectLock toolkit(TheClass().ToolkitLock);
    if (!m_File || !m_Media) return false;

    // Only Avid resolution media has a video standard.
    const bool resolutionMedia = m_Save.Standard != kSaveStandardNone;
    PackLayout layout;
    layout.WithAlpha = m_Save.BitsPerPixel == kBitsARGB;
    layout.SeparateFields = m_Save.SeparateFields;
    layout.OddRowsFirst = m_Save.Standard == kSaveStandardNTSC &&
                          m_Save.Layout == kOmfSeparateFields &&
                          (m_Save.FieldOrderCode == 1 || m_Save.FieldOrderCode == 2);

    if (resolutionMedia) {
        if (omfErr_t failed =
                omfmGetSampledArea(m_Media, &m_SampledArea.xOffset, &m_SampledArea.yOffset,
                                   &m_SampledArea.xSize, &m_SampledArea.ySize)) {
            Report(failed);
            return false;
        }
        if (m_SampledArea.xSize == 0) m_SampledArea.xSize = m_StoredWidth;
        if (m_SampledArea.ySize == 0) m_SampledArea.ySize = m_Save.ReportedHeight;
    }
    Image* picture = image;
    if (resolutionMedia) {
        picture = StoredPicture(image);
        if (!picture) return false;
    } else {
        image->Use();
    }
    OwnedImage owned(picture);

    if (picture->Width() != m_StoredWidth || picture->Height() != m_StoredHeight) {
        ReportFrameSize(*picture, m_StoredWidth, m_StoredHeight);
        return false;
    }
    const std::size_t bytes = PackedFrameBytes(picture->Width(), picture->Height(), layout);
    std::unique_ptr<uint8_t[]> frame(bytes ? new (std::nothrow) uint8_t[bytes] : nullptr);
    if (!frame || !PackFrame(*picture, layout, std::span<uint8_t>(frame.get(), bytes)))
        return false;
    if (omfErr_t failed = omfmWriteMediaSamples(m_Media, 1, frame.get(), omfInt32(bytes))) {
        Report(failed);
        return false;
    }
    return true;
}

} // namespace omfplugin
