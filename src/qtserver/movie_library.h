// Finding, loading, initialising and calling the movie-services module,
// which the server loads at run time and never links.
#pragma once

#include "movie/movie_services.h"
#include "platform/module_loading.h"
#include "platform/registry.h"

#include <cstdint>
#include <string>
#include <string_view>

// Results of the loader itself.
inline constexpr int32_t kMovieModuleNotLoaded = -2093; // the core module could not be loaded
inline constexpr int32_t kMovieEntryMissing = -2094;    // an entry point is missing
inline constexpr int32_t kMovieNotAvailable = -2095;    // every routine while there is no module

// The module files, loaded by name from the module folders.
inline constexpr std::string_view kCoreModuleName = "QuickTime.qts";
inline constexpr std::string_view kFoundationModuleName = "QTCF.dll";
// The registry key naming the module folders, and its values.
inline constexpr std::string_view kMovieRegistryKey =
    "HKEY_LOCAL_MACHINE\\Software\\Apple Computer, Inc.\\QuickTime";
inline constexpr std::string_view kSystemFolderValue = "QTSysDir";
inline constexpr std::string_view kModuleFolderValue = "QuickTime.qts folder";
inline constexpr std::string_view kExtensionFolderValue = "QTExtDir";
// Sub-folder of the system folder holding the extensions when the registry
// names none.
inline constexpr std::string_view kDefaultExtensionSubfolder = "QuickTime";

// The module and its entry points. Used by one thread at a time (the movie
// thread); Initialize and Terminate are moreover serialised across the
// process by the named mutex "QTMLInitTermMutex<pid in hex>".
class MovieLibrary {
  public:
    explicit MovieLibrary(platform::RegistryValues registry);
    // Terminates every initialisation still open.
    ~MovieLibrary();
    MovieLibrary(const MovieLibrary&) = delete;
    MovieLibrary& operator=(const MovieLibrary&) = delete;

    // The module folders, each ending in the path separator.
    std::string SystemFolder() const;
    std::string ExtensionFolder() const;
    // Loads a module file from the system folder, else the extension folder.
    platform::LoadedModule LoadByName(std::string_view fileName) const;

    // Loads the core module, resolves its entry points and initialises it
    // (the first time; later calls count). Answers 0 or an error code; on
    // failure every routine answers kMovieNotAvailable.
    int32_t Initialize(int32_t flags);
    // Matches one Initialize; the last one terminates and unloads the module.
    void Terminate();

    // Calls a routine through the dispatcher.
    int32_t Call(uint32_t selector, void* arguments);
    int32_t CallComponent(void* instance, uint32_t selector, void* arguments);
    int32_t CallComponentWithStorage(void* storage, void* arguments, void* function);

    // The module's version word (0 when it cannot tell).
    uint32_t QueryVersion();
    int InitialisationCount() const { return initialisations_; }

  private:
    void UseNotAvailableEntries();
    // The lazy-resolve step: takes the three entries from the loaded module;
    // with all three present, clears the lazy-resolve flag.
    bool ResolveEntries();

    platform::RegistryValues registry_;
    platform::LoadedModule core_;
    movie::Dispatcher dispatcher_;
    movie::ComponentCall component_;
    movie::ComponentWithStorageCall componentWithStorage_;
    bool resolveLazily_ = true; // resolve the entries before the next call
    int initialisations_ = 0;
};

// The registry values of this process's key file. A malformed file is
// reported on standard error and gives no values.
platform::RegistryValues ReadServerRegistry();
