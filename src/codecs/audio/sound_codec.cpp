// Describing the sound codecs and filling their operation tables.
#include "audio/sound_codec.h"

#include "audio/sound_operations.h"
#include "omf/omf_error_codes.h"
#include "omf/omf_error_flow.h"

#include <cstring>

namespace omf::codecs::audio {

namespace {

constexpr OperationEntry kSharedOperations[] = {
    {kCodecOpGetInfo, soundGetInfo},
    {kCodecOpPutInfo, soundPutInfo},
    {kCodecOpReadSamples, soundReadSamples},
    {kCodecOpWriteSamples, soundWriteSamples},
    {kCodecOpClose, soundClose},
    {kCodecOpSetFrame, soundSetFrame},
    {kCodecOpFrameOffset, soundFrameOffset},
};

omfErr_t describe(const SoundFormat& format, omfCodecParms_t* parms) {
    auto& request = parms->spc.describe;
    if (request.name != nullptr && request.nameLength > 0) {
        std::memset(request.name, 0, size_t(request.nameLength));
        std::strncpy(request.name, format.name, size_t(request.nameLength));
    }
    request.info.descriptorClass = format.descriptorClass;
    request.info.dataClass = format.dataClass;
    request.info.codecID = format.codecID;
    request.info.revision = kOmfCodecRevision;
    request.info.dataKind = kSoundKind;
    request.info.minFileRevision = kOmfRev1x;
    request.info.hasMaxFileRevision = false;
    request.info.maxFileRevision = 0;
    return 0;
}

omfErr_t fillTable(omfCodecParms_t* parms, std::span<const OperationEntry> bound,
                   std::span<const OperationEntry> extra) {
    omfCodecOperation_t* table = parms->spc.fillTable.table;
    if (table == nullptr || parms->spc.fillTable.count < kOmfCodecTableSize) {
        OMF_RAISE(nullptr, OM_ERR_INVALID_CODEC_OPERATION);
    }
    for (auto operations : {std::span<const OperationEntry>(kSharedOperations), bound, extra}) {
        for (const OperationEntry& entry : operations)
            table[entry.slot] = entry.operation;
    }
    return 0;
}

} // namespace

omfErr_t soundCodecEntry(const SoundFormat& format, std::span<const OperationEntry> bound,
                         std::span<const OperationEntry> extra, omfCodecRequest_t request,
                         omfCodecParms_t* parms) {
    if (parms == nullptr) return OM_ERR_NULL_PARAM;
    switch (request) {
    case kCodecInit:
        parms->persistent = nullptr;
        return 0;
    case kCodecDescribe:
        return describe(format, parms);
    case kCodecFillTable:
        return fillTable(parms, bound, extra);
    default:
        return OM_ERR_INVALID_CODEC_OPERATION;
    }
}

} // namespace omf::codecs::audio
