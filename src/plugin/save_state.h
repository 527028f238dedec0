// What the saver of an OMFFormat keeps between its controls, SaveHeader and SaveFrame.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "omf/omf_media_types.h"
#include "omf/omf_types.h"
#include "save_geometry.h"
#include "table_quality.h"
#include "tarsel/ts_id.h"

class Input;

namespace omfplugin {

// Size of the codec text and variety name buffers, with their terminating zero.
inline constexpr int kSaveTextSize = 256;
// Quality used when no request was applied.
inline constexpr double kInitialQuality = 80.0;

struct SaveState {
    // Codec ID, then ":" and the variety for codecs with varieties, then for Avid resolutions
    // ":" and the standard ("NTSC", "PAL" or "FILM").
    char CodecText[kSaveTextSize] = {};
    char VarietyName[kSaveTextSize] = {}; // empty when none was chosen
    double Quality = kInitialQuality;
    omfRational_t DisplayAspect{0, 0};
    omfTrackID_t TrackID = 1;
    SaveStandard Standard = kSaveStandardNone;
    omfFrameLayout_t Layout = kOmfFullFrame;
    omfInt32 ReportedWidth = 0;
    omfInt32 ReportedHeight = 0; // rows of one field for separate fields
    omfInt16 BitsPerPixel = 0;
    omfPixelFormat_t PixelFormat = kOmfPixRGBA;
    bool SeparateFields = false;
    omfInt32 FieldOrderCode = 0;
    std::size_t FrameBytes = 0;
    // Scaled quantisation tables: luminance, and the two chrominance tables one after the other.
    std::unique_ptr<uint8_t[]> LumaTable;
    std::unique_ptr<uint8_t[]> ChromaTables;
    omfObject_t MasterMob = nullptr;
    omfObject_t FileMob = nullptr;

    Input* CodecInput = nullptr;
    Input* FrameRateInput = nullptr;
    Input* QualityInput = nullptr;
    TsID ToolIDPrefix;
};

} // namespace omfplugin
