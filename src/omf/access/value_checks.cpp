// The data checks typed accessors run before writing and after reading.
// Values are accepted until the per-property data rules are installed.
#include "internal/access_support.h"

namespace omf {

omfErr_t checkWrite(omfHdl_t, omfObject_t, omfProperty_t, omfType_t, const void*, size_t) {
    return 0;
}

omfErr_t checkRead(omfHdl_t, omfObject_t, omfProperty_t, omfType_t, const void*, size_t) {
    return 0;
}

} // namespace omf
