#include "corpus_writer.h"

namespace corpus {

CorpusFile::CorpusFile(const std::string& path, Revision revision, ByteOrder order)
    : revision_(revision), order_(order) {
    session_ = CMStartBentoSession(&CMSessionMetaHandler, &handlers_);
    if (session_ == nullptr) return;
    CMSetTypeMetaHandler(session_, CMFileStreamTypeName, &CMFileStreamMetaHandler);
    CMRefCon refCon = CMCreateFileRefCon(session_, path.c_str(), nullptr, nullptr);
    if (refCon == nullptr) return;
    // Both revisions go into a container labelled 2.0 with the code-byte TOC.
    container_ =
        CMOpenNewContainer(session_, refCon, CMFileStreamTypeName, kCMWriting, 1, kCMDefaultFlags);
    if (container_ == nullptr) return;
    head_ = CMFindObjectByID(container_, 1);
    if (head_ == nullptr) {
        failed_ = true;
        return;
    }
    if (is2x()) {
        bytes(head_, "OOBJ:ObjClass", "ClassID", {'H', 'E', 'A', 'D'});
        int16(head_, "HEAD:ByteOrder", "Int16", int16_t(order_));
        version(head_, "HEAD:Version", 2, 0);
        timeStamp(head_, "HEAD:LastModified", 1000000);
        int32Array(head_, "HEAD:ToolkitVersion", "Int32Array", {2, 1, 0});
    } else {
        bytes(head_, "ObjID", "ObjectTag", {'H', 'E', 'A', 'D'});
        int16(head_, "ByteOrder", "Short", int16_t(order_));
        version(head_, "Version", 1, 0);
        timeStamp(head_, "LastModified", 1000000);
        version(head_, "ToolkitVersion", 1, 5);
    }
}

CorpusFile::~CorpusFile() {
    if (container_ != nullptr) CMAbortContainer(container_);
    if (session_ != nullptr) CMEndBentoSession(session_, 1);
    CMReleaseHandlerSession(&handlers_);
}

bool CorpusFile::close() {
    if (container_ == nullptr) return false;
    CMCloseContainer(container_);
    container_ = nullptr;
    return !failed_ && !handlers_.defaultError.pending;
}

CMObject CorpusFile::object(std::string_view classID) {
    CMObject made = container_ != nullptr ? CMNewObject(container_) : nullptr;
    if (made == nullptr) {
        failed_ = true;
        return nullptr;
    }
    Bytes tag(classID.begin(), classID.end());
    tag.resize(4, ' ');
    if (is2x()) {
        bytes(made, "OOBJ:ObjClass", "ClassID", tag);
    } else {
        bytes(made, "ObjID", "ObjectTag", tag);
    }
    return made;
}

CMValue CorpusFile::value(CMObject object, std::string_view property, std::string_view type) {
    if (container_ == nullptr || object == nullptr) {
        failed_ = true;
        return nullptr;
    }
    const std::string propertyName = "OMFI:" + std::string(property);
    const std::string typeName = "omfi:" + std::string(type);
    CMProperty definedProperty = CMRegisterProperty(container_, propertyName.c_str());
    CMType definedType = CMRegisterType(container_, typeName.c_str());
    CMValue found = CMUseValue(object, definedProperty, definedType);
    if (found == nullptr) found = CMNewValue(object, definedProperty, definedType);
    if (found == nullptr) failed_ = true;
    return found;
}

void CorpusFile::bytes(CMObject object, std::string_view property, std::string_view type,
                       const Bytes& data) {
    CMValue target = value(object, property, type);
    if (target == nullptr) return;
    const CMSize at = CMGetValueSize(target);
    if (CMWriteValueData(target, data.data(), at, data.size()) != data.size()) failed_ = true;
}

void CorpusFile::int32(CMObject object, std::string_view property, std::string_view type,
                       int32_t v) {
    ByteSink sink(bigEndian());
    bytes(object, property, type, sink.u32(uint32_t(v)).bytes());
}

void CorpusFile::int16(CMObject object, std::string_view property, std::string_view type,
                       int16_t v) {
    ByteSink sink(bigEndian());
    bytes(object, property, type, sink.u16(uint16_t(v)).bytes());
}

void CorpusFile::boolean(CMObject object, std::string_view property, bool v) {
    bytes(object, property, "Boolean", {uint8_t(v ? 1 : 0)});
}

void CorpusFile::rational(CMObject object, std::string_view property, std::string_view type,
                          Rational v) {
    ByteSink sink(bigEndian());
    sink.u32(uint32_t(v.numerator)).u32(uint32_t(v.denominator));
    bytes(object, property, type, sink.bytes());
}

void CorpusFile::uid(CMObject object, std::string_view property, MobID id) {
    ByteSink sink(bigEndian());
    sink.u32(id.prefix).u32(id.major).u32(id.minor);
    bytes(object, property, "UID", sink.bytes());
}

void CorpusFile::timeStamp(CMObject object, std::string_view property, uint32_t seconds) {
    ByteSink sink(bigEndian());
    sink.u32(seconds).u8(1); // the time, then its "is GMT" flag
    bytes(object, property, "TimeStamp", sink.bytes());
}

void CorpusFile::string(CMObject object, std::string_view property, std::string_view type,
                        std::string_view text) {
    Bytes stored(text.begin(), text.end());
    stored.push_back(0);
    if (stored.size() < 5) stored.resize(5, 0); // short strings take five bytes
    bytes(object, property, type, stored);
}

void CorpusFile::version(CMObject object, std::string_view property, uint8_t major, uint8_t minor) {
    bytes(object, property, "VersionType", {major, minor});
}

void CorpusFile::int32Array(CMObject object, std::string_view property, std::string_view type,
                            const std::vector<int32_t>& elements) {
    ByteSink sink(bigEndian());
    sink.u16(uint16_t(elements.size()));
    for (int32_t element : elements)
        sink.u32(uint32_t(element));
    bytes(object, property, type, sink.bytes());
}

void CorpusFile::compArray(CMObject object, std::string_view property, std::string_view type,
                           const Bytes& entries) {
    Bytes stored = entries;
    stored.resize(8, 0);
    bytes(object, property, type, stored);
}

Bytes CorpusFile::referenceKey(CMValue holder, CMObject target) {
    CMReference key = {};
    if (holder == nullptr || CMNewReference(holder, target, key) == nullptr) {
        failed_ = true;
        return {};
    }
    Bytes stored(key, key + 4);
    if (!is2x()) stored.resize(8, 0);
    return stored;
}

void CorpusFile::objRef(CMObject object, std::string_view property, CMObject target) {
    CMValue holder = value(object, property, "ObjRef");
    Bytes key = referenceKey(holder, target);
    if (!key.empty()) bytes(object, property, "ObjRef", key);
}

void CorpusFile::appendElement(CMObject object, std::string_view property, std::string_view type,
                               const Bytes& element) {
    CMValue holder = value(object, property, type);
    if (holder == nullptr) return;
    uint8_t count[2] = {0, 0};
    if (CMGetValueSize(holder) >= 2) CMReadValueData(holder, count, 0, 2);
    const uint16_t next = uint16_t(count[0] | count[1] << 8) + 1;
    const uint8_t stored[2] = {uint8_t(next), uint8_t(next >> 8)}; // always little-endian
    CMWriteValueData(holder, stored, 0, 2);
    const CMSize at = CMGetValueSize(holder);
    if (CMWriteValueData(holder, element.data(), at, element.size()) != element.size())
        failed_ = true;
}

void CorpusFile::appendObjRef(CMObject object, std::string_view property, CMObject target) {
    CMValue holder = value(object, property, "ObjRefArray");
    Bytes key = referenceKey(holder, target);
    if (!key.empty()) appendElement(object, property, "ObjRefArray", key);
}

void CorpusFile::appendMobIndex(CMObject object, std::string_view property, MobID id,
                                CMObject target) {
    CMValue holder = value(object, property, "MobIndex");
    Bytes key = referenceKey(holder, target);
    if (key.empty()) return;
    // Moved as bytes like every MobIndex field: the mob ID as well as the key little-endian.
    ByteSink entry(false);
    entry.u32(id.prefix).u32(id.major).u32(id.minor).raw(key);
    appendElement(object, property, "MobIndex", entry.bytes());
}

} // namespace corpus
