#include "composition_scan.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "mob_iterator.h"
#include "omf/omf_effects.h"
#include "omf/omf_error_codes.h"
#include "omf/omf_mobs.h"
#include "omf/omf_session.h"
#include "source_clip_finder.h"
#include "source_resolution.h"

namespace omfplugin {

namespace {

constexpr const char* kDissolveEffect = "omfi:effect:SimpleVideoDissolve";
constexpr const char* kWipeEffect = "omfi:effect:SMPTEVideoWipe";
// Data kind names and effect IDs are read up to this size.
constexpr int kNameSize = 64;

bool IsA(omfHdl_t file, omfObject_t object, const char* classID) {
    omfErr_t error = 0;
    return object && omfiIsTypeOf(file, object, classID, &error) && error == 0;
}

bool Succeeded(omfErr_t status) {
    return status == OM_ERR_NONE || status == OM_ERR_NO_MORE_OBJECTS;
}

class Scan {
  public:
    Scan(omfHdl_t file, omfFileRev_t revision, Timeline& timeline)
        : m_File(file), m_Revision(revision), m_Timeline(timeline) {}

    omfErr_t Run() {
        MobIterator search(m_File);
        if (search.OpenError()) return search.OpenError();
        omfSearchCrit_t criteria{};
        criteria.searchTag = kOmfByMobKind;
        criteria.tags.mobKind = kCompMob;
        omfObject_t mob = nullptr;
        omfErr_t status = 0;
        while ((status = omfiNextMatchingMob(search.get(), &criteria, &mob)) == 0) {
            m_Timeline.HasCompositions = true;
            if (omfErr_t failed = ReadComposition(mob)) return failed;
        }
        return status == OM_ERR_NO_MORE_OBJECTS ? OM_ERR_NONE : status;
    }

  private:
    // 0, or the error that ended the traversal of one of the composition's sequences.
    omfErr_t ReadComposition(omfObject_t mob) {
        auto* composition = new CompEntry;
        m_Timeline.Compositions.AddTail(composition);
        MobIterator tracks(m_File);
        if (tracks.OpenError()) return tracks.OpenError();
        omfObject_t track = nullptr;
        omfErr_t status = 0;
        omfErr_t result = 0;
        while ((status = omfiNextTrackOf(tracks.get(), mob, nullptr, &track)) == 0) {
            omfErr_t error = 0;
            if (!omfiObjectIsTrack(m_File, track, &error)) continue;
            omfRational_t editRate{};
            omfObject_t segment = nullptr;
            if (omfErr_t failed = omfiTrackGetInfo(m_File, mob, track, &editRate, 0, nullptr,
                                                   nullptr, nullptr, &segment)) {
                return failed;
            }
            m_Timeline.FrameRate = editRate;
            char dataKind[kNameSize + 1] = {};
            result = 0;
            if (omfiComponentDataKind(m_File, segment, kNameSize, dataKind) != 0 ||
                std::strcmp(dataKind, kOmfDataKindPicture) != 0) {
                continue;
            }
            result = ReadNest(segment, composition);
        }
        if (!Succeeded(status)) return status;
        return result;
    }

    omfErr_t ReadNest(omfObject_t segment, CompEntry* composition) {
        if (IsA(m_File, segment, "SEQU")) return ReadSequence(segment, composition, 0);
        if (!IsA(m_File, segment, "NEST")) return 0;
        MobIterator slots(m_File);
        if (slots.OpenError()) return slots.OpenError();
        omfObject_t slot = nullptr;
        omfErr_t status = 0;
        omfErr_t result = 0;
        while ((status = omfiNestedScopeGetNextSlot(slots.get(), segment, nullptr, &slot)) == 0) {
            if (omfErr_t failed = ReadNest(slot, composition)) result = failed;
        }
        return Succeeded(status) ? result : status;
    }

    static void AddSegmentWithoutSource(SequenceEntry& sequence, int32_t start, int32_t end) {
        auto* segment = new SegmentEntry;
        segment->Start = start;
        segment->End = end;
        sequence.Segments.AddTail(segment);
    }

    static std::unique_ptr<SequenceEntry> NewSequence(int32_t start) {
        auto sequence = std::make_unique<SequenceEntry>();
        sequence->Start = sequence->End = start;
        if (start != 0) AddSegmentWithoutSource(*sequence, 0, start);
        return sequence;
    }

