// The method table of class TarselQTServer, in registration order.
#include "server_methods.h"

#include "server_app.h"

#include "tarsel/script_object.h"
#include "tarsel/tags.h"

namespace {

// One method: its symbol and its (empty) help texts.
class Method {
  public:
    Method(const char* name, ScriptHandler handler)
        : symbol_(1, name, kScriptSymbolMethod, handler, &TarselQTServerClass()) {
        TagList help;
        help.Add(kScriptSymbolHelpTag, "");
        help.Add(kScriptSymbolArgsTag, "");
        tags_.Init(1, name, 1, handler, &TarselQTServerClass(), help);
    }

  private:
    ScriptSymbol symbol_;
    ScriptSymbolTags tags_;
};

const Method kMethods[] = {
    {"NewState", &NewStateMethod},
    {"ReleaseState", &ReleaseStateMethod},
    {"ReleaseMapFile", &ReleaseMapFileMethod},
    {"DisposeState", &DisposeStateMethod},
    {"IsThisFormat", &IsThisFormatMethod},
    {"LoadHeader", &LoadHeaderMethod},
    {"LoadFrame", &LoadFrameMethod},
    {"SaveHeader", &SaveHeaderMethod},
    {"SaveFrame", &SaveFrameMethod},
    {"SaveAudio", &SaveAudioMethod},
    {"GetCodecList", &GetCodecListMethod},
    {"DisposeCodecList", &DisposeCodecListMethod},
    {"GetCodecInfo", &GetCodecInfoMethod},
    {"GetCodecSettings", &GetCodecSettingsMethod},
    {"ShowCodecSettings", &ShowCodecSettingsMethod},
    {"GetStateAttrs", &GetStateAttrsMethod},
    {"SetStateAttrs", &SetStateAttrsMethod},
    {"PrefsPreview", &PrefsPreviewMethod},
    {"GetOutDevList", &OutputDeviceMethod},
    {"OutDevConfig", &OutputDeviceMethod},
    {"OutDevView", &OutputDeviceMethod},
    {"OutDevCleanup", &OutputDeviceMethod},
    {"AvidDVCompress", &AvidDVCompressMethod},
    {"AvidDVDecompress", &AvidDVDecompressMethod},
};

} // namespace

ScriptInfo& TarselQTServerClass() {
    static ScriptInfo info(1, "TarselQTServer", "", "");
    return info;
}
