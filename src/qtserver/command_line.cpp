// The command line's options, their texts and the no-client time.
#include "command_line.h"

#include "build_info.h"
#include "server_app.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr std::string_view kHelpOptions[] = {"--help", "-h"};
constexpr std::string_view kVersionOption = "--version";

constexpr const char kUsageFormat[] =
    "Usage: TarselQTServer SOCKET\n"
    "       TarselQTServer --help | --version\n"
    "\n"
    "Serves movie reading and writing and DV coding to the host application\n"
    "over its remote-scripting connection, on the Unix-domain socket SOCKET.\n"
    "The host starts it; by hand, name a socket in a folder of your own.\n"
    "\n"
    "A missing folder of SOCKET is made with mode 0700; an existing one must be\n"
    "this user's and mode 0700. The socket gets mode 0600 and only this user\n"
    "may connect. The socket, and its folder when the server made it, are\n"
    "removed when the server ends, as are its shared-memory frame sections\n"
    "(/dev/shm/tarsel.Session.N.TsQTMapI). Sections a killed server left are\n"
    "taken over by the next server that needs their names.\n"
    "\n"
    "The server ends by itself:\n"
    "  - with one client connected and %g s without calls;\n"
    "  - with no client, %g s after its start or after its last client left\n"
    "    (%.*s=SECONDS sets another time, for tests);\n"
    "  - on SIGINT, SIGTERM or SIGHUP, after removing what it made.\n"
    "\n"
    "Exit status: 0 ended by itself, or started without SOCKET; 1 cannot serve\n"
    "on SOCKET (the reason is printed); 2 unknown option; 128+N ended by signal N.\n";

} // namespace

CommandLineRequest ReadCommandLine(std::string_view argument) {
    for (std::string_view help : kHelpOptions)
        if (argument == help) return CommandLineRequest::Help;
    if (argument == kVersionOption) return CommandLineRequest::Version;
    if (argument.starts_with('-')) return CommandLineRequest::UnknownOption;
    return CommandLineRequest::Serve;
}

std::string UsageText() {
    const int size = std::snprintf(
        nullptr, 0, kUsageFormat, kIdleTimeoutSeconds, kNoClientTimeoutSeconds,
        static_cast<int>(kNoClientTimeoutVariable.size()), kNoClientTimeoutVariable.data());
    std::string text(static_cast<size_t>(size), '\0');
    std::snprintf(text.data(), text.size() + 1, kUsageFormat, kIdleTimeoutSeconds,
                  kNoClientTimeoutSeconds, static_cast<int>(kNoClientTimeoutVariable.size()),
                  kNoClientTimeoutVariable.data());
    return text;
}

std::string VersionText() {
    return std::string("TarselQTServer ") + kServerVersionText + " (" + kServerBuildText + ", " +
           ServerBuildDate() + ")\n";
}

double NoClientTimeoutSeconds() {
    const char* text = std::getenv(std::string(kNoClientTimeoutVariable).c_str());
    if (text == nullptr || *text == '\0') return kNoClientTimeoutSeconds;
    char* end = nullptr;
    errno = 0;
    const double seconds = std::strtod(text, &end);
    if (errno != 0 || *end != '\0' || !std::isfinite(seconds) || !(seconds > 0.0))
        return kNoClientTimeoutSeconds;
    return seconds;
}
