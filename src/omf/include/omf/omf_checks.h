// Semantic checks run inside the property-access routines: the object must
// be of the class that owns the property, data must lie in its allowed
// range, and referenced objects must be of the expected class.
#pragma once

#include "omf/omf_registry.h"
#include "omf/omf_types.h"

extern "C" {

// A data rule: answers whether `data` (the value in memory, host order) is
// acceptable and sets *error to the rule's code when it is not.
typedef omfBool (*omfDataRule_t)(omfHdl_t file, const void* data, omfErr_t* error);

// Run by every value read and write: OM_ERR_INPUT_OBJECT_CHECK when the object is not of the
// property's class (or a descendant). Skipped while the file's checks are off.
omfErr_t omfsCheckObjectProperty(omfHdl_t file, omfObject_t object, omfProperty_t property,
                                 omfType_t type);
// Runs the property's data rule; answers 0 or the rule's code.
omfErr_t omfsCheckData(omfHdl_t file, omfProperty_t property, omfType_t type, const void* data);
// Run when an object reference is read or written: OM_ERR_INVALID_PROPERTY_OBJECT for a referenced
// object of the wrong class, or the data rule's code.
omfErr_t omfsCheckReference(omfHdl_t file, omfProperty_t property, omfObject_t referenced);

// Registration; an unknown property code is OM_ERR_PROPERTY_OUT_OF_RANGE.
omfErr_t omfsSetDataRule(omfSessionHdl_t session, omfProperty_t property,
                         omfRevisionSet_t revisions, omfDataRule_t rule);
omfErr_t omfsSetRefClass(omfSessionHdl_t session, omfProperty_t property,
                         omfRevisionSet_t revisions, const char* classID);

// The file's checking switch (on when the file record is created).
omfErr_t omfsSetChecking(omfHdl_t file, omfBool on);
omfBool omfsIsChecking(omfHdl_t file);

} // extern "C"
