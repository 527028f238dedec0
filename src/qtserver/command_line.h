// The server's command line: one argument, the socket path to serve on, or
// --help or --version.
#pragma once

#include <string>
#include <string_view>

// Exit statuses of the server.
inline constexpr int kExitDone = 0;        // ended by itself, or given no argument
inline constexpr int kExitCannotServe = 1; // the socket path cannot be served on
inline constexpr int kExitUsage = 2;       // an option the server does not know
// Ended by signal N: this plus N, as shells report it.
inline constexpr int kExitSignalBase = 128;

// The variable that sets another no-client time, in seconds (for tests).
inline constexpr std::string_view kNoClientTimeoutVariable = "TARSEL_QTSERVER_NO_CLIENT_SECONDS";

enum class CommandLineRequest { Serve, Help, Version, UnknownOption };

// What the first argument asks for; anything not starting with '-' is a
// socket path.
CommandLineRequest ReadCommandLine(std::string_view argument);

// The text of --help and of --version.
std::string UsageText();
std::string VersionText();

// The no-client time: the variable's value when it is a positive number,
// else the default.
double NoClientTimeoutSeconds();
