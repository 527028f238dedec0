// What codecs read of the toolkit's files beyond the public calls, for the files the media
// layer hands their operations (the handle's file and data file, which are valid handles).
#pragma once

#include "omf/omf_types.h"

namespace omf::media {

// The file's revision (kOmfRev1x, kOmfRevIMA, kOmfRev2x).
omfFileRev_t fileRevision(omfHdl_t file);
// The byte order of the file's numbers, kOmfLittleEndian or kOmfBigEndian.
uint16_t fileByteOrder(omfHdl_t file);
// Whether the file is a raw media file (omfsOpenRawFile), a file without container or objects.
bool isRawFile(omfHdl_t file);
// The session the file was opened in.
omfSessionHdl_t fileSession(omfHdl_t file);

// The file's picture data kind, found when it was opened (null when it has none).
omfObject_t filePictureKind(omfHdl_t file);
// Whether `kind` (not null) is the picture data kind of a file open in `session`.
bool isOpenFilesPictureKind(omfSessionHdl_t session, omfObject_t kind);

// Where the first byte of the value (object, property, type) lies in the file: its offset in
// the container's stream, found as the property accessors find the value (by the type the
// file's revision stores); 0 when the value is absent, kept in the TOC, or unknown.
omfInt64 valueFileOffset(omfHdl_t file, omfObject_t object, omfProperty_t property, omfType_t type);

} // namespace omf::media