    void ReadSegment(omfObject_t component, SequenceEntry& sequence, int32_t start,
                     int32_t length) {
        auto* segment = new SegmentEntry;
        segment->Start = start;
        segment->End = start + length;
        if (omfObject_t clip = FindSourceClip(m_File, component)) {
            segment->HasSource = true;
            ResolveSourceClip(m_File, m_Revision, clip, *segment);
        }
        sequence.Segments.AddTail(segment);
    }

    TransitionEntry* ReadTransition(omfObject_t transition, int32_t length, int32_t position) {
        auto* entry = new TransitionEntry;
        entry->Length = length;
        entry->Start = position - length;
        entry->End = position;
        omfPosition_t cutPoint = 0;
        omfObject_t effect = nullptr;
        omfiTransitionGetInfo(m_File, transition, nullptr, nullptr, &cutPoint, &effect);
        entry->CutPoint = static_cast<int32_t>(cutPoint);
        char effectID[kNameSize + 1] = {};
        if (omfiEffectGetEffectID(m_File, transition, kNameSize, effectID) == 0) {
            if (std::strcmp(effectID, kDissolveEffect) == 0) {
                entry->Kind = TransitionKind::Dissolve;
            } else if (std::strcmp(effectID, kWipeEffect) == 0) {
                entry->Kind = TransitionKind::Wipe;
                omfiReadWipe(m_File, effect ? effect : transition, nullptr, nullptr, nullptr,
                             nullptr, &entry->WipeNumber, nullptr);
            }
        }
        m_Timeline.Transitions.AddTail(entry);
        return entry;
    }

    // Keeps the sequence when one of its segments has a source; answers it, or null when it
    // was dropped.
    SequenceEntry* FinishSequence(std::unique_ptr<SequenceEntry> sequence, CompEntry* composition) {
        bool sourced = false;
        int32_t start = 0, end = 0;
        sequence->Segments.ForEach([&](std::size_t, const List::Node& node) {
            const auto* segment = static_cast<const SegmentEntry*>(node.Item);
            if (!segment->HasSource) return true;
            if (!sourced) start = segment->Start;
            end = sourced ? std::max(end, segment->End) : segment->End;
            sourced = true;
            return true;
        });
        if (!sourced) return nullptr;
        sequence->Start = start;
        sequence->End = end;
        sequence->Composition = composition;
        SequenceEntry* kept = sequence.release();
        m_Timeline.Sequences.AddTail(kept);
        if (composition->SequenceCount == 0)
            composition->FirstSequence = static_cast<int32_t>(m_Timeline.Sequences.Count() - 1);
        ++composition->SequenceCount;
        composition->Length = std::max(composition->Length, kept->End);
        return kept;
    }

    omfErr_t ReadSequence(omfObject_t sequenceObject, CompEntry* composition, int32_t position) {
        std::unique_ptr<SequenceEntry> current = NewSequence(position);
        TransitionEntry* pendingAfter = nullptr; // the transition before `current`
        MobIterator components(m_File);
        if (components.OpenError()) return components.OpenError();
        omfObject_t component = nullptr;
        omfErr_t status =
            omfiSequenceGetNextCpnt(components.get(), sequenceObject, nullptr, &component);
        while (status == 0) {
            omfLength_t length = 0;
            if (omfiComponentLength(m_File, component, &length) != 0) length = 0;
            const auto span = static_cast<int32_t>(length);
            if (span > 0) ReadSegment(component, *current, position, span);
            position += span;

            status = omfiSequenceGetNextCpnt(components.get(), sequenceObject, nullptr, &component);
            if (status != 0) break;
            if (!IsA(m_File, component, "TRAN")) continue;

            omfLength_t transitionLength = 0;
            omfiComponentLength(m_File, component, &transitionLength);
            const auto overlap = static_cast<int32_t>(transitionLength);
            TransitionEntry* transition = ReadTransition(component, overlap, position);
            SequenceEntry* before = FinishSequence(std::move(current), composition);
            transition->Before = before;
            if (pendingAfter) pendingAfter->After = before;
            position -= overlap;
            current = NewSequence(position);
            pendingAfter = transition;
            status = omfiSequenceGetNextCpnt(components.get(), sequenceObject, nullptr, &component);
        }
        SequenceEntry* last = FinishSequence(std::move(current), composition);
        if (pendingAfter) pendingAfter->After = last;
        return Succeeded(status) ? OM_ERR_NONE : status;
    }

    omfHdl_t m_File;
    omfFileRev_t m_Revision;
    Timeline& m_Timeline;
};

} // namespace

omfErr_t ScanCompositions(omfHdl_t file, omfFileRev_t revision, Timeline& timeline) {
    Scan scan(file, revision, timeline);
    return scan.Run();
}

} // namespace omfplugin
