// The movie-services module loader.
#include "movie_library.h"

#include "platform/named_mutex.h"
#include "tarsel/platform.h"

#include <cstdio>

namespace {

int32_t NotAvailable(uint32_t, void*) {
    return kMovieNotAvailable;
}

int32_t ComponentNotAvailable(void*, uint32_t, void*) {
    return kMovieNotAvailable;
}

int32_t ComponentWithStorageNotAvailable(void*, void*, void*) {
    return kMovieNotAvailable;
}

std::string WithSeparator(std::string folder) {
    if (!folder.empty() && folder.back() != platform::kPathSeparator && folder.back() != '\\')
        folder.push_back(platform::kPathSeparator);
    return folder;
}

// Serialises initialisation and termination within this process.
class InitTermLock {
  public:
    InitTermLock() : mutex_(Name()) { mutex_.Lock(); }
    ~InitTermLock() { mutex_.Unlock(); }

  private:
    static std::string Name() {
        char name[48];
        std::snprintf(name, sizeof name, "QTMLInitTermMutex%lx",
                      static_cast<unsigned long>(Tarsel::Platform::GetCurrentProcessID()));
        return name;
    }
    platform::NamedMutex mutex_;
};

} // namespace

MovieLibrary::MovieLibrary(platform::RegistryValues registry) : registry_(std::move(registry)) {
    UseNotAvailableEntries();
}

MovieLibrary::~MovieLibrary() {
    while (initialisations_ > 0)
        Terminate();
}

std::string MovieLibrary::SystemFolder() const {
    std::string loaded = platform::LoadedModulePath(kCoreModuleName);
    if (!loaded.empty())
        return WithSeparator(loaded.substr(0, loaded.size() - kCoreModuleName.size()));
    for (std::string_view value : {kSystemFolderValue, kModuleFolderValue}) {
        std::optional<std::string> folder = registry_.Query(kMovieRegistryKey, value);
        if (folder && platform::FolderExists(*folder)) return WithSeparator(*folder);
    }
    return WithSeparator(platform::SystemFolder());
}

std::string MovieLibrary::ExtensionFolder() const {
    std::optional<std::string> folder = registry_.Query(kMovieRegistryKey, kExtensionFolderValue);
    if (folder && !folder->empty()) return WithSeparator(*folder);
    std::string system = SystemFolder();
    if (system != WithSeparator(platform::SystemFolder())) return system;
    return system + std::string(kDefaultExtensionSubfolder) + platform::kPathSeparator;
}

platform::LoadedModule MovieLibrary::LoadByName(std::string_view fileName) const {
    platform::LoadedModule module(SystemFolder() + std::string(fileName));
    if (!module.IsLoaded())
        module = platform::LoadedModule(ExtensionFolder() + std::string(fileName));
    return module;
}

int32_t MovieLibrary::Initialize(int32_t flags) {
    InitTermLock held;
    if (initialisations_ > 0) {
        ++initialisations_;
        return movie::kNoError;
    }
    int32_t result = kMovieModuleNotLoaded;
    core_ = LoadByName(kCoreModuleName);
    if (core_.IsLoaded()) {
        result = kMovieEntryMissing;
        if (ResolveEntries()) {
            movie::InitializeArgs arguments{flags};
            result = dispatcher_(movie::kInitialize, &arguments);
            if (result == movie::kNoError) {
                ++initialisations_;
                return result;
            }
        }
    }
    core_.Unload();
    UseNotAvailableEntries();
    return result;
}

void MovieLibrary::Terminate() {
    InitTermLock held;
    if (initialisations_ <= 0) {
        initialisations_ = 0;
        return;
    }
    if (--initialisations_ > 0) return;
    Call(movie::kTerminate, nullptr);
    UseNotAvailableEntries();
    core_.Unload();
}

int32_t MovieLibrary::Call(uint32_t selector, void* arguments) {
    if (resolveLazily_) ResolveEntries();
    return dispatcher_(selector, arguments);
}

int32_t MovieLibrary::CallComponent(void* instance, uint32_t selector, void* arguments) {
    if (resolveLazily_) ResolveEntries();
    return component_(instance, selector, arguments);
}

int32_t MovieLibrary::CallComponentWithStorage(void* storage, void* arguments, void* function) {
    if (resolveLazily_) ResolveEntries();
    return componentWithStorage_(storage, arguments, function);
}

uint32_t MovieLibrary::QueryVersion() {
    int32_t version = 0;
    movie::EnvironmentQueryArgs query{movie::kVersionQuery, &version};
    return Call(movie::kEnvironmentQuery, &query) == movie::kNoError
               ? static_cast<uint32_t>(version)
               : 0;
}

void MovieLibrary::UseNotAvailableEntries() {
    dispatcher_ = &NotAvailable;
    component_ = &ComponentNotAvailable;
    componentWithStorage_ = &ComponentWithStorageNotAvailable;
    resolveLazily_ = true;
}

bool MovieLibrary::ResolveEntries() {
    auto storage = reinterpret_cast<movie::ComponentWithStorageCall>(
        core_.FindEntry(movie::kComponentWithStorageEntry));
    auto component =
        reinterpret_cast<movie::ComponentCall>(core_.FindEntry(movie::kComponentEntry));
    auto dispatcher = reinterpret_cast<movie::Dispatcher>(core_.FindEntry(movie::kDispatcherEntry));
    if (!storage || !component || !dispatcher) return false;
    componentWithStorage_ = storage;
    component_ = component;
    dispatcher_ = dispatcher;
    resolveLazily_ = false;
    return true;
}

platform::RegistryValues ReadServerRegistry() {
    platform::RegistryValues values;
    const std::string path = platform::RegistryFilePath();
    size_t line = 0;
    platform::KeyFileError error = values.Load(path, line);
    if (error != platform::KeyFileError::None)
        std::fprintf(stderr, "TarselQTServer: %s:%zu: %s; no registry values are used\n",
                     path.c_str(), line, platform::KeyFileErrorText(error));
    return values;
}
