#include "sound_listing.h"

#include "master_mob_search.h"
#include "media_handle.h"

#include "omf/omf_audio_media.h"
#include "omf/omf_errors.h"
#include "omf/omf_session.h"

namespace omftool {

void addSoundFigures(omfHdl_t file, omfObject_t fileMob, nlohmann::json& out) {
    omfObject_t sound = nullptr;
    omfErr_t status = 0;
    omfInt16 channels = 0;
    if (!omfsFindDataKind(file, kSoundMedia.dataKind, &sound, &status) ||
        omfmCodecNumChannels(file, fileMob, sound, &channels) != 0 || channels < 1) {
        return; // not sound media
    }
    omfAudioLayout_t layout{};
    {
        MediaHandle media;
        status =
            omfmOpenFileMobMedia(file, fileMob, 1, kMediaOpenReadOnly, sound, 1, 0, media.out());
        if (status == 0) {
            status = omfmGetInfo(media.get(), kMediaInfoCodecParams, sound, sizeof layout, &layout);
        } else {
            media.forget();
        }
    }
    if (status != 0) {
        out["channels"] = channels;
        out["soundError"] = {{"error", status}, {"message", omfsErrorName(status)}};
        return;
    }
    out["channels"] = layout.numChannels;
    out["sampleBits"] = layout.sampleBits;
}

void printSoundFigures(std::ostream& out, const nlohmann::json& entry) {
    if (!entry.contains("channels")) return;
    out << "; " << entry["channels"] << (entry["channels"] == 1 ? " channel" : " channels");
    if (entry.contains("sampleBits")) out << ", " << entry["sampleBits"] << "-bit";
    if (entry.contains("soundError")) {
        out << " (OMF error " << entry["soundError"]["error"] << ": "
            << entry["soundError"]["message"].get<std::string>() << ")";
    }
}

} // namespace omftool
