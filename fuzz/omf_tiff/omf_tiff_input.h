// The input of the TIFF harness and how it becomes an OMF file: a 2.x file
// with one TIFF file mob whose data object holds the input's TIFF image,
// written as any writer stores media data (the data object names the file
// mob and is listed in the HEAD's media data), so that the media calls
// find and open it.
//
// Input: byte 0 holds flags (bit 0: the descriptor carries FP16QTables,
// whose 384 bytes follow the two header bytes), byte 1 the descriptor's
// Length; the rest is the TIFF image.
#pragma once

#include "omf/omf_access.h"
#include "omf/omf_error_codes.h"
#include "omf/omf_media.h"
#include "omf/omf_mobs.h"
#include "omf/omf_registry.h"
#include "omf/omf_session.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz {

constexpr size_t kTiffHeaderBytes = 2;
constexpr uint8_t kWithFp16Tables = 1;
constexpr size_t kFp16TablesBytes = 3 * 64 * 2;

// Writes the OMF file at `path`; the file mob's ID goes to `fileMobID`.
inline omfErr_t writeTiffMediaFile(omfSessionHdl_t session, const std::string& path,
                                   const uint8_t* data, size_t size, omfMobID_t* fileMobID) {
    if (size < kTiffHeaderBytes) return OM_ERR_NULL_PARAM;
    const uint8_t flags = data[0];
    const omfInt64 length = data[1];
    data += kTiffHeaderBytes;
    size -= kTiffHeaderBytes;
    const uint8_t* tables = nullptr;
    if ((flags & kWithFp16Tables) != 0 && size >= kFp16TablesBytes) {
        tables = data;
        data += kFp16TablesBytes;
        size -= kFp16TablesBytes;
    }
    omfHdl_t file = nullptr;
    omfErr_t status = omfsNewFile(path.c_str(), session, kOmfRev2x, &file);
    if (status != 0) return status;
    omfObject_t fileMob = nullptr, descriptor = nullptr, image = nullptr, head = nullptr;
    status = omfmCreateFileMob(file, "fuzz", {25, 1}, "TIFF", &fileMob);
    if (status == 0) status = omfiReadMobID(file, fileMob, fileMobID);
    if (status == 0) status = omfiMobGetDescriptor(file, fileMob, &descriptor);
    if (status == 0) status = omfsWriteLength(file, descriptor, kOmfProperty_MDFL_Length, length);
    if (status == 0 && tables != nullptr) {
        omfProperty_t fp16 = 0;
        status = omfsRegisterProperty(session, "FP16QTables", "TIFD", kOmfType_DataValue,
                                      kOmfRevisionsBoth, &fp16);
        if (status == 0) {
            status = omfsWriteDataBytes(file, descriptor, fp16, kOmfType_DataValue, 0,
                                        omfInt32(kFp16TablesBytes), tables);
        }
    }
    if (status == 0) status = omfsObjectNew(file, "TIFF", &image);
    if (status == 0) status = omfsWriteUID(file, image, kOmfProperty_MDAT_MobID, *fileMobID);
    if (status == 0) {
        status = omfsWriteDataBytes(file, image, kOmfProperty_TIFF_ImageData, kOmfType_DataValue, 0,
                                    omfInt32(size), size > 0 ? data : data - 1);
    }
    if (status == 0) status = omfsGetHeadObject(file, &head);
    if (status == 0) {
        status = omfsAppendObjRefArray(file, head, kOmfProperty_HEAD_MediaData, image);
    }
    omfErr_t closed = omfsCloseOMFFile(file);
    return status != 0 ? status : closed;
}

} // namespace fuzz
