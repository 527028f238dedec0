// Opening the file a locator names.
#include "omf/internal/error_flow.h"
#include "omf/omf_access.h"
#include "omf/omf_registry.h"
#include "omf/omf_resolve.h"
#include "omf/omf_session.h"
#include "resolve/resolution.h"

#include <cstring>

namespace omf::resolve {

omfErr_t readLocatorPath(omfHdl_t file, omfObject_t locator, char path[kPathSize]) {
    std::memset(path, 0, kPathSize);
    char classID[5];
    OMF_CHECK(file, classOf(file, locator, classID));
    omfProperty_t property = kOmfProperty_NoProperty;
    if (isClass(classID, "MACL")) {
        property = kOmfProperty_MACL_FileName;
    } else if (isClass(classID, "DOSL")) {
        property = kOmfProperty_DOSL_PathName;
    } else if (isClass(classID, "UNXL")) {
        property = kOmfProperty_UNXL_PathName;
    } else if (isClass(classID, "TXTL")) {
        property = kOmfProperty_TXTL_Name;
    } else if (file->revision == kOmfRev2x && isClass(classID, "NETL")) {
        property = kOmfProperty_NETL_URLString;
    } else if (file->revision == kOmfRev2x && isClass(classID, "WINL")) {
        // A shortcut is string data; a missing one leaves the path empty.
        if (!omfsPropertyPresent(file, locator, kOmfProperty_WINL_Shortcut, kOmfType_DataValue)) {
            return 0;
        }
        omfInt32 read = 0;
        omfErr_t status = omfsReadDataBytes(file, locator, kOmfProperty_WINL_Shortcut,
                                            kOmfType_DataValue, 0, kPathSize - 1, path, &read);
        if (status != 0 && status != OM_ERR_READ_PAST_END)
            return propagate(file, status, __FILE__, __LINE__);
        path[kPathSize - 1] = '\0';
        return 0;
    } else {
        OMF_RAISE(file, OM_ERR_UNKNOWN_LOCATOR);
    }
    OMF_CHECK(file, omfsReadString(file, locator, property, path, kPathSize));
    path[kPathSize - 1] = '\0';
    if (isClass(classID, "MACL")) {
        // Volume and directory are read so that damaged ones are reported;
        // paths are opened by name on this platform.
        omfInt32 directory = 0;
        if (omfsPropertyPresent(file, locator, kOmfProperty_MACL_DirID, kOmfType_Int32)) {
            OMF_CHECK(file, omfsReadInt32(file, locator, kOmfProperty_MACL_DirID, &directory));
        }
        if (file->revision == kOmfRev2x) {
            char volume[kPathSize] = {};
            if (omfsPropertyPresent(file, locator, kOmfProperty_MACL_VName, kOmfType_String)) {
                OMF_CHECK(file, omfsReadString(file, locator, kOmfProperty_MACL_VName, volume,
                                               kPathSize));
            }
        } else if (omfsPropertyPresent(file, locator, kOmfProperty_MACL_VRef, kOmfType_Int16)) {
            omfInt16 volumeRef = 0;
            OMF_CHECK(file, omfsReadInt16(file, locator, kOmfProperty_MACL_VRef, &volumeRef));
        }
    }
    return 0;
}

} // namespace omf::resolve

using namespace omf;
using namespace omf::resolve;

extern "C" {

omfErr_t OpenLocatorFile(omfHdl_t file, omfObject_t locator, omfBool raw, omfHdl_t* opened) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (locator == nullptr) OMF_RAISE(file, OM_ERR_NULL_OBJECT);
    if (opened == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    char path[kPathSize];
    OMF_CHECK(file, readLocatorPath(file, locator, path));
    omfHdl_t result = nullptr;
    if (raw) {
        OMF_CHECK(file, omfsOpenRawFile(path, file->session, &result));
    } else {
        OMF_CHECK(file, omfsOpenFileForRead(path, file->session, &result));
    }
    *opened = result;
    return 0;
}

} // extern "C"
