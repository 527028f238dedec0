// Reading and writing OMF object data: value-level routines that move bytes
// between a caller's buffer and the container value of a (property, type),
// converting byte order, and the typed accessors built on them.
#pragma once

#include "omf/omf_types.h"

extern "C" {

// ---- value level ----
// `expectedFlag` is the type's registered flag: 0 numeric (swapped), 1 bytes.
omfErr_t omfsReadValueBytes(omfHdl_t file, omfObject_t object, omfProperty_t property,
                            omfInt64 offset, omfInt32 expectedFlag, omfType_t type,
                            omfInt32 size, void* buffer);
omfErr_t omfsWriteValueBytes(omfHdl_t file, omfObject_t object, omfProperty_t property,
                             omfInt64 offset, omfType_t type, omfInt32 size, const void* data);
omfErr_t omfsValueLength(omfHdl_t file, omfObject_t object, omfProperty_t property,
                         omfType_t type, omfInt64* length);
omfBool omfsPropertyPresent(omfHdl_t file, omfObject_t object, omfProperty_t property,
                            omfType_t type);

// Arrays: a 2-byte element count followed by fixed-size elements, counted from 1.
omfErr_t omfsArrayCount(omfHdl_t file, omfObject_t object, omfProperty_t property,
                        omfType_t type, omfInt32 elementSize, omfInt32* count);
omfErr_t omfsArrayElementOffset(omfHdl_t file, omfObject_t object, omfProperty_t property,
                                omfInt32 index, omfType_t type, omfInt32 elementSize,
                                omfInt64* offset);
omfErr_t omfsArrayDelete(omfHdl_t file, omfObject_t object, omfProperty_t property,
                         omfType_t type, omfInt32 elementSize, omfInt32 index);

// Object references: a key stored in the value, resolved by the container.
omfErr_t omfsReadObjRefKey(omfHdl_t file, omfObject_t object, omfProperty_t property,
                           omfType_t type, const unsigned char key[4], omfObject_t* target);
omfErr_t omfsMakeObjRef(omfHdl_t file, omfObject_t object, omfProperty_t property,
                        omfType_t type, omfObject_t target, unsigned char key[4]);

// The object's class: ObjID in 1.x files, ObjClass in 2.x files.
omfErr_t omfsReadClassOf(omfHdl_t file, omfObject_t object, omfClassID_t classID);

// ---- typed accessors ----
omfErr_t omfsReadString(omfHdl_t file, omfObject_t object, omfProperty_t property, char* text,
                        omfInt32 capacity);
omfErr_t omfsWriteString(omfHdl_t file, omfObject_t object, omfProperty_t property,
                         const char* text);
omfErr_t omfsReadUniqueName(omfHdl_t file, omfObject_t object, omfProperty_t property,
                            char* text, omfInt32 capacity);
omfErr_t omfsWriteUniqueName(omfHdl_t file, omfObject_t object, omfProperty_t property,
                             const char* text);
omfErr_t omfsReadBoolean(omfHdl_t file, omfObject_t object, omfProperty_t property,
                         omfBool* value);
omfErr_t omfsWriteBoolean(omfHdl_t file, omfObject_t object, omfProperty_t property,
                          omfBool value);
omfErr_t omfsReadInt8(omfHdl_t file, omfObject_t object, omfProperty_t property, omfInt8* value);
omfErr_t omfsWriteInt8(omfHdl_t file, omfObject_t object, omfProperty_t property, omfInt8 value);
omfErr_t omfsReadUInt8(omfHdl_t file, omfObject_t object, omfProperty_t property,
                       omfUInt8* value);
omfErr_t omfsWriteUInt8(omfHdl_t file, omfObject_t object, omfProperty_t property,
                        omfUInt8 value);
omfErr_t omfsReadInt16(omfHdl_t file, omfObject_t object, omfProperty_t property,
                       omfInt16* value);
omfErr_t omfsWriteInt16(omfHdl_t file, omfObject_t object, omfProperty_t property,
                        omfInt16 value);
omfErr_t omfsReadUInt16(omfHdl_t file, omfObject_t object, omfProperty_t property,
                        omfUInt16* value);
omfErr_t omfsWriteUInt16(omfHdl_t file, omfObject_t object, omfProperty_t property,
                         omfUInt16 value);
omfErr_t omfsReadInt32(omfHdl_t file, omfObject_t object, omfProperty_t property,
                       omfInt32* value);
omfErr_t omfsWriteInt32(omfHdl_t file, omfObject_t object, omfProperty_t property,
                        omfInt32 value);
omfErr_t omfsReadUInt32(omfHdl_t file, omfObject_t object, omfProperty_t property,
                        omfUInt32* value);
omfErr_t omfsWriteUInt32(omfHdl_t file, omfObject_t object, omfProperty_t property,
                         omfUInt32 value);
omfErr_t omfsReadInt64(omfHdl_t file, omfObject_t object, omfProperty_t property,
                       omfInt64* value);
omfErr_t omfsWriteInt64(omfHdl_t file, omfObject_t object, omfProperty_t property,
                        omfInt64 value);
// Positions and lengths: Position32/Length32 or Position64/Length64 in 2.x
// files (whichever the value holds), Long in 1.x files.
omfErr_t omfsReadPosition(omfHdl_t file, omfObject_t object, omfProperty_t property,
                          omfInt64* value);
omfErr_t omfsWritePosition(omfHdl_t file, omfObject_t object, omfProperty_t property,
                           omfInt64 value);
omfErr_t omfsReadLength(omfHdl_t file, omfObject_t object, omfProperty_t property,
                        omfInt64* value);
omfErr_t omfsWriteLength(omfHdl_t file, omfObject_t object, omfProperty_t property,
                         omfInt64 value);
omfErr_t omfsReadRational(omfHdl_t file, omfObject_t object, omfProperty_t property,
                          omfRational_t* value);
omfErr_t omfsWriteRational(omfHdl_t file, omfObject_t object, omfProperty_t property,
                           omfRational_t value);
omfErr_t omfsReadTimeStamp(omfHdl_t file, omfObject_t object, omfProperty_t property,
                           omfTimeStamp_t* value);
omfErr_t omfsWriteTimeStamp(omfHdl_t file, omfObject_t object, omfProperty_t property,
                            omfTimeStamp_t value);
omfErr_t omfsReadUID(omfHdl_t file, omfObject_t object, omfProperty_t property,
                     omfUID_t* value);
omfErr_t omfsWriteUID(omfHdl_t file, omfObject_t object, omfProperty_t property,
                      omfUID_t value);
omfErr_t omfsReadVersionType(omfHdl_t file, omfObject_t object, omfProperty_t property,
                             omfVersionType_t* value);
omfErr_t omfsWriteVersionType(omfHdl_t file, omfObject_t object, omfProperty_t property,
                              omfVersionType_t value);
omfErr_t omfsReadProductVersion(omfHdl_t file, omfObject_t object, omfProperty_t property,
                                omfProductVersion_t* value);
omfErr_t omfsWriteProductVersion(omfHdl_t file, omfObject_t object, omfProperty_t property,
                                 omfProductVersion_t value);
omfErr_t omfsReadClassID(omfHdl_t file, omfObject_t object, omfProperty_t property,
                         omfClassID_t value);
omfErr_t omfsWriteClassID(omfHdl_t file, omfObject_t object, omfProperty_t property,
                          const omfClassID_t value);
omfErr_t omfsReadObjectTag(omfHdl_t file, omfObject_t object, omfProperty_t property,
                           omfClassID_t value);
omfErr_t omfsWriteObjectTag(omfHdl_t file, omfObject_t object, omfProperty_t property,
                            const omfClassID_t value);
omfErr_t omfsReadObjRef(omfHdl_t file, omfObject_t object, omfProperty_t property,
                        omfObject_t* target);
omfErr_t omfsWriteObjRef(omfHdl_t file, omfObject_t object, omfProperty_t property,
                         omfObject_t target);
omfInt32 omfsLengthObjRefArray(omfHdl_t file, omfObject_t object, omfProperty_t property);
omfErr_t omfsGetNthObjRefArray(omfHdl_t file, omfObject_t object, omfProperty_t property,
                               omfObject_t* target, omfInt32 index);
omfErr_t omfsAppendObjRefArray(omfHdl_t file, omfObject_t object, omfProperty_t property,
                               omfObject_t target);
omfInt32 omfsLengthMobIndex(omfHdl_t file, omfObject_t object, omfProperty_t property);
omfErr_t omfsGetNthMobIndex(omfHdl_t file, omfObject_t object, omfProperty_t property,
                            omfInt32 index, omfUID_t* mobID, omfObject_t* mob);
omfErr_t omfsAppendMobIndex(omfHdl_t file, omfObject_t object, omfProperty_t property,
                            omfUID_t mobID, omfObject_t mob);
omfInt32 omfsLengthInt32Array(omfHdl_t file, omfObject_t object, omfProperty_t property);
omfErr_t omfsGetNthInt32Array(omfHdl_t file, omfObject_t object, omfProperty_t property,
                              omfInt32 index, omfInt32* value);
omfErr_t omfsWriteInt32Array(omfHdl_t file, omfObject_t object, omfProperty_t property,
                             const omfInt32* values, omfInt32 count);
// Enumerated types: written in the type's stored size; a stored value of 1,
// 2 or 4 bytes is accepted on reading.
omfErr_t omfsReadEnum(omfHdl_t file, omfObject_t object, omfProperty_t property,
                      omfType_t type, omfInt32* value);
omfErr_t omfsWriteEnum(omfHdl_t file, omfObject_t object, omfProperty_t property,
                       omfType_t type, omfInt32 value);
// Constant data values (DataValue) with a data kind: Int16/UInt16 and
// Int32/UInt32 data are byte-swapped as one number, Rational as two 32-bit
// numbers (a buffer under 8 bytes is OM_ERR_BUFFER_TOO_SMALL); other kinds move as bytes.
omfErr_t omfsReadDataValue(omfHdl_t file, omfObject_t object, omfProperty_t property,
                           omfObject_t dataKind, void* buffer, omfInt32 size,
                           omfInt32* bytesRead);
omfErr_t omfsWriteDataValue(omfHdl_t file, omfObject_t object, omfProperty_t property,
                            omfObject_t dataKind, const void* data, omfInt32 size);
// Byte blocks (VarLenBytes in 1.x, DataValue in 2.x). A read running past the
// value's end delivers what is there and reports OM_ERR_READ_PAST_END.
omfErr_t omfsReadDataBytes(omfHdl_t file, omfObject_t object, omfProperty_t property,
                           omfType_t type, omfInt64 offset, omfInt32 size, void* buffer,
                           omfInt32* bytesRead);
omfErr_t omfsWriteDataBytes(omfHdl_t file, omfObject_t object, omfProperty_t property,
                            omfType_t type, omfInt64 offset, omfInt32 size, const void* data);

} // extern "C"
