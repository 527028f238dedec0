// The product identification every session of the plug-in starts with.
#pragma once

#include "omf/omf_types.h"

namespace omfplugin {

// Written into the identification of every file the plug-in creates.
const omfProductIdentification_t& SessionProductInfo();

} // namespace omfplugin
