// The arithmetic of writing frames: the display aspect a saved picture gets, the video standard
// of Avid resolution media, and where a rendered frame is cut to the stored picture.
#pragma once

#include <cstdint>

#include "omf/omf_media_types.h"
#include "omf/omf_types.h"

namespace omfplugin {

// Video standards of the saved media.
enum SaveStandard : int32_t {
    kSaveStandardNone = 0,
    kSaveStandardNTSC = 1, // NTSC or film
    kSaveStandardPAL = 2,
};

// The display aspect of a width x height picture of pixel aspect x : y: the rounded display
// sides reduced by the largest common divisor from half the smaller side down to 2.
omfRational_t ReduceDisplayAspect(int32_t width, int32_t height, double aspectX, double aspectY);

// The standard suffix of Avid resolution media ("NTSC", "PAL" or "FILM") chosen from the
// frame height and rate, and the standard it stands for.
struct StandardChoice {
    const char* Suffix;
    SaveStandard Standard;
};
StandardChoice ChooseSaveStandard(int32_t height, double framesPerSecond);

// The rectangle (x and y counted from the bottom, as Image::CropOfImage takes them) cut from a
// rendered image of imageWidth x imageHeight to give the stored picture of media with the given
// layout, stored width, rows per field (`reportedHeight`) and sampled area.
struct CropRect {
    int32_t X = 0;
    int32_t Y = 0;
    int32_t Width = 0;
    int32_t Height = 0;
};
CropRect StoredPictureCrop(int32_t imageWidth, int32_t imageHeight, omfFrameLayout_t layout,
                           int32_t storedWidth, int32_t reportedHeight, const omfRect_t& sampled);

} // namespace omfplugin
