// Format information of the uncompressed picture codecs: the getInfo and
// putInfo operations (file and memory format lists, the largest sample, the
// data size), and handing both format lists to the codec stream.
#pragma once

#include "video/picture_state.h"

namespace omf::codecs::video {

// Rebuilds the stored format list (pixel format, layout, pixel size,
// stored rectangle and line map, then the codec's own entries) and hands
// both lists to the stream.
omfErr_t publishFormats(omfHdl_t file, omfMediaHdl_t media, PictureState& state);

// getInfo: the file format list answered entry by entry, the largest
// sample and the data size.
omfErr_t getPictureInfo(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);

// putInfo: a file format list (geometry entries to the geometry, the pixel
// format ignored, other codes to the codec; a sampled rectangle outside the
// stored rows ends the list) or a memory format list.
omfErr_t putPictureInfo(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);

} // namespace omf::codecs::video
