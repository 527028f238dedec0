// Placeholder checks that accept everything, until the semantic checks land.
#include "internal/access_support.h"
#include "omf/omf_checks.h"

namespace omf {

omfErr_t checkWrite(omfHdl_t, omfObject_t, omfProperty_t, omfType_t, const void*, size_t) {
    return 0;
}

omfErr_t checkRead(omfHdl_t, omfObject_t, omfProperty_t, omfType_t, const void*, size_t) {
    return 0;
}

} // namespace omf

extern "C" {
omfErr_t omfsCheckObjectProperty(omfHdl_t, omfObject_t, omfProperty_t, omfType_t) { return 0; }
omfErr_t omfsCheckReference(omfHdl_t, omfProperty_t, omfObject_t) { return 0; }
}

#include "internal/checks.h"

namespace omf {
omfErr_t registerBuiltinChecks(omfSessionHdl_t) { return 0; }
} // namespace omf
