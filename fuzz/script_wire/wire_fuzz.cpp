// Feeds arbitrary bytes to the remote-call decoder as a frame header plus
// body, the way a peer's bytes arrive. Whatever decodes must encode again
// and decode to a message of the same kind.
#include "wire_format.h"

#include "tarsel/script_object.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

using namespace tarsel::detail;

// Maps handles 1..4 to live objects and everything else to nil, so both the
// object and the unknown-handle paths run.
class FuzzCodec : public ObjectCodec {
  public:
    FuzzCodec() {
        for (auto& object : objects_)
            object = RefObject<ScriptObject>(new ScriptObject);
    }
    bool ExportObject(const ScriptVal& value, int8_t& extType, uint64_t& handle) override {
        for (size_t i = 0; i < std::size(objects_); ++i) {
            if (objects_[i].get() == value.ToLocalObject()) {
                extType = kSenderObject;
                handle = i + 1;
                return true;
            }
        }
        return false;
    }
    ScriptVal ImportObject(int8_t, uint64_t handle) override {
        if (handle >= 1 && handle <= std::size(objects_))
            return ScriptVal(objects_[handle - 1].get());
        return ScriptVal();
    }

  private:
    RefObject<ScriptObject> objects_[4];
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size >= kFrameHeaderBytes) {
        size_t declared = 0;
        DecodeFrameHeader(data, declared); // any header must be judged without harm
    }
    FuzzCodec codec;
    WireMessage message;
    if (!DecodeMessage(reinterpret_cast<const char*>(data), size, codec, message)) return 0;
    std::vector<char> frame;
    if (!EncodeMessage(message, codec, frame)) std::abort();
    WireMessage again;
    if (!DecodeMessage(frame.data() + kFrameHeaderBytes, frame.size() - kFrameHeaderBytes, codec,
                       again) ||
        again.kind != message.kind)
        std::abort();
    return 0;
}
