// Finding and loading the movie-services module: the folder search, the
// load by file name, initialisation counts, and the codes answered when the
// module is missing, incomplete or refuses to initialise.
#include "movie_library.h"

#include "test_registry.h"

#include "platform/module_loading.h"

#include <gtest/gtest.h>

#include <string>

#include <sys/stat.h>
#include <unistd.h>

namespace {

class TempFolder {
  public:
    TempFolder() {
        char pattern[] = "/tmp/tarsel-movie-folder-XXXXXX";
        path_ = mkdtemp(pattern) ? pattern : "";
    }
    ~TempFolder() { rmdir(path_.c_str()); }
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

platform::RegistryValues ValuesOf(const std::string& text) {
    platform::RegistryValues values;
    size_t line = 0;
    EXPECT_EQ(values.Parse("[" + std::string(kMovieRegistryKey) + "]\n" + text, line),
              platform::KeyFileError::None);
    return values;
}

TEST(MovieFolders, TheSystemFolderComesFromTheFirstValueNamingAFolder) {
    TempFolder first;
    TempFolder second;
    // QTSysDir wins when it names a folder; a separator is added.
    EXPECT_EQ(MovieLibrary(ValuesOf("\"QTSysDir\"=\"" + first.path() +
                                    "\"\n\"QuickTime.qts folder\"=\"" + second.path() + "\"\n"))
                  .SystemFolder(),
              first.path() + "/");
    // A QTSysDir that is not a folder gives way to "QuickTime.qts folder".
    EXPECT_EQ(MovieLibrary(ValuesOf("\"QTSysDir\"=\"/nonexistent\"\n\"QuickTime.qts folder\"=\"" +
                                    second.path() + "/\"\n"))
                  .SystemFolder(),
              second.path() + "/");
    // Neither: the system's own folder.
    EXPECT_EQ(MovieLibrary(ValuesOf("\"QTSysDir\"=\"/nonexistent\"\n")).SystemFolder(),
              platform::SystemFolder());
    EXPECT_EQ(MovieLibrary(platform::RegistryValues()).SystemFolder(), platform::SystemFolder());
}

TEST(MovieFolders, TheExtensionFolderIsQTExtDirElseBesideTheSystemFolder) {
    TempFolder system;
    EXPECT_EQ(MovieLibrary(ValuesOf("\"QTExtDir\"=\"/ext\"\n")).ExtensionFolder(), "/ext/");
    EXPECT_EQ(MovieLibrary(ValuesOf("\"QTSysDir\"=\"" + system.path() + "\"\n\"QTExtDir\"=\"\"\n"))
                  .ExtensionFolder(),
              system.path() + "/");
    EXPECT_EQ(MovieLibrary(platform::RegistryValues()).ExtensionFolder(),
              platform::SystemFolder() + "QuickTime/");
}

TEST(MovieFolders, AModuleAlreadyLoadedNamesTheSystemFolder) {
    TempFolder elsewhere;
    platform::LoadedModule loaded(std::string(TEST_MOVIE_MODULE_DIR) + "QuickTime.qts");
    ASSERT_TRUE(loaded.IsLoaded());
    EXPECT_EQ(MovieLibrary(MovieRegistry(elsewhere.path())).SystemFolder(), TEST_MOVIE_MODULE_DIR);
}

TEST(MovieFolders, ModulesAreLoadedFromTheSystemFolderElseTheExtensionFolder) {
    TempFolder empty;
    MovieLibrary fromExtensions(MovieRegistry(empty.path(), TEST_MOVIE_MODULE_DIR));
    EXPECT_TRUE(fromExtensions.LoadByName("QuickTime.qts").IsLoaded());
    EXPECT_FALSE(fromExtensions.LoadByName("QTCF.dll").IsLoaded());
    MovieLibrary nowhere(MovieRegistry(empty.path(), empty.path()));
    EXPECT_FALSE(nowhere.LoadByName("QuickTime.qts").IsLoaded());
}

TEST(MovieLibrary, TheModuleInitialisesCountsAndAnswersItsVersion) {
    MovieLibrary library(MovieRegistry(TEST_MOVIE_MODULE_DIR));
    ASSERT_EQ(library.Initialize(0), movie::kNoError);
    EXPECT_EQ(library.InitialisationCount(), 1);
    EXPECT_EQ(library.QueryVersion(), 0x01008000u);
    EXPECT_EQ(library.Call(movie::kEnterMovies, nullptr), movie::kNoError);
    EXPECT_EQ(library.Call(0x7777, nullptr), movie::kUnimplemented);
    EXPECT_EQ(library.CallComponent(nullptr, 1, nullptr), movie::kUnimplemented);
    EXPECT_EQ(library.Initialize(0), movie::kNoError); // counted, not repeated
    EXPECT_EQ(library.InitialisationCount(), 2);
    EXPECT_NE(platform::LoadedModulePath("QuickTime.qts"), "");

    library.Terminate();
    EXPECT_EQ(library.QueryVersion(), 0x01008000u); // still initialised once
    library.Terminate();
    EXPECT_EQ(library.InitialisationCount(), 0);
    EXPECT_EQ(platform::LoadedModulePath("QuickTime.qts"), ""); // unloaded
    EXPECT_EQ(library.Call(movie::kEnterMovies, nullptr), kMovieNotAvailable);
    EXPECT_EQ(library.QueryVersion(), 0u);
    library.Terminate(); // one too many: the count stays at 0
    EXPECT_EQ(library.InitialisationCount(), 0);
    ASSERT_EQ(library.Initialize(0), movie::kNoError); // and it can start again
}

TEST(MovieLibrary, AMissingModuleAnswersNotLoadedThenNotAvailable) {
    TempFolder empty;
    MovieLibrary library(MovieRegistry(empty.path(), empty.path()));
    EXPECT_EQ(library.Initialize(0), kMovieModuleNotLoaded);
    EXPECT_EQ(library.InitialisationCount(), 0);
    EXPECT_EQ(library.Call(movie::kEnterMovies, nullptr), kMovieNotAvailable);
    EXPECT_EQ(library.CallComponent(nullptr, 1, nullptr), kMovieNotAvailable);
    EXPECT_EQ(library.CallComponentWithStorage(nullptr, nullptr, nullptr), kMovieNotAvailable);
    EXPECT_EQ(library.QueryVersion(), 0u);
}

TEST(MovieLibrary, AModuleWithoutEveryEntryAnswersEntryMissing) {
    MovieLibrary library(MovieRegistry(TEST_INCOMPLETE_MODULE_DIR));
    EXPECT_EQ(library.Initialize(0), kMovieEntryMissing);
    EXPECT_EQ(library.Call(movie::kEnterMovies, nullptr), kMovieNotAvailable);
    EXPECT_EQ(platform::LoadedModulePath("QuickTime.qts"), ""); // unloaded again
}

TEST(MovieLibrary, AModuleThatRefusesToInitialiseIsUnloadedAndItsCodeAnswered) {
    MovieLibrary library(MovieRegistry(TEST_FAILING_MODULE_DIR));
    EXPECT_EQ(library.Initialize(0), -108);
    EXPECT_EQ(library.InitialisationCount(), 0);
    EXPECT_EQ(platform::LoadedModulePath("QuickTime.qts"), "");
    EXPECT_EQ(library.Call(movie::kEnterMovies, nullptr), kMovieNotAvailable);
}

} // namespace
