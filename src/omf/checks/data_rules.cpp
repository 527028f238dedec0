// The built-in data rules that are more than a range of numbers.
#include "checks/data_rules.h"

#include "checks/check_support.h"
#include "internal/error_flow.h"
#include "omf/omf_access.h"
#include "omf/omf_registry.h"

namespace omf::rules {
namespace {

constexpr omfErr_t kInvalidByteOrder = 23;
constexpr omfErr_t kWrongReferencedObject = 118;
constexpr omfErr_t kNotIn2x = 175;
constexpr omfErr_t kOutOfRange = 179;
constexpr omfErr_t kFilmKind = 182;
constexpr omfErr_t kWrongMobType = 183;
constexpr omfErr_t kRelativeTrack = 189;
constexpr omfErr_t kBooleanValue = 200;

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
    if (data == nullptr) return refuse(error, kNullObject);
    omfRational_t rate;
    std::memcpy(&rate, data, sizeof rate);
    if (rate.numerator >= 0 && rate.denominator > 0) return true;
    return refuse(error, kOutOfRange);
}

omfBool relativeTrack(omfHdl_t file, const void* data, omfErr_t* error) {
    if (is2x(file)) return refuse(error, kNotIn2x);
    if (data == nullptr) return refuse(error, kNullObject);
    int16_t track;
    std::memcpy(&track, data, sizeof track);
    if (track < 0) return true;
    return refuse(error, kRelativeTrack);
}

omfBool booleanValue(omfHdl_t, const void* data, omfErr_t* error) {
    if (data == nullptr) return refuse(error, kNullObject);
    uint8_t value;
    std::memcpy(&value, data, 1);
    if (value == 0 || value == 1) return true;
    return refuse(error, kBooleanValue);
}

omfBool byteOrder(omfHdl_t, const void* data, omfErr_t* error) {
    if (data == nullptr) return refuse(error, kNullObject);
    uint16_t order;
    std::memcpy(&order, data, sizeof order);
    if (order == kOrderII || order == kOrderMM) return true;
    return refuse(error, kInvalidByteOrder);
}

omfBool filmKind(omfHdl_t, const void* data, omfErr_t* error) {
    if (data == nullptr) return refuse(error, kNullObject);
    int32_t kind;
    std::memcpy(&kind, data, sizeof kind);
    if (kind == 0 || kind == 1 || kind == 2 || kind == 4) return true;
    return refuse(error, kFilmKind);
}

omfBool dataPresent(omfHdl_t, const void* data, omfErr_t* error) {
    if (data == nullptr) return refuse(error, kNullObject);
    return true;
}

omfBool compositionMob(omfHdl_t file, const void* data, omfErr_t* error) {
    omfObject_t mob = referencedObject(file, data);
    if (mob == nullptr) return refuse(error, kNullObject);
    if (!isA(file, mob, "MOBJ")) return refuse(error, kWrongReferencedObject);
    if (is2x(file)) {
        if (!isA(file, mob, "CMOB")) return refuse(error, kWrongMobType);
        return true;
    }
    // A 1.x mob with physical media is a source mob.
    ChecksSuspended suspended(file);
    if (omfsPropertyPresent(file, mob, kOmfProperty_MOBJ_PhysicalMedia, kOmfType_ObjRef)) {
        return refuse(error, kWrongMobType);
    }
    return true;
}

omfBool sourceMob(omfHdl_t file, const void* data, omfErr_t* error) {
    omfObject_t mob = referencedObject(file, data);
    if (mob == nullptr) return refuse(error, kNullObject);
    if (isA(file, mob, is2x(file) ? "SMOB" : "MOBJ")) return true;
    return refuse(error, kWrongReferencedObject);
}

omfBool mediaData(omfHdl_t file, const void* data, omfErr_t* error) {
    omfObject_t object = referencedObject(file, data);
    if (object == nullptr) return refuse(error, kNullObject);
    if (passesMediaData(file, object)) return true;
    return refuse(error, kWrongReferencedObject);
}

omfBool objectSpine(omfHdl_t file, const void* data, omfErr_t* error) {
    if (is2x(file)) return refuse(error, kNotIn2x);
    omfObject_t object = referencedObject(file, data);
    if (object == nullptr) return refuse(error, kNullObject);
    if (isA(file, object, "MOBJ") || passesMediaData(file, object)) return true;
    return refuse(error, kWrongReferencedObject);
}

omfBool locator(omfHdl_t file, const void* data, omfErr_t* error) {
    omfObject_t object = referencedObject(file, data);
    if (object == nullptr) return refuse(error, kNullObject);
    if (!is2x(file) || isA(file, object, "LOCR")) return true;
    return refuse(error, kWrongReferencedObject);
}

omfBool definitionObject(omfHdl_t file, const void* data, omfErr_t* error) {
    omfObject_t object = referencedObject(file, data);
    if (object == nullptr) return refuse(error, kNullObject);
    if (isA(file, object, "EDEF") || isA(file, object, "DDEF")) return true;
    return refuse(error, kWrongReferencedObject);
}

} // namespace omf::rules
