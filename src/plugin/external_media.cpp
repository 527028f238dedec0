// Composition segments whose media lies outside the OMF file: the file each one's locator path
// names, found where the path says or, for media that moved, by its name in the media search
// path; and the list of them a host can ask for.
#include <cctype>
#include <map>
#include <string>

#include "locator_path.h"
#include "omf_format.h"
#include "tarsel/system/application.h"
#include "tarsel/system/clip.h"
#include "tarsel/system/image.h"
#include "tarsel/system/media_search.h"

namespace omfplugin {

namespace {

// Paths are compared as the host's clips share them: without regard to case.
std::string FoldedCase(const char* text) {
    std::string folded(text);
    for (char& c : folded)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return folded;
}

} // namespace

void OMFFormat::LocateExternalMedia() {
    const std::vector<std::string> folders = MediaSearchFolders();
    std::map<std::string, std::string> files; // folded path -> file found, empty for none
    ObjectLock sequences(m_Sequences);
    m_Sequences.ForEach([&](std::size_t, const List::Node& node) {
        auto* sequence = static_cast<SequenceEntry*>(node.Item);
        ObjectLock segments(sequence->Segments);
        sequence->Segments.ForEach([&](std::size_t, const List::Node& part) {
            auto* segment = static_cast<SegmentEntry*>(part.Item);
            if (!segment->HasSource || !segment->Path[0]) return true;
            auto [known, fresh] = files.try_emplace(FoldedCase(segment->Path));
            if (fresh) {
                known->second = FindMediaFile(segment->Path, folders);
                if (known->second.empty()) {
                    if (Application* app = GetApp()) {
                        app->ShowMessage(MSG_Error,
                                         "OMF warning: media \"%s\" of \"%s\" not found where its "
                                         "locator says nor in the media search path; its frames "
                                         "are gaps",
                                         segment->Path, segment->MobName);
                    }
                }
            }
            segment->MediaFile = known->second;
            return true;
        });
        return true;
    });
}

void OMFFormat::TakeExternalFrameSize() {
    if (Width > 0 && Height > 0) return;
    std::string file;
    int32_t frame = 0;
    {
        ObjectLock sequences(m_Sequences);
        m_Sequences.ForEach([&](std::size_t, const List::Node& node) {
            auto* sequence = static_cast<SequenceEntry*>(node.Item);
            ObjectLock segments(sequence->Segments);
            sequence->Segments.ForEach([&](std::size_t, const List::Node& part) {
                const auto* segment = static_cast<const SegmentEntry*>(part.Item);
                if (segment->HasSource && !segment->MediaFile.empty()) {
                    file = segment->MediaFile;
                    frame = segment->SourceOffset;
                }
                return file.empty();
            });
            return file.empty();
        });
    }
    if (file.empty()) return;
    Clip* clip = new Clip(file.c_str(), false, Document);
    if (Image* picture = clip->GetFrameTagList(frame)) {
        Width = picture->Width();
        Height = picture->Height();
        picture->Recycle();
    }
    clip->Recycle();
}

void OMFFormat::ListExternalMedia(TagList& list) {
    list.Init();
    ObjectLock sequences(m_Sequences);
    SequenceEntry* sequence = m_SequenceMode ? m_CurrentSequence : nullptr;
    if (!sequence) return;
    ObjectLock segments(sequence->Segments);
    sequence->Segments.ForEach([&](std::size_t, const List::Node& node) {
        const auto* segment = static_cast<const SegmentEntry*>(node.Item);
        if (!segment->HasSource || !segment->Path[0]) return true;
        list.Add(EXTM_Start, segment->Start - sequence->Start);
        list.Add(EXTM_End, segment->End - sequence->Start);
        list.Add(EXTM_MobName, segment->MobName);
        list.Add(EXTM_Path, segment->Path);
        list.Add(EXTM_Found, std::string_view(segment->MediaFile));
        return true;
    });
}

} // namespace omfplugin
