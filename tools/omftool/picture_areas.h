// The areas of a picture media as the media calls give them: the stored picture, the sampled
// area within it (the picture the plug-in hands a host, and frames and extract write) and the
// displayed area.
#pragma once

#include "omf/omf_media.h"

#include <nlohmann/json.hpp>

#include <optional>
#include <string>

namespace omftool {

struct PictureAreas {
    omfFrameLayout_t layout = kOmfFullFrame;
    omfInt32 storedWidth = 0, storedHeight = 0; // a field's rows for field layouts
    omfRect_t sampled{};                        // rows of a field for field layouts
    omfRect_t displayed{};

    // Whether each stored picture is a field, a frame holding twice its rows.
    bool fields() const { return layout != kOmfFullFrame; }
    // Rows of a frame made of `rows` rows of each field (or of the frame).
    int frameRows(int rows) const { return fields() ? 2 * rows : rows; }
    // The sampled area as a frame: its width and woven rows.
    int pictureWidth() const { return sampled.xSize; }
    int pictureHeight() const { return frameRows(sampled.ySize); }
    // Whether the sampled area is all of the stored picture.
    bool sampledIsStored() const {
        return sampled.xOffset == 0 && sampled.yOffset == 0 && sampled.xSize == storedWidth &&
               sampled.ySize == storedHeight;
    }
};

// The areas of the open picture `media`; nothing when the media answers no video format. A
// sampled or displayed area of no size is the stored picture.
std::optional<PictureAreas> readPictureAreas(omfMediaHdl_t media);

// The areas of the picture media of `fileMob`, opened for the reading; nothing when it does not
// open (no picture, media found nowhere) or answers no video format.
std::optional<PictureAreas> readFileMobAreas(omfHdl_t file, omfObject_t fileMob);

// The areas as info's JSON fields and as one line of text.
nlohmann::json areasJson(const PictureAreas& areas);
std::string areasText(const nlohmann::json& figures);

} // namespace omftool
