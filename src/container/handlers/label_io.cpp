// Reading and writing the 24-byte container label at the end of the stream,
// and the 24-byte extended label in front of it that carries 64-bit TOC
// offset and size when the TOC ends beyond 4 GiB.
#include "container/omfi_handlers.h"
#include "file_ref_con.h"
#include "stream_routines.h"

#include <bit>
#include <cstring>

namespace container {
namespace {

constexpr size_t kLabelSize = 24;
// The extended label's magic differs from the label's in its first byte.
constexpr unsigned char kExtendedLabelMagic[8] = {0xA5, 0x43, 0x4D, 0xA5, 0x48, 0x64, 0x72, 0xD7};
// Label flag bits that mark a little-endian container.
constexpr uint16_t kLittleEndianFlags = 0x0101;
// Label field offsets.
constexpr size_t kFlagsOffset = 8;
constexpr size_t kBufSizeOffset = 10;
constexpr size_t kMajorOffset = 12;
constexpr size_t kMinorOffset = 14;
constexpr size_t kTocOffsetOffset = 16;
constexpr size_t kTocSizeOffset = 20;
constexpr size_t kTocBufferUnit = 1024; // bufSize counts units of this many bytes

uint64_t decode(const unsigned char* bytes, size_t width, bool littleEndian) {
    uint64_t value = 0;
    for (size_t index = 0; index < width; ++index) {
        const unsigned char byte = bytes[littleEndian ? width - 1 - index : index];
        value = (value << 8) | byte;
    }
    return value;
}

uint16_t decode16(const unsigned char* bytes, bool littleEndian) {
    return static_cast<uint16_t>(decode(bytes, 2, littleEndian));
}

// The versions a reader can make sense of: a version-1 TOC with any minor
// version, or the code-byte TOC with (2.1) or without (2.0) extended label.
bool isKnownVersion(uint16_t major, uint16_t minor) {
    return major <= 1 || (major == 2 && minor <= 1);
}

bool hasExtendedLabel(uint16_t major, uint16_t minor) {
    return minor == 1 && (major == 1 || major == 2);
}

// Decides the container's byte order from the raw label. The version field
// read as a big-endian number decides first (0x0001, 0x0100 and 0x0101 mean
// little-endian), then the little-endian flag bits. When the order so chosen
// gives a version no reader knows but the other order gives a known one, the
// other order is right: this is how big-endian version-1 labels are read.
bool labelIsLittleEndian(const unsigned char* label) {
    const uint16_t versionField = decode16(label + kMajorOffset, false);
    const uint16_t flagsField = decode16(label + kFlagsOffset, false);
    bool littleEndian = versionField == 0x0001 || versionField == 0x0100 ||
                        versionField == 0x0101 || (flagsField & kLittleEndianFlags) != 0;
    auto knownIn = [&](bool order) {
        return isKnownVersion(decode16(label + kMajorOffset, order),
                              decode16(label + kMinorOffset, order));
    };
    if (!knownIn(littleEndian) && knownIn(!littleEndian)) littleEndian = !littleEndian;
    return littleEndian;
}

// Reads `size` bytes starting `distanceFromEnd` bytes before the end of the
// file through the primary stream, which is left after them.
bool readBeforeEnd(FileRefCon* refCon, size_t distanceFromEnd, unsigned char* bytes, size_t size) {
    StreamState& primary = selectPrimary(refCon);
    const CMSize fileSize = refCon->file.size();
    if (distanceFromEnd > fileSize) return false;
    primary.position = fileSize - distanceFromEnd;
    const size_t got = refCon->file.read(kPrimaryStream, primary.position, bytes, size);
    primary.position += got;
    primary.atEnd = got < size;
    return got == size;
}

// Writes the bytes at the end of the file through the primary stream. Bytes
// still buffered go out first, so that a failing device shows on the first
// label write rather than on a later one.
bool appendAtEnd(FileRefCon* refCon, const unsigned char* bytes, size_t size) {
    if (!refCon->file.flush()) return false;
    StreamState& primary = selectPrimary(refCon);
    primary.position = refCon->file.size();
    const size_t written = refCon->file.write(primary.position, bytes, size);
    primary.position += written;
    return written == size;
}

} // namespace

void readLabel(CMRefCon refCon, CMMagicBytes magic, uint16_t* flags, uint16_t* bufSize,
               uint16_t* majorVersion, uint16_t* minorVersion, CMSize* tocOffset, CMSize* tocSize) {
    // Until a label is read every output reads as zero, which no caller
    // takes for a valid label.
    unsigned char label[kLabelSize] = {};
    uint16_t labelFlags = 0, labelBufSize = 0, major = 0, minor = 0;
    CMSize offset = 0, size = 0;
    auto deliver = [&] {
        if (magic != nullptr) std::memcpy(magic, label, sizeof(CMMagicBytes));
        if (flags != nullptr) *flags = labelFlags;
        if (bufSize != nullptr) *bufSize = labelBufSize;
        if (majorVersion != nullptr) *majorVersion = major;
        if (minorVersion != nullptr) *minorVersion = minor;
        if (tocOffset != nullptr) *tocOffset = offset;
        if (tocSize != nullptr) *tocSize = size;
    };

    FileRefCon* fileRefCon = asFileRefCon(refCon);
    if (fileRefCon == nullptr || !fileRefCon->file.isOpen()) return deliver();
    if (!readBeforeEnd(fileRefCon, kLabelSize, label, kLabelSize)) {
        std::memset(label, 0, sizeof label);
        reportFileMessage(fileRefCon,
                          "Incorrect byte length read while reading label from container \"^0\"!",
                          {fileRefCon->name()});
        return deliver();
    }

    const bool littleEndian = labelIsLittleEndian(label);
    fileRefCon->swapped = littleEndian != (std::endian::native == std::endian::little);
    labelFlags = decode16(label + kFlagsOffset, littleEndian);
    labelBufSize = decode16(label + kBufSizeOffset, littleEndian);
    major = decode16(label + kMajorOffset, littleEndian);
    minor = decode16(label + kMinorOffset, littleEndian);
    offset = decode(label + kTocOffsetOffset, 4, littleEndian);
    size = decode(label + kTocSizeOffset, 4, littleEndian);

    if (hasExtendedLabel(major, minor)) {
        unsigned char extended[kLabelSize];
        const bool complete = readBeforeEnd(fileRefCon, 2 * kLabelSize, extended, kLabelSize);
        const bool valid =
            complete && std::memcmp(extended, kExtendedLabelMagic, sizeof kExtendedLabelMagic) == 0;
        if (valid) {
            offset = decode(extended + 8, 8, littleEndian);
            size = decode(extended + 16, 8, littleEndian);
        } else if (major == 2) {
            // A 2.1 label without its extended label is an unknown version,
            // which the library reports as such.
        } else {
            offset = 0;
            size = 0;
            if (!complete) {
                reportFileMessage(fileRefCon,
                                  "Incorrect byte length on extra label from container \"^0\"!",
                                  {fileRefCon->name()});
            } else {
                reportFileMessage(fileRefCon, "Incorrect extended magic byte sequence!", {});
            }
        }
    }

    // The TOC buffer never needs to be larger than the TOC; a TOC too big
    // for 16 bits of 1024-byte units gets the largest buffer there is.
    if (labelBufSize == 0 || size < static_cast<CMSize>(labelBufSize) * kTocBufferUnit) {
        const CMSize units = size / kTocBufferUnit + 1;
        labelBufSize = units > UINT16_MAX ? UINT16_MAX : static_cast<uint16_t>(units);
    }

    fileRefCon->labelRead = true;
    fileRefCon->labelTocOffset = offset;
    deliver();
}

void writeLabel(CMRefCon refCon, const CMMagicBytes magic, uint16_t flags, uint16_t bufSize,
                uint16_t majorVersion, uint16_t minorVersion, CMSize tocOffset, CMSize tocSize) {
    FileRefCon* fileRefCon = asFileRefCon(refCon);
    if (fileRefCon == nullptr || !fileRefCon->file.isOpen() || magic == nullptr) return;
    // The label and the extended label are written in the host's order.
    fileRefCon->swapped = false;
    if (!fileRefCon->revisionZero) flags |= kLittleEndianFlags;

    // A TOC ending beyond 32 bits cannot be described by the label alone.
    const bool fits = tocOffset <= UINT32_MAX && tocSize <= UINT32_MAX - tocOffset;
    const bool extended = minorVersion == 1 || !fits;

    if (extended) {
        minorVersion = 1;
        unsigned char bytes[kLabelSize];
        std::memcpy(bytes, kExtendedLabelMagic, sizeof kExtendedLabelMagic);
        formatData(fileRefCon, bytes + 8, 8, &tocOffset);
        formatData(fileRefCon, bytes + 16, 8, &tocSize);
        if (!appendAtEnd(fileRefCon, bytes, sizeof bytes)) {
            reportFileMessage(fileRefCon,
                              "Incorrect byte length written on EXTRA label to container \"^0\"!",
                              {fileRefCon->name()});
            return;
        }
    }

    const uint32_t labelTocOffset = extended ? 0 : static_cast<uint32_t>(tocOffset);
    const uint32_t labelTocSize = extended ? 0 : static_cast<uint32_t>(tocSize);
    unsigned char label[kLabelSize];
    std::memcpy(label, magic, sizeof(CMMagicBytes));
    formatData(fileRefCon, label + kFlagsOffset, 2, &flags);
    formatData(fileRefCon, label + kBufSizeOffset, 2, &bufSize);
    formatData(fileRefCon, label + kMajorOffset, 2, &majorVersion);
    formatData(fileRefCon, label + kMinorOffset, 2, &minorVersion);
    formatData(fileRefCon, label + kTocOffsetOffset, 4, &labelTocOffset);
    formatData(fileRefCon, label + kTocSizeOffset, 4, &labelTocSize);
    // The flush makes a failing device show here rather than unnoticed at close.
    if (!appendAtEnd(fileRefCon, label, sizeof label) || !fileRefCon->file.flush()) {
        reportFileMessage(fileRefCon,
                          "Incorrect byte length written while writing label to container \"^0\"!",
                          {fileRefCon->name()});
    }
}

} // namespace container
