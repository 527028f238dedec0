// Registration of the built-in semantic checks at session start.
#pragma once

#include "omf/omf_types.h"

namespace omf {

// Registers the built-in data rules and referenced-class checks, in order,
// after the registry is built. Any failure fails the session start (OM_ERR_SESSION_OPEN).
omfErr_t registerBuiltinChecks(omfSessionHdl_t session);

} // namespace omf
