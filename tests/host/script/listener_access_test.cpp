// Who may reach a listening socket: only the listening process's user. The
// socket lives in a private folder with mode 0600 whatever the umask, a
// folder others can use is refused, peers of another user are closed on
// unanswered, and the socket and the folder the listener made go when it stops.
#include "server_process.h"
#include "socket_io.h"

#include "tarsel/remote.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace tarsel::detail;

// The user tests run a foreign client as (nobody).
constexpr uid_t kOtherUser = 65534;

std::string TestFolder(const char* label) {
    return "/tmp/tarsel-" + std::string(label) + "-" + std::to_string(getpid());
}

mode_t ModeOf(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

bool Exists(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0;
}

// Runs `body` in a child process as kOtherUser; answers its exit status.
template <class Body> int RunAsOtherUser(Body body) {
    pid_t child = fork();
    if (child == 0) {
        if (setgid(kOtherUser) != 0 || setuid(kOtherUser) != 0) _exit(100);
        _exit(body());
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(ListenerAccess, TheFolderIsMadePrivateAndTheSocketOwnerOnlyWhateverTheUmask) {
    const std::string folder = TestFolder("access-modes");
    const std::string path = folder + "/server.sock";
    mode_t oldMask = umask(0); // would leave a socket open to everyone
    bool made = false;
    int fd = ListenUnix(path, &made);
    umask(oldMask);
    ASSERT_GE(fd, 0);
    EXPECT_TRUE(made);
    EXPECT_EQ(ModeOf(folder), 0700u);
    EXPECT_EQ(ModeOf(path), 0600u);
    CloseFd(fd);
    RemoveListenPath(path, made);
    EXPECT_FALSE(Exists(path));
    EXPECT_FALSE(Exists(folder));
}

TEST(ListenerAccess, AnExistingPrivateFolderIsUsedAndKept) {
    const std::string folder = TestFolder("access-kept");
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    bool made = true;
    int fd = ListenUnix(folder + "/server.sock", &made);
    ASSERT_GE(fd, 0);
    EXPECT_FALSE(made);
    CloseFd(fd);
    RemoveListenPath(folder + "/server.sock", made);
    EXPECT_TRUE(Exists(folder));
    rmdir(folder.c_str());
}

TEST(ListenerAccess, FoldersOthersCanUseAreRefused) {
    const std::string folder = TestFolder("access-open");
    for (mode_t mode : {0755, 0770, 0701, 01777}) {
        ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
        ASSERT_EQ(chmod(folder.c_str(), mode), 0);
        errno = 0;
        EXPECT_EQ(ListenUnix(folder + "/server.sock"), -1) << std::oct << mode;
        EXPECT_EQ(errno, EACCES);
        EXPECT_FALSE(Exists(folder + "/server.sock"));
        rmdir(folder.c_str());
    }
    // A link to a private folder is not the folder itself.
    const std::string target = TestFolder("access-target");
    ASSERT_EQ(mkdir(target.c_str(), 0700), 0);
    ASSERT_EQ(symlink(target.c_str(), folder.c_str()), 0);
    EXPECT_EQ(ListenUnix(folder + "/server.sock"), -1);
    unlink(folder.c_str());
    rmdir(target.c_str());
}

TEST(ListenerAccess, AFolderOfAnotherUserIsRefused) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to give a folder away";
    const std::string folder = TestFolder("access-foreign");
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    ASSERT_EQ(chown(folder.c_str(), kOtherUser, kOtherUser), 0);
    EXPECT_EQ(ListenUnix(folder + "/server.sock"), -1);
    rmdir(folder.c_str());
}

TEST(ListenerAccess, APeerOfTheSameUserPassesTheCredentialCheck) {
    int fds[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
    EXPECT_TRUE(PeerIsSameUser(fds[0]));
    CloseFd(fds[0]);
    CloseFd(fds[1]);
    EXPECT_FALSE(PeerIsSameUser(-1));
}

class ForeignClient : public ::testing::Test {
  protected:
    void SetUp() override {
        if (geteuid() != 0) GTEST_SKIP() << "needs root to run a client as another user";
    }
};

TEST_F(ForeignClient, CannotReachTheSocketThroughThePrivateFolder) {
    ServerProcess server;
    ScriptVal app = server.Connect();
    ASSERT_TRUE(app.IsRemoteObject());
    const std::string path = server.path();
    EXPECT_EQ(RunAsOtherUser([&] {
                  int fd = ConnectUnix(path);
                  return fd < 0 && errno == EACCES ? 0 : 1;
              }),
              0);
}

TEST_F(ForeignClient, IsClosedOnWithoutAnAnswerWhenTheFolderIsOpened) {
    ServerProcess server;
    ScriptVal app = server.Connect();
    ASSERT_TRUE(app.IsRemoteObject());
    // Open the way the modes guard, so only the credential check remains.
    const std::string path = server.path();
    const std::string folder = path.substr(0, path.rfind('/'));
    ASSERT_EQ(chmod(folder.c_str(), 0755), 0);
    ASSERT_EQ(chmod(path.c_str(), 0666), 0);
    EXPECT_EQ(RunAsOtherUser([&] {
                  int fd = ConnectUnix(path);
                  if (fd < 0) return 2; // not even connected: the test proves nothing
                  // A same-user client is greeted at once; this one must see
                  // the connection end with no byte.
                  char byte;
                  ssize_t got = recv(fd, &byte, 1, 0);
                  return got == 0 ? 0 : 1;
              }),
              0);
    EXPECT_EQ(app.CallMember("NumConnections").ToInteger(), 1);
    // The server still serves its own user.
    EXPECT_EQ(server.Connect().CallMember("Echo", ScriptVal("still")).ToString(), "still");
}

} // namespace
