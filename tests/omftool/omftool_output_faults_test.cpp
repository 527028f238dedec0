// Every omftool command that writes, run as the built program under faults: a file-size limit,
// a read-only output folder, the full device as the output, and SIGINT to its process group (a
// Ctrl-C) or SIGTERM to it after its first frame. Afterwards: the documented exit status, no
// partial output and no temporary left, an earlier file of the output's name byte-identical, and no
// movie server or shared section of the run left behind.
#include "sample_edit.h"
#include "sample_edit_fixture.h"

#include "omf/omf_audio_media.h"
#include "omf/omf_media.h"
#include "omf/omf_session.h"
#include "open_omf_file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

enum class Fault { None, FileSizeLimit, ReadOnlyFolder, DevFull, CtrlC, Terminate };

struct Command {
    const char* name;
    // Arguments; "IN/" is the scratch folder, "OUT" the output (a pattern or a file in out/).
    std::vector<std::string> arguments;
    const char* output;     // the output's name in out/
    const char* laterFrame; // for frame patterns: the second frame's file, which is planted
    const char* firstFrame; // ... and the first, written before an interruption
};

const Command kCommands[] = {
    {"Write", {"write", "OUT", "--codec", "RGBA", "IN/in/shot.0000.png"}, "edit.omf", "", ""},
    {"WriteSample", {"write-sample", "--edit", "OUT"}, "sample.omf", "", ""},
    {"ExtractImages",
     {"extract", "IN/edit.omf", "--track", "0", "-o", "OUT"},
     "f%04d.png",
     "f0001.png",
     "f0000.png"},
    {"ExtractMovie", {"extract", "IN/edit.omf", "--track", "0", "-o", "OUT"}, "movie.mov", "", ""},
    {"Frames",
     {"frames", "IN/edit.omf", "--index", "1", "-o", "OUT"},
     "f%04d.png",
     "f0001.png",
     "f0000.png"},
    {"FramesRaw",
     {"frames", "IN/edit.omf", "--index", "1", "--raw", "-o", "OUT"},
     "f%04d.rgba",
     "f0001.rgba",
     "f0000.rgba"},
    {"Audio", {"audio", "IN/sound.omf", "--mob", "tone", "-o", "OUT"}, "tone.wav", "", ""},
};

// Cases are named by the test's name; the parameters print as the command's.
void PrintTo(const Command& command, std::ostream* out) {
    *out << command.name;
}

constexpr const char* kEarlierBytes = "an earlier file of this name\n";
constexpr rlim_t kFileSizeLimit = 512;
constexpr uid_t kNobody = 65534;
// The full device's numbers: every write fails with ENOSPC.
constexpr unsigned kFullMajor = 1;
constexpr unsigned kFullMinor = 7;
constexpr auto kRunLimit = std::chrono::seconds(90);
constexpr auto kCleanupLimit = std::chrono::seconds(5);

bool StopsAtAFrame(Fault fault) {
    return fault == Fault::CtrlC || fault == Fault::Terminate;
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::set<std::string> Entries(const fs::path& folder, const std::string& prefix = "") {
    std::set<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(prefix, 0) == 0) names.insert(name);
    }
    return names;
}

// The movie servers omftool `pid` started: their socket path names that process.
std::vector<std::string> ServersOf(pid_t pid) {
    const std::string mark = "tarsel-qt-" + std::to_string(pid) + "-";
    std::vector<std::string> found;
    for (const std::string& process : Entries("/proc")) {
        const std::string command = ReadAll("/proc/" + process + "/cmdline");
        if (command.find("TarselQTServer") != std::string::npos &&
            command.find(mark) != std::string::npos)
            found.push_back(process);
    }
    return found;
}

