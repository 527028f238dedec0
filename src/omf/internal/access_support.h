// Shared steps of the property-access routines.
#pragma once

#include "omf/internal/records.h"

namespace omf {

// Code to container object through the file's registry caches; an unknown
// code raises OM_ERR_PROPERTY_OUT_OF_RANGE (property) or OM_ERR_TYPE_OUT_OF_RANGE (type). `flag`
// receives the type's registered flag (0 numeric and swapped, 1 moved as bytes).
omfErr_t lookupProperty(omfHdl_t file, omfProperty_t property, CMProperty* object);
omfErr_t lookupType(omfHdl_t file, omfType_t type, CMType* object, int* flag);

// The type code a value of `property` has in the file's revision when a caller names `type`:
// `type` itself when the registry lists it for the property (or the property is unknown or
// takes any type), else the listed type stored alike (ExactEditRate for a Rational in 1.x
// files, VarLenBytes for a DataValue, Long for a Position32...), else `type` unchanged.
omfType_t revisionType(omfHdl_t file, omfProperty_t property, omfType_t type);
// Whether the registry allows values of `type` for `property` in the file's revision.
bool typeListedFor(omfHdl_t file, omfProperty_t property, omfType_t type);

// Whether numeric values of `object` need byte swapping on this host.
bool needsSwap(omfHdl_t file, omfObject_t object);
void reverseBytes(void* bytes, size_t size);

// The container value of (object, property, type), or null.
CMValue findValue(omfHdl_t file, omfObject_t object, omfProperty_t property, omfType_t type);

// The data checks of typed setters (OM_ERR_INPUT_DATA_CHECK) and getters
// (OM_ERR_OUTPUT_DATA_CHECK), and the media-stream guard of setters (OM_ERR_NONCONTIGUOUS_MEDIA).
omfErr_t checkWrite(omfHdl_t file, omfObject_t object, omfProperty_t property, omfType_t type,
                    const void* data, size_t size);
omfErr_t checkRead(omfHdl_t file, omfObject_t object, omfProperty_t property, omfType_t type,
                   const void* data, size_t size);

} // namespace omf
