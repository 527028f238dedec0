// Starting the movie server process and binding its application object.
#pragma once

#include <string>

#include "tarsel/script_val.h"

class Object;

// The movie server's application object while a server is connected; otherwise not a remote
// object. Bound and rebound by StartQTServer, which callers run before reading it.
extern ScriptVal g_QTRemoteApp;

// Environment variable naming the server program; without it the program "TarselQTServer" is
// looked for next to the running executable, then next to this library.
inline constexpr const char* QTServerPathVariable = "TARSEL_QTSERVER";
inline constexpr const char* QTServerProgramName = "TarselQTServer";

// Finds the server started before when it still runs and is connected; otherwise starts the
// program with a fresh socket path as its only argument, waits until it accepts (at most
// QTServerStartTimeoutMs), and binds g_QTRemoteApp to its application object. Answers whether
// g_QTRemoteApp is a remote object afterwards; without a program, or when it fails to start,
// g_QTRemoteApp is nil.
bool StartQTServer();
// Also binds `reference`, a format object's own, to the server's application object; a
// reference that is still connected is kept as it is.
bool StartQTServer(ScriptVal& reference, Object* owner);

// Closes the connection and ends the server this process started, waiting for it to exit.
// Runs by itself when the process exits.
void StopQTServer();

// The program StartQTServer would run, or "" when there is none.
std::string QTServerProgramPath();
// Process ID of the running server this process started, or 0.
int QTServerProcessID();

inline constexpr int QTServerStartTimeoutMs = 10000;
