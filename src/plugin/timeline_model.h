// The flat timeline a composition scan builds: compositions, their sequences of segments, and
// the transitions between sequences. Positions and lengths are in edit units of the track read.
#pragma once

#include <cstdint>
#include <string>

#include "omf/omf_types.h"
#include "tarsel/system/list.h"
#include "tarsel/system/object.h"

class Clip;

namespace omfplugin {

// Size of the mob name and path texts, with their terminating zero.
inline constexpr int kTimelineTextSize = 256;

class CompEntry : public Object {
  public:
    int32_t Length = 0;         // largest end of its sequences
    int32_t SequenceCount = 0;  // sequences kept
    int32_t FirstSequence = -1; // index of its first kept sequence in the format's list
};

class SegmentEntry : public Object {
  public:
    ~SegmentEntry() override;

    int32_t Start = 0;
    int32_t End = 0;
    int32_t SourceOffset = 0; // frame of the source shown at Start
    int32_t MediaIndex = -1;  // entry of the picture master mob in the file list, -1 for none
    bool HasSource = false;
    omfObject_t SourceMob = nullptr;
    char MobName[kTimelineTextSize] = {};
    char Path[kTimelineTextSize] = {}; // external media, empty when inside the file or unknown
    std::string MediaFile;             // the file found for Path (LoadHeader), empty when none was
    Clip* ExternalClip = nullptr;      // opened on first use, released with Recycle
};

class SequenceEntry : public Object {
  public:
    SequenceEntry();
    ~SequenceEntry() override;

    int32_t Length() const { return End - Start; }

    int32_t Start = 0;
    int32_t End = 0;
    CompEntry* Composition = nullptr;
    List Segments; // SegmentEntry records in timeline order, owned
};

// Kinds of transition effect.
enum class TransitionKind : int32_t { Other = 0, Dissolve = 1, Wipe = 2 };

class TransitionEntry : public Object {
  public:
    int32_t Length = 0;
    int32_t CutPoint = 0;
    int32_t Start = 0; // position - length
    int32_t End = 0;   // position
    TransitionKind Kind = TransitionKind::Other;
    int32_t WipeNumber = 0;
    SequenceEntry* Before = nullptr;
    SequenceEntry* After = nullptr;
};

// A list disposer deleting records of type T.
template <class T> List::Disposer DeleteRecords() {
    return [](void* item, void*) { delete static_cast<T*>(item); };
}

} // namespace omfplugin
