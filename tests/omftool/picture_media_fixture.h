// OMF files with picture media built through the media calls, for the
// omftool commands that read media: uncompressed component video (CDCI
// 4:2:2, full frames or separated fields) and RGB video with or without
// alpha, each on a master mob of its own, with frames of known bytes.
#pragma once

#include "omf/omf_media.h"
#include "omf_fixture.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace omftool_test {

// Stored bytes of one frame: a pattern that differs per frame and runs
// through the whole byte range (video levels below 16 and above 235 included).
inline std::vector<uint8_t> frameBytes(size_t size, int frame) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = uint8_t(frame * 71 + i * 37 + i / 7);
    return bytes;
}

// What one master mob's media holds.
struct TestPicture {
    std::string masterName;
    const char* codecID; // "CDCI" or "RGBA"
    const char* letters; // RGBA component order ("ARGB", "RGB"); unused for CDCI
    int width;
    int storedHeight; // rows of one field for separated fields
    omfFrameLayout_t layout;
    int frames;
    omfRect_t sampled = {0, 0, 0, 0}; // a sampled area other than the stored one, when wide

    size_t bytesPerPixel() const {
        return std::strcmp(codecID, "CDCI") == 0 ? 2 : std::strlen(letters);
    }
    size_t frameSize() const {
        return size_t(width) * size_t(storedHeight) * (layout == kOmfSeparateFields ? 2 : 1) *
               bytesPerPixel();
    }
};

// The media every file of the tests holds, in mob-table order; a master mob
// without tracks comes first, so that it is not counted as a picture one.
inline const std::vector<TestPicture>& standardMedia() {
    static const std::vector<TestPicture> media = {
        {"cdci", "CDCI", "", 8, 4, kOmfFullFrame, 3},
        {"alpha", "RGBA", "ARGB", 6, 4, kOmfFullFrame, 2},
        {"opaque", "RGBA", "RGB", 4, 2, kOmfFullFrame, 1},
        {"fields", "CDCI", "", 4, 3, kOmfSeparateFields, 1},
    };
    return media;
}

// A session with the media layer that writes such files.
class PictureMediaTest : public omf_test::ToolkitTest {
  protected:
    void SetUp() override {
        ToolkitTest::SetUp();
        if (HasFatalFailure()) return;
        ASSERT_EQ(omfmInit(session_), 0);
    }

    // Writes a file of `revision` (2.x unless a codec writes only 1.x files): an empty master
    // mob named "no tracks", then the media of `pictures`.
    void writeMediaFile(const std::string& file, const std::vector<TestPicture>& pictures,
                        omfFileRev_t revision = kOmfRev2x) {
        omfHdl_t omf = nullptr;
        ASSERT_EQ(omfsNewFile(file.c_str(), session_, revision, &omf), 0);
        omfObject_t empty = nullptr;
        EXPECT_EQ(omfmCreateMasterMob(omf, "no tracks", 9, &empty), 0);
        for (const TestPicture& picture : pictures)
            writeMedia(omf, picture);
        ASSERT_EQ(omfsCloseOMFFile(omf), 0);
    }

  private:
    void writeMedia(omfHdl_t omf, const TestPicture& picture) {
        SCOPED_TRACE(picture.masterName);
        omfObject_t master = nullptr, fileMob = nullptr;
        ASSERT_EQ(omfmCreateMasterMob(omf, picture.masterName.c_str(),
                                      omfInt32(picture.masterName.size()), &master),
                  0);
        ASSERT_EQ(omfmCreateFileMob(omf, (picture.masterName + " frames").c_str(), {25, 1},
                                    picture.codecID, &fileMob),
                  0);
        omfMediaHdl_t media = nullptr;
        ASSERT_EQ(omfmCreateVideoMedia(omf, master, 1, fileMob, 0, {25, 1}, picture.storedHeight,
                                       picture.width, picture.layout, {4, 3}, &media),
                  0);
        std::vector<omfFormatEntry_t> format;
        if (std::strcmp(picture.codecID, "RGBA") == 0) {
            omfFormatEntry_t letters = omfmFormatEntry(kOmfRGBCompLayout);
            std::strncpy(letters.operand.compLayout, picture.letters, 8);
            omfFormatEntry_t sizes = omfmFormatEntry(kOmfRGBCompSizes);
            std::memset(sizes.operand.compSizes, 8, std::strlen(picture.letters));
            format = {letters, sizes};
        }
        if (picture.sampled.xSize > 0) {
            omfFormatEntry_t sampled = omfmFormatEntry(kOmfSampledRect);
            sampled.operand.rect = picture.sampled;
            format.push_back(sampled);
        }
        if (picture.layout == kOmfSeparateFields) {
            // Field 1 holds the even lines of a frame: its first line comes first.
            omfFormatEntry_t order = omfmFormatEntry(kOmfFieldDominance);
            omfFormatEntry_t lineMap = omfmFormatEntry(kOmfVideoLineMap);
            lineMap.operand.lineMap[0] = 16;
            lineMap.operand.lineMap[1] = 279;
            format.push_back(order);
            format.push_back(lineMap);
        }
        if (!format.empty()) {
            format.push_back(omfmFormatEntry(kOmfVFmtEnd));
            ASSERT_EQ(omfmSetFileFormat(media, format.data()), 0);
            if (std::strcmp(picture.codecID, "RGBA") == 0) {
                // Frames are handed over as they are stored.
                std::vector<omfFormatEntry_t> memory = {format[0], format[1],
                                                        omfmFormatEntry(kOmfVFmtEnd)};
                ASSERT_EQ(omfmSetMemoryFormat(media, memory.data()), 0);
            }
        }
        for (int frame = 0; frame < picture.frames; ++frame) {
            std::vector<uint8_t> bytes = frameBytes(picture.frameSize(), frame);
            ASSERT_EQ(omfmWriteMediaSamples(media, 1, bytes.data(), omfInt32(bytes.size())), 0);
        }
        ASSERT_EQ(omfmCloseMedia(media), 0);
    }
};

} // namespace omftool_test
