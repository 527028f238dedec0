#include "commands.h"

#include <array>

namespace omftool {

namespace {

constexpr std::array kCommands{
    Command{"dump", addDumpCommand},
    Command{"info", addInfoCommand},
    Command{"mobs", addMobsCommand},
    Command{"timeline", addTimelineCommand},
    Command{"tracks", addTracksCommand},
    Command{"frames", addFramesCommand},
    Command{"audio", addAudioCommand},
    Command{"write", addWriteCommand},
    Command{"movie-info", addMovieInfoCommand},
    Command{"codecs", addCodecsCommand},
    Command{"extract", addExtractCommand},
    Command{"export", addExportCommand},
    Command{"compose", addComposeCommand},
    Command{"write-sample", addWriteSampleCommand},
};

} // namespace

std::span<const Command> commands() {
    return kCommands;
}

std::vector<CommandOptions> commandOptionNames() {
    std::vector<CommandOptions> listed;
    for (const Command& command : commands()) {
        CLI::App app;
        CommandRun run;
        command.add(app, run);
        CommandOptions entry{command.name, {}};
        for (const CLI::App* sub : app.get_subcommands([](const CLI::App*) { return true; })) {
            for (const CLI::Option* option : sub->get_options([](const CLI::Option* option) {
                     return option->get_name() != "--help"; // CLI11's own
                 }))
                entry.options.push_back(option->get_name(false, true));
        }
        listed.push_back(std::move(entry));
    }
    return listed;
}

} // namespace omftool
