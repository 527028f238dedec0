// What all OMFFormat objects of the loaded plug-in share.
#pragma once

#include <atomic>

#include "tarsel/system/list.h"
#include "tarsel/system/lockable_object.h"

namespace omfplugin {

struct ClassState {
    // Serialises every toolkit call made while a file is open: the toolkit and the container
    // library are not reentrant. Taken after any list lock.
    LockableObject ToolkitLock;
    // The saver's codec catalogue (CodecEntry records), guarded by its own lock.
    List CodecList;
    // Set when the movie server offers an Avid DV decompressor.
    std::atomic<bool> DVDecodeAvailable{false};

    ClassState();
};

// The plug-in's one ClassState, made on first use (by the registration at load).
ClassState& TheClass();

// Empties the codec catalogue, each codec's varieties first.
void ClearCodecCatalogue();

} // namespace omfplugin
