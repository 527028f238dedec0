// Describing the uncompressed picture codecs and filling their operation
// tables.
#include "video/picture_codec.h"

#include "video/codec_support.h"
#include "video/picture_close.h"
#include "video/picture_info.h"
#include "video/picture_transfer.h"

#include <cstring>

namespace omf::codecs::video {

namespace {

// Operations every picture codec takes from the shared picture code.
constexpr OperationEntry kSharedOperations[] = {
    {kCodecOpGetInfo, getPictureInfo},
    {kCodecOpPutInfo, putPictureInfo},
    {kCodecOpReadSamples, pictureReadSamples},
    {kCodecOpWriteSamples, pictureWriteSamples},
    {kCodecOpClose, pictureClose},
    {kCodecOpSetFrame, pictureSetFrame},
    {kCodecOpFrameOffset, pictureFrameOffset},
    {kCodecOpNumChannels, pictureChannels},
};

} // namespace

omfErr_t describePicture(omfCodecParms_t* parms, const char* name, const char* descriptorClass,
                         const char* dataClass, const char* codecID, omfInt32 minFileRevision,
                         omfUInt32 capabilities) {
    auto& request = parms->spc.describe;
    if (request.name != nullptr && request.nameLength > 0) {
        std::memset(request.name, 0, static_cast<size_t>(request.nameLength));
        std::strncpy(request.name, name, static_cast<size_t>(request.nameLength));
    }
    request.info.descriptorClass = descriptorClass;
    request.info.dataClass = dataClass;
    request.info.codecID = codecID;
    request.info.revision = kOmfCodecRevision;
    request.info.dataKind = kPictureKind;
    request.info.minFileRevision = minFileRevision;
    request.info.hasMaxFileRevision = false;
    request.info.maxFileRevision = 0;
    request.info.capabilities = capabilities;
    return 0;
}

omfErr_t fillPictureTable(omfCodecParms_t* parms, std::span<const OperationEntry> operations) {
    omfCodecOperation_t* table = parms->spc.fillTable.table;
    if (table == nullptr || parms->spc.fillTable.count < kOmfCodecTableSize) {
        OMF_RAISE(nullptr, OM_ERR_INVALID_CODEC_OPERATION);
    }
    for (const OperationEntry& entry : kSharedOperations)
        table[entry.slot] = entry.operation;
    for (const OperationEntry& entry : operations)
        table[entry.slot] = entry.operation;
    return 0;
}

} // namespace omf::codecs::video
