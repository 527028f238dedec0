// Arrays (a 2-byte count then fixed-size elements), object references, and
// the array kinds built from them: ObjRefArray, MobIndex and Int32Array.
#include "omf/internal/access_support.h"
#include "omf/internal/error_flow.h"
#include "omf/omf_access.h"
#include "omf/omf_checks.h"
#include "omf/omf_registry.h"

#include <bit>
#include <cstring>

namespace omf {
namespace {

bool is1x(omfHdl_t file) {
    return file->revision != kOmfRev2x;
}

// ObjRef values and ObjRefArray elements: the key, plus four zero bytes in 1.x files.
omfInt32 objRefSize(omfHdl_t file) {
    return is1x(file) ? 8 : 4;
}
omfInt32 mobIndexSize(omfHdl_t file) {
    return is1x(file) ? 20 : 16;
}

constexpr bool kHostIsLittleEndian = std::endian::native == std::endian::little;

// Array counts of types moved as bytes (ObjRefArray, MobIndex) are little-endian in every
// file; counts of numeric arrays follow the file's byte order like their elements.
omfErr_t writeCount(omfHdl_t file, omfObject_t object, omfProperty_t property, omfType_t type,
                    uint16_t count) {
    CMType typeObject = nullptr;
    int flag = 0;
    OMF_CHECK(file, lookupType(file, type, &typeObject, &flag));
    if (flag == 1 && !kHostIsLittleEndian) reverseBytes(&count, 2);
    OMF_CHECK(file, omfsWriteValueBytes(file, object, property, 0, type, 2, &count));
    return 0;
}

// Appends one element, creating the array when absent.
omfErr_t appendElement(omfHdl_t file, omfObject_t object, omfProperty_t property, omfType_t type,
                       const unsigned char* element, omfInt32 size) {
    // The count is taken from the value's size, as readers take it: a count another writer
    // stored in another byte order is rewritten right.
    omfInt32 count = 0;
    omfInt64 length = 0;
    if (omfsPropertyPresent(file, object, property, type)) {
        OMF_CHECK(file, omfsValueLength(file, object, property, type, &length));
        OMF_CHECK(file, omfsArrayCount(file, object, property, type, size, &count));
    }
    if (length < 2) length = 2;
    length = 2 + static_cast<omfInt64>(count) * size; // a partial element at the end is dropped
    if (count >= 0xFFFF) OMF_RAISE(file, OM_ERR_INDEX_OUT_OF_RANGE);
    OMF_CHECK(file, writeCount(file, object, property, type, static_cast<uint16_t>(count + 1)));
    OMF_CHECK(file, omfsWriteValueBytes(file, object, property, length, type, size, element));
    return 0;
}

omfErr_t makeKey(omfHdl_t file, omfObject_t object, omfProperty_t property, omfType_t type,
                 omfObject_t target, unsigned char* key) {
    return omfsMakeObjRef(file, object, property, type, target, key);
}

// A MobIndex entry's mob ID: three 32-bit numbers, moved as bytes like the rest of the
// entry and so little-endian in every file.
void storeMobID(const omfUID_t& id, std::endian order, unsigned char* bytes) {
    const uint32_t numbers[3] = {id.prefix, id.major, id.minor};
    for (int n = 0; n < 3; ++n) {
        for (int i = 0; i < 4; ++i) {
            const int shift = order == std::endian::little ? 8 * i : 8 * (3 - i);
            bytes[4 * n + i] = static_cast<unsigned char>(numbers[n] >> shift);
        }
    }
}

omfUID_t loadMobID(const unsigned char* bytes, std::endian order) {
    uint32_t numbers[3] = {};
    for (int n = 0; n < 3; ++n) {
        for (int i = 0; i < 4; ++i) {
            const int shift = order == std::endian::little ? 8 * i : 8 * (3 - i);
            numbers[n] |= uint32_t(bytes[4 * n + i]) << shift;
        }
    }
    return omfUID_t{numbers[0], numbers[1], numbers[2]};
}

bool sameMobID(const omfUID_t& a, const omfUID_t& b) {
    return a.prefix == b.prefix && a.major == b.major && a.minor == b.minor;
}

// Writers on big-endian machines (and this toolkit before) stored the numbers of "MM" files
// big-endian: there the mob the entry refers to decides which reading is its ID.
omfUID_t indexedMobID(omfHdl_t file, const unsigned char* entry, omfObject_t target) {
    const omfUID_t stored = loadMobID(entry, std::endian::little);
    if (file->byteOrder != kOmfBigEndian || target == nullptr) return stored;
    const omfUID_t swapped = loadMobID(entry, std::endian::big);
    if (sameMobID(stored, swapped)) return stored;
    // Mobs and media data objects carry their ID under one of these (1.x data objects of
    // TIFF, AIFC and WAVE media under their own class's).
    constexpr omfProperty_t kIDProperties[] = {kOmfProperty_MOBJ_MobID, kOmfProperty_MDAT_MobID,
                                               kOmfProperty_TIFF_MobID, kOmfProperty_AIFC_MobID,
                                               kOmfProperty_WAVE_MobID};
    for (omfProperty_t property : kIDProperties) {
        omfUID_t own{};
        if (!omfsPropertyPresent(file, target, property, kOmfType_UID) ||
            omfsReadUID(file, target, property, &own) != 0) {
            continue;
        }
        return sameMobID(own, swapped) ? swapped : stored;
    }
    return stored;
}

} // namespace
} // namespace omf

