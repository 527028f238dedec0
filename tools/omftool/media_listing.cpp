#include "media_listing.h"
#include "mob_search.h"
#include "picture_areas.h"

#include "sound_listing.h"

#include "omf/omf_access.h"
#include "omf/omf_errors.h"
#include "omf/omf_media.h"
#include "omf/omf_mobs.h"
#include "omf/omf_registry.h"

#include <optional>

namespace omftool {

namespace {

using nlohmann::json;

std::optional<omfInt32> readInt32(omfHdl_t file, omfObject_t object, omfProperty_t property) {
    omfInt32 value = 0;
    if (!omfsPropertyPresent(file, object, property, kOmfType_Int32) ||
        omfsReadInt32(file, object, property, &value) != 0) {
        return std::nullopt;
    }
    return value;
}

std::string layoutName(omfInt32 layout) {
    switch (layout) {
    case kOmfFullFrame:
        return "full frame";
    case kOmfSeparateFields:
        return "separate fields";
    case kOmfOneField:
        return "one field";
    case kOmfMixedFields:
        return "mixed fields";
    default:
        return "unknown (" + std::to_string(layout) + ")";
    }
}

json codecOf(omfSessionHdl_t session, omfHdl_t file, omfObject_t descriptor) {
    omfCodecDef_t definition{};
    char name[128] = {};
    omfErr_t error = omfmChooseCodec(file, descriptor, &definition);
    if (error == 0) {
        error = omfmGetCodecDescription(session, &definition, nullptr, name, sizeof name);
    }
    if (error == 0) return {{"codec", name}};
    return {{"codec", "none"},
            {"codecError", {{"error", error}, {"message", omfsErrorName(error)}}}};
}

// The picture figures of a digital-image descriptor; nothing for others.
void addPictureFigures(omfHdl_t file, omfObject_t descriptor, json& out) {
    const auto width = readInt32(file, descriptor, kOmfProperty_DIDD_StoredWidth);
    const auto height = readInt32(file, descriptor, kOmfProperty_DIDD_StoredHeight);
    if (!width || !height) return;
    out["storedWidth"] = *width;
    out["storedHeight"] = *height;
    // Without a sampled size the whole stored picture is sampled.
    const auto sampledWidth = readInt32(file, descriptor, kOmfProperty_DIDD_SampledWidth);
    const auto sampledHeight = readInt32(file, descriptor, kOmfProperty_DIDD_SampledHeight);
    const bool sampled = sampledWidth && sampledHeight;
    out["sampledWidth"] = sampled ? *sampledWidth : *width;
    out["sampledHeight"] = sampled ? *sampledHeight : *height;
    omfInt32 layout = 0;
    if (omfsReadEnum(file, descriptor, kOmfProperty_DIDD_FrameLayout, kOmfType_LayoutType,
                     &layout) == 0) {
        out["frameLayout"] = layoutName(layout);
    }
}

json describeFileMob(omfSessionHdl_t session, omfHdl_t file, omfObject_t mob,
                     omfObject_t descriptor) {
    json out = json::object();
    char name[256] = {};
    if (omfiMobGetName(file, mob, sizeof name, name) == 0) out["name"] = name;
    omfMobID_t id{};
    if (omfiReadMobID(file, mob, &id) == 0)
        out["mobID"] = json::array({id.prefix, id.major, id.minor});
    omfClassID_t classID;
    if (omfsReadClassOf(file, descriptor, classID) == 0) {
        out["descriptorClass"] = std::string(classID, 4);
    }
    out.update(codecOf(session, file, descriptor));
    addPictureFigures(file, descriptor, out);
    // The media calls know what the descriptor's properties leave out (a TIFF picture's size is
    // in its image directory) and give what frames and extract read.
    if (const std::optional<PictureAreas> areas = readFileMobAreas(file, mob)) {
        out.update(areasJson(*areas));
        out["frameLayout"] = layoutName(areas->layout);
    }
    addSoundFigures(file, mob, out);
    omfInt64 length = 0;
    if (omfsReadLength(file, descriptor, kOmfProperty_MDFL_Length, &length) == 0) {
        out["length"] = length;
    }
    omfRational_t rate{};
    if (omfsReadRational(file, descriptor, kOmfProperty_MDFL_SampleRate, &rate) == 0) {
        out["sampleRate"] = json::array({rate.numerator, rate.denominator});
    }
    return out;
}

} // namespace

json describeMedia(omfSessionHdl_t session, omfHdl_t file) {
    json media = json::array();
    MobSearch mobs(file);
    omfObject_t mob = nullptr;
    while (omfiNextMatchingMob(mobs.get(), nullptr, &mob) == 0) {
        omfErr_t error = 0;
        omfObject_t descriptor = nullptr;
        if (!omfiMobIsFile(file, mob, &error) ||
            omfiMobGetDescriptor(file, mob, &descriptor) != 0 || descriptor == nullptr) {
            continue;
        }
        media.push_back(describeFileMob(session, file, mob, descriptor));
    }
    return media;
}

void printMedia(std::ostream& out, const json& media) {
    out << "Media: " << media.size() << (media.size() == 1 ? " file mob" : " file mobs")
        << " with a descriptor\n";
    for (const json& entry : media) {
        out << "  file mob \"" << entry.value("name", "") << "\"";
        if (entry.contains("mobID")) {
            const json& id = entry["mobID"];
            out << " " << id[0] << "." << id[1] << "." << id[2];
        }
        out << " " << entry.value("descriptorClass", "????") << ": codec "
            << entry["codec"].get<std::string>();
        if (entry.contains("codecError")) {
            out << " (OMF error " << entry["codecError"]["error"] << ": "
                << entry["codecError"]["message"].get<std::string>() << ")";
        }
        if (entry.contains("pictureWidth")) {
            out << "; " << areasText(entry) << ", " << entry["frameLayout"].get<std::string>();
        } else if (entry.contains("storedWidth")) {
            out << "; stored " << entry["storedWidth"] << " x " << entry["storedHeight"]
                << ", sampled " << entry["sampledWidth"] << " x " << entry["sampledHeight"];
            if (entry.contains("frameLayout")) {
                out << ", " << entry["frameLayout"].get<std::string>();
            }
        }
        printSoundFigures(out, entry);
        if (entry.contains("length")) {
            out << "; " << entry["length"] << (entry["length"] == 1 ? " sample" : " samples");
        }
        if (entry.contains("sampleRate")) {
            out << " at " << entry["sampleRate"][0] << "/" << entry["sampleRate"][1];
        }
        out << "\n";
    }
}

} // namespace omftool
