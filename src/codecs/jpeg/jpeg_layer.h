// The libjpeg glue every JPEG-based picture codec uses: one image at a time
// is decompressed from, or compressed into, the handle's codec stream at
// its position. libjpeg reads through a source manager that refills 4096
// bytes at a time from the stream and writes through a destination manager
// that empties into it; its errors jump back into the layer call, which
// answers a toolkit code.
//
// Decompressing: tables given beforehand serve images that carry none of
// their own (abbreviated images, as TIFF and Avid media store them); rows
// come out as 8-bit R, G, B, or with a fourth byte of 255 for the
// four-byte orders. A stream that ends inside an image gives the warning
// "Premature EOF in JPEG file" and decodes what arrived.
//
// Compressing: baseline JPEG from 8-bit RGB rows with the given tables and
// chroma subsampling; after the image, 0xFF bytes fill the stream up to two
// bytes before a multiple of 4, then 0xFF 0xD1 ends it, so every image ends
// on a 4-byte boundary.
#pragma once

#include "jpeg/jpeg_tables.h"
#include "media/codec_support/codec_stream.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace omf::codecs::jpeg {

// The codec family whose message texts the layer reports (the texts name
// the source file of the family's copy of the glue).
enum class MessageFamily { jpeg, avidJpeg };

// Byte order of the pixels of a row: three bytes, or four with an alpha
// (or unused) byte of 255 at the named end.
enum class PixelOrder { rgb, rgba, argb, bgra, abgr };
int bytesPerPixel(PixelOrder order);

// Rows of an image in memory.
struct ImageRows {
    uint8_t* data = nullptr;
    size_t stride = 0; // bytes from one row to the next
    int width = 0;
    int height = 0;
    PixelOrder order = PixelOrder::rgb;
};

struct CompressOptions {
    const TableSet* tables = nullptr; // null: the Annex K tables
    int horizontalSubsampling = 2;    // 1: 4:4:4, 2: 4:2:2 (chroma at half width)
    bool writeTables = true;          // false: an abbreviated image without DQT/DHT, whose colour-
                                      // difference components share quantisation table 1
    bool alignEnd = true;             // the 0xFF fill and 0xFF 0xD1 after the image
};

// Text of the stream-failure messages of the source manager, by family.
enum class SourceFailure { length, position, subtract, truncate, read };
const char* sourceFailureText(MessageFamily family, SourceFailure failure);

inline constexpr char kPrematureEofWarning[] = "Premature EOF in JPEG file";
inline constexpr char kBogusDcCounts[] = "Bogus DC counts";
inline constexpr char kBogusAcCount[] = "Bogus AC count";
inline constexpr char kEmitMarkerProblem[] = "Problem in emit_marker.  File omJPEG.c line 1118";
inline constexpr char kBadAlignmentCheck[] = "Bad alignment check after compression";
inline constexpr char kBadAlignmentPadding[] = "Bad alignment padding after compression";

// One codec handle's libjpeg objects, kept from image to image.
class JpegLayer {
  public:
    explicit JpegLayer(MessageFamily family);
    ~JpegLayer();
    JpegLayer(const JpegLayer&) = delete;
    JpegLayer& operator=(const JpegLayer&) = delete;

    // Decompresses the image at the stream's position into `out`; `tables`
    // (may be null) are installed first. Its messages add to messages(). Pixels outside the image's
    // own size stay untouched, image pixels outside `out` are dropped. Errors: the stream's code
    // when reading failed, else OM_ERR_JPEG_UNSPECIFIED.
    omfErr_t decompress(omfHdl_t file, media::CodecStream& stream, const TableSet* tables,
                        const ImageRows& out);

    // Compresses `in` into the stream at its position.
    omfErr_t compress(omfHdl_t file, media::CodecStream& stream, const CompressOptions& options,
                      const ImageRows& in);

    // Warnings and error texts in the order they arose: of the last compress, or of every
    // image decompressed since forgetMessages (a frame's fields add to each other's).
    const std::vector<std::string>& messages() const;
    // Starts a new read: the messages of earlier images are dropped.
    void forgetMessages();

    // Answers the decode-messages selector (an omfDecodeMessages_t in `buffer`) from messages().
    omfErr_t answerMessages(omfHdl_t file, omfInt32 size, void* buffer) const;

    struct Objects;

  private:
    std::unique_ptr<Objects> objects_;
};

} // namespace omf::codecs::jpeg
