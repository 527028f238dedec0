// The sample rate the saver stores for the Frame Rate control's frames per second.
#pragma once

#include "omf/omf_types.h"

namespace omfplugin {

// The NTSC rates (23.976, 29.97, 47.952, 59.94, 119.88, each within 0.001) become their exact
// rationals N x 1000/1001; every other rate is kept in hundredths of a frame per second,
// rounded half up, and rates beyond the 32-bit range (or not numbers) stop at its ends.
omfRational_t SaveRate(double framesPerSecond);

} // namespace omfplugin
