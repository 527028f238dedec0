// Reading a TIFF image's header and directory.
#include "tiff/directory_reader.h"

#include "omf/omf_error_codes.h"
#include "omf/omf_error_flow.h"
#include "tiff/tiff_tags.h"

#include <cstring>

namespace omf::codecs::tiff {

omfErr_t DirectoryReader::bytesAt(int64_t offset, int64_t size, uint8_t* out,
                                  omfErr_t outside) const {
    if (offset < 0 || size < 0 || offset > length_ || size > length_ - offset)
        OMF_RAISE(file_, outside);
    if (size == 0) return 0;
    OMF_CHECK(file_, media::streamSeek(stream_, offset));
    omfInt64 got = 0;
    OMF_CHECK(file_, media::streamRead(stream_, out, size, &got));
    return 0;
}

omfErr_t DirectoryReader::read(std::vector<DirectoryEntry>* entries) {
    OMF_CHECK(file_, media::streamLength(stream_, &length_));
    uint8_t header[kHeaderBytes];
    if (length_ < kHeaderBytes) OMF_RAISE(file_, OM_ERR_TIFF_VERSION);
    OMF_CHECK(file_, bytesAt(0, kHeaderBytes, header, OM_ERR_TIFF_VERSION));
    order_.little = std::memcmp(header, kLittleEndianMark, sizeof kLittleEndianMark) == 0;
    if (order_.get16(header + 2) != kTiffVersion) OMF_RAISE(file_, OM_ERR_TIFF_VERSION);
    const int64_t directory = order_.get32(header + 4);

    uint8_t countBytes[kEntryCountBytes];
    OMF_CHECK(file_, bytesAt(directory, kEntryCountBytes, countBytes, OM_ERR_READ_PAST_END));
    const int64_t count = order_.get16(countBytes);
    std::vector<uint8_t> raw(size_t(count * kEntryBytes));
    OMF_CHECK(file_, bytesAt(directory + kEntryCountBytes, count * kEntryBytes, raw.data(),
                             OM_ERR_READ_PAST_END));
    entries->clear();
    entries->reserve(size_t(count));
    for (int64_t i = 0; i < count; ++i) {
        const uint8_t* bytes = &raw[size_t(i * kEntryBytes)];
        DirectoryEntry entry;
        entry.tag = order_.get16(bytes);
        entry.type = order_.get16(bytes + 2);
        entry.count = order_.get32(bytes + 4);
        std::memcpy(entry.field.data(), bytes + 8, entry.field.size());
        entries->push_back(entry);
    }
    return 0;
}

int DirectoryReader::elementWidth(const DirectoryEntry& entry) {
    return entry.type == kTypeLong || entry.type == kTypeSignedLong ? 4 : 2;
}

omfErr_t DirectoryReader::element(const DirectoryEntry& entry, uint32_t index, int width,
                                  uint32_t* value, omfErr_t outside) const {
    if (index >= entry.count) OMF_RAISE(file_, OM_ERR_TIFF_COUNT);
    const int64_t total = int64_t(entry.count) * width;
    const int64_t at = int64_t(index) * width;
    uint8_t bytes[4];
    if (total <= kInlineValueBytes) {
        std::memcpy(bytes, entry.field.data() + at, size_t(width));
    } else {
        OMF_CHECK(file_,
                  bytesAt(int64_t(order_.get32(entry.field.data())) + at, width, bytes, outside));
    }
    *value = width == 4 ? order_.get32(bytes) : order_.get16(bytes);
    return 0;
}

omfErr_t DirectoryReader::elements(const DirectoryEntry& entry, int width,
                                   std::vector<uint32_t>* values, omfErr_t outside) const {
    const int64_t total = int64_t(entry.count) * width;
    std::vector<uint8_t> bytes;
    const uint8_t* data = entry.field.data();
    if (total > kInlineValueBytes) {
        // The values must lie in the image before room is made for them.
        const int64_t offset = order_.get32(entry.field.data());
        if (offset > length_ || total > length_ - offset) OMF_RAISE(file_, outside);
        bytes.resize(size_t(total));
        OMF_CHECK(file_, bytesAt(offset, total, bytes.data(), outside));
        data = bytes.data();
    }
    values->resize(entry.count);
    for (uint32_t i = 0; i < entry.count; ++i) {
        const uint8_t* at = data + size_t(i) * size_t(width);
        (*values)[i] = width == 4 ? order_.get32(at) : order_.get16(at);
    }
    return 0;
}

} // namespace omf::codecs::tiff
