// Depth-first walk of an object and of every object its ObjRef and
// ObjRefArray properties reach.
#include "mobs/mob_support.h"

#include "omf/internal/registry.h"
#include "omf/omf_access.h"
#include "omf/omf_registry.h"

#include <algorithm>
#include <vector>

namespace omf::mobs {
namespace {

struct Walk {
    omfHdl_t file;
    omfiMatchFunc_t match;
    void* matchArg;
    omfiActionFunc_t action;
    void* actionArg;
    // Objects on the path from the root: a reference back to one of them
    // would walk forever, so it is not followed.
    std::vector<CMObjectID> path;
};

omfErr_t walkObject(Walk& walk, omfObject_t object, omfInt32 depth, omfInt32* count);

// The type code of a property's first value, or none.
bool propertyTypeCode(omfHdl_t file, omfObject_t object, CMProperty property, omfType_t* type) {
    CMValue value = CMGetNextValue(object, property, nullptr);
    if (value == nullptr) return false;
    CMContainer container = nullptr;
    CMObject owner = nullptr;
    CMProperty valueProperty = nullptr;
    CMType valueType = nullptr;
    CMGeneration generation = 0;
    CMGetValueInfo(value, &container, &owner, &valueProperty, &valueType, &generation);
    omfBool found = false;
    if (valueType == nullptr || omfsTypeCode(file, valueType, type, &found) != 0) return false;
    return found;
}

omfErr_t walkReference(Walk& walk, omfObject_t target, omfInt32 depth, omfInt32* count) {
    if (target == nullptr) return 0;
    if (std::find(walk.path.begin(), walk.path.end(), CMGetObjectID(target)) != walk.path.end()) {
        return 0;
    }
    omfInt32 found = 0;
    OMF_CHECK(walk.file, walkObject(walk, target, depth, &found));
    *count += found;
    return 0;
}

omfErr_t walkObject(Walk& walk, omfObject_t object, omfInt32 depth, omfInt32* count) {
    omfHdl_t file = walk.file;
    *count = 0;
    if (walk.match(file, object, walk.matchArg)) {
        omfErr_t status = walk.action(file, object, depth, walk.actionArg);
        if (status == OM_ERR_NO_MORE_OBJECTS)
            return 0; // pruned: neither counted nor descended into
        if (status != 0) return propagate(file, status, __FILE__, __LINE__);
        *count = 1;
    }
    walk.path.push_back(CMGetObjectID(object));
    for (CMProperty property = CMGetNextObjectProperty(object, nullptr); property != nullptr;
         property = CMGetNextObjectProperty(object, property)) {
        omfProperty_t code = 0;
        omfBool known = false;
        if (omfsPropertyCode(file, property, &code, &known) != 0 || !known) continue;
        omfType_t type = 0;
        if (!propertyTypeCode(file, object, property, &type)) continue;
        if (type == kOmfType_ObjRefArray) {
            omfInt32 elements = omfsLengthObjRefArray(file, object, code);
            for (omfInt32 i = 1; i <= elements; ++i) {
                omfObject_t element = nullptr;
                omfErr_t status = omfsGetNthObjRefArray(file, object, code, &element, i);
                if (status == 0) status = walkReference(walk, element, depth + 1, count);
                if (status != 0) {
                    walk.path.pop_back();
                    return propagate(file, status, __FILE__, __LINE__);
                }
            }
        } else if (type == kOmfType_ObjRef) {
            omfObject_t target = nullptr;
            omfErr_t status = omfsReadObjRef(file, object, code, &target);
            if (status == 0) status = walkReference(walk, target, depth + 1, count);
            if (status != 0) {
                walk.path.pop_back();
                return propagate(file, status, __FILE__, __LINE__);
            }
        }
    }
    walk.path.pop_back();
    return 0;
}

} // namespace
} // namespace omf::mobs

using namespace omf;
using namespace omf::mobs;

extern "C" omfErr_t omfiWalkObjectTree(omfHdl_t file, omfObject_t root, omfInt32 depth,
                                       omfiMatchFunc_t match, void* matchArg,
                                       omfiActionFunc_t action, void* actionArg, omfInt32* count) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (match == nullptr) OMF_RAISE(file, OM_ERR_NULL_MATCH_FUNCTION);
    if (action == nullptr) OMF_RAISE(file, OM_ERR_NULL_CALLBACK_FUNCTION);
    if (root == nullptr) OMF_RAISE(file, OM_ERR_NULL_OBJECT);
    if (count == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    *count = 0;
    Walk walk{file, match, matchArg, action, actionArg, {}};
    omfInt32 found = 0;
    OMF_CHECK(file, walkObject(walk, root, depth, &found));
    *count = found;
    return 0;
}
