// The wire format of remote calls. Each message is a frame: a 4-byte
// little-endian body length, then the body, one msgpack array:
//
//   [0 call,    call id, target object, method name, argument table]
//   [1 reply,   call id, result value]
//   [2 release, object handle, count]
//   [3 hello,   protocol version, application object]
//
// Values: nil, booleans, integers, doubles, texts (TsIDs travel as texts),
// tables as maps keyed by integers or texts, memory blocks as bin (copied),
// and objects as ext values holding an 8-byte big-endian handle: type 2 for an
// object of the sender, type 3 for an object of the receiver being handed
// back. The decoder reads untrusted bytes: any deviation rejects the message.
#pragma once

#include "tarsel/script_val.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tarsel::detail {

inline constexpr uint32_t kProtocolVersion = 1;
// Largest frame body accepted or sent.
inline constexpr size_t kMaxFrameBytes = 64u << 20;
// Deepest nesting of tables accepted or sent.
inline constexpr int kMaxValueDepth = 32;
// Longest method name accepted.
inline constexpr size_t kMaxMethodName = 1024;
inline constexpr size_t kFrameHeaderBytes = 4;

enum class MessageKind : uint8_t { Call = 0, Reply = 1, Release = 2, Hello = 3 };

// Ext types of object handles.
inline constexpr int8_t kSenderObject = 2;
inline constexpr int8_t kReceiverObject = 3;

// How objects cross one connection.
class ObjectCodec {
  public:
    virtual ~ObjectCodec() = default;
    // The ext type and handle under which `object` travels; false when it
    // cannot cross this connection (it then travels as nil).
    virtual bool ExportObject(const ScriptVal& object, int8_t& extType, uint64_t& handle) = 0;
    // The value for a received handle; nil when the handle means nothing here.
    virtual ScriptVal ImportObject(int8_t extType, uint64_t handle) = 0;
};

struct WireMessage {
    MessageKind kind = MessageKind::Reply;
    uint64_t callId = 0;  // call, reply
    ScriptVal target;     // call
    std::string method;   // call
    ScriptVal value;      // call (argument table), reply (result), hello (application object)
    uint64_t handle = 0;  // release
    uint64_t count = 0;   // release
    uint64_t version = 0; // hello
};

// Memory blocks of at least this size are not copied into an encoded frame
// but sent from where they are.
inline constexpr size_t kInPlaceBlockBytes = 64 * 1024;

// An encoded frame (header included): its bytes, plus large memory blocks
// that belong between them. The blocks are referenced, so the message's
// values must stay alive until the frame is sent.
struct EncodedFrame {
    struct InPlace {
        size_t offset; // the block goes before bytes[offset]
        const char* data;
        size_t size;
    };
    std::vector<char> bytes;
    std::vector<InPlace> inPlace;

    size_t Size() const;
    // The whole frame as one contiguous copy.
    std::vector<char> Flatten() const;
};

// Encodes a message as a whole frame. Answers false, leaving `frame`
// unspecified, when the message cannot be sent: nesting deeper than
// kMaxValueDepth, or a body over kMaxFrameBytes.
bool EncodeMessage(const WireMessage& message, ObjectCodec& codec, EncodedFrame& frame);
// The same, flattened into one buffer.
bool EncodeMessage(const WireMessage& message, ObjectCodec& codec, std::vector<char>& frame);

// Decodes one frame body. Answers false for anything malformed: not exactly
// one msgpack array of a known message shape, trailing bytes, map keys that
// are neither integers nor texts, arrays inside values, nesting deeper than
// kMaxValueDepth, bad ext values, a method name too long.
bool DecodeMessage(const char* body, size_t size, ObjectCodec& codec, WireMessage& out);

// Reads the body length of a frame header; false when it exceeds kMaxFrameBytes.
bool DecodeFrameHeader(const unsigned char header[kFrameHeaderBytes], size_t& bodySize);

} // namespace tarsel::detail
