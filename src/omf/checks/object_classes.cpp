// Class queries on objects for the semantic checks.
#include "checks/check_support.h"
#include "internal/codes.h"
#include "internal/registry.h"
#include "omf/omf_access.h"

namespace omf {

bool readObjectClass(omfHdl_t file, omfObject_t object, omfClassID_t classID) {
    if (object == nullptr) return false;
    // The class value is looked for first so that an object without one
    // leaves no error in the file's trace.
    bool present = false;
    switch (file->revision) {
    case kOmfRev1x:
    case kOmfRevIMA:
        present = omfsPropertyPresent(file, object, prop::ObjID, type::ObjectTag);
        break;
    case kOmfRev2x:
        present = omfsPropertyPresent(file, object, prop::ObjClass, type::ClassID);
        break;
    }
    if (!present) return false;
    ChecksSuspended suspended(file);
    return omfsReadClassOf(file, object, classID) == 0;
}

bool objectIsA(omfHdl_t file, omfObject_t object, const char* ancestor) {
    omfClassID_t classID{};
    return readObjectClass(file, object, classID) && classIsA(file, classID, ancestor);
}

} // namespace omf
