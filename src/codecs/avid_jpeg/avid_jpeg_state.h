// The Avid JPEG codec's records: the properties it registers, and its
// per-handle state, the JPEG state with tables that are stored on the
// descriptor and serve every frame (the frames carry none of their own).
#pragma once

#include "jpeg/jpeg_state.h"

namespace omf::codecs::avid_jpeg {

struct PropertyCodes : jpeg::PropertyCodes {
    omfProperty_t frameIndexData;     // JPEG FrameIndex: a data value of 32-bit offsets
    omfProperty_t quantizationTables; // JPED QuantizationTables (1.x files)
    omfProperty_t qntznTbl;           // JPED QntznTbl (2.x files)
};

// Compression tag of Avid JPEG media, also written as the decimal text of
// its four bytes read as a big-endian number.
inline constexpr char kAvidJpegTag[] = "AJPG";
inline constexpr char kAvidJpegNumber[] = "1095389255";

class AvidJpegState : public jpeg::JpegState {
  public:
    AvidJpegState() : JpegState(jpeg::MessageFamily::avidJpeg) {
        preloadTables = true;
        largestOffset = UINT32_MAX; // the stored index holds 32-bit offsets
    }

    // The component video summary, tagged "AJPG", and the table stream.
    omfErr_t writeSummary(omfHdl_t file, omfObject_t descriptor, const void* codes,
                          omfFileRev_t revision) const override;
    // The frame index as a byte block of 32-bit offsets in the file's byte
    // order, and the resolution ID when one was set.
    omfErr_t storeIndex(omfHdl_t file, omfMediaHdl_t media, const void* codes) const override;

  protected:
    // The table stream of the descriptor, then the frame index data value.
    omfErr_t readIndex(omfHdl_t file, omfMediaHdl_t media, const void* codes) override;
    const char* compressionTag() const override { return kAvidJpegTag; }
};

omfErr_t avidJpegSelectInfo(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);

} // namespace omf::codecs::avid_jpeg
