#include "command_line.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <limits>
#include <string>

namespace omftool {

namespace {

constexpr long long kLargest = std::numeric_limits<int32_t>::max();

CLI::Validator wholeNumberFrom(long long lowest) {
    const std::string range = std::to_string(lowest) + " to " + std::to_string(kLargest);
    return CLI::Validator(
        [lowest, range](std::string& text) -> std::string {
            errno = 0;
            char* end = nullptr;
            const long long value = std::strtoll(text.c_str(), &end, 10);
            if (text.empty() || *end != '\0' || errno != 0 || value < lowest || value > kLargest)
                return "must be a whole number from " + range + ", not " + text;
            return {};
        },
        range);
}

} // namespace

const CLI::Validator& fromZero() {
    static const CLI::Validator validator = wholeNumberFrom(0);
    return validator;
}

const CLI::Validator& fromOne() {
    static const CLI::Validator validator = wholeNumberFrom(1);
    return validator;
}

const CLI::Validator& positive() {
    static const CLI::Validator validator(
        [](std::string& text) -> std::string {
            char* end = nullptr;
            const double value = std::strtod(text.c_str(), &end);
            if (text.empty() || *end != '\0' || !std::isfinite(value) || value <= 0)
                return "must be a number above 0, not " + text;
            return {};
        },
        "POSITIVE");
    return validator;
}

int parseCommandLine(CLI::App& app, int argc, char** argv) {
    // A first word that names no command is named, with the commands there are; CLI11 would
    // only say that a command is required.
    if (argc > 1 && argv[1][0] != '-') {
        const std::string word = argv[1];
        const auto named = app.get_subcommands(
            [&word](const CLI::App* command) { return command->get_name() == word; });
        if (named.empty()) {
            std::string commands;
            for (const CLI::App* command :
                 app.get_subcommands([](const CLI::App*) { return true; }))
                commands += (commands.empty() ? "" : ", ") + command->get_name();
            std::cerr << "omftool: unknown command \"" << word << "\"; the commands are "
                      << commands << " (omftool --help)\n";
            return kExitError;
        }
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        const int status = app.exit(error); // prints help, the version or the message
        return status == 0 ? kExitDone : kExitError;
    }
    return -1;
}

} // namespace omftool
