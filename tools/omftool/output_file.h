// Every file omftool writes goes through OutputFile: it is written under its own name inside a
// private temporary folder beside the target (".NAME.omftool-PID-XXXXXX/NAME", so the extension
// and the name writers derive from it stay), and renamed into place only when complete and
// closed. A failure or interruption removes the temporary and leaves an earlier file of that
// name untouched. Writers in other processes (the movie server) or libraries (the plug-in, the
// toolkit) are given path() and write there.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace omftool {

class OutputFile {
  public:
    explicit OutputFile(std::string target);
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    // Without commit(), the temporary and its folder are removed.
    ~OutputFile();

    // Makes the temporary folder in the target's folder, which must exist; false with why. A
    // target that exists and is no regular file (a device such as /dev/full, a pipe) is written
    // directly: it cannot be replaced. A symbolic link's file is replaced, the link kept.
    bool open(std::string& why);
    // Where the writer writes: the temporary, or the target itself when written directly.
    const std::string& path() const { return path_; }
    const std::string& target() const { return target_; }
    // `text` (a writer's message) with the temporary's path named as the target.
    std::string named(std::string text) const;
    // Flushes the written file to disk and renames it over the target; false with why (also
    // when SIGINT or SIGTERM has arrived, so an interrupted command leaves nothing new).
    bool commit(std::string& why);
    // Removes the temporary now.
    void discard();

  private:
    std::string target_;
    std::string destination_; // the target, or the file a symbolic link there names
    std::string folder_;      // the temporary folder; empty when none is live
    std::string path_;
    int slot_ = -1; // in the list of live temporaries
    bool committed_ = false;
};

// The folder a command's files go into, made with its parents when missing once the inputs are
// checked. The folders it made are removed again when it goes and they are empty, so a command
// that fails before its first file leaves no empty folder.
class OutputFolder {
  public:
    OutputFolder() = default;
    OutputFolder(const OutputFolder&) = delete;
    OutputFolder& operator=(const OutputFolder&) = delete;
    ~OutputFolder();

    // Makes the folder `file` goes into when missing; false with why.
    bool makeFor(const std::string& file, std::string& why);

  private:
    std::vector<std::filesystem::path> made_; // outermost first
};

// Writes `bytes` as the whole file at `path` (a writer's part, at the path OutputFile gives it);
// false with the reason, a partial file removed.
bool writeBytesAt(const std::string& path, std::span<const uint8_t> bytes, std::string& why);

// Why a writer that cannot say (the toolkit answers only that a write failed) most likely failed
// to write `path`: the file-size limit reached, or no space left on its file system; empty when
// neither is so.
std::string likelyWriteFailure(const std::string& path);

// Writes `target` in one step: `write` writes the whole file at the path it is given, and the
// result is committed. False with why, the temporary removed.
bool writeOutputFile(const std::string& target,
                     const std::function<bool(const std::string& path, std::string& why)>& write,
                     std::string& why);

// Unlinks every live temporary and its folder; async-signal-safe, for the signal handler.
void removeLiveTemporaries();

} // namespace omftool
