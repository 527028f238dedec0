// omftool's commands: each declares its subcommand, its options and what it runs in its own
// file, and is listed once in the table commands() answers.
#pragma once

#include <CLI/CLI.hpp>

#include <functional>
#include <span>
#include <string>
#include <vector>

namespace omftool {

// What the command chosen on the command line runs once parsing is done; answers the exit
// status.
using CommandRun = std::function<int()>;

// Adds a command's subcommand and options to `app`; when the command is the one parsed, `run`
// is set to run it with the options given.
using AddCommand = void (*)(CLI::App& app, CommandRun& run);

struct Command {
    const char* name; // the subcommand's name
    AddCommand add;
};

// Every command, in the order the help and the list of commands show them.
std::span<const Command> commands();

// Each command's options by their names ("FILE", "--mob", "-o,--output"...), as the command
// declares them.
struct CommandOptions {
    std::string name;
    std::vector<std::string> options;
};
std::vector<CommandOptions> commandOptionNames();

void addDumpCommand(CLI::App& app, CommandRun& run);
void addInfoCommand(CLI::App& app, CommandRun& run);
void addMobsCommand(CLI::App& app, CommandRun& run);
void addTimelineCommand(CLI::App& app, CommandRun& run);
void addTracksCommand(CLI::App& app, CommandRun& run);
void addFramesCommand(CLI::App& app, CommandRun& run);
void addAudioCommand(CLI::App& app, CommandRun& run);
void addWriteCommand(CLI::App& app, CommandRun& run);
void addMovieInfoCommand(CLI::App& app, CommandRun& run);
void addCodecsCommand(CLI::App& app, CommandRun& run);
void addExtractCommand(CLI::App& app, CommandRun& run);
void addExportCommand(CLI::App& app, CommandRun& run);
void addComposeCommand(CLI::App& app, CommandRun& run);
void addWriteSampleCommand(CLI::App& app, CommandRun& run);

} // namespace omftool
