#include "omf_format.h"

#include <cstring>

#include "class_state.h"
#include "composition_scan.h"
#include "error_report.h"
#include "omf/omf_media.h"
#include "omf/omf_session.h"
#include "tarsel/system/format_host.h"

namespace omfplugin {

namespace {
List::Disposer DeleteTexts() {
    return [](void* item, void*) { delete static_cast<std::string*>(item); };
}
} // namespace

OMFFormat::OMFFormat(Registry* registry, const ScriptVal& table, const TagList& tags)
    : ImageFormat(registry, table, tags), m_Compositions(true, DeleteRecords<CompEntry>()),
      m_Sequences(true, DeleteRecords<SequenceEntry>()),
      m_Transitions(true, DeleteRecords<TransitionEntry>()),
      m_FileMobNameList(false, DeleteTexts()), m_VideoTrackList(true, DeleteTexts()) {
    m_Session = StartMediaSession();
    m_LastError = m_Session.StartError ? m_Session.StartError : m_Session.MediaError;
}

OMFFormat::~OMFFormat() {
    CloseFile();
    FinishMediaSession(m_Session);
}

void OMFFormat::Report(omfErr_t code, std::string_view detail) {
    m_LastError = code;
    ReportError(m_File, code, detail);
}

bool OMFFormat::CopyAttr(Tag tag, void* out) {
    switch (tag) {
    case FormatHost::FirstFrameAttr: {
        const int32_t first = 0;
        std::memcpy(out, &first, sizeof first);
        return true;
    }
    case FormatHost::FrameCountAttr: {
        int32_t length = 0;
        if (m_SequenceMode && m_CurrentSequence) {
            length = m_CurrentSequence->Length();
        } else if (m_ClipLength != 0) {
            length = m_ClipLength;
        } else if (auto* first = static_cast<SequenceEntry*>(m_Sequences.GetItem(0))) {
            length = first->Length();
        }
        std::memcpy(out, &length, sizeof length);
        return true;
    }
    case FormatHost::FrameRateAttr: {
        const double rate = m_FrameRate.denominator < 1
                                ? 0.0
                                : double(m_FrameRate.numerator) / m_FrameRate.denominator;
        std::memcpy(out, &rate, sizeof rate);
        return true;
    }
    case OMFA_ExternalMedia:
        if (!out) return false;
        ListExternalMedia(*static_cast<TagList*>(out));
        return true;
    default:
        return ImageFormat::CopyAttr(tag, out);
    }
}

void OMFFormat::ClearModel() {
    m_FileMobNameList.Clear();
    m_VideoTrackList.Clear();
    m_CurrentSequence = nullptr;
    m_CurrentComposition = nullptr;
    m_CurrentSequenceIndex = -1;
    m_SequenceMode = false;
    m_Sequences.Clear(); // each sequence deletes its segments, which release their clips
    m_Compositions.Clear();
    m_Transitions.Clear();
    m_HasCompositions = false;
}

void OMFFormat::CloseFile() {
    if (!m_File) return;
    if (m_Media) omfmCloseMedia(m_Media);
    // Closing the file closes every media handle still open on it, those of the file list too.
    omfsCloseOMFFile(m_File);
    m_File = nullptr;
    m_Media = nullptr;
    m_SelectedMedia = nullptr;
}

bool OMFFormat::Scan() {
    ClearModel();
    CloseFile();
    if (omfErr_t failed = omfsOpenFileForRead(m_FileName.c_str(), m_Session.Session, &m_File)) {
        m_File = nullptr;
        Report(failed);
        return false;
    }
    omfsFileRevision(m_File, &m_FileRevision);
    Timeline timeline{m_Compositions, m_Sequences, m_Transitions, m_FrameRate, m_HasCompositions};
    if (omfErr_t failed = ScanCompositions(m_File, m_FileRevision, timeline)) {
        Report(failed);
        CloseFile();
        return false;
    }
    return true;
}

bool OMFFormat::IsThisFormat(const TsStringT& path) {
    if (!m_Session.Session) return false;
    m_FileName = path.ToANSI();
    ObjectLock toolkit(TheClass().ToolkitLock);
    if (!Scan()) return false;
    m_SelectedIndex = 0;
    CloseFile();
    return true;
}

bool OMFFormat::Close() {
    ClearModel();
    const bool saved = FinishSavedFile();
    CloseFile();
    return ImageFormat::Close() && saved;
}

} // namespace omfplugin
