#include "stored_frames.h"

#include "omf/omf_codec_ids.h"
#include "omf/omf_error_codes.h"
#include "omf/omf_media.h"
#include "omf/omf_session.h"

#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>

namespace omftool {

namespace {

// Components of the JPEG table records.
constexpr omfUInt32 kLuminance = 0;
constexpr omfUInt32 kChrominance = 1;
constexpr omfInt16 kSixteenBitQuantBytes = kJpegQuantEntries * 2;
// A frame that is not a whole JPEG image once its tables are added: a JPEG problem, as a frame
// that libjpeg fails to decode is.
constexpr int kMalformedFrameError = OM_ERR_JPEG_UNSPECIFIED;

// Whether the frames of the open `media` are JPEG images without tables of
// their own, which the media keeps in its descriptor.
bool keepsTablesApart(omfMediaHdl_t media) {
    // Room for any codec ID with its terminating zero.
    char codecID[64] = {};
    return omfmGetCodecID(media, sizeof codecID, codecID) == 0 &&
           std::strcmp(codecID, kOmfCodecAvidJPEG) == 0;
}

struct FreeTable {
    void operator()(omfUInt8* table) const { std::free(table); }
};
using TableOwner = std::unique_ptr<omfUInt8, FreeTable>;

// One component's tables of the open `media`, as its codec hands them out.
bool componentTables(omfMediaHdl_t media, omfObject_t pictureKind, omfUInt32 component,
                     JpegQuantTable& quant, std::vector<uint8_t>& dc, std::vector<uint8_t>& ac,
                     MediaFailure& failure) {
    omfJPEGTables_t record{};
    record.component = component;
    const std::string doing = std::string("reading the media's ") +
                              (component == kLuminance ? "luminance" : "chrominance") +
                              " JPEG tables";
    if (int error = omfmGetInfo(media, kMediaInfoJPEGTables, pictureKind, sizeof record, &record)) {
        return fail(failure, error, doing);
    }
    // The call allocates the three tables; they are the caller's to free.
    const TableOwner quantOwner(record.quantTable), acOwner(record.acTable),
        dcOwner(record.dcTable);
    if (record.quantTable == nullptr || record.acTable == nullptr || record.dcTable == nullptr ||
        record.acLength < 0 || record.dcLength < 0 ||
        (record.quantLength != kJpegQuantEntries && record.quantLength != kSixteenBitQuantBytes)) {
        return fail(failure, OM_ERR_BAD_JPEG_QUANT_TABLE, doing);
    }
    quant.sixteenBit = record.quantLength == kSixteenBitQuantBytes;
    for (size_t i = 0; i < size_t(kJpegQuantEntries); ++i) {
        if (quant.sixteenBit) {
            uint16_t entry = 0;
            std::memcpy(&entry, record.quantTable + i * sizeof entry, sizeof entry);
            quant.entries[i] = entry;
        } else {
            quant.entries[i] = record.quantTable[i];
        }
    }
    dc.assign(record.dcTable, record.dcTable + record.dcLength);
    ac.assign(record.acTable, record.acTable + record.acLength);
    return true;
}

// The tables of the open `media` by the table numbers its frames name:
// luminance 0, chrominance 1 (and quantisation table 2, the second
// colour-difference component's), as its codec decodes them.
bool descriptorTables(omfMediaHdl_t media, omfObject_t pictureKind, JpegTables& tables,
                      MediaFailure& failure) {
    for (const omfUInt32 component : {kLuminance, kChrominance}) {
        JpegQuantTable quant;
        std::vector<uint8_t> dc, ac;
        if (!componentTables(media, pictureKind, component, quant, dc, ac, failure)) return false;
        tables.quant[component] = quant;
        if (component == kChrominance) tables.quant[component + 1] = quant;
        tables.dc[component] = std::move(dc);
        tables.ac[component] = std::move(ac);
    }
    return true;
}

} // namespace

bool StoredFrameReader::open(omfHdl_t file, const MediaMob& mob, MediaFailure& failure) {
    omfErr_t status = 0;
    if (!omfsFindDataKind(file, kPictureKindName, &pictureKind_, &status)) {
        return fail(failure, status != 0 ? status : OM_ERR_WRONG_MEDIA_TYPE,
                    "the file defines no picture data kind");
    }
    const std::string track = pictureTrackText(mob);
    const omfBool rawTransfer = true;
    if (int error = omfmOpenMedia(file, mob.mob, mob.trackID, nullptr, kMediaOpenReadOnly,
                                  rawTransfer, media_.out())) {
        media_.forget();
        return fail(failure, error, "opening the media of " + track);
    }
    if (isDVMedia(media_.get())) {
        // The DV codec refuses raw transfers and hands its frames out as stored anyway: the
        // handle is closed and the media opened again without them.
        if (int error = omfmOpenMedia(file, mob.mob, mob.trackID, nullptr, kMediaOpenReadOnly,
                                      false, media_.out())) {
            media_.forget();
            return fail(failure, error, "opening the DV media of " + track);
        }
    }
    if (keepsTablesApart(media_.get())) {
        JpegTables tables;
        if (!descriptorTables(media_.get(), pictureKind_, tables, failure)) return false;
        descriptorTables_ = std::move(tables);
    }
    return countFrames(media_.get(), track, frameCount_, failure);
}

bool StoredFrameReader::readFrame(int64_t frame, std::vector<uint8_t>& bytes,
                                  MediaFailure& failure) {
    const std::string doing = "reading the stored bytes of frame " + std::to_string(frame);
    // Frame-indexed media knows each frame's size; other media stores
    // frames of one size, the largest sample.
    omfFrameSizeInfo_t size{pictureKind_, frame + 1, 0};
    omfInt32 frameSize = 0;
    int error = omfmGetInfo(media_.get(), kMediaInfoFrameSize, pictureKind_, sizeof size, &size);
    if (error == 0) {
        frameSize = size.frameSize;
    } else if (error == OM_ERR_INVALID_CODEC_OPERATION) {
        error = omfmGetLargestSampleSize(media_.get(), pictureKind_, &frameSize);
    }
    if (error != 0) return fail(failure, error, doing);
    if (frameSize <= 0) return fail(failure, OM_ERR_ZERO_SAMPLE_SIZE, doing);
    std::vector<uint8_t>& stored = descriptorTables_ ? stored_ : bytes;
    stored.resize(size_t(frameSize));
    if ((error = omfmSetFrame(media_.get(), frame + 1))) return fail(failure, error, doing);
    omfInt32 bytesRead = 0;
    if ((error = omfmReadChannelSamples(media_.get(), 1, frameSize, stored.data(), &bytesRead))) {
        return fail(failure, error, doing);
    }
    stored.resize(size_t(bytesRead));
    if (!descriptorTables_) return true;
    std::string fault;
    if (!insertJpegTables(stored_, *descriptorTables_, bytes, fault)) {
        return fail(failure, kMalformedFrameError,
                    "inserting the media's JPEG tables into frame " + std::to_string(frame) + ": " +
                        fault);
    }
    return true;
}

} // namespace omftool
