// Class queries on objects for the semantic checks.
#include "checks/check_support.h"
#include "omf/internal/access_support.h"
#include "omf/internal/registry.h"
#include "omf/omf_registry.h"

namespace omf {

bool readObjectClass(omfHdl_t file, omfObject_t object, omfClassID_t classID) {
    if (object == nullptr || !file->registry) return false;
    // The class is read straight from its container value: it is four bytes
    // moved as they are, every checked access needs it, and an object
    // without one must leave no error in the file's trace.
    const FileRegistry& registry = *file->registry;
    CMProperty property = nullptr;
    CMType type = nullptr;
    switch (file->revision) {
    case kOmfRev1x:
    case kOmfRevIMA:
        property = registry.objIDProperty;
        type = registry.objectTagType;
        break;
    case kOmfRev2x:
        property = registry.objClassProperty;
        type = registry.classIDType;
        break;
    }
    CMValue value = nullptr;
    if (property != nullptr && type != nullptr) {
        if (CMCountValues(object, property, type) == 0) return false;
        value = CMUseValue(object, property, type);
    } else {
        value =
            findValue(file, object,
                      file->revision == kOmfRev2x ? kOmfProperty_OOBJ_ObjClass : kOmfProperty_ObjID,
                      file->revision == kOmfRev2x ? kOmfType_ClassID : kOmfType_ObjectTag);
    }
    return value != nullptr &&
           CMReadValueData(value, classID, 0, sizeof(omfClassID_t)) == sizeof(omfClassID_t);
}

bool objectIsA(omfHdl_t file, omfObject_t object, const char* ancestor) {
    omfClassID_t classID{};
    return readObjectClass(file, object, classID) && classIsA(file, classID, ancestor);
}

} // namespace omf
