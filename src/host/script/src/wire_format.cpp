// Encoding and decoding of remote-call messages with msgpack.
#include "wire_format.h"

#include "value_storage.h"

#include <msgpack.hpp>

#include <cstring>
#include <variant>

namespace tarsel::detail {
namespace {

// msgpack output stream appending to a frame.
struct FrameStream {
    EncodedFrame& frame;
    void write(const char* data, size_t size) {
        frame.bytes.insert(frame.bytes.end(), data, data + size);
    }
    // Leaves a large block where it is, to be sent from there.
    void WriteInPlace(const char* data, size_t size) {
        frame.inPlace.push_back({frame.bytes.size(), data, size});
    }
};

using Packer = msgpack::packer<FrameStream>;

void PackText(Packer& packer, std::string_view text) {
    packer.pack_str(static_cast<uint32_t>(text.size()));
    packer.pack_str_body(text.data(), static_cast<uint32_t>(text.size()));
}

// Writes a double as a msgpack float 64 (0xcb, then big-endian bits). The
// packer's own double writer turns whole numbers into integers, which would
// change the value's kind on the other side.
void PackFloat64(FrameStream& stream, double value) {
    uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    char bytes[9];
    bytes[0] = static_cast<char>(0xcb);
    for (int i = 0; i < 8; ++i)
        bytes[1 + i] = static_cast<char>(bits >> (56 - 8 * i));
    stream.write(bytes, sizeof bytes);
}

// Writes one value; false when it cannot be encoded (too deep, too large).
bool PackValue(Packer& packer, FrameStream& stream, const ScriptVal& value, ObjectCodec& codec,
               int depth, size_t& budget) {
    const ScriptVal::Storage& storage = value.storage();
    switch (value.Type()) {
    case kScriptNil:
        packer.pack_nil();
        return true;
    case kScriptBoolean:
        if (std::get<bool>(storage))
            packer.pack_true();
        else
            packer.pack_false();
        return true;
    case kScriptInteger:
        packer.pack_int64(std::get<int64_t>(storage));
        return true;
    case kScriptNumber:
        PackFloat64(stream, std::get<double>(storage));
        return true;
    case kScriptString:
    case kScriptID: {
        std::string text = value.ToString();
        if (text.size() > budget) return false;
        budget -= text.size();
        PackText(packer, text);
        return true;
    }
    case kScriptMemBlock: {
        const MemBlock* block = value.GetData();
        if (block->size > budget) return false;
        budget -= block->size;
        packer.pack_bin(static_cast<uint32_t>(block->size));
        if (block->size >= kInPlaceBlockBytes)
            stream.WriteInPlace(static_cast<const char*>(block->data), block->size);
        else
            packer.pack_bin_body(static_cast<const char*>(block->data),
                                 static_cast<uint32_t>(block->size));
        return true;
    }
    case kScriptTable: {
        if (depth >= kMaxValueDepth) return false;
        // Entries holding nil (created by lookups) are not sent.
        uint32_t count = 0;
        value.ForEachKey([&](const ScriptKey&, const ScriptVal& entry) {
            if (!entry.IsNil()) ++count;
        });
        if (count > budget) return false;
        packer.pack_map(count);
        bool ok = true;
        value.ForEachKey([&](const ScriptKey& key, const ScriptVal& entry) {
            if (!ok || entry.IsNil()) return;
            if (key.IsName()) {
                if (key.Name().size() > budget) {
                    ok = false;
                    return;
                }
                budget -= key.Name().size();
                PackText(packer, key.Name());
            } else {
                packer.pack_int64(key.Number());
            }
            ok = PackValue(packer, stream, entry, codec, depth + 1, budget);
        });
        return ok;
    }
    case kScriptLocalObject:
    case kScriptRemoteObject: {
        int8_t extType = 0;
        uint64_t handle = 0;
        if (!codec.ExportObject(value, extType, handle)) {
            packer.pack_nil();
            return true;
        }
        char payload[8];
        for (int i = 0; i < 8; ++i)
            payload[i] = static_cast<char>(handle >> (56 - 8 * i));
        packer.pack_ext(sizeof payload, extType);
        packer.pack_ext_body(payload, sizeof payload);
        return true;
    }
    default:
        return false;
    }
}

// Builds values from msgpack events. The top level must be one array of
// scalars and maps; maps nest; arrays are allowed only at the top.
class MessageVisitor : public msgpack::null_visitor {
  public:
    explicit MessageVisitor(ObjectCodec& codec) : codec_(codec) {}

