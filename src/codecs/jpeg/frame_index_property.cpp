// The stored frame index of 2.x JPEG media: entries that fit in 32 bits in
// FrameIndex, the rest in FrameIndexExt, both arrays with a 2-byte count
// before their elements (the element count follows from the value's size,
// so indexes of more than 65535 entries keep every entry).
#include "jpeg/jpeg_state.h"

#include "omf/omf_access.h"
#include "omf/omf_error_codes.h"
#include "omf/omf_error_flow.h"
#include "omf/omf_registry.h"

#include <algorithm>
#include <limits>

namespace omf::codecs::jpeg {

namespace {

constexpr omfInt32 kShortEntry = 4;
constexpr omfInt32 kLongEntry = 8;
constexpr omfInt64 kArrayHeader = 2; // the element count
constexpr uint16_t kLargestCount = 0xFFFF;
constexpr size_t kEntriesReservedAhead = size_t(1) << 20;

omfErr_t arrayCount(omfHdl_t file, omfObject_t object, omfProperty_t property, omfType_t type,
                    omfInt32 elementSize, omfInt32* count) {
    *count = 0;
    if (property == 0 || !omfsPropertyPresent(file, object, property, type)) return 0;
    OMF_CHECK(file, omfsArrayCount(file, object, property, type, elementSize, count));
    return 0;
}

omfErr_t writeArray(omfHdl_t file, omfObject_t object, omfProperty_t property, omfType_t type,
                    omfInt32 elementSize, const std::vector<int64_t>& entries) {
    if (entries.empty()) return 0;
    auto count = static_cast<uint16_t>(std::min<size_t>(entries.size(), kLargestCount));
    OMF_CHECK(file, omfsWriteValueBytes(file, object, property, 0, type, 2, &count));
    for (size_t i = 0; i < entries.size(); ++i) {
        omfInt64 offset = kArrayHeader + omfInt64(i) * elementSize;
        if (elementSize == kShortEntry) {
            auto value = static_cast<omfInt32>(entries[i]);
            OMF_CHECK(file, omfsWriteValueBytes(file, object, property, offset, type, 4, &value));
        } else {
            omfInt64 value = entries[i];
            OMF_CHECK(file, omfsWriteValueBytes(file, object, property, offset, type, 8, &value));
        }
    }
    return 0;
}

} // namespace

omfErr_t loadFrameIndex(omfHdl_t file, omfObject_t dataObject, const PropertyCodes& codes,
                        FrameIndex& index) {
    omfInt32 shortCount = 0, longCount = 0;
    OMF_CHECK(file, arrayCount(file, dataObject, codes.frameIndex, kOmfType_Position32Array,
                               kShortEntry, &shortCount));
    OMF_CHECK(file, arrayCount(file, dataObject, codes.frameIndexExt, kOmfType_Position64Array,
                               kLongEntry, &longCount));
    index.clear();
    // The counts follow from value sizes in the file's table of contents,
    // which may claim more than the file holds: room for at most a million
    // entries is made ahead, the rest as entries arrive.
    index.reserve(std::min(size_t(shortCount) + size_t(longCount), kEntriesReservedAhead));
    for (omfInt32 entry = 1; entry <= shortCount; ++entry) {
        omfInt32 value = 0;
        OMF_CHECK(file, omfsReadValueBytes(file, dataObject, codes.frameIndex,
                                           kArrayHeader + omfInt64(entry - 1) * kShortEntry, 0,
                                           kOmfType_Position32Array, kShortEntry, &value));
        index.append(value);
    }
    // Entries after FrameIndex continue at the first element of FrameIndexExt.
    for (omfInt32 entry = 1; entry <= longCount; ++entry) {
        omfInt64 value = 0;
        OMF_CHECK(file, omfsReadValueBytes(file, dataObject, codes.frameIndexExt,
                                           kArrayHeader + omfInt64(entry - 1) * kLongEntry, 0,
                                           kOmfType_Position64Array, kLongEntry, &value));
        index.append(value);
    }
    return 0;
}

omfErr_t storeFrameIndex(omfHdl_t file, omfObject_t dataObject, const PropertyCodes& codes,
                         const FrameIndex& index) {
    // Entries stay in order: once one needs 64 bits, all later ones do too.
    std::vector<int64_t> shortEntries, longEntries;
    for (size_t i = 0; i < index.entryCount(); ++i) {
        int64_t entry = index.entry(i);
        bool fits =
            longEntries.empty() && entry >= 0 && entry <= std::numeric_limits<omfInt32>::max();
        (fits ? shortEntries : longEntries).push_back(entry);
    }
    OMF_CHECK(file, writeArray(file, dataObject, codes.frameIndex, kOmfType_Position32Array,
                               kShortEntry, shortEntries));
    OMF_CHECK(file, writeArray(file, dataObject, codes.frameIndexExt, kOmfType_Position64Array,
                               kLongEntry, longEntries));
    return 0;
}

} // namespace omf::codecs::jpeg