using namespace omf;

extern "C" {

omfErr_t omfsArrayCount(omfHdl_t file, omfObject_t object, omfProperty_t property, omfType_t type,
                        omfInt32 elementSize, omfInt32* count) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (count == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    if (elementSize <= 0) OMF_RAISE(file, OM_ERR_INDEX_OUT_OF_RANGE);
    *count = 0;
    if (!omfsPropertyPresent(file, object, property, type)) return 0;
    omfInt64 length = 0;
    OMF_CHECK(file, omfsValueLength(file, object, property, type, &length));
    *count = length < 2 ? 0 : static_cast<omfInt32>((length - 2) / elementSize);
    return 0;
}

omfErr_t omfsArrayElementOffset(omfHdl_t file, omfObject_t object, omfProperty_t property,
                                omfInt32 index, omfType_t type, omfInt32 elementSize,
                                omfInt64* offset) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (offset == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    omfInt32 count = 0;
    OMF_CHECK(file, omfsArrayCount(file, object, property, type, elementSize, &count));
    if (index < 1 || index > count) OMF_RAISE(file, OM_ERR_INDEX_OUT_OF_RANGE);
    *offset = 2 + static_cast<omfInt64>(index - 1) * elementSize;
    return 0;
}

omfErr_t omfsArrayDelete(omfHdl_t file, omfObject_t object, omfProperty_t property, omfType_t type,
                         omfInt32 elementSize, omfInt32 index) {
    omfInt64 offset = 0;
    OMF_CHECK(file,
              omfsArrayElementOffset(file, object, property, index, type, elementSize, &offset));
    omfInt32 count = 0;
    OMF_CHECK(file, omfsArrayCount(file, object, property, type, elementSize, &count));
    OMF_CHECK(file, writeCount(file, object, property, type,
                               static_cast<uint16_t>(count > 0 ? count - 1 : 0)));
    CMValue value = findValue(file, object, property, type);
    if (value == nullptr) OMF_RAISE(file, OM_ERR_PROPERTY_MISSING);
    CMDeleteValueData(value, static_cast<CMSize>(offset), static_cast<CMSize>(elementSize));
    OMF_BENTO_CHECK(file, OM_ERR_BENTO);
    return 0;
}

omfErr_t omfsReadObjRefKey(omfHdl_t file, omfObject_t object, omfProperty_t property,
                           omfType_t type, const unsigned char key[4], omfObject_t* target) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (key == nullptr || target == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    CMValue value = findValue(file, object, property, type);
    if (value == nullptr) OMF_RAISE(file, OM_ERR_PROPERTY_MISSING);
    *target = CMGetReferencedObject(value, key);
    if (*target == nullptr) {
        OMF_BENTO_CHECK(file, OM_ERR_BENTO);
        OMF_RAISE(file, OM_ERR_NULL_BENTO_OBJECT);
    }
    OMF_CHECK(file, omfsCheckReference(file, property, *target));
    return 0;
}

omfErr_t omfsMakeObjRef(omfHdl_t file, omfObject_t object, omfProperty_t property, omfType_t type,
                        omfObject_t target, unsigned char key[4]) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (target == nullptr || object == nullptr) OMF_RAISE(file, OM_ERR_NULL_OBJECT);
    if (key == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    CMProperty propertyObject = nullptr;
    CMType typeObject = nullptr;
    int flag = 0;
    OMF_CHECK(file, lookupProperty(file, property, &propertyObject));
    OMF_CHECK(file, lookupType(file, type, &typeObject, &flag));
    OMF_CHECK(file, omfsCheckObjectProperty(file, object, property, type));
    OMF_CHECK(file, omfsCheckReference(file, property, target));
    CMValue value = CMCountValues(object, propertyObject, typeObject) == 0
                        ? CMNewValue(object, propertyObject, typeObject)
                        : CMUseValue(object, propertyObject, typeObject);
    if (value == nullptr || CMNewReference(value, target, key) == nullptr) {
        OMF_BENTO_CHECK(file, OM_ERR_BENTO);
        OMF_RAISE(file, OM_ERR_BENTO_OBJECT_CREATE);
    }
    return 0;
}

omfErr_t omfsReadObjRef(omfHdl_t file, omfObject_t object, omfProperty_t property,
                        omfObject_t* target) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (target == nullptr) OMF_RAISE(file, OM_ERR_NULL_DATA_ADDRESS);
    unsigned char key[4];
    OMF_CHECK(file, omfsReadValueBytes(file, object, property, 0, 1, kOmfType_ObjRef, 4, key));
    OMF_CHECK(file, omfsReadObjRefKey(file, object, property, kOmfType_ObjRef, key, target));
    return 0;
}

