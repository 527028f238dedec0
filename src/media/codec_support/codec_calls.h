// What codecs ask of the media layer beyond their own handle: the session set-up omfmInit
// runs, the file check of the media calls a codec folder implements (omfmCreateAudioMedia,
// omfmCreateAVRMedia), and calls on another codec's definition for codecs that hand their
// work to one (AVR).
#pragma once

#include "omf/omf_codec.h"

namespace omf::media {

// Sets the media layer up on a session: the codec registry and the session hooks (at session
// end open media are closed and codec data freed; media-group choice scores representations
// by codec). `*created` tells whether it was set up now; it is false when the session already
// had it, and then nothing is changed. OM_ERR_BAD_SESSION for a session that is not valid.
omfErr_t initMediaSession(omfSessionHdl_t session, bool* created);

// OM_ERR_BAD_FILE_HANDLE for a file the media calls cannot use, OM_ERR_OMFM_INIT_NOT_CALLED
// (raised) when its session has no media layer.
omfErr_t checkMediaFile(omfHdl_t file);

// Runs one operation of a definition with (parms, media, file), filling in
// its persistent data and the file's revision.
omfErr_t runOperation(const omfCodecDef_t& definition, omfCodecOperationIndex_t index,
                      omfCodecParms_t& parms, omfMediaHdl_t media, omfHdl_t file);

// Runs `describe` of a definition (variety may be null, name may be null with length 0).
omfErr_t describeCodec(const omfCodecDef_t& definition, const char* variety, char* name,
                       omfInt32 nameLength, omfCodecMetaInfo_t* info);

} // namespace omf::media
