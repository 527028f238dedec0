// omftool's command line as a user meets it: usage errors exit 2 with one line naming the
// cause, an unknown command is named, --version and --help exit 0, and every command of the
// table is documented in the README and in its help.
#include "commands.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <sys/wait.h>

namespace {

struct Answer {
    int status = -1;
    std::string text; // standard output and error together
};

Answer omftool(const std::string& arguments) {
    Answer answer;
    FILE* pipe = ::popen((std::string(OMFTOOL_PATH) + " " + arguments + " 2>&1").c_str(), "r");
    if (pipe == nullptr) return answer;
    char buffer[4096];
    while (size_t read = std::fread(buffer, 1, sizeof buffer, pipe))
        answer.text.append(buffer, read);
    const int status = ::pclose(pipe);
    answer.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return answer;
}

TEST(OmftoolCommandLine, UsageErrorsExitTwoNamingTheirCause) {
    const struct {
        const char* arguments;
        const char* says;
    } cases[] = {
        {"bogus file.omf", "unknown command \"bogus\"; the commands are dump, info, mobs"},
        {"frames", "FILE is required"},
        {"extract x.omf --track -1 -o out.png",
         "--track: must be a whole number from 0 to 2147483647, not -1"},
        {"extract x.omf --rate nan -o out.mov", "--rate: must be a number above 0, not nan"},
    };
    for (const auto& test : cases) {
        const Answer answer = omftool(test.arguments);
        EXPECT_EQ(answer.status, 2) << test.arguments;
        EXPECT_NE(answer.text.find(test.says), std::string::npos) << answer.text;
    }
}

TEST(OmftoolCommandLine, VersionAndHelpExitZero) {
    const Answer version = omftool("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.text, "omftool 1.0\n");
    const Answer help = omftool("frames --help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.text.find("--media-path"), std::string::npos) << help.text;
}

// The README's omftool section: from its heading to the next one of its level.
std::string readmeOmftoolSection() {
    std::ifstream file(OMF_README_PATH);
    std::stringstream text;
    text << file.rdbuf();
    const std::string readme = text.str();
    const std::size_t start = readme.find("\n## omftool\n");
    if (start == std::string::npos) return {};
    return readme.substr(start, readme.find("\n## ", start + 1) - start);
}

TEST(OmftoolCommandLine, EveryCommandHasAReadmeEntryAndAHelpNamingItsOptionsAndExitStatuses) {
    const std::string readme = readmeOmftoolSection();
    ASSERT_FALSE(readme.empty()) << OMF_README_PATH;
    const std::vector<omftool::CommandOptions> listed = omftool::commandOptionNames();
    ASSERT_EQ(listed.size(), omftool::commands().size());
    for (const omftool::CommandOptions& command : listed) {
        EXPECT_NE(readme.find("omftool " + command.name + " "), std::string::npos)
            << "the README's omftool section does not show omftool " << command.name;
        EXPECT_FALSE(command.options.empty()) << command.name;
        const Answer help = omftool(command.name + " --help");
        EXPECT_EQ(help.status, 0) << command.name << ": " << help.text;
        EXPECT_NE(help.text.find("Exit status 0 when"), std::string::npos)
            << command.name << " --help does not say its exit statuses\n"
            << help.text;
        for (const std::string& names : command.options) {
            std::stringstream each(names); // "-o,--output": every spelling is shown
            for (std::string name; std::getline(each, name, ',');)
                EXPECT_NE(help.text.find(name), std::string::npos)
                    << command.name << " --help does not name " << name << "\n"
                    << help.text;
        }
    }
}

} // namespace
