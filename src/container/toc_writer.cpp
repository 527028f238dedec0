// Writing global names, the TOC (both formats) and the label when a written
// container closes.
#include "container/internal/container_ops.h"
#include "container/internal/record_memory.h"
#include "container/internal/report.h"
#include "container/internal/toc_format.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <utility>
#include <vector>

namespace container {

namespace {

constexpr uint64_t k32BitLimit = 0xFFFFFFFFull;

// Where the data words of object 1's position properties landed in the TOC.
struct PatchSite {
    size_t at = 0;     // byte index of the entry's data in the TOC image
    int offsetWords = 1;
    int lengthWords = 1;
};

struct Patches {
    std::optional<PatchSite> tocObject;     // property 4
    std::optional<PatchSite> container;     // property 5
    std::optional<PatchSite> newValuesToc;  // property 8
};

bool isPositionValue(const CMValueRecord* value, CMObjectID property) {
    return value->object->id == kTocObjectID && value->property->id == property &&
           value->type->id == kTocType;
}

// Bytes of a TOC image. Growing it leaves the new bytes uninitialised: the
// image is written byte by byte right after, and room a generous guess
// leaves unused is never touched.
template <typename T> struct UninitialisedAllocator : std::allocator<T> {
    template <typename U> struct rebind { using other = UninitialisedAllocator<U>; };
    UninitialisedAllocator() = default;
    template <typename U> UninitialisedAllocator(const UninitialisedAllocator<U>&) {}
    template <typename U> void construct(U* place) { ::new (static_cast<void*>(place)) U; }
    template <typename U, typename... Arguments>
    void construct(U* place, Arguments&&... arguments) {
        ::new (static_cast<void*>(place)) U(std::forward<Arguments>(arguments)...);
    }
};
using TocBytes = std::vector<unsigned char, UninitialisedAllocator<unsigned char>>;

// The TOC image in memory, built entry by entry with the buffering rule:
// an entry never straddles a buffer; a closed buffer ends with code 24 and
// 255 fillers. Entries are written at a cursor into room made ahead, so an
// entry costs one check of the room left.
class CodeByteTocImage {
  public:
    CodeByteTocImage(CMContainerRecord* container, CMSize bufferSize)
        : container_(container), bufferSize_((bufferSize + 3) & ~CMSize(3)) {}

    void entry(uint8_t code, std::initializer_list<uint32_t> words) {
        begin(code, 4 * words.size());
        for (uint32_t word : words) {
            format32(container_, bytes_.data() + used_, word);
            used_ += 4;
        }
    }
    void immediate(uint8_t code, const unsigned char raw[4]) {
        begin(code, 4);
        std::memcpy(bytes_.data() + used_, raw, 4);
        used_ += 4;
    }
    void bare(uint8_t code) { begin(code, 0); }

    // Closes the final buffer, padded to a multiple of 4 bytes.
    void finish() {
        size_t inBuffer = used_ - bufferStart_;
        if (inBuffer == 0 || inBuffer == bufferSize_) return;
        makeRoom(4);
        bytes_[used_++] = kEndOfBuffer;
        while ((used_ - bufferStart_) % 4 != 0)
            bytes_[used_++] = kFiller;
    }

    // Room for `size` bytes; pages a generous guess leaves unused are never touched.
    void reserve(size_t size) {
        bytes_.resize(size);
        adviseHugePages(bytes_.data(), bytes_.size());
    }
    size_t position() const { return used_; }
    // The image, once finished.
    TocBytes& bytes() {
        bytes_.resize(used_);
        return bytes_;
    }
    uint32_t lastGeneration = 0;

  private:
    void begin(uint8_t code, size_t dataLength) {
        // Room for the rest of a buffer and a whole entry, whichever is needed.
        makeRoom(bufferSize_ + 1 + dataLength);
        size_t inBuffer = used_ - bufferStart_;
        if (inBuffer + 1 + dataLength > bufferSize_) {
            if (inBuffer < bufferSize_) {
                bytes_[used_] = kEndOfBuffer;
                std::memset(bytes_.data() + used_ + 1, kFiller, bufferSize_ - inBuffer - 1);
                used_ = bufferStart_ + bufferSize_;
            }
            bufferStart_ = used_;
            lastGeneration = 0;
        }
        bytes_[used_++] = code;
    }
    void makeRoom(size_t size) {
        if (bytes_.size() - used_ >= size) return;
        bytes_.resize(std::max(bytes_.size() * 2, used_ + size));
    }

