#include "mob_writer.h"

namespace corpus {
namespace {

constexpr uint32_t kWrittenAt = 1000000; // LastModified and CreationTime of every mob
constexpr int32_t kMasterUsage1x = 7;    // UsageCode of a 1.x master mob
constexpr int32_t kFileMobKind1x = 1;    // MobKind of a 1.x file mob's descriptor
constexpr int16_t kTrackKindPicture = 1; // 1.x TrackKind values
constexpr int16_t kTrackKindSound = 2;

const char* dataKindName(DataKind kind) {
    return kind == DataKind::Picture ? "omfi:data:Picture" : "omfi:data:Sound";
}

} // namespace

MobWriter::MobWriter(CorpusFile& file) : file_(file) {
    // The HEAD lists that every file carries, empty until something is added.
    CMObject head = file_.head();
    if (file_.is2x()) {
        for (const char* list : {"HEAD:Mobs", "HEAD:MediaData", "HEAD:DefinitionObjects"})
            file_.bytes(head, list, "ObjRefArray", {0, 0});
    } else {
        for (const char* list : {"CompositionMobs", "SourceMobs", "MediaData"})
            file_.bytes(head, list, "MobIndex", {0, 0});
        file_.bytes(head, "ObjectSpine", "ObjRefArray", {0, 0});
    }
}

CMObject MobWriter::dataKindObject(DataKind kind) {
    auto found = dataKinds_.find(kind);
    if (found != dataKinds_.end()) return found->second;
    CMObject definition = file_.object("DDEF");
    file_.string(definition, "DDEF:DataKindID", "UniqueName", dataKindName(kind));
    file_.appendObjRef(file_.head(), "HEAD:DefinitionObjects", definition);
    dataKinds_[kind] = definition;
    return definition;
}

void MobWriter::componentBasics(CMObject component, DataKind kind, Rational editRate,
                                int32_t length) {
    if (file_.is2x()) {
        file_.objRef(component, "CPNT:DataKind", dataKindObject(kind));
        file_.int32(component, "CPNT:Length", "Length32", length);
    } else {
        file_.int16(component, "CPNT:TrackKind", "TrackType",
                    kind == DataKind::Picture ? kTrackKindPicture : kTrackKindSound);
        file_.rational(component, "CPNT:EditRate", "ExactEditRate", editRate);
    }
}

CMObject MobWriter::sourceClip(DataKind kind, Rational editRate, int32_t length, MobID source,
                               uint32_t sourceTrack, int32_t start) {
    CMObject clip = file_.object("SCLP");
    componentBasics(clip, kind, editRate, length);
    file_.uid(clip, "SCLP:SourceID", source);
    if (file_.is2x()) {
        file_.int32(clip, "SCLP:SourceTrackID", "UInt32", int32_t(sourceTrack));
        file_.int32(clip, "SCLP:StartTime", "Position32", start);
    } else {
        file_.int32(clip, "CLIP:Length", "Long", length);
        file_.int16(clip, "SCLP:SourceTrack", "Short", int16_t(sourceTrack));
        file_.int32(clip, "SCLP:SourcePosition", "Long", start);
    }
    return clip;
}

CMObject MobWriter::sequence(DataKind kind, Rational editRate, const std::vector<CMObject>& parts,
                             int32_t length) {
    CMObject sequence = file_.object("SEQU");
    componentBasics(sequence, kind, editRate, length);
    for (CMObject part : parts)
        file_.appendObjRef(sequence, file_.is2x() ? "SEQU:Components" : "SEQU:Sequence", part);
    return sequence;
}

CMObject MobWriter::mob(MobKind kind, const std::string& name, MobID id, DataKind dataKind,
                        const std::vector<TrackSpec>& tracks, int32_t length, CMObject descriptor) {
    CMObject head = file_.head();
    if (file_.is2x()) {
        const char* classID = kind == MobKind::Composition ? "CMOB"
                              : kind == MobKind::Master    ? "MMOB"
                                                           : "SMOB";
        CMObject mob = file_.object(classID);
        file_.uid(mob, "MOBJ:MobID", id);
        file_.string(mob, "MOBJ:Name", "String", name);
        file_.timeStamp(mob, "MOBJ:LastModified", kWrittenAt);
        file_.timeStamp(mob, "MOBJ:CreationTime", kWrittenAt);
        file_.bytes(mob, "MOBJ:Slots", "ObjRefArray", {0, 0});
        for (const TrackSpec& track : tracks) {
            CMObject slot = file_.object("MSLT");
            file_.rational(slot, "MSLT:EditRate", "Rational", track.editRate);
            file_.objRef(slot, "MSLT:Segment", track.segment);
            CMObject description = file_.object("TRKD");
            file_.int32(description, "TRKD:Origin", "Position32", 0);
            file_.int32(description, "TRKD:TrackID", "UInt32", int32_t(track.trackID));
            file_.objRef(slot, "MSLT:TrackDesc", description);
            file_.appendObjRef(mob, "MOBJ:Slots", slot);
        }
        if (descriptor != nullptr) file_.objRef(mob, "SMOB:MediaDescription", descriptor);
        file_.appendObjRef(head, "HEAD:Mobs", mob);
        if (kind == MobKind::Master) file_.appendObjRef(head, "HEAD:PrimaryMobs", mob);
        return mob;
    }
    CMObject mob = file_.object("MOBJ");
    file_.uid(mob, "MOBJ:MobID", id);
    file_.string(mob, "CPNT:Name", "String", name);
    file_.timeStamp(mob, "MOBJ:LastModified", kWrittenAt);
    file_.int32(mob, "MOBJ:StartPosition", "Long", 0);
    if (kind == MobKind::Master)
        file_.int32(mob, "MOBJ:UsageCode", "UsageCodeType", kMasterUsage1x);
    componentBasics(mob, dataKind, tracks.empty() ? Rational{} : tracks.front().editRate, length);
    file_.int32(mob, "TRKG:GroupLength", "Long", length);
    file_.bytes(mob, "TRKG:Tracks", "ObjRefArray", {0, 0});
    // Tracks are numbered per track kind from 1; every mob here has one kind of track.
    int16_t label = 0;
    for (const TrackSpec& track : tracks) {
        CMObject trak = file_.object("TRAK");
        file_.int16(trak, "TRAK:LabelNumber", "Short", ++label);
        file_.objRef(trak, "TRAK:TrackComponent", track.segment);
        file_.appendObjRef(mob, "TRKG:Tracks", trak);
    }
    if (descriptor != nullptr) {
        file_.int32(descriptor, "MDES:MobKind", "PhysicalMobType", kFileMobKind1x);
        file_.objRef(mob, "MOBJ:PhysicalMedia", descriptor);
    }
    file_.appendMobIndex(head, kind == MobKind::File ? "SourceMobs" : "CompositionMobs", id, mob);
    file_.appendObjRef(head, "ObjectSpine", mob);
    return mob;
}

CMObject MobWriter::fileDescriptor(std::string_view classID, Rational sampleRate, int32_t length,
                                   bool inThisFile) {
    CMObject descriptor = file_.object(classID);
    file_.rational(descriptor, "MDFL:SampleRate", rateType(), sampleRate);
    file_.int32(descriptor, "MDFL:Length", lengthType(), length);
    file_.boolean(descriptor, "MDFL:IsOMFI", inThisFile);
    return descriptor;
}

CMObject MobWriter::mediaData(std::string_view classID, MobID id) {
    CMObject data = file_.object(classID);
    if (file_.is2x()) {
        file_.uid(data, "MDAT:MobID", id);
        file_.appendObjRef(file_.head(), "HEAD:MediaData", data);
        return data;
    }
    // 1.x TIFF, AIFC and WAVE data name their mob under their own class.
    const bool ownMobID = classID == "TIFF" || classID == "AIFC" || classID == "WAVE";
    file_.uid(data, ownMobID ? std::string(classID) + ":MobID" : "MDAT:MobID", id);
    file_.appendMobIndex(file_.head(), "MediaData", id, data);
    return data;
}

} // namespace corpus
