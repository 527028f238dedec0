// Forwarding a media handle's requests to its codec copy.
#include "media/internal/codec_registry.h"
#include "media/internal/media_records.h"
#include "omf/internal/error_flow.h"
#include "omf/omf_error_codes.h"

namespace omf::media {

omfErr_t callCodec(omfMediaHdl_t media, omfCodecOperationIndex_t index, omfCodecParms_t& parms) {
    if (validMedia(media) == nullptr) return OM_ERR_BAD_MEDIA_HANDLE;
    omfHdl_t file = media->file;
    if (!validFile(file) || !validSession(file->session)) return OM_ERR_BAD_FILE_HANDLE;
    if (media->codec.revision != kOmfCodecRevision) OMF_RAISE(file, OM_ERR_CODEC_OUT_OF_DATE);
    if (index == kCodecOpSetFrame && media->openMode == kMediaCreated) {
        OMF_RAISE(file, OM_ERR_WRONG_MEDIA_MODE);
    }
    omfErr_t status = runOperation(media->codec, index, parms, media, file);
    if (status != 0) return propagate(file, status, __FILE__, __LINE__);
    return 0;
}

} // namespace omf::media
