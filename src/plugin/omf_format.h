// OMFFormat: the host format object that reads OMF Interchange files.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "media_session.h"
#include "omf/omf_media_types.h"
#include "omf/omf_mobs.h"
#include "omf/omf_types.h"
#include "save_state.h"
#include "tarsel/system/image_format.h"
#include "tarsel/system/list.h"
#include "timeline_model.h"

namespace omfplugin {

// Attribute the format answers through CopyAttr: into a TagList (out: TagList*), the segments of
// the current sequence whose media lies outside the file, in timeline order, each as the
// ExternalMediaTag entries below in their order. Empty when no sequence is played.
inline constexpr Tag OMFA_ExternalMedia = 0x600000e0;

enum ExternalMediaTag : Tag {
    EXTM_Start = 0x100000e1,   // integer: first frame of the entry the segment plays
    EXTM_End = 0x100000e2,     // integer: the frame after its last
    EXTM_MobName = 0x300000e3, // text: name of the mob the segment's clip plays
    EXTM_Path = 0x300000e4,    // text: the path its locator names
    EXTM_Found = 0x300000e5,   // text: the file found for it, empty when none was
};

class OMFFormat : public ImageFormat {
  public:
    // Begins the object's own toolkit session (media layer and Avid's codecs ready). When the
    // session cannot start, every later operation answers false.
    OMFFormat(Registry* registry, const ScriptVal& table, const TagList& tags);
    ~OMFFormat() override;

    bool CopyAttr(Tag tag, void* out) override;
    bool IsThisFormat(const TsStringT& path) override;
    bool Close() override;
    bool LoadHeader(const TsStringT& path) override;
    bool LoadFrameTagList(int32_t frame, Image*& image, TagList& tags) override;
    bool AddLoadInputs(Tool* tool) override;
    bool OnLoadInputChanged(Tool* tool, Input* input, const Parameter* value) override;
    bool ApplyLoadRequest(Tool* tool, const Request* request) override;
    bool AddSaveInputs(Tool* tool) override;
    bool OnSaveInputChanged(Tool* tool, Input* input, const Parameter* value) override;
    bool ApplySaveRequest(Tool* tool, const Request* request) override;
    bool SaveHeader(const TsStringT& path, Image* templateImage) override;
    bool SaveFrame(Image* image) override;

    // The model the last scan built, for inspection.
    const List& Compositions() const { return m_Compositions; }
    const List& Sequences() const { return m_Sequences; }
    const List& Transitions() const { return m_Transitions; }
    // Names of the picture master mobs whose media opened (std::string items, media handles
    // as data).
    const List& FileMobNames() const { return m_FileMobNameList; }
    bool HasCompositions() const { return m_HasCompositions; }
    omfErr_t LastError() const { return m_LastError; }
    // The saver's choices and the media it set up, for inspection.
    const SaveState& Saving() const { return m_Save; }

