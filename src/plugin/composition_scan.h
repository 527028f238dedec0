// The composition scan: every composition mob of an open file becomes a CompEntry with the
// sequences of its picture tracks (split at transitions) and their segments.
#pragma once

#include "omf/omf_types.h"
#include "tarsel/system/list.h"
#include "timeline_model.h"

namespace omfplugin {

// Where the scan puts what it reads; the lists must be empty.
struct Timeline {
    List& Compositions;       // CompEntry, in file order
    List& Sequences;          // SequenceEntry, in the order they were finished
    List& Transitions;        // TransitionEntry
    omfRational_t& FrameRate; // edit rate of the last track read
    bool& HasCompositions;
};

// Reads every composition of `file`. Compositions without tracks are kept without sequences.
// Answers 0, or the toolkit error that ended the mob search or a sequence's traversal.
omfErr_t ScanCompositions(omfHdl_t file, omfFileRev_t revision, Timeline& timeline);

} // namespace omfplugin
