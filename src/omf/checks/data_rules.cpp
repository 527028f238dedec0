// The built-in data rules that are more than a range of numbers.
#include "checks/data_rules.h"

#include "checks/check_support.h"
#include "omf/internal/error_flow.h"
#include "omf/omf_access.h"
#include "omf/omf_registry.h"

namespace omf::rules {
namespace {

constexpr uint16_t kOrderII = 0x4949;
constexpr uint16_t kOrderMM = 0x4D4D;

bool is2x(omfHdl_t file) {
    return validFile(file) && file->revision == kOmfRev2x;
}

// The referenced object a reference rule is given, or null.
omfObject_t referencedObject(omfHdl_t file, const void* data) {
    if (data == nullptr || !validFile(file)) return nullptr;
    omfObject_t object;
    std::memcpy(&object, data, sizeof object);
    return object;
}

bool isA(omfHdl_t file, omfObject_t object, const char* classID) {
    ChecksSuspended suspended(file);
    return objectIsA(file, object, classID);
}

bool passesMediaData(omfHdl_t file, omfObject_t object) {
    if (is2x(file)) return isA(file, object, "MDAT");
    for (const char* excluded : {"MDES", "CPNT", "HEAD", "CLSD", "TRAK", "ATTB", "ATTR"}) {
        if (isA(file, object, excluded)) return false;
    }
    return true;
}

} // namespace

omfBool editRate(omfHdl_t, const void* data, omfErr_t* error) {
    if (data == nullptr) return refuse(error, OM_ERR_NULL_OBJECT);
    omfRational_t rate;
    std::memcpy(&rate, data, sizeof rate);
    if (rate.numerator >= 0 && rate.denominator > 0) return true;
    return refuse(error, OM_ERR_NEGATIVE_VALUE);
}

omfBool relativeTrack(omfHdl_t file, const void* data, omfErr_t* error) {
    if (is2x(file)) return refuse(error, OM_ERR_NOT_IN_2X);
    if (data == nullptr) return refuse(error, OM_ERR_NULL_OBJECT);
    int16_t track;
    std::memcpy(&track, data, sizeof track);
    if (track < 0) return true;
    return refuse(error, OM_ERR_POSITIVE_RELATIVE_TRACK);
}

omfBool booleanValue(omfHdl_t, const void* data, omfErr_t* error) {
    if (data == nullptr) return refuse(error, OM_ERR_NULL_OBJECT);
    uint8_t value;
    std::memcpy(&value, data, 1);
    if (value == 0 || value == 1) return true;
    return refuse(error, OM_ERR_INVALID_BOOLEAN);
}

omfBool byteOrder(omfHdl_t, const void* data, omfErr_t* error) {
    if (data == nullptr) return refuse(error, OM_ERR_NULL_OBJECT);
    uint16_t order;
    std::memcpy(&order, data, sizeof order);
    if (order == kOrderII || order == kOrderMM) return true;
    return refuse(error, OM_ERR_INVALID_BYTE_ORDER);
}

omfBool filmKind(omfHdl_t, const void* data, omfErr_t* error) {
    if (data == nullptr) return refuse(error, OM_ERR_NULL_OBJECT);
    int32_t kind;
    std::memcpy(&kind, data, sizeof kind);
    if (kind == 0 || kind == 1 || kind == 2 || kind == 4) return true;
    return refuse(error, OM_ERR_INVALID_FILM_TYPE);
}

omfBool dataPresent(omfHdl_t, const void* data, omfErr_t* error) {
    if (data == nullptr) return refuse(error, OM_ERR_NULL_OBJECT);
    return true;
}

omfBool compositionMob(omfHdl_t file, const void* data, omfErr_t* error) {
    omfObject_t mob = referencedObject(file, data);
    if (mob == nullptr) return refuse(error, OM_ERR_NULL_OBJECT);
    if (!isA(file, mob, "MOBJ")) return refuse(error, OM_ERR_INVALID_PROPERTY_OBJECT);
    if (is2x(file)) {
        if (!isA(file, mob, "CMOB")) return refuse(error, OM_ERR_INVALID_MOB_TYPE);
        return true;
    }
    // A 1.x mob with physical media is a source mob.
    ChecksSuspended suspended(file);
    if (omfsPropertyPresent(file, mob, kOmfProperty_MOBJ_PhysicalMedia, kOmfType_ObjRef)) {
        return refuse(error, OM_ERR_INVALID_MOB_TYPE);
    }
    return true;
}

omfBool sourceMob(omfHdl_t file, const void* data, omfErr_t* error) {
    omfObject_t mob = referencedObject(file, data);
    if (mob == nullptr) return refuse(error, OM_ERR_NULL_OBJECT);
    if (isA(file, mob, is2x(file) ? "SMOB" : "MOBJ")) return true;
    return refuse(error, OM_ERR_INVALID_PROPERTY_OBJECT);
}

omfBool mediaData(omfHdl_t file, const void* data, omfErr_t* error) {
    omfObject_t object = referencedObject(file, data);
    if (object == nullptr) return refuse(error, OM_ERR_NULL_OBJECT);
    if (passesMediaData(file, object)) return true;
    return refuse(error, OM_ERR_INVALID_PROPERTY_OBJECT);
}

omfBool objectSpine(omfHdl_t file, const void* data, omfErr_t* error) {
    if (is2x(file)) return refuse(error, OM_ERR_NOT_IN_2X);
    omfObject_t object = referencedObject(file, data);
    if (object == nullptr) return refuse(error, OM_ERR_NULL_OBJECT);
    if (isA(file, object, "MOBJ") || passesMediaData(file, object)) return true;
    return refuse(error, OM_ERR_INVALID_PROPERTY_OBJECT);
}

omfBool locator(omfHdl_t file, const void* data, omfErr_t* error) {
    omfObject_t object = referencedObject(file, data);
    if (object == nullptr) return refuse(error, OM_ERR_NULL_OBJECT);
    if (!is2x(file) || isA(file, object, "LOCR")) return true;
    return refuse(error, OM_ERR_INVALID_PROPERTY_OBJECT);
}

omfBool definitionObject(omfHdl_t file, const void* data, omfErr_t* error) {
    omfObject_t object = referencedObject(file, data);
    if (object == nullptr) return refuse(error, OM_ERR_NULL_OBJECT);
    if (isA(file, object, "EDEF") || isA(file, object, "DDEF")) return true;
    return refuse(error, OM_ERR_INVALID_PROPERTY_OBJECT);
}

} // namespace omf::rules
