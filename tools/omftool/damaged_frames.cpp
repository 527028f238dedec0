#include "damaged_frames.h"

#include "command_line.h"

#include <algorithm>

namespace omftool {

void addSkipDamaged(CLI::App& command, bool& skip) {
    command.add_flag("--skip-damaged", skip,
                     "Go on past a damaged frame (its media cannot be read, or decodes only with "
                     "a decoder warning), reporting it by number and cause; the summary counts "
                     "such frames and the exit status is 1 (without "
                     "it the command stops there with status 2)");
}

bool DamagedFrames::report(int64_t frame, const std::string& cause, std::ostream& err) {
    std::string line = cause;
    std::replace(line.begin(), line.end(), '\n', ' ');
    err << command_ << ": frame " << frame << " is damaged: " << line << (skip_ ? " (skipped)" : "")
        << "\n";
    ++count_;
    return skip_;
}

std::string DamagedFrames::summary() const {
    if (count_ == 0) return {};
    return "; " + std::to_string(count_) + " damaged frame" + (count_ == 1 ? "" : "s") + " skipped";
}

int DamagedFrames::status() const {
    return count_ > 0 ? kExitFaults : kExitDone;
}

} // namespace omftool
