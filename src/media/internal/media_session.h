// Setting up the media layer on a session.
#pragma once

#include "omf/omf_types.h"

namespace omf::media {

// Creates the codec registry (when absent) and installs the session hooks:
// at session end open media are closed and codec data freed, and media-group
// choice scores representations by codec.
omfErr_t initMediaSession(omfSessionHdl_t session);

} // namespace omf::media
