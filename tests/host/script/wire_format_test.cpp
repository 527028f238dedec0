// The remote-call wire format: round trips, and rejection of malformed or
// hostile message bodies.
#include "wire_format.h"

#include "tarsel/script_object.h"

#include <msgpack.hpp>

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

namespace {

using namespace tarsel::detail;

// Hands out handles for local objects and maps them back, like one side of a
// connection; records what it saw.
class RecordingCodec : public ObjectCodec {
  public:
    bool refuse = false;
    std::map<uint64_t, ScriptObject*> byHandle;
    std::vector<std::pair<int8_t, uint64_t>> imported;

    bool ExportObject(const ScriptVal& object, int8_t& extType, uint64_t& handle) override {
        ScriptObject* local = object.ToLocalObject();
        if (refuse || !local) return false;
        handle = 0x0102030405060708ull + byHandle.size();
        byHandle[handle] = local;
        extType = kSenderObject;
        return true;
    }
    ScriptVal ImportObject(int8_t extType, uint64_t handle) override {
        imported.emplace_back(extType, handle);
        auto found = byHandle.find(handle);
        return found == byHandle.end() ? ScriptVal() : ScriptVal(found->second);
    }
};

// Writes raw msgpack for hand-made bodies.
struct Body {
    std::vector<char> bytes;
    void write(const char* data, size_t size) { bytes.insert(bytes.end(), data, data + size); }
};

bool Decode(const Body& body, WireMessage& out) {
    RecordingCodec codec;
    return DecodeMessage(body.bytes.data(), body.bytes.size(), codec, out);
}

bool Decode(const Body& body) {
    WireMessage ignored;
    return Decode(body, ignored);
}

// Encodes then decodes through the same codec, skipping the frame header.
bool RoundTrip(const WireMessage& in, WireMessage& out, RecordingCodec& codec) {
    std::vector<char> frame;
    if (!EncodeMessage(in, codec, frame)) return false;
    size_t size = 0;
    if (!DecodeFrameHeader(reinterpret_cast<const unsigned char*>(frame.data()), size))
        return false;
    EXPECT_EQ(size, frame.size() - kFrameHeaderBytes);
    return DecodeMessage(frame.data() + kFrameHeaderBytes, size, codec, out);
}

ScriptVal NestedTables(int depth) {
    ScriptVal root = ScriptVal::NewTable();
    ScriptVal* at = &root;
    for (int i = 1; i < depth; ++i)
        at = &(*at)["Inner"];
    at->Set("Leaf", 1);
    return root;
}

TEST(WireRoundTrip, CallCarriesEveryKindOfValue) {
    RecordingCodec codec;
    unsigned char bytes[300];
    for (size_t i = 0; i < sizeof bytes; ++i)
        bytes[i] = static_cast<unsigned char>(i * 7);
    ScriptVal args = ScriptVal::NewTable();
    args.Set(1, int64_t{-1} << 40);
    args.Set(2, 0.125);
    args.Set(7, 2.0); // a whole number stays a double
    args.Set(3, true);
    args.Set(4, "text");
    args.Set(5, TsID("Ident"));
    args.Set(6, ScriptVal::NewMemBlock(bytes, sizeof bytes));
    args["Nested"]["Deeper"] = -3;
    args.Set(-7, "negative key");
    args["Unset"]; // nil entries do not travel

    WireMessage call;
    call.kind = MessageKind::Call;
    call.callId = 77;
    call.method = "DoIt";
    call.value = args;
    WireMessage out;
    ASSERT_TRUE(RoundTrip(call, out, codec));
    EXPECT_EQ(out.kind, MessageKind::Call);
    EXPECT_EQ(out.callId, 77u);
    EXPECT_EQ(out.method, "DoIt");
    EXPECT_TRUE(out.target.IsNil());
    const ScriptVal& v = out.value;
    EXPECT_EQ(v.NumKeys(), 9u);
    EXPECT_EQ(v.FindKeyConst(7)->Type(), kScriptNumber);
    EXPECT_EQ(v.FindKeyConst(1)->Type(), kScriptInteger);
    EXPECT_EQ(v.ToInteger(1), int64_t{-1} << 40);
    EXPECT_EQ(v.FindKeyConst(2)->Type(), kScriptNumber);
    EXPECT_DOUBLE_EQ(v.ToNumber(2), 0.125);
    EXPECT_TRUE(v.FindKeyConst(3)->IsBoolean());
    EXPECT_EQ(v.ToString(4), "text");
    EXPECT_EQ(v.ToString(5), "Ident"); // identifiers travel as text
    const MemBlock* block = v.FindKeyConst(6)->GetData();
    ASSERT_NE(block, nullptr);
    ASSERT_EQ(block->size, sizeof bytes);
    EXPECT_EQ(std::memcmp(block->data, bytes, sizeof bytes), 0);
    EXPECT_NE(block->data, args.FindKeyConst(6)->GetData()->data); // a copy
    EXPECT_EQ(v.FindKeyConst("Nested")->ToInteger("Deeper"), -3);
    EXPECT_EQ(v.ToString(-7), "negative key");
    EXPECT_FALSE(v.HasKey("Unset"));
}

TEST(WireRoundTrip, ReplyReleaseAndHello) {
    RecordingCodec codec;
    WireMessage reply;
    reply.kind = MessageKind::Reply;
    reply.callId = 5;
    reply.value = ScriptVal("done");
    WireMessage out;
    ASSERT_TRUE(RoundTrip(reply, out, codec));
    EXPECT_EQ(out.kind, MessageKind::Reply);
    EXPECT_EQ(out.value.ToString(), "done");

    WireMessage release;
    release.kind = MessageKind::Release;
    release.handle = 1ull << 63;
    release.count = 3;
    // Handles above the signed range are not valid integers on the wire.
    EXPECT_FALSE(RoundTrip(release, out, codec));
    release.handle = 12;
    ASSERT_TRUE(RoundTrip(release, out, codec));
    EXPECT_EQ(out.kind, MessageKind::Release);
    EXPECT_EQ(out.handle, 12u);
    EXPECT_EQ(out.count, 3u);

    WireMessage hello;
    hello.kind = MessageKind::Hello;
    hello.version = kProtocolVersion;
    ASSERT_TRUE(RoundTrip(hello, out, codec));
    EXPECT_EQ(out.kind, MessageKind::Hello);
    EXPECT_EQ(out.version, kProtocolVersion);
}

TEST(WireObjects, ObjectsTravelAsHandlesThroughTheCodec) {
    RecordingCodec codec;
    RefObject<ScriptObject> object(new ScriptObject);
    WireMessage reply;
    reply.kind = MessageKind::Reply;
    reply.value = ScriptVal(object.get());
    WireMessage out;
    ASSERT_TRUE(RoundTrip(reply, out, codec));
    ASSERT_EQ(codec.imported.size(), 1u);
    EXPECT_EQ(codec.imported[0].first, kSenderObject);
    EXPECT_EQ(codec.imported[0].second, 0x0102030405060708ull); // big-endian, all 8 bytes
    EXPECT_EQ(out.value.ToLocalObject(), object.get());

    codec.refuse = true;
    ASSERT_TRUE(RoundTrip(reply, out, codec));
    EXPECT_TRUE(out.value.IsNil());
}

TEST(WireLimits, TooDeepOrCyclicTablesAreNotEncoded) {
    RecordingCodec codec;
    WireMessage reply;
    reply.kind = MessageKind::Reply;
    WireMessage out;
    reply.value = NestedTables(kMaxValueDepth);
    EXPECT_TRUE(RoundTrip(reply, out, codec));
    reply.value = NestedTables(kMaxValueDepth + 1);
    EXPECT_FALSE(RoundTrip(reply, out, codec));

    ScriptVal cycle = ScriptVal::NewTable();
    cycle.Set("Self", cycle);
    reply.value = cycle;
    std::vector<char> frame;
    EXPECT_FALSE(EncodeMessage(reply, codec, frame));
    cycle.Remove("Self"); // break the cycle so the table can be freed
}

TEST(WireLimits, OversizedBodiesAreRefused) {
    RecordingCodec codec;
    WireMessage reply;
    reply.kind = MessageKind::Reply;
    reply.value = ScriptVal::NewMemBlock(nullptr, kMaxFrameBytes + 1);
    std::vector<char> frame;
    EXPECT_FALSE(EncodeMessage(reply, codec, frame));

    unsigned char header[4];
    uint32_t limit = static_cast<uint32_t>(kMaxFrameBytes);
    size_t size = 0;
    std::memcpy(header, &limit, 4); // little-endian host
    EXPECT_TRUE(DecodeFrameHeader(header, size));
    EXPECT_EQ(size, kMaxFrameBytes);
    uint32_t over = limit + 1;
    std::memcpy(header, &over, 4);
    EXPECT_FALSE(DecodeFrameHeader(header, size));
    std::memset(header, 0xff, 4);
    EXPECT_FALSE(DecodeFrameHeader(header, size));
}

TEST(WireRejects, BodiesThatAreNotOneKnownMessage) {
    Body empty;
    EXPECT_FALSE(Decode(empty));

    Body scalar;
    msgpack::packer<Body>(scalar).pack_int(1);
    EXPECT_FALSE(Decode(scalar));

    Body unknownKind;
    msgpack::packer<Body>(unknownKind).pack_array(3).pack_int(9).pack_int(1).pack_nil();
    EXPECT_FALSE(Decode(unknownKind));

    Body shortCall;
    msgpack::packer<Body>(shortCall).pack_array(3).pack_int(0).pack_int(1).pack_nil();
    EXPECT_FALSE(Decode(shortCall));

    Body numericMethod;
    msgpack::packer<Body>(numericMethod)
        .pack_array(5)
        .pack_int(0)
        .pack_int(1)
        .pack_nil()
        .pack_int(3)
        .pack_nil();
    EXPECT_FALSE(Decode(numericMethod));

    Body scalarArguments;
    msgpack::packer<Body>(scalarArguments).pack_array(5).pack_int(0).pack_int(1).pack_nil();
    msgpack::packer<Body>(scalarArguments).pack_str(1).pack_str_body("m", 1).pack_int(4);
    EXPECT_FALSE(Decode(scalarArguments));

    Body negativeId;
    msgpack::packer<Body>(negativeId).pack_array(3).pack_int(1).pack_int(-1).pack_nil();
    EXPECT_FALSE(Decode(negativeId));

    Body floatKind; // [1.0 as float 64, 1, nil]
    floatKind.bytes = {'\x93', '\xcb', '\x3f', '\xf0', 0, 0, 0, 0, 0, 0, '\x01', '\xc0'};
    EXPECT_FALSE(Decode(floatKind));

    Body hugeId;
    msgpack::packer<Body>(hugeId).pack_array(3).pack_int(1).pack_uint64(~0ull).pack_nil();
    EXPECT_FALSE(Decode(hugeId));

    Body trailing;
    msgpack::packer<Body>(trailing).pack_array(3).pack_int(1).pack_int(1).pack_nil().pack_nil();
    EXPECT_FALSE(Decode(trailing));

    Body valid;
    msgpack::packer<Body>(valid).pack_array(3).pack_int(1).pack_int(1).pack_nil();
    EXPECT_TRUE(Decode(valid)); // the shape the cases above break
}

TEST(WireRejects, BadTablesAndValues) {
    auto reply = [](auto fill) {
        Body body;
        msgpack::packer<Body> packer(body);
        packer.pack_array(3).pack_int(1).pack_int(1);
        fill(packer);
        return body;
    };
    EXPECT_FALSE(Decode(reply([](auto& p) { p.pack_map(1).pack_double(1.5).pack_int(1); })));
    EXPECT_FALSE(Decode(reply([](auto& p) { p.pack_map(1).pack_nil().pack_int(1); })));
    EXPECT_FALSE(Decode(reply([](auto& p) { p.pack_map(1).pack_map(0).pack_int(1); })));
    EXPECT_FALSE(Decode(
        reply([](auto& p) { p.pack_map(1).pack_bin(1).pack_bin_body("x", 1).pack_int(1); })));
    EXPECT_FALSE(Decode(reply([](auto& p) { p.pack_array(1).pack_int(1); })));
    EXPECT_FALSE(Decode(reply([](auto& p) { p.pack_map(1).pack_int(1).pack_array(0); })));
    // Ext values must be an object kind with an 8-byte handle.
    EXPECT_FALSE(
        Decode(reply([](auto& p) { p.pack_ext(4, kSenderObject).pack_ext_body("abcd", 4); })));
    EXPECT_FALSE(Decode(reply([](auto& p) { p.pack_ext(8, 9).pack_ext_body("abcdefgh", 8); })));
    EXPECT_TRUE(
        Decode(reply([](auto& p) { p.pack_ext(8, kSenderObject).pack_ext_body("abcdefgh", 8); })));
    // Declared sizes beyond the bytes present.
    Body truncated = reply([](auto& p) { p.pack_map(1000000).pack_int(1).pack_int(1); });
    EXPECT_FALSE(Decode(truncated));
    Body shortText = reply([](auto& p) { p.pack_str(100).pack_str_body("abc", 3); });
    EXPECT_FALSE(Decode(shortText));
}

TEST(WireRejects, NestingBeyondTheLimit) {
    auto nested = [](int depth) {
        Body body;
        msgpack::packer<Body> packer(body);
        packer.pack_array(3).pack_int(1).pack_int(1);
        for (int i = 0; i < depth; ++i)
            packer.pack_map(1).pack_int(1);
        packer.pack_int(0);
        return body;
    };
    WireMessage out;
    ASSERT_TRUE(Decode(nested(kMaxValueDepth), out));
    EXPECT_TRUE(out.value.IsTable());
    EXPECT_FALSE(Decode(nested(kMaxValueDepth + 1)));
    EXPECT_FALSE(Decode(nested(100000)));
}

TEST(WireRejects, OverlongMethodNames) {
    auto call = [](size_t length) {
        Body body;
        msgpack::packer<Body> packer(body);
        std::string name(length, 'm');
        packer.pack_array(5).pack_int(0).pack_int(1).pack_nil();
        packer.pack_str(static_cast<uint32_t>(length))
            .pack_str_body(name.data(), static_cast<uint32_t>(length));
        packer.pack_map(0);
        return body;
    };
    EXPECT_TRUE(Decode(call(kMaxMethodName)));
    EXPECT_FALSE(Decode(call(kMaxMethodName + 1)));
}

} // namespace
