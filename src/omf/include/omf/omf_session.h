// Toolkit sessions and OMF files.
#pragma once

#include "container/cm_types.h"
#include "omf/omf_types.h"

extern "C" {

// Starts a session; `identification` (may be null) is copied and written into
// every file the session creates. Any failure is OM_ERR_SESSION_OPEN.
omfErr_t omfsStartSession(const omfProductIdentification_t* identification,
                          omfSessionHdl_t* session);
// Closes every open file and ends the session.
omfErr_t omfsFinishSession(omfSessionHdl_t session);

omfErr_t omfsOpenFileForRead(const char* fileName, omfSessionHdl_t session, omfHdl_t* file);
omfErr_t omfsNewFile(const char* fileName, omfSessionHdl_t session, omfFileRev_t revision,
                     omfHdl_t* file);
omfErr_t omfsCloseOMFFile(omfHdl_t file);
omfErr_t omfsFileRevision(omfHdl_t file, omfFileRev_t* revision);
omfErr_t omfsFileByteOrder(omfHdl_t file, omfInt16* byteOrder);
omfErr_t omfsGetHeadObject(omfHdl_t file, omfObject_t* head);
// The session a file was opened in, so that a callback given only the file can open
// another file beside it (the data of external media).
omfErr_t omfsGetSession(omfHdl_t file, omfSessionHdl_t* session);
// The container that holds the file (null for raw files), for inspection.
omfErr_t omfsGetContainer(omfHdl_t file, CMContainer* container);
// A file record without a container, for an external media file.
omfErr_t omfsOpenRawFile(const char* fileName, omfSessionHdl_t session, omfHdl_t* file);

// Creates an object of the file with its class written (ObjID in 1.x files,
// ObjClass in 2.x files).
omfErr_t omfsObjectNew(omfHdl_t file, const char* classID, omfObject_t* object);

// Data kinds. In 2.x files a data kind is the DDEF object whose DataKindID is
// the full name ("omfi:data:" is added when missing); in 1.x files it is a
// fixed token (1 picture, 2 sound, 3 timecode, 4 edgecode) carried in the
// handle's value.
// The full names of the data kinds of media and of the 1.x tokens.
inline constexpr char kOmfDataKindPicture[] = "omfi:data:Picture";
inline constexpr char kOmfDataKindSound[] = "omfi:data:Sound";
inline constexpr char kOmfDataKindTimecode[] = "omfi:data:Timecode";
inline constexpr char kOmfDataKindEdgecode[] = "omfi:data:Edgecode";
omfErr_t omfsDefineDataKind(omfHdl_t file, const char* name, omfObject_t* dataKind);
omfBool omfsFindDataKind(omfHdl_t file, const char* name, omfObject_t* dataKind, omfErr_t* error);

// Hooks of the media layer: run after a file has been opened, and when the
// session finishes.
omfErr_t omfsSetMediaHooks(omfSessionHdl_t session, omfErr_t (*openHook)(omfHdl_t),
                           omfErr_t (*finishHook)(omfSessionHdl_t));

} // extern "C"
