// The signals that end the server in order: SIGINT, SIGTERM and SIGHUP. Their
// handler only records the signal; the main loop sees it and shuts down as
// after the idle rule, removing the socket, its folder and the frame sections.
#pragma once

// Installs the handler for the three signals.
void InstallStopSignalHandlers();
// The number of the first stop signal received, or 0.
int StopSignalReceived();