    std::vector<ScriptVal> elements; // the top-level array's items
    bool sawTopArray = false;

    bool visit_nil() { return Put(ScriptVal()); }
    bool visit_boolean(bool v) { return Put(ScriptVal(v)); }
    bool visit_positive_integer(uint64_t v) {
        if (v > static_cast<uint64_t>(INT64_MAX)) return false;
        return Put(ScriptVal(static_cast<int64_t>(v)));
    }
    bool visit_negative_integer(int64_t v) { return Put(ScriptVal(v)); }
    bool visit_float32(float v) { return Put(ScriptVal(static_cast<double>(v))); }
    bool visit_float64(double v) { return Put(ScriptVal(v)); }
    bool visit_str(const char* v, uint32_t size) { return Put(ScriptVal(std::string(v, size))); }
    bool visit_bin(const char* v, uint32_t size) {
        if (InKey()) return false;
        return Put(ScriptVal::NewMemBlock(v, size));
    }
    bool visit_ext(const char* v, uint32_t size) {
        if (InKey()) return false;
        // One type byte and an 8-byte handle.
        if (size != 9) return false;
        int8_t extType = static_cast<int8_t>(v[0]);
        if (extType != kSenderObject && extType != kReceiverObject) return false;
        uint64_t handle = 0;
        for (int i = 1; i <= 8; ++i)
            handle = (handle << 8) | static_cast<unsigned char>(v[i]);
        return Put(codec_.ImportObject(extType, handle));
    }

    bool start_array(uint32_t) {
        // Only the message itself is an array.
        if (sawTopArray || !stack_.empty()) return false;
        sawTopArray = true;
        inTopArray_ = true;
        return true;
    }
    bool end_array() {
        inTopArray_ = false;
        return true;
    }

    bool start_map(uint32_t) {
        if (!inTopArray_ || InKey()) return false;
        if (static_cast<int>(stack_.size()) >= kMaxValueDepth) return false;
        stack_.push_back(Frame{ScriptVal::NewTable(), {}, false, false});
        return true;
    }
    bool start_map_key() {
        stack_.back().inKey = true;
        stack_.back().haveKey = false;
        return true;
    }
    bool end_map_key() {
        stack_.back().inKey = false;
        return stack_.back().haveKey;
    }
    bool end_map() {
        ScriptVal table = std::move(stack_.back().table);
        stack_.pop_back();
        return Put(std::move(table));
    }

  private:
    struct Frame {
        ScriptVal table;
        std::variant<int64_t, std::string> key;
        bool inKey;
        bool haveKey;
    };

    bool InKey() const { return !stack_.empty() && stack_.back().inKey; }

    // Places a finished value: as a map key, into the open map, or as a
    // top-level element.
    bool Put(ScriptVal value) {
        if (stack_.empty()) {
            if (!inTopArray_) return false;
            elements.push_back(std::move(value));
            return true;
        }
        Frame& frame = stack_.back();
        if (frame.inKey) {
            if (value.IsInteger())
                frame.key = value.ToInteger();
            else if (value.Type() == kScriptString)
                frame.key = value.ToString();
            else
                return false;
            frame.haveKey = true;
            return true;
        }
        if (auto number = std::get_if<int64_t>(&frame.key))
            frame.table.Set(*number, std::move(value));
        else
            frame.table.Set(std::get<std::string>(frame.key), std::move(value));
        return true;
    }

