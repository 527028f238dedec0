// The options several omftool commands take, declared once with their names, checks, defaults
// and help texts.
#pragma once

#include "picture_media.h"

#include <CLI/CLI.hpp>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace omftool {

// FILE, the command's input, required.
void addInputFile(CLI::App& command, std::string& file, const std::string& help);

// -o,--output, required; `help` says what is written.
void addOutput(CLI::App& command, std::string& output, const std::string& help);

// --json; `what` names what is written as JSON ("description", "listing").
// The help footer of a command that only reads: it writes nothing but standard output, and
// which exit statuses it answers, `failures` naming what gives status 2.
std::string readingCommandFooter(std::string_view failures);

void addJson(CLI::App& command, bool& json, std::string_view what);

// --mob NAME or --index N (from 1), counted among the master mobs with media of `kind`
// ("picture", "sound").
void addMasterMobChoice(CLI::App& command, MasterMobChoice& choice, std::string_view kind);

// --count: frames written, from 1; unset, to the last.
class FrameCount {
  public:
    void add(CLI::App& command);
    std::optional<int64_t> get() const;

  private:
    int64_t count_ = 0;
    CLI::Option* option_ = nullptr;
};

// --start (the first frame written, from 0) and --count.
void addFrameRange(CLI::App& command, int64_t& start, FrameCount& count);

// --media-path DIR, repeatable: folders searched for external media not where its locator says.
void addMediaPath(CLI::App& command, std::vector<std::string>& folders);

// The search folders of the commands that read external media, from those given with
// --media-path and OMF_MEDIA_PATH (a given folder that does not exist is named on standard
// error); shared with the plug-in this process loads.
std::vector<std::string> useMediaSearchFolders(const std::vector<std::string>& given);

// Whether progress lines are shown: only on a terminal.
bool showsProgress();

// Why the input file `path` cannot be read ("cannot read PATH: No such file or directory", or
// that it is not a file), so that commands name the real cause before loading anything;
// empty when it is a file.
std::string unreadableInput(const std::string& path);

} // namespace omftool
