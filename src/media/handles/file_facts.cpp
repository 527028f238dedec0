// The toolkit's file facts codecs read (media/codec_support/file_facts.h).
#include "media/codec_support/file_facts.h"

#include "container/cm_api.h"
#include "omf/internal/access_support.h"
#include "omf/internal/records.h"

namespace omf::media {

omfFileRev_t fileRevision(omfHdl_t file) {
    return file->revision;
}

uint16_t fileByteOrder(omfHdl_t file) {
    return file->byteOrder;
}

bool isRawFile(omfHdl_t file) {
    return file->rawFile;
}

omfSessionHdl_t fileSession(omfHdl_t file) {
    return file->session;
}

omfObject_t filePictureKind(omfHdl_t file) {
    return file->pictureKind;
}

bool isOpenFilesPictureKind(omfSessionHdl_t session, omfObject_t kind) {
    if (kind == nullptr) return false;
    for (omfFileRec* file = session != nullptr ? session->files : nullptr; file != nullptr;
         file = file->next) {
        if (file->pictureKind == kind) return true;
    }
    return false;
}

omfInt64 valueFileOffset(omfHdl_t file, omfObject_t object, omfProperty_t property,
                         omfType_t type) {
    CMValue value = findValue(file, object, property, type);
    CMValueSegmentInfo segment{};
    if (value == nullptr || !CMGetValueSegment(value, 1, &segment) || segment.immediate) return 0;
    return static_cast<omfInt64>(segment.offset);
}

} // namespace omf::media
