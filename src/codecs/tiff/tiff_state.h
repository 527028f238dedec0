// The TIFF codec's records: the property code it registers once per
// session (its persistent data) and the per-handle state, which adds to
// the picture state what the TIFF image holds (compression, byte order,
// where frames start, JPEG tables, the frame index) and the descriptor's
// TIFF properties.
#pragma once

#include "jpeg/frame_index.h"
#include "jpeg/jpeg_layer.h"
#include "jpeg/jpeg_tables.h"
#include "tiff/image_description.h"
#include "tiff/tiff_tags.h"
#include "video/picture_state.h"

#include <memory>
#include <vector>

namespace omf::codecs::tiff {

// Codes of the properties the codec registers at init, and the session.
// Allocated with std::calloc and released by the registry with std::free.
struct PropertyCodes {
    omfProperty_t fp16QTables; // TIFD FP16QTables: three tables of 64 16-bit entries
    omfSessionHdl_t session;   // whose open files the variety operations ask about
};

// Bytes of FP16QTables: three tables of 64 16-bit entries, in the image's byte order.
inline constexpr omfInt32 kFp16TablesBytes = jpeg::kComponents * jpeg::kQuant16Bytes;

// Frames move whole; the codec has no line transfers.
inline constexpr bool kTransfersLines = false;

class TiffState final : public video::PictureState {
  public:
    TiffState() : PictureState(kOmfPixRGBA, kTransfersLines) {}

    Compression compression = Compression::none;
    // Set once the compression is decided for good: by the variety of new
    // media, by an image read, or by the first frame written.
    bool compressionFixed = false;
    ByteOrder order;                   // of the image; we write little-endian
    omfInt64 dataStart = kHeaderBytes; // position of the first frame
    jpeg::TableSet tables = jpeg::annexKTables();
    jpeg::FrameIndex index;    // JPEG frames: stream offsets of every frame and the end
    omfInt32 resolutionID = 0; // JPEGTableID
    omfInt32 leadingLines = 0;
    omfInt32 trailingLines = 0;
    std::vector<uint8_t> summary; // header and directory of the finished image
    std::unique_ptr<jpeg::JpegLayer> layer;
    std::vector<uint8_t> frame; // one frame in stored form, for JPEG frames

    bool jpeg() const { return compression == Compression::jpeg; }
    jpeg::JpegLayer& jpegLayer();

    bool compressed() const override { return jpeg(); }
    // Frames follow each other from the data start, without alignment.
    video::FramePlacement placement() const override;
    // JPEGTableID, LeadingLines, TrailingLines and, for JPEG media,
    // FP16QTables (OM_ERR_BAD_JPEG_QUANT_TABLE unless 384 bytes).
    omfErr_t readDescriptor(omfHdl_t file, omfMediaHdl_t media, const void* codes) override;
    // 24-bit pixels; the frame size of the geometry.
    omfErr_t computeSizes(omfHdl_t file) override;
    // Pixel size, component letters "RGB" and sizes 8, 8, 8.
    omfErr_t answerFormatEntry(omfHdl_t file, omfFormatEntry_t& entry) const override;
    // The compressed flag (JPEG or uncompressed frames) until the
    // compression is fixed (OM_ERR_NONCONTIGUOUS_MEDIA to change it then).
    omfErr_t applyFormatEntry(omfHdl_t file, const omfFormatEntry_t& entry) override;
    omfErr_t putFormatEntries(omfHdl_t file, media::FormatList& list) const override;
    // Summary, LeadingLines and JPEGTableID.
    omfErr_t writeSummary(omfHdl_t file, omfObject_t descriptor, const void* codes,
                          omfFileRev_t revision) const override;
    // Switches to JPEG or uncompressed frames (OM_ERR_NONCONTIGUOUS_MEDIA
    // once the compression is fixed and `to` differs).
    omfErr_t setCompression(omfHdl_t file, Compression to);
};

// The handle's state, or null before open/create.
inline TiffState* stateOf(omfMediaHdl_t media) {
    return static_cast<TiffState*>(video::pictureStateOf(media));
}

// The codec's operations.
omfErr_t openTiff(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);
omfErr_t createTiff(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);
omfErr_t getTiffInfo(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);
omfErr_t putTiffInfo(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);
omfErr_t tiffSetFrame(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);
omfErr_t tiffFrameOffset(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);
omfErr_t tiffReadSamples(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);
omfErr_t tiffWriteSamples(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);
omfErr_t tiffClose(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);
omfErr_t tiffSelectInfo(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);

} // namespace omf::codecs::tiff
