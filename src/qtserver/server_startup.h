// The server's life from its command line to its exit status.
#pragma once

// Runs the server with its command line: argument 1 is the connection
// argument of the scripting library. Answers the exit status: 0 after an
// orderly shutdown, or at once without an argument; 1 when serving cannot
// start.
int RunQTServer(int argc, char** argv);
