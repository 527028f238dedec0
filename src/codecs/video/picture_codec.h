// The entry function of an uncompressed picture codec, written once: a
// codec defines its name, classes, descriptor properties and own
// operations in one constant record, and its entry function hands every
// request to pictureCodecEntry. Init registers the properties into the
// codec's persistent data (a record of property codes, allocated with
// std::calloc and released by the registry with std::free); describe
// answers the picture data kind and "IDAT" data from 2.x files on; the
// operation table gets the operations the picture codecs share, then the
// codec's own.
#pragma once

#include "omf/omf_codec.h"
#include "omf/omf_error_codes.h"
#include "omf/omf_error_flow.h"
#include "omf/omf_registry.h"

#include <cstdlib>
#include <span>

namespace omf::codecs::video {

// One property a codec adds to the session's registry, and where its code
// goes in the codec's record of codes.
template <typename Codes> struct PropertyRegistration {
    const char* name;
    const char* classID;
    omfType_t type;
    omfRevisionSet_t revisions;
    omfProperty_t Codes::*code;
};

// One operation of a codec's table.
struct OperationEntry {
    omfCodecOperationIndex_t slot;
    omfCodecOperation_t operation;
};

template <typename Codes> struct PictureCodecDefinition {
    const char* name;
    const char* descriptorClass;
    const char* codecID;
    std::span<const PropertyRegistration<Codes>> properties;
    std::span<const OperationEntry> operations; // open, create, selectInfo and the codec's extras
    const char* dataClass = "IDAT";             // class of the objects holding the samples
    omfInt32 minFileRevision = kOmfRev2x;       // oldest file revision the codec writes and reads
    omfUInt32 capabilities = 0;                 // omfCodecCapability_t bits
};

// describe: the name (truncated to the caller's buffer), classes, ID, the
// oldest file revision and the capabilities.
omfErr_t describePicture(omfCodecParms_t* parms, const char* name, const char* descriptorClass,
                         const char* dataClass, const char* codecID, omfInt32 minFileRevision,
                         omfUInt32 capabilities);

// fillTable: the shared picture operations, then `operations`.
omfErr_t fillPictureTable(omfCodecParms_t* parms, std::span<const OperationEntry> operations);

template <typename Codes>
omfErr_t registerProperties(omfCodecParms_t* parms,
                            std::span<const PropertyRegistration<Codes>> properties) {
    auto* codes = static_cast<Codes*>(std::calloc(1, sizeof(Codes)));
    if (codes == nullptr) OMF_RAISE(nullptr, OM_ERR_NO_MEMORY);
    for (const PropertyRegistration<Codes>& property : properties) {
        omfErr_t status =
            omfsRegisterProperty(parms->spc.init.session, property.name, property.classID,
                                 property.type, property.revisions, &(codes->*property.code));
        if (status != 0) {
            std::free(codes);
            return omf::propagate(nullptr, status, __FILE__, __LINE__);
        }
    }
    parms->persistent = codes;
    return 0;
}

template <typename Codes>
omfErr_t pictureCodecEntry(const PictureCodecDefinition<Codes>& codec, omfCodecRequest_t request,
                           omfCodecParms_t* parms) {
    if (parms == nullptr) return OM_ERR_NULL_PARAM;
    switch (request) {
    case kCodecInit:
        return registerProperties(parms, codec.properties);
    case kCodecDescribe:
        return describePicture(parms, codec.name, codec.descriptorClass, codec.dataClass,
                               codec.codecID, codec.minFileRevision, codec.capabilities);
    case kCodecFillTable:
        return fillPictureTable(parms, codec.operations);
    default:
        return OM_ERR_INVALID_CODEC_OPERATION;
    }
}

} // namespace omf::codecs::video