    ObjectCodec& codec_;
    std::vector<Frame> stack_;
    bool inTopArray_ = false;
};

bool IsUnsigned(const ScriptVal& value) {
    return value.IsInteger() && value.ToInteger() >= 0;
}

} // namespace

size_t EncodedFrame::Size() const {
    size_t size = bytes.size();
    for (const InPlace& block : inPlace)
        size += block.size;
    return size;
}

std::vector<char> EncodedFrame::Flatten() const {
    std::vector<char> flat;
    flat.reserve(Size());
    size_t done = 0;
    for (const InPlace& block : inPlace) {
        flat.insert(flat.end(), bytes.begin() + done, bytes.begin() + block.offset);
        flat.insert(flat.end(), block.data, block.data + block.size);
        done = block.offset;
    }
    flat.insert(flat.end(), bytes.begin() + done, bytes.end());
    return flat;
}

bool EncodeMessage(const WireMessage& message, ObjectCodec& codec, std::vector<char>& frame) {
    EncodedFrame encoded;
    if (!EncodeMessage(message, codec, encoded)) return false;
    frame = encoded.Flatten();
    return true;
}

bool EncodeMessage(const WireMessage& message, ObjectCodec& codec, EncodedFrame& frame) {
    frame.bytes.assign(kFrameHeaderBytes, 0);
    frame.inPlace.clear();
    FrameStream stream{frame};
    Packer packer(stream);
    size_t budget = kMaxFrameBytes;
    bool ok = true;
    switch (message.kind) {
    case MessageKind::Call:
        packer.pack_array(5);
        packer.pack_uint64(static_cast<uint8_t>(message.kind));
        packer.pack_uint64(message.callId);
        ok = PackValue(packer, stream, message.target, codec, 0, budget);
        if (message.method.size() > kMaxMethodName) return false;
        PackText(packer, message.method);
        ok = ok && PackValue(packer, stream, message.value, codec, 0, budget);
        break;
    case MessageKind::Reply:
    case MessageKind::Hello:
        packer.pack_array(3);
        packer.pack_uint64(static_cast<uint8_t>(message.kind));
        packer.pack_uint64(message.kind == MessageKind::Reply ? message.callId : message.version);
        ok = PackValue(packer, stream, message.value, codec, 0, budget);
        break;
    case MessageKind::Release:
        packer.pack_array(3);
        packer.pack_uint64(static_cast<uint8_t>(message.kind));
        packer.pack_uint64(message.handle);
        packer.pack_uint64(message.count);
        break;
    }
    if (!ok) return false;
    size_t body = frame.Size() - kFrameHeaderBytes;
    if (body > kMaxFrameBytes) return false;
    for (size_t i = 0; i < kFrameHeaderBytes; ++i)
        frame.bytes[i] = static_cast<char>((body >> (8 * i)) & 0xff);
    return true;
}

bool DecodeFrameHeader(const unsigned char header[kFrameHeaderBytes], size_t& bodySize) {
    uint32_t size = 0;
    for (size_t i = 0; i < kFrameHeaderBytes; ++i)
        size |= uint32_t(header[i]) << (8 * i);
    if (size > kMaxFrameBytes) return false;
    bodySize = size;
    return true;
}

bool DecodeMessage(const char* body, size_t size, ObjectCodec& codec, WireMessage& out) {
    MessageVisitor visitor(codec);
    size_t offset = 0;
    bool parsed = false;
    try {
        parsed = msgpack::parse(body, size, offset, visitor);
    } catch (const std::exception&) {
        return false;
    }
    if (!parsed || offset != size || !visitor.sawTopArray) return false;
    std::vector<ScriptVal>& items = visitor.elements;
    if (items.size() < 3 || !IsUnsigned(items[0])) return false;
    switch (items[0].ToInteger()) {
    case static_cast<int>(MessageKind::Call):
        if (items.size() != 5 || !IsUnsigned(items[1]) || items[3].Type() != kScriptString)
            return false;
        if (!(items[4].IsTable() || items[4].IsNil())) return false;
        out.kind = MessageKind::Call;
        out.callId = static_cast<uint64_t>(items[1].ToInteger());
        out.target = std::move(items[2]);
        out.method = items[3].ToString();
        if (out.method.size() > kMaxMethodName) return false;
        out.value = std::move(items[4]);
        return true;
    case static_cast<int>(MessageKind::Reply):
        if (items.size() != 3 || !IsUnsigned(items[1])) return false;
        out.kind = MessageKind::Reply;
        out.callId = static_cast<uint64_t>(items[1].ToInteger());
        out.value = std::move(items[2]);
        return true;
    case static_cast<int>(MessageKind::Release):
        if (items.size() != 3 || !IsUnsigned(items[1]) || !IsUnsigned(items[2])) return false;
        out.kind = MessageKind::Release;
        out.handle = static_cast<uint64_t>(items[1].ToInteger());
        out.count = static_cast<uint64_t>(items[2].ToInteger());
        return true;
    case static_cast<int>(MessageKind::Hello):
        if (items.size() != 3 || !IsUnsigned(items[1])) return false;
        out.kind = MessageKind::Hello;
        out.version = static_cast<uint64_t>(items[1].ToInteger());
        out.value = std::move(items[2]);
        return true;
    default:
        return false;
    }
}

} // namespace tarsel::detail
