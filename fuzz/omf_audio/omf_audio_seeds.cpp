// Writes the seed inputs of fuzz/corpus/omf_audio: images the sound codecs
// write themselves (AIFC and WAVE; mono and stereo; 8, 16 and 24 bits).
#include "omf_audio_input.h"

#include "media/internal/media_handles.h"
#include "omf/omf_access.h"
#include "omf/omf_audio_media.h"
#include "omf/omf_media.h"
#include "omf/omf_mobs.h"
#include "omf/omf_registry.h"
#include "omf/omf_session.h"

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

// The image of new sound media holding `frames` frames of a ramp.
std::vector<uint8_t> writtenImage(omfSessionHdl_t session, const std::string& path,
                                  const char* codecID, omfInt16 channels, omfInt16 bits,
                                  omfInt32 frames) {
    std::vector<uint8_t> image;
    omfHdl_t file = nullptr;
    if (omfsNewFile(path.c_str(), session, kOmfRev2x, &file) != 0) return image;
    omfObject_t fileMob = nullptr;
    omfMediaHdl_t media = nullptr;
    omfUID_t mobID{};
    omfObject_t data = nullptr;
    std::vector<uint8_t> samples(size_t(frames) * size_t(channels) * size_t((bits + 7) / 8));
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = uint8_t(i * 37);
    omfmMultiXfer_t transfer{1, frames, omfInt32(samples.size()), samples.data(), 0, 0};
    const omfProperty_t property =
        std::string(codecID) == "WAVE" ? kOmfProperty_WAVE_AudioData : kOmfProperty_AIFC_AudioData;
    if (omfmCreateFileMob(file, "seed", {44100, 1}, codecID, &fileMob) == 0 &&
        omfmCreateAudioMedia(file, nullptr, fileMob, {44100, 1}, channels, bits, &media) == 0 &&
        omfmWriteMultiSamples(media, 1, &transfer) == 0 && omfmCloseMedia(media) == 0 &&
        omfiReadMobID(file, fileMob, &mobID) == 0 &&
        omf::media::dataObjectFor(file, mobID, &data) == 0 && data != nullptr) {
        omfInt64 length = 0;
        omfInt32 read = 0;
        omfsValueLength(file, data, property, kOmfType_DataValue, &length);
        image.resize(size_t(length));
        omfsReadDataBytes(file, data, property, kOmfType_DataValue, 0, omfInt32(length),
                          image.data(), &read);
    }
    omfsCloseOMFFile(file);
    std::remove(path.c_str());
    return image;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS_FOLDER\n", argv[0]);
        return 2;
    }
    omfProductIdentification_t ident{};
    ident.companyName = "fuzz";
    ident.productName = "seeds";
    omfSessionHdl_t session = nullptr;
    if (omfsStartSession(&ident, &session) != 0 || omfmInit(session) != 0) return 1;
    const std::string folder = argv[1];
    int written = 0;
    for (const char* codec : {"AIFC", "WAVE"}) {
        for (omfInt16 channels : {1, 2}) {
            for (omfInt16 bits : {8, 16, 24}) {
                const omfInt32 frames = 9;
                const std::vector<uint8_t> image =
                    writtenImage(session, folder + "/scratch.omf", codec, channels, bits, frames);
                if (image.empty()) continue;
                const std::vector<uint8_t> input =
                    fuzz_audio::seedInput(std::string(codec) == "WAVE", frames, image);
                const std::string name = folder + "/" + codec + "_" + std::to_string(channels) +
                                         "ch_" + std::to_string(bits) + "bit";
                std::ofstream(name, std::ios::binary)
                    .write(reinterpret_cast<const char*>(input.data()),
                           std::streamsize(input.size()));
                ++written;
            }
        }
    }
    omfsFinishSession(session);
    std::printf("%d seeds written to %s\n", written, folder.c_str());
    return written == 12 ? 0 : 1;
}
