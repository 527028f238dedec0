// The input of the JPEG harness and how it becomes an OMF file: a 2.x file
// with one file mob of JPEG media, whose frames, frame index and (for Avid
// JPEG media) table stream all come from the input, written as any writer
// stores media data so that the media calls find and open it.
//
// Input: byte 0 flags (bit 0: Avid JPEG media, "JPED" with a table stream
// and an index data value; else JPEG media with a FrameIndex array; bit 1:
// 4:4:4 instead of 4:2:2), bytes 1-2 the stored width and height (8 to
// 135), byte 3 the frame layout (1 to 4), byte 4 the number of 32-bit index
// entries that follow the table stream, bytes 5-6 the table stream's length
// (big-endian); then the table stream, the index entries, and the image
// data.
#pragma once

#include "omf/omf_access.h"
#include "omf/omf_avid_codecs.h"
#include "omf/omf_media.h"
#include "omf/omf_mobs.h"
#include "omf/omf_registry.h"
#include "omf/omf_session.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fuzz {

constexpr size_t kJpegHeaderBytes = 7;
constexpr uint8_t kAvidJpegMedia = 1;
constexpr uint8_t kFullChroma = 2;

struct JpegMediaInput {
    bool avid = false;
    omfInt32 width = 0, height = 0, layout = 1, subsampling = 2;
    std::vector<uint8_t> tables;
    std::vector<omfInt32> index;
    std::vector<uint8_t> image;
};

inline bool splitJpegInput(const uint8_t* data, size_t size, JpegMediaInput& input) {
    if (size < kJpegHeaderBytes) return false;
    input.avid = (data[0] & kAvidJpegMedia) != 0;
    input.subsampling = (data[0] & kFullChroma) != 0 ? 1 : 2;
    input.width = 8 + data[1] % 128;
    input.height = 8 + data[2] % 128;
    input.layout = 1 + data[3] % 4;
    size_t entries = data[4];
    size_t tableBytes = size_t(data[5]) << 8 | data[6];
    data += kJpegHeaderBytes;
    size -= kJpegHeaderBytes;
    if (tableBytes > size) tableBytes = size;
    input.tables.assign(data, data + tableBytes);
    data += tableBytes;
    size -= tableBytes;
    for (size_t i = 0; i < entries && size >= 4; ++i, data += 4, size -= 4) {
        input.index.push_back(omfInt32(uint32_t(data[0]) | uint32_t(data[1]) << 8 |
                                       uint32_t(data[2]) << 16 | uint32_t(data[3]) << 24));
    }
    input.image.assign(data, data + size);
    return true;
}

// Registers the Avid codecs the media may need.
inline omfErr_t prepareJpegSession(omfSessionHdl_t session) {
    omfErr_t status = omfmInit(session);
    if (status == 0) status = omfmAddCodec(session, omfCodecAvidJPEG);
    return status;
}

// Writes the OMF file at `path`.
inline omfErr_t writeJpegMediaFile(omfSessionHdl_t session, const std::string& path,
                                   const JpegMediaInput& input) {
    omfHdl_t file = nullptr;
    omfErr_t status = omfsNewFile(path.c_str(), session, kOmfRev2x, &file);
    if (status != 0) return status;
    omfObject_t fileMob = nullptr, descriptor = nullptr, data = nullptr, head = nullptr;
    omfMobID_t mobID{};
    omfProperty_t componentWidth = 0, subsampling = 0, tables = 0, index = 0;
    const char* codec = input.avid ? "MSM JPEG Codec" : "JPEG";
    status = omfmCreateFileMob(file, "fuzz", {25, 1}, codec, &fileMob);
    if (status == 0) status = omfiReadMobID(file, fileMob, &mobID);
    if (status == 0) status = omfiMobGetDescriptor(file, fileMob, &descriptor);
    if (status == 0) status = omfsWriteLength(file, descriptor, kOmfProperty_MDFL_Length, 4);
    if (status == 0)
        status = omfsWriteInt32(file, descriptor, kOmfProperty_DIDD_StoredWidth, input.width);
    if (status == 0)
        status = omfsWriteInt32(file, descriptor, kOmfProperty_DIDD_StoredHeight, input.height);
    if (status == 0) {
        status = omfsWriteEnum(file, descriptor, kOmfProperty_DIDD_FrameLayout, kOmfType_LayoutType,
                               input.layout);
    }
    if (status == 0) {
        status = omfsWriteRational(file, descriptor, kOmfProperty_DIDD_ImageAspectRatio, {4, 3});
    }
    if (status == 0) {
        status = omfsWriteString(file, descriptor, kOmfProperty_DIDD_Compression,
                                 input.avid ? "AJPG" : "JPEG");
    }
    if (status == 0) {
        status = omfsRegisterProperty(session, "ComponentWidth", "CDCI", kOmfType_Int32,
                                      kOmfRevisionsBoth, &componentWidth);
    }
    if (status == 0) {
        status = omfsRegisterProperty(session, "HorizontalSubsampling", "CDCI", kOmfType_UInt32,
                                      kOmfRevisionsBoth, &subsampling);
    }
    if (status == 0) status = omfsWriteInt32(file, descriptor, componentWidth, 8);
    if (status == 0)
        status = omfsWriteUInt32(file, descriptor, subsampling, omfUInt32(input.subsampling));
    if (status == 0 && input.avid && !input.tables.empty()) {
        status = omfsRegisterProperty(session, "QntznTbl", "JPED", kOmfType_DataValue,
                                      kOmfRevisions2x, &tables);
        if (status == 0) {
            status = omfsWriteDataBytes(file, descriptor, tables, kOmfType_DataValue, 0,
                                        omfInt32(input.tables.size()), input.tables.data());
        }
    }
    if (status == 0) status = omfsObjectNew(file, "JPEG", &data);
    if (status == 0) status = omfsWriteUID(file, data, kOmfProperty_MDAT_MobID, mobID);
    if (status == 0) {
        const uint8_t none = 0;
        status = omfsWriteDataBytes(file, data, kOmfProperty_IDAT_ImageData, kOmfType_DataValue, 0,
                                    omfInt32(input.image.size()),
                                    input.image.empty() ? &none : input.image.data());
    }
    if (status == 0 && !input.index.empty()) {
        if (input.avid) {
            status = omfsRegisterProperty(session, "FrameIndex", "JPEG", kOmfType_DataValue,
                                          kOmfRevisions2x, &index);
            if (status == 0) {
                status = omfsWriteDataBytes(file, data, index, kOmfType_DataValue, 0,
                                            omfInt32(input.index.size() * 4), input.index.data());
            }
        } else {
            status = omfsRegisterProperty(session, "FrameIndex", "JPEG", kOmfType_Position32Array,
                                          kOmfRevisions2x, &index);
            const uint16_t count = uint16_t(input.index.size());
            if (status == 0) {
                status =
                    omfsWriteValueBytes(file, data, index, 0, kOmfType_Position32Array, 2, &count);
            }
            for (size_t i = 0; status == 0 && i < input.index.size(); ++i) {
                status = omfsWriteValueBytes(file, data, index, omfInt64(2 + 4 * i),
                                             kOmfType_Position32Array, 4, &input.index[i]);
            }
        }
    }
    if (status == 0) status = omfsGetHeadObject(file, &head);
    if (status == 0) status = omfsAppendObjRefArray(file, head, kOmfProperty_HEAD_MediaData, data);
    omfErr_t closed = omfsCloseOMFFile(file);
    return status != 0 ? status : closed;
}

} // namespace fuzz
