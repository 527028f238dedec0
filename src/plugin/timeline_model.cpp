#include "timeline_model.h"

#include "tarsel/system/clip.h"

namespace omfplugin {

SegmentEntry::~SegmentEntry() {
    if (ExternalClip) ExternalClip->Recycle();
}

SequenceEntry::SequenceEntry() : Segments(true, DeleteRecords<SegmentEntry>()) {}
SequenceEntry::~SequenceEntry() = default;

} // namespace omfplugin
