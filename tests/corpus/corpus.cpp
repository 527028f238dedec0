// Writes the two files of one corpus: every kind of media in one file, and a composition
// whose pictures lie in files beside it.
#include "corpus.h"
#include "mob_writer.h"

#include <fstream>

namespace corpus {
namespace {

constexpr uint32_t kMobIDPrefix = 1000; // IDs of every mob the corpus writes

// A binary PPM picture of one colour.
bool writePicture(const std::string& path, int32_t width, int32_t height,
                  const ExternalSegment& segment) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << "P6\n" << width << " " << height << "\n255\n";
    for (int32_t pixel = 0; pixel < width * height; ++pixel)
        out.put(char(segment.red)).put(char(segment.green)).put(char(segment.blue));
    return bool(out);
}

std::string suffix(Revision revision, ByteOrder order) {
    return std::string(revision == Revision::TwoX ? "2x" : "1x") +
           (order == ByteOrder::Motorola ? "_MM" : "_II");
}

} // namespace

bool WriteExternalComposition(MobWriter& writer, const std::string& folder, Corpus* corpus) {
    corpus->compositionName = "Outside edit";
    corpus->compositionRate = {25, 1};
    corpus->pictureWidth = 64;
    corpus->pictureHeight = 48;
    const std::string tag = suffix(corpus->revision, corpus->order);
    corpus->segments = {{folder + "/outside_a_" + tag + ".ppm", 3, 200, 40, 40},
                        {folder + "/outside_b_" + tag + ".ppm", 2, 30, 60, 220}};
    CorpusFile& file = writer.file();
    const Rational rate = corpus->compositionRate;
    std::vector<CMObject> clips;
    int32_t total = 0;
    uint32_t major = 100;
    for (const ExternalSegment& segment : corpus->segments) {
        if (!writePicture(segment.path, corpus->pictureWidth, corpus->pictureHeight, segment))
            return false;
        const MobID master{kMobIDPrefix, ++major, 1}, fileMob{kMobIDPrefix, major, 2};
        // The file mob's media are only named: a UNIX locator, no data in this file.
        CMObject descriptor = writer.fileDescriptor("MDFL", rate, segment.length, false);
        CMObject locator = file.object("UNXL");
        file.string(locator, "UNXL:PathName", "String", segment.path);
        file.appendObjRef(descriptor, "MDES:Locator", locator);
        CMObject fileClip = writer.sourceClip(DataKind::Picture, rate, segment.length, {}, 0, 0);
        const std::string name = "Outside " + std::to_string(major - 100);
        writer.mob(MobKind::File, name + " file", fileMob, DataKind::Picture, {{1, rate, fileClip}},
                   segment.length, descriptor);
        CMObject masterClip =
            writer.sourceClip(DataKind::Picture, rate, segment.length, fileMob, 1, 0);
        writer.mob(MobKind::Master, name, master, DataKind::Picture, {{1, rate, masterClip}},
                   segment.length);
        clips.push_back(writer.sourceClip(DataKind::Picture, rate, segment.length, master, 1, 0));
        total += segment.length;
    }
    CMObject sequence = writer.sequence(DataKind::Picture, rate, clips, total);
    writer.mob(MobKind::Composition, corpus->compositionName, {kMobIDPrefix, 100, 9},
               DataKind::Picture, {{1, rate, sequence}}, total);
    return file.ok();
}

bool WriteCorpus(const std::string& folder, Revision revision, ByteOrder order, Corpus* corpus,
                 std::string* failure) {
    corpus->revision = revision;
    corpus->order = order;
    const std::string tag = suffix(revision, order);
    corpus->mediaPath = folder + "/media_" + tag + ".omf";
    corpus->compositionPath = folder + "/edit_" + tag + ".omf";
    {
        CorpusFile file(corpus->mediaPath, revision, order);
        MobWriter writer(file);
        using PictureWriter = bool (*)(MobWriter&, PictureMedia*);
        const std::pair<const char*, PictureWriter> pictures[] = {{"CDCI pictures", WriteCdciMedia},
                                                                  {"RGBA pictures", WriteRgbaMedia},
                                                                  {"JPEG pictures", WriteJpegMedia},
                                                                  {"TIFF pictures", WriteTiffMedia},
                                                                  {"DV pictures", WriteDvMedia}};
        uint32_t major = 0;
        for (const auto& [name, write] : pictures) {
            PictureMedia media;
            media.name = name;
            media.master = {kMobIDPrefix, ++major, 1};
            media.fileMob = {kMobIDPrefix, major, 2};
            if (!write(writer, &media)) {
                *failure = std::string("writing ") + name;
                return false;
            }
            corpus->pictures.push_back(std::move(media));
        }
        struct SoundShape {
            const char* name;
            bool wave;
            int16_t channels, bits;
            int32_t rate;
        };
        const SoundShape sounds[] = {{"AIFC stereo", false, 2, 16, 48000},
                                     {"AIFC mono 24", false, 1, 24, 44100},
                                     {"WAVE stereo", true, 2, 16, 48000},
                                     {"WAVE mono 24", true, 1, 24, 44100}};
        for (const SoundShape& shape : sounds) {
            SoundMedia media;
            media.name = shape.name;
            media.master = {kMobIDPrefix, ++major, 1};
            media.fileMob = {kMobIDPrefix, major, 2};
            media.channels = shape.channels;
            media.bits = shape.bits;
            media.rate = {shape.rate, 1};
            media.frames = 700;
            if (!(shape.wave ? WriteWaveMedia : WriteAifcMedia)(writer, &media)) {
                *failure = std::string("writing ") + shape.name;
                return false;
            }
            corpus->sounds.push_back(std::move(media));
        }
        if (!file.close()) {
            *failure = "closing " + corpus->mediaPath;
            return false;
        }
    }
    CorpusFile file(corpus->compositionPath, revision, order);
    MobWriter writer(file);
    if (!WriteExternalComposition(writer, folder, corpus) || !file.close()) {
        *failure = "writing " + corpus->compositionPath;
        return false;
    }
    return true;
}

} // namespace corpus
