// Frames whose media fails to read (damaged compressed bytes, a broken frame index) or decodes
// only with a decoder warning (compressed data cut short): extract
// and frames stop at the first with status 2, naming its number and cause; with
// --skip-damaged they report each, go on, count them apart from gaps and end with status 1.
#pragma once

#include <CLI/CLI.hpp>

#include <cstdint>
#include <ostream>
#include <string>

namespace omftool {

// --skip-damaged.
void addSkipDamaged(CLI::App& command, bool& skip);

class DamagedFrames {
  public:
    // `command` names the command in messages ("omftool frames").
    DamagedFrames(bool skip, std::string command) : skip_(skip), command_(std::move(command)) {}

    // Reports frame `frame` as damaged by `cause` (its lines joined into one) on `err`;
    // answers whether the command goes on.
    bool report(int64_t frame, const std::string& cause, std::ostream& err);
    int64_t count() const { return count_; }
    // "; N damaged frames skipped" for the summary line; empty when none was.
    std::string summary() const;
    // The status of a command that wrote its frames: kExitFaults when any was skipped.
    int status() const;

  private:
    bool skip_;
    std::string command_;
    int64_t count_ = 0;
};

} // namespace omftool
