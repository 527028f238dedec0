// What omftool's command line shares across commands: the exit statuses, the checks of numbers
// given as options, parsing that answers usage errors with status 2, and interruption.
#pragma once

#include "interruption.h"

#include <CLI/CLI.hpp>

namespace omftool {

// Exit statuses of every command.
inline constexpr int kExitDone = 0;   // done (also --help and --version)
inline constexpr int kExitFaults = 1; // the file was read, and what was asked found faults
inline constexpr int kExitError = 2;  // the file, an input or the command line could not be used
inline constexpr int kExitInterrupted = 130; // SIGINT arrived: stopped, nothing half-written left
inline constexpr int kExitTerminated = 143;  // SIGTERM arrived: the same

inline constexpr const char* kVersionText = "omftool 1.0";

// Whole numbers from 0 (frame numbers, entry indexes) or from 1 (counts, mob indexes) up to the
// largest 32-bit one, refused with a short message naming the range.
const CLI::Validator& fromZero();
const CLI::Validator& fromOne();
// A finite number above 0 (frame rates).
const CLI::Validator& positive();

// Parses the command line into `app`. Answers -1 when a command is to run; otherwise the exit
// status, the message already printed: kExitDone after --help or --version, kExitError for a
// usage error (CLI11's message, or the unknown command named with the list of commands).
int parseCommandLine(CLI::App& app, int argc, char** argv);

} // namespace omftool
