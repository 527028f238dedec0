// The "write-sample" command: the sample container, sample OMF file, example edit or session that
// examples/ bundles.
#include "command_line.h"
#include "commands.h"
#include "output_file.h"
#include "sample_container.h"
#include "sample_edit.h"
#include "sample_session.h"
#include "toolkit_console.h"

#include <iostream>
#include <memory>

namespace omftool {

void addWriteSampleCommand(CLI::App& app, CommandRun& run) {
    struct Given {
        std::string file;
        bool version1 = false;
        int revision = -1; // -1: a plain container
        bool edit = false;
        bool session = false;
    };
    auto given = std::make_shared<Given>();
    CLI::App* sample = app.add_subcommand(
        "write-sample", "Write the small sample container that examples/ bundles");
    sample->add_option("FILE", given->file, "Container file to create")->required();
    sample->add_flag("--version1", given->version1,
                     "Write the fixed-entry TOC of label version 1.0 instead of the code-byte TOC");
    sample
        ->add_option("--omf", given->revision,
                     "Write an OMF file of this revision (0, 1 or 2) through the toolkit "
                     "instead of a plain container")
        ->check(CLI::Range(0, 2));
    sample->add_flag("--edit", given->edit,
                     "Write the example edit instead: an OMF 2.x file with uncompressed and JPEG "
                     "picture media and a composition that plays as two sequences");
    sample->add_flag("--session", given->session,
                     "Write the example session instead: an OMF 2.x sound edit of two mono "
                     "48 kHz masters (16 and 24 bits) with fillers, a crossfade and a timecode "
                     "track from 01:00:00:00, as audio post receives it");
    sample->footer("FILE is written as a temporary beside it and replaces an earlier file of that "
                   "name only when complete. Exit status 0 when written; 2 when it cannot be "
                   "written; 130 after SIGINT, 143 after SIGTERM, nothing new left.");
    sample->callback([given, &run] {
        run = [given] {
            std::string why;
            const bool written = writeOutputFile(
                given->file,
                [&given](const std::string& path, std::string& failed) {
                    // The toolkit's container trace shows only at --verbose; the likely reason
                    // for the failed write (a full disk, the file-size limit) is what the
                    // message names.
                    const ToolkitConsole quiet;
                    const bool done = given->session ? writeSampleSession(path)
                                      : given->edit  ? writeSampleEdit(path)
                                      : given->revision >= 0
                                          ? writeSampleOMF(path, given->revision)
                                          : writeSampleContainer(path, given->version1);
                    if (!done) {
                        failed = likelyWriteFailure(path);
                        if (failed.empty()) failed = "the file could not be written";
                    }
                    return done;
                },
                why);
            if (written) return kExitDone;
            std::cerr << "omftool: cannot write " << given->file << ": " << why << "\n";
            return kExitError;
        };
    });
}

} // namespace omftool
