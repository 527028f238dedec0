// Feeds hostile AIFC and WAVE images (and summaries) to the sound codecs:
// each input becomes the data and summary of sound media in a new OMF file,
// which is opened and read as whole frames and channel by channel in the
// memory format the input chooses, positioned at hostile frames, appended
// to, and run through the summary check and rebuild.
#include "../common/fuzz_input.h"
#include "omf_audio_input.h"

#include "media/internal/media_handles.h"
#include "omf/omf_access.h"
#include "omf/omf_audio_media.h"
#include "omf/omf_errors.h"
#include "omf/omf_media.h"
#include "omf/omf_mobs.h"
#include "omf/omf_registry.h"
#include "omf/omf_session.h"

#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using fuzz_audio::AudioInput;

constexpr omfInt32 kFramesPerRead = 4096;
constexpr omfInt32 kLargestChannels = 8; // per-channel reads of more are skipped
constexpr size_t kBufferBytes = 1 << 20;

omfFormatEntry_t entry(omfInt32 opcode) {
    omfFormatEntry_t result;
    std::memset(&result, 0, sizeof result);
    result.opcode = opcode;
    return result;
}

void setMemoryFormat(omfMediaHdl_t media, const AudioInput& input) {
    omfFormatEntry_t list[4] = {entry(0), entry(0), entry(0), entry(0)};
    int n = 0;
    if (input.memoryBits != 0) {
        list[n] = entry(kOmfAudioSampleBits);
        list[n++].operand.int16 = input.memoryBits;
    }
    if (input.rateChoice != 0) {
        list[n] = entry(kOmfAudioSampleRate);
        const omfInt32 rates[][2] = {{1, 1}, {96000, 1}, {24000, 1}, {144000, 1}};
        list[n++].operand.ratio = {rates[input.rateChoice][0], rates[input.rateChoice][1]};
    }
    if (input.offsetBinary) {
        list[n] = entry(kOmfAudioSampleFormat);
        list[n++].operand.int32 = kOmfOffsetBinary;
    }
    omfmSetMemoryFormat(media, list);
}

void readSamples(omfMediaHdl_t media, omfInt16 channels, std::vector<uint8_t>& buffer) {
    omfInt32 samples = 0, bytes = 0;
    omfmReadMediaSamples(media, kFramesPerRead, omfInt32(buffer.size()), buffer.data(), &samples,
                         &bytes);
    if (channels < 2 || channels > kLargestChannels) return;
    omfmSetFrame(media, 2);
    std::vector<omfmMultiXfer_t> transfers;
    const size_t share = buffer.size() / size_t(channels);
    for (omfInt16 channel = 1; channel <= channels; ++channel) {
        transfers.push_back(omfmMultiXfer_t{channel, kFramesPerRead / 4, omfInt32(share),
                                            buffer.data() + share * size_t(channel - 1), 0, 0});
    }
    omfmReadMultiSamples(media, omfInt32(transfers.size()), transfers.data());
}

void readMedia(omfHdl_t file, omfObject_t fileMob, omfObject_t sound, const AudioInput& input) {
    omfInt16 channels = 0;
    omfmCodecNumChannels(file, fileMob, sound, &channels);
    omfMediaHdl_t media = nullptr;
    if (omfmOpenFileMobMedia(file, fileMob, 1, kMediaOpenReadOnly, sound, 1, 0, &media) != 0)
        return;
    std::vector<uint8_t> buffer(kBufferBytes);
    readSamples(media, channels, buffer);
    setMemoryFormat(media, input);
    omfmSetFrame(media, 1);
    readSamples(media, channels, buffer);
    omfInt64 count = 0;
    omfmCountSamples(media, &count);
    for (omfInt64 frame : {count, count + 1, count + 2, omfInt64(input.length) * 977})
        omfmSetFrame(media, frame);
    omfInt32 largest = 0;
    omfmGetLargestSampleSize(media, sound, &largest);
    omfmCloseMedia(media);

    if (input.append &&
        omfmOpenFileMobMedia(file, fileMob, 1, kMediaOpenAppend, sound, 1, 0, &media) == 0) {
        omfmMultiXfer_t transfer{1, 3, omfInt32(buffer.size()), buffer.data(), 0, 0};
        omfmWriteMultiSamples(media, 1, &transfer);
        omfmCloseMedia(media);
    }
}

