// The media calls: creating, opening, reading, writing and closing the
// sample data of file mobs, and the codec registry of a session.
//
// Every call checks its file (OM_ERR_BAD_FILE_HANDLE) or media handle
// (OM_ERR_BAD_MEDIA_HANDLE) and that omfmInit ran on the session
// (OM_ERR_OMFM_INIT_NOT_CALLED).
#pragma once

#include "omf/omf_codec.h"
#include "omf/omf_error_codes.h"
#include "omf/omf_media_types.h"
#include "omf/omf_resolve.h"

extern "C" {

// Media-layer initialisation of a session: the built-in JPEG tables, the
// codec tables, the built-in codecs (AIFC, WAVE, TIFF, RGBA, CDCI, JPEG as
// they are available), and the hooks that close media with their files and
// free codec data at session end.
omfErr_t omfmInit(omfSessionHdl_t session);

// The file a locator names could not be found: the callback may answer an
// open file holding the descriptor's media (or null).
typedef omfHdl_t (*omfLocateFailureProc_t)(omfHdl_t file, omfObject_t descriptor);
omfErr_t omfmSetLocateFailureCallback(omfSessionHdl_t session, omfLocateFailureProc_t proc);

// Codec registry.
omfErr_t omfmLookupCodec(omfSessionHdl_t session, const char* codecID, omfCodecDef_t* definition);
omfErr_t omfmGetCodecDescription(omfSessionHdl_t session, const omfCodecDef_t* definition,
                                 const char* variety, char* nameBuffer, omfInt32 nameLength);
// The capability bits (omfCodecCapability_t) the codec registered as `codecID` describes itself
// with; OM_ERR_INVALID_CODEC for an ID no codec is registered under. As in a file mob's codec
// ID, a variety may follow the ID after ':' ("TIFF:Uncompressed"): the codec then describes
// that variety (OM_ERR_BAD_CODEC_VARIETY when it has no such variety).
omfErr_t omfmGetCodecCapabilities(omfSessionHdl_t session, const char* codecID,
                                  omfUInt32* capabilities);
omfErr_t omfmCountCodecs(omfSessionHdl_t session, const char* dataKindPattern,
                         omfFileRev_t fileRevision, omfInt32* count);
omfErr_t omfmNthCodecID(omfSessionHdl_t session, const char* dataKindPattern,
                        omfFileRev_t fileRevision, omfInt32 index, char* idBuffer,
                        omfInt32 idLength, char* nameBuffer, omfInt32 nameLength);
omfErr_t omfmCountCodecVarieties(omfSessionHdl_t session, const char* codecID,
                                 omfObject_t mediaKind, omfInt32* count);
omfErr_t omfmNthCodecVariety(omfSessionHdl_t session, const char* codecID, omfObject_t mediaKind,
                             omfInt32 index, char* buffer, omfInt32 length);
// The codec chosen for a descriptor: by its class, among the codecs whose
// selectInfo says they handle it.
omfErr_t omfmChooseCodec(omfHdl_t file, omfObject_t descriptor, omfCodecDef_t* definition);
omfErr_t omfmCodecNumChannels(omfHdl_t file, omfObject_t fileMob, omfObject_t mediaKind,
                              omfInt16* count);

// Mobs for new media.
omfErr_t omfmCreateMasterMob(omfHdl_t file, const char* name, omfInt32 nameLength,
                             omfObject_t* masterMob);
omfErr_t omfmCreateFileMob(omfHdl_t file, const char* name, omfRational_t sampleRate,
                           const char* codecID, omfObject_t* fileMob);

// The codec new media of a raw file (omfsOpenRawFile) is written with;
// OM_ERR_INVALID_FILE_TYPE for an OMF file.
omfErr_t omfmSetRawFileCodec(omfHdl_t file, const char* codecID);

// Creating and opening media.
omfErr_t omfmCreateMedia(omfHdl_t file, omfObject_t masterMob, omfTrackID_t trackID,
                         omfObject_t fileMob, omfObject_t mediaKind, omfRational_t sampleRate,
                         omfUInt32 rawTransfer, omfMediaHdl_t* media);
omfErr_t omfmCreateVideoMedia(omfHdl_t file, omfObject_t masterMob, omfTrackID_t trackID,
                              omfObject_t fileMob, omfUInt32 rawTransfer, omfRational_t editRate,
                              omfInt32 storedHeight, omfInt32 storedWidth,
                              omfFrameLayout_t frameLayout, omfRational_t aspectRatio,
                              omfMediaHdl_t* media);
omfErr_t omfmOpenMedia(omfHdl_t file, omfObject_t masterMob, omfTrackID_t trackID,
                       const omfMediaCriteria_t* criteria, omfMediaOpenMode_t openMode,
                       omfUInt32 rawTransfer, omfMediaHdl_t* media);
omfErr_t omfmOpenFileMobMedia(omfHdl_t file, omfObject_t fileMob, omfTrackID_t firstTrackID,
                              omfMediaOpenMode_t openMode, omfObject_t mediaKind,
                              omfInt16 readChannel, omfUInt32 rawTransfer, omfMediaHdl_t* media);
omfErr_t omfmCountChannels(omfHdl_t file, omfObject_t masterMob, omfTrackID_t trackID,
                           const omfMediaCriteria_t* criteria, omfObject_t mediaKind,
                           omfInt16* count);
omfErr_t omfmCloseMedia(omfMediaHdl_t media);
// The ID of the codec the handle works through ("CDCI", "MSM TARGA DVC Codec"...), copied
// with its terminating zero into `codecID`, the rest of the buffer zeroed; 88 when it does not fit.
omfErr_t omfmGetCodecID(omfMediaHdl_t media, omfInt32 bufferSize, char* codecID);

// Positioning and transfers.
omfErr_t omfmCountSamples(omfMediaHdl_t media, omfInt64* count);
omfErr_t omfmSeekFrame(omfMediaHdl_t media, omfInt64 frame);
omfErr_t omfmSetFrame(omfMediaHdl_t media, omfInt64 frame);
omfErr_t omfmReadChannelSamples(omfMediaHdl_t media, omfInt32 count, omfInt32 bufferSize,
                                void* buffer, omfInt32* bytesRead);
omfErr_t omfmReadMediaSamples(omfMediaHdl_t media, omfInt32 count, omfInt32 bufferSize,
                              void* buffer, omfInt32* samplesRead, omfInt32* bytesRead);
omfErr_t omfmReadMultiSamples(omfMediaHdl_t media, omfInt32 count, omfmMultiXfer_t* transfers);
omfErr_t omfmWriteMediaSamples(omfMediaHdl_t media, omfInt32 count, const void* buffer,
                               omfInt32 bufferSize);
omfErr_t omfmWriteMultiSamples(omfMediaHdl_t media, omfInt32 count, omfmMultiXfer_t* transfers);
// Lines in the stored format (uncompressed video only).
omfErr_t omfmReadDataLines(omfMediaHdl_t media, omfInt32 lineCount, omfInt32 bufferSize,
                           void* buffer, omfInt32* bytesRead);
omfErr_t omfmWriteDataLines(omfMediaHdl_t media, omfInt32 lineCount, omfInt32 bufferSize,
                            const void* buffer, omfInt32* bytesWritten);

// Formats and video information.
omfErr_t omfmGetVideoFormat(omfMediaHdl_t media, omfFrameLayout_t* frameLayout, omfInt32* width,
                            omfInt32* height, omfRational_t* sampleRate, omfInt16* pixelSize,
                            omfPixelFormat_t* pixelFormat);
omfErr_t omfmGetSampledArea(omfMediaHdl_t media, omfInt32* xOffset, omfInt32* yOffset,
                            omfInt32* width, omfInt32* height);
omfErr_t omfmGetDisplayArea(omfMediaHdl_t media, omfInt32* xOffset, omfInt32* yOffset,
                            omfInt32* width, omfInt32* height);
omfErr_t omfmSetMemoryFormat(omfMediaHdl_t media, const omfFormatEntry_t* list);
omfErr_t omfmSetFileFormat(omfMediaHdl_t media, const omfFormatEntry_t* list);
omfErr_t omfmGetFieldOrder(omfMediaHdl_t media, omfInt32* fieldOrder);
omfErr_t omfmPutLineMap(omfMediaHdl_t media, omfInt16 firstLine, omfInt32 fieldOrder);
// 1 for 29.97 frames per second, 2 for 25, else 0.
omfErr_t omfmGetSignalStandard(omfMediaHdl_t media, omfInt32* signalType);
omfErr_t omfmPutJPEGTables(omfMediaHdl_t media, omfInt32 size, void* tables);
omfErr_t omfmSetCodecParameters(omfMediaHdl_t media, omfInt32 size, void* parameters);
omfErr_t omfmGetDataSize(omfMediaHdl_t media, omfInt64* size);
omfErr_t omfmGetLargestSampleSize(omfMediaHdl_t media, omfObject_t mediaKind, omfInt32* size);
// What the decoder said while the last read of `media` decompressed its frames: libjpeg's
// warnings ("Premature EOF in JPEG file", "Corrupt JPEG data: ...") of a frame that still
// decoded, or the text behind a failed read. Joined by "; " into `buffer` (cut to fit `length`,
// always zero-terminated); `found` tells whether there was any. Reset at each read. Codecs that
// keep no decoder messages (uncompressed media, sound) answer found false.
omfErr_t omfmGetDecodeWarning(omfMediaHdl_t media, char* buffer, omfInt32 length, omfBool* found);
// The code under which readers report a frame that decoded, but with decoder messages.
constexpr omfErr_t kOmfDecodeWarningError = OM_ERR_JPEG_UNSPECIFIED;
// getInfo and putInfo of the handle's codec, for the codec-specific selectors.
omfErr_t omfmGetInfo(omfMediaHdl_t media, omfMediaInfoSelector_t selector, omfObject_t mediaKind,
                     omfInt32 size, void* buffer);
omfErr_t omfmPutInfo(omfMediaHdl_t media, omfMediaInfoSelector_t selector, omfObject_t mediaKind,
                     omfInt32 size, void* buffer);

// Locators and media groups.
// The locator's kind ("MACL", "DOSL", "UNXL", "TXTL", "NETL", "WINL") and
// path, copied into `path` up to `bufferSize` bytes with the rest zeroed.
omfErr_t omfmReadLocator(omfHdl_t file, omfObject_t locator, char type[4], omfInt32 bufferSize,
                         char* path);
omfErr_t omfmChooseRepresentation(omfHdl_t file, omfObject_t mob, omfTrackID_t trackID,
                                  const omfMediaCriteria_t* criteria, omfObject_t* chosenClip);
// Whether `file` itself holds the samples of `fileMob` (a data object under its MobID), as
// media opens look first; false for media that only locators or the locate-failure callback
// can find. Nothing is opened.
omfErr_t omfmIsMediaDataInFile(omfHdl_t file, omfObject_t fileMob, omfBool* inFile);

} // extern "C"
