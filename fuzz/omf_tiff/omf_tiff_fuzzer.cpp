// Feeds hostile TIFF images to the TIFF codec: the input's image becomes
// the media data of a TIFF file mob (omf_tiff_input.h); the harness opens
// the media decoded and raw, asks the format and frame-size questions, and
// reads frames in ARGB, as stored, and as raw JPEG frames.
#include "../common/fuzz_input.h"
#include "omf_tiff_input.h"

#include "omf/omf_errors.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr omfInt64 kMaxFrames = 4;          // frames read per open
constexpr int64_t kMaxFrameBytes = 8 << 20; // larger frames are not read

omfFormatEntry_t entry(omfInt32 opcode) {
    omfFormatEntry_t result;
    std::memset(&result, 0, sizeof result);
    result.opcode = opcode;
    return result;
}

void askSizes(omfMediaHdl_t media, omfObject_t picture, omfInt64 samples) {
    omfInt32 largest = 0;
    omfmGetLargestSampleSize(media, picture, &largest);
    for (omfInt64 frame = 0; frame <= samples + 1 && frame <= kMaxFrames + 1; ++frame) {
        omfFrameSizeInfo_t info{picture, frame, 0};
        omfmGetInfo(media, kMediaInfoFrameSize, picture, sizeof info, &info);
    }
    omfInt32 tableID = 0;
    omfmGetInfo(media, kMediaInfoCodecParams, picture, sizeof tableID, &tableID);
    omfJPEGTables_t tables{};
    if (omfmGetInfo(media, kMediaInfoJPEGTables, picture, sizeof tables, &tables) == 0) {
        std::free(tables.quantTable);
        std::free(tables.acTable);
        std::free(tables.dcTable);
    }
}

void readFrames(omfMediaHdl_t media, omfObject_t picture, omfUInt32 raw, bool argb) {
    omfFrameLayout_t layout = kOmfFullFrame;
    omfInt32 width = 0, height = 0;
    if (omfmGetVideoFormat(media, &layout, &width, &height, nullptr, nullptr, nullptr) != 0) return;
    if (width <= 0 || height <= 0) return;
    const int64_t frameBytes = int64_t(width) * height * 2 * 4;
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
    askSizes(media, picture, samples);
    std::vector<uint8_t> buffer(static_cast<size_t>(frameBytes));
    for (omfInt64 frame = 1; frame <= samples && frame <= kMaxFrames; ++frame) {
        omfInt32 read = 0;
        if (omfmSetFrame(media, frame) != 0) break;
        omfmReadChannelSamples(media, raw != 0 ? 2 : 1, omfInt32(buffer.size()), buffer.data(),
                               &read);
    }
}

void readMedia(omfHdl_t file, const omfMobID_t& id) {
    omfObject_t picture = nullptr;
    omfErr_t error = 0;
    if (!omfsFindDataKind(file, "omfi:data:Picture", &picture, &error)) return;
    omfIterHdl_t iterator = nullptr;
    if (omfiMobOpenSearch(file, &iterator) != 0) return;
    omfSearchCrit_t criteria{};
    criteria.searchTag = kOmfByMobID;
    criteria.tags.mobID = id;
    omfObject_t fileMob = nullptr;
    if (omfiNextMatchingMob(iterator, &criteria, &fileMob) == 0) {
        struct Way {
            omfUInt32 raw;
            bool argb;
        } ways[] = {{0, true}, {0, false}, {1, false}};
        for (const Way& way : ways) {
            omfMediaHdl_t media = nullptr;
            if (omfmOpenFileMobMedia(file, fileMob, 1, kMediaOpenReadOnly, picture, 1, way.raw,
                                     &media) != 0)
                break;
            readFrames(media, picture, way.raw, way.argb);
            omfmCloseMedia(media);
        }
    }
    omfiSearchDispose(file, iterator);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = fuzz::inputFile(nullptr, 0);
    if (path.empty()) return 0;
    omfProductIdentification_t ident{};
    ident.companyName = "fuzz";
    ident.productName = "fuzz";
    omfSessionHdl_t session = nullptr;
    if (omfsStartSession(&ident, &session) != 0) return 0;
    omfsSetBentoErrorPrinting(session, false);
    omfMobID_t id{};
    if (omfmInit(session) == 0 && fuzz::writeTiffMediaFile(session, path, data, size, &id) == 0) {
        omfHdl_t file = nullptr;
        if (omfsOpenFileForRead(path.c_str(), session, &file) == 0) {
            readMedia(file, id);
            omfsCloseOMFFile(file);
        }
    }
    omfsFinishSession(session);
    return 0;
}
