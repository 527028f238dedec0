// The decoder's messages of a handle's last read, asked of its codec.
#include "media/internal/media_handles.h"
#include "omf/internal/error_flow.h"
#include "omf/omf_error_codes.h"

using namespace omf;
using namespace omf::media;

extern "C" {

omfErr_t omfmGetDecodeWarning(omfMediaHdl_t media, char* buffer, omfInt32 length, omfBool* found) {
    omfHdl_t file = nullptr;
    if (omfErr_t status = checkMedia(media, &file)) return status;
    if (buffer == nullptr || found == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    if (length < 1) OMF_RAISE(file, OM_ERR_BUFFER_TOO_SMALL);
    omfDecodeMessages_t answer{buffer, length, false};
    buffer[0] = '\0';
    const omfErr_t status = codecInfo(media, false, kMediaInfoDecodeMessages, media->pictureKind,
                                      omfInt32(sizeof answer), &answer);
    // A codec that keeps no decoder messages has none to tell.
    if (status == OM_ERR_INVALID_CODEC_OPERATION) {
        buffer[0] = '\0';
        *found = false;
        return 0;
    }
    OMF_CHECK(file, status);
    *found = answer.found;
    return 0;
}

} // extern "C"
