#include "export_folder.h"

#include "interruption.h"

#include <cctype>

namespace omftool {

std::string ExportFolder::name(const std::string& subfolder, const std::string& name,
                               const std::string& extension) {
    std::string stem;
    for (const char c : name) {
        const bool kept =
            std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' || c == '.';
        stem += kept ? c : '_';
    }
    if (stem.empty() || stem.front() == '.') stem = "_" + stem;
    std::string relative = subfolder + "/" + stem + extension;
    for (int copy = 2; !used_.insert(relative).second; ++copy)
        relative = subfolder + "/" + stem + "-" + std::to_string(copy) + extension;
    return relative;
}

void ExportFolder::written(const ExportedFile& file) {
    manifest.files.push_back(file);
    frameWritten(int64_t(manifest.files.size()));
}

void ExportFolder::progress(const std::string& relative) {
    if (!progress_) return;
    err_ << "\r\033[Kwriting " << relative << std::flush;
    shown_ = true;
}

void ExportFolder::endProgress() {
    if (!shown_) return;
    err_ << "\r\033[K" << std::flush;
    shown_ = false;
}

void ExportFolder::note(const std::string& text) {
    endProgress();
    err_ << "omftool export: " << text << "\n";
}

} // namespace omftool
