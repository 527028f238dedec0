// Reading a TIFF image's header and directory from the codec stream. The
// image comes from a file: every offset and count is checked against the
// image's length before anything is allocated or read, and a value that
// lies outside the image is refused with the code the caller names.
#pragma once

#include "media/codec_support/codec_stream.h"
#include "tiff/byte_order.h"

#include <array>
#include <cstdint>
#include <vector>

namespace omf::codecs::tiff {

struct DirectoryEntry {
    uint16_t tag = 0;
    uint16_t type = 0;
    uint32_t count = 0;
    std::array<uint8_t, 4> field{}; // the value itself, or its offset
};

class DirectoryReader {
  public:
    DirectoryReader(omfHdl_t file, media::CodecStream& stream) : file_(file), stream_(stream) {}

    // The byte order ("II" little-endian, anything else big-endian), the
    // version (OM_ERR_TIFF_VERSION unless 42) and the directory's entries
    // (OM_ERR_READ_PAST_END when the directory lies outside the image).
    omfErr_t read(std::vector<DirectoryEntry>* entries);

    const ByteOrder& order() const { return order_; }
    int64_t imageLength() const { return length_; }

    // Bytes of width 4 for LONG and SLONG values, 2 for every other type.
    static int elementWidth(const DirectoryEntry& entry);

    // Element `index` of an entry's values, of `width` bytes (2 or 4), from
    // the entry itself when all values fit in it, else from its offset.
    omfErr_t element(const DirectoryEntry& entry, uint32_t index, int width, uint32_t* value,
                     omfErr_t outside) const;
    // All of an entry's values as `width`-byte numbers.
    omfErr_t elements(const DirectoryEntry& entry, int width, std::vector<uint32_t>* values,
                      omfErr_t outside) const;

    // `size` bytes at `offset`; `outside` when they do not lie in the image.
    omfErr_t bytesAt(int64_t offset, int64_t size, uint8_t* out, omfErr_t outside) const;

  private:
    omfHdl_t file_;
    media::CodecStream& stream_;
    ByteOrder order_;
    int64_t length_ = 0;
};

} // namespace omf::codecs::tiff