  private:
    // Reports a toolkit failure against the open file and keeps it as the last error.
    // A `detail` (the decoder's messages) is shown with it.
    void Report(omfErr_t code, std::string_view detail = {});
    // Empties the model and the file list.
    void ClearModel();
    void CloseFile();
    // Opens the file named by m_FileName and builds the model from it; the file stays open
    // when the scan succeeds. Runs under ToolkitLock.
    bool Scan();
    // Adds every picture master mob whose media opens to the file list and takes the frame
    // size, pixel aspect and rate from them. Runs under ToolkitLock.
    bool ListPictureMasters();
    // Finds the file of every segment that names external media (MediaFile), where its path
    // says or by name in the media search path, and warns once per path found nowhere.
    void LocateExternalMedia();
    // An edit without media inside the file takes its frame size from the first external
    // picture found for its sequences (0 x 0 when none is).
    void TakeExternalFrameSize();
    // Fills OMFA_ExternalMedia's list for the current sequence.
    void ListExternalMedia(TagList& list);
    bool AddPictureTrack(omfObject_t masterMob, omfObject_t track, omfObject_t pictureKind);
    // Whether a sequence segment plays the master's media from a file outside the OMF file.
    bool PlayedThroughClips(omfObject_t masterMob);
    // Reads the media's frame geometry and gives it the memory format; with `withLength` the
    // clip length becomes its sample count. Answers the first toolkit failure.
    omfErr_t OpenPictureMedia(omfMediaHdl_t media, bool withLength);
    // Reads frame `source` of the selected media into the image the host gets for `frame`.
    bool ReadSourceFrame(int32_t frame, int32_t source, Image*& image, TagList& tags);
    // Reads one sample of the selected media as A, R, G, B bytes into `buffer`: DV frames
    // decoded by the movie server, other media through the media calls. A frame that arrives
    // empty or that no server decodes leaves `bytesRead` at 0 and answers 0.
    omfErr_t ReadFrameBytes(std::span<uint8_t> buffer, omfInt32& bytesRead);
    // Makes Video Track entry `index` the one played: a picture master's media or a sequence.
    void SelectEntry(int32_t index);
    // Maps frame `frame` of the current sequence to its segment's source and reads it there.
    bool LoadSequenceFrame(int32_t frame, Image*& image, TagList& tags);
    // Takes the frame size, bits per pixel, rate and pixel aspect the host gets from the media.
    omfErr_t TakeFrameFormat(omfMediaHdl_t media, omfObject_t pictureKind);
    void SetPixelAspect(omfMediaHdl_t media, omfObject_t pictureKind, omfInt32 standard);
    // SaveHeader's media: of the template's size for most codecs, of an Avid resolution for
    // "AJPG". Run under ToolkitLock; answer the first toolkit failure.
    omfErr_t CreateFrameSizedMedia(const Image& templateImage);
    omfErr_t CreateResolutionMedia(const Image& templateImage, omfObject_t pictureKind);
    omfErr_t PutQualityTables();
    // The frame SaveFrame stores: the image itself, or for "AJPG" a new image cut (and halved
    // or reduced to one field) to the stored picture. Null when it cannot be made.
    Image* StoredPicture(Image* image);
    // Closes the media and file SaveHeader made, reporting a failure to write them, and frees
    // the quantisation tables. True when nothing was saved or everything was written.
    bool FinishSavedFile();

    omfErr_t m_LastError = 0;
    std::string m_FileName;
    MediaSession m_Session;
    omfHdl_t m_File = nullptr;
    omfFileRev_t m_FileRevision{};
    omfMediaHdl_t m_Media = nullptr;
    omfMediaHdl_t m_SelectedMedia = nullptr;
    int32_t m_SelectedIndex = 0;
    omfRational_t m_FrameRate{0, 0};
    omfFrameLayout_t m_FrameLayout{};
    omfInt32 m_StoredWidth = 0;
    omfInt32 m_StoredHeight = 0;
    omfRect_t m_SampledArea{};
    omfRect_t m_DisplayArea{};
    omfFormatEntry_t m_MemoryFormat[5] = {};
    int32_t m_ClipLength = 0;
    bool m_SequenceMode = false;
    bool m_HasCompositions = false;
    int32_t m_CurrentSequenceIndex = -1;
    SequenceEntry* m_CurrentSequence = nullptr;
    CompEntry* m_CurrentComposition = nullptr;
    int32_t m_OpenMediaIndex = -1;

    List m_Compositions; // CompEntry, owned
    List m_Sequences;    // SequenceEntry of all compositions in the order they were finished
    List m_Transitions;  // TransitionEntry, owned
    List m_FileMobNameList;
    List m_VideoTrackList; // texts; media handle of file entries, null for sequences
    Input* m_VideoTrackInput = nullptr;
    ScriptVal m_Server; // this object's own binding to the movie server, for DV frames
    SaveState m_Save;
};

} // namespace omfplugin
