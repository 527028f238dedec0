// The checks on objects: a property is only accessed through an object of
// the class that owns it, and a reference only leads to an object of the
// class the property expects. Also the file's checking switch.
#include "checks/check_support.h"
#include "omf/internal/access_support.h"
#include "omf/internal/error_flow.h"
#include "omf/internal/registry.h"
#include "omf/omf_checks.h"
#include "omf/omf_registry.h"

namespace omf {
namespace {

bool isReferenceType(omfType_t type) {
    return type == kOmfType_MobIndex || type == kOmfType_ObjRefArray || type == kOmfType_ObjRef;
}

bool holdsReferences(const PropertyRecord& record) {
    for (int32_t i = 0; i < record.typeCount; ++i) {
        if (isReferenceType(record.types[i])) return true;
    }
    return false;
}

} // namespace
} // namespace omf

using namespace omf;

extern "C" {

omfErr_t omfsCheckObjectProperty(omfHdl_t file, omfObject_t object, omfProperty_t property,
                                 omfType_t type) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (!file->checking) return 0;
    const PropertyRecord* record = filePropertyRecord(file, property);
    type = revisionType(file, property, type);
    // Properties the registry does not know, and types the property was not
    // registered with, are left to the access routines.
    if (record == nullptr || !record->allows(type) || !record->hasClass) return 0;
    if (object == nullptr) OMF_RAISE(file, OM_ERR_NULL_OBJECT);
    omfClassID_t classID{};
    // An object without a class yet (its class value is the one being
    // written) cannot be judged; its later accesses are.
    if (!readObjectClass(file, object, classID)) return 0;
    if (!classIsA(file, classID, record->classID)) OMF_RAISE(file, OM_ERR_INPUT_OBJECT_CHECK);
    return 0;
}

omfErr_t omfsCheckReference(omfHdl_t file, omfProperty_t property, omfObject_t referenced) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (!file->checking) return 0;
    const PropertyRecord* record = filePropertyRecord(file, property);
    if (record == nullptr || !holdsReferences(*record)) return 0;
    if (!record->hasReferencedClass && record->dataRule == nullptr) return 0;
    if (referenced == nullptr) OMF_RAISE(file, OM_ERR_NULL_OBJECT);
    ChecksSuspended suspended(file);
    if (record->hasReferencedClass && !objectIsA(file, referenced, record->referencedClass)) {
        OMF_RAISE(file, OM_ERR_INVALID_PROPERTY_OBJECT);
    }
    if (record->dataRule != nullptr) {
        // Rules of reference properties receive the referenced object.
        omfErr_t code = 0;
        if (!record->dataRule(file, &referenced, &code)) {
            OMF_RAISE(file, code != 0 ? code : OM_ERR_INVALID_PROPERTY_OBJECT);
        }
    }
    return 0;
}

omfErr_t omfsSetChecking(omfHdl_t file, omfBool on) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    file->checking = on != 0;
    return 0;
}

omfBool omfsIsChecking(omfHdl_t file) {
    return validFile(file) && file->checking;
}

} // extern "C"
