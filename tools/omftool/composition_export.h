// The "export" command: a composition handed to audio post as a folder of files. The sound of
// every master track it plays as Broadcast WAVE (and, with clips, one file per clip placed by
// its time reference), the pictures of its picture masters, its timeline as OpenTimelineIO
// naming those files, its edit decision list and manifest.json naming what each file holds.
#pragma once

#include "export_pictures.h"

#include <ostream>
#include <string>
#include <vector>

namespace omftool {

struct ExportOptions {
    std::string file;
    std::string folder;
    std::string composition; // a name, or its number among the compositions from 1; empty: first
    bool clips = false;
    double handleSeconds = 0;
    PictureOutput picture = PictureOutput::kPng;
    std::string start; // the timeline's start timecode; empty: the composition's, else 01:00:00:00
    std::vector<std::string> mediaFolders;
    bool progress = false;
};

// Runs the command; answers the process exit status: 0 when every file was written (a master
// whose media is found nowhere is named and skipped), 2 otherwise.
int runExport(const ExportOptions& options, std::ostream& out, std::ostream& err);

} // namespace omftool
