// Opens an OMF file from arbitrary bytes, opens the picture media of every
// file mob and reads every frame, in the caller's ARGB format and as stored,
// so that hostile descriptors (sizes, strides, alignment, layouts) reach the
// codecs, the codec stream and the pixel translator.
#include "../common/omf_fuzz_input.h"
#include "omf/omf_avid_codecs.h"
#include "omf/omf_media.h"
#include "omf/omf_mobs.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

constexpr omfInt64 kMaxFrames = 8;             // frames read per media
constexpr int64_t kMaxFrameBytes = 16 << 20;   // larger frames are not read
constexpr omfInt32 kMaxFileMobs = 32;

omfFormatEntry_t entry(omfInt32 opcode) {
    omfFormatEntry_t result;
    std::memset(&result, 0, sizeof result);
    result.opcode = opcode;
    return result;
}

void readFrames(omfMediaHdl_t media, bool argb) {
    omfFrameLayout_t layout = kOmfFullFrame;
    omfInt32 width = 0, height = 0;
    omfInt16 pixelSize = 0;
    if (omfmGetVideoFormat(media, &layout, &width, &height, nullptr, &pixelSize, nullptr) != 0)
        return;
    if (width <= 0 || height <= 0) return;
    int64_t bytesPerPixel = argb ? 4 : (pixelSize > 0 ? (pixelSize + 7) / 8 : 4);
    int64_t frameBytes = int64_t(width) * height * 2 * bytesPerPixel;
    if (frameBytes > kMaxFrameBytes) return;
    if (argb) {
        omfFormatEntry_t list[5] = {entry(kOmfFrameLayout), entry(kOmfPixelFormat),
                                    entry(kOmfRGBCompLayout), entry(kOmfRGBCompSizes),
                                    entry(kOmfVFmtEnd)};
        list[0].operand.int32 = layout == kOmfSeparateFields ? kOmfSeparateFields : kOmfFullFrame;
        list[1].operand.int32 = kOmfPixRGBA;
        std::memcpy(list[2].operand.compLayout, "ARGB", 4);
        std::memset(list[3].operand.compSizes, 8, 4);
        if (omfmSetMemoryFormat(media, list) != 0) return;
    }
    omfInt64 samples = 0;
    if (omfmCountSamples(media, &samples) != 0) return;
    std::vector<uint8_t> buffer(static_cast<size_t>(frameBytes));
    for (omfInt64 frame = 1; frame <= samples && frame <= kMaxFrames; ++frame) {
        omfInt32 read = 0;
        if (omfmSetFrame(media, frame) != 0) break;
        omfmReadChannelSamples(media, 1, omfInt32(buffer.size()), buffer.data(), &read);
    }
    if (!argb) {
        omfInt32 read = 0;
        omfmSetFrame(media, 1);
        omfmReadDataLines(media, 3, omfInt32(buffer.size()), buffer.data(), &read);
    }
}

void readMedia(omfHdl_t file) {
    omfObject_t picture = nullptr;
    omfErr_t error = 0;
    if (!omfsFindDataKind(file, "omfi:data:Picture", &picture, &error)) return;
    omfIterHdl_t iterator = nullptr;
    if (omfiMobOpenSearch(file, &iterator) != 0) return;
    omfSearchCrit_t criteria{};
    criteria.searchTag = kOmfByMobKind;
    criteria.tags.mobKind = kFileMob;
    omfObject_t mob = nullptr;
    for (omfInt32 n = 0; n < kMaxFileMobs && omfiNextMatchingMob(iterator, &criteria, &mob) == 0;
         ++n) {
        for (bool argb : {true, false}) {
            omfMediaHdl_t media = nullptr;
            if (omfmOpenFileMobMedia(file, mob, 1, kMediaOpenReadOnly, picture, 1, 0, &media) != 0)
                break;
            readFrames(media, argb);
            omfmCloseMedia(media);
        }
    }
    omfiSearchDispose(file, iterator);
}

// The media layer with the codecs a client adds, as the plug-in does.
omfErr_t prepareMedia(omfSessionHdl_t session) {
    if (omfErr_t status = omfmInit(session)) return status;
    for (omfCodecEntry_t codec : {omfCodecAVR, omfCodecAvidJPEG, omfCodecAvidJFIF, omfCodecTDVC}) {
        if (omfErr_t status = omfmAddCodec(session, codec)) return status;
    }
    return 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::withOMFFile(data, size, readMedia, prepareMedia);
    return 0;
}
