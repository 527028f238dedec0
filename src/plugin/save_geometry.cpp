#include "save_geometry.h"

#include <algorithm>
#include <cmath>

namespace omfplugin {

namespace {

// Rates that mark NTSC and PAL material, and how close a rate must come to them.
constexpr double kNTSCRate = 29.97;
constexpr double kNTSCRateTolerance = 0.1;
constexpr double kPALRate = 25.0;
constexpr double kPALRateTolerance = 0.01;
// Frames at least this high are not NTSC.
constexpr int32_t kNTSCHeightLimit = 500;

// Rounds a positive display side to whole pixels, saturating at the 32-bit range.
int32_t DisplaySide(int32_t pixels, double aspect) {
    const double side = double(pixels) * aspect + 0.5;
    if (!(side > 0.0)) return 0;
    if (side >= double(INT32_MAX)) return INT32_MAX;
    return static_cast<int32_t>(side);
}

} // namespace

omfRational_t ReduceDisplayAspect(int32_t width, int32_t height, double aspectX, double aspectY) {
    const int32_t t = DisplaySide(width, aspectX);
    const int32_t u = DisplaySide(height, aspectY);
    for (int32_t n = std::min(t, u) / 2; n >= 2; --n) {
        if (t % n == 0 && u % n == 0) return {t / n, u / n};
    }
    return {t, u};
}

StandardChoice ChooseSaveStandard(int32_t height, double framesPerSecond) {
    if (height < kNTSCHeightLimit && std::fabs(framesPerSecond - kNTSCRate) < kNTSCRateTolerance)
        return {"NTSC", kSaveStandardNTSC};
    // 25 frames a second is PAL at any height: the film standard takes only 24 and 29.97, so
    // a taller picture at 25 would be refused by the resolution. It is scaled and cut to the
    // PAL picture like any other.
    if (std::fabs(framesPerSecond - kPALRate) < kPALRateTolerance)
        return {"PAL", kSaveStandardPAL};
    return {"FILM", kSaveStandardNTSC};
}

CropRect StoredPictureCrop(int32_t imageWidth, int32_t imageHeight, omfFrameLayout_t layout,
                           int32_t storedWidth, int32_t reportedHeight, const omfRect_t& sampled) {
    const int32_t sampledWidth = sampled.xSize != 0 ? sampled.xSize : storedWidth;
    CropRect crop;
    crop.X = (imageWidth - sampledWidth) / 2 - sampled.xOffset;
    crop.Width = storedWidth;
    if (layout == kOmfFullFrame) {
        crop.Y = sampled.yOffset + imageHeight - reportedHeight;
        crop.Height = reportedHeight;
    } else {
        // The spare rows rounded down to even, so that each field keeps its own rows.
        const int32_t spare = 2 * reportedHeight - imageHeight;
        crop.Y = 2 * sampled.yOffset - (spare & ~int32_t{1});
        crop.Height = 2 * reportedHeight;
    }
    return crop;
}

} // namespace omfplugin
