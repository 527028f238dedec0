// Crash reports: a crashing process writes its report through the callback
// and still dies of its signal.
#include "tarsel/exception_handler.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#define TARSEL_TEST_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TARSEL_TEST_SANITIZED 1
#endif
#endif

namespace {

// Writes "callback saw signal <n>" into the report (async-signal-safe).
void WriteMarker(int fd, const TsExceptionInfo* info) {
    char line[64] = "callback saw signal ";
    size_t length = sizeof("callback saw signal ") - 1;
    int signal = info ? info->signal : -1;
    char digits[12];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + signal % 10);
        signal /= 10;
    } while (signal > 0 && count < 11);
    while (count > 0)
        line[length++] = digits[--count];
    line[length++] = '\n';
    ssize_t ignored = write(fd, line, length);
    (void)ignored;
}

void AnnounceAfter(int) {
    const char text[] = "after-callback ran\n";
    ssize_t ignored = write(STDERR_FILENO, text, sizeof text - 1);
    (void)ignored;
}

// A real invalid memory write, not a raised signal: into a page mapped
// without access (a valid, non-null address, so no sanitizer check stops it
// before the hardware does).
void WriteToAnInaccessiblePage() {
    void* page = mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (page == MAP_FAILED) return;
    *static_cast<volatile int*>(page) = 1;
}

class CrashReports : public ::testing::Test {
  protected:
    void SetUp() override {
        ::testing::FLAGS_gtest_death_test_style = "threadsafe";
        // A death test's child runs this again in a fresh process; it must
        // use the folder its parent made (inherited through the environment).
        if (const char* inherited = std::getenv("TARSEL_CRASH_DIR")) {
            directory_ = inherited;
            return;
        }
        owner_ = true;
        char pattern[] = "/tmp/tarsel-crash-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        directory_ = pattern;
        setenv("TARSEL_CRASH_DIR", directory_.c_str(), 1);
    }
    void TearDown() override {
        if (!owner_) return;
        for (const std::string& report : Reports())
            unlink(report.c_str());
        rmdir(directory_.c_str());
        unsetenv("TARSEL_CRASH_DIR");
    }

    std::vector<std::string> Reports() const {
        std::vector<std::string> found;
        if (DIR* folder = opendir(directory_.c_str())) {
            while (dirent* entry = readdir(folder)) {
                std::string name = entry->d_name;
                if (name.size() > 10 && name.ends_with("-crash.txt"))
                    found.push_back(directory_ + "/" + name);
            }
            closedir(folder);
        }
        return found;
    }

    static std::string Read(const std::string& path) {
        std::ifstream file(path);
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }

    std::string directory_;
    bool owner_ = false;
};

TEST_F(CrashReports, AbortWritesTheReportThroughTheCallbackAndStillDies) {
    EXPECT_EXIT(
        {
            TsExceptionHandler::Init(WriteMarker, AnnounceAfter, "8.0.0.16", false);
            std::abort();
        },
        ::testing::KilledBySignal(SIGABRT),
        "Crash report: .*-crash\\.txt(.|\n)*after-callback ran");
    std::vector<std::string> reports = Reports();
    ASSERT_EQ(reports.size(), 1u);
    std::string report = Read(reports[0]);
    EXPECT_NE(report.find("8.0.0.16"), std::string::npos) << report;
    EXPECT_NE(report.find("signal 6 "), std::string::npos) << report;
    EXPECT_NE(report.find("callback saw signal 6\n"), std::string::npos) << report;
}

bool DiedAbnormally(int status) {
#ifdef TARSEL_TEST_SANITIZED
    // The sanitizer's own fault handler, chained after ours, ends the process.
    return WIFSIGNALED(status) || (WIFEXITED(status) && WEXITSTATUS(status) != 0);
#else
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGSEGV;
#endif
}

TEST_F(CrashReports, AMemoryFaultIsReported) {
    EXPECT_EXIT(
        {
            TsExceptionHandler::Init(WriteMarker, nullptr, "v", false);
            WriteToAnInaccessiblePage();
        },
        DiedAbnormally, "Crash report: ");
    std::vector<std::string> reports = Reports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(Read(reports[0]).find("callback saw signal"), std::string::npos);
}

TEST_F(CrashReports, NoReportAfterCleanUp) {
    EXPECT_EXIT(
        {
            TsExceptionHandler::Init(WriteMarker, nullptr, "v", false);
            TsExceptionHandler::CleanUp();
            std::abort();
        },
        ::testing::KilledBySignal(SIGABRT), "");
    EXPECT_TRUE(Reports().empty());
}

TEST_F(CrashReports, InstallsOnceAndNamesTheReportAfterTheProcess) {
    ASSERT_TRUE(TsExceptionHandler::Init(WriteMarker, nullptr, "v", false));
    EXPECT_FALSE(TsExceptionHandler::Init(WriteMarker, nullptr, "v", false));
    std::string path = TsExceptionHandler::ReportPath();
    EXPECT_EQ(path.rfind(directory_ + "/", 0), 0u) << path;
    EXPECT_NE(path.find("-" + std::to_string(getpid()) + "-crash.txt"), std::string::npos) << path;
    TsExceptionHandler::CleanUp();
    EXPECT_TRUE(TsExceptionHandler::Init(WriteMarker, nullptr, "v", false));
    TsExceptionHandler::CleanUp();
}

} // namespace
