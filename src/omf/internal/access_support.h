// Shared steps of the property-access routines.
#pragma once

#include "internal/records.h"

namespace omf {

// Code to container object through the file's registry caches; an unknown
// code raises 119 (property) or 120 (type). `flag` receives the type's
// registered flag (0 numeric and swapped, 1 moved as bytes).
omfErr_t lookupProperty(omfHdl_t file, omfProperty_t property, CMProperty* object);
omfErr_t lookupType(omfHdl_t file, omfType_t type, CMType* object, int* flag);

// Whether numeric values of `object` need byte swapping on this host.
bool needsSwap(omfHdl_t file, omfObject_t object);
void reverseBytes(void* bytes, size_t size);

// The container value of (object, property, type), or null.
CMValue findValue(omfHdl_t file, omfObject_t object, omfProperty_t property, omfType_t type);

// The data checks of typed setters (194) and getters (195), and the
// media-stream guard of setters (78).
omfErr_t checkWrite(omfHdl_t file, omfObject_t object, omfProperty_t property, omfType_t type,
                    const void* data, size_t size);
omfErr_t checkRead(omfHdl_t file, omfObject_t object, omfProperty_t property, omfType_t type,
                   const void* data, size_t size);

} // namespace omf
