// Toolkit sessions as the plug-in uses them: media layer ready, Avid's codecs registered.
#pragma once

#include "omf/omf_types.h"

namespace omfplugin {

struct MediaSession {
    omfSessionHdl_t Session = nullptr; // null when the session could not start
    omfErr_t StartError = 0;           // of omfsStartSession
    omfErr_t MediaError = 0;           // of omfmInit
    bool HasDV = false;                // the DV codec is registered
};

// Starts a session with the plug-in's product identification, runs omfmInit, registers the
// AVR, Avid JPEG and Avid JFIF codecs, and the DV codec when the movie server can decode DV
// (then DVDecodeAvailable is set). Failures are reported.
MediaSession StartMediaSession();

// Ends the session, which closes its files and frees every codec's private data.
void FinishMediaSession(MediaSession& session);

} // namespace omfplugin
