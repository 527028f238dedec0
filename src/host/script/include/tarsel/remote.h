// Remote calls between processes.
//
// Serving process: fill a ScriptConfig, call InitScripting, then
// StartScripting; the library listens on the connection argument (a
// Unix-domain socket path), and every client that connects receives the
// application object as a remote object. Only the serving process's user may
// connect: the socket's folder must be private to that user (a missing
// folder is created with mode 0700), the socket gets mode 0600, and a peer
// running as another user is closed on without an answer. The socket, and
// the folder when the library made it, are removed by CleanupScripting. Method handlers run on
// library threads, several at once. CleanupScripting stops serving.
//
// Calling process: ConnectScriptServer answers the server's application
// object as a remote object; CallMember on it (or on any remote object it
// hands out) runs the method in the server. The connection lasts while any of
// its remote objects is referenced, or until CloseScriptConnection.
#pragma once

#include "tarsel/script_val.h"
#include "tarsel/tags.h"

#include <cstdint>
#include <string_view>

class ScriptObject;

// Work run by the main-thread entry of the configuration.
using ScriptMainThreadFunc = int (*)(void* user, void* argument);
// Notification hooks; the argument identifies the connection (1, 2, ...).
using ScriptNotifyHook = void (*)(int connection);

// The serving process's configuration, read by the library from
// InitScripting until CleanupScripting. Hooks may be null.
struct ScriptConfig {
    int32_t version = 1;
    int32_t flags = 1;
    // Where to serve: the path of the Unix-domain socket to create.
    const char* connectionArg = nullptr;
    void* reserved1 = nullptr;
    void* reserved2 = nullptr;
    // Called by StartScripting before it serves; a non-zero answer stops the start.
    int (*startHook)() = nullptr;
    // The application object handed to every client that connects. The caller
    // holds a reference to it while serving: clients' references come and go.
    ScriptObject* (*getAppObject)() = nullptr;
    // Called when a client connects, before every call, and when a client has gone.
    ScriptNotifyHook onConnect = nullptr;
    ScriptNotifyHook onCall = nullptr;
    ScriptNotifyHook onDisconnect = nullptr;
    void* reserved3 = nullptr;
    void* reserved4 = nullptr;
    // Runs `func(user, argument)` on the process's main thread; with `wait`
    // it answers the function's result, otherwise 0 at once.
    int (*runOnMainThread)(ScriptMainThreadFunc func, void* user, void* argument,
                           bool wait) = nullptr;
    const char* buildText = nullptr;
    const char* buildDate = nullptr;
};

// The configuration given to InitScripting, or null.
extern ScriptConfig* g_ScriptConfig;

// Prepares serving with `config` (which must outlive the library's use).
// Answers false when already initialised or `config` is null.
bool InitScripting(ScriptConfig* config, const TagList* tags = nullptr);
// StartScripting tag: milliseconds a client may take no bytes of a frame
// before it is disconnected (default 20000).
inline constexpr Tag kScriptSendTimeoutTag = 0x7f000001;

// Starts serving remote calls on library threads and returns. `arg` is
// unused (callers pass nil). Answers false when the socket cannot be created
// (bad or too long path, a folder that is not private, a live server already
// there) or the start hook refused.
bool StartScripting(const ScriptVal& arg = ScriptVal(), const TagList* tags = nullptr);
// Number of clients currently connected.
int GetNumConnections();
// Stops serving: closes every connection (dropping the objects clients
// held), waits for running handlers, removes the socket file and forgets the
// configuration. Deferred calls still open answer into closed connections.
void CleanupScripting(const TagList* tags = nullptr);

// Runs `func` on the main thread through the configuration's entry; without
// one, runs it in the calling thread.
int RunOnMainThread(ScriptMainThreadFunc func, void* user, void* argument, bool wait);

// Connects to the server listening on `connectionArg`, retrying while the
// socket is not there or not yet accepting, for at most `timeoutMs`. Answers
// the server's application object as a remote object, or nil.
ScriptVal ConnectScriptServer(std::string_view connectionArg, int timeoutMs = 5000);
// Closes the connection a remote object belongs to. Its remote objects stay
// valid values, but every call on them answers nil. Answers false when the
// value is not a remote object.
bool CloseScriptConnection(const ScriptVal& remote);
// True while the connection of a remote object is open.
bool IsScriptConnectionOpen(const ScriptVal& remote);