// Waits, bounded, until `done` holds; answers whether it did.
template <typename Condition> bool Eventually(Condition done) {
    const auto deadline = std::chrono::steady_clock::now() + kCleanupLimit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

// An OMF file holding the master mob "tone": 20000 frames of 16-bit stereo sound.
bool WriteSoundFile(const std::string& path) {
    const omfProductIdentification_t ident = omftool::productIdentification("fault test");
    omfSessionHdl_t session = nullptr;
    if (omfsStartSession(&ident, &session) != 0) return false;
    omfHdl_t file = nullptr;
    omfObject_t master = nullptr, fileMob = nullptr;
    omfMediaHdl_t media = nullptr;
    std::vector<uint8_t> frames(20000 * 4);
    for (std::size_t i = 0; i < frames.size(); ++i)
        frames[i] = uint8_t(i * 7);
    omfmMultiXfer_t transfer{1, 20000, omfInt32(frames.size()), frames.data(), 0, 0};
    const bool written =
        omfmInit(session) == 0 && omfsNewFile(path.c_str(), session, kOmfRev2x, &file) == 0 &&
        omfmCreateMasterMob(file, "tone", 4, &master) == 0 &&
        omfmCreateFileMob(file, "tone samples", {32000, 1}, "AIFC", &fileMob) == 0 &&
        omfmCreateAudioMedia(file, master, fileMob, {32000, 1}, 2, 16, &media) == 0 &&
        omfmWriteMultiSamples(media, 1, &transfer) == 0 && omfmCloseMedia(media) == 0;
    const bool closed = file == nullptr || omfsCloseOMFFile(file) == 0;
    return omfsFinishSession(session) == 0 && written && closed;
}

struct Outcome {
    pid_t pid = 0;
    int status = -1; // exit status; -1 when it did not exit by itself
    std::string err;
};

class OmftoolOutputTest : public omftool_test::SampleEditTest {
  protected:
    void SetUp() override {
        SampleEditTest::SetUp();
        if (HasFatalFailure()) return;
        // The read-only case runs omftool as another user when this is root, who reads inputs.
        fs::permissions(dir_, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                  fs::perms::others_read | fs::perms::others_exec);
        fs::create_directories(dir_ / "out");
        ASSERT_TRUE(WriteSoundFile(path("sound.omf")));
    }
    void TearDown() override {
        std::error_code ignored;
        fs::permissions(dir_ / "out", fs::perms::owner_all, ignored);
        SampleEditTest::TearDown();
    }

    // Runs omftool in a process group of its own, applies `fault`, and waits (bounded).
    Outcome Run(std::vector<std::string> arguments, Fault fault) {
        const std::string errPath = path("err.txt");
        std::vector<char*> argv{const_cast<char*>(OMFTOOL_PATH)};
        for (std::string& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        Outcome outcome;
        outcome.pid = ::fork();
        if (outcome.pid == 0) {
            ::setpgid(0, 0);
            const int errFile = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
            const int nowhere = ::open("/dev/null", O_WRONLY);
            ::dup2(nowhere, STDOUT_FILENO);
            ::dup2(errFile, STDERR_FILENO);
            std::signal(SIGXFSZ, SIG_IGN);
            if (fault == Fault::FileSizeLimit) {
                const rlimit limit{kFileSizeLimit, kFileSizeLimit};
                ::setrlimit(RLIMIT_FSIZE, &limit);
            }
            // Root writes into read-only folders; another user does not.
            if (fault == Fault::ReadOnlyFolder && ::geteuid() == 0 &&
                (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0))
                ::_exit(126);
            if (StopsAtAFrame(fault)) ::setenv("OMFTOOL_STOP_AFTER_FRAME", "1", 1);
            ::execv(OMFTOOL_PATH, argv.data());
            ::_exit(127);
        }
        ::setpgid(outcome.pid, outcome.pid);
        int status = 0;
        if (StopsAtAFrame(fault)) {
            // Stopped by the hook once its first frame is written; signalled there.
            if (::waitpid(outcome.pid, &status, WUNTRACED) != outcome.pid || !WIFSTOPPED(status)) {
                ADD_FAILURE() << "omftool did not stop after its first frame";
                return outcome;
            }
            if (fault == Fault::CtrlC)
                ::kill(-outcome.pid, SIGINT);
            else
                ::kill(outcome.pid, SIGTERM);
            ::kill(outcome.pid, SIGCONT);
        }
        const auto deadline = std::chrono::steady_clock::now() + kRunLimit;
        while (::waitpid(outcome.pid, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                ::kill(-outcome.pid, SIGKILL);
                ::waitpid(outcome.pid, &status, 0);
                ADD_FAILURE() << "omftool did not end within the time allowed";
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        if (WIFEXITED(status)) outcome.status = WEXITSTATUS(status);
        outcome.err = ReadAll(errPath);
        return outcome;
    }

    // The pictures `write` reads: the gradient's frames as a numbered sequence.
    void WriteInputPictures() {
        fs::create_directories(dir_ / "in");
        const Outcome made =
            Run({"frames", path("edit.omf"), "--index", "1", "-o", path("in/shot.%04d.png")},
                Fault::None);
        ASSERT_EQ(made.status, 0) << made.err;
    }
};

class OmftoolOutputFaults : public OmftoolOutputTest,
                            public ::testing::WithParamInterface<std::tuple<Command, Fault>> {};

std::string Substituted(const std::string& argument, const std::string& in,
                        const std::string& out) {
    if (argument == "OUT") return out;
    if (argument.rfind("IN/", 0) == 0) return in + argument.substr(3);
    return argument;
}

TEST_P(OmftoolOutputFaults, LeaveNoPartialOutputAndEarlierFilesAsTheyWere) {
    const auto& [command, fault] = GetParam();
    if (std::string(command.name) == "Write") {
        ASSERT_NO_FATAL_FAILURE(WriteInputPictures());
    }
    const fs::path out = dir_ / "out";
    const bool pattern = *command.laterFrame != 0;
    // The file an interruption or fault must leave alone: the output, or a frame not yet
    // written.
    const std::string planted = pattern ? command.laterFrame : command.output;
    // The full device as a node of this test's own, so that no fault can touch /dev/full.
    const std::string fullDevice = path("full");
    if (fault == Fault::DevFull &&
        ::mknod(fullDevice.c_str(), S_IFCHR | 0666, ::makedev(kFullMajor, kFullMinor)) != 0)
        GTEST_SKIP() << "no device node can be made here";
    const std::string target =
        fault == Fault::DevFull ? fullDevice : (out / command.output).string();
    if (fault != Fault::DevFull) std::ofstream(out / planted, std::ios::binary) << kEarlierBytes;
    if (fault == Fault::ReadOnlyFolder)
        fs::permissions(out, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                 fs::perms::group_exec | fs::perms::others_read |
                                 fs::perms::others_exec);
    const std::set<std::string> sectionsBefore = Entries("/dev/shm", "tarsel.");

    std::vector<std::string> arguments;
    for (const std::string& argument : command.arguments)
        arguments.push_back(Substituted(argument, dir_.string() + "/", target));
    const Outcome run = Run(arguments, fault);

    const int expected = fault == Fault::CtrlC ? 130 : fault == Fault::Terminate ? 143 : 2;
    EXPECT_EQ(run.status, expected) << run.err;
    EXPECT_FALSE(run.err.empty());
    // The system's reason, not the toolkit's trace of where its write failed.
    if (fault == Fault::FileSizeLimit && std::string(command.name) == "WriteSample") {
        EXPECT_NE(run.err.find(std::strerror(EFBIG)), std::string::npos) << run.err;
    }
    std::set<std::string> left{};
    if (fault != Fault::DevFull) left.insert(planted);
    // Frames before the interruption are whole files of their own.
    if (StopsAtAFrame(fault) && pattern) left.insert(command.firstFrame);
    EXPECT_EQ(Entries(out), left) << run.err;
    if (fault == Fault::DevFull) {
        EXPECT_TRUE(fs::is_character_file(fullDevice));
    } else {
        EXPECT_EQ(ReadAll((out / planted).string()), kEarlierBytes);
    }
    EXPECT_TRUE(Eventually([&] { return ServersOf(run.pid).empty(); }))
        << "a movie server of the run is left";
    std::set<std::string> left_sections;
    EXPECT_TRUE(Eventually([&] {
        left_sections.clear();
        for (const std::string& name : Entries("/dev/shm", "tarsel."))
            if (!sectionsBefore.count(name)) left_sections.insert(name);
        return left_sections.empty();
    })) << "shared sections left: "
        << *left_sections.begin();
}

// The failures users met: a codec the saver refuses, and a frame of another size after the
// first, both over an existing file, which stays as it was.
TEST_F(OmftoolOutputTest, AWriteThatFailsLeavesTheFileItWouldReplaceByteIdentical) {
    ASSERT_NO_FATAL_FAILURE(WriteInputPictures());
    const std::string smaller = path("in/smaller.ppm");
    std::ofstream(smaller, std::ios::binary) << "P6\n4 2\n255\n" << std::string(4 * 2 * 3, 'x');
    const std::string existing = path("out/exist.omf");
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"write", existing, "--codec", "BOGUS", path("in/shot.0000.png")},
          std::vector<std::string>{"write", existing, "--codec", "RGBA", path("in/shot.0003.png"),
                                   path("in/shot.0004.png"), smaller}}) {
        std::ofstream(existing, std::ios::binary) << kEarlierBytes;
        const Outcome run = Run(arguments, Fault::None);
        EXPECT_EQ(run.status, 2) << run.err;
        EXPECT_EQ(ReadAll(existing), kEarlierBytes) << run.err;
        EXPECT_EQ(Entries(dir_ / "out"), std::set<std::string>{"exist.omf"});
    }
}

// An output that is a symbolic link stays one: the file it names is replaced, or made.
TEST_F(OmftoolOutputTest, ASymbolicLinkAtTheOutputKeepsPointingAtTheFileWritten) {
    fs::create_directories(dir_ / "real");
    std::ofstream(dir_ / "real/sample.bento") << kEarlierBytes;
    fs::create_symlink("real/sample.bento", dir_ / "link.bento");
    fs::create_symlink("real/new.bento", dir_ / "dangling.bento");
    for (const char* link : {"link.bento", "dangling.bento"}) {
        const Outcome run = Run({"write-sample", path(link)}, Fault::None);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_TRUE(fs::is_symlink(dir_ / link));
    }
    EXPECT_EQ(ReadAll(path("real/new.bento")), ReadAll(path("real/sample.bento")));
    EXPECT_NE(ReadAll(path("real/sample.bento")), kEarlierBytes);
}

std::vector<std::tuple<Command, Fault>> Cases() {
    std::vector<std::tuple<Command, Fault>> cases;
    for (const Command& command : kCommands) {
        const std::string name = command.name;
        cases.emplace_back(command, Fault::FileSizeLimit);
        cases.emplace_back(command, Fault::ReadOnlyFolder);
        // A device output is written directly, and its write fails.
        if (name == "WriteSample" || name == "Audio") cases.emplace_back(command, Fault::DevFull);
        // Commands with a frame loop are interrupted after their first frame.
        if (name != "WriteSample" && name != "Audio") {
            cases.emplace_back(command, Fault::CtrlC);
            cases.emplace_back(command, Fault::Terminate);
        }
    }
    return cases;
}

std::string CaseName(const ::testing::TestParamInfo<std::tuple<Command, Fault>>& info) {
    static const char* const kFaultNames[] = {"None",    "FileSizeLimit", "ReadOnlyFolder",
                                              "DevFull", "CtrlC",         "Terminate"};
    return std::string(std::get<0>(info.param).name) + "_" +
           kFaultNames[int(std::get<1>(info.param))];
}

INSTANTIATE_TEST_SUITE_P(CommandsAndFaults, OmftoolOutputFaults, ::testing::ValuesIn(Cases()),
                         CaseName);

} // namespace
