// The server's life from its command line to its exit status.
#pragma once

// Runs the server with its command line: argument 1 is the connection
// argument of the scripting library, or --help or --version. Answers the exit
// status (command_line.h): 0 after the idle rules' shutdown, or at once
// without an argument; 1 when serving cannot start, with the reason on
// standard error; 2 for an unknown option; 128 + N after the orderly
// shutdown that signal N asked for.
int RunQTServer(int argc, char** argv);
