#include "common_options.h"

#include <filesystem>
#include <system_error>

#include "command_line.h"
#include "media_search_path.h"

#include <iostream>

#include <unistd.h>

namespace omftool {

void addInputFile(CLI::App& command, std::string& file, const std::string& help) {
    command.add_option("FILE", file, help)->required();
}

void addOutput(CLI::App& command, std::string& output, const std::string& help) {
    command.add_option("-o,--output", output, help)->required();
}

std::string readingCommandFooter(std::string_view failures) {
    return "Writes only to standard output and creates no file. Exit status 0 when done; 2 " +
           std::string(failures) +
           " (with --json also an {\"error\", \"message\"} object on standard output).";
}

void addJson(CLI::App& command, bool& json, std::string_view what) {
    command.add_flag("--json", json, "Write the " + std::string(what) + " as JSON");
}

void addMasterMobChoice(CLI::App& command, MasterMobChoice& choice, std::string_view kind) {
    const std::string media(kind);
    CLI::Option* mob = command.add_option(
        "--mob", choice.name, "The first master mob of this name with " + media + " media");
    CLI::Option* index =
        command
            .add_option("--index", choice.index,
                        "The N-th master mob with " + media + " media, in mob-table order, from 1")
            ->check(fromOne());
    mob->excludes(index);
}

void FrameCount::add(CLI::App& command) {
    option_ = command.add_option("--count", count_, "Frames written (default: to the last)")
                  ->check(fromOne());
}

std::optional<int64_t> FrameCount::get() const {
    if (option_ == nullptr || option_->count() == 0) return std::nullopt;
    return count_;
}

void addFrameRange(CLI::App& command, int64_t& start, FrameCount& count) {
    command.add_option("--start", start, "First frame written, counted from 0")
        ->check(fromZero())
        ->capture_default_str();
    count.add(command);
}

void addMediaPath(CLI::App& command, std::vector<std::string>& folders) {
    command
        .add_option("--media-path", folders,
                    "Folder searched, by file name in any letter case, for external media "
                    "not found where its locator says; repeatable, searched in the order "
                    "given and before the folders of OMF_MEDIA_PATH (separated by ':'). A "
                    "folder that does not exist is reported and not searched")
        ->type_name("DIR")
        ->allow_extra_args(false);
}

std::vector<std::string> useMediaSearchFolders(const std::vector<std::string>& given) {
    std::vector<std::string> folders = mediaSearchFolders(given, std::cerr);
    shareMediaSearchFolders(folders); // the plug-in reads them
    return folders;
}

bool showsProgress() {
    return isatty(STDERR_FILENO) != 0;
}

std::string unreadableInput(const std::string& path) {
    std::error_code error;
    if (std::filesystem::is_regular_file(path, error)) return {};
    return "cannot read " + path + ": " + (error ? error.message() : "it is not a file");
}

} // namespace omftool
