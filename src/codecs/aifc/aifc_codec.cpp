// The AIFC codec: sound kept as an AIFC file image (big-endian samples),
// and the check of the descriptor's summary against the data.
#include "aifc/aifc_header.h"
#include "audio/sound_codec.h"
#include "builtin_codecs.h"

#include "omf/omf_codec_ids.h"
#include "omf/omf_error_codes.h"
#include "omf/omf_error_flow.h"
#include "omf/omf_mobs.h"
#include "omf/omf_registry.h"

namespace omf::codecs {

namespace {

std::vector<uint8_t> headerBytes(const audio::SoundHeader& header, omfInt64 dataBytes) {
    const auto bytes = aifc::buildHeader(header, dataBytes);
    return {bytes.begin(), bytes.end()};
}

bool signedSamples(omfInt32) {
    return false;
}

constexpr audio::SoundFormat kAifc{
    "AIFC Codec",
    "AIFD",
    "AIFC",
    kOmfCodecAIFC,
    kOmfProperty_AIFC_AudioData,
    kOmfProperty_AIFD_Summary,
    true, // big-endian samples
    true, // pad byte after odd data
    aifc::readHeader,
    headerBytes,
    omfInt64(aifc::kHeaderBytes),
    signedSamples,
};

// Messages of checkSummary, naming the first figure that disagrees.
constexpr char kChannelsDiffer[] = "Number of channels";
constexpr char kFramesDiffer[] = "Sample Frames in summary don't agree with data";
constexpr char kBitsDiffer[] = "Bits Per Sample";
constexpr char kRateDiffer[] = "Frame Rate";

omfErr_t checkSummary(omfCodecParms_t* parms, omfMediaHdl_t, omfHdl_t file) {
    auto& request = parms->spc.checkSummary;
    request.message = nullptr;
    if (request.fileMob == nullptr) OMF_RAISE(file, OM_ERR_NULL_OBJECT);
    omfObject_t descriptor = nullptr;
    OMF_CHECK(file, omfiMobGetDescriptor(file, request.fileMob, &descriptor));
    audio::SoundHeader summary, data;
    OMF_CHECK(file, audio::readValueHeader(kAifc, file, descriptor, kAifc.summaryProperty,
                                           parms->fileRevision, false, &summary));
    OMF_CHECK(file, audio::readValueHeader(kAifc, file, request.dataObject, kAifc.dataProperty,
                                           parms->fileRevision, true, &data));
    if (summary.channels != data.channels) {
        request.message = kChannelsDiffer;
        OMF_RAISE(file, OM_ERR_MEDIA_SUMMARY_MISMATCH);
    }
    if (!request.skipSampleFrames && summary.sampleFrames != data.sampleFrames) {
        request.message = kFramesDiffer;
        OMF_RAISE(file, OM_ERR_MEDIA_CHECK_WARNING);
    }
    if (summary.sampleBits != data.sampleBits) {
        request.message = kBitsDiffer;
        OMF_RAISE(file, OM_ERR_MEDIA_SUMMARY_MISMATCH);
    }
    if (int64_t(summary.sampleRate.numerator) * data.sampleRate.denominator !=
        int64_t(data.sampleRate.numerator) * summary.sampleRate.denominator) {
        request.message = kRateDiffer;
        OMF_RAISE(file, OM_ERR_MEDIA_SUMMARY_MISMATCH);
    }
    return 0;
}

constexpr audio::OperationEntry kExtraOperations[] = {
    {kCodecOpCheckSummary, checkSummary},
};

} // namespace

omfErr_t aifcCodec(omfCodecRequest_t request, omfCodecParms_t* parms) {
    return audio::soundCodecEntry(kAifc, audio::FormatOperations<kAifc>::entries, kExtraOperations,
                                  request, parms);
}

} // namespace omf::codecs
