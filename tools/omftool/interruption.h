// SIGINT and SIGTERM in omftool: the handler only notes the signal; frame loops and the
// commands' steps ask interrupted() and stop, so owners unwind (temporaries removed, movie
// server states disposed) and main answers the signal's exit status.
#pragma once

#include <cstdint>

namespace omftool {

// Installs the handlers of SIGINT and SIGTERM and ignores SIGXFSZ, so that a write past the
// file-size limit fails (EFBIG) instead of ending the process with its output half-written.
// A second SIGINT or SIGTERM removes the live temporaries and ends the process at once.
void installInterruptHandlers();

// Whether SIGINT or SIGTERM has arrived.
bool interrupted();

// The exit status for the signal that arrived (kExitInterrupted, kExitTerminated); 0 when none.
int interruptedStatus();

// The one line naming the signal that arrived ("interrupted by SIGINT").
const char* interruptionText();

// Test hook: with OMFTOOL_STOP_AFTER_FRAME=N in the environment, the process stops itself
// (SIGSTOP) once its N-th frame is written, so a test can signal it at that point. Frame loops
// call this after each frame with the number written so far.
void frameWritten(int64_t framesWritten);

} // namespace omftool
