// Property and type codes to the file's container definitions.
#include "internal/access_support.h"
#include "internal/error_flow.h"
#include "internal/registry.h"

namespace omf {

// A known code whose definition a read-only file lacks answers a null
// object: no value of it can exist there, which callers report as absent.
omfErr_t lookupProperty(omfHdl_t file, omfProperty_t property, CMProperty* object) {
    *object = nullptr;
    if (filePropertyRecord(file, property) == nullptr)
        OMF_RAISE(file, OM_ERR_PROPERTY_OUT_OF_RANGE);
    OMF_CHECK(file, omfsPropertyObject(file, property, object));
    return 0;
}

omfErr_t lookupType(omfHdl_t file, omfType_t type, CMType* object, int* flag) {
    *object = nullptr;
    int32_t registered = 0;
    if (fileTypeRecord(file, type) == nullptr) OMF_RAISE(file, OM_ERR_TYPE_OUT_OF_RANGE);
    OMF_CHECK(file, typeFlag(file, type, &registered));
    OMF_CHECK(file, omfsTypeObject(file, type, object));
    *flag = registered;
    return 0;
}

} // namespace omf
