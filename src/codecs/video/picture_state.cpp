// The per-handle state of the uncompressed picture codecs.
#include "video/picture_state.h"

#include "video/codec_support.h"

namespace omf::codecs::video {

bool PictureState::layoutsDiffer() const {
    return memoryLayoutDiffers(memoryFormat, geometry.layout);
}

FramePlacement PictureState::placement() const {
    FramePlacement placement;
    placement.frameSize = frameSize;
    placement.fields = geometry.fieldsPerFrame();
    placement.alignment = geometry.alignment;
    return placement;
}

} // namespace omf::codecs::video
