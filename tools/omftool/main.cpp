// omftool: the command-line front end for OMF files and their containers.
#include "command_line.h"
#include "commands.h"
#include "interruption.h"
#include "library_logging.h"

#include <CLI/CLI.hpp>

#include <iostream>

int main(int argc, char** argv) {
    CLI::App app{"omftool: inspect OMF Interchange files and the Bento containers that hold them"};
    app.require_subcommand(1);
    app.set_version_flag("--version", omftool::kVersionText);
    bool verbose = false;
    app.add_flag("--verbose", verbose,
                 "Also show what the libraries omftool uses say (FFmpeg's warnings and notes, the "
                 "toolkit's container trace)");
    app.fallthrough(); // --verbose may follow the command too

    omftool::CommandRun run;
    for (const omftool::Command& command : omftool::commands())
        command.add(app, run);

    if (int status = omftool::parseCommandLine(app, argc, argv); status >= 0) return status;
    omftool::setLibraryLogging(verbose);
    omftool::installInterruptHandlers();
    const int status = run ? run() : omftool::kExitFaults;
    // The command has unwound: its temporaries are gone and its movie server states disposed.
    if (omftool::interrupted()) {
        std::cerr << "omftool: " << omftool::interruptionText() << "\n";
        return omftool::interruptedStatus();
    }
    return status;
}
