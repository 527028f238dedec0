// LoadHeader: the picture master mobs of an OMF file, their media opened for reading, and the
// frame size, pixel aspect and rate the host gets from them; a file whose composition sequences
// were kept loads even when no media lies inside it.
#include <cstring>

#include "class_state.h"
#include "mob_iterator.h"
#include "omf/omf_error_codes.h"
#include "omf/omf_media.h"
#include "omf/omf_mobs.h"
#include "omf/omf_session.h"
#include "omf_format.h"
#include "tarsel/system/preferences.h"

namespace omfplugin {

namespace {

// Master mob names are read up to this size.
constexpr int kMobNameSize = 64;
// Frame size given for a master whose track is a plain source clip, until its media says more.
constexpr int32_t kDefaultWidth = 720;
constexpr int32_t kNTSCHeight = 486;
constexpr int32_t kPALHeight = 576;
// Signal standards of omfmGetSignalStandard.
constexpr omfInt32 kNTSC = 1;
constexpr omfInt32 kPAL = 2;

bool IsA(omfHdl_t file, omfObject_t object, const char* classID) {
    omfErr_t error = 0;
    return object && omfiIsTypeOf(file, object, classID, &error) && error == 0;
}

// Whether a failure to open a master's media says only that the media lies outside the file:
// no media data here, or a descriptor no codec of the toolkit reads.
bool MeansExternalMedia(omfErr_t status) {
    return status == OM_ERR_MEDIA_NOT_FOUND || status == OM_ERR_INVALID_CODEC;
}

} // namespace

bool OMFFormat::PlayedThroughClips(omfObject_t masterMob) {
    bool external = false;
    m_Sequences.ForEach([&](std::size_t, const List::Node& node) {
        static_cast<SequenceEntry*>(node.Item)->Segments.ForEach(
            [&](std::size_t, const List::Node& part) {
                const auto* segment = static_cast<const SegmentEntry*>(part.Item);
                external = segment->SourceMob == masterMob && segment->Path[0] != '\0';
                return !external;
            });
        return !external;
    });
    return external;
}

omfErr_t OMFFormat::OpenPictureMedia(omfMediaHdl_t media, bool withLength) {
    omfErr_t status = omfmGetVideoFormat(media, &m_FrameLayout, &m_StoredWidth, &m_StoredHeight,
                                         nullptr, nullptr, nullptr);
    if (status == 0) {
        status = omfmGetSampledArea(media, &m_SampledArea.xOffset, &m_SampledArea.yOffset,
                                    &m_SampledArea.xSize, &m_SampledArea.ySize);
    }
    if (status == 0) {
        status = omfmGetDisplayArea(media, &m_DisplayArea.xOffset, &m_DisplayArea.yOffset,
                                    &m_DisplayArea.xSize, &m_DisplayArea.ySize);
    }
    if (status == 0) {
        // Frames arrive as 8-bit A, R, G, B, fields kept apart when the media stores them so.
        m_MemoryFormat[0] = omfmFormatEntry(kOmfFrameLayout);
        m_MemoryFormat[0].operand.int32 =
            m_FrameLayout == kOmfSeparateFields ? kOmfSeparateFields : kOmfFullFrame;
        m_MemoryFormat[1] = omfmFormatEntry(kOmfPixelFormat);
        m_MemoryFormat[1].operand.int32 = kOmfPixRGBA;
        m_MemoryFormat[2] = omfmFormatEntry(kOmfRGBCompLayout);
        std::memcpy(m_MemoryFormat[2].operand.compLayout, "ARGB", 4);
        m_MemoryFormat[3] = omfmFormatEntry(kOmfRGBCompSizes);
        std::memset(m_MemoryFormat[3].operand.compSizes, 8, 4);
        m_MemoryFormat[4] = omfmFormatEntry(kOmfVFmtEnd);
        status = omfmSetMemoryFormat(media, m_MemoryFormat);
    }
    if (status == 0 && withLength) {
        omfInt64 samples = 0;
        status = omfmCountSamples(media, &samples);
        if (status == 0) m_ClipLength = static_cast<int32_t>(samples);
    }
    if (status != 0) Report(status);
    return status;
}

void OMFFormat::SetPixelAspect(omfMediaHdl_t media, omfObject_t pictureKind, omfInt32 standard) {
    omfFormatEntry_t aspect[2] = {omfmFormatEntry(kOmfAspectRatio), omfmFormatEntry(kOmfVFmtEnd)};
    // A ratio with a zero term says nothing (it would divide by zero): the standard decides.
    if (omfmGetInfo(media, kMediaInfoVideoFormat, pictureKind, sizeof aspect, aspect) == 0 &&
        aspect[0].operand.ratio.numerator != 0 && aspect[0].operand.ratio.denominator != 0 &&
        Height != 0) {
        const omfRational_t ratio = aspect[0].operand.ratio;
        PixelAspectX = 1.0;
        PixelAspectY = static_cast<float>(ratio.denominator) * static_cast<float>(Width) /
                       (static_cast<float>(ratio.numerator) * static_cast<float>(Height));
        return;
    }
    if (Width != kDefaultWidth) return;
    if (standard == kNTSC && Height == kNTSCHeight) {
        PixelAspectX = 0.9f;
        PixelAspectY = 1.0;
    } else if (standard == kPAL && Height == kPALHeight) {
        PixelAspectX = 1.0;
        PixelAspectY = 0.9375;
    }
}

omfErr_t OMFFormat::TakeFrameFormat(omfMediaHdl_t media, omfObject_t pictureKind) {
    omfInt16 pixelSize = 0;
    omfPixelFormat_t pixelFormat{};
    omfInt32 standard = 0;
    omfErr_t status = omfmGetVideoFormat(media, &m_FrameLayout, &m_StoredWidth, &m_StoredHeight,
                                         &m_FrameRate, &pixelSize, &pixelFormat);
    if (status == 0) status = omfmGetSignalStandard(media, &standard);
    if (status == 0) {
        status = omfmGetSampledArea(media, &m_SampledArea.xOffset, &m_SampledArea.yOffset,
                                    &m_SampledArea.xSize, &m_SampledArea.ySize);
    }
    if (status != 0) {
        Report(status);
        return status;
    }
    Width = m_SampledArea.xSize;
    Height = m_FrameLayout == kOmfFullFrame || m_FrameLayout == 0 ? m_SampledArea.ySize
                                                                  : 2 * m_SampledArea.ySize;
    BitsPerPixel = pixelSize;
    if (Document) {
        PixelAspectX = Document->GetPrefDouble(PREF_FFAspectX, PixelAspectX);
        PixelAspectY = Document->GetPrefDouble(PREF_FFAspectY, PixelAspectY);
    }
    SetPixelAspect(media, pictureKind, standard);
    return 0;
}

bool OMFFormat::AddPictureTrack(omfObject_t masterMob, omfObject_t track, omfObject_t pictureKind) {
    omfTrackID_t trackID = 0;
    omfObject_t segment = nullptr;
    omfErr_t status = omfiTrackGetInfo(m_File, masterMob, track, nullptr, 0, nullptr, nullptr,
                                       &trackID, &segment);
    omfInt16 channels = 0;
    if (status == 0)
        status = omfmCountChannels(m_File, masterMob, trackID, nullptr, pictureKind, &channels);
    if (status != 0) {
        // Media the sequences play through the host's clips is no fault of the file; what
        // cannot be found there is named by LocateExternalMedia.
        if (MeansExternalMedia(status) && PlayedThroughClips(masterMob)) {
            m_LastError = status;
            return false;
        }
        Report(status);
        return false;
    }
    if (channels == 0) return false;

    char name[kMobNameSize + 1] = {};
    omfiMobGetName(m_File, masterMob, kMobNameSize, name);
    if (IsA(m_File, segment, "SCLP")) {
        Width = kDefaultWidth;
        Height = kNTSCHeight;
        omfLength_t length = 0;
        if (omfiComponentLength(m_File, segment, &length) == 0)
            m_ClipLength = static_cast<int32_t>(length);
    }
    if (omfErr_t failed =
            omfmOpenMedia(m_File, masterMob, trackID, nullptr, kMediaOpenReadOnly, 0, &m_Media)) {
        m_Media = nullptr;
        if (MeansExternalMedia(failed) && PlayedThroughClips(masterMob)) {
            m_LastError = failed;
            return false;
        }
        Report(failed);
        return false;
    }
    m_FileMobNameList.AddTail(new std::string(name), m_Media);
    const auto entry = static_cast<int32_t>(m_FileMobNameList.Count() - 1);
    if (entry == m_SelectedIndex) m_SelectedMedia = m_Media;
    if (m_HasCompositions) {
        m_Sequences.ForEach([&](std::size_t, const List::Node& node) {
            static_cast<SequenceEntry*>(node.Item)->Segments.ForEach(
                [&](std::size_t, const List::Node& part) {
                    auto* segmentEntry = static_cast<SegmentEntry*>(part.Item);
                    if (segmentEntry->SourceMob == masterMob) segmentEntry->MediaIndex = entry;
                    return true;
                });
            return true;
        });
    }

    if (TakeFrameFormat(m_Media, pictureKind) != 0) return false;
    if (OpenPictureMedia(m_Media, true) != 0) return false;
    if (m_SequenceMode && m_CurrentSequence) m_ClipLength = m_CurrentSequence->Length();
    return true;
}

bool OMFFormat::ListPictureMasters() {
    MobIterator masters(m_File);
    if (masters.OpenError()) {
        Report(masters.OpenError());
        return false;
    }
    omfSearchCrit_t masterKind{};
    masterKind.searchTag = kOmfByMobKind;
    masterKind.tags.mobKind = kMasterMob;
    omfSearchCrit_t pictureTracks{};
    pictureTracks.searchTag = kOmfByDatakind;
    pictureTracks.tags.datakind = kOmfDataKindPicture;

    bool prepared = false;
    omfObject_t mob = nullptr;
    while (omfiNextMatchingMob(masters.get(), &masterKind, &mob) == 0) {
        omfObject_t pictureKind = nullptr;
        omfErr_t error = 0;
        if (!omfsFindDataKind(m_File, kOmfDataKindPicture, &pictureKind, &error)) {
            Report(error);
            continue;
        }
        MobIterator tracks(m_File);
        if (tracks.OpenError()) continue;
        omfObject_t track = nullptr;
        while (omfiNextTrackOf(tracks.get(), mob, &pictureTracks, &track) == 0) {
            if (AddPictureTrack(mob, track, pictureKind)) prepared = true;
        }
    }
    return prepared;
}

bool OMFFormat::LoadHeader(const TsStringT& path) {
    if (Document) {
        PixelAspectX = Document->GetPrefDouble(PREF_FFAspectX, PixelAspectX);
        PixelAspectY = Document->GetPrefDouble(PREF_FFAspectY, PixelAspectY);
    }
    if (!m_Session.Session) return false;
    m_FileName = path.ToANSI();
    bool prepared = false;
    {
        ObjectLock toolkit(TheClass().ToolkitLock);
        Width = Height = 0;
        if (!Scan()) return false;
        prepared = ListPictureMasters();
    }
    // Searching folders needs no toolkit work.
    LocateExternalMedia();
    if (!prepared) TakeExternalFrameSize();
    // An edit whose media all lie outside the file still plays its sequences.
    return prepared || m_Sequences.Count() > 0;
}

} // namespace omfplugin
