#include "dv_detection.h"

#include <string>

#include "tarsel/script_val.h"
#include "tarsel/system/qt_server.h"

namespace omfplugin {

namespace {
// The four bytes that begin the name of Avid's DV compressor in the server's codec list.
constexpr std::string_view kAvidDVCompressor = "AVdv";

bool ListHoldsAvidDV(const ScriptVal& codecs) {
    if (!codecs.IsTable()) return false;
    const std::size_t count = codecs.NumKeys();
    for (std::size_t i = 1; i <= count; ++i) {
        const ScriptVal* codec = codecs.FindKeyConst(static_cast<int64_t>(i));
        if (codec && codec->ToString("Compressor").starts_with(kAvidDVCompressor)) return true;
    }
    return false;
}
} // namespace

bool ServerOffersAvidDV() {
    StartQTServer();
    const ScriptVal server = g_QTRemoteApp;
    if (!IsRemoteObject(server)) return false;
    const ScriptVal state = server.CallMember("NewState");
    if (state.IsNil()) return false;
    const bool found = ListHoldsAvidDV(server.CallMember("GetCodecList", state));
    server.CallMember("DisposeCodecList", state);
    server.CallMember("ReleaseState", state);
    return found;
}

} // namespace omfplugin
