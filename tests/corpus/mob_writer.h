// Mobs, tracks, source clips, sequences and media data objects written value by value, in
// the shape each revision gives them: 1.x MOBJ objects with TRAK tracks listed in the HEAD's
// MobIndex lists, 2.x MMOB, CMOB and SMOB objects with MSLT slots in the HEAD's Mobs.
#pragma once

#include "corpus_writer.h"

#include <map>
#include <vector>

namespace corpus {

enum class MobKind { Composition, Master, File };
enum class DataKind { Picture, Sound };

struct TrackSpec {
    uint32_t trackID = 1;
    Rational editRate;
    CMObject segment = nullptr;
};

class MobWriter {
  public:
    explicit MobWriter(CorpusFile& file);

    CorpusFile& file() { return file_; }
    // Type names of the file's revision for numbers the two revisions name differently.
    std::string_view int32Type() const { return file_.is2x() ? "Int32" : "Long"; }
    std::string_view uint32Type() const { return file_.is2x() ? "UInt32" : "Ulong"; }
    std::string_view int16Type() const { return file_.is2x() ? "Int16" : "Short"; }
    std::string_view rateType() const { return file_.is2x() ? "Rational" : "ExactEditRate"; }
    std::string_view lengthType() const { return file_.is2x() ? "Length32" : "Long"; }
    // The type of sound and TIFF data and summaries ("VarLenBytes" in 1.x files).
    std::string_view mediaBytesType() const { return file_.is2x() ? "DataValue" : "VarLenBytes"; }

    CMObject sourceClip(DataKind kind, Rational editRate, int32_t length, MobID source,
                        uint32_t sourceTrack, int32_t start);
    CMObject sequence(DataKind kind, Rational editRate, const std::vector<CMObject>& parts,
                      int32_t length);
    // A mob with its tracks (each track's segment of `kind`), listed in the HEAD.
    CMObject mob(MobKind kind, const std::string& name, MobID id, DataKind dataKind,
                 const std::vector<TrackSpec>& tracks, int32_t length,
                 CMObject descriptor = nullptr);
    // A descriptor of `classID` with the media file description every one carries.
    CMObject fileDescriptor(std::string_view classID, Rational sampleRate, int32_t length,
                            bool inThisFile);
    // A media data object of `classID` for the file mob `id`, listed in the HEAD.
    CMObject mediaData(std::string_view classID, MobID id);

  private:
    CMObject dataKindObject(DataKind kind);
    void componentBasics(CMObject component, DataKind kind, Rational editRate, int32_t length);

    CorpusFile& file_;
    std::map<DataKind, CMObject> dataKinds_;
};

} // namespace corpus