    CMContainerRecord* container_;
    size_t bufferSize_;
    size_t bufferStart_ = 0;
    size_t used_ = 0; // bytes of the image written so far
    TocBytes bytes_;
};

// Every value to write, in TOC order; those of more than one segment also go
// to `continued`, so that later steps need not visit every value again.
std::vector<CMValueRecord*> valuesInTocOrder(CMContainerRecord* container,
                                             std::vector<CMValueRecord*>& continued) {
    std::vector<CMValueRecord*> values;
    values.reserve(container->plainValuesAdded);
    // Filled once from start to end: huge pages save a fault per 4 KiB.
    adviseHugePages(values.data(), values.capacity() * sizeof(CMValueRecord*));
    for (const auto& [id, object] : container->objects) {
        if (object->flags & (kObjectDeleted | kObjectUndefined)) continue;
        for (const CMPropertyEntry& entry : object->properties) {
            for (CMValueRecord* value : entry.values) {
                if (value->flags & kValueDeleted) continue;
                values.push_back(value);
                if (segmentsOf(value).size() > 1) continued.push_back(value);
            }
        }
    }
    return values;
}

uint32_t high(uint64_t number) { return uint32_t(number >> 32); }
uint32_t low(uint64_t number) { return uint32_t(number); }

TocBytes buildCodeByteToc(CMContainerRecord* container, const std::vector<CMValueRecord*>& values,
                          bool wide, Patches& patches) {
    CodeByteTocImage image(container, kWriterTocBufferSize);
    // An entry of a value is at most a new-object entry, a generation, flags and
    // a wide segment; most take under 24 bytes.
    image.reserve(values.size() * 24 + kWriterTocBufferSize);
    CMObjectID lastObject = 0, lastProperty = 0;
    for (CMValueRecord* value : values) {
        CMObjectID object = value->object->id;
        CMObjectID property = value->property->id;
        CMObjectID type = value->type->id;
        if (object != lastObject) {
            image.entry(kNewObject, {object, property, type});
        } else if (property != lastProperty) {
            image.entry(kNewProperty, {property, type});
        } else {
            image.entry(kNewType, {type}); // values of one property differ in type
        }
        lastObject = object;
        lastProperty = property;
        if (value->generation != image.lastGeneration) {
            image.entry(kGeneration, {value->generation});
            image.lastGeneration = value->generation;
        }
        if (value->flags & kValueHasUserFlags) image.entry(kValueFlags, {value->userFlags});

        std::optional<PatchSite>* patch = nullptr;
        if (isPositionValue(value, kTocObjectProperty)) patch = &patches.tocObject;
        if (isPositionValue(value, kTocContainerProperty)) patch = &patches.container;
        if (isPositionValue(value, kTocNewValuesTocProperty)) patch = &patches.newValuesToc;
        if (patch != nullptr) {
            // Written as placeholders and filled in once the TOC's place is known;
            // the wide forms hold 64-bit offsets and sizes of a TOC beyond 4 GiB.
            if (!wide) {
                image.entry(kSegment32, {0, 0});
                *patch = PatchSite{image.position() - 8, 1, 1};
            } else if (value->property->id == kTocContainerProperty) {
                image.entry(kSegment64, {0, 0, 0, 0});
                *patch = PatchSite{image.position() - 16, 2, 2};
            } else {
                image.entry(kSegment64Offset, {0, 0, 0});
                *patch = PatchSite{image.position() - 12, 2, 1};
            }
            continue;
        }

        if (segmentsOf(value).empty()) {
            image.bare(kImmediate0);
            continue;
        }
        bool first = true;
        for (const Segment& segment : segmentsOf(value)) {
            if (segment.immediate) {
                if (!first) {
                    image.immediate(kContinuedImmediate, segment.data.data());
                } else if (segment.length == 0) {
                    image.bare(kImmediate0);
                } else {
                    image.immediate(uint8_t(kImmediate0 + segment.length), segment.data.data());
                }
            } else if (segment.length > k32BitLimit) {
                image.entry(first ? kSegment64 : kContinued64,
                            {high(segment.offset), low(segment.offset), high(segment.length),
                             low(segment.length)});
            } else if (segment.offset > k32BitLimit) {
                image.entry(first ? kSegment64Offset : kContinued64Offset,
                            {high(segment.offset), low(segment.offset), low(segment.length)});
            } else {
                image.entry(first ? kSegment32 : kContinued32,
                            {low(segment.offset), low(segment.length)});
            }
            first = false;
        }
    }
    image.finish();
    return std::move(image.bytes());
}

TocBytes buildVersion1Toc(CMContainerRecord* container, const std::vector<CMValueRecord*>& values,
                          Patches& patches) {
    TocBytes bytes;
    auto entry = [&](const CMValueRecord* value, const Segment& segment, bool continued) {
        if (!segment.immediate && (segment.offset > k32BitLimit || segment.length > k32BitLimit)) {
            fail(container, CM_ERR_WIDE_OFFSET, {nameOf(container)});
        }
        size_t at = bytes.size();
        bytes.resize(at + kVersion1EntrySize);
        unsigned char* out = bytes.data() + at;
        format32(container, out, value->object->id);
        format32(container, out + 4, value->property->id);
        format32(container, out + 8, value->type->id);
        if (segment.immediate) {
            std::memcpy(out + 12, segment.data.data(), 4);
        } else {
            format32(container, out + 12, low(segment.offset));
        }
        format32(container, out + 16, low(segment.length));
        format16(container, out + 20, uint16_t(value->generation));
        uint16_t flags = (segment.immediate ? kVersion1Immediate : 0) |
                         (continued ? kVersion1Continued : 0);
        format16(container, out + 22, flags);
        return at;
    };
    for (CMValueRecord* value : values) {
        if (value->property->id > 0x00FFFFFF || value->type->id > 0x00FFFFFF) {
            fail(container, CM_ERR_BAD_VALUE_ENTRY,
                 {decimal(value->property->id), decimal(value->type->id), nameOf(container)});
        }
        if (segmentsOf(value).empty()) {
            Segment empty;
            empty.immediate = true;
            entry(value, empty, false);
            continue;
        }
        bool first = true;
        for (const Segment& segment : segmentsOf(value)) {
            size_t at = entry(value, segment, !first);
            if (first && isPositionValue(value, kTocObjectProperty)) {
                patches.tocObject = PatchSite{at + 12, 1, 1};
            }
            if (first && isPositionValue(value, kTocContainerProperty)) {
                patches.container = PatchSite{at + 12, 1, 1};
            }
            if (first && isPositionValue(value, kTocNewValuesTocProperty)) {
                patches.newValuesToc = PatchSite{at + 12, 1, 1};
            }
            first = false;
        }
    }
    return bytes;
}

void patchWords(CMContainerRecord* container, TocBytes& toc, const PatchSite& site, uint64_t offset,
                uint64_t length) {
    unsigned char* out = toc.data() + site.at;
    if (site.offsetWords == 2) {
        format32(container, out, high(offset));
        out += 4;
    }
    format32(container, out, low(offset));
    out += 4;
    if (site.lengthWords == 2) {
        format32(container, out, high(length));
        out += 4;
    }
    format32(container, out, low(length));
}

void setPositionValue(CMContainerRecord* container, StandardID property, CMSize offset,
                      CMSize length) {
    CMValueRecord* value =
        findValue(standardObject(container, kTocObjectID), standardObject(container, property),
                  standardObject(container, kTocType));
    if (value == nullptr) return;
    segmentsOf(value).assign(Segment{offset, length, false, {}});
    value->size = length;
}

// Writes each global name not yet in the stream at the end of the data. Only
// objects bound to a global name carry one, so the values of all the others
// (nearly every object of a large container) are not visited.
void writeGlobalNames(CMContainerRecord* container) {
    for (const auto& [id, object] : container->objects) {
        if (object->flags & kObjectDeleted || object->globalName == nullptr) continue;
        for (CMPropertyEntry& entry : object->properties) {
            for (CMValueRecord* value : entry.values) {
                if (!(value->flags & kValueGlobalName) || !segmentsOf(value).empty()) continue;
                const std::string& name = *object->globalName;
                Segment segment;
                segment.offset = container->endOfData;
                segment.length = name.size() + 1;
                if (streamAppend(container, name.c_str(), segment.length) != segment.length) {
                    fail(container, CM_ERR_BAD_GLOBAL_NAME_WRITE, {name, nameOf(container)});
                }
                segmentsOf(value).push_back(segment);
                value->size = segment.length;
            }
        }
    }
}

// Continued immediate entries always carry 4 bytes: any shorter continued
// immediate segment of the values of several segments moves to the stream
// before the TOC is written.
void normaliseImmediates(CMContainerRecord* container,
                         const std::vector<CMValueRecord*>& continued) {
    for (CMValueRecord* value : continued) {
        for (size_t i = 1; i < segmentsOf(value).size(); ++i) {
            Segment& segment = segmentsOf(value)[i];
            if (!segment.immediate || segment.length == 4) continue;
            CMSize start = container->endOfData;
            if (streamAppend(container, segment.data.data(), segment.length) != segment.length) {
                fail(container, CM_ERR_BAD_WRITE, {nameOf(container)});
            }
            segment = Segment{start, segment.length, false, {}};
        }
    }
}

void storeSeed(CMContainerRecord* container) {
    CMValueRecord* seed =
        findValue(standardObject(container, kTocObjectID),
                  standardObject(container, kTocSeedProperty), standardObject(container, kTocType));
    if (seed == nullptr) fail(container, CM_ERR_NO_SEED, {nameOf(container)});
    Segment segment;
    segment.immediate = true;
    segment.length = 4;
    format32(container, segment.data.data(), container->nextUserID);
    segmentsOf(seed).assign(segment);
    seed->size = 4;
}

} // namespace

void writeTocAndLabel(CMContainerRecord* container) {
    writeGlobalNames(container);
    storeSeed(container);
    std::vector<CMValueRecord*> continued;
    std::vector<CMValueRecord*> values = valuesInTocOrder(container, continued);
    const bool version1 = (container->containerFlags & kCMVersion1TOC) != 0;
    if (!version1) normaliseImmediates(container, continued);

    // Where the TOC goes: after the highest byte written, aligned to 4.
    CMSize streamSize = container->ops.size(container->refCon);
    CMSize start = std::max(container->highestWritten, container->endOfData);
    if (streamSize > start && container->ops.truncate != nullptr) {
        container->ops.truncate(container->refCon, start);
    }
    CMSize tocOffset = (start + 3) & ~CMSize(3);

    Patches patches;
    TocBytes toc;
    bool wide = false;
    if (version1) {
        toc = buildVersion1Toc(container, values, patches);
    } else {
        toc = buildCodeByteToc(container, values, false, patches);
        if (tocOffset + toc.size() + 2 * kLabelSize > k32BitLimit) {
            patches = Patches{};
            toc = buildCodeByteToc(container, values, true, patches);
            wide = true;
        }
    }
    CMSize tocSize = toc.size();
    bool extended = tocOffset + tocSize > k32BitLimit;
    if (extended && version1) fail(container, CM_ERR_WIDE_OFFSET, {nameOf(container)});
    CMSize totalSize = tocOffset + tocSize + (extended ? 2 : 1) * kLabelSize;
    if (!wide && totalSize > k32BitLimit) fail(container, CM_ERR_WIDE_OFFSET, {nameOf(container)});

    if (!patches.tocObject) fail(container, CM_ERR_NO_TOC_OFFSET_PATCH, {nameOf(container)});
    patchWords(container, toc, *patches.tocObject, tocOffset, tocSize);
    setPositionValue(container, kTocObjectProperty, tocOffset, tocSize);
    if (container->useFlags & (kCMUpdateByAppend | kCMUpdateTarget)) {
        if (!patches.newValuesToc) {
            fail(container, CM_ERR_NO_UPDATES_TOC_PATCH, {nameOf(container)});
        }
        patchWords(container, toc, *patches.newValuesToc, tocOffset, tocSize);
        setPositionValue(container, kTocNewValuesTocProperty, tocOffset, tocSize);
    }
    if (!patches.container) fail(container, CM_ERR_NO_CONTAINER_PATCH, {nameOf(container)});
    patchWords(container, toc, *patches.container, 0, totalSize);
    setPositionValue(container, kTocContainerProperty, 0, totalSize);

    std::vector<unsigned char> gap(tocOffset - start, 0xFF);
    if (!gap.empty() && streamWriteAt(container, start, gap.data(), gap.size()) != gap.size()) {
        fail(container, CM_ERR_BAD_TOC_WRITE, {nameOf(container)});
    }
    if (streamWriteAt(container, tocOffset, toc.data(), tocSize) != tocSize) {
        fail(container, CM_ERR_BAD_TOC_WRITE, {nameOf(container)});
    }
    container->endOfData = tocOffset + tocSize;

    uint16_t major = version1 ? 1 : 2;
    uint16_t minor = extended ? 1 : 0;
    CMSessionRecord* session = container->session;
    uint64_t reportsBefore = session->reportCount;
    container->ops.writeLabel(container->refCon, kLabelMagic, 0, 1, major, minor, tocOffset,
                              tocSize);
    if (session->reportCount != reportsBefore) throw Abandon{};
    container->majorVersion = major;
    container->minorVersion = minor;
    container->tocOffset = tocOffset;
    container->tocSize = tocSize;
    std::memcpy(container->magic, kLabelMagic, sizeof kLabelMagic);
}

} // namespace container
