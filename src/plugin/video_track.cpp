// The "Video Track" control: one entry per picture master mob, then one per composition
// sequence; choosing an entry decides what LoadFrameTagList plays. Lock order: the file list,
// then the Video Track list, then the sequence list, then ToolkitLock.
#include <cstdio>
#include <strings.h>

#include "class_state.h"
#include "omf/omf_session.h"
#include "omf_format.h"
#include "tarsel/system/clip.h"
#include "tarsel/system/image.h"
#include "tarsel/system/tool.h"

namespace omfplugin {

namespace {

constexpr const char* kVideoTrackName = "Video Track";
constexpr const char* kVideoTrackID = "VideoTrack";
// Size of a sequence entry's text.
constexpr int kEntryTextSize = 64;

} // namespace

bool OMFFormat::AddLoadInputs(Tool* tool) {
    if (!tool) return false;
    TagList tags;
    tags.Add(LINKID_DataType, CLSID_DataType_Number);
    tags.Add(INPID_InputControl, CLSID_InputControl_List);
    tags.Add(INP_Required, 0);
    tags.Add(INP_DoNotifyChanged, 1);
    {
        ObjectLock files(m_FileMobNameList);
        ObjectLock tracks(m_VideoTrackList);
        m_VideoTrackList.Clear();
        m_FileMobNameList.ForEach([&](std::size_t, const List::Node& node) {
            const auto* name = static_cast<const std::string*>(node.Item);
            m_VideoTrackList.AddTail(new std::string(*name), node.Data);
            tags.Add(CCS_AddString, std::string_view(*name));
            return true;
        });
        if (m_HasCompositions) {
            int composition = 1;
            m_Compositions.ForEach([&](std::size_t, const List::Node& node) {
                const auto* entry = static_cast<const CompEntry*>(node.Item);
                for (int sequence = 1; sequence <= entry->SequenceCount; ++sequence) {
                    char text[kEntryTextSize];
                    std::snprintf(text, sizeof text, "Composition %3d - Sequence %3d", composition,
                                  sequence);
                    m_VideoTrackList.AddTail(new std::string(text), nullptr);
                    tags.Add(CCS_AddString, text);
                }
                ++composition;
                return true;
            });
        }
    }
    m_VideoTrackInput = tool->AddInput(kVideoTrackName, kVideoTrackID, tags);
    return m_VideoTrackInput != nullptr;
}

bool OMFFormat::OnLoadInputChanged(Tool*, Input* input, const Parameter* value) {
    if (value && input && input == m_VideoTrackInput)
        SelectEntry(static_cast<int32_t>(value->Number()));
    return true;
}

bool OMFFormat::ApplyLoadRequest(Tool*, const Request* request) {
    const Parameter* value = request ? request->GetInputData(m_VideoTrackInput) : nullptr;
    if (value) SelectEntry(static_cast<int32_t>(value->Number()));
    return true;
}

void OMFFormat::SelectEntry(int32_t index) {
    m_SequenceMode = false;
    ObjectLock tracks(m_VideoTrackList);
    if (m_VideoTrackList.Count() == 0) return;
    m_SelectedIndex = index;
    m_Sequences.ObtainLock();
    const auto files = static_cast<int32_t>(m_VideoTrackList.Count() - m_Sequences.Count());
    if (index < files) {
        m_CurrentSequence = nullptr;
        m_CurrentSequenceIndex = -1;
        m_Sequences.ReleaseLock();
        List::Node node;
        if (index < 0 || !m_VideoTrackList.GetNode(std::size_t(index), node)) return;
        ObjectLock toolkit(TheClass().ToolkitLock);
        m_SelectedMedia = static_cast<omfMediaHdl_t>(node.Data);
        if (!m_SelectedMedia) return;
        // The host gets this media's size and rate, not those of the master listed last.
        omfObject_t pictureKind = nullptr;
        omfErr_t error = 0;
        omfsFindDataKind(m_File, kOmfDataKindPicture, &pictureKind, &error);
        m_LastError = TakeFrameFormat(m_SelectedMedia, pictureKind);
        if (m_LastError == 0) m_LastError = OpenPictureMedia(m_SelectedMedia, true);
        return;
    }
    m_SequenceMode = true;
    const int32_t sequenceIndex = index - files;
    if (sequenceIndex != m_CurrentSequenceIndex) {
        m_CurrentSequenceIndex = sequenceIndex;
        // An index beyond the list keeps the sequence played so far.
        if (auto* sequence = static_cast<SequenceEntry*>(m_Sequences.GetItem(sequenceIndex)))
            m_CurrentSequence = sequence;
        if (m_CurrentSequence) {
            m_CurrentComposition = m_CurrentSequence->Composition;
            m_ClipLength = m_CurrentSequence->Length();
            m_SelectedMedia = nullptr;
        } else {
            m_SequenceMode = false;
            m_CurrentSequenceIndex = -1;
        }
    }
    m_OpenMediaIndex = -1;
    m_Sequences.ReleaseLock();
}

bool OMFFormat::LoadSequenceFrame(int32_t frame, Image*& image, TagList& tags) {
    SequenceEntry* sequence = m_CurrentSequence;
    if (!sequence) return ReadSourceFrame(frame, frame, image, tags);
    const int32_t position = frame + sequence->Start;
    if (position >= sequence->End) return false;

    SegmentEntry* segment = nullptr;
    {
        ObjectLock segments(sequence->Segments);
        sequence->Segments.ForEach([&](std::size_t, const List::Node& node) {
            auto* candidate = static_cast<SegmentEntry*>(node.Item);
            if (candidate->Start <= position && position < candidate->End) segment = candidate;
            return segment == nullptr;
        });
        if (segment && !segment->ExternalClip && segment->HasSource && segment->Path[0]) {
            // Segments naming one file (in any case) share one clip.
            sequence->Segments.ForEach([&](std::size_t, const List::Node& node) {
                const auto* other = static_cast<const SegmentEntry*>(node.Item);
                if (other != segment && other->HasSource && other->ExternalClip &&
                    strcasecmp(other->Path, segment->Path) == 0) {
                    other->ExternalClip->Use();
                    segment->ExternalClip = other->ExternalClip;
                }
                return segment->ExternalClip == nullptr;
            });
            // The file LoadHeader found (it may have moved into the media search path).
            if (!segment->ExternalClip) {
                const char* file =
                    segment->MediaFile.empty() ? segment->Path : segment->MediaFile.c_str();
                segment->ExternalClip = new Clip(file, false, Document);
            }
        }
    }
    if (!segment) return ReadSourceFrame(frame, frame, image, tags);
    const int32_t source = position + segment->SourceOffset - segment->Start;
    if (segment->ExternalClip) {
        if (Image* external = segment->ExternalClip->GetFrameTagList(source)) {
            if (image) image->Recycle();
            image = external;
            return true;
        }
    }
    // A gap plays nothing: it must not show the media opened for another segment.
    if (!segment->HasSource) return false;
    if (segment->MediaIndex != m_OpenMediaIndex) {
        m_SelectedMedia = nullptr;
        if (segment->MediaIndex >= 0) {
            ObjectLock tracks(m_VideoTrackList);
            List::Node node;
            if (m_VideoTrackList.GetNode(std::size_t(segment->MediaIndex), node)) {
                ObjectLock toolkit(TheClass().ToolkitLock);
                m_SelectedMedia = static_cast<omfMediaHdl_t>(node.Data);
                if (m_SelectedMedia && OpenPictureMedia(m_SelectedMedia, false) == 0)
                    m_OpenMediaIndex = segment->MediaIndex;
            }
        }
    }
    return ReadSourceFrame(frame, source, image, tags);
}

} // namespace omfplugin
