// Lays out one TIFF image directory in bytes: blocks of data placed first
// (tables the entries point to), then the directory, then the values of
// entries too large to sit in the entry. Offsets are absolute positions in
// the image; the builder starts at `base`, where its bytes will be written.
#pragma once

#include "tiff/byte_order.h"

#include <cstdint>
#include <initializer_list>
#include <span>
#include <vector>

namespace omf::codecs::tiff {

class DirectoryBuilder {
  public:
    DirectoryBuilder(int64_t base, ByteOrder order) : base_(base), order_(order) {}

    const ByteOrder& order() const { return order_; }

    // Places a block of data (padded to an even size) before the directory
    // and answers its offset; call before finish.
    int64_t addBlock(std::span<const uint8_t> bytes);

    // An entry of `count` values of `type` whose bytes, in the image's byte
    // order, are `value`.
    void addEntry(uint16_t tag, uint16_t type, uint32_t count, std::vector<uint8_t> value);
    void addShorts(uint16_t tag, std::initializer_list<uint16_t> values);
    void addLongs(uint16_t tag, std::span<const uint32_t> values);
    void addLong(uint16_t tag, uint32_t value);
    void addRational(uint16_t tag, uint32_t numerator, uint32_t denominator);

    size_t entryCount() const { return entries_.size(); }

    // The bytes from `base` on and the offset of the directory in them;
    // entries are sorted by tag.
    std::vector<uint8_t> finish(int64_t* directoryOffset);

  private:
    struct Entry {
        uint16_t tag;
        uint16_t type;
        uint32_t count;
        std::vector<uint8_t> value;
    };
    int64_t base_;
    ByteOrder order_;
    std::vector<uint8_t> bytes_;
    std::vector<Entry> entries_;
};

// The 8-byte header: byte-order mark, 42 and the directory's offset.
std::vector<uint8_t> headerBytes(const ByteOrder& order, uint32_t directoryOffset);

} // namespace omf::codecs::tiff