void checkSummaries(omfSessionHdl_t session, omfHdl_t file, omfObject_t fileMob, omfObject_t data,
                    const char* codecID) {
    omfCodecDef_t codec{};
    if (omfmLookupCodec(session, codecID, &codec) != 0) return;
    omfFileRev_t revision = kOmfRev2x;
    omfsFileRevision(file, &revision);
    omfCodecParms_t parms{};
    parms.fileRevision = revision;
    parms.spc.checkSummary.fileMob = fileMob;
    parms.spc.checkSummary.dataObject = data;
    codec.table[kCodecOpCheckSummary](&parms, nullptr, file);
    omfCodecParms_t rebuild{};
    rebuild.fileRevision = revision;
    rebuild.spc.readSummary.fileMob = fileMob;
    rebuild.spc.readSummary.dataObject = data;
    codec.table[kCodecOpReadSummary](&rebuild, nullptr, file);
}

void run(const AudioInput& input) {
    static const std::string path = "/tmp/fuzz_omf_audio_" + std::to_string(getpid()) + ".omf";
    omfProductIdentification_t ident{};
    ident.companyName = "fuzz";
    ident.productName = "fuzz";
    omfSessionHdl_t session = nullptr;
    if (omfsStartSession(&ident, &session) != 0) return;
    omfsSetBentoErrorPrinting(session, false);
    omfHdl_t file = nullptr;
    if (omfmInit(session) == 0 && omfsNewFile(path.c_str(), session, kOmfRev2x, &file) == 0) {
        const char* codecID = input.wave ? "WAVE" : "AIFC";
        const omfProperty_t dataProperty =
            input.wave ? kOmfProperty_WAVE_AudioData : kOmfProperty_AIFC_AudioData;
        const omfProperty_t summaryProperty =
            input.wave ? kOmfProperty_WAVD_Summary : kOmfProperty_AIFD_Summary;
        omfObject_t fileMob = nullptr, descriptor = nullptr, data = nullptr, sound = nullptr;
        omfMediaHdl_t media = nullptr;
        omfUID_t mobID{};
        omfErr_t status = 0;
        if (omfsFindDataKind(file, "omfi:data:Sound", &sound, &status) &&
            omfmCreateFileMob(file, "fuzz", {48000, 1}, codecID, &fileMob) == 0 &&
            omfmCreateMedia(file, nullptr, 1, fileMob, sound, {48000, 1}, 0, &media) == 0 &&
            omfmCloseMedia(media) == 0 && omfiMobGetDescriptor(file, fileMob, &descriptor) == 0 &&
            omfiReadMobID(file, fileMob, &mobID) == 0 &&
            omf::media::dataObjectFor(file, mobID, &data) == 0 && data != nullptr) {
            omfsWriteDataBytes(file, data, dataProperty, kOmfType_DataValue, 0,
                               omfInt32(input.image.size()), input.image.data());
            omfsWriteDataBytes(file, descriptor, summaryProperty, kOmfType_DataValue, 0,
                               omfInt32(input.summary.size()), input.summary.data());
            omfsWriteLength(file, descriptor, kOmfProperty_MDFL_Length, input.length);
            readMedia(file, fileMob, sound, input);
            checkSummaries(session, file, fileMob, data, codecID);
        }
    }
    omfsFinishSession(session);
    unlink(path.c_str());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    AudioInput input;
    if (fuzz_audio::parseInput(data, size, &input)) run(input);
    return 0;
}
