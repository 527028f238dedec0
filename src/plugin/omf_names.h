// Names the plug-in finds things in OMF files and the codec registry by.
#pragma once

#include "omf/omf_session.h"

namespace omfplugin {

// The data kind of picture tracks, media and codecs.
inline constexpr const char* kPictureDataKind = kOmfDataKindPicture;
// Codecs the plug-in treats apart: Avid resolutions (the AVR codec, also the saver's default
// choice) and R G B A frames with alpha, the catalogue's own first entry.
inline constexpr char kAvidResolutionCodecID[] = "AJPG";
inline constexpr char kRGBACodecID[] = "RGBA";

} // namespace omfplugin
