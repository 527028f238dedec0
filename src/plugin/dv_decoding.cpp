#include "dv_decoding.h"

#include <algorithm>
#include <cstring>

#include "tarsel/system/qt_server.h"

namespace omfplugin {

std::size_t DecodeDVFrame(ScriptVal& server, Object* owner, int32_t width, int32_t fieldHeight,
                          std::span<const uint8_t> frame, std::span<uint8_t> out) {
    StartQTServer(server, owner);
    if (!IsRemoteObject(server)) return 0;
    ScriptVal request = ScriptVal::NewTable();
    request.Set("Width", int64_t{width});
    request.Set("Height", 2 * int64_t{fieldHeight});
    request.Set("separateFields", int64_t{1});
    request.Set("RawDataIn", ScriptVal::NewMemBlock(frame.data(), frame.size()));
    // A table given alone would be taken for the argument list itself: it is argument 1.
    ScriptVal arguments = ScriptVal::NewTable();
    arguments.Set(1, request);
    const ScriptVal answer = server.CallMember("AvidDVDecompress", arguments);
    if (!answer.IsTable()) return 0;
    const ScriptVal* decoded = answer.FindKeyConst("RawDataOut");
    const MemBlock* block = decoded ? decoded->GetData() : nullptr;
    if (!block || !block->data) return 0;
    // Only the bytes the server sent count: a short answer must not pass the rest of the buffer
    // off as pixels.
    const std::size_t size = std::min(block->size, out.size());
    std::memcpy(out.data(), block->data, size);
    return size;
}

} // namespace omfplugin
