// Feeds hostile JPEG images, frame indexes and table streams to the JPEG
// family codecs: the input becomes JPEG or Avid JPEG media of an OMF file
// (omf_jpeg_input.h); the harness opens it decoded and raw, asks the
// frame-size and table questions, and reads frames in ARGB, in RGB through
// the translator, and as stored.
#include "../common/fuzz_input.h"
#include "omf_jpeg_input.h"

#include "omf/omf_errors.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr omfInt64 kMaxFrames = 4;

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
    omfJPEGTables_t tables{};
    for (omfUInt32 component : {0u, 1u}) {
        tables.component = component;
        if (omfmGetInfo(media, kMediaInfoJPEGTables, picture, sizeof tables, &tables) == 0) {
            std::free(tables.quantTable);
            std::free(tables.acTable);
            std::free(tables.dcTable);
        }
    }
}

// Reads in one of three ways: 0 ARGB (decoded straight), 1 BGR (decoded,
// then translated), 2 raw.
void readFrames(omfMediaHdl_t media, omfObject_t picture, int way) {
    omfFrameLayout_t layout = kOmfFullFrame;
    omfInt32 width = 0, height = 0;
    if (omfmGetVideoFormat(media, &layout, &width, &height, nullptr, nullptr, nullptr) != 0) return;
    if (width <= 0 || height <= 0) return;
    const int64_t frameBytes = int64_t(width) * height * 2 * 4;
    if (way != 2) {
        const char* letters = way == 0 ? "ARGB" : "BGR";
        omfFormatEntry_t list[4] = {entry(kOmfPixelFormat), entry(kOmfRGBCompLayout),
                                    entry(kOmfRGBCompSizes), entry(kOmfVFmtEnd)};
        list[0].operand.int32 = kOmfPixRGBA;
        std::memcpy(list[1].operand.compLayout, letters, std::strlen(letters));
        std::memset(list[2].operand.compSizes, 8, std::strlen(letters));
        if (omfmSetMemoryFormat(media, list) != 0) return;
    }
    omfInt64 samples = 0;
    if (omfmCountSamples(media, &samples) != 0) return;
    askSizes(media, picture, samples);
    std::vector<uint8_t> buffer(static_cast<size_t>(frameBytes));
    for (omfInt64 frame = 1; frame <= samples && frame <= kMaxFrames; ++frame) {
        omfInt32 read = 0;
        if (omfmSetFrame(media, frame) != 0) break;
        omfmReadChannelSamples(media, way == 2 ? 2 : 1, omfInt32(buffer.size()), buffer.data(),
                               &read);
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
    omfObject_t fileMob = nullptr;
    if (omfiNextMatchingMob(iterator, &criteria, &fileMob) == 0) {
        for (int way = 0; way < 3; ++way) {
            omfMediaHdl_t media = nullptr;
            if (omfmOpenFileMobMedia(file, fileMob, 1, kMediaOpenReadOnly, picture, 1,
                                     way == 2 ? 1 : 0, &media) != 0)
                break;
            readFrames(media, picture, way);
            omfmCloseMedia(media);
        }
    }
    omfiSearchDispose(file, iterator);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::JpegMediaInput input;
    if (!fuzz::splitJpegInput(data, size, input)) return 0;
    const std::string path = fuzz::inputFile(nullptr, 0);
    if (path.empty()) return 0;
    omfProductIdentification_t ident{};
    ident.companyName = "fuzz";
    ident.productName = "fuzz";
    omfSessionHdl_t session = nullptr;
    if (omfsStartSession(&ident, &session) != 0) return 0;
    omfsSetBentoErrorPrinting(session, false);
    if (fuzz::prepareJpegSession(session) == 0 &&
        fuzz::writeJpegMediaFile(session, path, input) == 0) {
        omfHdl_t file = nullptr;
        if (omfsOpenFileForRead(path.c_str(), session, &file) == 0) {
            readMedia(file);
            omfsCloseOMFFile(file);
        }
    }
    omfsFinishSession(session);
    return 0;
}
