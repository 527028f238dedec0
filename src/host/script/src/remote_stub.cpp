// Temporary: remote calls are not served yet.
#include "tarsel/remote.h"
#include "value_storage.h"

ScriptConfig* g_ScriptConfig = nullptr;

bool InitScripting(ScriptConfig* config, const TagList*) {
    if (!config || g_ScriptConfig) return false;
    g_ScriptConfig = config;
    return true;
}
bool StartScripting(const ScriptVal&, const TagList*) {
    return false;
}
int GetNumConnections() {
    return 0;
}
void CleanupScripting(const TagList*) {
    g_ScriptConfig = nullptr;
}
int RunOnMainThread(ScriptMainThreadFunc func, void* user, void* argument, bool) {
    return func ? func(user, argument) : 0;
}
ScriptVal ConnectScriptServer(std::string_view, int) {
    return ScriptVal();
}
bool CloseScriptConnection(const ScriptVal&) {
    return false;
}
bool IsScriptConnectionOpen(const ScriptVal&) {
    return false;
}
ScriptVal tarsel::detail::CallRemoteMember(const RemoteObjectRef&, std::string_view,
                                           const ScriptVal&) {
    return ScriptVal();
}
