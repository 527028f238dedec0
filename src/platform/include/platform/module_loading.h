// Loading shared modules at run time, and the folders they are found in.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// The platform's path separator; folder texts end with it.
inline constexpr char kPathSeparator = '/';

// A loaded module. Unloads it (dropping this load's hold) when destroyed.
class LoadedModule {
  public:
    LoadedModule() = default;
    // Loads the module at `path`, resolving every symbol now; check IsLoaded.
    explicit LoadedModule(const std::string& path);
    LoadedModule(LoadedModule&& other) noexcept : handle_(other.handle_) {
        other.handle_ = nullptr;
    }
    LoadedModule& operator=(LoadedModule&& other) noexcept;
    LoadedModule(const LoadedModule&) = delete;
    LoadedModule& operator=(const LoadedModule&) = delete;
    ~LoadedModule() { Unload(); }

    bool IsLoaded() const { return handle_ != nullptr; }
    // The address of an exported entry point, or null.
    void* FindEntry(const char* name) const;
    void Unload();

  private:
    void* handle_ = nullptr;
};

// The full path of a module of this file name already loaded into the
// process, or "" when none is.
std::string LoadedModulePath(std::string_view fileName);

// The folder of the running program, ending in the separator.
std::string ProgramFolder();
// The file name of the running program.
std::string ProgramName();
// The system's own module folder: where this system's programs and the
// modules installed with them live, the folder of the running program.
std::string SystemFolder();

// True when `path` names an existing folder.
bool FolderExists(const std::string& path);

} // namespace platform
