#include "export_manifest.h"

namespace omftool {

namespace {

nlohmann::ordered_json fileJson(const ExportedFile& file) {
    nlohmann::ordered_json entry;
    entry["path"] =
        file.path.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(file.path);
    entry["kind"] = file.kind;
    entry["master_mob"] = file.masterMob;
    entry["mob_id"] = file.mobID;
    entry["track_id"] = file.trackID;
    entry["clip"] = file.clip ? nlohmann::ordered_json(*file.clip) : nlohmann::ordered_json();
    entry["source_start"] = file.sourceStart;
    entry["length"] = file.length;
    entry["timeline_start"] =
        file.timelineStart ? nlohmann::ordered_json(*file.timelineStart) : nlohmann::ordered_json();
    entry["sample_rate"] = file.sampleRate;
    entry["channels"] = file.channels;
    entry["bits"] = file.bits;
    if (file.missing) entry["missing"] = true;
    return entry;
}

} // namespace

nlohmann::ordered_json manifestJson(const ExportManifest& manifest) {
    nlohmann::ordered_json json;
    json["source"] = manifest.source;
    json["composition"] = manifest.composition;
    json["edit_rate"] = std::to_string(manifest.editRate.numerator) + "/" +
                        std::to_string(manifest.editRate.denominator);
    json["files"] = nlohmann::ordered_json::array();
    for (const ExportedFile& file : manifest.files)
        json["files"].push_back(fileJson(file));
    json["start_timecode"] = manifest.startTimecode;
    return json;
}

} // namespace omftool