omfErr_t omfsWriteObjRef(omfHdl_t file, omfObject_t object, omfProperty_t property,
                         omfObject_t target) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    unsigned char element[8] = {};
    OMF_CHECK(file, checkWrite(file, object, property, kOmfType_ObjRef, &target, sizeof target));
    OMF_CHECK(file, makeKey(file, object, property, kOmfType_ObjRef, target, element));
    OMF_CHECK(file, omfsWriteValueBytes(file, object, property, 0, kOmfType_ObjRef,
                                        objRefSize(file), element));
    return 0;
}

omfInt32 omfsLengthObjRefArray(omfHdl_t file, omfObject_t object, omfProperty_t property) {
    if (!validFile(file)) return 0;
    omfInt32 count = 0;
    if (omfsArrayCount(file, object, property, kOmfType_ObjRefArray, objRefSize(file), &count) != 0)
        return 0;
    return count;
}

omfErr_t omfsGetNthObjRefArray(omfHdl_t file, omfObject_t object, omfProperty_t property,
                               omfObject_t* target, omfInt32 index) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (target == nullptr) OMF_RAISE(file, OM_ERR_NULL_DATA_ADDRESS);
    omfInt64 offset = 0;
    OMF_CHECK(file, omfsArrayElementOffset(file, object, property, index, kOmfType_ObjRefArray,
                                           objRefSize(file), &offset));
    unsigned char key[4];
    OMF_CHECK(file,
              omfsReadValueBytes(file, object, property, offset, 1, kOmfType_ObjRefArray, 4, key));
    OMF_CHECK(file, omfsReadObjRefKey(file, object, property, kOmfType_ObjRefArray, key, target));
    return 0;
}

omfErr_t omfsAppendObjRefArray(omfHdl_t file, omfObject_t object, omfProperty_t property,
                               omfObject_t target) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    OMF_CHECK(file,
              checkWrite(file, object, property, kOmfType_ObjRefArray, &target, sizeof target));
    unsigned char element[8] = {};
    OMF_CHECK(file, makeKey(file, object, property, kOmfType_ObjRefArray, target, element));
    OMF_CHECK(file, appendElement(file, object, property, kOmfType_ObjRefArray, element,
                                  objRefSize(file)));
    return 0;
}

omfInt32 omfsLengthMobIndex(omfHdl_t file, omfObject_t object, omfProperty_t property) {
    if (!validFile(file)) return 0;
    omfInt32 count = 0;
    if (omfsArrayCount(file, object, property, kOmfType_MobIndex, mobIndexSize(file), &count) != 0)
        return 0;
    return count;
}

