// Operations and checks the uncompressed video codecs share: the channel
// count of picture media, the single channel-1 transfer of frame reads and
// writes, the largest-sample and data-size answers, and the tests a handle
// passes before positioning.
#pragma once

#include "media/codec_support/format_list.h"
#include "media/codec_support/media_handle.h"
#include "omf/omf_codec.h"
#include "omf/omf_session.h"

#include <cstdint>

namespace omf::codecs::video {

inline constexpr const char* kPictureKind = kOmfDataKindPicture;

// The picture data kind of 1.x files, which is a fixed token rather than an
// object (see omfsFindDataKind); callers without an open file can name it.
inline const omfObject_t kPictureToken1x = reinterpret_cast<omfObject_t>(intptr_t{1});

// Whether `kind` is the picture kind: the 1.x token, or the picture kind of
// a file open in the session. The variety operations answer for it only.
bool isPictureKind(omfSessionHdl_t session, omfObject_t kind);

// numChannels: one channel of pictures, none of any other kind.
omfErr_t pictureChannels(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);

// The one transfer, on channel 1, that frame transfers accept
// (OM_ERR_CODEC_CHANNEL_OUT_OF_RANGE otherwise).
omfErr_t singleTransfer(omfHdl_t file, omfCodecParms_t* parms, omfmMultiXfer_t** transfer);

// Whether the handle has media data to position in: a data object, or a
// raw data file.
bool hasMediaData(omfHdl_t file, omfMediaHdl_t media);

// Whether the memory format names a frame layout other than `storedLayout`.
bool memoryLayoutDiffers(const media::FormatList& memoryFormat, omfInt32 storedLayout);

// getInfo answers: the largest sample (an omfMaxSampleSize_t whose media
// kind must be the handle's), and the size of the media data (omfInt64).
omfErr_t answerLargestSample(omfHdl_t file, omfMediaHdl_t media, omfInt64 frameSize, omfInt32 size,
                             void* buffer);
omfErr_t answerDataSize(omfHdl_t file, omfMediaHdl_t media, omfInt32 size, void* buffer);

// Accepts one memory-format entry (pixel format, layout, field order,
// stored rectangle, aspect, line stride, component letters and sizes) into
// `memoryFormat`; OM_ERR_ILLEGAL_MEMORY_FORMAT for other codes.
omfErr_t putMemoryEntry(omfHdl_t file, media::FormatList& memoryFormat,
                        const omfFormatEntry_t& entry);

} // namespace omf::codecs::video
