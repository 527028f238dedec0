// The media handle as a codec sees it: the record behind omfMediaHdl_t that every codec
// operation receives. A codec reads the handle's objects, channels, open mode and variety,
// reads and writes its samples through `stream`, and keeps its own per-handle state in
// `codecState`; the media layer creates, checks and links the handle.
#pragma once

#include "container/cm_types.h"
#include "media/codec_support/codec_stream.h"
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
