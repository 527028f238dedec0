// The server's part of a crash report: its configuration, the movie
// library, the system and the process's memory.
#pragma once

#include "tarsel/exception_handler.h"

// The crash handler's callback: appends the report to the open file `fd`.
// Async-signal-safe. `info` is not used.
void WriteDiagnosticsReport(int fd, const TsExceptionInfo* info);
