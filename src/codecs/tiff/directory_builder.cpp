// Laying out a TIFF image directory.
#include "tiff/directory_builder.h"

#include "tiff/tiff_tags.h"

#include <algorithm>

namespace omf::codecs::tiff {

namespace {

void padToEven(std::vector<uint8_t>& bytes) {
    if (bytes.size() % 2 != 0) bytes.push_back(0);
}

} // namespace

int64_t DirectoryBuilder::addBlock(std::span<const uint8_t> bytes) {
    int64_t offset = base_ + int64_t(bytes_.size());
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    padToEven(bytes_);
    return offset;
}

void DirectoryBuilder::addEntry(uint16_t tag, uint16_t type, uint32_t count,
                                std::vector<uint8_t> value) {
    entries_.push_back({tag, type, count, std::move(value)});
}

void DirectoryBuilder::addShorts(uint16_t tag, std::initializer_list<uint16_t> values) {
    std::vector<uint8_t> bytes(values.size() * 2);
    size_t i = 0;
    for (uint16_t value : values)
        order_.put16(&bytes[2 * i++], value);
    addEntry(tag, kTypeShort, uint32_t(values.size()), std::move(bytes));
}

void DirectoryBuilder::addLongs(uint16_t tag, std::span<const uint32_t> values) {
    std::vector<uint8_t> bytes(values.size() * 4);
    for (size_t i = 0; i < values.size(); ++i)
        order_.put32(&bytes[4 * i], values[i]);
    addEntry(tag, kTypeLong, uint32_t(values.size()), std::move(bytes));
}

void DirectoryBuilder::addLong(uint16_t tag, uint32_t value) {
    addLongs(tag, std::span<const uint32_t>(&value, 1));
}

void DirectoryBuilder::addRational(uint16_t tag, uint32_t numerator, uint32_t denominator) {
    std::vector<uint8_t> bytes(8);
    order_.put32(&bytes[0], numerator);
    order_.put32(&bytes[4], denominator);
    addEntry(tag, kTypeRational, 1, std::move(bytes));
}

std::vector<uint8_t> DirectoryBuilder::finish(int64_t* directoryOffset) {
    std::stable_sort(entries_.begin(), entries_.end(),
                     [](const Entry& a, const Entry& b) { return a.tag < b.tag; });
    const int64_t directoryStart = base_ + int64_t(bytes_.size());
    const int64_t directorySize =
        kEntryCountBytes + kEntryBytes * int64_t(entries_.size()) + kNextDirectoryBytes;
    std::vector<uint8_t> directory(size_t(directorySize), 0);
    std::vector<uint8_t> values;
    order_.put16(&directory[0], uint16_t(entries_.size()));
    for (size_t i = 0; i < entries_.size(); ++i) {
        const Entry& entry = entries_[i];
        uint8_t* field = &directory[size_t(kEntryCountBytes + kEntryBytes * int64_t(i))];
        order_.put16(field, entry.tag);
        order_.put16(field + 2, entry.type);
        order_.put32(field + 4, entry.count);
        if (int64_t(entry.value.size()) <= kInlineValueBytes) {
            std::copy(entry.value.begin(), entry.value.end(), field + 8);
        } else {
            int64_t offset = directoryStart + directorySize + int64_t(values.size());
            order_.put32(field + 8, uint32_t(offset));
            values.insert(values.end(), entry.value.begin(), entry.value.end());
            padToEven(values);
        }
    }
    // The next-directory offset stays 0: the image has one directory.
    std::vector<uint8_t> out = std::move(bytes_);
    out.insert(out.end(), directory.begin(), directory.end());
    out.insert(out.end(), values.begin(), values.end());
    *directoryOffset = directoryStart;
    bytes_.clear();
    entries_.clear();
    return out;
}

std::vector<uint8_t> headerBytes(const ByteOrder& order, uint32_t directoryOffset) {
    std::vector<uint8_t> header(static_cast<size_t>(kHeaderBytes));
    header[0] = header[1] = order.little ? 'I' : 'M';
    order.put16(&header[2], kTiffVersion);
    order.put32(&header[4], directoryOffset);
    return header;
}

} // namespace omf::codecs::tiff