omfErr_t omfsGetNthMobIndex(omfHdl_t file, omfObject_t object, omfProperty_t property,
                            omfInt32 index, omfUID_t* mobID, omfObject_t* mob) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (mobID == nullptr && mob == nullptr) OMF_RAISE(file, OM_ERR_NULL_DATA_ADDRESS);
    omfInt64 offset = 0;
    OMF_CHECK(file, omfsArrayElementOffset(file, object, property, index, kOmfType_MobIndex,
                                           mobIndexSize(file), &offset));
    unsigned char element[16];
    OMF_CHECK(file, omfsReadValueBytes(file, object, property, offset, 1, kOmfType_MobIndex, 16,
                                       element));
    omfObject_t target = nullptr;
    if (mob != nullptr) {
        OMF_CHECK(file, omfsReadObjRefKey(file, object, property, kOmfType_MobIndex, element + 12,
                                          &target));
    } else if (mobID != nullptr && file->byteOrder == kOmfBigEndian) {
        // Only to settle the ID's byte order: an entry whose reference is dangling still
        // answers its stored ID, as it did before the referenced mob was consulted.
        if (CMValue value = findValue(file, object, property, kOmfType_MobIndex))
            target = CMGetReferencedObject(value, element + 12);
    }
    if (mobID != nullptr) *mobID = indexedMobID(file, element, target);
    if (mob != nullptr) *mob = target;
    return 0;
}

omfErr_t omfsAppendMobIndex(omfHdl_t file, omfObject_t object, omfProperty_t property,
                            omfUID_t mobID, omfObject_t mob) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    unsigned char element[20] = {};
    storeMobID(mobID, std::endian::little, element);
    OMF_CHECK(file, makeKey(file, object, property, kOmfType_MobIndex, mob, element + 12));
    OMF_CHECK(file, appendElement(file, object, property, kOmfType_MobIndex, element,
                                  mobIndexSize(file)));
    return 0;
}

omfInt32 omfsLengthInt32Array(omfHdl_t file, omfObject_t object, omfProperty_t property) {
    if (!validFile(file)) return 0;
    omfInt32 count = 0;
    if (omfsArrayCount(file, object, property, kOmfType_Int32Array, 4, &count) != 0) return 0;
    return count;
}

omfErr_t omfsGetNthInt32Array(omfHdl_t file, omfObject_t object, omfProperty_t property,
                              omfInt32 index, omfInt32* value) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (value == nullptr) OMF_RAISE(file, OM_ERR_NULL_DATA_ADDRESS);
    omfInt64 offset = 0;
    OMF_CHECK(file, omfsArrayElementOffset(file, object, property, index, kOmfType_Int32Array, 4,
                                           &offset));
    OMF_CHECK(file,
              omfsReadValueBytes(file, object, property, offset, 0, kOmfType_Int32Array, 4, value));
    return 0;
}

omfErr_t omfsWriteInt32Array(omfHdl_t file, omfObject_t object, omfProperty_t property,
                             const omfInt32* values, omfInt32 count) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (values == nullptr && count > 0) OMF_RAISE(file, OM_ERR_NULL_DATA_ADDRESS);
    if (count < 0 || count > 0xFFFF) OMF_RAISE(file, OM_ERR_INDEX_OUT_OF_RANGE);
    OMF_CHECK(file, checkWrite(file, object, property, kOmfType_Int32Array, values,
                               sizeof(omfInt32) * static_cast<size_t>(count)));
    if (CMValue existing = findValue(file, object, property, kOmfType_Int32Array)) {
        CMDeleteValueData(existing, 0, CMGetValueSize(existing));
    }
    uint16_t stored = static_cast<uint16_t>(count);
    OMF_CHECK(file,
              omfsWriteValueBytes(file, object, property, 0, kOmfType_Int32Array, 2, &stored));
    for (omfInt32 i = 0; i < count; ++i) {
        OMF_CHECK(file, omfsWriteValueBytes(file, object, property, 2 + 4 * i, kOmfType_Int32Array,
                                            4, &values[i]));
    }
    return 0;
}

} // extern "C"
