// The test corpus: for one revision and byte order, a file of picture and sound media of
// every codec we read, and a composition file whose media lie in picture files beside it.
// Each writer records what it wrote, for the tests to compare with what they read.
#pragma once

#include "corpus_writer.h"

#include <string>
#include <vector>

namespace corpus {

struct PictureMedia {
    std::string name;    // the master mob's name
    std::string codecID; // the codec that should read it
    MobID master, fileMob;
    int32_t width = 0, storedHeight = 0; // stored height counts one field's rows
    int32_t layout = 1;                  // frame layout as the descriptor stores it
    Rational rate;
    std::vector<Bytes> rgb;    // each frame as 8-bit R, G, B rows, top to bottom
    std::vector<Bytes> stored; // each frame as stored: Y'CbCr 4:2:2, RGB, a JPEG or DV image
};

struct SoundMedia {
    std::string name;
    std::string codecID;
    MobID master, fileMob;
    int16_t channels = 0, bits = 0;
    Rational rate;
    int32_t frames = 0;
    Bytes samples; // interleaved sample frames, little-endian
};

// A composition track: segments naming picture files through master and file mobs.
struct ExternalSegment {
    std::string path; // the picture file the locator names
    int32_t length = 0;
    uint8_t red = 0, green = 0, blue = 0; // the file's one colour
};

struct Corpus {
    Revision revision = Revision::TwoX;
    ByteOrder order = ByteOrder::Intel;
    std::string mediaPath, compositionPath;
    std::vector<PictureMedia> pictures;
    std::vector<SoundMedia> sounds;
    std::string compositionName;
    Rational compositionRate;
    int32_t pictureWidth = 0, pictureHeight = 0; // of the external pictures
    std::vector<ExternalSegment> segments;
};

// Writes both files into `folder`; false (with a reason in `failure`) when one could not be.
bool WriteCorpus(const std::string& folder, Revision revision, ByteOrder order, Corpus* corpus,
                 std::string* failure);

class MobWriter;

// The writers of each kind of media, one master mob and file mob each.
bool WriteCdciMedia(MobWriter& writer, PictureMedia* media);
bool WriteRgbaMedia(MobWriter& writer, PictureMedia* media);
bool WriteJpegMedia(MobWriter& writer, PictureMedia* media);
bool WriteTiffMedia(MobWriter& writer, PictureMedia* media);
bool WriteDvMedia(MobWriter& writer, PictureMedia* media);
bool WriteAifcMedia(MobWriter& writer, SoundMedia* media);
bool WriteWaveMedia(MobWriter& writer, SoundMedia* media);
bool WriteExternalComposition(MobWriter& writer, const std::string& folder, Corpus* corpus);

// The smooth test picture of frame `frame`: R, G, B bytes, rows top to bottom.
Bytes TestPicture(int32_t width, int32_t height, int32_t frame);

} // namespace corpus
