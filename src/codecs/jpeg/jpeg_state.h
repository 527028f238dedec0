// The JPEG codec's records: the property codes it registers (those of
// component video and the frame index's), and the per-handle state, which
// adds to the component video description the frame index, the JPEG
// tables, the libjpeg objects and the decoded form of a frame.
//
// A frame is stored as one JPEG image, or one per field for separated
// fields. Decoded, it is 8-bit R, G, B pixels in the stored layout; that
// form is the file side of the stream's pixel translator, and the memory
// format until the caller sets one.
#pragma once

#include "cdci/cdci_state.h"
#include "jpeg/frame_index.h"
#include "jpeg/jpeg_layer.h"
#include "jpeg/jpeg_tables.h"

#include <cstdint>
#include <vector>

namespace omf::codecs::jpeg {

// Codes of the properties the JPEG and Avid JFIF codecs register at init.
struct PropertyCodes : cdci::PropertyCodes {
    omfProperty_t frameIndex;           // JPEG FrameIndex: 32-bit offsets
    omfProperty_t frameIndexExt;        // JPEG FrameIndexExt: 64-bit offsets
    omfProperty_t frameIndexByteOrder;  // DIDD FrameIndexByteOrder
    omfProperty_t offsetToFrameIndexes; // JPED OffsetToFrameIndexes
};

// Compression tags of JPEG media, and the data class of its images.
inline constexpr char kJpegTag[] = "JPEG";
inline constexpr char kJfifTag[] = "JFIF";

class JpegState : public cdci::CdciState {
  public:
    explicit JpegState(MessageFamily family = MessageFamily::jpeg);

    FrameIndex index;
    TableSet tables = annexKTables();
    JpegLayer layer;
    bool summaryWritten = false;
    bool preloadTables = false;   // frames carry no tables of their own (Avid JPEG)
    // The largest offset the stored index can hold: a frame ending beyond it
    // is refused rather than indexed wrongly.
    int64_t largestOffset = INT64_MAX;
    std::vector<uint8_t> decoded; // one decoded frame
    media::FormatList decodedFormat;

    // Bytes of one decoded frame (three per pixel, all fields).
    omfInt64 decodedFrameBytes() const;
    // Images per stored frame: two for separated fields, else one; and the
    // rows of one image.
    omfInt32 imagesPerFrame() const;
    omfInt32 imageRows() const;

    omfErr_t readDescriptor(omfHdl_t file, omfMediaHdl_t media, const void* codes) override;
    // Frame size from component width, subsampling and the geometry
    // (OM_ERR_ILLEGAL_FILE_FORMAT for subsampling other than 1 or 2).
    omfErr_t computeSizes(omfHdl_t file) override;
    omfErr_t streamFileFormat(omfHdl_t file, const media::FormatList** list) override;
    omfErr_t defaultMemoryFormat(omfHdl_t file, media::FormatList& memory) const override;
    bool compressed() const override { return true; }
    omfErr_t writeSummary(omfHdl_t file, omfObject_t descriptor, const void* codes,
                          omfFileRev_t revision) const override;

    // Stores the frame index of written media on its data object, with what
    // tells readers how the media was compressed.
    virtual omfErr_t storeIndex(omfHdl_t file, omfMediaHdl_t media, const void* codes) const;

  protected:
    // Reads the stored frame index (the Avid JPEG codec keeps it elsewhere).
    virtual omfErr_t readIndex(omfHdl_t file, omfMediaHdl_t media, const void* codes);
    // The Compression tag readers choose the codec by.
    virtual const char* compressionTag() const { return kJpegTag; }
};

inline JpegState* jpegStateOf(omfMediaHdl_t media) {
    return static_cast<JpegState*>(video::pictureStateOf(media));
}

// The stored frame index of 2.x JPEG media: FrameIndex entries while they
// fit in 32 bits, FrameIndexExt entries after.
omfErr_t loadFrameIndex(omfHdl_t file, omfObject_t dataObject, const PropertyCodes& codes,
                        FrameIndex& index);
omfErr_t storeFrameIndex(omfHdl_t file, omfObject_t dataObject, const PropertyCodes& codes,
                         const FrameIndex& index);

// Operations of the JPEG codec's table (the Avid JFIF codec shares them).
omfErr_t jpegSetFrame(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);
omfErr_t jpegFrameOffset(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);
omfErr_t jpegReadSamples(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);
omfErr_t jpegWriteSamples(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);
omfErr_t jpegGetInfo(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);
omfErr_t jpegPutInfo(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);
omfErr_t jpegClose(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);
omfErr_t jpegSelectInfo(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);

} // namespace omf::codecs::jpeg
