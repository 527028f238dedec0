// Session numbers, module loading and the program's folders.
#include "platform/module_loading.h"
#include "platform/session.h"

#include <gtest/gtest.h>

#include <string>

#include <unistd.h>

namespace {

TEST(Sessions, AProcessHasOneAndAMissingProcessNone) {
    auto own = platform::SessionOfProcess(static_cast<uint32_t>(getpid()));
    ASSERT_TRUE(own.has_value());
    EXPECT_EQ(platform::SessionOfProcess(static_cast<uint32_t>(getppid())).has_value(), true);
    EXPECT_EQ(platform::SessionOfProcess(0x7FFFFFF0u), std::nullopt);
}

TEST(Modules, AModuleIsLoadedItsEntriesFoundAndItIsKnownByFileNameWhileLoaded) {
    const std::string path = TEST_MOVIE_MODULE;
    const std::string fileName = path.substr(path.rfind('/') + 1);
    EXPECT_EQ(platform::LoadedModulePath(fileName), "");
    {
        platform::LoadedModule module(path);
        ASSERT_TRUE(module.IsLoaded());
        EXPECT_NE(module.FindEntry("theQuickTimeDispatcher"), nullptr);
        EXPECT_EQ(module.FindEntry("NoSuchEntry"), nullptr);
        EXPECT_EQ(module.FindEntry(nullptr), nullptr);
        EXPECT_EQ(platform::LoadedModulePath(fileName), path);
        platform::LoadedModule moved = std::move(module);
        EXPECT_FALSE(module.IsLoaded());
        EXPECT_TRUE(moved.IsLoaded());
    }
    EXPECT_EQ(platform::LoadedModulePath(fileName), "");
    EXPECT_FALSE(platform::LoadedModule("/nonexistent/QuickTime.qts").IsLoaded());
    EXPECT_EQ(platform::LoadedModulePath(""), "");
}

TEST(Modules, TheProgramsFolderIsTheSystemFolder) {
    char self[4096];
    ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    ASSERT_GT(length, 0);
    const std::string path(self, static_cast<size_t>(length));
    const std::string folder = path.substr(0, path.rfind('/') + 1);
    EXPECT_EQ(platform::ProgramFolder(), folder);
    EXPECT_EQ(platform::ProgramName(), path.substr(folder.size()));
    EXPECT_EQ(platform::SystemFolder(), folder);
    EXPECT_TRUE(platform::FolderExists(folder));
    EXPECT_FALSE(platform::FolderExists(path)); // a file
    EXPECT_FALSE(platform::FolderExists(""));
}

} // namespace
