// The records behind media handles and registered codecs.
#pragma once

#include "container/cm_types.h"
#include "internal/codec_stream.h"
#include "internal/records.h"
#include "omf/omf_codec.h"
#include "omf/omf_media.h"

#include <optional>
#include <string>
#include <vector>

namespace omf::media {

constexpr uint32_t kMediaTag = 0x4D444941; // "MDIA"

// One channel of a media handle.
struct MediaChannel {
    omfObject_t mediaKind = nullptr;
    omfInt32 trackID = 0;
    omfInt16 channelNumber = 0; // from 1
    omfRational_t sampleRate{0, 1};
    omfInt64 sampleCount = 0;
};

} // namespace omf::media

// A media handle: the open state of one file mob's samples.
struct omfMediaRec {
    uint32_t tag = omf::media::kMediaTag;
    omfObject_t masterMob = nullptr; // null when opened on a file mob alone
    omfTrackID_t trackID = 0;        // master-mob track of the first channel
    omfObject_t fileMob = nullptr;
    omfObject_t descriptor = nullptr;
    omfObject_t dataObject = nullptr;
    CMContainer dataContainer = nullptr;
    void* codecState = nullptr; // the codec's private per-handle state, owned by the codec
    std::vector<omf::media::MediaChannel> channels;
    omfInt16 readChannel = 1;
    std::optional<std::string> codecVariety; // the part of KitCodecID after ":"
    omfUInt32 rawTransfer = 0; // non-zero: stored samples pass unchanged
    omfHdl_t dataFile = nullptr; // the handle's file unless found through a locator
    omfHdl_t file = nullptr;
    omfMediaOpenMode_t openMode = kMediaNotOpen;
    omfObject_t nullKind = nullptr, pictureKind = nullptr, soundKind = nullptr;
    omf::media::CodecStream stream;
    omfCodecDef_t codec{}; // private copy of the codec's definition
    omfInt64 repeatCount = 1; // 2 or more: a still frame repeated
};

namespace omf::media {

// The handle behind `media` when its tag is valid, else null.
inline omfMediaRec* validMedia(omfMediaHdl_t media) {
    return media != nullptr && media->tag == kMediaTag ? media : nullptr;
}

// Runs operation `index` of the handle's codec copy after the common checks
// (handle, file, codec revision), with the persistent data and file
// revision filled in.
omfErr_t callCodec(omfMediaHdl_t media, omfCodecOperationIndex_t index, omfCodecParms_t& parms);

} // namespace omf::media
