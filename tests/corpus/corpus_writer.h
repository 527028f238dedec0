// An OMF writer for the test corpus that goes through the container library alone: every
// value is written under the container names and types the property table gives it in the
// file's revision, in the file's byte order. It knows nothing of the toolkit's writers, so
// files it makes test our readers against the table rather than against our own writers.
#pragma once

#include "container/cm_api.h"
#include "container/omfi_handlers.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace corpus {

using Bytes = std::vector<uint8_t>;

enum class Revision { OneX, TwoX }; // 1.x in a 2.0 container label, or 2.x
enum class ByteOrder : uint16_t { Intel = 0x4949, Motorola = 0x4D4D };

struct MobID {
    uint32_t prefix = 0, major = 0, minor = 0;
};

struct Rational {
    int32_t numerator = 0, denominator = 1;
};

// Appends numbers in one byte order (for values, and for the TIFF and sound images).
class ByteSink {
  public:
    explicit ByteSink(bool bigEndian) : bigEndian_(bigEndian) {}
    ByteSink& u8(uint8_t v) {
        bytes_.push_back(v);
        return *this;
    }
    ByteSink& u16(uint16_t v) { return put(v, 2); }
    ByteSink& u32(uint32_t v) { return put(v, 4); }
    ByteSink& text(std::string_view s) {
        bytes_.insert(bytes_.end(), s.begin(), s.end());
        return *this;
    }
    ByteSink& raw(const Bytes& b) {
        bytes_.insert(bytes_.end(), b.begin(), b.end());
        return *this;
    }
    Bytes& bytes() { return bytes_; }

  private:
    ByteSink& put(uint64_t v, int size) {
        for (int i = 0; i < size; ++i) {
            int shift = bigEndian_ ? 8 * (size - 1 - i) : 8 * i;
            bytes_.push_back(uint8_t(v >> shift));
        }
        return *this;
    }
    bool bigEndian_;
    Bytes bytes_;
};

// One OMF file being written. Property names are given as the table spells them without
// the "OMFI:" prefix ("MDFL:SampleRate", or "ByteOrder" for a property without a class),
// types without "omfi:" ("ExactEditRate"); the caller picks the names of its revision.
class CorpusFile {
  public:
    CorpusFile(const std::string& path, Revision revision, ByteOrder order);
    ~CorpusFile();
    CorpusFile(const CorpusFile&) = delete;
    CorpusFile& operator=(const CorpusFile&) = delete;

    bool ok() const { return container_ != nullptr && !failed_; }
    Revision revision() const { return revision_; }
    bool is2x() const { return revision_ == Revision::TwoX; }
    bool bigEndian() const { return order_ == ByteOrder::Motorola; }
    CMObject head() const { return head_; }
    // Writes the TOC and the label; the file is complete after this.
    bool close();

    // A new object of `classID` (its ObjID or ObjClass written).
    CMObject object(std::string_view classID);

    // Value data as given, appended to what the value already holds.
    void bytes(CMObject object, std::string_view property, std::string_view type,
               const Bytes& data);
    // Numbers in the file's byte order.
    void int32(CMObject object, std::string_view property, std::string_view type, int32_t v);
    void int16(CMObject object, std::string_view property, std::string_view type, int16_t v);
    void boolean(CMObject object, std::string_view property, bool v);
    void rational(CMObject object, std::string_view property, std::string_view type, Rational v);
    void uid(CMObject object, std::string_view property, MobID id);
    void timeStamp(CMObject object, std::string_view property, uint32_t seconds);
    void string(CMObject object, std::string_view property, std::string_view type,
                std::string_view text);
    void version(CMObject object, std::string_view property, uint8_t major, uint8_t minor);
    // A numeric array: 16-bit count and 32-bit elements, all in the file's byte order.
    void int32Array(CMObject object, std::string_view property, std::string_view type,
                    const std::vector<int32_t>& elements);
    // An 8-byte component letter or size list: the entries, then zero bytes.
    void compArray(CMObject object, std::string_view property, std::string_view type,
                   const Bytes& entries);

    // References: the key is the target's container ID, little-endian (followed by four zero
    // bytes in 1.x files), listed in the holder's reference table.
    void objRef(CMObject object, std::string_view property, CMObject target);
    void appendObjRef(CMObject object, std::string_view property, CMObject target);
    void appendMobIndex(CMObject object, std::string_view property, MobID id, CMObject target);

  private:
    CMValue value(CMObject object, std::string_view property, std::string_view type);
    Bytes referenceKey(CMValue value, CMObject target);
    void appendElement(CMObject object, std::string_view property, std::string_view type,
                       const Bytes& element);

    Revision revision_;
    ByteOrder order_;
    CMHandlerSession handlers_;
    CMSession session_ = nullptr;
    CMContainer container_ = nullptr;
    CMObject head_ = nullptr;
    bool failed_ = false;
};

} // namespace corpus
