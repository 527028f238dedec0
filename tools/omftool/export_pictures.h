// omftool export's pictures: the media of a picture master track the composition plays,
// written whole as a PNG image sequence or as one movie through the movie server.
#pragma once

#include "export_folder.h"
#include "export_plan.h"
#include "media_failure.h"

namespace omftool {

enum class PictureOutput { kPng, kMovie, kNone };

// Writes the pictures of `master` into `folder`, named in its manifest once complete; false
// with the cause (nothing when SIGINT or SIGTERM arrived).
bool exportPictureMaster(omfHdl_t file, const MasterUse& master, PictureOutput output,
                         ExportFolder& folder, MediaFailure& failure);

} // namespace omftool
