// Test helper: OMF files with RGB picture media on master mobs, written through the media
// calls, and optionally a composition playing 10 frames of each master in turn.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "media_session.h"
#include "omf/omf_media.h"
#include "omf/omf_mobs.h"
#include "omf/omf_session.h"

namespace plugin_test {

#define WRITE_CHECK(expression)                                                                    \
    do {                                                                                           \
        omfErr_t writeStatus_ = (expression);                                                      \
        if (writeStatus_ != 0) return writeStatus_;                                                \
    } while (0)

struct TestMedia {
    const char* name;
    omfInt32 width;
    omfInt32 storedHeight; // rows of one field for separate fields
    omfFrameLayout_t layout;
    omfRational_t rate;
    omfRational_t aspect;
    int frames;
    const char* codecID = "RGBA";
    bool alpha = false; // RGBA media stored as 32-bit A R G B
    // With a field order of 0 or 1, the line map of the media's signal standard, from firstLine.
    omfInt32 fieldOrder = -1;
    omfInt16 firstLine = 21;
};

// Byte i of stored frame `frame`: a pattern that differs per frame and covers all values.
inline uint8_t FrameByte(std::size_t i, int frame) {
    return uint8_t(i * 37 + i / 5 + frame * 71);
}

// Media of one master mob: 24-bit R G B (or 32-bit A R G B) frames of FrameByte's pattern, frame f
// written as pattern f + `firstPattern`.
inline omfErr_t WriteMedia(omfHdl_t file, const TestMedia& item, int firstPattern,
                           omfMobID_t* masterID) {
    omfObject_t master = nullptr, fileMob = nullptr;
    WRITE_CHECK(omfmCreateMasterMob(file, item.name, omfInt32(std::strlen(item.name)), &master));
    WRITE_CHECK(omfmCreateFileMob(file, item.name, item.rate, item.codecID, &fileMob));
    omfMediaHdl_t handle = nullptr;
    WRITE_CHECK(omfmCreateVideoMedia(file, master, 1, fileMob, 0, item.rate, item.storedHeight,
                                     item.width, item.layout, item.aspect, &handle));
    if (item.alpha) {
        omfFormatEntry_t format[3] = {};
        format[0].opcode = kOmfRGBCompLayout;
        std::memcpy(format[0].operand.compLayout, "ARGB", 4);
        format[1].opcode = kOmfRGBCompSizes;
        std::memset(format[1].operand.compSizes, 8, 4);
        format[2].opcode = kOmfVFmtEnd;
        WRITE_CHECK(omfmSetFileFormat(handle, format));
        WRITE_CHECK(omfmSetMemoryFormat(handle, format));
    }
    if (item.fieldOrder >= 0) WRITE_CHECK(omfmPutLineMap(handle, item.firstLine, item.fieldOrder));
    const int rows = item.storedHeight * (item.layout == kOmfSeparateFields ? 2 : 1);
    std::vector<uint8_t> frame(size_t(item.width) * rows * (item.alpha ? 4 : 3));
    for (int f = 0; f < item.frames; ++f) {
        for (std::size_t i = 0; i < frame.size(); ++i)
            frame[i] = FrameByte(i, f + firstPattern);
        WRITE_CHECK(omfmWriteMediaSamples(handle, 1, frame.data(), omfInt32(frame.size())));
    }
    WRITE_CHECK(omfmCloseMedia(handle));
    return omfiReadMobID(file, master, masterID);
}

// A composition playing 10 frames of each master in turn, with a filler of `gap` frames after
// the first clip when `gap` is not 0.
inline omfErr_t WriteComposition(omfHdl_t file, const std::vector<omfMobID_t>& masters,
                                 omfLength_t gap) {
    omfObject_t picture = nullptr;
    omfErr_t error = 0;
    if (!omfsFindDataKind(file, "omfi:data:Picture", &picture, &error)) return error;
    omfObject_t sequence = nullptr;
    WRITE_CHECK(omfiSequenceNew(file, picture, &sequence));
    for (const omfMobID_t& id : masters) {
        omfObject_t clip = nullptr;
        WRITE_CHECK(omfiMakeSourceClip(file, picture, 10, omfSourceRef_t{id, 1, 0}, &clip));
        WRITE_CHECK(omfiSequenceAppendCpnt(file, sequence, clip));
        if (gap != 0 && &id == &masters.front()) {
            omfObject_t filler = nullptr;
            WRITE_CHECK(omfiFillerNew(file, picture, gap, &filler));
            WRITE_CHECK(omfiSequenceAppendCpnt(file, sequence, filler));
        }
    }
    omfMobID_t compositionID{};
    omfObject_t composition = nullptr;
    WRITE_CHECK(omfiMobIDNew(file, &compositionID));
    WRITE_CHECK(omfiCompMobNew(file, "Edit", false, compositionID, &composition));
    return omfiAddTrackToMob(file, composition, omfRational_t{25, 1}, sequence, 0, 1, nullptr,
                             nullptr);
}

// Pattern offset between the media of consecutive master mobs, so that no two look alike.
inline constexpr int kPatternsPerMedia = 1000;

// Writes a 2.x file at `path` in a plug-in session of its own; the media of entry m holds
// patterns from m x kPatternsPerMedia on.
inline omfErr_t WritePictureFile(const std::string& path, const std::vector<TestMedia>& media,
                                 bool withComposition, omfLength_t gap = 0) {
    omfplugin::MediaSession session = omfplugin::StartMediaSession();
    if (!session.Session) return session.StartError;
    omfHdl_t file = nullptr;
    omfErr_t status = omfsNewFile(path.c_str(), session.Session, kOmfRev2x, &file);
    std::vector<omfMobID_t> masters;
    for (std::size_t m = 0; m < media.size(); ++m) {
        omfMobID_t id{};
        if (status == 0) status = WriteMedia(file, media[m], int(m) * kPatternsPerMedia, &id);
        masters.push_back(id);
    }
    if (status == 0 && withComposition) status = WriteComposition(file, masters, gap);
    if (file) {
        const omfErr_t closed = omfsCloseOMFFile(file);
        if (status == 0) status = closed;
    }
    omfplugin::FinishMediaSession(session);
    return status;
}

} // namespace plugin_test
