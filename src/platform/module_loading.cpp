// Modules through dlopen; folders of the running program.
#include "platform/module_loading.h"

#include <dlfcn.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>

namespace platform {
namespace {

std::string ProgramPath() {
    char path[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return {};
    return std::string(path, static_cast<size_t>(length));
}

struct ModuleSearch {
    std::string_view fileName;
    std::string found;
};

int VisitModule(dl_phdr_info* info, size_t, void* data) {
    auto* search = static_cast<ModuleSearch*>(data);
    std::string_view path = info->dlpi_name ? info->dlpi_name : "";
    size_t slash = path.rfind(kPathSeparator);
    std::string_view name = slash == path.npos ? path : path.substr(slash + 1);
    if (!path.empty() && name == search->fileName) {
        search->found = path;
        return 1;
    }
    return 0;
}

#if defined(OMF_SANITIZER_BUILD)
// Sanitizer builds keep the libraries a module brought in loaded after the module itself is
// unloaded: some of them (pixman, through FFmpeg) allocate tables in their constructors and
// never free them, and once unmapped LeakSanitizer can no longer see the pointers and reports
// every such table as a leak of an unknown module. The module itself still unloads.
void KeepDependenciesLoaded(void* handle) {
    link_map* module = nullptr;
    if (dlinfo(handle, RTLD_DI_LINKMAP, &module) != 0 || module == nullptr) return;
    for (link_map* library = module->l_next; library != nullptr; library = library->l_next) {
        if (library->l_name == nullptr || *library->l_name == '\0') continue;
        if (void* pinned = dlopen(library->l_name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE))
            dlclose(pinned);
    }
}
#else
void KeepDependenciesLoaded(void*) {}
#endif

} // namespace

LoadedModule::LoadedModule(const std::string& path) {
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_) KeepDependenciesLoaded(handle_);
}

LoadedModule& LoadedModule::operator=(LoadedModule&& other) noexcept {
    if (this != &other) {
        Unload();
        handle_ = other.handle_;
        other.handle_ = nullptr;
    }
    return *this;
}

void* LoadedModule::FindEntry(const char* name) const {
    return handle_ && name ? dlsym(handle_, name) : nullptr;
}

void LoadedModule::Unload() {
    if (handle_) dlclose(handle_);
    handle_ = nullptr;
}

std::string LoadedModulePath(std::string_view fileName) {
    ModuleSearch search{fileName, {}};
    if (!fileName.empty()) dl_iterate_phdr(&VisitModule, &search);
    return search.found;
}

std::string ProgramFolder() {
    std::string path = ProgramPath();
    size_t slash = path.rfind(kPathSeparator);
    return slash == path.npos ? std::string(1, kPathSeparator) : path.substr(0, slash + 1);
}

std::string ProgramName() {
    std::string path = ProgramPath();
    size_t slash = path.rfind(kPathSeparator);
    return slash == path.npos ? path : path.substr(slash + 1);
}

std::string SystemFolder() {
    return ProgramFolder();
}

bool FolderExists(const std::string& path) {
    struct stat info {};
    return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace platform
