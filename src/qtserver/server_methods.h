// Handlers of the TarselQTServer methods. They run on library threads,
// several at once, and reach the movie thread only through messages.
#pragma once

class ScriptObject;
class ScriptArgs;

// States and their frame sections.
void NewStateMethod(ScriptObject* self, ScriptArgs& args);
void ReleaseStateMethod(ScriptObject* self, ScriptArgs& args);
void ReleaseMapFileMethod(ScriptObject* self, ScriptArgs& args);
void DisposeStateMethod(ScriptObject* self, ScriptArgs& args);
void GetStateAttrsMethod(ScriptObject* self, ScriptArgs& args);
// The four output-device methods: nothing to do, no result.
void OutputDeviceMethod(ScriptObject* self, ScriptArgs& args);

// Movie reading, writing, codecs and DV: the handlers pass their requests to
// the movie thread, which does not serve them yet.
void IsThisFormatMethod(ScriptObject* self, ScriptArgs& args);
void LoadHeaderMethod(ScriptObject* self, ScriptArgs& args);
void LoadFrameMethod(ScriptObject* self, ScriptArgs& args);
void SaveHeaderMethod(ScriptObject* self, ScriptArgs& args);
void SaveFrameMethod(ScriptObject* self, ScriptArgs& args);
void SaveAudioMethod(ScriptObject* self, ScriptArgs& args);
void GetCodecListMethod(ScriptObject* self, ScriptArgs& args);
void DisposeCodecListMethod(ScriptObject* self, ScriptArgs& args);
void GetCodecInfoMethod(ScriptObject* self, ScriptArgs& args);
void GetCodecSettingsMethod(ScriptObject* self, ScriptArgs& args);
void ShowCodecSettingsMethod(ScriptObject* self, ScriptArgs& args);
void SetStateAttrsMethod(ScriptObject* self, ScriptArgs& args);
void PrefsPreviewMethod(ScriptObject* self, ScriptArgs& args);
void AvidDVCompressMethod(ScriptObject* self, ScriptArgs& args);
void AvidDVDecompressMethod(ScriptObject* self, ScriptArgs& args);
