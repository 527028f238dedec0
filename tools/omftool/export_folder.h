// The folder omftool export fills: unique file names made from mob names, the files written so
// far (for the manifest), and the progress line.
#pragma once

#include "export_manifest.h"
#include "media_failure.h"
#include "output_file.h"

#include <ostream>
#include <set>
#include <string>

namespace omftool {

class ExportFolder {
  public:
    ExportFolder(std::string folder, std::ostream& err, bool progress)
        : folder_(std::move(folder)), err_(err), progress_(progress) {}

    // A relative path "SUBFOLDER/STEM.EXTENSION" not handed out before, the stem made of
    // `name` with only letters, digits, '-', '_' and '.' kept.
    std::string name(const std::string& subfolder, const std::string& name,
                     const std::string& extension);
    // The full path of a relative one.
    std::string path(const std::string& relative) const { return folder_ + "/" + relative; }
    // Makes the folder the relative path goes into when missing; false with why.
    bool makeFor(const std::string& relative, std::string& why) {
        return folders_.makeFor(path(relative), why);
    }

    // Shows "writing PATH" as the progress line (on a terminal only).
    void progress(const std::string& relative);
    // Ends the progress line before other output.
    void endProgress();
    // Says `text` on its own line of standard error, after the command's name.
    void note(const std::string& text);

    // Names a finished file in the manifest (and tells the test hook of interruption.h).
    void written(const ExportedFile& file);

    ExportManifest manifest;

  private:
    std::string folder_;
    std::ostream& err_;
    bool progress_;
    bool shown_ = false;
    std::set<std::string> used_;
    OutputFolder folders_;
};

// A failure that is no toolkit error: `message` is the whole line.
inline bool failWith(MediaFailure& failure, std::string message) {
    failure.error = 0;
    failure.message = std::move(message);
    return false;
}

} // namespace omftool
